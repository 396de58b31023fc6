// The script loader's three passes and the events they create, fired frame
// by frame against a hand-set music clock.
#include "TimelineTestSupport.h"
#include "base/Log.h"
#include "timeline/RelativeTimerCheck.h"
#include "timeline/Timeline.h"
#include "timeline/TimelineParser.h"
#include "timeline/Track.h"
#include "timeline/TrackModuleFactory.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

class Parser : public testing::Test {
protected:
    static void SetUpTestSuite() {
        namespace fs = std::filesystem;
        const fs::path dir =
            fs::temp_directory_path() / ("dp_timeline_" + std::to_string(getpid()));
        fs::create_directories(dir);
        fs::current_path(dir);
    }
    void SetUp() override { setScriptErrorFlag(false); }

    // Parses with the log kept in log_.
    std::unique_ptr<Timeline> parse(const std::string& script) {
        CaptureStderr();
        auto timeline = parseTimeline(writeScript(script), &music_);
        log_ = GetCapturedStderr();
        return timeline;
    }
    // For death tests, whose own capture must see the log.
    std::unique_ptr<Timeline> parseLoud(const std::string& script) {
        return parseTimeline(writeScript(script), &music_);
    }
    // One frame at music time t; returns the frame's result, log in log_.
    bool frameAt(Timeline& timeline, double t) {
        CaptureStderr();
        bool ok = frameLoud(timeline, t);
        log_ = GetCapturedStderr();
        return ok;
    }
    bool frameLoud(Timeline& timeline, double t) {
        music_.now = t;
        return timeline.frame(static_cast<float>(t));
    }

    FakeMusic music_;
    std::string log_;
};

}  // namespace

TEST_F(Parser, ThreePassesKeywordCaseAndForwardEvents) {
    auto tl = parse(
        "logo at intro dummyModule start\n"
        "GLOBALSETTINGS music=theme.ogg musicBpm=120 other=ignored\n"
        "  ; an indented comment line\n"
        "Event intro timer time=1\n"
        "logo At introEnd dummyModule stop\n"
        "event introEnd relativeTimer relativeTo=INTRO deltaTime=8\n");
    ASSERT_TRUE(tl);
    EXPECT_EQ(log_.rfind("Tallowmere scripting system\nParsing script file \"data\\t", 0), 0u);
    EXPECT_EQ(music_.names, std::vector<std::string>{"theme.ogg"});
    EXPECT_FLOAT_EQ(tl->tempo().musicBpm, 120.0f);
    ASSERT_EQ(tl->eventCount(), 2u);
    EXPECT_EQ(tl->event(0).commands.size(), 1u);
    EXPECT_EQ(tl->event(1).commands.size(), 1u);
    EXPECT_FLOAT_EQ(tl->event(1).eventTime(*tl, 256), 9.0f);
    EXPECT_EQ(log_.find("Warning"), std::string::npos);  // other global keys are silent
    EXPECT_FALSE(scriptErrorFlag());

    EXPECT_TRUE(frameAt(*tl, 0.5));
    EXPECT_EQ(music_.starts, 1);
    EXPECT_EQ(log_.find("executed"), std::string::npos);
    EXPECT_TRUE(frameAt(*tl, 1.0));  // a timer fires when time reaches it
    EXPECT_NE(log_.find("start executed at logo\n"), std::string::npos);
    Track* logo = tl->tracks().find("logo");
    ASSERT_TRUE(logo);
    EXPECT_EQ(logo->selected()->name(), "dummyModule");
    EXPECT_TRUE(frameAt(*tl, 9.0));
    EXPECT_NE(log_.find("stop executed at logo\n"), std::string::npos);
    EXPECT_EQ(logo->selected(), nullptr);
    EXPECT_TRUE(frameAt(*tl, 20.0));  // events fire once
    EXPECT_EQ(log_.find("executed"), std::string::npos);
    music_.isOver = true;
    EXPECT_FALSE(frameAt(*tl, 21.0));  // the end of the music ends the presentation
}

