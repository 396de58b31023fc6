#include "app/Options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Parsed {
    ParseStatus status;
    Options options;
    std::string error;
};

Parsed parse(std::vector<const char*> args) {
    args.insert(args.begin(), "demoplayer");
    Parsed p;
    p.status = parseOptions(static_cast<int>(args.size()), args.data(), p.options, p.error);
    return p;
}

}  // namespace

TEST(Options, NoOptionsMeansTheViewerPath) {
    Parsed p = parse({});
    ASSERT_EQ(p.status, ParseStatus::ok);
    EXPECT_FALSE(p.options.batch);
    EXPECT_FALSE(p.options.mode);
    EXPECT_FALSE(p.options.fixedFps);
    EXPECT_FALSE(p.options.until);
    EXPECT_EQ(p.options.start, 0.0);
}

TEST(Options, ModeForms) {
    Parsed p = parse({"--mode", "800x600"});
    ASSERT_EQ(p.status, ParseStatus::ok);
    EXPECT_EQ(p.options.mode->width, 800);
    EXPECT_EQ(p.options.mode->height, 600);
    EXPECT_EQ(p.options.mode->bitsPerPixel, 32);
    EXPECT_FALSE(p.options.batchMode().fullScreen);

    p = parse({"--mode=1024x768x16", "--fullscreen"});
    ASSERT_EQ(p.status, ParseStatus::ok);
    EXPECT_EQ(p.options.batchMode().bitsPerPixel, 16);
    EXPECT_TRUE(p.options.batchMode().fullScreen);

    // Without --mode a batch run uses 640x480x32 windowed.
    p = parse({"--batch"});
    EXPECT_EQ(p.options.batchMode().width, 640);
    EXPECT_EQ(p.options.batchMode().height, 480);
    EXPECT_EQ(p.options.batchMode().bitsPerPixel, 32);
    EXPECT_FALSE(p.options.batchMode().fullScreen);
}

TEST(Options, BadValuesAreRejected) {
    for (auto args : std::vector<std::vector<const char*>>{{"--mode", "800"},
                                                           {"--mode", "800x600x24"},
                                                           {"--mode", "0x600"},
                                                           {"--mode", "800x600x"},
                                                           {"--mode", "axb"},
                                                           {"--mode"},
                                                           {"--fixed-fps", "0"},
                                                           {"--fixed-fps", "-5"},
                                                           {"--fixed-fps", "30fps"},
                                                           {"--fixed-fps", "nan"},
                                                           {"--start", "-1"},
                                                           {"--start", ""},
                                                           {"--until", "x"},
                                                           {"--start", "10", "--until", "5"},
                                                           {"--until", "0"},
                                                           {"--capture", ""},
                                                           {"-C"},
                                                           {"--bogus"},
                                                           {"one", "two"},
                                                           {"--batch=1"},
                                                           {"--video", ""},
                                                           {"--video-quality", "-1"},
                                                           {"--video-quality", "high"},
                                                           {"--video-codec", ""},
                                                           {"--msaa", "3"},
                                                           {"--msaa", "-4"},
                                                           {"--msaa", "32"},
                                                           {"--msaa", "4x"},
                                                           {"--msaa"},
                                                           {"--renderer", "gl2"},
                                                           {"--renderer", "GLES2"},
                                                           {"--renderer"}}) {
        Parsed p = parse(args);
        EXPECT_EQ(p.status, ParseStatus::error) << args[0];
        EXPECT_FALSE(p.error.empty());
    }
}

TEST(Options, CaptureImpliesBatchAndThirtyFps) {
    Parsed p = parse({"--capture", "out"});
    ASSERT_EQ(p.status, ParseStatus::ok);
    EXPECT_TRUE(p.options.batch);
    EXPECT_EQ(*p.options.fixedFps, 30.0);

    // An explicit rate wins, wherever it stands.
    p = parse({"--fixed-fps", "60", "--capture", "out"});
    EXPECT_EQ(*p.options.fixedFps, 60.0);
    p = parse({"--capture", "out", "--fixed-fps", "25"});
    EXPECT_EQ(*p.options.fixedFps, 25.0);
}

