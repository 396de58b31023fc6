// Real-time playback through SDL's dummy audio driver, which runs the
// callback at the pace of a real device.
#include "TestAudioFiles.h"
#include "shell/Clock.h"
#include "shell/Log.h"
#include "timeline/Music.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

using testing::EndsWith;

namespace {

struct Playback {
    std::string log;
    std::vector<double> times;
    double wallSeconds = 0.0;
    bool ended = false;
};

// Plays like the main loop does, a frame every 4 ms, until the music ends
// or `timeout` seconds pass.
Playback play(Music& music, double timeout = 10.0) {
    Playback run;
    testing::internal::CaptureStderr();
    const double begin = clockSeconds();
    music.startIfNeeded();
    while (clockSeconds() - begin < timeout) {
        run.times.push_back(music.time());
        if (music.ended()) {
            run.ended = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    run.wallSeconds = clockSeconds() - begin;
    run.log = testing::internal::GetCapturedStderr();
    return run;
}

bool monotonic(const std::vector<double>& times) {
    for (std::size_t i = 1; i < times.size(); ++i)
        if (times[i] < times[i - 1]) return false;
    return true;
}

class MusicPlaybackTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        dir_ = scratchDirectory(testing::UnitTest::GetInstance()->current_test_info()->name());
        setScriptErrorFlag(false);
    }
    std::string dir_;
};

}  // namespace

TEST_F(MusicPlaybackTest, PlaysToTheEndWithSyncPointsInOrder) {
    TestWav wav;
    wav.frames = 44100;
    wav.cues = {{1, 4410, std::string("intro")},
                {2, 22050, std::string("drop")},
                {5, 22050, std::string("drop too")},
                {3, 39690, std::string("outro")}};
    writeBytes(dir_ + "/song.wav", makeWav(wav));

    Music music;
    ASSERT_TRUE(music.setMusic(dir_ + "/song.wav"));
    // Loading takes its time: the stream waits paused at the start.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(music.time(), 0.0);

    const Playback run = play(music);
    ASSERT_TRUE(run.ended) << run.log;
    EXPECT_EQ(run.log,
              "\nSYNCHPOINT : \"intro\"\n\nSYNCHPOINT : \"drop\"\n\nSYNCHPOINT : \"drop too\"\n"
              "\nSYNCHPOINT : \"outro\"\n\nSTREAM ENDED!!\n");
    EXPECT_TRUE(monotonic(run.times));
    EXPECT_EQ(run.times.front(), 0.0);
    EXPECT_EQ(run.times.back(), 1.0);  // the last frame, exactly
    // Time is what was heard, not what was decoded: a second of music
    // cannot be over in less than a second.
    EXPECT_GE(run.wallSeconds, 0.95);
    // Once ended, it stays ended and says so only once.
    testing::internal::CaptureStderr();
    EXPECT_TRUE(music.ended());
    EXPECT_EQ(music.time(), 1.0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(scriptErrorFlag());
}

TEST_F(MusicPlaybackTest, StartsAtTheStartPosition) {
    TestWav wav;
    wav.frames = 44100;
    wav.cues = {{1, 4410, std::string("early")}, {2, 35280, std::string("late")}};
    writeBytes(dir_ + "/song.wav", makeWav(wav));

    Music music;
    music.configure(std::nullopt, 0.6, false);
    ASSERT_TRUE(music.setMusic(dir_ + "/song.wav"));
    const Playback run = play(music);
    ASSERT_TRUE(run.ended) << run.log;
    EXPECT_EQ(run.log, "\nSYNCHPOINT : \"late\"\n\nSTREAM ENDED!!\n");
    EXPECT_EQ(run.times.front(), 0.6);
    EXPECT_NEAR(run.times.back(), 1.0, 1e-9);
    EXPECT_TRUE(monotonic(run.times));
    EXPECT_GE(run.wallSeconds, 0.35);
}

TEST_F(MusicPlaybackTest, OtherRatesAreResampled) {
    TestWav wav;
    wav.rate = 22050;
    wav.channels = 1;
    wav.frames = 11025;
    wav.cues = {{1, 5512, std::string("middle")}};
    writeBytes(dir_ + "/low.wav", makeWav(wav));

    Music music;
    ASSERT_TRUE(music.setMusic(dir_ + "/low.wav"));
    const Playback run = play(music);
    ASSERT_TRUE(run.ended) << run.log;
    EXPECT_EQ(run.log, "\nSYNCHPOINT : \"middle\"\n\nSTREAM ENDED!!\n");
    EXPECT_NEAR(run.times.back(), 0.5, 0.005);
    EXPECT_GE(run.wallSeconds, 0.45);
}

TEST_F(MusicPlaybackTest, NoSoundDeviceIsAnError) {
    writeBytes(dir_ + "/song.wav", makeWav(TestWav{}));
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    const std::string saved = driver ? driver : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    Music music;
    testing::internal::CaptureStderr();
    const bool set = music.setMusic(dir_ + "/song.wav");
    const std::string log = testing::internal::GetCapturedStderr();
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    EXPECT_FALSE(set);
    EXPECT_THAT(log, EndsWith("Error while playing stream\n"));
    EXPECT_TRUE(scriptErrorFlag());
    EXPECT_FALSE(music.length());
    setScriptErrorFlag(false);
}
