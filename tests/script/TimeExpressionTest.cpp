#include <clocale>
#include <climits>
#include <cmath>
#include <locale>
#include <string>

#include "ScriptTestSupport.h"
#include "script/ArgumentValue.h"
#include "script/NumberText.h"
#include "script/TimeExpression.h"

namespace {

class TimeExpressionTest : public ScriptTest {};

float seconds(const char* valueText) { return ArgumentValue::fromText(valueText).number(); }

TEST_F(TimeExpressionTest, MidiPositionsAndLengthsAtDefaultTempo) {
    EXPECT_FLOAT_EQ(seconds("midi(1:1:0)"), 0.0f);
    EXPECT_FLOAT_EQ(seconds("midi(2:1:0)"), 1.6f);
    EXPECT_FLOAT_EQ(seconds("midi(1:2:0)"), 0.4f);
    EXPECT_FLOAT_EQ(seconds("midi(1:1:120)"), 0.2f);
    EXPECT_FLOAT_EQ(seconds("midi(1:1:240)"), seconds("midi(1:2:0)"));
    EXPECT_FLOAT_EQ(seconds("midi(1:0:0)"), -0.4f);
    EXPECT_FLOAT_EQ(seconds("midi(1:1:0,2.5)"), 2.5f);
    EXPECT_FLOAT_EQ(seconds("midi(3:1:0)junk"), 3.2f);
    EXPECT_FLOAT_EQ(seconds("midilength(1:0:0)"), 1.6f);
    EXPECT_FLOAT_EQ(seconds("midilength(0:1:0)"), 0.4f);
    EXPECT_FLOAT_EQ(seconds("midilength(0:0:0,1)"), 1.0f);
    EXPECT_FALSE(scriptErrorFlag());
}

TEST_F(TimeExpressionTest, TempoAndStartTimeComeFromTheCurrentTempo) {
    MusicTempo tempo{120.0f, 3.0f};
    setCurrentTempo(&tempo);
    EXPECT_FLOAT_EQ(seconds("midi(1:1:0)"), 3.0f);
    EXPECT_FLOAT_EQ(seconds("midi(2:1:0)"), 5.0f);
    EXPECT_FLOAT_EQ(seconds("midilength(1:0:0)"), 2.0f);
    tempo.musicBpm = 60.0f;  // read when converted, not when made current
    EXPECT_FLOAT_EQ(seconds("midilength(0:1:0)"), 1.0f);
    setCurrentTempo(nullptr);
    EXPECT_FLOAT_EQ(seconds("midi(2:1:0)"), 1.6f);
}

TEST_F(TimeExpressionTest, FaultsAreReportedAndCountAsZero) {
    MusicTempo tempo{150.0f, 3.0f};
    setCurrentTempo(&tempo);
    struct Case {
        const char* valueText;
        float expected;
        const char* message;
    };
    const Case cases[] = {
        {"midi(2:1)", 3.0f, "Miditime - expected colon after beats"},
        {"midi(2)", 3.0f, "Miditime - expected colon after measures"},
        {"midi(-1:1:0)", 3.0f, "Miditime - measure must be 0 or more, got -1\n"},
        {"midi(1:5:0)", 3.0f, "Miditime - beat must be between 1 and 4, got 5\n"},
        {"midi(1:-1:0)", 3.0f, "Miditime - beat must be between 1 and 4, got -1\n"},
        {"midi(1:1:241)", 3.0f, "Miditime - tick must be between 0 and 240, got 241.000000\n"},
        {"midilength(1:1:-0.5)", 2.0f,
         "Miditime - tick must be between 0 and 240, got -0.500000\n"},
        {"midi(2:1:0", 0.0f, "Malformed midi time\n"},
        {"midilength(2:1:0", 0.0f, "Malformed midi time\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.valueText);
        setScriptErrorFlag(false);
        float value = -1.0f;
        const std::string log = logOf([&] { value = seconds(c.valueText); });
        EXPECT_FLOAT_EQ(value, c.expected);
        EXPECT_EQ(log, "Error in test.qsc, line 3, pos 0: " + std::string(c.message));
        EXPECT_TRUE(scriptErrorFlag());
    }
    setScriptErrorFlag(false);
    EXPECT_EQ(logOf([] { seconds("midi(1:4:240)"); }), "");  // the upper limits themselves
}

TEST_F(TimeExpressionTest, NumbersFollowAtofPrefixRulesWithoutOverflow) {
    EXPECT_DOUBLE_EQ(readDecimalPrefix(" \t-0.25x"), -0.25);
    EXPECT_DOUBLE_EQ(readDecimalPrefix("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(readDecimalPrefix("5.:"), 5.0);
    EXPECT_DOUBLE_EQ(readDecimalPrefix("1e3"), 1.0);
    EXPECT_DOUBLE_EQ(readDecimalPrefix("-."), 0.0);
    EXPECT_DOUBLE_EQ(readDecimalPrefix(std::string(400, '9')), HUGE_VAL);
    EXPECT_DOUBLE_EQ(readDecimalPrefix("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(narrowToFloat(-1e300), -HUGE_VALF);
    EXPECT_EQ(readIntegerPrefix("99999999999"), INT_MAX);
    EXPECT_EQ(readIntegerPrefix("-99999999999:"), INT_MIN);
    EXPECT_EQ(readIntegerPrefix("-2147483648"), INT_MIN);
    // A huge measure is far beyond any music, but converts without overflow.
    EXPECT_GT(seconds("midi(99999999999:1:0)"), 1e9f);
    EXPECT_TRUE(std::isinf(seconds(std::string(400, '9').c_str())));
}

// Under a locale with a decimal comma, C atof would read "0.5" as 0 and
// streams would print "0,5"; neither may happen here.
TEST_F(TimeExpressionTest, NumbersIgnoreTheProcessLocale) {
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE", "nl_NL.UTF-8"};
    const char* chosen = nullptr;
    for (const char* name : names) {
        if (std::setlocale(LC_ALL, name)) {
            chosen = name;
            break;
        }
    }
    if (!chosen) GTEST_SKIP() << "no decimal-comma locale installed";
    const std::locale previous = std::locale::global(std::locale(chosen));
    const float value = seconds("1:0.5");
    const std::string text = ArgumentValue(1234.5f).asText();
    std::locale::global(previous);
    std::setlocale(LC_ALL, "C");
    EXPECT_FLOAT_EQ(value, 60.5f);
    EXPECT_EQ(text, "1234.5");
}

}  // namespace
