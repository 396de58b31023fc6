// Smooth edges as a viewer sees them in captured frames: --msaa gives a
// turned picture's edges partial coverage and leaves its inside alone, a
// routed, blurred picture looks the same only smoother, and asking for more
// samples than the driver has still plays.
#include "PlayedDemo.h"

using namespace pixeltest;

namespace {

// Pixels neither black nor white: partial coverage of an edge.
int partlyCovered(const Frame& f) {
    int n = 0;
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) n += f.at(x, y)[0] > 16 && f.at(x, y)[0] < 240;
    return n;
}

double meanDifference(const Frame& a, const Frame& b) {
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size() && i < b.rgb.size(); ++i)
        sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    return sum / static_cast<double>(std::max<size_t>(a.rgb.size(), 1));
}

const char* const kTurnedSquare =
    "event e0 timer time=0\n"
    "p at e0 image start bitmap=white.png width=0.5 height=0.5 rotation=30\n";

}  // namespace

TEST(MultisamplePixels, TurnedSquareHasSoftEdgesOnlyWithMsaa) {
    PlayedDemo demo("msaa");
    ASSERT_EQ(demo.run(kTurnedSquare, "--mode 64x64 --fixed-fps 2 --until 1 --capture frames"), 0)
        << demo.log();
    const Frame hard = demo.frame(1);
    EXPECT_EQ(partlyCovered(hard), 0);
    ASSERT_EQ(
        demo.run(kTurnedSquare, "--mode 64x64 --fixed-fps 2 --until 1 --capture frames --msaa 4"),
        0)
        << demo.log();
    EXPECT_EQ(demo.log().find("Anti-aliasing"), std::string::npos) << demo.log();
    const Frame soft = demo.frame(1);
    EXPECT_GT(partlyCovered(soft), 40) << "the square's four edges";
    EXPECT_TRUE(near(soft.at(32, 32), kWhite)) << "inside";
    EXPECT_TRUE(near(soft.at(2, 2), kBlack)) << "outside";
    EXPECT_LT(meanDifference(hard, soft), 8.0);
}

TEST(MultisamplePixels, RoutedBlurLooksTheSameOnlySmoother) {
    PlayedDemo demo("msaablur");
    // The turned square goes through a cable into a zooming blur whose
    // copies fade: every frame reads the frame back into a texture.
    const std::string script =
        "event e0 timer time=0\n"
        "p at e0 image start bitmap=white.png width=0.5 height=0.5 rotation=30 rotationVel=20\n"
        "b at e0 blur start nCopies=4 firstAlpha=0.5 alphaDiff=-0.1 widthDiff=0.05 "
        "heightDiff=0.05\n"
        "r at e0 route start source=p destination=b\n";
    ASSERT_EQ(demo.run(script, "--mode 64x64 --fixed-fps 4 --until 1 --capture frames"), 0)
        << demo.log();
    const Frame hard = demo.frame(3);
    ASSERT_EQ(demo.run(script, "--mode 64x64 --fixed-fps 4 --until 1 --capture frames --msaa 4"), 0)
        << demo.log();
    const Frame soft = demo.frame(3);
    EXPECT_GT(soft.at(32, 32)[0], 100) << "the square, seen through the blur";
    EXPECT_TRUE(near(soft.at(32, 32), hard.at(32, 32), 2)) << "inside, as without";
    EXPECT_TRUE(near(soft.at(1, 1), hard.at(1, 1), 2)) << "the corner, as without";
    EXPECT_LT(meanDifference(hard, soft), 8.0);
    EXPECT_GT(meanDifference(hard, soft), 0.0) << "the edges differ";
}

TEST(MultisamplePixels, MoreSamplesThanTheDriverHasStillPlayAndAreNamedOnce) {
    PlayedDemo demo("msaa16");
    ASSERT_EQ(
        demo.run(kTurnedSquare, "--mode 64x64 --fixed-fps 2 --until 1 --capture frames --msaa 16"),
        0)
        << demo.log();
    EXPECT_GT(partlyCovered(demo.frame(1)), 40);
    const std::string& log = demo.log();
    const size_t said = log.find("Anti-aliasing: 16 samples asked for");
    // A driver with 16 samples has nothing to say.
    if (said != std::string::npos) {
        EXPECT_EQ(log.find("Anti-aliasing", said + 1), std::string::npos) << log;
    }
}
