// Window-free logic of the application: screen sizes, key mapping, frame rate,
// press detection, the file watcher and the test hook's actions.
#include "FileWatcher.h"
#include "FrameRate.h"
#include "KeyMap.h"
#include "ScriptedActions.h"
#include "base/KeyCodes.h"
#include "base/Screen.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

TEST(ScreenSize, PowersOfTwoAndZeroHeight) {
    EXPECT_EQ(largestPowerOfTwo(0), 1);
    EXPECT_EQ(largestPowerOfTwo(1), 1);
    EXPECT_EQ(largestPowerOfTwo(2), 2);
    EXPECT_EQ(largestPowerOfTwo(200), 128);
    EXPECT_EQ(largestPowerOfTwo(512), 512);
    EXPECT_EQ(largestPowerOfTwo(1023), 512);
    EXPECT_EQ(largestPowerOfTwo(1 << 30), 1 << 30);

    setScreenSize(800, 600);
    EXPECT_EQ(screenSize().pow2Width, 512);
    EXPECT_EQ(screenSize().pow2Height, 512);
    setScreenSize(320, 0);
    EXPECT_EQ(screenSize().height, 1);
    EXPECT_EQ(screenSize().pow2Height, 1);
    EXPECT_EQ(screenSize().pow2Width, 256);
}

TEST(KeyMap, WindowsVirtualKeyCodes) {
    EXPECT_EQ(virtualKeyFor(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE), 27);
    EXPECT_EQ(virtualKeyFor(SDLK_SPACE, SDL_SCANCODE_SPACE), 32);
    EXPECT_EQ(virtualKeyFor(SDLK_LEFT, SDL_SCANCODE_LEFT), 37);
    EXPECT_EQ(virtualKeyFor(SDLK_UP, SDL_SCANCODE_UP), 38);
    EXPECT_EQ(virtualKeyFor(SDLK_RIGHT, SDL_SCANCODE_RIGHT), 39);
    EXPECT_EQ(virtualKeyFor(SDLK_DOWN, SDL_SCANCODE_DOWN), 40);
    EXPECT_EQ(virtualKeyFor(SDLK_0, SDL_SCANCODE_0), 48);
    EXPECT_EQ(virtualKeyFor(SDLK_9, SDL_SCANCODE_9), 57);
    EXPECT_EQ(virtualKeyFor(SDLK_a, SDL_SCANCODE_A), 65);
    EXPECT_EQ(virtualKeyFor(SDLK_w, SDL_SCANCODE_W), 87);
    EXPECT_EQ(virtualKeyFor(SDLK_z, SDL_SCANCODE_Z), 90);
    EXPECT_EQ(virtualKeyFor(SDLK_F1, SDL_SCANCODE_F1), 112);
    EXPECT_EQ(virtualKeyFor(SDLK_F12, SDL_SCANCODE_F12), 123);
    EXPECT_EQ(virtualKeyFor(SDLK_KP_5, SDL_SCANCODE_KP_5), 101);
    EXPECT_EQ(virtualKeyFor(SDLK_RSHIFT, SDL_SCANCODE_RSHIFT), vk::shift);
    // A letter key whose layout gives a non-ASCII code still maps by place.
    EXPECT_EQ(virtualKeyFor(0xE9, SDL_SCANCODE_Q), 81);
    EXPECT_EQ(virtualKeyFor(SDLK_APPLICATION, SDL_SCANCODE_APPLICATION), -1);
}

TEST(FrameRateRing, TenFrameWindowIncludingTheInitialEntries) {
    FrameRateRing ring;
    EXPECT_FLOAT_EQ(ring.fps(), 1.0f);
    // The first readings are measured against the ring's -1.0 entries.
    EXPECT_FLOAT_EQ(ring.update(1.0), 10.0f / 2.0f);
    for (int i = 1; i < 10; ++i) ring.update(1.0 + i * 0.02);
    // Frame 11 is measured against frame 1: ten frames of 20 ms.
    EXPECT_NEAR(ring.update(1.2), 50.0f, 1e-3);
    // Two frames on one clock reading keep the last rate instead of dividing by zero.
    FrameRateRing same;
    for (int i = 0; i < 10; ++i) same.update(5.0);
    EXPECT_FALSE(std::isinf(same.update(5.0)));
}

