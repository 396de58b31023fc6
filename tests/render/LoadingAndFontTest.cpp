// The loading screen's picture and bar, and the overlay font's glyphs, read
// back from the frame.
#include "GLContext.h"
#include "base/Utf8.h"
#include "gfx/Gfx.h"
#include "render/OverlayFont.h"
#include "render/PictureLoadingScreen.h"

#include <unistd.h>
#include <filesystem>
#include <string>

namespace {

bool isBarGrey(const std::array<int, 3>& p) {
    return std::abs(p[0] - 166) <= 2 && std::abs(p[1] - 166) <= 2 && std::abs(p[2] - 166) <= 2;
}

void enterDemoDirectory() {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("dp_loading_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::copy_file(std::string(DP_SOURCE_DIR) + "/tests/support/data/minimal/LoadingScreen.jpg",
                  dir / "LoadingScreen.jpg", fs::copy_options::overwrite_existing);
    fs::current_path(dir);
}

}  // namespace

// First: the texture registry keeps the picture once another test found it.
TEST(LoadingScreen, MissingPictureStops) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("dp_noloading_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::current_path(dir);
    EXPECT_EXIT(
        {
            GLContext gl(320, 200);
            PictureLoadingScreen screen(0.0f, 0.0f);
        },
        testing::ExitedWithCode(346 % 256), "loader screen image not found, aborting\n");
}

TEST(LoadingScreen, BarGrowsWithTheReportedShare) {
    enterDemoDirectory();
    GLContext gl(800, 600);
    ASSERT_TRUE(gl.ok());
    PictureLoadingScreen screen(40.0f, 0.0f);
    testing::internal::CaptureStderr();
    screen.addProgress(10.0f);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Progress bar: 10.000000 added, now at 0.250000\n");
    gfx::clear(gfx::colourBuffer);
    screen.draw(0.0f);
    EXPECT_FLOAT_EQ(screen.fraction(), 0.25f);

    const int y = static_cast<int>(0.29f * gl.height());
    // The bar runs from 5 % to 5 % + 90 % x 0.25 = 27.5 % of the width.
    EXPECT_TRUE(isBarGrey(gl.pixel(static_cast<int>(0.06f * gl.width()), y)));
    EXPECT_TRUE(isBarGrey(gl.pixel(static_cast<int>(0.27f * gl.width()), y)));
    EXPECT_FALSE(isBarGrey(gl.pixel(static_cast<int>(0.29f * gl.width()), y)));
    // The picture fills the full height in the middle 76 % of the width only.
    EXPECT_EQ(gl.pixel(static_cast<int>(0.05f * gl.width()), gl.height() / 2),
              (std::array<int, 3>{0, 0, 0}));
    EXPECT_NE(gl.pixel(gl.width() / 2, gl.height() - 2), (std::array<int, 3>{0, 0, 0}));
    EXPECT_FALSE(gfx::isEnabled(gfx::Cap::texture2D));
}

TEST(OverlayFont, GlyphsLandAtTheRasterPositionInTheirColour) {
    GLContext gl(640, 480);
    ASSERT_TRUE(gl.ok());
    EXPECT_EQ(OverlayFont::heightFor(480), 27);
    EXPECT_EQ(OverlayFont::heightFor(768), 43);
    EXPECT_EQ(OverlayFont::heightFor(200), 11);
    OverlayFont& font = OverlayFont::instance();
    ASSERT_TRUE(font.build(480));

    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::loadIdentity();
    gfx::ortho(0, 640, 0, 480, -1, 1);
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::colour(1.0f, 1.0f, 0.0f);
    // A control character draws nothing and takes no room.
    const float twoH = font.printFrom(100, 200, "H\x01H");
    auto litAround = [&](int x0, int y0, int x1, int y1) {
        int lit = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                auto p = gl.pixel(x, y);
                if (p[0] > 200 && p[1] > 200 && p[2] < 50) ++lit;
            }
        return lit;
    };
    // Above the baseline, right of the pen: the two H's, in yellow.
    EXPECT_GT(litAround(100, 200, 160, 230), 40);
    // Nothing below the baseline (H has no descender) or far to the right.
    EXPECT_EQ(litAround(100, 185, 160, 199), 0);
    EXPECT_EQ(litAround(170, 195, 260, 240), 0);

    EXPECT_EQ(twoH, 2 * font.printFrom(100, 300, "H"));
    // A space draws nothing but still moves the pen; a start outside the
    // view shows nothing.
    EXPECT_GT(font.printFrom(100, 100, " "), 2.0f);
    gfx::clear(gfx::colourBuffer);
    EXPECT_EQ(font.printFrom(-5, 200, "H"), 0.0f);
    EXPECT_EQ(litAround(0, 190, 60, 240), 0);
    // The textures' record and texturing are as they were.
    EXPECT_FALSE(gfx::isEnabled(gfx::Cap::texture2D));
    EXPECT_FALSE(gfx::isEnabled(gfx::Cap::alphaTest));

    // printAt places text in the top-left corner of the window.
    gfx::clear(gfx::colourBuffer);
    font.printAt(0.0f, 0.0f, "%2.2f fps", 59.94);
    EXPECT_GT(litAround(10, 480 - 40, 120, 480 - 10), 20);
    font.destroy();
    EXPECT_FALSE(font.built());
}

