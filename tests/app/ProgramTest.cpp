// Runs the demoplayer binary headless, as authors and automation do.
#include "RunProgram.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

using testsupport::RunResult;

namespace {

class Program : public testing::Test {
protected:
    RunResult run(const std::string& args) { return testsupport::runDemoplayer(args, work_.path()); }
    std::string demoDir() const { return std::string(DP_SOURCE_DIR) + "/tests/support/data/minimal"; }
    testsupport::ScratchDir work_{testing::UnitTest::GetInstance()->current_test_info()->name()};
    const std::filesystem::path& workPath() const { return work_.path(); }
};

int countFrames(const fs::path& dir) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ".png") ++n;
    return n;
}

bool pngSize(const fs::path& file, png_uint_32& w, png_uint_32& h) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    bool ok = false;
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        png_read_info(png, info);
        w = png_get_image_width(png, info);
        h = png_get_image_height(png, info);
        ok = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return ok;
}

}  // namespace

TEST_F(Program, BatchRunEndsNormallyAtUntil) {
    RunResult r = run("-C '" + demoDir() + "' --batch --until 0.5");
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(Program, CaptureWritesOneFramePerStepBeforeUntil) {
    const fs::path cap = workPath() / "frames" / "nested";
    // 30 fps: frames at 0, 1/30, ... 14/30 are drawn; 15/30 = 0.5 is not.
    RunResult r = run("-C '" + demoDir() + "' --capture '" + cap.string() + "' --until 0.5");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(countFrames(cap), 15);
    EXPECT_TRUE(fs::exists(cap / "frame_000000.png"));
    EXPECT_TRUE(fs::exists(cap / "frame_000014.png"));
    png_uint_32 w = 0, h = 0;
    ASSERT_TRUE(pngSize(cap / "frame_000014.png", w, h));
    EXPECT_EQ(w, 640u);
    EXPECT_EQ(h, 480u);

    // The window size follows --mode; --start shifts the clock, not the numbering.
    const fs::path small = workPath() / "small";
    r = run("-C '" + demoDir() + "' --mode 320x200x16 --capture '" + small.string() +
            "' --fixed-fps 10 --start 3 --until 3.25");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(countFrames(small), 3);
    ASSERT_TRUE(pngSize(small / "frame_000002.png", w, h));
    EXPECT_EQ(w, 320u);
    EXPECT_EQ(h, 200u);
}

TEST_F(Program, UsageErrorsExitWithTwo) {
    for (const char* args : {"--bogus", "--mode 640", "--fixed-fps 0", "--until", "stray",
                             "-C /nonexistent/dir --batch"}) {
        RunResult r = run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("Usage: demoplayer"), std::string::npos) << args;
        EXPECT_TRUE(r.out.empty()) << args;
    }
}

TEST_F(Program, HelpAndVersionGoToStandardOutput) {
    RunResult r = run("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--capture DIR"), std::string::npos);
    r = run("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("demoplayer ", 0), 0u);
}

TEST_F(Program, FullScreenWithoutDisplayModeFallsBackToAWindow) {
    // The offscreen display has no 123x77 mode: the box text goes to
    // standard error in a batch run and the run goes on windowed.
    const fs::path cap = workPath() / "fs";
    RunResult r = run("-C '" + demoDir() + "' --mode 123x77 --fullscreen --capture '" +
                cap.string() + "' --until 0.05");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Mode Switch Failed.\nRunning In Windowed Mode."), std::string::npos);
    png_uint_32 w = 0, h = 0;
    ASSERT_TRUE(pngSize(cap / "frame_000000.png", w, h));
    EXPECT_EQ(w, 123u);
    EXPECT_EQ(h, 77u);
}

TEST_F(Program, StartingLateShowsWhatAFullRunShowsThen) {
    // The example's layers fade and move from the times of their events; a
    // run that starts at 12 s must show the frame a whole run shows at 12 s.
    const std::string example = std::string(DP_SOURCE_DIR) + "/examples/demo";
    const fs::path whole = workPath() / "whole", late = workPath() / "late";
    RunResult r = run("-C '" + example + "' --mode 320x240 --capture '" + whole.string() +
                      "' --fixed-fps 4 --until 12.1");
    ASSERT_EQ(r.status, 0) << r.err;
    r = run("-C '" + example + "' --mode 320x240 --capture '" + late.string() +
            "' --fixed-fps 4 --start 12 --until 12.1");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(countFrames(late), 1);
    EXPECT_EQ(testsupport::slurp(whole / "frame_000048.png"),
              testsupport::slurp(late / "frame_000000.png"));
}