TEST_F(Parser, EveryFaultIsListedWithItsPlaceThenTheScriptFails) {
    const std::string script =
        "globalSettings musicBpm=fast\n"
        "event\n"
        "event lonely\n"
        "event e1 sundial time=1\n"
        "event e2 timer\n"
        "event e3 timer time=soon\n"
        "\n"
        "t1 on e2 dummyModule start\n"
        "t1 at Missing dummyModule start\n"
        "t1 at e2\n"
        "t1 at e2 dummyModule\n"
        "   t2 at e2 dummyModule start\n"
        "t3 at e2 dummyModule start \"open\n";
    EXPECT_EXIT(parseLoud(script), testing::ExitedWithCode(1),
                "line 1, pos 15: globalSettings: parameter \"musicBpm\" must be a number\n"
                ".*line 2, pos 0: Expected event name\n"
                ".*line 3, pos 6: Expected event module name\n"
                ".*line 4, pos 9: Event module name \"sundial\" unknown\n"
                ".*line 5, pos 9: timer: must specify parameter \"time\"\n"
                ".*line 6, pos 15: timer: parameter \"time\" must have data type float\n"
                ".*line 8, pos 3: Expected \"at\"\n"
                ".*line 9, pos 6: Event name \"Missing\", not defined\n"
                ".*line 10, pos 6: Expected track module name\n"
                ".*line 11, pos 9: Expected command\n"
                ".*line 12, pos 3: Expected \"at\"\n"
                ".*line 13, pos [0-9]+: Unmatched '\"'\n"
                ".*Script has errors, exiting..\n");
}

// With no musical time in the script a tempo of 0 does no harm; with one,
// each such time fails the script at its own place.
TEST_F(Parser, TempoNotAbove0WarnsAtItsStatementAndFailsEveryMidiTime) {
    auto tl = parse("globalSettings musicBpm=0\nevent e timer time=1\n");
    ASSERT_TRUE(tl);
    EXPECT_NE(log_.find("Warning in data\\t"), std::string::npos);
    EXPECT_NE(log_.find(", line 1, pos 15: globalSettings: parameter \"musicBpm\" must be above 0, "
                        "got 0.000000"),
              std::string::npos)
        << log_;
    EXPECT_FALSE(scriptErrorFlag());

    EXPECT_EXIT(parseLoud("event a timer time=midi(3:1:0)\n"
                          "globalSettings musicBpm=-120\n"
                          "event b relativeTimer relativeTo=a deltaTime=midilength(1:0:0)\n"),
                testing::ExitedWithCode(1),
                "line 2, pos 15: globalSettings: parameter \"musicBpm\" must be above 0, got -120"
                ".*line 1, pos 14: Miditime - tempo must be above 0 beats per minute, got -120"
                ".*line 3, pos 35: Miditime - tempo must be above 0 beats per minute, got -120"
                ".*Script has errors, exiting..\n");
}

TEST_F(Parser, UnknownTrackModuleStopsAtOnce) {
    EXPECT_EXIT(
        parseLoud("event e timer time=0\n"
                  "t at e fog start\n"
                  "t at e alsoUnknown start\n"),
        testing::ExitedWithCode(1),
        "Fatal error in data\\\\t[0-9]+\\.qsc, line 2, pos 7: Event module \"fog\" unknown");
}

