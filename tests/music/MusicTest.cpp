// The music object without a sound device: fixed frame rate, decode only,
// the silent clock, opening errors and the formats.
#include "TestAudioFiles.h"
#include "shell/Log.h"
#include "timeline/Music.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>

using testing::EndsWith;
using testing::HasSubstr;

namespace {

class MusicTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = scratchDirectory(testing::UnitTest::GetInstance()->current_test_info()->name());
        setScriptErrorFlag(false);
    }
    void TearDown() override { setScriptErrorFlag(false); }

    std::string file(const std::string& name) const { return dir_ + "/" + name; }

    // A two-second WAV with cues at 0.25 s ("one"), 1.0 s ("two") and 1.5 s
    // ("three"), and one past its end at 2.1 s ("after").
    std::string cueWav() const {
        TestWav wav;
        wav.frames = 88200;
        wav.cues = {{1, 11025, std::string("one")}, {2, 44100, std::string("two")}, {3, 66150, std::string("three")},
                     {4, 92610, std::string("after")}};
        writeBytes(file("cues.wav"), makeWav(wav));
        return file("cues.wav");
    }

    // Runs frames at a fixed rate until ended (or `limit` frames): the log
    // and the time of each frame.
    static std::string playFixed(Music& music, int limit, std::vector<double>* times = nullptr) {
        testing::internal::CaptureStderr();
        for (int k = 0; k < limit; ++k) {
            music.startIfNeeded();
            const double t = music.time();
            if (times) times->push_back(t);
            if (music.ended()) break;
            music.frameDrawn();
        }
        return testing::internal::GetCapturedStderr();
    }

    std::string dir_;
};

double fixedRate(int n) { return static_cast<double>(n); }

}  // namespace

TEST_F(MusicTest, FixedRateReportsSyncPointsInOrderAndEndsPastTheLength) {
    Music music;
    music.configure(fixedRate(4), 0.0, false);
    ASSERT_TRUE(music.setMusic(cueWav()));
    ASSERT_TRUE(music.length());
    EXPECT_DOUBLE_EQ(*music.length(), 2.0);
    // Before the first frame: the start position, no sync point yet.
    testing::internal::CaptureStderr();
    EXPECT_EQ(music.time(), 0.0);
    EXPECT_FALSE(music.ended());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    std::vector<double> times;
    const std::string log = playFixed(music, 100, &times);
    EXPECT_EQ(log,
              "\nSYNCHPOINT : \"one\"\n\nSYNCHPOINT : \"two\"\n\nSYNCHPOINT : \"three\"\n"
              "\nSTREAM ENDED!!\n");
    // Frame k at k/4; exactly 2.0 is not past the length. The last frame
    // (2.25 s) lies beyond the cue past the end, which is never reported.
    ASSERT_EQ(times.size(), 10u);
    EXPECT_EQ(times[8], 2.0);
    EXPECT_EQ(times[9], 2.25);
    EXPECT_TRUE(music.ended());
    EXPECT_FALSE(scriptErrorFlag());
}

TEST_F(MusicTest, SyncPointsAppearWhenTheirFrameIsReached) {
    Music music;
    music.configure(fixedRate(1), 0.0, false);
    ASSERT_TRUE(music.setMusic(cueWav()));
    music.startIfNeeded();
    testing::internal::CaptureStderr();
    music.time();  // 0 s
    music.frameDrawn();
    const std::string atZero = testing::internal::GetCapturedStderr();
    testing::internal::CaptureStderr();
    music.time();  // 1 s: "one" was passed on the way, "two" is reached
    const std::string atOne = testing::internal::GetCapturedStderr();
    EXPECT_EQ(atZero, "");
    EXPECT_EQ(atOne, "\nSYNCHPOINT : \"one\"\n\nSYNCHPOINT : \"two\"\n");
}

TEST_F(MusicTest, StartPositionSkipsEarlierSyncPoints) {
    Music music;
    music.configure(fixedRate(10), 1.0, false);
    ASSERT_TRUE(music.setMusic(cueWav()));
    std::vector<double> times;
    const std::string log = playFixed(music, 100, &times);
    EXPECT_EQ(log, "\nSYNCHPOINT : \"two\"\n\nSYNCHPOINT : \"three\"\n\nSTREAM ENDED!!\n");
    ASSERT_FALSE(times.empty());
    EXPECT_EQ(times.front(), 1.0);
    EXPECT_NEAR(times.back(), 2.1, 1e-9);
}

TEST_F(MusicTest, SilentClockEndsOnlyPastThreeMinutes) {
    Music fixed;
    fixed.configure(fixedRate(1), 0.0, false);
    std::vector<double> times;
    const std::string log = playFixed(fixed, 500, &times);
    EXPECT_THAT(log, HasSubstr("Warning in "));
    EXPECT_THAT(log, EndsWith("No music set, going for 3 minutes of silence\n"));
    ASSERT_EQ(times.size(), 182u);
    EXPECT_EQ(times[180], 180.0);  // exactly 180 s is not yet the end
    EXPECT_FALSE(fixed.length());

    // In real time, against a clock the test sets.
    static double fakeNow = 0.0;
    fakeNow = 50.0;
    Music live([] { return fakeNow; });
    live.configure(std::nullopt, 0.0, false);
    EXPECT_EQ(live.time(), 0.0);
    EXPECT_FALSE(live.ended());
    testing::internal::CaptureStderr();
    live.startIfNeeded();
    live.startIfNeeded();  // warns once
    const std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_THAT(warning, EndsWith("No music set, going for 3 minutes of silence\n"));
    EXPECT_EQ(warning.find("silence"), warning.rfind("silence"));
    fakeNow = 50.0 + 12.5;
    EXPECT_EQ(live.time(), 12.5);
    fakeNow = 50.0 + 180.0;
    EXPECT_FALSE(live.ended());
    fakeNow = 50.0 + 180.001;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(live.ended());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // no stream, no end line
    EXPECT_FALSE(scriptErrorFlag());
}