TEST(PressDetector, OnePressOneToggle) {
    PressDetector d;
    int toggles = 0;
    for (bool held : {false, true, true, true, false, false, true, false})
        toggles += d.pressed(held);
    EXPECT_EQ(toggles, 2);
}

TEST(PressDetector, APressShorterThanAFrameCountsOnceThroughItsLatch) {
    // A tap between two frames: the key is up at both, but it was latched.
    latchKeyPress(vk::escape);
    PressDetector d;
    EXPECT_TRUE(d.pressed(false, takeKeyPress(vk::escape)));
    EXPECT_FALSE(d.pressed(false, takeKeyPress(vk::escape)));  // taken once
    // A key held at the last frame and reported down again (a rebuilt
    // window) does not act again; a new tap after its release does.
    EXPECT_TRUE(d.pressed(true, true));
    EXPECT_FALSE(d.pressed(true, true));
    EXPECT_FALSE(d.pressed(false, false));
    EXPECT_TRUE(d.pressed(false, true));
    EXPECT_FALSE(takeKeyPress(-1));
    latchKeyPress(kKeyCount);  // outside the table: ignored
}

TEST(FileWatcher, ReportsABurstOnceWhenItHasSettled) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("dp_watch_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    FileWatcher watcher(dir.string(), 0.1);
    ASSERT_TRUE(watcher.watching());
    // An editor's save: a leftover, a write, a rename into place.
    std::ofstream(dir / ".demo.qsc.swp") << "x";
    std::ofstream(dir / "demo.qsc.tmp") << "event";
    fs::rename(dir / "demo.qsc.tmp", dir / "demo.qsc");
    std::ofstream(dir / "pic.png") << "png";
    EXPECT_TRUE(watcher.takeSettledChanges(10.0).empty());  // the burst is going on
    EXPECT_TRUE(watcher.takeSettledChanges(10.05).empty());
    EXPECT_EQ(watcher.takeSettledChanges(10.2),
              (std::set<std::string>{"demo.qsc", "demo.qsc.tmp", "pic.png"}));
    EXPECT_TRUE(watcher.takeSettledChanges(11.0).empty());  // reported once
    fs::remove_all(dir);
}

TEST(ScriptedActions, ReadsFrameOrderedActionsAndNamesTheFirstBadEntry) {
    std::string error;
    const std::vector<ScriptedAction> actions = parseScriptedActions(
        "20:reload,3:seek-1.5,x:home,5:copy=a.png>b.png,9:pause,4:seek+10,30:fullscreen,"
        "31:resize=800x600,32:resize=800,33:window=w.png",
        error);
    EXPECT_EQ(error, "cannot read \"x:home\"");
    ASSERT_EQ(actions.size(), 8u);
    EXPECT_EQ(actions[0].frame, 3);
    EXPECT_EQ(actions[0].seconds, -1.5);
    EXPECT_EQ(actions[1].seconds, 10.0);
    EXPECT_EQ(actions[2].kind, ScriptedAction::Kind::copy);
    EXPECT_EQ(actions[2].to, "b.png");
    EXPECT_EQ(actions[3].kind, ScriptedAction::Kind::pause);
    EXPECT_EQ(actions[4].kind, ScriptedAction::Kind::reload);
    EXPECT_EQ(actions[5].kind, ScriptedAction::Kind::fullScreen);
    EXPECT_EQ(actions[6].kind, ScriptedAction::Kind::resize);
    EXPECT_EQ(actions[6].height, 600);
    EXPECT_EQ(actions[7].to, "w.png");
}
