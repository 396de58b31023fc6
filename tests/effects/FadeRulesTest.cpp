// The fade module's rules: which track is upper, which way the amount runs,
// and that nothing it set up outlives the fade.
#include "ModuleRulesFixture.h"

#include "effects/FadeModule.h"

namespace {

FadeModule& fadeOn(Track& t) {
    return static_cast<FadeModule&>(*t.moduleFor("fade"));
}

}  // namespace

TEST(FadeAmount, RunsOverTheDurationUnclampedAndDegenerateDurationsAreComplete) {
    EXPECT_FLOAT_EQ(FadeModule::amountAt(10.0f, 10.0f, 2.0f, true), 0.0f);
    EXPECT_FLOAT_EQ(FadeModule::amountAt(11.0f, 10.0f, 2.0f, true), 0.5f);
    EXPECT_FLOAT_EQ(FadeModule::amountAt(13.0f, 10.0f, 2.0f, true), 1.5f);
    EXPECT_FLOAT_EQ(FadeModule::amountAt(9.0f, 10.0f, 2.0f, true), -0.5f);
    EXPECT_FLOAT_EQ(FadeModule::amountAt(11.5f, 10.0f, 2.0f, false), 0.25f);
    EXPECT_FLOAT_EQ(FadeModule::amountAt(13.0f, 10.0f, 2.0f, false), -0.5f);
    for (float duration : {0.0f, -0.0f, -3.0f}) {
        for (float t : {9.0f, 10.0f, 25.0f}) {
            EXPECT_EQ(FadeModule::amountAt(t, 10.0f, duration, true), 1.0f) << duration << " " << t;
            EXPECT_EQ(FadeModule::amountAt(t, 10.0f, duration, false), 0.0f)
                << duration << " " << t;
        }
    }
}

TEST_F(ModuleRules, HigherPriorityIsUpperAndEqualPrioritiesKeepToOnTop) {
    command("pic", "image", "start");
    command("world", "scene", "start");
    clock_.now = 4.0;
    // From the picture (100) to the scene (50): the picture stays on top
    // and fades out.
    ASSERT_TRUE(command("f", "fade", "start", {{"from", "pic"}, {"to", "world"}, {"time", "2"}}));
    FadeModule& fade = fadeOn(track("f"));
    EXPECT_EQ(fade.upper(), &track("pic"));
    EXPECT_FALSE(fade.fadingIn());
    EXPECT_EQ(dependency("world", "pic"), 1);
    EXPECT_TRUE(selected("pic")->fading);
    EXPECT_EQ(selected("pic")->fadeAmount, 1.0f) << "set from the start";
    fade.render(4.5f, nullptr, nullptr, nullptr);
    EXPECT_FLOAT_EQ(selected("pic")->fadeAmount, 0.75f);
    EXPECT_FALSE(selected("world")->fading);

    // Stop: no dependency, no fading flag.
    ASSERT_TRUE(command("f", "fade", "stop"));
    EXPECT_EQ(dependency("world", "pic"), 0);
    EXPECT_FALSE(selected("pic")->fading);
    EXPECT_EQ(selected("f"), nullptr);

    // Two pictures: "to" is on top and its amount rises.
    command("pic2", "image", "start");
    ASSERT_TRUE(command("f", "fade", "start", {{"from", "pic"}, {"to", "pic2"}, {"time", "2"}}));
    EXPECT_EQ(fade.upper(), &track("pic2"));
    EXPECT_TRUE(fade.fadingIn());
    fade.render(5.0f, nullptr, nullptr, nullptr);
    EXPECT_FLOAT_EQ(selected("pic2")->fadeAmount, 0.5f);
}

TEST_F(ModuleRules, AnotherCommandOnTheFadeTrackEndsTheFadeAsStopWould) {
    command("a", "image", "start");
    command("b", "text", "start");
    command("f", "fade", "start", {{"from", "a"}, {"to", "b"}, {"time", "1"}});
    ASSERT_EQ(dependency("a", "b"), 1);
    command("f", "dummyModule", "start");
    EXPECT_EQ(dependency("a", "b"), 0);
    EXPECT_FALSE(selected("b")->fading);
}

TEST_F(ModuleRules, SecondStartEndsTheRunningFadeFirst) {
    command("a", "image", "start");
    command("b", "image", "start");
    command("f", "fade", "start", {{"from", "a"}, {"to", "b"}, {"time", "1"}});
    command("f", "fade", "start", {{"from", "b"}, {"to", "a"}, {"time", "1"}});
    // The first fade's pair and flag are gone, so the reverse pair is no loop.
    EXPECT_EQ(dependency("a", "b"), 0);
    EXPECT_EQ(dependency("b", "a"), 1);
    EXPECT_FALSE(selected("b")->fading);
    EXPECT_TRUE(selected("a")->fading);
    EXPECT_TRUE(timeline_.tracks().sort());
}

TEST_F(ModuleRules, FadeAbortsWhenIdleOrWithoutAModuleToFade) {
    EXPECT_EXIT(command("f", "fade", "stop"), testing::ExitedWithCode(23),
                "FadeModule - stop called without tracks set, aborting\n");
    EXPECT_EXIT(command("f", "fade", "start", {{"from", "x"}, {"to", "y"}, {"time", "1"}}),
                testing::ExitedWithCode(4658 % 256),
                "Fading using a track with no selected module, aborting\n");
    command("g", "fade", "setParam");  // selects the module without starting a fade
    EXPECT_EXIT(timeline_.tracks().draw(0.0f), testing::ExitedWithCode(465 % 256),
                "Fade module: rendering after module has been stopped, aborting\n");
}