TEST_F(Parser, ModuleWordsDuplicateEventsAndSameFrameOrder) {
    auto tl = parse(
        "event intro timer time=0\n"
        "event intro timer time=5\n"
        "event later relativeTimer relativeTo=intro deltaTime=-0.5\n"
        "a at intro dummyModule start\n"
        "a at intro DUMMYMODULE start\n"
        "b at intro dummyModule stop\n"
        "b at intro dummyModule start flavour=plain\n");
    // Arguments a dummy module never reads are reported, not refused.
    EXPECT_NE(log_.find("key \"flavour\", value \"plain\" not recognized"), std::string::npos);
    // Commands attach to the first of two events of one name.
    EXPECT_EQ(tl->event(0).commands.size(), 4u);
    EXPECT_TRUE(tl->event(1).commands.empty());
    // Another case of a module word is another module on the track.
    Track* a = tl->tracks().find("a");
    EXPECT_EQ(a->moduleCount(), 2u);

    // A negative delta fires before the event it refers to would.
    EXPECT_TRUE(frameAt(*tl, -0.25));
    EXPECT_TRUE(frameAt(*tl, 0.0));
    // Same frame: the commands run in script order, so b ends up started.
    const auto stop = log_.find("stop executed at b");
    const auto start = log_.find("start executed at b");
    ASSERT_NE(stop, std::string::npos);
    EXPECT_LT(stop, start);
    EXPECT_EQ(tl->tracks().find("b")->selected()->name(), "dummyModule");
    // The module of the later command, not the first one.
    EXPECT_NE(a->selected(), a->moduleFor("dummyModule"));
    EXPECT_EQ(a->selected()->name(), "dummyModule");
}

TEST_F(Parser, RelativeTimerChains) {
    auto tl = parse(
        "event e0 timer time=2\n"
        "event e1 relativeTimer relativeTo=E0 deltaTime=1\n"
        "event e2 relativeTimer relativeTo=e1 deltaTime=1\n"
        "event E0 timer time=50\n"
        "x at e2 dummyModule start\n");
    // Ignoring case, the first declared of e0 and E0 is found.
    EXPECT_EQ(tl->findEventIgnoringCase("E0"), &tl->event(0));
    EXPECT_EQ(tl->findEvent("E0"), &tl->event(3));
    EXPECT_EQ(tl->findEvent("e3"), nullptr);
    EXPECT_FLOAT_EQ(tl->event(2).eventTime(*tl, 256), 4.0f);
    EXPECT_TRUE(frameAt(*tl, 3.9));
    EXPECT_EQ(log_.find("executed"), std::string::npos);
    EXPECT_TRUE(frameAt(*tl, 4.0));
    EXPECT_NE(log_.find("start executed at x"), std::string::npos);
}

// Only the ASCII capitals fold, whatever the byte and wherever it stands
// in the name; of two names equal after folding the first declared is found.
TEST(Events, LookUpIgnoringCaseFoldsOnlyAsciiLettersAnywhereInTheName) {
    Timeline timeline(nullptr);
    auto add = [&timeline](const std::string& name) {
        Event event;
        event.name = name;
        return &timeline.addEvent(std::move(event));
    };
    for (int b = 1; b < 256; ++b) add(std::string(11, static_cast<char>(b)));
    for (int b = 1; b < 256; ++b) {
        const std::string name(11, static_cast<char>(b));
        // A small letter finds its capital, declared before it.
        const int first = b >= 'a' && b <= 'z' ? b - 32 : b;
        EXPECT_EQ(timeline.findEventIgnoringCase(name), &timeline.event(first - 1)) << b;
        EXPECT_EQ(timeline.findEvent(name), &timeline.event(b - 1));
    }
    // Every length and place: another case finds the name, another byte not.
    const std::string letters = "AbCdEfGhIjKlMnOpQ";
    for (std::size_t length = 1; length <= letters.size(); ++length) {
        const std::string name = letters.substr(0, length);
        Event* event = add(name);
        std::string swapped = name;
        for (char& c : swapped) c = static_cast<char>(c ^ 0x20);
        EXPECT_EQ(timeline.findEventIgnoringCase(swapped), event) << swapped;
        for (std::size_t at = 0; at < length; ++at) {
            std::string other = name;
            other[at] = '_';
            EXPECT_EQ(timeline.findEventIgnoringCase(other), nullptr) << other;
        }
    }
}

