#include <limits>
#include <string>

#include "ScriptTestSupport.h"
#include "script/AnimatedParameter.h"
#include "script/ArgumentList.h"
#include "script/Tokenizer.h"

namespace {

class AnimatedParameterTest : public ScriptTest {};

ArgumentList listOf(const std::string& line) {
    Tokenizer tokens(line);
    return ArgumentList(tokens);
}

TEST_F(AnimatedParameterTest, ResetReadsValueVelocityAccelerationInAnyCase) {
    AnimatedParameter p("xDiff", 7.0f);
    ArgumentList args = listOf("XDIFF=1 xdiffvel=2 xDiffAcc=4");
    p.reset(args, 10.0f);
    EXPECT_FLOAT_EQ(p.valueAt(10.0f), 1.0f);
    EXPECT_FLOAT_EQ(p.valueAt(13.0f), 1.0f + 2.0f * 3.0f + 4.0f * 9.0f * 0.5f);
    EXPECT_EQ(logOf([&] { args.warnUnused(); }), "");  // all three marked used

    ArgumentList other = listOf("xDiff=text xDiffVel=fast");
    p.reset(other, 0.0f);
    EXPECT_FLOAT_EQ(p.value(), 0.0f);
    EXPECT_FLOAT_EQ(p.velocity(), 0.0f);
    ArgumentList none;
    p.reset(none, 0.0f);
    EXPECT_FLOAT_EQ(p.value(), 7.0f);
    EXPECT_FALSE(scriptErrorFlag());  // reset itself never reports
}

TEST_F(AnimatedParameterTest, ClampHoldsEveryEvaluationToUnitRange) {
    AnimatedParameter alpha("alpha", 1.0f, true);
    ArgumentList rising = listOf("alphaVel=0.5");
    alpha.reset(rising, 0.0f);
    EXPECT_FLOAT_EQ(alpha.value(), 1.0f);
    EXPECT_FLOAT_EQ(alpha.valueAt(4.0f), 1.0f);
    ArgumentList falling = listOf("alpha=0.5 alphaVel=-1");
    alpha.reset(falling, 0.0f);
    EXPECT_FLOAT_EQ(alpha.valueAt(0.25f), 0.25f);
    EXPECT_FLOAT_EQ(alpha.valueAt(2.0f), 0.0f);
    // Infinity minus infinity: not a number, which clamps to 1.
    ArgumentList broken;
    broken.set("alpha", ArgumentValue(std::numeric_limits<float>::infinity()));
    broken.set("alphaVel", ArgumentValue(-std::numeric_limits<float>::infinity()));
    alpha.reset(broken, 0.0f);
    EXPECT_FLOAT_EQ(alpha.valueAt(1.0f), 1.0f);
}

TEST_F(AnimatedParameterTest, UpdateContinuesFromCurrentPositionWithWhatIsGiven) {
    AnimatedParameter p("zoom", 0.0f);
    ArgumentList start = listOf("zoom=1 zoomVel=2 zoomAcc=2");
    p.reset(start, 0.0f);

    ArgumentList nothing = listOf("other=1");
    p.update(nothing, 1.0f);  // neither key: keeps moving as before
    EXPECT_FLOAT_EQ(p.startTime(), 0.0f);
    EXPECT_FLOAT_EQ(p.valueAt(1.0f), 4.0f);

    ArgumentList onlyAcc = listOf("ZOOMACC=-2");
    p.update(onlyAcc, 1.0f);
    EXPECT_FLOAT_EQ(p.value(), 4.0f);
    EXPECT_FLOAT_EQ(p.velocity(), 0.0f);
    EXPECT_FLOAT_EQ(p.acceleration(), -2.0f);
    EXPECT_FLOAT_EQ(p.valueAt(3.0f), 0.0f);

    ArgumentList onlyVel = listOf("zoomVel=text");  // a text counts as given, as 0
    p.update(onlyVel, 3.0f);
    EXPECT_FLOAT_EQ(p.value(), 0.0f);
    EXPECT_FLOAT_EQ(p.velocity(), 0.0f);
    EXPECT_FLOAT_EQ(p.acceleration(), 0.0f);

    // Exactly -1e10 stands for "not given".
    ArgumentList sentinel = listOf("zoomVel=-10000000000");
    p.update(sentinel, 5.0f);
    EXPECT_FLOAT_EQ(p.startTime(), 3.0f);

    ArgumentList value = listOf("zoom=9");  // the value key means reset
    p.update(value, 6.0f);
    EXPECT_FLOAT_EQ(p.value(), 9.0f);
    EXPECT_FLOAT_EQ(p.startTime(), 6.0f);
}

TEST_F(AnimatedParameterTest, MarkUsedChecksAllThreeKeys) {
    AnimatedParameter p("xDiff", 0.0f);
    ArgumentList args = listOf("xDiff=1 xDiffVel=fast xDiffAcc=2 extra=3");
    // Messages point at the last token read, "extra=3".
    const std::string log = logOf([&] {
        p.markUsed(args);
        args.warnUnused();
    });
    EXPECT_EQ(log,
              "Error in test.qsc, line 3, pos 33: Optional parameter \"xDiffVel\" is not a number\n"
              "Warning in test.qsc, line 3, pos 33: Argument list: key \"extra\", value \"3\" not "
              "recognized, will be ignored\n");
}

}  // namespace
