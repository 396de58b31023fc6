#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale>
#include <string>
#include <utility>

#include "ScriptTestSupport.h"
#include "base/NumberText.h"
#include "script/ArgumentValue.h"

namespace {

class TimeExpressionTest : public ScriptTest {};

float seconds(const std::string& valueText) {
    return ArgumentValue::fromText(valueText).number();
}

TEST_F(TimeExpressionTest, MidiTimesAtTheDefaultTempo) {
    const std::pair<const char*, float> cases[] = {
        {"midi(1:1:0)", 0.0f},       {"midi(2:1:0)", 1.6f},         {"midi(1:2:0)", 0.4f},
        {"midi(1:1:120)", 0.2f},     {"midi(1:1:240)", 0.4f},       {"midi(1:0:0)", -0.4f},
        {"midi(1:1:0,2.5)", 2.5f},   {"midi(3:1:0)junk", 3.2f},     {"midilength(1:0:0)", 1.6f},
        {"midilength(0:1:0)", 0.4f}, {"midilength(0:0:0,1)", 1.0f}, {"midi(1:4:240)", 1.6f},
    };
    for (const auto& [text, expected] : cases) EXPECT_FLOAT_EQ(seconds(text), expected) << text;
    EXPECT_FALSE(scriptErrorFlag());
}

TEST_F(TimeExpressionTest, CurrentTempoAppliesAndFaultsCountAsZero) {
    MusicTempo tempo{120.0f, 3.0f};
    setCurrentTempo(&tempo);
    EXPECT_FLOAT_EQ(seconds("midi(2:1:0)"), 5.0f);
    EXPECT_FLOAT_EQ(seconds("midilength(1:0:0)"), 2.0f);  // no start time
    tempo.musicBpm = 150.0f;  // read when converting, not when made current
    const struct {
        const char* valueText;
        float expected;
        const char* message;
    } cases[] = {
        {"midi(2:1)", 3.0f, "Miditime - expected colon after beats\n"},
        {"midi(2)", 3.0f, "Miditime - expected colon after measures\n"},
        {"midi(-1:1:0)", 3.0f, "Miditime - measure must be 0 or more, got -1\n"},
        {"midi(1:5:0)", 3.0f, "Miditime - beat must be between 1 and 4, got 5\n"},
        {"midi(1:1:241)", 3.0f, "Miditime - tick must be between 0 and 240, got 241.000000\n"},
        {"midilength(1:1:-0.5)", 2.0f,
         "Miditime - tick must be between 0 and 240, got -0.500000\n"},
        {"midi(2:1:0", 0.0f, "Malformed midi time\n"},
        {"midilength(2:1:0", 0.0f, "Malformed midi time\n"},
    };
    for (const auto& c : cases) {
        setScriptErrorFlag(false);
        float value = -1.0f;
        const std::string log = logOf([&] { value = seconds(c.valueText); });
        EXPECT_FLOAT_EQ(value, c.expected) << c.valueText;
        EXPECT_EQ(log, "Error in test.qsc, line 3, pos 0: " + std::string(c.message));
        EXPECT_TRUE(scriptErrorFlag());
    }
}

// A tempo of 0 would divide by zero, a negative one run backwards (midi(3:1:0)
// at -120 would come before the start): every musical time read with such a
// tempo is reported once and counts as 0.
TEST_F(TimeExpressionTest, MusicalTimesWithATempoNotAbove0AreErrors) {
    MusicTempo tempo{0.0f, 2.0f};
    setCurrentTempo(&tempo);
    for (const float bpm : {0.0f, -120.0f, std::numeric_limits<float>::infinity()}) {
        tempo.musicBpm = bpm;
        for (const auto& [valueText, expected] :
             {std::pair<const char*, float>{"midi(3:1:0)", 2.0f}, {"midilength(1:0:0)", 0.0f}}) {
            setScriptErrorFlag(false);
            float value = -1.0f;
            const std::string log = logOf([&] { value = seconds(valueText); });
            EXPECT_FLOAT_EQ(value, expected) << valueText << " at " << bpm;
            EXPECT_EQ(
                log.rfind("Error in test.qsc, line 3, pos 0: Miditime - tempo must be above 0 "
                          "beats per minute, got ",
                          0),
                0u)
                << log;
            EXPECT_EQ(log.find('\n'), log.size() - 1) << "reported once: " << log;
            EXPECT_TRUE(scriptErrorFlag());
        }
    }
    // Plain times do not use the tempo.
    setScriptErrorFlag(false);
    EXPECT_FLOAT_EQ(seconds("1:30"), 90.0f);
    EXPECT_FALSE(scriptErrorFlag());
}

TEST_F(TimeExpressionTest, NumbersFollowAtofPrefixRulesWithoutOverflow) {
    EXPECT_DOUBLE_EQ(readDecimalPrefix(" \t-0.25x"), -0.25);
    EXPECT_DOUBLE_EQ(readDecimalPrefix("+.5") + readDecimalPrefix("5.:"), 5.5);
    EXPECT_DOUBLE_EQ(readDecimalPrefix("1e3") + readDecimalPrefix("-."), 1.0);
    EXPECT_TRUE(std::isinf(seconds(std::string(400, '9'))));
    EXPECT_EQ(readIntegerPrefix("-99999999999:"), INT_MIN);
    EXPECT_GT(seconds("midi(99999999999:1:0)"), 1e9f);  // no int overflow on the way
}

// A decimal-comma locale: the installed one, or one compiled into a private
// directory (glibc reads LOCPATH at each setlocale).
bool enterDecimalCommaLocale() {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8")) return true;
    const std::string dir = testing::TempDir() + "dp_locales";
    const std::string make = "mkdir -p '" + dir + "' && localedef -i de_DE -f UTF-8 '" + dir +
                             "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) return false;
    setenv("LOCPATH", dir.c_str(), 1);
    return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

// Under a decimal-comma locale C atof reads "0.5" as 0 and streams print
// "0,5".
TEST_F(TimeExpressionTest, NumbersIgnoreTheProcessLocale) {
    if (!enterDecimalCommaLocale()) GTEST_SKIP() << "no de_DE.UTF-8 locale can be made";
    const std::locale previous = std::locale::global(std::locale("de_DE.UTF-8"));
    const float value = seconds("1:0.5");
    const std::string text = ArgumentValue(1234.5f).asText();
    std::locale::global(previous);
    std::setlocale(LC_ALL, "C");
    EXPECT_FLOAT_EQ(value, 60.5f);
    EXPECT_EQ(text, "1234.5");
}

}  // namespace
