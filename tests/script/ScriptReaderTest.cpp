#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "ScriptTestSupport.h"
#include "script/ScriptReader.h"

namespace {

using Lines = std::vector<std::pair<int, std::string>>;

// Every kept line as (line number the script position showed, first token).
Lines walk(ScriptReader& reader) {
    Lines lines;
    while (reader.hasMoreLines()) {
        Tokenizer tokens = reader.nextLine();
        lines.emplace_back(scriptPosition().line, tokens.nextToken());
    }
    return lines;
}

class ScriptReaderTest : public ScriptTest {};

TEST_F(ScriptReaderTest, NumbersPhysicalLinesAcrossCommentsAndBlankLines) {
    ScriptReader reader = ScriptReader::fromText(
        "; header comment\r\n"
        "event intro timer\r\n"
        "\n"
        "   \t\v\f\r\n"
        "logo at intro ; trailing comment\n"
        "    ; indented comment\n"
        "last line without feed");
    EXPECT_EQ(scriptPosition().line, -1);
    EXPECT_EQ(walk(reader), (Lines{{2, "event"}, {5, "logo"}, {7, "last"}}));
    reader.rewind();
    EXPECT_EQ(walk(reader), (Lines{{2, "event"}, {5, "logo"}, {7, "last"}}));
}

TEST_F(ScriptReaderTest, KeptLineIsCutAtFirstSemicolonEvenInsideQuotes) {
    ScriptReader reader = ScriptReader::fromText("t at e text start text=\"a;b\"\n");
    Tokenizer tokens = reader.nextLine();
    std::string last;
    const std::string log = logOf([&] {
        while (tokens.hasMoreTokens()) last = tokens.nextToken();
    });
    EXPECT_EQ(last, "text=\"a");
    EXPECT_EQ(log, "Error in test.qsc, line 1, pos 18: Unmatched '\"'\n");
}

TEST_F(ScriptReaderTest, FinalFeedAddsNoLineAndNulEndsALine) {
    EXPECT_EQ(ScriptReader::fromText("a\n").lineCount(), 1u);
    EXPECT_EQ(ScriptReader::fromText("").lineCount(), 0u);
    ScriptReader reader = ScriptReader::fromText(std::string("\0hidden\nx y\0z\n", 14));
    Tokenizer tokens = reader.nextLine();
    EXPECT_EQ(scriptPosition().line, 2);
    EXPECT_EQ(tokens.text(), "x y");
    EXPECT_FALSE(reader.hasMoreLines());
}

// Runs each test in a fresh directory, since data files are looked up in
// the current one.
class ScriptFileTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        char pattern[] = "/tmp/dp_script_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        char* previous = getcwd(nullptr, 0);
        previous_ = previous;
        free(previous);
        ASSERT_EQ(chdir(dir_.c_str()), 0);
    }
    void TearDown() override {
        EXPECT_EQ(chdir(previous_.c_str()), 0);
        std::string command = "rm -rf '" + dir_ + "'";
        EXPECT_EQ(system(command.c_str()), 0);
        ScriptTest::TearDown();
    }
    static void write(const std::string& name, const std::string& contents) {
        std::ofstream(name, std::ios::binary) << contents;
    }

    std::string dir_;
    std::string previous_;
};

TEST_F(ScriptFileTest, ReadsScriptByBaseName) {
    write("demo.qsc", "globalSettings musicBpm=120\n\nevent intro timer time=0\n");
    ScriptReader reader("data\\demo.qsc");
    EXPECT_EQ(walk(reader), (Lines{{1, "globalSettings"}, {3, "event"}}));
}

TEST_F(ScriptFileTest, MissingOrEmptyScriptStopsWithStatus245) {
    EXPECT_EXIT(ScriptReader("data/missing.qsc"), testing::ExitedWithCode(245),
                "^Script \"data/missing\\.qsc\" not found, aborting\n");
    write("empty.qsc", "");
    EXPECT_EXIT(ScriptReader("empty.qsc"), testing::ExitedWithCode(245),
                "Script \"empty\\.qsc\" not found, aborting\n");
}

}  // namespace
