#include <cmath>
#include <string>

#include "ScriptTestSupport.h"
#include "script/ArgumentList.h"
#include "script/Tokenizer.h"

namespace {

class ArgumentListTest : public ScriptTest {};

ArgumentList listOf(const std::string& line) {
    Tokenizer tokens(line);
    return ArgumentList(tokens);
}

TEST_F(ArgumentListTest, ValueConversionRulesInOrder) {
    struct Case {
        const char* valueText;
        ArgumentValue::Type type;
        float number;
        const char* text;
    };
    using T = ArgumentValue::Type;
    const Case cases[] = {
        {"0.5", T::Number, 0.5f, ""},
        {"", T::Number, 0.0f, ""},
        {"-3", T::Number, -3.0f, ""},
        {"1:30", T::Number, 90.0f, ""},
        {"1:02:03", T::Number, 3723.0f, ""},
        {"-1:30", T::Number, -30.0f, ""},
        {":30", T::Number, 30.0f, ""},
        {"2:", T::Number, 120.0f, ""},
        {"5=6=7", T::Number, 5.0f, ""},  // stops at the first '='
        {"1e3", T::String, 0.0f, "1e3"},
        {"logo.png", T::String, 0.0f, "logo.png"},
        {"\"Hello world\"", T::String, 0.0f, "Hello world"},
        {"\"a\"b\"tail", T::String, 0.0f, "a\"b"},
        {"\"unclosed", T::String, 0.0f, "unclosed"},
        {"\"", T::String, 0.0f, ""},
        {"12\"", T::String, 0.0f, "12\""},
        {"MIDI(2:1:0)", T::Number, 1.6f, ""},
        {"MidiLength(1:0:0)", T::Number, 1.6f, ""},
        {"midiX(1:1:0)", T::String, 0.0f, "midiX(1:1:0)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.valueText);
        const ArgumentValue value = ArgumentValue::fromText(c.valueText);
        EXPECT_EQ(value.type(), c.type);
        EXPECT_FLOAT_EQ(value.number(), c.number);
        EXPECT_EQ(value.text(), c.text);
    }
    EXPECT_FALSE(scriptErrorFlag());
}

TEST_F(ArgumentListTest, KeysFoldCaseSplitAtFirstEqualsAndLastOccurrenceWins) {
    ArgumentList args;
    const std::string log = logOf([&] {
        args = listOf("Alpha=1 =5 loose alpha=2 ALPHA=x key=");
    });
    EXPECT_EQ(log, "Error in test.qsc, line 3, pos 11: Argument \"loose\" has no equals-sign\n");
    EXPECT_EQ(args.size(), 3u);
    EXPECT_EQ(args.find("alpha").text(), "x");
    EXPECT_FLOAT_EQ(args.find("").number(), 5.0f);
    EXPECT_TRUE(args.find("KEY").isNumber());
    EXPECT_TRUE(args.find("absent").isNone());
    EXPECT_EQ(args.size(), 3u);  // a failed look-up makes no entry
    args.clearUsed();
    // The key keeps the text it was first written with.
    EXPECT_NE(logOf([&] { args.warnUnused(); }).find("key \"Alpha\", value \"x\""),
              std::string::npos);
}

TEST_F(ArgumentListTest, ChecksReportExactMessagesAndMarkUsed) {
    ArgumentList args = listOf("n=1 s=text");
    struct Case {
        bool (ArgumentList::*check)(std::string_view);
        const char* key;
        bool result;
        const char* message;
    };
    const Case cases[] = {
        {&ArgumentList::requireNumber, "N", true, ""},
        {&ArgumentList::requireNumber, "s", false, "Required parameter \"s\" is not a number\n"},
        {&ArgumentList::requireNumber, "x", false, "Required parameter \"x\" not set\n"},
        {&ArgumentList::requireString, "S", true, ""},
        {&ArgumentList::requireString, "n", false, "Required parameter \"n\" is not a string\n"},
        {&ArgumentList::requireString, "x", false, "Required parameter \"x\" not set\n"},
        {&ArgumentList::optionalNumber, "x", true, ""},
        {&ArgumentList::optionalNumber, "s", false, "Optional parameter \"s\" is not a number\n"},
        {&ArgumentList::optionalString, "x", true, ""},
        {&ArgumentList::optionalString, "n", false, "Optional parameter \"n\" is not a string\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        args.clearUsed();
        setScriptErrorFlag(false);
        bool result = false;
        const std::string log = logOf([&] { result = (args.*c.check)(c.key); });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(log, c.message[0] ? "Error in test.qsc, line 3, pos 4: " + std::string(c.message)
                                    : std::string());
        EXPECT_EQ(scriptErrorFlag(), !c.result);
        // The checked key, right or wrong, is no longer "not recognized".
        const std::string unused = logOf([&] { args.warnUnused(); });
        const char stored = static_cast<char>(foldAsciiCase(static_cast<unsigned char>(c.key[0])));
        EXPECT_EQ(unused.find("key \"" + std::string(1, stored)), std::string::npos);
    }
}

TEST_F(ArgumentListTest, WarnUnusedListsInCaseInsensitiveKeyOrder) {
    ArgumentList args = listOf("b=0.1 Zeta=\"t t\" _c=1234567 A=3 a2=0.333333333 used=1");
    args.find("USED");
    const std::string log = logOf([&] { args.warnUnused(); });
    const std::string prefix = "Warning in test.qsc, line 3, pos 47: Argument list: key ";
    const std::string suffix = " not recognized, will be ignored\n";
    EXPECT_EQ(log, prefix + "\"_c\", value \"1.23457e+06\"" + suffix +
                       prefix + "\"A\", value \"3\"" + suffix +
                       prefix + "\"a2\", value \"0.333333\"" + suffix +
                       prefix + "\"b\", value \"0.1\"" + suffix +
                       prefix + "\"Zeta\", value \"t t\"" + suffix);
    EXPECT_FALSE(scriptErrorFlag());
    EXPECT_EQ(ArgumentValue().asText(), "none");
}

TEST_F(ArgumentListTest, CopyStartsWithUsedFlagsCleared) {
    ArgumentList args = listOf("a=1 b=2");
    args.find("a");
    args.find("b");
    ArgumentList copy = args;
    EXPECT_EQ(logOf([&] { args.warnUnused(); }), "");
    const std::string copied = logOf([&] { copy.warnUnused(); });
    EXPECT_NE(copied.find("key \"a\""), std::string::npos);
    EXPECT_NE(copied.find("key \"b\""), std::string::npos);
}

}  // namespace
