// Cross-fades and routed layers as a viewer sees them, from frames the real
// binary captured headless.
#include "PlayedDemo.h"

using namespace pixeltest;

TEST(FadePixels, CrossFadeBetweenTwoPicturesRisesToTheUpperOne) {
    PlayedDemo demo("crossfade");
    // "b" is mentioned first, so only the fade's dependency draws it on top.
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e3 timer time=3\n"
                        "b at e0 image start bitmap=blue.png\n"
                        "a at e0 image start bitmap=red.png\n"
                        "f at e0 fade start from=a to=b time=2\n"
                        "f at e3 fade stop\n",
                        "64x64", 4, 4),
              0)
        << demo.log();
    EXPECT_TRUE(near(demo.frame(0).at(32, 32), kRed)) << "amount 0 at the start";
    EXPECT_TRUE(near(demo.frame(2).at(32, 32), {191, 0, 64})) << "a quarter";
    EXPECT_TRUE(near(demo.frame(4).at(32, 32), {128, 0, 128})) << "the midpoint";
    EXPECT_TRUE(near(demo.frame(10).at(32, 32), kBlue)) << "past the end, before stop";
    EXPECT_TRUE(near(demo.frame(14).at(32, 32), kBlue)) << "after stop";
}

TEST(FadePixels, HigherPriorityTrackIsUpperAndDegenerateTimesCompleteAtOnce) {
    PlayedDemo demo("fadeorder");
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e2 timer time=2\n"
                        "event e3 timer time=3\n"
                        "event e4 timer time=4\n"
                        "event e5 timer time=5\n"
                        "i at e0 image start bitmap=red.png\n"
                        "d at e0 dummyModule start\n"
                        // To the dummy track: the picture is upper and fades out.
                        "f at e0 fade start from=i to=d time=4\n"
                        "f at e2 fade stop\n"
                        // No time at all: complete at once, in either direction.
                        "f at e3 fade start from=d to=i time=0\n"
                        "f at e4 fade start from=i to=d time=0\n"
                        "f at e5 fade start from=d to=i time=-2\n",
                        "64x64", 4, 6),
              0)
        << demo.log();
    EXPECT_TRUE(near(demo.frame(2).at(32, 32), {223, 0, 0})) << "7/8 after half a second";
    EXPECT_TRUE(near(demo.frame(6).at(32, 32), {159, 0, 0})) << "5/8 after 1.5 s";
    EXPECT_TRUE(near(demo.frame(10).at(32, 32), kRed)) << "after stop";
    EXPECT_TRUE(near(demo.frame(12).at(32, 32), kRed)) << "zero time, in, first frame";
    EXPECT_TRUE(near(demo.frame(14).at(32, 32), kRed)) << "zero time, in";
    EXPECT_TRUE(near(demo.frame(16).at(32, 32), kBlack)) << "zero time, out, first frame";
    EXPECT_TRUE(near(demo.frame(18).at(32, 32), kBlack)) << "zero time, out";
    EXPECT_TRUE(near(demo.frame(22).at(32, 32), kRed)) << "negative time, in";
}

TEST(RoutePixels, RoutedTrackIsSeenOnlyThroughItsCable) {
    PlayedDemo demo("route");
    // 96 x 64: cables hold the lower left 64 x 64. "back" is drawn before
    // "src" in the draw order and must survive the capture.
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e1 timer time=1\n"
                        "back at e0 image start bitmap=grey.png\n"
                        "src at e0 image start bitmap=quad.png\n"
                        "dst at e0 image start bitmap=red.png width=0.5 height=0.5\n"
                        "r at e0 route start source=src destination=dst\n"
                        "r at e1 route setParam\n"
                        "r at e1 route stop\n"
                        "dst at e1 image stop\n",
                        "96x64", 2, 2),
              0)
        << demo.log();

    // Routed: the backdrop everywhere but the small destination layer, which
    // shows the source picture, upright, instead of its own red.
    const Frame routed = demo.frame(1);
    for (auto [x, y] : {std::pair{4, 4}, {91, 4}, {4, 59}, {91, 59}, {48, 8}, {16, 32}})
        EXPECT_TRUE(near(routed.at(x, y), kGrey)) << x << ", " << y;
    EXPECT_TRUE(near(routed.at(30, 20), kRed));
    EXPECT_TRUE(near(routed.at(66, 20), kGreen));
    EXPECT_TRUE(near(routed.at(30, 44), kBlue));
    EXPECT_TRUE(near(routed.at(66, 44), kWhite));

    // Stopped: the source draws onto the screen again, over the backdrop.
    const Frame after = demo.frame(3);
    EXPECT_TRUE(near(after.at(10, 10), kRed));
    EXPECT_TRUE(near(after.at(86, 10), kGreen));
    EXPECT_TRUE(near(after.at(10, 54), kBlue));
    EXPECT_TRUE(near(after.at(86, 54), kWhite));
    EXPECT_NE(demo.log().find("Route: command \"setParam\" not recognized"), std::string::npos);
}
