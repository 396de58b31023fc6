#include <string>

#include "ScriptTestSupport.h"

namespace {

class ArgumentListTest : public ScriptTest {};

TEST_F(ArgumentListTest, ValueConversionRulesInOrder) {
    using T = ArgumentValue::Type;
    const struct {
        const char* valueText;
        T type;
        float number;
        const char* text;
    } cases[] = {
        {"0.5", T::Number, 0.5f, ""},
        {"", T::Number, 0.0f, ""},
        {"1:30", T::Number, 90.0f, ""},
        {"1:02:03", T::Number, 3723.0f, ""},
        {"-1:30", T::Number, -30.0f, ""},
        {":30", T::Number, 30.0f, ""},
        {"2:", T::Number, 120.0f, ""},
        {"5=6=7", T::Number, 5.0f, ""},
        {"1e3", T::String, 0, "1e3"},
        {"logo.png", T::String, 0, "logo.png"},
        {"\"a b\"", T::String, 0, "a b"},
        {"\"a\"b\"tail", T::String, 0, "a\"b"},
        {"\"unclosed", T::String, 0, "unclosed"},
        {"\"", T::String, 0, ""},
        {"12\"", T::String, 0, "12\""},
        {"MIDI(2:1:0)", T::Number, 1.6f, ""},
        {"MidiLength(1:0:0)", T::Number, 1.6f, ""},
        {"midiX(1)", T::String, 0, "midiX(1)"},
    };
    for (const auto& c : cases) {
        const ArgumentValue value = ArgumentValue::fromText(c.valueText);
        EXPECT_EQ(value.type(), c.type) << c.valueText;
        EXPECT_FLOAT_EQ(value.number(), c.number) << c.valueText;
        EXPECT_EQ(value.text(), c.text) << c.valueText;
    }
    EXPECT_FALSE(scriptErrorFlag());
}

TEST_F(ArgumentListTest, KeysFoldCaseAndTheLastOccurrenceWins) {
    ArgumentList args;
    const std::string log = logOf([&] { args = listOf("Alpha=1 =5 loose alpha=2 ALPHA=x"); });
    EXPECT_EQ(log, "Error in test.qsc, line 3, pos 11: Argument \"loose\" has no equals-sign\n");
    EXPECT_EQ(args.size(), 2u);
    EXPECT_FLOAT_EQ(args.find("").number(), 5.0f);
    EXPECT_TRUE(args.find("absent").isNone());
    EXPECT_EQ(args.size(), 2u);  // a failed look-up makes no entry
    // The key keeps the text it was first written with.
    EXPECT_NE(logOf([&] { args.warnUnused(); }).find("key \"Alpha\", value \"x\""),
              std::string::npos);
}

TEST_F(ArgumentListTest, ChecksReportExactMessagesAndMarkTheKeyUsed) {
    ArgumentList args = listOf("n=1 s=text");
    const struct {
        bool (ArgumentList::*check)(std::string_view);
        const char* key;
        const char* message;  // empty: the check passes
    } cases[] = {
        {&ArgumentList::requireNumber, "N", ""},
        {&ArgumentList::requireNumber, "s", "Required parameter \"s\" is not a number\n"},
        {&ArgumentList::requireNumber, "x", "Required parameter \"x\" not set\n"},
        {&ArgumentList::requireString, "n", "Required parameter \"n\" is not a string\n"},
        {&ArgumentList::requireString, "x", "Required parameter \"x\" not set\n"},
        {&ArgumentList::optionalNumber, "x", ""},
        {&ArgumentList::optionalNumber, "s", "Optional parameter \"s\" is not a number\n"},
        {&ArgumentList::optionalString, "n", "Optional parameter \"n\" is not a string\n"},
    };
    for (const auto& c : cases) {
        args.clearUsed();
        setScriptErrorFlag(false);
        bool passed = false;
        const std::string log = logOf([&] { passed = (args.*c.check)(c.key); });
        const bool fails = c.message[0] != '\0';
        EXPECT_EQ(passed, !fails) << c.key;
        // Messages point at the last token read, "s=text".
        EXPECT_EQ(log, fails ? "Error in test.qsc, line 3, pos 4: " + std::string(c.message) : "");
        EXPECT_EQ(scriptErrorFlag(), fails);
        // Right or wrong, a checked key is not reported as unrecognized.
        const std::string stored(1, static_cast<char>(foldAsciiCase(c.key[0])));
        EXPECT_EQ(logOf([&] { args.warnUnused(); }).find("key \"" + stored), std::string::npos);
    }
}

TEST_F(ArgumentListTest, WarnUnusedListsInCaseInsensitiveKeyOrderAndCopiesStartUnused) {
    ArgumentList args = listOf("b=0.1 Zeta=\"t t\" _c=1234567 A=3 a2=0.333333333 used=1");
    args.find("USED");
    const std::string prefix = "Warning in test.qsc, line 3, pos 47: Argument list: key ";
    const std::string suffix = " not recognized, will be ignored\n";
    EXPECT_EQ(logOf([&] { args.warnUnused(); }),
              prefix + "\"_c\", value \"1.23457e+06\"" + suffix +   //
                  prefix + "\"A\", value \"3\"" + suffix +          //
                  prefix + "\"a2\", value \"0.333333\"" + suffix +  //
                  prefix + "\"b\", value \"0.1\"" + suffix +        //
                  prefix + "\"Zeta\", value \"t t\"" + suffix);
    EXPECT_FALSE(scriptErrorFlag());

    ArgumentList copy = args;
    EXPECT_NE(logOf([&] { copy.warnUnused(); }).find("key \"used\""), std::string::npos);
}

}  // namespace