TEST_F(Parser, LateEventsStartTheirCommandsAtTheirOwnTime) {
    // A module that records the time its commands take as "now"; it stands
    // in for a table entry no module of this library fills.
    static std::vector<double> seen;
    struct TimeProbe : DummyModule {
        bool command(const std::string& word, ArgumentList& arguments, Track& track) override {
            seen.push_back(track.list().commandTime());
            return TrackModule::command(word, arguments, track);
        }
    };
    ASSERT_TRUE(registerTrackModule("scene", [] { return std::make_unique<TimeProbe>(); }));
    auto tl = parse(
        "event a timer time=1\n"
        "event b relativeTimer relativeTo=a deltaTime=0.5\n"
        "x at a scene start\n"
        "x at b scene stop\n");
    // Both fire late in one frame (a start position, a rebuild): each command
    // sees its own event's time; between events "now" is the music time.
    EXPECT_TRUE(frameAt(*tl, 5.0));
    EXPECT_EQ(seen, (std::vector<double>{1.0, 1.5}));
    music_.now = 7.25;
    EXPECT_DOUBLE_EQ(tl->commandTime(), 7.25);
}

TEST_F(Parser, RelativeTimerFaultsAbortWhilePlaying) {
    auto loop = parse("event self relativeTimer relativeTo=self deltaTime=1\n");
    EXPECT_EXIT(frameLoud(*loop, 0), testing::ExitedWithCode(326 % 256),
                "Possible loop in relative timers, involving \"self\", aborting\n");
    auto missing = parse("event e relativeTimer relativeTo=nowhere deltaTime=1\n");
    EXPECT_EXIT(frameLoud(*missing, 0), testing::ExitedWithCode(364 % 256),
                "relativetimer: event \"nowhere\" does not exist\n");
}

// The check lists what would end a run when the time is asked for, each
// fault once at the event to fix, and leaves the timeline to play as before.
TEST_F(Parser, RelativeTimerCheckListsFaultsWithoutEndingTheRun) {
    std::string script =
        "event start timer time=1\n"
        "event lost relativeTimer relativeTo=nowhere deltaTime=1\n"
        "event self relativeTimer relativeTo=SELF deltaTime=1\n"
        "event into relativeTimer relativeTo=ring2 deltaTime=1\n"
        "event ring1 relativeTimer relativeTo=ring2 deltaTime=1\n"
        "event ring2 relativeTimer relativeTo=ring1 deltaTime=1\n"
        "event afterLost relativeTimer relativeTo=lost deltaTime=1\n"
        "x at start dummyModule start\n";
    // deep0 -> deep1 -> ... -> deep256 -> start: deep0 passes through 257
    // events, one more than the budget; deep1 is exactly within it.
    for (int i = 0; i <= 256; ++i)
        script += "event deep" + std::to_string(i) + " relativeTimer relativeTo=" +
                  (i < 256 ? "deep" + std::to_string(i + 1) : std::string("start")) +
                  " deltaTime=0\n";
    script += "event deeper relativeTimer relativeTo=deep0 deltaTime=0\n";
    auto tl = parse(script);
    ASSERT_TRUE(tl);
    scriptPosition().line = 99;

    CaptureStderr();
    const int faults = checkRelativeTimers(*tl);
    const std::string log = GetCapturedStderr();
    EXPECT_EQ(faults, 4);
    testing::internal::RE expected(
        "^Error in data.t[0-9]+\\.qsc, line 2, pos 6: relativetimer: event \"nowhere\" does not "
        "exist\n"
        "Error in [^,]+, line 3, pos 6: relativeTimer: loop of 1 relative timer\\(s\\) through "
        "\"self\"\n"
        "Error in [^,]+, line 5, pos 6: relativeTimer: loop of 2 relative timer\\(s\\) through "
        "\"ring1\"\n"
        "Error in [^,]+, line 9, pos 6: relativeTimer: chain of relative timers from \"deep0\" is "
        "deeper than 256 events\n$");
    EXPECT_TRUE(testing::internal::RE::FullMatch(log, expected)) << log;
    EXPECT_TRUE(scriptErrorFlag());
    EXPECT_EQ(scriptPosition().line, 99);
    // The limits the run itself has, with the budget of a firing event:
    // deep1's chain is sound, deep0's one event too long.
    const int budget = RelativeTimerModule::kDepthBudget + 1;
    EXPECT_FLOAT_EQ(tl->event(8).eventTime(*tl, budget), 1.0f);
    EXPECT_EXIT(tl->event(7).eventTime(*tl, budget), testing::ExitedWithCode(326 % 256),
                "Possible loop in relative timers, involving \"start\"");

    // A sound timeline: nothing to report, and it plays as it would have.
    setScriptErrorFlag(false);
    auto sound = parse(
        "event a timer time=1\n"
        "event b relativeTimer relativeTo=A deltaTime=1\n"
        "x at b dummyModule start\n");
    CaptureStderr();
    EXPECT_EQ(checkRelativeTimers(*sound), 0);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_FALSE(scriptErrorFlag());
    EXPECT_TRUE(frameAt(*sound, 2.0));
    EXPECT_NE(log_.find("start executed at x"), std::string::npos);
}

