// Runs the demoplayer binary with --video and reads the result back with
// FFmpeg's ffprobe and ffmpeg programs.
#include "RunProgram.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

using testsupport::RunResult;

namespace {

// Standard output of a shell command.
std::string outputOf(const std::string& command) {
    std::string out;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

std::string probe(const fs::path& file, const std::string& args) {
    return outputOf("ffprobe -v error " + args + " -of csv=p=0 '" + file.string() + "'");
}

// One line per stream: its kind ("video", "audio").
std::string streamKinds(const fs::path& file) {
    return probe(file, "-show_entries stream=codec_type");
}

long videoFrames(const fs::path& file) {
    return std::stol("0" + probe(file,
                                 "-count_frames -select_streams v -show_entries "
                                 "stream=nb_read_frames"));
}

double streamDuration(const fs::path& file, char kind) {
    return std::stod("0" + probe(file, std::string("-select_streams ") + kind +
                                           " -show_entries stream=duration"));
}

int countPngs(const fs::path& dir) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ".png") ++n;
    return n;
}

std::vector<unsigned char> readPngRgb(const fs::path& file, int& w, int& h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<unsigned char> pixels;
    if (!png_image_begin_read_from_file(&image, file.c_str())) return pixels;
    image.format = PNG_FORMAT_RGB;
    pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) pixels.clear();
    w = static_cast<int>(image.width);
    h = static_cast<int>(image.height);
    return pixels;
}

// Mono 48 kHz samples of a file's audio, decoded and resampled by ffmpeg;
// `filter` picks a part.
std::vector<short> monoSamples(const std::string& file, const std::string& filter) {
    const std::string raw =
        outputOf("ffmpeg -v error -i '" + file + "' -vn " + filter + " -ac 1 -ar 48000 -f s16le -");
    std::vector<short> samples(raw.size() / 2);
    std::memcpy(samples.data(), raw.data(), samples.size() * 2);
    return samples;
}

// The shift of `b` against `a`, in samples within +-`range`, that matches best.
int bestLag(const std::vector<short>& a, const std::vector<short>& b, int range) {
    const std::size_t from = 8000, count = 4000;
    if (a.size() < from + count + range || b.size() < from + count + range) return range + 1;
    int best = 0;
    double bestSum = -1e300;
    for (int lag = -range; lag <= range; ++lag) {
        double sum = 0;
        for (std::size_t i = from; i < from + count; ++i) sum += double(a[i]) * b[i + lag];
        if (sum > bestSum) bestSum = sum, best = lag;
    }
    return best;
}

double psnr(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * double(a[i] - b[i]);
    const double mse = sum / a.size();
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

class VideoExport : public testing::Test {
protected:
    RunResult run(const std::string& args) {
        return testsupport::runDemoplayer(args, work_.path());
    }
    // The example demo has music (a WAV file at 44.1 kHz, resampled for the encoder).
    std::string example() const { return std::string(DP_SOURCE_DIR) + "/examples/demo"; }
    std::string silent() const {
        return std::string(DP_SOURCE_DIR) + "/tests/support/data/minimal";
    }
    fs::path file(const std::string& name) const { return work_.path() / name; }
    testsupport::ScratchDir work_{testing::UnitTest::GetInstance()->current_test_info()->name()};
};

}  // namespace

