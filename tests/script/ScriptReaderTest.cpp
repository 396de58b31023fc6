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

// Every kept line as (line number the script position showed, its text).
Lines walk(ScriptReader& reader) {
    Lines lines;
    while (reader.hasMoreLines()) {
        Tokenizer tokens = reader.nextLine();
        lines.emplace_back(scriptPosition().line, tokens.text());
    }
    return lines;
}

class ScriptReaderTest : public ScriptTest {};

// Comments are cut at the first ';', quotes or not.
TEST_F(ScriptReaderTest, KeepsStatementsWithTheirPhysicalLineNumbers) {
    using namespace std::string_literals;  // the text holds a NUL byte
    ScriptReader reader = ScriptReader::fromText(
        "; header comment\r\n"
        "event intro timer\r\n"
        "\n"
        "   \t\v\f\r\n"
        "logo at intro ; trailing comment\n"
        "t at e text start text=\"a;b\"\n"
        "    ; indented comment\n"
        "x y\0z\n"
        "last line without feed"s);
    EXPECT_EQ(scriptPosition().line, -1);
    const Lines expected{{2, "event intro timer"},
                         {5, "logo at intro "},
                         {6, "t at e text start text=\"a"},
                         {8, "x y"},
                         {9, "last line without feed"}};
    EXPECT_EQ(walk(reader), expected);
    reader.rewind();
    EXPECT_EQ(walk(reader), expected);
}

// A UTF-8 byte-order mark some editors write first is no part of the first
// statement; lines and token positions count as if it were not there.
TEST_F(ScriptReaderTest, SkipsALeadingByteOrderMark) {
    ScriptReader reader = ScriptReader::fromText(
        "\xEF\xBB\xBF"
        "event intro timer\n\xEF\xBB\xBFx\n");
    Tokenizer first = reader.nextLine();
    EXPECT_EQ(scriptPosition().line, 1);
    EXPECT_EQ(first.nextToken(), "event");
    EXPECT_EQ(scriptPosition().pos, 0);
    EXPECT_EQ(first.nextToken(), "intro");
    EXPECT_EQ(scriptPosition().pos, 6);
    // Only at the very start: elsewhere the bytes are the line's own.
    EXPECT_EQ(reader.nextLine().text(), "\xEF\xBB\xBFx");
    EXPECT_EQ(ScriptReader::fromText("\xEF\xBB\xBF").lineCount(), 0u);
}

// Data files are looked up by base name in the current directory.
TEST_F(ScriptReaderTest, ReadsFileByBaseNameAndStopsWith245WhenMissingOrEmpty) {
    char dir[] = "/tmp/dp_script_test_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    std::ofstream("demo.qsc") << "globalSettings musicBpm=120\n\nevent intro timer\n";
    std::ofstream("empty.qsc");

    ScriptReader reader("data\\demo.qsc");
    EXPECT_EQ(walk(reader), (Lines{{1, "globalSettings musicBpm=120"}, {3, "event intro timer"}}));
    EXPECT_EXIT(ScriptReader("data/missing.qsc"), testing::ExitedWithCode(245),
                "^Script \"data/missing\\.qsc\" not found, aborting\n");
    EXPECT_EXIT(ScriptReader("empty.qsc"), testing::ExitedWithCode(245),
                "^Script \"empty\\.qsc\" not found, aborting\n");
    ASSERT_EQ(chdir("/"), 0);
    EXPECT_EQ(system((std::string("rm -rf ") + dir).c_str()), 0);
}

}  // namespace