TEST_F(Parser, CommentOnlyScriptHasNothingToLoad) {
    auto tl = parse("; nothing here\n\n   \n");
    EXPECT_EQ(tl->eventCount(), 0u);
    EXPECT_EQ(tl->tracks().size(), 0u);
    EXPECT_EQ(tl->totalLoadWeight(), 0.0f);
    CountingProgress progress;
    CaptureStderr();
    EXPECT_TRUE(tl->load(progress));
    EXPECT_EQ(GetCapturedStderr(), "Loading script\nLoading done, entering demo\n");
    EXPECT_EXIT(parseLoud(""), testing::ExitedWithCode(245),
                "Script \"data\\\\t[0-9]+.qsc\" not found");
}

TEST_F(Parser, DrawOrderModuleOrdersTracksWhileStarted) {
    auto tl = parse(
        "event on timer time=1\n"
        "event off timer time=2\n"
        "order at on drawOrder start first=top second=bottom\n"
        "order at off drawOrder stop\n"
        "bottom at on dummyModule start\n");
    CountingProgress progress;
    CaptureStderr();
    tl->load(progress);
    GetCapturedStderr();
    // Loading made the track named only by drawOrder exist.
    Track* top = tl->tracks().find("top");
    Track* bottom = tl->tracks().find("bottom");
    ASSERT_TRUE(top);
    EXPECT_TRUE(frameAt(*tl, 1.0));
    EXPECT_EQ(tl->tracks().dependencyCount(top, bottom), 1);
    EXPECT_NE(log_.find("dependency added, size of dependencies is 1"), std::string::npos);
    EXPECT_TRUE(frameAt(*tl, 2.0));
    EXPECT_EQ(tl->tracks().dependencyCount(top, bottom), 0);
}

TEST_F(Parser, SecondDrawOrderStartReplacesThePair) {
    auto tl = parse(
        "event on timer time=1\n"
        "event again timer time=2\n"
        "event off timer time=3\n"
        "order at on drawOrder start first=a second=b\n"
        "order at again drawOrder start first=b second=a\n"
        "order at off drawOrder stop\n");
    CountingProgress progress;
    CaptureStderr();
    tl->load(progress);
    GetCapturedStderr();
    Track* a = tl->tracks().find("a");
    Track* b = tl->tracks().find("b");
    EXPECT_TRUE(frameAt(*tl, 1.0));
    EXPECT_TRUE(frameAt(*tl, 2.0));  // no loop: the first pair is gone
    EXPECT_EQ(tl->tracks().dependencyCount(a, b), 0);
    EXPECT_EQ(tl->tracks().dependencyCount(b, a), 1);
    EXPECT_TRUE(frameAt(*tl, 3.0));
    EXPECT_EQ(tl->tracks().dependencyPairs(), 0u);
}

