// Whole runs of the program on small scripts: statuses and log lines as an
// author sees them.
#include "RunProgram.h"

#include <gtest/gtest.h>

using testsupport::RunResult;

namespace {

class PlayScript : public testing::Test {
protected:
    RunResult play(const std::string& script, const std::string& options) {
        testsupport::writeDemo(demo(), script);
        return testsupport::runDemoplayer("-C '" + demo().string() + "' " + options, work_.path());
    }
    std::filesystem::path demo() const { return work_.path() / "demo"; }

    testsupport::ScratchDir work_{testing::UnitTest::GetInstance()->current_test_info()->name()};
};

const char* const kSoundScript =
    "globalSettings musicBpm=120\n"
    "event intro timer time=0\n"
    "event second timer time=midi(2:1:0)\n"  // bar 2 at 120 bpm: 2 s
    "event bye relativeTimer relativeTo=second deltaTime=1\n"
    "logo at intro dummyModule start\n"
    "title at second dummyModule start\n"
    "order at second drawOrder start first=title second=logo\n"
    "logo at bye dummyModule stop\n";

}  // namespace

TEST_F(PlayScript, EventsFireInOrderAgainstTheFixedClock) {
    RunResult r = play(kSoundScript, "--batch --fixed-fps 10 --until 4");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string& log = r.err;
    const auto parse = log.find("Parsing script file \"data\\demo.qsc\"");
    const auto loading = log.find("Loading script\nLoading done, entering demo\n");
    const auto silence = log.find("No music set, going for 3 minutes of silence");
    const auto logo = log.find("start executed at logo\n");
    const auto title = log.find("start executed at title\n");
    const auto added = log.find("dependency added, size of dependencies is 1\n");
    const auto stop = log.find("stop executed at logo\n");
    ASSERT_NE(parse, std::string::npos);
    ASSERT_NE(stop, std::string::npos);
    EXPECT_LT(parse, loading);
    EXPECT_LT(loading, silence);
    EXPECT_LT(silence, logo);
    EXPECT_LT(logo, title);
    EXPECT_LT(title, added);
    EXPECT_LT(added, stop);
    // The order listing at the second event's time puts title before logo.
    EXPECT_NE(
        log.find("Track order at 2.000000 is:\nTrack 0: order,\tmodule: drawOrder\n"
                 "Track 1: title,\tmodule: dummyModule\nTrack 2: logo,\tmodule: dummyModule\n"),
        std::string::npos)
        << log;
}

TEST_F(PlayScript, StartTimeFiresEverythingDueInTheFirstFrame) {
    RunResult r = play(kSoundScript, "--batch --fixed-fps 10 --start 2.5 --until 2.6");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("start executed at logo\nstart executed at title\n"), std::string::npos);
    EXPECT_EQ(r.err.find("stop executed"), std::string::npos);
}

TEST_F(PlayScript, SilentClockEndsThePresentationAfterThreeMinutes) {
    RunResult r =
        play("event e timer time=179\nx at e dummyModule start\n", "--batch --fixed-fps 2");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("start executed at x"), std::string::npos);
}

TEST_F(PlayScript, CheckReportsEveryFaultAndTheStatus) {
    RunResult r = play(kSoundScript, "--check");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("Loading script"), std::string::npos);  // no loading

    r = play(
        "event a timer\nevent b relativeTimer deltaTime=x\nt at a dummyModule start\n"
        "t at c dummyModule start\n",
        "--check");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Error in data\\demo.qsc, line 1, pos 8: timer: must specify parameter "
                         "\"time\"\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("line 2, pos 22: Required parameter \"relativeTo\" not set"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("line 4, pos 5: Event name \"c\", not defined\n"), std::string::npos);
    EXPECT_NE(r.err.find("Script has errors, exiting..\n"), std::string::npos);

    // A normal run of the same script stops before opening anything.
    r = testsupport::runDemoplayer("-C '" + demo().string() + "' --batch", work_.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Script has errors, exiting..\nError - exiting demo\n"),
              std::string::npos);
}

TEST_F(PlayScript, FaultsFoundWhilePlaying) {
    RunResult r =
        play("event e relativeTimer relativeTo=e deltaTime=0\n", "--batch --fixed-fps 10");
    EXPECT_EQ(r.status, 326 % 256);
    EXPECT_NE(r.err.find("Possible loop in relative timers, involving \"e\", aborting\n"),
              std::string::npos);

    r = play("event e timer time=1\nt at e fog start\n", "--check");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Event module \"fog\" unknown"), std::string::npos);

    std::filesystem::remove(demo() / "demo.qsc");
    r = testsupport::runDemoplayer("-C '" + demo().string() + "' --batch", work_.path());
    EXPECT_EQ(r.status, 245);
    EXPECT_NE(r.err.find("Script \"data\\demo.qsc\" not found, aborting\n"), std::string::npos);
}
