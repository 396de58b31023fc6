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
        return testsupport::runDemoplayer(
            "-C '" + work_.path().string() + "' --batch --mode 64x64 --fixed-fps 10 --until 0.2",
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
    EXPECT_TRUE(
        png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0, nullptr));
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
    testsupport::RunResult r = play(
        "event e0 timer time=0\n"
        "a at e0 image start bitmap=garbage.jpg\n");
    EXPECT_EQ(r.status, 3467 & 0xff) << r.err;
    EXPECT_NE(r.err.find("DibLoader - garbage.jpg is not a JPEG or BMP picture, or is damaged\n"
                         "DibLoader - getType failed, aborting\n"),
              std::string::npos)
        << r.err;

    removed_.push_back("LoadingScreen.jpg");
    r = play(
        "event e0 timer time=0\n"
        "a at e0 image start bitmap=garbage.jpg\n");
    EXPECT_EQ(r.status, 346 & 0xff) << r.err;
    EXPECT_NE(r.err.find("Loading screen - picture data//LoadingScreen.jpg (LoadingScreen.jpg) "
                         "not found\nloader screen image not found, aborting\n"),
              std::string::npos)
        << r.err;
    // The loading screen is checked before any module loads.
    EXPECT_EQ(r.err.find("garbage.jpg"), std::string::npos) << r.err;
}

namespace {

// Runs `body` with the picture decoders' worker count set to `workers`.
template <typename Body>
auto withLoadWorkers(const char* workers, Body body) {
    setenv("DEMOPLAYER_LOAD_WORKERS", workers, 1);
    auto result = body();
    unsetenv("DEMOPLAYER_LOAD_WORKERS");
    return result;
}

}  // namespace

// Pictures and scenes read ahead on worker threads are taken where the load
// pass asks for them: the log (progress lines, every decoder message, the scene
// reader's lines) is the same whatever the number of workers, and the same
// as decoding each picture on the spot.
TEST_F(PictureFaults, LoadLogIsTheSameWithAnyNumberOfWorkers) {
    const fs::path example = fs::path(DP_SOURCE_DIR) / "examples/demo";
    for (const char* name :
         {"dawn.jpg", "flagstones.jpg", "rings.jpg", "tiles.jpg", "title.png", "courtyard.scn"})
        fs::copy_file(example / name, work_.path() / name);
    const std::string png = smallPng();
    write("cut.png", png.substr(0, png.size() - 16));
    // The scene loads first, so its textures are made (and decoded) where
    // its read asks for them, between its own lines.
    std::string script = "event e0 timer time=0\ns at e0 scene start file=courtyard.scn\n";
    const char* pictures[] = {"dawn.jpg",  "title.png",      "cut.png",  "missing.png", "rings.jpg",
                              "tiles.jpg", "flagstones.jpg", "dawn.jpg", "title.png"};
    for (int round = 0; round < 3; ++round)
        for (const char* picture : pictures)
            script += "t" + std::to_string(round) + picture +
                      " at e0 image start bitmap=" + picture + "\n";

    const testsupport::RunResult onTheSpot = withLoadWorkers("0", [&] { return play(script); });
    ASSERT_EQ(onTheSpot.status, 0) << onTheSpot.err;
    EXPECT_EQ(count(onTheSpot.err, "Progress bar:"), 28u) << onTheSpot.err;
    EXPECT_EQ(count(onTheSpot.err, "pngLoad - "), 2u) << onTheSpot.err;
    for (const char* workers : {"1", "3"}) {
        SCOPED_TRACE(workers);
        const testsupport::RunResult r = withLoadWorkers(workers, [&] { return play(script); });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, onTheSpot.err);
        EXPECT_EQ(r.out, onTheSpot.out);
    }
}

// A missing JPEG ends the run where the load pass reaches it: after the
// progress lines of the pictures before it and before any line about the
// pictures after it, which the workers may well have decoded already.
TEST_F(PictureFaults, MissingJpegStopsWhereTheLoadReachesIt) {
    write("a.png", smallPng());
    write("late.png", "not a picture");
    const std::string script =
        "event e0 timer time=0\n"
        "a at e0 image start bitmap=a.png\n"
        "b at e0 image start bitmap=LoadingScreen.jpg\n"
        "c at e0 image start bitmap=a.png\n"
        "d at e0 image start bitmap=gone.jpg\n"
        "e at e0 image start bitmap=late.png\n"
        "f at e0 image start bitmap=a.png\n";
    for (const char* workers : {"0", "1", "2"}) {
        SCOPED_TRACE(workers);
        const testsupport::RunResult r = withLoadWorkers(workers, [&] { return play(script); });
        EXPECT_EQ(r.status, 7) << r.err;
        EXPECT_EQ(count(r.err, "Progress bar:"), 3u) << r.err;
        EXPECT_NE(r.err.find("Progress bar: 10.000000 added, now at 0.500000\n"
                             "Bitmap file gone.jpg not found, exiting\n"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.err.find("late.png"), std::string::npos) << r.err;
    }

    // A scene whose texture is missing stops at that texture, read ahead or
    // not: nothing the reader says after it (the meshes come later) is shown.
    fs::copy_file(fs::path(DP_SOURCE_DIR) / "examples/demo/courtyard.scn",
                  work_.path() / "courtyard.scn");
    const std::string sceneScript =
        "event e0 timer time=0\n"
        "a at e0 image start bitmap=a.png\n"
        "s at e0 scene start file=courtyard.scn\n"
        "e at e0 image start bitmap=late.png\n";
    const testsupport::RunResult onTheSpot =
        withLoadWorkers("0", [&] { return play(sceneScript); });
    EXPECT_EQ(onTheSpot.status, 7);
    EXPECT_NE(onTheSpot.err.find("Bitmap file flagstones.jpg not found"), std::string::npos)
        << onTheSpot.err;
    EXPECT_EQ(count(onTheSpot.out, "numfaces:"), 0u) << onTheSpot.out;
    const testsupport::RunResult ahead = withLoadWorkers("2", [&] { return play(sceneScript); });
    EXPECT_EQ(ahead.status, 7);
    EXPECT_EQ(ahead.err, onTheSpot.err);
    EXPECT_EQ(ahead.out, onTheSpot.out);
}
