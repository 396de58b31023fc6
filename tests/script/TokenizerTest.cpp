#include <string>
#include <utility>
#include <vector>

#include "ScriptTestSupport.h"
#include "script/Tokenizer.h"

namespace {

using Tokens = std::vector<std::pair<std::string, int>>;

// Every token of `line` with the token position the script position showed.
Tokens tokensOf(const std::string& line) {
    Tokenizer tokens(line);
    Tokens result;
    while (tokens.hasMoreTokens()) {
        std::string token = tokens.nextToken();
        result.emplace_back(std::move(token), scriptPosition().pos);
    }
    return result;
}

class TokenizerTest : public ScriptTest {};

TEST_F(TokenizerTest, SplitsLinesIntoTokensWithTheirPositions) {
    const std::pair<std::string, Tokens> cases[] = {
        {"event  intro\ttimer\r\n", {{"event", 0}, {"intro", 7}, {"timer", 13}}},
        // Vertical tab and form feed do not separate tokens.
        {"a\vb\fc d", {{"a\vb\fc", 0}, {"d", 6}}},
        {"text=\"Hello big world\" size=2", {{"text=\"Hello big world\"", 0}, {"size=2", 23}}},
        {"\"standing alone\" x", {{"\"standing alone\"", 0}, {"x", 17}}},
        {"pre\"mid dle\"post tail", {{"pre\"mid dle\"post", 0}, {"tail", 17}}},
        {"a \"b c\"", {{"a", 0}, {"\"b c\"", 2}}},
        // Indented: an empty first token. Trailing white space: no empty last.
        {"  \tlogo at intro \t \r\r", {{"", 0}, {"logo", 3}, {"at", 8}, {"intro", 11}}},
        {"\r\n", {{"", 0}}},
    };
    for (const auto& [line, expected] : cases) EXPECT_EQ(tokensOf(line), expected) << line;
    EXPECT_FALSE(scriptErrorFlag());
}

TEST_F(TokenizerTest, UnmatchedQuoteRunsToLineEndAndIsReportedAtItsToken) {
    Tokens tokens;
    const std::string log = logOf([&] { tokens = tokensOf("x name=\"open ended  "); });
    EXPECT_EQ(tokens, (Tokens{{"x", 0}, {"name=\"open ended  ", 2}}));
    EXPECT_EQ(log, "Error in test.qsc, line 3, pos 2: Unmatched '\"'\n");
    EXPECT_TRUE(scriptErrorFlag());
}

}  // namespace
