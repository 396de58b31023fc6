// The blur and text layers as a viewer sees them, and the script faults of
// the newer effects, from frames the real binary captured headless.
#include "PlayedDemo.h"

#include <functional>

using namespace pixeltest;

namespace {

// How many pixels of the rectangle [x0, x1) x [y0, y1) satisfy `test`.
int countPixels(const Frame& f, int x0, int y0, int x1, int y1,
                const std::function<bool(const Rgb&)>& test) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (test(f.at(x, y))) ++n;
    return n;
}

bool yellow(const Rgb& c) {
    return c[0] > 200 && c[1] > 200 && c[2] < 60;
}

// The last column of rows [y0, y1) holding a yellow pixel; -1 when none.
int lastYellowColumn(const Frame& f, int y0, int y1) {
    for (int x = f.width - 1; x >= 0; --x)
        if (countPixels(f, x, y0, x + 1, y1, yellow) > 0) return x;
    return -1;
}

}  // namespace

TEST(BlurPixels, SolidColourStaysAndABarSpreadsToTheRight) {
    PlayedDemo demo("blur");
    // A white bar over columns 24 to 31 on black.
    writePng(demo.dir() / "bar.png", 64, 64, false, [](int x, int) {
        return x >= 24 && x < 32 ? Rgba{255, 255, 255, 255} : Rgba{0, 0, 0, 255};
    });
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e1 timer time=1\n"
                        "b at e0 blur start bitmap=grey.png\n"
                        "b at e1 blur start bitmap=bar.png xDiff=0.1\n",
                        "64x64", 2, 2),
              0)
        << demo.log();
    for (auto [x, y] : {std::pair{32, 32}, {2, 2}, {61, 61}})
        EXPECT_TRUE(near(demo.frame(1).at(x, y), kGrey)) << x << ", " << y;

    // Copy i lies i tenths of the width to the right, fainter each time.
    const Frame spread = demo.frame(3);
    EXPECT_GT(spread.at(28, 32)[0], 100) << "the bar itself, dimmed by the black copies";
    EXPECT_GT(spread.at(36, 32)[0], 30) << "the first copy";
    EXPECT_GT(spread.at(44, 32)[0], 15) << "the second copy";
    EXPECT_TRUE(near(spread.at(18, 32), kBlack)) << "nothing spreads to the left";
}

TEST(BlurPixels, RoutedBlurIsCaptured) {
    PlayedDemo demo("blurrouted");
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "b at e0 blur start bitmap=red.png\n"
                        "i at e0 image start width=0.5 height=0.5\n"
                        "r at e0 route start source=b destination=i\n",
                        "64x64", 2, 1),
              0)
        << demo.log();
    const Frame f = demo.frame(1);
    EXPECT_TRUE(near(f.at(32, 32), kRed)) << "the cable holds the blur";
    EXPECT_TRUE(near(f.at(4, 4), kBlack)) << "nothing left on screen around it";
}

TEST(TextPixels, TopLeftInItsColourFadedByAlphaAndShownAsWritten) {
    PlayedDemo demo("text");
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e1 timer time=1\n"
                        "event e2 timer time=2\n"
                        "bg at e0 image start bitmap=blue.png\n"
                        "t at e0 text start string=\"WWWW\" red=1 green=1 blue=0\n"
                        "t at e1 text setParam alpha=0.5\n"
                        // As a format "W%%W" would print like "W%W" below it.
                        "t at e2 text setParam string=\"W%%W\" alpha=1\n"
                        "u at e2 text start string=\"W%W\" red=1 green=1 blue=0 y=0.5\n",
                        "320x240", 2, 3),
              0)
        << demo.log();

    const Frame f = demo.frame(1);
    EXPECT_GT(countPixels(f, 0, 0, 160, 24, yellow), 30);
    EXPECT_EQ(countPixels(f, 0, 24, 320, 240, yellow), 0) << "nothing below the baseline row";
    EXPECT_EQ(countPixels(f, 0, 0, 4, 240, yellow), 0) << "0.02 of the width from the edge";

    const Frame half = demo.frame(3);
    EXPECT_EQ(countPixels(half, 0, 0, 320, 240, yellow), 0);
    EXPECT_GT(countPixels(half, 0, 0, 160, 24, [](const Rgb& c) { return near(c, kGrey, 8); }), 30)
        << "yellow at half opacity over blue";

    // "%" is shown as written, never taken as a conversion.
    const Frame percent = demo.frame(5);
    EXPECT_GT(lastYellowColumn(percent, 0, 24), lastYellowColumn(percent, 120, 144) + 5);
    EXPECT_GT(lastYellowColumn(percent, 120, 144), 20);
}

TEST(TextPixels, AccentedLettersAreDrawnInTheirPlace) {
    PlayedDemo demo("textutf8");
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "a at e0 text start string=\"hello\" red=1 green=1 blue=0\n"
                        "b at e0 text start string=\"h\xc3\xa9llo\" red=1 green=1 blue=0 y=0.5\n",
                        "320x240", 2, 1),
              0)
        << demo.log();
    // "é" is as wide as "e" in this face: dropped, or read as two Latin-1
    // letters, it would move the rest of the word. Its accent adds pixels.
    const Frame f = demo.frame(1);
    EXPECT_EQ(lastYellowColumn(f, 120, 144), lastYellowColumn(f, 0, 24));
    EXPECT_GT(countPixels(f, 0, 120, 320, 144, yellow), countPixels(f, 0, 0, 320, 24, yellow));
}

TEST(TextPixels, DrawingWithoutTextStops) {
    PlayedDemo demo("notext");
    EXPECT_EQ(demo.play("event e0 timer time=0\nt at e0 text setParam x=0.5\n", "64x64", 2, 1), 23);
    EXPECT_NE(demo.log().find("text - no text string set, aborting"), std::string::npos)
        << demo.log();
}

TEST(EffectScripts, FaultsCarryEachModulesMessage) {
    PlayedDemo demo("effectfaults");
    EXPECT_EQ(demo.run("event e0 timer time=0\n"
                       "a at e0 tunnel flip\n"
                       "b at e0 blur wobble\n"
                       "c at e0 text start\n",
                       "--check"),
              1);
    for (const char* message :
         {"distort: command flip not supported", "image: command wobble not supported",
          "Required parameter \"string\" not set"})
        EXPECT_NE(demo.log().find(message), std::string::npos) << message << "\n" << demo.log();
}
