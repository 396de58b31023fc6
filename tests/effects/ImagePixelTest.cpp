// Picture layers as a viewer sees them: placement, orientation, scaling,
// rotation, mirroring, filtering, blending, tinting and animated opacity,
// from frames the real binary captured headless.
#include "PlayedDemo.h"

using namespace pixeltest;

namespace {

const char* const kEvents =
    "event e0 timer time=0\n"
    "event e1 timer time=1\n"
    "event e2 timer time=2\n"
    "event e3 timer time=3\n"
    "event e4 timer time=4\n"
    "event e5 timer time=5\n"
    "event e6 timer time=6\n"
    "event e7 timer time=7\n";

// The four quadrant centres of a 64 x 64 frame, top left first.
void expectQuadrants(const Frame& f, const Rgb& topLeft, const Rgb& topRight, const Rgb& bottomLeft,
                     const Rgb& bottomRight, const char* what) {
    EXPECT_TRUE(near(f.at(16, 16), topLeft)) << what << ", top left";
    EXPECT_TRUE(near(f.at(48, 16), topRight)) << what << ", top right";
    EXPECT_TRUE(near(f.at(16, 48), bottomLeft)) << what << ", bottom left";
    EXPECT_TRUE(near(f.at(48, 48), bottomRight)) << what << ", bottom right";
}

}  // namespace

TEST(ImagePixels, PlacementOrientationScaleRotationAndStop) {
    PlayedDemo demo("geometry");
    // Two texels, red | green, for the filtering check.
    writePng(demo.dir() / "pair.png", 2, 1, false, [](int x, int) {
        return x == 0 ? Rgba{255, 0, 0, 255} : Rgba{0, 255, 0, 255};
    });
    // Two frames per second: frame 2k + 1 shows the state half a second
    // after event k.
    ASSERT_EQ(demo.play(std::string(kEvents) +
                            "p at e0 image start bitmap=quad.png\n"
                            "p at e1 image start bitmap=quad.png x=0.5\n"
                            "p at e2 image start bitmap=quad.png width=0.5 height=0.5\n"
                            "p at e3 image start bitmap=quad.png rotation=90\n"
                            "p at e4 image start bitmap=quad.png width=-1\n"
                            "p at e5 image start bitmap=pair.png\n"
                            "p at e6 image start bitmap=pair.png noAntialiasing=1\n"
                            "p at e7 image stop\n",
                        "64x64", 2, 8),
              0)
        << demo.log();

    // The picture fills the frame the right way up.
    expectQuadrants(demo.frame(1), kRed, kGreen, kBlue, kWhite, "full viewport");

    // x = 0.5 puts the centre on the right edge: the left half of the
    // picture fills the right half of the frame.
    const Frame moved = demo.frame(3);
    expectQuadrants(moved, kBlack, kRed, kBlack, kBlue, "moved half a width");
    EXPECT_TRUE(near(moved.at(34, 16), kRed));
    EXPECT_TRUE(near(moved.at(29, 16), kBlack));

    // Half the width and height, centred.
    const Frame small = demo.frame(5);
    EXPECT_TRUE(near(small.at(24, 24), kRed));
    EXPECT_TRUE(near(small.at(40, 24), kGreen));
    EXPECT_TRUE(near(small.at(24, 40), kBlue));
    EXPECT_TRUE(near(small.at(40, 40), kWhite));
    for (auto [x, y] : {std::pair{4, 4}, {60, 4}, {4, 60}, {60, 60}, {12, 32}, {32, 52}})
        EXPECT_TRUE(near(small.at(x, y), kBlack)) << x << ", " << y;

    // 90 degrees counter-clockwise: the top right corner comes to the top left.
    expectQuadrants(demo.frame(7), kGreen, kWhite, kRed, kBlue, "rotated 90 degrees");

    // A negative width mirrors left and right; nothing is culled.
    expectQuadrants(demo.frame(9), kGreen, kRed, kWhite, kBlue, "mirrored");

    // Two texels stretched over 64 pixels: blended between their centres,
    // unless drawn with nearest-pixel filtering.
    const Frame smooth = demo.frame(11);
    const Frame crisp = demo.frame(13);
    EXPECT_GT(smooth.at(24, 32)[1], 30) << "linear filtering mixes in the green texel";
    EXPECT_TRUE(near(crisp.at(24, 32), kRed));
    EXPECT_TRUE(near(crisp.at(40, 32), kGreen));

    // "stop" leaves nothing drawn.
    expectQuadrants(demo.frame(15), kBlack, kBlack, kBlack, kBlack, "stopped");
    EXPECT_TRUE(near(demo.frame(15).at(32, 32), kBlack));
}

