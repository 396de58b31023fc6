// A demo directory made by a test: generated pictures and a script, played
// headless by the real binary with frame capture, and the captured frames
// read back as pixels a viewer would see.
#pragma once

#include "RunProgram.h"

#include <gtest/gtest.h>
#include <png.h>

#include <unistd.h>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace pixeltest {

namespace fs = std::filesystem;

using Rgba = std::array<int, 4>;
using Rgb = std::array<int, 3>;

// Writes a PNG whose pixel (x, y), y counted from the top row, is
// `colour`(x, y); with `alpha` the fourth channel is kept.
inline void writePng(const fs::path& path, int w, int h, bool alpha,
                     const std::function<Rgba(int, int)>& colour) {
    const int channels = alpha ? 4 : 3;
    std::vector<png_byte> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgba c = colour(x, y);
            pixels.insert(pixels.end(), c.begin(), c.begin() + channels);
        }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr))
        << path;
}

// One captured frame, top row first as written by --capture.
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<png_byte> rgb;

    // The colour at (x, y), y counted from the top of the frame; -1s
    // outside the frame.
    Rgb at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return {-1, -1, -1};
        const size_t i = (static_cast<size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

inline bool readFrame(const fs::path& path, Frame& frame) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    frame.width = static_cast<int>(image.width);
    frame.height = static_cast<int>(image.height);
    frame.rgb.assign(PNG_IMAGE_SIZE(image), 0);
    return png_image_finish_read(&image, nullptr, frame.rgb.data(), 0, nullptr) != 0;
}

// Colours compare within a small tolerance: texture filtering and 8-bit
// blending round.
inline testing::AssertionResult near(const Rgb& seen, const Rgb& expected, int tolerance = 4) {
    for (int i = 0; i < 3; ++i) {
        if (std::abs(seen[i] - expected[i]) > tolerance)
            return testing::AssertionFailure()
                   << "saw (" << seen[0] << ", " << seen[1] << ", " << seen[2] << "), expected ("
                   << expected[0] << ", " << expected[1] << ", " << expected[2] << ")";
    }
    return testing::AssertionSuccess();
}

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kGreen{0, 255, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kGrey{128, 128, 128};

class PlayedDemo {
public:
    // A fresh demo directory with the loading-screen picture and the test
    // pictures: "quad.png" (64 x 64: red top left, green top right, blue
    // bottom left, white bottom right) and 8 x 8 plain "red.png",
    // "blue.png", "white.png", "grey.png", plus "halfblue.png", blue at
    // alpha 128.
    explicit PlayedDemo(const std::string& tag)
        : dir_(fs::temp_directory_path() / ("dp_modules_" + tag + "_" + std::to_string(getpid()))) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::copy_file(DP_LOADING_PICTURE, dir_ / "LoadingScreen.jpg");
        writePng(dir_ / "quad.png", 64, 64, false, [](int x, int y) -> Rgba {
            if (y < 32) return x < 32 ? Rgba{255, 0, 0, 255} : Rgba{0, 255, 0, 255};
            return x < 32 ? Rgba{0, 0, 255, 255} : Rgba{255, 255, 255, 255};
        });
        const std::pair<const char*, Rgba> plain[] = {{"red.png", {255, 0, 0, 255}},
                                                      {"blue.png", {0, 0, 255, 255}},
                                                      {"white.png", {255, 255, 255, 255}},
                                                      {"grey.png", {128, 128, 128, 255}}};
        for (const auto& [name, c] : plain)
            writePng(dir_ / name, 8, 8, false, [c = c](int, int) { return c; });
        writePng(dir_ / "halfblue.png", 8, 8, true, [](int, int) { return Rgba{0, 0, 255, 128}; });
    }
    ~PlayedDemo() { fs::remove_all(dir_); }
    PlayedDemo(const PlayedDemo&) = delete;
    PlayedDemo& operator=(const PlayedDemo&) = delete;

    // Plays `script` in a `mode` window ("64x64"), `fps` frames per second
    // of presentation time, until `until` seconds. Frame k shows time k/fps.
    // Returns the exit status; the log is kept.
    int play(const std::string& script, const std::string& mode, int fps, double until) {
        std::ostringstream options;
        options << "--mode " << mode << " --fixed-fps " << fps << " --until " << until
                << " --capture '" << (dir_ / "frames").string() << "'";
        return run(script, options.str());
    }

    // Runs the binary on `script` with `options` (shell words); returns the
    // exit status; the log is kept.
    int run(const std::string& script, const std::string& options) {
        std::ofstream(dir_ / "demo.qsc", std::ios::binary) << script;
        fs::remove_all(dir_ / "frames");
        const testsupport::RunResult r =
            testsupport::runDemoplayer("-C '" + dir_.string() + "' --batch " + options, dir_);
        log_ = r.err;
        return r.status;
    }

    // Frame k of the last play.
    Frame frame(int k) const {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.png", k);
        Frame f;
        EXPECT_TRUE(readFrame(dir_ / "frames" / name, f)) << "no frame " << k << "\n" << log_;
        if (f.rgb.empty()) {
            f.width = f.height = 1;
            f.rgb.assign(3, 0);
        }
        return f;
    }

    const std::string& log() const { return log_; }
    const fs::path& dir() const { return dir_; }

private:
    fs::path dir_;
    std::string log_;
};

}  // namespace pixeltest
