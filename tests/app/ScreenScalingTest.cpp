// Full screen and windows as today's desktops have them, seen on a virtual X
// server of 1280x800 without a window manager: the frame is drawn at the
// chosen size and shown scaled into the window, its aspect kept, between
// black bars; captures stay at the chosen size. The player writes the
// window's picture as shown through its test hook.
#include "RunProgram.h"

#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<png_byte> rgb;  // top row first
    // The colour at (x, y), y from the top; -1s outside.
    std::array<int, 3> at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return {-1, -1, -1};
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

Picture readPicture(const fs::path& file) {
    Picture p;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) return p;
    image.format = PNG_FORMAT_RGB;
    p.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) return Picture{};
    p.width = static_cast<int>(image.width);
    p.height = static_cast<int>(image.height);
    return p;
}

void writeRed(const fs::path& file) {
    std::vector<png_byte> pixels(8 * 8 * 3);
    for (std::size_t i = 0; i < pixels.size(); i += 3) pixels[i] = 255;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = image.height = 8;
    image.format = PNG_FORMAT_RGB;
    png_image_write_to_file(&image, file.c_str(), 0, pixels.data(), 0, nullptr);
}

bool red(const std::array<int, 3>& c) {
    return c[0] > 200 && c[1] < 40 && c[2] < 40;
}
bool black(const std::array<int, 3>& c) {
    return c[0] < 8 && c[1] < 8 && c[2] < 8;
}

bool haveXvfb() {
    return std::system("command -v xvfb-run >/dev/null 2>&1") == 0;
}

// A demo whose frame is red all over, played on the virtual screen with
// `actions` and `options`.
class ScreenScaling : public testing::Test {
protected:
    void SetUp() override {
        if (!haveXvfb()) GTEST_SKIP() << "xvfb-run is not installed";
        writeDemo(dir_.path() / "demo",
                  "event e0 timer time=0\n"
                  "pic at e0 image start bitmap=red.png\n");
        writeRed(dir_.path() / "demo" / "red.png");
    }
    RunResult play(const std::string& actions, const std::string& options) {
        const fs::path out = dir_.path() / "stdout.txt", err = dir_.path() / "stderr.txt";
        const std::string cmd = "DEMOPLAYER_TEST_ACTIONS='" + actions +
                                "' SDL_AUDIODRIVER=dummy xvfb-run -a -s "
                                "'-screen 0 1280x800x24' env -u SDL_VIDEODRIVER '" +
                                std::string(DP_BINARY) + "' " + playerRendererArguments() + "-C '" +
                                (dir_.path() / "demo").string() +
                                "' --batch --fixed-fps 4 --until 3 --capture '" +
                                (dir_.path() / "frames").string() + "' " + options + " >'" +
                                out.string() + "' 2>'" + err.string() + "' </dev/null";
        const int raw = std::system(cmd.c_str());
        RunResult r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }
    fs::path file(const std::string& name) const { return dir_.path() / name; }
    std::string at(const std::string& name) const { return file(name).string(); }

    ScratchDir dir_{"scaling"};
};

}  // namespace

// 640x480 on a 1280x800 screen: 1066x800 in the middle, 107 columns of black
// on the left and the rest on the right; the captures stay 640x480.
TEST_F(ScreenScaling, FullScreenFillsTheDesktopWithThePictureScaledBetweenBars) {
    const RunResult r = play("2:window=" + at("full.png"), "--mode 640x480 --fullscreen");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("Mode Switch Failed"), std::string::npos) << r.err;
    const Picture shown = readPicture(file("full.png"));
    ASSERT_EQ(shown.width, 1280);
    ASSERT_EQ(shown.height, 800);
    for (int y : {0, 400, 799}) {
        EXPECT_TRUE(black(shown.at(106, y))) << y;
        EXPECT_TRUE(red(shown.at(107, y))) << y;
        EXPECT_TRUE(red(shown.at(1172, y))) << y;
        EXPECT_TRUE(black(shown.at(1173, y))) << y;
    }
    const Picture captured = readPicture(file("frames/frame_000002.png"));
    EXPECT_EQ(captured.width, 640);
    EXPECT_EQ(captured.height, 480);
    EXPECT_TRUE(red(captured.at(320, 240)));
}

