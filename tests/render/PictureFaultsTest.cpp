// Pictures that cannot be had, seen from the outside: the real binary plays
// a demo headless, and its log and exit status tell what went wrong where.
#include "RunProgram.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class PictureFaults : public testing::Test {
protected:
    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(work_.path() / name, std::ios::binary) << bytes;
    }

    // Plays `script` in the scratch directory for a few frames.
    testsupport::RunResult play(const std::string& script) {
        testsupport::writeDemo(work_.path(), script);
        for (const std::string& name : removed_) fs::remove(work_.path() / name);
        return testsupport::runDemoplayer("-C '" + work_.path().string() +
                                              "' --batch --mode 64x64 --fixed-fps 10 --until 0.2",
                                          work_.path());
    }

    static std::size_t count(const std::string& text, const std::string& part) {
        std::size_t n = 0;
        for (std::size_t at = text.find(part); at != std::string::npos;
             at = text.find(part, at + 1))
            ++n;
        return n;
    }

    testsupport::ScratchDir work_{testing::UnitTest::GetInstance()->current_test_info()->name()};
    std::vector<std::string> removed_;
};

std::string smallPng() {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 4;
    image.height = 4;
    image.format = PNG_FORMAT_RGB;
    const std::vector<png_byte> pixels(4 * 4 * 3, 200);
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr));
    std::string bytes(size, '\0');
    EXPECT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0,
                                          nullptr));
    return bytes;
}

}  // namespace

TEST_F(PictureFaults, PngFaultsPlayOnAndNameEachFileOnce) {
    const std::string png = smallPng();
    write("cut.png", png.substr(0, png.size() - 16));
    write("text.png", "a picture in words");
    write("broken.zip", "PK, but no archive");
    // Two tracks naming the same missing file: one texture, one line.
    const testsupport::RunResult r = play(
        "event e0 timer time=0\n"
        "a at e0 image start bitmap=data\\misspelt.png\n"
        "b at e0 image start bitmap=data\\misspelt.png\n"
        "c at e0 image start bitmap=text.png\n"
        "d at e0 image start bitmap=cut.png\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count(r.err, "pngLoad - data\\misspelt.png not found"), 1u) << r.err;
    EXPECT_EQ(count(r.err, "pngLoad - text.png is not a PNG file"), 1u) << r.err;
    EXPECT_EQ(count(r.err, "pngLoad - cut.png is damaged"), 1u) << r.err;
    EXPECT_EQ(count(r.err, "broken.zip"), 1u) << r.err;
    EXPECT_NE(r.err.find("archive ./broken.zip skipped: not a zip archive"), std::string::npos)
        << r.err;
}

TEST_F(PictureFaults, FatalStopsNameThePictureFirst) {
    write("garbage.jpg", "no picture in here");
    testsupport::RunResult r = play("event e0 timer time=0\n"
                                    "a at e0 image start bitmap=garbage.jpg\n");
    EXPECT_EQ(r.status, 3467 & 0xff) << r.err;
    EXPECT_NE(r.err.find("DibLoader - garbage.jpg is not a JPEG or BMP picture, or is damaged\n"
                         "DibLoader - getType failed, aborting\n"),
              std::string::npos)
        << r.err;

    removed_.push_back("LoadingScreen.jpg");
    r = play("event e0 timer time=0\n"
             "a at e0 image start bitmap=garbage.jpg\n");
    EXPECT_EQ(r.status, 346 & 0xff) << r.err;
    EXPECT_NE(r.err.find("Loading screen - picture data//LoadingScreen.jpg (LoadingScreen.jpg) "
                         "not found\nloader screen image not found, aborting\n"),
              std::string::npos)
        << r.err;
    // The loading screen is checked before any module loads.
    EXPECT_EQ(r.err.find("garbage.jpg"), std::string::npos) << r.err;
}
