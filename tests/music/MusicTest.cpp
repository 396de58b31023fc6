// The music object without a sound device: fixed frame rate, decode only,
// the silent clock, opening errors and the formats.
#include "music/MusicDecoder.h"
#include "TestAudioFiles.h"
#include "base/Log.h"
#include "music/Music.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

using testing::EndsWith;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// Two seconds; cues at 0.25, 1.0 and 1.5 s, and one past the end at 2.1 s.
std::string cueWav() {
    return writeTestFile(
        "cues.wav",
        makeWav(88200,
                {{1, 11025, "one"}, {2, 44100, "two"}, {3, 66150, "three"}, {4, 92610, "after"}}));
}

// Frames until ended (at most `limit`): the log, and each frame's time.
std::string playFixed(Music& music, std::vector<double>& times, int limit = 1000) {
    CaptureStderr();
    for (int k = 0; k < limit; ++k) {
        music.startIfNeeded();
        times.push_back(music.time());
        if (music.ended()) break;
        music.frameDrawn();
    }
    return GetCapturedStderr();
}

}  // namespace

TEST(Music, FixedRateReportsSyncPointsInOrderAndEndsPastTheLength) {
    Music music;
    music.configure(4.0, 0.0, false);
    ASSERT_TRUE(music.setMusic(cueWav()));
    EXPECT_DOUBLE_EQ(music.length().value(), 2.0);
    EXPECT_FALSE(music.ended());  // not started
    std::vector<double> times;
    // Exactly 2.0 s is not past the length; the frame after it (2.25 s) is,
    // and the cue past the end is never reported.
    EXPECT_EQ(playFixed(music, times),
              "\nSYNCHPOINT : \"one\"\n\nSYNCHPOINT : \"two\"\n"
              "\nSYNCHPOINT : \"three\"\n\nSTREAM ENDED!!\n");
    ASSERT_EQ(times.size(), 10u);
    EXPECT_EQ(times[8], 2.0);
}

TEST(Music, SilentClockEndsOnlyPastThreeMinutes) {
    static double now = 50.0;
    Music live([] { return now; });
    CaptureStderr();
    live.startIfNeeded();
    live.startIfNeeded();
    now = 50.0 + 180.0;
    EXPECT_EQ(live.time(), 180.0);
    EXPECT_FALSE(live.ended());
    now = 50.0 + 180.001;
    EXPECT_TRUE(live.ended());
    const std::string log = GetCapturedStderr();
    EXPECT_THAT(log, testing::StartsWith("Warning in "));
    EXPECT_THAT(
        log, EndsWith("No music set, going for 3 minutes of silence\n"));  // once, and no end line
    EXPECT_EQ(log.find("silence"), log.rfind("silence"));

    // At a fixed rate from a start position: time begins there, the 180 s
    // stay absolute, and 180.0 itself is not yet the end.
    Music late;
    late.configure(1.0, 170.0, false);
    std::vector<double> times;
    playFixed(late, times);
    EXPECT_EQ(times.front(), 170.0);
    EXPECT_EQ(times.back(), 181.0);
    EXPECT_FALSE(late.length());
}

TEST(Music, OpeningErrorsAndASecondMusic) {
    setScriptErrorFlag(false);
    Music music;
    music.configure(2.0, 0.0, false);
    const std::string txt = writeTestFile("notes.txt", std::vector<std::uint8_t>(3000, 'x'));
    auto cut = makeWav(100);
    cut.resize(30);
    // Each failure names the file and the decoders' own reason first.
    const std::pair<std::string, std::string> faults[] = {
        {txt + ".missing", "not found"},
        {txt, "libsndfile: \"Format not recognised.\"; libopenmpt: \"not a tracker module\""},
        {writeTestFile("cut.wav", cut), "libsndfile: \"Error in WAV file"},
        {txt.substr(0, txt.rfind('/')), "is a directory"}};
    for (const auto& [bad, reason] : faults) {
        CaptureStderr();
        EXPECT_FALSE(music.setMusic(bad)) << bad;
        const std::string log = GetCapturedStderr();
        EXPECT_THAT(log, testing::StartsWith("Music: cannot open \"" + bad + "\": "));
        EXPECT_THAT(log, testing::HasSubstr(reason));
        EXPECT_THAT(log, EndsWith("Music: problems while opening file\n"));
    }
    EXPECT_TRUE(scriptErrorFlag());

    // Failures leave the music unset: a good file is taken.
    setScriptErrorFlag(false);
    const std::string wav = cueWav();
    ASSERT_TRUE(music.setMusic(wav));
    music.startIfNeeded();
    music.frameDrawn();
    CaptureStderr();
    EXPECT_FALSE(music.setMusic(writeTestFile("other.wav", makeWav(100))));
    EXPECT_THAT(GetCapturedStderr(), EndsWith("Music set twice!\n"));
    EXPECT_TRUE(scriptErrorFlag());

    // The same file again, as a Windows-written script names it (a rebuild):
    // accepted quietly, and the music plays on where it was.
    setScriptErrorFlag(false);
    std::string windowsName = wav;
    windowsName.replace(windowsName.rfind('/'), 1, "\\.\\");
    CaptureStderr();
    EXPECT_TRUE(music.setMusic(windowsName));
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_FALSE(scriptErrorFlag());
    EXPECT_EQ(music.time(), 0.5);
}

