// The distort grids as a viewer sees them: the neutral grid against the
// image module, a travelling wave moving an edge, edge colours beyond the
// picture, and the wrap mode left for later pictures, from frames the real
// binary captured headless.
#include "PlayedDemo.h"

using namespace pixeltest;

namespace {

// The first column of row `y` that is more blue than red; -1 when none.
int firstBlueColumn(const Frame& f, int y) {
    for (int x = 0; x < f.width; ++x) {
        const Rgb c = f.at(x, y);
        if (c[2] > c[0]) return x;
    }
    return -1;
}

}  // namespace

TEST(DistortPixels, NeutralGridAndStillWaveShowTheImageModulesPicture) {
    PlayedDemo demo("distortsame");
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e1 timer time=1\n"
                        "event e2 timer time=2\n"
                        "p at e0 image start bitmap=quad.png\n"
                        "p at e1 identityDistort start bitmap=quad.png\n"
                        "p at e2 waveDistort start bitmap=quad.png xAmp=0 yAmp=0\n",
                        "64x64", 2, 3),
              0)
        << demo.log();
    const Frame image = demo.frame(1);
    for (int k : {3, 5}) {
        const Frame grid = demo.frame(k);
        int differing = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                if (!near(grid.at(x, y), image.at(x, y), 6)) ++differing;
        EXPECT_EQ(differing, 0) << "frame " << k;
    }
}

TEST(DistortPixels, WaveMovesAnEdgeByItsAmplitudeAndKeepsEdgeColours) {
    PlayedDemo demo("wave");
    // Left half red, right half blue.
    writePng(demo.dir() / "halves.png", 64, 64, false, [](int x, int) {
        return x < 32 ? Rgba{255, 0, 0, 255} : Rgba{0, 0, 255, 255};
    });
    // Every row slides by 0.1 sin(2 pi 0.25 t): by 0 at t = 0, a tenth of
    // the picture to the left at t = 1, a tenth to the right at t = 3.
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "w at e0 waveDistort start bitmap=halves.png xAmp=0.1 yAmp=0 xRipples=0 "
                        "xchange=0.25\n",
                        "128x128", 4, 3.5),
              0)
        << demo.log();
    for (int y : {10, 64, 120}) {
        EXPECT_NEAR(firstBlueColumn(demo.frame(0), y), 64, 2) << "still at t = 0, row " << y;
        EXPECT_NEAR(firstBlueColumn(demo.frame(4), y), 51, 2) << "moved left, row " << y;
        EXPECT_NEAR(firstBlueColumn(demo.frame(12), y), 77, 2) << "moved right, row " << y;
    }
    // Coordinates pulled beyond the picture take its edge colour, not a
    // darkened one and not the opposite edge.
    EXPECT_TRUE(near(demo.frame(4).at(127, 64), kBlue));
    EXPECT_TRUE(near(demo.frame(12).at(0, 64), kRed));
}

TEST(DistortPixels, LaterPicturesWrapAgain) {
    PlayedDemo demo("wrap");
    // Two texels, red | green: at the left edge a wrapping texture mixes
    // in the green texel from the other side, an edge-clamped one does not.
    writePng(demo.dir() / "pair.png", 2, 1, false, [](int x, int) {
        return x == 0 ? Rgba{255, 0, 0, 255} : Rgba{0, 255, 0, 255};
    });
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e1 timer time=1\n"
                        "p at e0 identityDistort start bitmap=pair.png\n"
                        "p at e1 image start bitmap=pair.png\n",
                        "128x128", 2, 2),
              0)
        << demo.log();
    EXPECT_TRUE(near(demo.frame(1).at(0, 64), kRed)) << "the grid clamps to the edge";
    EXPECT_GT(demo.frame(3).at(0, 64)[1], 60) << "the image module's picture wraps again";
}