// A frame larger than the screen is scaled down: 1920x1080 as 1280x720 with
// 40 rows of black above and below.
TEST_F(ScreenScaling, ALargerFrameIsScaledDown) {
    const RunResult r = play("2:window=" + at("big.png"), "--mode 1920x1080 --fullscreen");
    ASSERT_EQ(r.status, 0) << r.err;
    const Picture shown = readPicture(file("big.png"));
    ASSERT_EQ(shown.width, 1280);
    ASSERT_EQ(shown.height, 800);
    for (int x : {0, 640, 1279}) {
        EXPECT_TRUE(black(shown.at(x, 39))) << x;
        EXPECT_TRUE(red(shown.at(x, 40))) << x;
        EXPECT_TRUE(red(shown.at(x, 759))) << x;
        EXPECT_TRUE(black(shown.at(x, 760))) << x;
    }
    EXPECT_EQ(readPicture(file("frames/frame_000002.png")).width, 1920);
}

// F1 to a window and back: the window is the frame's size, then the
// desktop's again with the same picture.
TEST_F(ScreenScaling, SwitchingTwiceReturnsToTheSameScreen) {
    const RunResult r = play("1:window=" + at("a.png") + ",2:fullscreen,4:window=" + at("b.png") +
                                 ",5:fullscreen,7:window=" + at("c.png"),
                             "--mode 640x480 --fullscreen");
    ASSERT_EQ(r.status, 0) << r.err;
    const Picture before = readPicture(file("a.png")), windowed = readPicture(file("b.png")),
                  after = readPicture(file("c.png"));
    EXPECT_EQ(windowed.width, 640);
    EXPECT_EQ(windowed.height, 480);
    EXPECT_TRUE(red(windowed.at(0, 0)));
    ASSERT_EQ(after.width, before.width);
    ASSERT_EQ(after.height, before.height);
    EXPECT_EQ(after.rgb, before.rgb);
    EXPECT_EQ(readPicture(file("frames/frame_000011.png")).width, 640);
}

// A window the viewer makes taller shows the frame scaled to its width,
// between bars above and below.
TEST_F(ScreenScaling, AResizedWindowShowsTheFrameScaledToIt) {
    const RunResult r =
        play("1:resize=800x800,4:window=" + at("tall.png"), "--mode 640x480 --windowed");
    ASSERT_EQ(r.status, 0) << r.err;
    const Picture shown = readPicture(file("tall.png"));
    ASSERT_EQ(shown.width, 800);
    ASSERT_EQ(shown.height, 800);
    EXPECT_TRUE(black(shown.at(400, 99)));
    EXPECT_TRUE(red(shown.at(400, 100)));
    EXPECT_TRUE(red(shown.at(400, 699)));
    EXPECT_TRUE(black(shown.at(400, 700)));
    EXPECT_EQ(readPicture(file("frames/frame_000005.png")).width, 640);
}

// A mode switch the display cannot make falls back to full screen on the
// desktop, said on standard error, with no message box.
TEST_F(ScreenScaling, AModeSwitchTheDisplayCannotMakeIsFullScreenOnTheDesktop) {
    const RunResult r =
        play("2:window=" + at("switch.png"), "--mode 640x480 --fullscreen --switch-mode");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("Mode Switch Failed"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no 640x480 mode"), std::string::npos) << r.err;
    const Picture shown = readPicture(file("switch.png"));
    EXPECT_EQ(shown.width, 1280);
    EXPECT_TRUE(red(shown.at(640, 400)));
}
