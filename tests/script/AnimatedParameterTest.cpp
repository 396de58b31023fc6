#include <limits>
#include <string>

#include "ScriptTestSupport.h"
#include "script/AnimatedParameter.h"

namespace {

class AnimatedParameterTest : public ScriptTest {};

TEST_F(AnimatedParameterTest, ResetAndMarkUsedHandleTheThreeKeysInAnyCase) {
    AnimatedParameter p("xDiff", 7.0f);
    ArgumentList args = listOf("XDIFF=1 xdiffvel=2 xDiffAcc=4 extra=3");
    p.reset(args, 10.0f);
    EXPECT_FLOAT_EQ(p.valueAt(13.0f), 1.0f + 2.0f * 3.0f + 4.0f * 9.0f * 0.5f);
    ArgumentList texts = listOf("xDiff=text xDiffVel=fast");  // texts count as 0
    p.reset(texts, 0.0f);
    EXPECT_FLOAT_EQ(p.valueAt(1.0f), 0.0f);
    ArgumentList none;
    p.reset(none, 0.0f);
    EXPECT_FLOAT_EQ(p.valueAt(1.0f), 7.0f);

    args.clearUsed();
    EXPECT_EQ(logOf([&] {
                  p.markUsed(texts);
                  p.markUsed(args);
                  args.warnUnused();
              }),
              "Error in test.qsc, line 3, pos 11: Optional parameter \"xDiff\" is not a number\n"
              "Error in test.qsc, line 3, pos 11: Optional parameter \"xDiffVel\" is not a number\n"
              "Warning in test.qsc, line 3, pos 11: Argument list: key \"extra\", value \"3\" not "
              "recognized, will be ignored\n");
}

TEST_F(AnimatedParameterTest, ClampHoldsEveryEvaluationToUnitRange) {
    AnimatedParameter alpha("alpha", 1.0f, true);
    ArgumentList rising = listOf("alphaVel=0.5");
    alpha.reset(rising, 0.0f);
    EXPECT_FLOAT_EQ(alpha.valueAt(4.0f), 1.0f);
    ArgumentList falling = listOf("alpha=0.5 alphaVel=-1");
    alpha.reset(falling, 0.0f);
    EXPECT_FLOAT_EQ(alpha.valueAt(2.0f), 0.0f);
    ArgumentList broken;  // infinity minus infinity: not a number, clamps to 1
    broken.set("alpha", ArgumentValue(std::numeric_limits<float>::infinity()));
    broken.set("alphaVel", ArgumentValue(-std::numeric_limits<float>::infinity()));
    alpha.reset(broken, 0.0f);
    EXPECT_FLOAT_EQ(alpha.valueAt(1.0f), 1.0f);
}

TEST_F(AnimatedParameterTest, UpdateContinuesFromTheCurrentPositionWithWhatIsGiven) {
    AnimatedParameter p("zoom", 0.0f);
    ArgumentList start = listOf("zoom=1 zoomVel=2 zoomAcc=2");
    p.reset(start, 0.0f);
    ArgumentList nothing = listOf("other=1 zoomVel=-10000000000");  // -1e10: not given
    p.update(nothing, 1.0f);
    EXPECT_FLOAT_EQ(p.startTime(), 0.0f);

    ArgumentList onlyAcc = listOf("ZOOMACC=-2");
    p.update(onlyAcc, 1.0f);
    EXPECT_FLOAT_EQ(p.velocity(), 0.0f);
    EXPECT_FLOAT_EQ(p.valueAt(1.0f), 4.0f);
    EXPECT_FLOAT_EQ(p.valueAt(3.0f), 0.0f);

    ArgumentList textVel = listOf("zoomVel=text");  // given, as 0
    p.update(textVel, 3.0f);
    EXPECT_FLOAT_EQ(p.acceleration(), 0.0f);
    EXPECT_FLOAT_EQ(p.valueAt(9.0f), 0.0f);

    ArgumentList value = listOf("zoom=9");  // the value key resets
    p.update(value, 6.0f);
    EXPECT_FLOAT_EQ(p.valueAt(6.0f), 9.0f);
}

}  // namespace
