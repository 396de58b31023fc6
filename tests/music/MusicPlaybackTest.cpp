// Real-time playback through SDL's dummy audio driver, which calls back at
// the pace of a real device.
#include "TestAudioFiles.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "music/Music.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

namespace {

struct Playback {
    std::string log;
    std::vector<double> times;
    double seconds = 0.0;  // clock time from start to end
};

// Plays like the main loop, a frame every 4 ms, until the music ends (10 s at most).
Playback play(Music& music) {
    setScriptErrorFlag(false);
    Playback p;
    testing::internal::CaptureStderr();
    const double begin = clockSeconds();
    music.startIfNeeded();
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
        p.times.push_back(music.time());
    } while (!music.ended() && clockSeconds() - begin < 10.0);
    p.seconds = clockSeconds() - begin;
    p.log = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::is_sorted(p.times.begin(), p.times.end()));  // never backwards
    EXPECT_FALSE(scriptErrorFlag());
    return p;
}

}  // namespace

TEST(MusicPlayback, PlaysToTheEndWithSyncPointsInOrder) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    Music music;
    ASSERT_TRUE(music.setMusic(writeTestFile("song.wav", makeWav(44100, {{1, 4410, "intro"},
                                                                         {2, 22050, "drop"},
                                                                         {5, 22050, "drop too"},
                                                                         {3, 39690, "outro"}}))));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // loading: paused at the start
    EXPECT_EQ(music.time(), 0.0);
    const Playback p = play(music);
    EXPECT_EQ(p.log,
              "\nSYNCHPOINT : \"intro\"\n\nSYNCHPOINT : \"drop\"\n\nSYNCHPOINT : \"drop too\"\n"
              "\nSYNCHPOINT : \"outro\"\n\nSTREAM ENDED!!\n");
    EXPECT_EQ(p.times.back(), 1.0);  // the last frame, exactly
    // Time is what was heard, not what was decoded: a second of music is not
    // over in less than a second.
    EXPECT_GE(p.seconds, 0.95);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(music.ended());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // ended once
}

TEST(MusicPlayback, OtherRatesFromAStartPosition) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    Music music;
    music.configure(std::nullopt, 0.6, false);
    ASSERT_TRUE(music.setMusic(writeTestFile(
        "low.wav", makeWav(22050, {{1, 2205, "early"}, {2, 17640, "late"}}, 22050, 1))));
    const Playback p = play(music);
    EXPECT_EQ(p.log, "\nSYNCHPOINT : \"late\"\n\nSTREAM ENDED!!\n");
    EXPECT_EQ(p.times.front(), 0.6);
    EXPECT_NEAR(p.times.back(), 1.0, 1e-6);
    EXPECT_GE(p.seconds, 0.35);
}

TEST(MusicPlayback, PauseHoldsTheTimeAndASeekPlaysOnFromThere) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    Music music;
    ASSERT_TRUE(music.setMusic(
        writeTestFile("seek.wav", makeWav(44100, {{1, 8820, "early"}, {2, 35280, "late"}}))));
    music.startIfNeeded();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    music.setPaused(true);
    const double held = music.time();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(music.time(), held);
    EXPECT_LT(held, 0.2);
    music.setPaused(false);
    // Sample-exact for PCM: the sound and the clock go on from 0.6 s, and
    // the cue before it is never reported.
    music.seek(0.6);
    const Playback p = play(music);
    EXPECT_EQ(p.log, "\nSYNCHPOINT : \"late\"\n\nSTREAM ENDED!!\n");
    EXPECT_GE(p.times.front(), 0.6);
    EXPECT_NEAR(p.times.back(), 1.0, 1e-6);
    EXPECT_GE(p.seconds, 0.35);
}

TEST(MusicPlayback, NoSoundDeviceIsAnError) {
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    const std::string saved = driver ? driver : "dummy";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    Music music;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(music.setMusic(writeTestFile("song.wav", makeWav(100))));
    EXPECT_THAT(testing::internal::GetCapturedStderr(),
                testing::EndsWith("Error while playing stream\n"));
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    EXPECT_TRUE(scriptErrorFlag());
    EXPECT_FALSE(music.length());
}