TEST_F(VideoExport, WritesTheCapturedFramesAndTheMusicAlignedWithThem) {
    const fs::path video = file("out.mp4"), frames = file("frames");
    // The example's pictures move between 4 s and 5 s; --start/--until trim both streams.
    // 160x120: smaller frames lose too much to chroma subsampling alone for the PSNR bound.
    RunResult r = run("-C '" + example() + "' --mode 160x120 --start 4 --until 5 --video '" +
                      video.string() + "' --capture '" + frames.string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(streamKinds(video), "video\naudio\n");
    const long count = videoFrames(video);
    EXPECT_EQ(count, 60);  // --fixed-fps 60 is implied
    EXPECT_EQ(count, countPngs(frames));
    EXPECT_NEAR(streamDuration(video, 'a'), streamDuration(video, 'v'), 1.0 / 60);
    EXPECT_NEAR(streamDuration(video, 'v'), 1.0, 1e-6);
    // The audio starts at the start time too: it lines up with the music file from 4 s.
    const auto exported = monoSamples(video.string(), "");
    const auto music = monoSamples(example() + "/music.wav", "-af atrim=start=4");
    EXPECT_LE(std::abs(bestLag(exported, music, 480)), 1);
    // The progress line is all an export shows on a clean run.
    EXPECT_NE(r.err.find("60/60 frames (100%)"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Loading"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    // A decoded frame matches the PNG of the same frame within the codec's loss.
    int w = 0, h = 0;
    const auto png = readPngRgb(frames / "frame_000030.png", w, h);
    ASSERT_EQ(png.size(), 160u * 120u * 3u);
    const std::string decoded =
        outputOf("ffmpeg -v error -i '" + video.string() +
                 "' -vf 'select=eq(n\\,30)' -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
    ASSERT_EQ(decoded.size(), png.size());
    EXPECT_GT(psnr(png, std::vector<unsigned char>(decoded.begin(), decoded.end())), 35.0);
}

TEST_F(VideoExport, ContainerFollowsTheExtensionAndNoMusicGivesNoAudioStream) {
    const fs::path webm = file("out.webm");
    RunResult r = run("-C '" + example() + "' --mode 64x48 --fixed-fps 30 --until 0.5 --video '" +
                      webm.string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(probe(webm, "-show_entries stream=codec_name"), "vp9\nopus\n");
    EXPECT_EQ(videoFrames(webm), 15);

    const fs::path mp4 = file("silent.mp4");
    r = run("-C '" + silent() + "' --mode 64x48 --until 0.5 --video '" + mp4.string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(streamKinds(mp4), "video\n");
    EXPECT_EQ(videoFrames(mp4), 30);
}

TEST_F(VideoExport, BadSettingsFailBeforeRenderingAndLeaveNoFile) {
    const fs::path out = file("out.mp4");
    RunResult r = run("-C '" + silent() + "' --until 0.5 --video '" + out.string() +
                      "' --video-codec no-such-encoder");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown video encoder \"no-such-encoder\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("mpeg4"), std::string::npos) << "lists the installed encoders: " << r.err;
    EXPECT_FALSE(fs::exists(out));

    r = run("-C '" + silent() + "' --until 0.5 --video '" + file("missing/out.mp4").string() + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;

    r = run("-C '" + silent() + "' --until 0.5 --video '" + file("out.avi").string() + "'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find(".mp4, .mkv or .webm"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(file("out.avi")));

    // 4:2:0 video has no odd sizes.
    r = run("-C '" + silent() + "' --mode 65x48 --until 0.5 --video '" + out.string() + "'");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("even width and height"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(VideoExport, WriteErrorStopsTheExportAndRemovesThePartialFile) {
    // A file size limit makes the writes fail part way (the signal it sends is ignored).
    const fs::path out = file("out.mp4");
    const std::string err = outputOf("(ulimit -f 8; trap '' XFSZ; " + testsupport::playerCommand() +
                                     "-C '" + example() + "' --mode 160x120 --until 1 --video '" +
                                     out.string() + "'; echo status=$?) 2>&1");
    EXPECT_NE(err.find("cannot write"), std::string::npos) << err;
    EXPECT_NE(err.find("status=5"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(VideoExport, FatalStopOfThePresentationRemovesThePartialFile) {
    // A picture the script names is missing: the presentation stops with its own status.
    const fs::path dir = file("demo"), out = file("out.mp4");
    testsupport::writeDemo(dir, "event a timer time=0\nt1 at a image start bitmap=gone.jpg\n");
    RunResult r =
        run("-C '" + dir.string() + "' --mode 64x48 --until 1 --video '" + out.string() + "'");
    EXPECT_EQ(r.status, 7) << r.err;
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(VideoExport, AFileTakenAwayWhileTheExportRunsIsNotReportedAsWritten) {
    // The output's folder is removed (then, in the second run, made again with
    // a file of someone else's at the path) as soon as the export has opened
    // its file; the export runs on and must not end with success.
    const auto exportAndMeddle = [&](const std::string& meddle) {
        const fs::path dir = file("out");
        fs::create_directories(dir);
        return outputOf("(" + testsupport::playerCommand() + "-C '" + example() +
                        "' --mode 160x120 --until 20 --video '" + dir.string() +
                        "/v.mp4' & p=$!; for i in $(seq 1000); do [ -e '" + dir.string() +
                        "/v.mp4' ] && break; sleep 0.01; done; rm -rf '" + dir.string() + "'; " +
                        meddle + " wait $p; echo status=$?) 2>&1");
    };
    std::string err = exportAndMeddle("");
    EXPECT_NE(err.find("status=5"), std::string::npos) << err;
    EXPECT_NE(err.find("is gone: its folder was removed or renamed"), std::string::npos) << err;

    const fs::path theirs = file("out") / "v.mp4";
    err = exportAndMeddle("mkdir '" + file("out").string() + "'; echo mine > '" + theirs.string() +
                          "';");
    EXPECT_NE(err.find("status=5"), std::string::npos) << err;
    EXPECT_NE(err.find("is no longer the file the export wrote"), std::string::npos) << err;
    EXPECT_EQ(testsupport::slurp(theirs), "mine\n") << "someone else's file is left alone";
}
