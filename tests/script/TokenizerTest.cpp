#include <string>
#include <utility>
#include <vector>

#include "ScriptTestSupport.h"
#include "script/Tokenizer.h"

namespace {

// Every token of `line` with the token position the script position showed
// for it.
std::vector<std::pair<std::string, int>> tokensOf(const std::string& line) {
    Tokenizer tokens(line);
    std::vector<std::pair<std::string, int>> result;
    while (tokens.hasMoreTokens()) {
        std::string token = tokens.nextToken();
        result.emplace_back(std::move(token), scriptPosition().pos);
    }
    return result;
}

using Tokens = std::vector<std::pair<std::string, int>>;

class TokenizerTest : public ScriptTest {};

TEST_F(TokenizerTest, SplitsAtTheFourWhiteSpaceCharactersOnly) {
    EXPECT_EQ(tokensOf("event  intro\ttimer\r\n"),
              (Tokens{{"event", 0}, {"intro", 7}, {"timer", 13}}));
    // Vertical tab and form feed are not token separators.
    EXPECT_EQ(tokensOf("a\vb\fc d"), (Tokens{{"a\vb\fc", 0}, {"d", 6}}));
}

TEST_F(TokenizerTest, QuotedStretchesKeepWhiteSpaceAndQuotes) {
    EXPECT_EQ(tokensOf("text=\"Hello big world\" size=2"),
              (Tokens{{"text=\"Hello big world\"", 0}, {"size=2", 23}}));
    EXPECT_EQ(tokensOf("\"standing alone\" x"), (Tokens{{"\"standing alone\"", 0}, {"x", 17}}));
    EXPECT_EQ(tokensOf("pre\"mid dle\"post tail"),
              (Tokens{{"pre\"mid dle\"post", 0}, {"tail", 17}}));
    // A quote after the token's first white space belongs to the next token.
    EXPECT_EQ(tokensOf("a \"b c\""), (Tokens{{"a", 0}, {"\"b c\"", 2}}));
    EXPECT_FALSE(scriptErrorFlag());
}

TEST_F(TokenizerTest, IndentedLineStartsWithEmptyTokenAndTrailingSpaceAddsNone) {
    EXPECT_EQ(tokensOf("  \tlogo at intro \t \r\r"),
              (Tokens{{"", 0}, {"logo", 3}, {"at", 8}, {"intro", 11}}));
    // An empty line still holds its one empty token.
    EXPECT_EQ(tokensOf("\r\n"), (Tokens{{"", 0}}));
}

TEST_F(TokenizerTest, UnmatchedQuoteRunsToLineEndAndIsReportedAtItsToken) {
    Tokens tokens;
    const std::string log = logOf([&] { tokens = tokensOf("x name=\"open ended  "); });
    EXPECT_EQ(tokens, (Tokens{{"x", 0}, {"name=\"open ended  ", 2}}));
    EXPECT_EQ(log, "Error in test.qsc, line 3, pos 2: Unmatched '\"'\n");
    EXPECT_TRUE(scriptErrorFlag());
}

TEST_F(TokenizerTest, RestartAndExhaustion) {
    Tokenizer tokens("one two");
    EXPECT_EQ(tokens.nextToken(), "one");
    EXPECT_EQ(tokens.position(), 4);
    EXPECT_EQ(tokens.nextToken(), "two");
    EXPECT_EQ(tokens.position(), -1);
    EXPECT_FALSE(tokens.hasMoreTokens());
    EXPECT_EQ(tokens.nextToken(), "");
    tokens.restart();
    EXPECT_EQ(tokens.nextToken(), "one");
}

}  // namespace