TEST(Options, VideoImpliesBatchAndSixtyFpsAlsoWithCapture) {
    Parsed p = parse(
        {"--capture", "out", "--video", "a.mp4", "--video-quality=20", "--video-codec", "mpeg4"});
    ASSERT_EQ(p.status, ParseStatus::ok);
    EXPECT_TRUE(p.options.batch);
    EXPECT_EQ(*p.options.fixedFps, 60.0);
    EXPECT_EQ(p.options.videoFile, "a.mp4");
    EXPECT_EQ(*p.options.videoQuality, 20.0);
    EXPECT_EQ(p.options.videoCodec, "mpeg4");
    p = parse({"--video", "a.mp4", "--fixed-fps", "25"});
    EXPECT_EQ(*p.options.fixedFps, 25.0);
}

// Smooth edges are asked for; a video has them unless told otherwise.
TEST(Options, MultisamplingDefaultsAndChoices) {
    EXPECT_EQ(parse({}).options.batchMode().samples, 0);
    EXPECT_EQ(parse({"--capture", "out"}).options.batchMode().samples, 0);
    EXPECT_EQ(parse({"--video", "a.mp4"}).options.batchMode().samples, 4);
    EXPECT_EQ(parse({"--video", "a.mp4", "--msaa", "0"}).options.batchMode().samples, 0);
    for (int n : {0, 2, 4, 8, 16}) {
        const std::string value = std::to_string(n);
        Parsed p = parse({"--mode", "800x600", "--msaa", value.c_str()});
        ASSERT_EQ(p.status, ParseStatus::ok) << n;
        EXPECT_EQ(p.options.batchMode().samples, n);
        EXPECT_EQ(*p.options.msaa, n);
    }
}

// The renderer is the fixed-function one unless asked for.
TEST(Options, RendererChoice) {
    EXPECT_FALSE(parse({}).options.renderer);
    EXPECT_EQ(parse({}).options.batchMode().renderer, gfx::Renderer::gl1);
    EXPECT_EQ(parse({"--renderer", "gles2"}).options.batchMode().renderer, gfx::Renderer::gles2);
    EXPECT_EQ(parse({"--renderer=gl1"}).options.batchMode().renderer, gfx::Renderer::gl1);
}

TEST(Options, TimesAndDirectory) {
    Parsed p = parse({"-C", "demo dir", "--start", "12.5", "--until=20", "--check"});
    ASSERT_EQ(p.status, ParseStatus::ok);
    EXPECT_EQ(p.options.directory, "demo dir");
    EXPECT_DOUBLE_EQ(p.options.start, 12.5);
    EXPECT_DOUBLE_EQ(*p.options.until, 20.0);
    EXPECT_TRUE(p.options.check);
    EXPECT_FALSE(p.options.watch);
    p = parse({"--dir=x", "--watch"});
    EXPECT_EQ(p.options.directory, "x");
    EXPECT_TRUE(p.options.watch);
    p = parse({"--watch=1"});
    EXPECT_EQ(p.status, ParseStatus::error);
    EXPECT_EQ(p.error, "option --watch takes no value");
}

TEST(Options, OneDemoArgumentAnywhereAndOnlyOne) {
    Parsed p = parse({"--batch", "demos/intro", "--until", "3"});
    ASSERT_EQ(p.status, ParseStatus::ok) << p.error;
    EXPECT_EQ(p.options.demoPath, "demos/intro");
    EXPECT_TRUE(p.options.batch);
    EXPECT_DOUBLE_EQ(*p.options.until, 3.0);
    // The script played is demo.qsc until the argument names another.
    EXPECT_EQ(p.options.scriptPath(), "data\\demo.qsc");

    // A value is never taken for the demo, and after "--" a dash is a name.
    p = parse({"--capture", "frames", "--", "-odd name"});
    ASSERT_EQ(p.status, ParseStatus::ok) << p.error;
    EXPECT_EQ(p.options.captureDirectory, "frames");
    EXPECT_EQ(p.options.demoPath, "-odd name");

    p = parse({"one", "two"});
    EXPECT_EQ(p.status, ParseStatus::error);
    EXPECT_EQ(p.error, "one demo at a time: \"one\" and \"two\" were given");
    p = parse({""});
    EXPECT_EQ(p.status, ParseStatus::error);
    p = parse({"-"});
    EXPECT_EQ(p.status, ParseStatus::error);
    EXPECT_EQ(p.error, "unknown option -");
}
