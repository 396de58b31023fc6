// The tunnel as a viewer sees it: walls in the picture's colour, a straight
// tube symmetric about both axes, opacity, additive blending and fades,
// from frames the real binary captured headless.
#include "PlayedDemo.h"

#include <cstdlib>

using namespace pixeltest;

TEST(TunnelPixels, WallsCarryThePictureAndAStraightTubeIsSymmetric) {
    PlayedDemo demo("tunnel");
    writePng(demo.dir() / "green.png", 8, 8, false, [](int, int) { return Rgba{0, 255, 0, 255}; });
    // Colour changes along the tube only (with the picture's rows) and
    // wraps round without a jump.
    writePng(demo.dir() / "rows.png", 8, 64, false, [](int, int y) {
        const int level = std::abs(63 - 2 * y) * 4;
        return Rgba{level, 255 - level, 128, 255};
    });
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e1 timer time=1\n"
                        "t at e0 tunnel start bitmap=green.png\n"
                        "t at e1 tunnel start bitmap=rows.png twistX=0 twistY=0\n",
                        "256x256", 2, 2),
              0)
        << demo.log();

    const Frame walls = demo.frame(0);
    for (auto [x, y] : {std::pair{2, 128}, {253, 128}, {128, 2}, {128, 253}, {2, 2}, {253, 253}})
        EXPECT_TRUE(near(walls.at(x, y), kGreen)) << x << ", " << y;

    const Frame straight = demo.frame(3);
    // The far end is open: the middle shows what lies behind the tube.
    EXPECT_TRUE(near(straight.at(128, 128), kBlack));
    EXPECT_FALSE(near(straight.at(100, 128), kBlack));
    for (int y = 8; y < 256; y += 24) {
        for (int x = 8; x < 128; x += 24) {
            EXPECT_TRUE(near(straight.at(x, y), straight.at(255 - x, y), 12))
                << "left-right at " << x << ", " << y;
            EXPECT_TRUE(near(straight.at(x, y), straight.at(x, 255 - y), 12))
                << "top-bottom at " << x << ", " << y;
        }
    }
}

TEST(TunnelPixels, OpacityAdditiveBlendingAndFades) {
    PlayedDemo demo("tunnelblend");
    // "bg" is mentioned first and drawn first.
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e1 timer time=1\n"
                        "event e2 timer time=2\n"
                        "event e3 timer time=3\n"
                        "event e4 timer time=4\n"
                        "bg at e0 image start bitmap=red.png\n"
                        "t at e0 tunnel start bitmap=blue.png alpha=0.5\n"
                        "t at e1 tunnel start bitmap=blue.png additiveBlending=1\n"
                        "t at e2 tunnel start bitmap=blue.png\n"
                        "t at e3 tunnel stop\n"
                        "t at e4 tunnel start bitmap=blue.png\n"
                        "f at e4 fade start from=bg to=t time=2\n",
                        "64x64", 2, 5.5),
              0)
        << demo.log();
    // Near the frame's edge the walls cover the picture behind.
    const auto wall = [&](int k) { return demo.frame(k).at(3, 32); };
    EXPECT_TRUE(near(wall(1), {128, 0, 128})) << "alpha 0.5";
    EXPECT_TRUE(near(wall(3), {255, 0, 255})) << "added, though opaque";
    EXPECT_TRUE(near(wall(5), kBlue)) << "a new start without the flag";
    EXPECT_TRUE(near(wall(7), kRed)) << "stopped";
    // Half a second into a two-second fade: the amount is 0.25.
    EXPECT_TRUE(near(wall(9), {191, 0, 64})) << "fading in";
}