TEST(Music, DecodesCompressedFormatsAndModulesWithoutADevice) {
    for (int format : {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, SF_FORMAT_OGG | SF_FORMAT_VORBIS,
                       SF_FORMAT_OGG | SF_FORMAT_OPUS, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III}) {
        const std::string path = writeTestFile("tune" + std::to_string(format), {});
        SF_INFO info{48000, 48000, 1, format, 0, 0};
        SNDFILE* out = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_NE(out, nullptr) << sf_strerror(nullptr);
        std::vector<float> samples(48000);
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = 0.25f * std::sin(0.05f * i);
        sf_writef_float(out, samples.data(), 48000);
        sf_close(out);
        Music music;
        music.configure(std::nullopt, 0.0, true);
        EXPECT_TRUE(music.setMusic(path)) << format;
        EXPECT_NEAR(music.length().value_or(0.0), 1.0, 1e-3) << format;
    }
    Music module;
    module.configure(std::nullopt, 0.0, true);
    ASSERT_TRUE(module.setMusic(writeTestFile("tune.mod", makeModule())));
    EXPECT_NEAR(module.length().value(), 64 * 6 * 0.02, 0.01);  // 64 rows, speed 6, 125 BPM
    module.startIfNeeded();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);  // decode only never opens a device
}

TEST(Music, SeeksAndPausesAtAFixedRate) {
    Music music;
    music.configure(4.0, 0.0, false);
    ASSERT_TRUE(music.setMusic(cueWav()));
    music.startIfNeeded();
    CaptureStderr();
    // Past "one" and "two": they are never reported.
    music.seek(1.2);
    EXPECT_EQ(music.time(), 1.2);
    // Paused, frames drawn do not move the time; resumed, it goes on from there.
    music.setPaused(true);
    music.frameDrawn();
    music.frameDrawn();
    EXPECT_EQ(music.time(), 1.2);
    music.setPaused(false);
    music.frameDrawn();
    music.frameDrawn();
    EXPECT_EQ(music.time(), 1.7);
    // Past the end it ends; back before it, it plays again from there.
    music.seek(5.0);
    EXPECT_TRUE(music.ended());
    music.seek(-3.0);
    EXPECT_FALSE(music.ended());
    EXPECT_EQ(music.time(), 0.0);
    music.frameDrawn();
    // A changed file plays on from the current time.
    music.reload();
    EXPECT_EQ(music.time(), 0.25);
    EXPECT_EQ(GetCapturedStderr(),
              "\nSYNCHPOINT : \"three\"\n\nSTREAM ENDED!!\n"
              "\nSYNCHPOINT : \"one\"\n");
}

TEST(Music, AModuleSeeksBetweenRowsToTheFrame) {
    // libopenmpt seeks to rows (0.12 s apart here): each target lies between
    // two, and must sound as a play from the start sounds there.
    const std::string path = writeTestFile("seek.mod", makeModule());
    for (const double target : {0.0371, 1.0, 2.5013}) {
        std::unique_ptr<MusicDecoder> whole = openMusicDecoder(path, nullptr);
        std::unique_ptr<MusicDecoder> sought = openMusicDecoder(path, nullptr);
        ASSERT_TRUE(whole && sought);
        const auto skip = static_cast<std::size_t>(std::lround(target * whole->sampleRate()));
        std::vector<float> block(2 * skip);
        ASSERT_EQ(whole->read(block.data(), skip), skip);
        std::vector<float> expected(2 * 512), got(2 * 512);
        ASSERT_EQ(whole->read(expected.data(), 512), 512u);
        ASSERT_TRUE(sought->seek(target));
        ASSERT_EQ(sought->read(got.data(), 512), 512u);
        float worst = 0.0f;
        for (std::size_t i = 0; i < got.size(); ++i)
            worst = std::max(worst, std::fabs(got[i] - expected[i]));
        EXPECT_LT(worst, 1e-3f) << target;
    }
}