TEST_F(MusicTest, SilentClockFromAStartPosition) {
    Music music;
    music.configure(fixedRate(1), 170.0, false);
    std::vector<double> times;
    playFixed(music, 500, &times);
    EXPECT_EQ(times.front(), 170.0);
    EXPECT_EQ(times.back(), 181.0);
}

TEST_F(MusicTest, OpeningErrors) {
    Music music;
    music.configure(fixedRate(30), 0.0, false);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(music.setMusic(file("missing.ogg")));
    EXPECT_THAT(testing::internal::GetCapturedStderr(),
                testing::AllOf(HasSubstr("Error in "), EndsWith("Music: problems while opening file\n")));
    EXPECT_TRUE(scriptErrorFlag());

    // Not music at all, a directory, a WAV cut inside its header.
    writeBytes(file("notes.txt"), std::vector<std::uint8_t>(3000, 'x'));
    auto cut = makeWav(TestWav{});
    cut.resize(30);
    writeBytes(file("cut.wav"), cut);
    for (const std::string& bad : {file("notes.txt"), dir_, file("cut.wav")}) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(music.setMusic(bad)) << bad;
        EXPECT_THAT(testing::internal::GetCapturedStderr(),
                    EndsWith("Music: problems while opening file\n"));
    }
    // After failures the music is still unset: a good file is taken, and the
    // run has its errors listed (the script then stops after parsing).
    EXPECT_TRUE(music.setMusic(cueWav()));
}

TEST_F(MusicTest, SecondMusicDifferentFileIsAnErrorSameFileIsNot) {
    Music music;
    music.configure(fixedRate(2), 0.0, false);
    const std::string wav = cueWav();
    writeBytes(file("other.wav"), makeWav(TestWav{}));
    ASSERT_TRUE(music.setMusic(wav));
    music.startIfNeeded();
    music.frameDrawn();
    music.frameDrawn();

    testing::internal::CaptureStderr();
    EXPECT_FALSE(music.setMusic(file("other.wav")));
    EXPECT_THAT(testing::internal::GetCapturedStderr(), EndsWith("Music set twice!\n"));
    EXPECT_TRUE(scriptErrorFlag());
    setScriptErrorFlag(false);

    // The same file, as a Windows-written script names it: accepted quietly,
    // and the first music plays on where it was.
    std::string windowsName = dir_ + "\\cues.wav";
    testing::internal::CaptureStderr();
    EXPECT_TRUE(music.setMusic(windowsName));
    EXPECT_TRUE(music.setMusic(dir_ + "/./cues.wav"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(scriptErrorFlag());
    EXPECT_EQ(music.time(), 1.0);
    EXPECT_DOUBLE_EQ(*music.length(), 2.0);
}

TEST_F(MusicTest, BackslashesInTheScriptNameAreSeparators) {
    std::filesystem::create_directories(file("data"));
    TestWav wav;
    wav.frames = 4410;
    writeBytes(file("data/tune.wav"), makeWav(wav));
    Music music;
    music.configure(fixedRate(30), 0.0, true);
    EXPECT_TRUE(music.setMusic(dir_ + "\\data\\tune.wav"));
    EXPECT_DOUBLE_EQ(*music.length(), 0.1);
}

TEST_F(MusicTest, DecodeOnlyValidatesWithoutASoundDevice) {
    if (SDL_WasInit(SDL_INIT_AUDIO)) GTEST_SKIP() << "audio already initialised in this process";
    Music music;
    music.configure(std::nullopt, 0.0, true);
    EXPECT_TRUE(music.setMusic(cueWav()));
    music.startIfNeeded();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    EXPECT_FALSE(music.ended());
}

TEST_F(MusicTest, DecodesCompressedFormatsAndModules) {
    // FLAC and Ogg Vorbis written by libsndfile: one second at 48 kHz mono.
    struct Format {
        const char* name;
        int format;
    };
    for (const Format& f : {Format{"tune.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                            Format{"tune.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS}}) {
        SF_INFO info{};
        info.samplerate = 48000;
        info.channels = 1;
        info.format = f.format;
        SNDFILE* out = sf_open(file(f.name).c_str(), SFM_WRITE, &info);
        ASSERT_NE(out, nullptr) << f.name << ": " << sf_strerror(nullptr);
        std::vector<float> samples(48000);
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = 0.25f * std::sin(i * 0.05f);
        sf_writef_float(out, samples.data(), 48000);
        sf_close(out);
        Music music;
        music.configure(fixedRate(30), 0.0, true);
        EXPECT_TRUE(music.setMusic(file(f.name))) << f.name;
        ASSERT_TRUE(music.length()) << f.name;
        EXPECT_NEAR(*music.length(), 1.0, 1e-3) << f.name;
    }

    writeBytes(file("tune.mod"), makeModule());
    Music module;
    module.configure(fixedRate(30), 0.0, true);
    ASSERT_TRUE(module.setMusic(file("tune.mod")));
    // 64 rows at speed 6, 125 BPM: 64 * 6 * 0.02 s.
    EXPECT_NEAR(*module.length(), 7.68, 0.01);
}