TEST(ImagePixels, OpacityBlendingAndColourFactors) {
    PlayedDemo demo("blending");
    // "under" is red throughout; "over" (drawn after it) changes per event.
    ASSERT_EQ(demo.play(std::string(kEvents) +
                            "under at e0 image start bitmap=red.png\n"
                            "over at e0 image start bitmap=blue.png alpha=0.5\n"
                            "over at e1 image start bitmap=blue.png additiveBlending=1\n"
                            "over at e2 image start bitmap=halfblue.png\n"
                            "over at e3 image start bitmap=white.png red=1 green=0.5 blue=0\n"
                            "over at e4 image start bitmap=white.png alpha=0 alphaVel=0.5\n"
                            "over at e7 image stop\n",
                        "64x64", 2, 8),
              0)
        << demo.log();

    EXPECT_TRUE(near(demo.frame(1).at(32, 32), {128, 0, 128})) << "alpha 0.5 over red";
    EXPECT_TRUE(near(demo.frame(3).at(32, 32), {255, 0, 255})) << "added to red";
    // A new "start" without the flag blends normally again; the picture's
    // own alpha channel blends although "alpha" is 1.
    EXPECT_TRUE(near(demo.frame(5).at(32, 32), {127, 0, 128})) << "alpha-channel picture";
    EXPECT_TRUE(near(demo.frame(7).at(32, 32), {255, 128, 0})) << "white tinted orange, opaque";

    // alpha 0 rising 0.5 per second from t = 4: 0.25, 0.5, then held at 1.
    EXPECT_TRUE(near(demo.frame(9).at(32, 32), {255, 64, 64})) << "alpha 0.25";
    EXPECT_TRUE(near(demo.frame(10).at(32, 32), {255, 128, 128})) << "alpha 0.5";
    EXPECT_TRUE(near(demo.frame(13).at(32, 32), kWhite)) << "alpha held at 1";
    EXPECT_TRUE(near(demo.frame(15).at(32, 32), kRed)) << "over stopped";
}

TEST(ImagePixels, ScriptFaultsAndMissingPictures) {
    PlayedDemo demo("faults");
    EXPECT_EQ(demo.run("event e0 timer time=0\n"
                       "p at e0 image start bitmap=3\n"
                       "p at e0 image flip\n"
                       "p at e0 image setParam bitmap=quad.png alpha=high\n",
                       "--check"),
              1);
    EXPECT_NE(demo.log().find("scene: parameter \"bitmap\" must have data type string"),
              std::string::npos)
        << demo.log();
    EXPECT_NE(demo.log().find("image: command flip not supported"), std::string::npos);
    EXPECT_NE(demo.log().find("Optional parameter \"alpha\" is not a number"), std::string::npos);
    // "bitmap" is read only by "start".
    EXPECT_NE(demo.log().find("key \"bitmap\", value \"quad.png\" not recognized"),
              std::string::npos);

    // A missing PNG plays on, drawn white, and says so; a missing JPEG stops.
    EXPECT_EQ(demo.play("event e0 timer time=0\n"
                        "q at e0 image start bitmap=nothere.png red=0\n",
                        "64x64", 2, 1),
              0)
        << demo.log();
    EXPECT_TRUE(near(demo.frame(0).at(32, 32), {0, 255, 255})) << "white, tinted";
    EXPECT_NE(demo.log().find("pngLoad - nothere.png not found"), std::string::npos) << demo.log();
    EXPECT_EQ(demo.play("event e0 timer time=0\n"
                        "q at e0 image start bitmap=nothere.jpg\n",
                        "64x64", 2, 1),
              7);
    EXPECT_NE(demo.log().find("Bitmap file nothere.jpg not found, exiting"), std::string::npos)
        << demo.log();
}
