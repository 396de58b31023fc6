// Key lists as values of animated parameters: each mode between keys, the
// ends, loops, beats, the faults with their places, and how a parameter on
// a curve is replaced by a later command.
#include <string>
#include <vector>

#include "ScriptTestSupport.h"
#include "script/AnimatedParameter.h"
#include "script/KeyCurve.h"

namespace {

class KeyCurveTest : public ScriptTest {
protected:
    static std::shared_ptr<const KeyCurve> curve(const std::string& text) {
        KeyListFault fault;
        auto c = KeyCurve::parse(text, fault);
        EXPECT_TRUE(c) << text << ": " << fault.message;
        return c;
    }
    static KeyListFault faultOf(const std::string& text) {
        KeyListFault fault;
        EXPECT_FALSE(KeyCurve::parse(text, fault)) << text;
        return fault;
    }
};

TEST_F(KeyCurveTest, EachModeTravelsFromItsKeyToTheNext) {
    struct Case {
        const char* mode;
        float quarter, half, threeQuarters;
    };
    // From 2 at time 1 to 6 at time 3: u = 0.25, 0.5, 0.75.
    const Case cases[] = {{"", 0.25f, 0.5f, 0.75f},           {":linear", 0.25f, 0.5f, 0.75f},
                          {":STEP", 0.0f, 0.0f, 0.0f},        {":Smooth", 0.15625f, 0.5f, 0.84375f},
                          {":ramp", 0.0625f, 0.25f, 0.5625f}, {":out", 0.4375f, 0.75f, 0.9375f}};
    for (const Case& c : cases) {
        auto k = curve(std::string("keys(1:2") + c.mode + ",3:6)");
        ASSERT_TRUE(k);
        EXPECT_FLOAT_EQ(k->valueAt(0.0f), 2.0f) << c.mode << " before the first key";
        EXPECT_FLOAT_EQ(k->valueAt(1.0f), 2.0f) << c.mode;
        EXPECT_FLOAT_EQ(k->valueAt(1.5f), 2.0f + 4.0f * c.quarter) << c.mode;
        EXPECT_FLOAT_EQ(k->valueAt(2.0f), 2.0f + 4.0f * c.half) << c.mode;
        EXPECT_FLOAT_EQ(k->valueAt(2.5f), 2.0f + 4.0f * c.threeQuarters) << c.mode;
        EXPECT_FLOAT_EQ(k->valueAt(3.0f), 6.0f) << c.mode << " at the last key";
        EXPECT_FLOAT_EQ(k->valueAt(1e6f), 6.0f) << c.mode << " long after";
    }
    // Each key's own mode applies up to the next key; one key is a constant.
    auto mixed = curve("keys(0:0:step,1:10,2:20:smooth,4:0)");
    EXPECT_FLOAT_EQ(mixed->valueAt(0.9f), 0.0f);
    EXPECT_FLOAT_EQ(mixed->valueAt(1.5f), 15.0f);
    EXPECT_FLOAT_EQ(mixed->valueAt(3.0f), 10.0f);
    EXPECT_FLOAT_EQ(curve("keys(5:-1.5e1)")->valueAt(0.0f), -15.0f);
    EXPECT_FLOAT_EQ(curve("KEYS(+0:1)")->valueAt(9.0f), 1.0f);
}

TEST_F(KeyCurveTest, LoopRepeatsWithTheLastKeysTime) {
    auto k = curve("keys(0.5:0,1:1:step,2:3,loop)");
    ASSERT_TRUE(k);
    EXPECT_TRUE(k->loops());
    for (float period : {0.0f, 2.0f, 200.0f}) {
        EXPECT_FLOAT_EQ(k->valueAt(period + 0.25f), 0.0f) << "held before the first key";
        EXPECT_FLOAT_EQ(k->valueAt(period + 0.75f), 0.5f);
        EXPECT_FLOAT_EQ(k->valueAt(period + 1.5f), 1.0f);
    }
    EXPECT_FLOAT_EQ(k->valueAt(1.999f), 1.0f);
    EXPECT_FLOAT_EQ(curve("keys(0:0,1:1,Loop)")->valueAt(1.25f), 0.25f);
}

TEST_F(KeyCurveTest, BeatsCountAtTheScriptsTempo) {
    MusicTempo tempo;
    tempo.musicBpm = 120.0f;
    setCurrentTempo(&tempo);
    auto k = curve("keys(0:0,2b:1,3:2,8B:0)");
    ASSERT_TRUE(k);
    EXPECT_FLOAT_EQ(k->keys()[1].time, 1.0f);
    EXPECT_FLOAT_EQ(k->keys()[3].time, 4.0f);
    EXPECT_FLOAT_EQ(curve("keys(0.5b:1)")->keys()[0].time, 0.25f);
    // 2 beats at 120 bpm is 1 s: the same time twice.
    EXPECT_NE(faultOf("keys(1:0,2b:1)").message.find("times must increase"), std::string::npos);
    tempo.musicBpm = 0.0f;
    EXPECT_NE(faultOf("keys(0:0,2b:1)").message.find("tempo"), std::string::npos);
}

TEST_F(KeyCurveTest, FaultsSayWhatIsWrongAndWhere) {
    struct Case {
        const char* text;
        const char* says;
        size_t offset;
    };
    const Case cases[] = {
        {"keys(0:1,2:3", "no closing ')'", 12},
        {"keys(0:1)x", "text after", 9},
        {"keys()", "key 1 is empty", 5},
        {"keys(0:1,,2:3)", "key 2 is empty", 9},
        {"keys(0:1,2)", "key 2 has no value", 9},
        {"keys(0:1,2:)", "key 2 has no value", 11},
        {"keys(0:1:2:3)", "more than three parts", 5},
        {"keys(a:1)", "the time \"a\" is not a number", 5},
        {"keys(1:nan)", "the value \"nan\" is not a number", 7},
        {"keys(1:1e99)", "is not a number", 7},
        {"keys(-1:0)", "must not be negative", 5},
        {"keys(0:0,2:1,1:2)", "key 3: times must increase, but 1 comes after 2", 13},
        {"keys(0:0,1:1:bounce)", "unknown mode \"bounce\" (linear, step, smooth, ramp or out)", 13},
        {"keys(0:0,loop,1:1)", "\"loop\" must be the last item", 9},
        {"keys(loop)", "\"loop\" needs keys", 5},
        {"keys(0:1,loop)", "after time 0", 9},
    };
    for (const Case& c : cases) {
        const KeyListFault fault = faultOf(c.text);
        EXPECT_NE(fault.message.find(c.says), std::string::npos) << c.text << ": " << fault.message;
        EXPECT_EQ(fault.offset, c.offset) << c.text << ": " << fault.message;
    }
    std::string many = "keys(";
    for (size_t i = 0; i < KeyCurve::kMaxKeys; ++i) many += std::to_string(i) + ":0,";
    many.back() = ')';
    EXPECT_TRUE(curve(many));
    many.back() = ',';
    EXPECT_NE(faultOf(many + "99999:0)").message.find("more than 4096 keys"), std::string::npos);
}

TEST_F(KeyCurveTest, ParameterFollowsTheCurveUntilACommandReplacesIt) {
    AnimatedParameter x("x", 0.0f);
    ArgumentList start = listOf("x=keys(0:0,2:4) xVel=1");
    x.reset(start, 10.0f);
    EXPECT_TRUE(x.hasCurve());
    EXPECT_FLOAT_EQ(x.valueAt(10.0f), 0.0f);
    EXPECT_FLOAT_EQ(x.valueAt(11.0f), 2.0f + 1.0f) << "velocity adds to the curve";
    // Only a velocity: from the value the curve has then, the curve gone.
    ArgumentList turn = listOf("xVel=-1");
    x.update(turn, 11.0f);
    EXPECT_FALSE(x.hasCurve());
    EXPECT_FLOAT_EQ(x.valueAt(11.0f), 3.0f);
    EXPECT_FLOAT_EQ(x.valueAt(13.0f), 1.0f);
    // A new key list counts from its own command's time.
    ArgumentList again = listOf("X=keys(1:5:ramp,2:7,loop)");
    x.update(again, 20.0f);
    EXPECT_FLOAT_EQ(x.valueAt(20.5f), 5.0f);
    EXPECT_FLOAT_EQ(x.valueAt(22.5f), 5.0f);
    EXPECT_FLOAT_EQ(x.valueAt(21.5f), 5.5f);
    // A plain value ends the curve.
    ArgumentList plain = listOf("x=2");
    x.update(plain, 30.0f);
    EXPECT_FLOAT_EQ(x.valueAt(35.0f), 2.0f);

    AnimatedParameter alpha("alpha", 1.0f, true);
    ArgumentList over = listOf("alpha=keys(0:-1,1:2)");
    alpha.reset(over, 0.0f);
    EXPECT_FLOAT_EQ(alpha.valueAt(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(alpha.valueAt(0.5f), 0.5f);
    EXPECT_FLOAT_EQ(alpha.valueAt(1.0f), 1.0f);
    ArgumentList hold = listOf("alphaVel=0");
    alpha.update(hold, 0.9f);
    EXPECT_FLOAT_EQ(alpha.valueAt(5.0f), 1.0f) << "continues from the limited value";
}

TEST_F(KeyCurveTest, CheckNamesTheFaultyKeyAtItsColumn) {
    AnimatedParameter x("x", 0.0f);
    AnimatedParameter y("y", 0.0f);
    ArgumentList args = listOf("bitmap=a.png x=keys(0:1,2:0.5:smoth) y=keys(0:1,1:2)");
    EXPECT_EQ(logOf([&] {
                  x.markUsed(args);
                  y.markUsed(args);
              }),
              "Error in test.qsc, line 3, pos 30: Key list of \"x\": key 2: unknown mode "
              "\"smoth\" (linear, step, smooth, ramp or out)\n");
    EXPECT_EQ(scriptPosition().pos, 37) << "the statement's position is left as it was";
    // Where a number is asked for, a key list is still a text; a quoted one
    // and a text parameter stay texts as before.
    ArgumentList other = listOf("xVel=keys(0:1) string=keys(0:1) x=\"keys(0:1)\"");
    EXPECT_NE(logOf([&] { x.markUsed(other); }).find("\"xVel\" is not a number"),
              std::string::npos);
    EXPECT_TRUE(other.requireString("string"));
    EXPECT_EQ(other.find("string").text(), "keys(0:1)");
    EXPECT_EQ(other.find("x").keyList(), nullptr);
}

}  // namespace
