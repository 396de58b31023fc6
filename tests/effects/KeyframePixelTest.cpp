// Parameters on key curves as a viewer sees them: a picture moved by keys
// (held, looped, eased), the curve replaced mid-way by a setParam, and a
// seek landing on the curve's value at the new time.
#include "PlayedDemo.h"

using namespace pixeltest;

namespace {

// Where the white square's centre is along the middle row of a 64 x 64
// frame: the mean column of its bright pixels; -1 when none.
double squareColumn(const Frame& f) {
    double sum = 0;
    int n = 0;
    for (int x = 0; x < f.width; ++x)
        if (f.at(x, 32)[0] > 128) {
            sum += x;
            ++n;
        }
    return n ? sum / n : -1.0;
}

// x = -0.25, 0 and 0.25 put the square's centre at columns 16, 32 and 48.
const char* const kMoving =
    "event e0 timer time=0\n"
    "event e1 timer time=1.25\n"
    "p at e0 image start bitmap=white.png width=0.25 height=0.25 "
    "x=keys(0:-0.25,1:0.25:step,2:0,loop)\n";

}  // namespace

TEST(KeyframePixels, PictureFollowsItsKeysAndLoops) {
    PlayedDemo demo("keys");
    ASSERT_EQ(demo.play(kMoving, "64x64", 4, 3), 0) << demo.log();
    // Frame k shows time k/4; the loop's period is 2 s.
    const double expected[] = {16, 24, 32, 40, 48, 48, 48, 48, 16, 24, 32, 40};
    for (int k = 0; k < 12; ++k)
        EXPECT_NEAR(squareColumn(demo.frame(k)), expected[k], 1.0) << "frame " << k;
}

TEST(KeyframePixels, SetParamAndSeekLandOnTheCurve) {
    PlayedDemo demo("keysset");
    // At 1.25 s the curve stands at 0.25 (held by step); from there the
    // square moves left at 0.2 frame widths a second, the keys forgotten.
    ASSERT_EQ(demo.play(std::string(kMoving) + "p at e1 image setParam xVel=-0.2\n", "64x64", 4, 3),
              0)
        << demo.log();
    EXPECT_NEAR(squareColumn(demo.frame(5)), 48, 1.0);
    EXPECT_NEAR(squareColumn(demo.frame(9)), 48 - 0.2 * 64, 1.0) << "2.25 s: 1 s later";

    // A seek forward to 10.5 s: five periods on, half-way to the first bend.
    ::setenv("DEMOPLAYER_TEST_ACTIONS", "1:seek+10.25", 1);
    const int status = demo.run(kMoving, "--mode 64x64 --fixed-fps 4 --until 11 --capture frames");
    ::unsetenv("DEMOPLAYER_TEST_ACTIONS");
    ASSERT_EQ(status, 0) << demo.log();
    EXPECT_NEAR(squareColumn(demo.frame(1)), 32, 1.0);
}