TEST_F(Parser, DrawOrderStopWithoutStartAborts) {
    auto tl = parse(
        "event e timer time=0\n"
        "order at e drawOrder stop\n");
    EXPECT_EXIT(frameLoud(*tl, 0), testing::ExitedWithCode(23),
                "FxModule - stop called without tracks set, aborting\n");
}

namespace {

// A module with `count` resources, loaded one a call; the one numbered
// `failing` (from 0) fails. Every load is written to `loads`.
class ResourceModule : public TrackModule {
public:
    ResourceModule(std::string label, int count, int failing, std::vector<std::string>& loads)
        : label_(std::move(label)), count_(count), failing_(failing), loads_(loads) {}
    const std::string& name() const override { return label_; }
    int render(float, Destination*, TextureSource*, TextureSource*) override { return 0; }
    bool loadNext(LoadingScreen& progress, bool& ok) override {
        if (next_ >= count_) return false;
        loads_.push_back(label_ + std::to_string(next_));
        if (next_ == failing_) ok = false;
        ++next_;
        progress.addProgress(1.0f);
        return next_ < count_;
    }

private:
    std::string label_;
    int count_, failing_, next_ = 0;
    std::vector<std::string>& loads_;
};

class CountingScreen : public LoadingScreen {
public:
    int draw(float) override { return 0; }
    void addProgress(float) override { ++reports; }
    int reports = 0;
};

// Says each report on standard error, numbered from 1.
class SayingScreen : public CountingScreen {
public:
    void addProgress(float amount) override {
        CountingScreen::addProgress(amount);
        std::fprintf(stderr, "report %d\n", reports);
    }
};

}  // namespace

TEST_F(Parser, LoadingGoesAStepAtATimeOneResourceEach) {
    std::vector<std::string> loads;
    registerTrackModule("image",
                        [&] { return std::make_unique<ResourceModule>("image", 2, -1, loads); });
    registerTrackModule("scene",
                        [&] { return std::make_unique<ResourceModule>("scene", 3, -1, loads); });
    auto tl = parse(
        "event e timer time=0\n"
        "a at e image start\n"
        "order at e drawOrder start first=late second=a\n"
        "b at e scene start\n"
        "b at e image start\n");
    CountingScreen screen;
    CaptureStderr();
    tl->beginLoading();
    std::vector<int> reportsAfterEachStep;
    while (tl->loadStep(screen)) reportsAfterEachStep.push_back(screen.reports);
    const std::string log = GetCapturedStderr();
    // Track by track, module by module, one resource a step; a step that
    // loads nothing (the draw order making its tracks) joins the next.
    EXPECT_EQ(loads, (std::vector<std::string>{"image0", "image1", "scene0", "scene1", "scene2",
                                               "image0", "image1"}));
    EXPECT_EQ(reportsAfterEachStep, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(log, "Loading script\nLoading done, entering demo\n");
    EXPECT_TRUE(tl->tracks().find("late")) << "made while loading";
    CaptureStderr();
    EXPECT_FALSE(tl->loadStep(screen)) << "nothing more once done";
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(loads.size(), 7u);

    // A failure ends the process after every module has loaded.
    registerTrackModule("scene",
                        [&] { return std::make_unique<ResourceModule>("scene", 3, 0, loads); });
    auto failing = parse(
        "event e timer time=0\n"
        "a at e scene start\n"
        "b at e image start\n");
    EXPECT_EXIT(
        {
            SayingScreen saying;
            failing->beginLoading();
            while (failing->loadStep(saying)) {}
        },
        testing::ExitedWithCode(1), "report 5\n(.|\n)*not all track modules could be initialized");
    registerTrackModule("image", nullptr);
    registerTrackModule("scene", nullptr);
}