TEST(Utf8, ValidCharactersAndEachInvalidStretchAsOneReplacement) {
    const char32_t bad = kReplacementCharacter;
    const std::pair<std::string, std::u32string> cases[] = {
        {"h\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80!", {U'h', 0xe9, 0x20ac, 0x1f600, U'!'}},
        {"\xe9t\xe9", {bad, U't', bad}},                      // Latin-1, not UTF-8
        {"\x80\xbf", {bad, bad}},                             // stray continuation bytes
        {"\xc0\xaf\xe0\x80\xaf", {bad, bad, bad, bad, bad}},  // overlong forms
        {"\xed\xa0\x80", {bad, bad, bad}},                    // a surrogate
        {"\xf4\x90\x80\x80\xf5", {bad, bad, bad, bad, bad}},  // past U+10FFFF
        {"\xe2\x82"
         "A\xf0\x9f\x98",
         {bad, U'A', bad}},  // cut short: the next byte is kept
    };
    for (const auto& [bytes, characters] : cases)
        EXPECT_EQ(decodeUtf8(bytes), characters) << testing::PrintToString(bytes);
}

TEST(OverlayFont, ReadsUtf8AndMakesOtherGlyphsOnFirstUse) {
    GLContext gl(640, 480);
    ASSERT_TRUE(gl.ok());
    OverlayFont& font = OverlayFont::instance();
    ASSERT_TRUE(font.build(480));
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::loadIdentity();
    gfx::ortho(0, 640, 0, 480, -1, 1);
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::colour(1.0f, 1.0f, 1.0f);
    // How far printing `text` moves the pen; its picture is left at 100, 200.
    auto advance = [&](const std::string& text) {
        gfx::clear(gfx::colourBuffer);
        return font.printFrom(100, 200, text.c_str());
    };
    auto picture = [&] {
        std::vector<std::array<int, 3>> pixels;
        for (int y = 190; y < 240; ++y)
            for (int x = 95; x < 125; ++x) pixels.push_back(gl.pixel(x, y));
        return pixels;
    };

    // The accented letter is one character of its own: as wide as its base
    // letter in this face, not dropped and not two Latin-1 letters.
    const float e = advance("e");
    const auto plain = picture();
    EXPECT_GT(e, 0.0f);
    EXPECT_EQ(advance("\xc3\xa9"), e);
    EXPECT_NE(picture(), plain) << "the accent is drawn";
    EXPECT_EQ(advance("\xc3\xa9"), e) << "the glyph's list is reused";

    // Invalid bytes take the place of one replacement character each
    // stretch; a sequence cut short at the end is safe.
    const float replacement = advance("\xef\xbf\xbd");
    EXPECT_GT(replacement, 0.0f);
    EXPECT_EQ(advance("\xe2\x82"), replacement);
    EXPECT_EQ(advance("\xff\xc3"), 2 * replacement);

    // The cut counts characters, not bytes.
    std::string many;
    for (int i = 0; i < 300; ++i) many += "\xc3\xa9";
    EXPECT_EQ(advance(many), OverlayFont::kMaxText * e);

    // A rebuild at another height makes those glyphs again, at the new size.
    font.destroy();
    ASSERT_TRUE(font.build(768));
    EXPECT_GT(advance("\xc3\xa9"), e);
    font.destroy();
}
