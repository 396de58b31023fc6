#include "base/Log.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

class Log : public testing::Test {
protected:
    void SetUp() override {
        setScriptErrorFlag(false);
        scriptPosition() = {"data\\demo.qsc", 12, 7};
    }
};

TEST_F(Log, PrefixesAndTheErrorFlag) {
    CaptureStderr();
    logMessage("plain %d\n", 1);
    logWarning("warned %s\n", "x");
    EXPECT_FALSE(scriptErrorFlag());
    // A message without a final newline still ends its line.
    logError("failed %.1f", 2.5);
    logProgress("loaded\n");
    setQuietLog(true);
    logProgress("hidden\n");
    logMessage("plain %d\n", 2);
    logWarning("still %s\n", "shown");
    setQuietLog(false);
    // After a status line rewritten in place, a message starts a line of its own.
    std::fputs("\r50%", stderr);
    setStatusLineOpen(true);
    logMessage("late\n");
    logMessage("next\n");
    EXPECT_EQ(GetCapturedStderr(),
              "plain 1\n"
              "Warning in data\\demo.qsc, line 12, pos 7: warned x\n"
              "Error in data\\demo.qsc, line 12, pos 7: failed 2.5\n"
              "loaded\n"
              "plain 2\n"
              "Warning in data\\demo.qsc, line 12, pos 7: still shown\n"
              "\r50%\nlate\nnext\n");
    EXPECT_TRUE(scriptErrorFlag());
}

// Work done off the main thread holds its messages; replayed later they
// read as if written then, with the prefixes, quiet log and error flag of
// the replay. Another thread's messages are not held.
TEST_F(Log, CapturedMessagesWaitForTheirReplay) {
    CaptureStderr();
    std::vector<HeldMessage> held;
    {
        LogCapture capture;
        logMessage("plain %d", 1);
        logProgress("loaded\n");
        logWarning("warned\n");
        logError("failed\n");
        std::thread([] { logMessage("elsewhere\n"); }).join();
        held = capture.take();
    }
    EXPECT_FALSE(scriptErrorFlag());
    EXPECT_EQ(GetCapturedStderr(), "elsewhere\n");
    ASSERT_EQ(held.size(), 4u);
    EXPECT_EQ(held[0].text, "plain 1");

    scriptPosition().line = 30;
    CaptureStderr();
    setQuietLog(true);
    replayLog(held);
    setQuietLog(false);
    EXPECT_EQ(GetCapturedStderr(),
              "plain 1\n"
              "Warning in data\\demo.qsc, line 30, pos 7: warned\n"
              "Error in data\\demo.qsc, line 30, pos 7: failed\n");
    EXPECT_TRUE(scriptErrorFlag());
}

TEST_F(Log, PositionBetweenPasses) {
    scriptPosition().line = -1;
    CaptureStderr();
    logWarning("w\n");
    EXPECT_EQ(GetCapturedStderr(), "Warning in data\\demo.qsc, line -1, pos 7: w\n");
}

TEST_F(Log, FatalStopEndsWithTheCallersStatusAfterTheBox) {
    // Without a platform handler the box text goes to standard error.
    EXPECT_EXIT(fatalStop(23), testing::ExitedWithCode(23), "Error - exiting demo");
    // The parent sees the low eight bits of larger statuses.
    EXPECT_EXIT(fatalStop(346), testing::ExitedWithCode(346 % 256), "Error - exiting demo");
    EXPECT_EXIT(logFatal("Cannot find bitmap \"%s\"\n", "a.png"), testing::ExitedWithCode(1),
                "Fatal error in data.demo.qsc, line 12, pos 7: Cannot find bitmap \"a.png\"\n"
                "Error - exiting demo");
}

TEST_F(Log, FatalStopRunsTheHandlerOnce) {
    EXPECT_EXIT(
        {
            setFatalStopHandler([] {
                std::fputs("handler\n", stderr);
                fatalStop(9);  // a fault inside the handler must not recurse
            });
            fatalStop(23);
        },
        testing::ExitedWithCode(9), "handler\nError - exiting demo");
}
