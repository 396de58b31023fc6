// Draw order: priorities, dependencies with counts, loops, viewports and
// the order listing.
#include "TimelineTestSupport.h"
#include "base/Log.h"
#include "base/Screen.h"
#include "timeline/Event.h"
#include "timeline/SourceDestPool.h"
#include "timeline/Timeline.h"
#include "timeline/TrackList.h"

#include <gtest/gtest.h>

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// A track with a probe module of the given priority selected.
ProbeModule* withProbe(Track* track, int priority,
                       std::vector<std::unique_ptr<ProbeModule>>& keep) {
    keep.push_back(std::make_unique<ProbeModule>(priority));
    track->selectModule(keep.back().get());
    return keep.back().get();
}

std::vector<std::string> order(TrackList& list) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < list.size(); ++i) names.push_back(list.at(i)->name());
    return names;
}

class TrackListTest : public testing::Test {
protected:
    void SetUp() override {
        timeline_ = std::make_unique<Timeline>(&music_);
        setCurrentTimeline(timeline_.get());
    }
    void TearDown() override {
        // Tracks must let go of the probes (owned here) before they die.
        for (std::size_t i = 0; i < list().size(); ++i) list().at(i)->selectModule(nullptr);
        timeline_.reset();
    }
    TrackList& list() { return timeline_->tracks(); }

    FakeMusic music_;
    std::unique_ptr<Timeline> timeline_;
    std::vector<std::unique_ptr<ProbeModule>> probes_;
};

}  // namespace

TEST_F(TrackListTest, PrioritiesSortStablyAndNoModuleCountsAsZero) {
    withProbe(list().getOrCreate("text"), 200, probes_);
    withProbe(list().getOrCreate("imageA"), 100, probes_);
    list().getOrCreate("empty");
    withProbe(list().getOrCreate("fade"), -1000, probes_);
    withProbe(list().getOrCreate("imageB"), 100, probes_);
    withProbe(list().getOrCreate("scene"), 50, probes_);
    CaptureStderr();
    list().sort();
    GetCapturedStderr();
    EXPECT_EQ(order(list()),
              (std::vector<std::string>{"fade", "empty", "scene", "imageA", "imageB", "text"}));
    // Names are exact: another case is another track.
    EXPECT_NE(list().getOrCreate("Text"), list().getOrCreate("text"));
}

TEST_F(TrackListTest, DependenciesOverridePriorityAndAreCounted) {
    Track* text = list().getOrCreate("text");
    Track* image = list().getOrCreate("image");
    withProbe(text, 200, probes_);
    withProbe(image, 100, probes_);
    CaptureStderr();
    list().addDependency(text, image);
    list().addDependency(text, image);
    const std::string log = GetCapturedStderr();
    EXPECT_NE(log.find("dependency added, size of dependencies is 1\n"), std::string::npos);
    EXPECT_EQ(list().dependencyCount(text, image), 2);
    EXPECT_EQ(order(list()), (std::vector<std::string>{"text", "image"}));

    CaptureStderr();
    list().removeDependency(text, image);
    EXPECT_TRUE(list().needsSort());
    list().sort();
    EXPECT_EQ(order(list()), (std::vector<std::string>{"text", "image"}));  // one user left
    list().removeDependency(text, image);
    list().sort();
    GetCapturedStderr();
    EXPECT_EQ(list().dependencyPairs(), 0u);
    EXPECT_EQ(order(list()), (std::vector<std::string>{"image", "text"}));
}

TEST_F(TrackListTest, ChainsOfDependenciesSettleAndLoopsAbort) {
    Track* a = list().getOrCreate("a");
    Track* b = list().getOrCreate("b");
    Track* c = list().getOrCreate("c");
    CaptureStderr();
    list().addDependency(c, b);
    list().addDependency(b, a);
    GetCapturedStderr();
    EXPECT_EQ(order(list()), (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_EXIT(list().addDependency(a, c), testing::ExitedWithCode(42),
                "There's a loop in the track order, aborting\n");
    EXPECT_EXIT(list().removeDependency(a, b), testing::ExitedWithCode(87),
                "Removing non-existing dependency, exiting\n");
}

TEST_F(TrackListTest, DrawSetsViewportsAroundTextureTargetsAndEveryTrackDraws) {
    setScreenSize(800, 600);
    std::vector<std::string> calls;
    list().setViewportSetter([&](int x, int y, int w, int h) {
        calls.push_back(std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) +
                        "x" + std::to_string(h));
    });
    Track* routed = list().getOrCreate("routed");
    Track* shown = list().getOrCreate("shown");
    ProbeModule* failing = nullptr;
    probes_.push_back(std::make_unique<ProbeModule>(100, 1));
    failing = probes_.back().get();
    routed->selectModule(failing);
    ProbeModule* ok = withProbe(shown, 100, probes_);
    PoolEntry* cable = SourceDestPool::instance().freeEndpoint("PatchCable");
    routed->setDestination(cable);
    EXPECT_EQ(cable->useCount(), 1);

    CaptureStderr();
    EXPECT_FALSE(list().draw(2.5f));  // one track failed, but both were drawn
    GetCapturedStderr();
    EXPECT_EQ(calls, (std::vector<std::string>{"0,0,512x512", "0,0,800x600"}));
    EXPECT_EQ(list().firstFullViewport(), 1u);
    EXPECT_EQ(failing->renderedAt, std::vector<float>{2.5f});
    EXPECT_EQ(ok->renderedAt, std::vector<float>{2.5f});

    // Without texture targets the window viewport comes before the first track.
    routed->setDestination(SourceDestPool::instance().freeEndpoint("DestinationGL"));
    EXPECT_EQ(cable->useCount(), 0);
    EXPECT_EQ(SourceDestPool::instance().freeEndpoint("PatchCable"), cable);  // reused
    calls.clear();
    list().markForSort();
    CaptureStderr();
    list().draw(3.0f);
    GetCapturedStderr();
    EXPECT_EQ(calls, (std::vector<std::string>{"0,0,512x512", "0,0,800x600"}));
    EXPECT_EQ(list().firstFullViewport(), 0u);
}

TEST_F(TrackListTest, OrderListingNumbersByPositionAndSkipsUnselectedTracks) {
    music_.now = 1.5;
    list().getOrCreate("idle");
    withProbe(list().getOrCreate("logo"), 100, probes_);
    CaptureStderr();
    list().sort();
    EXPECT_EQ(GetCapturedStderr(),
              "Track order at 1.500000 is:\nTrack 1: logo,\tmodule: probe\n\n");
}

TEST_F(TrackListTest, DependencyOnTrackOutsideTheListAborts) {
    TrackList elsewhere;
    Track stranger("stranger", 99, elsewhere);
    Track* a = list().getOrCreate("a");
    EXPECT_EXIT(list().addDependency(a, &stranger), testing::ExitedWithCode(2867 % 256),
                "Track in dependency not found, either a or stranger\n");
}

TEST(SourceDestPool, UnknownNamesAbortAndFrameBuffersAreNeverShared) {
    SourceDestPool& pool = SourceDestPool::instance();
    PoolEntry* a = pool.freeEndpoint("DestinationGL");
    PoolEntry* b = pool.freeEndpoint("destinationgl");
    EXPECT_NE(a, b);
    EXPECT_FALSE(a->isOffscreen());
    EXPECT_TRUE(pool.freeEndpoint("patchCable7")->isOffscreen());
    EXPECT_EXIT(pool.freeEndpoint("Screen"), testing::ExitedWithCode(26),
                "SourceDestPool: name unknown, aborting");
    // Counts never go below zero.
    PoolEntry* slot = nullptr;
    SourceDestPool::assign(slot, a);
    a->releaseUse();
    SourceDestPool::assign(slot, nullptr);
    EXPECT_EQ(a->useCount(), 0);

    // A cable nobody uses is handed out again, the first made first; the
    // name must match exactly.
    PoolEntry* c1 = pool.freeEndpoint("PatchCableReuse");
    c1->addUse();
    PoolEntry* c2 = pool.freeEndpoint("PatchCableReuse");
    c2->addUse();
    EXPECT_NE(c1, c2);
    c2->releaseUse();
    c1->releaseUse();
    EXPECT_EQ(pool.freeEndpoint("PatchCableReuse"), c1);
    c1->addUse();
    EXPECT_EQ(pool.freeEndpoint("PatchCableReuse"), c2);
    PoolEntry* other = pool.freeEndpoint("patchCableReuse");
    EXPECT_NE(other, c1);
    EXPECT_NE(other, c2);
    c1->releaseUse();
}

// Look-ups are exact while creation ignores case: each "Timer" makes another
// module, named "timer", and "timer" keeps finding the first of that name.
TEST(EventModuleRegistry, LookUpIsExactAndTheFirstOfANameWins) {
    EventModuleRegistry& registry = EventModuleRegistry::instance();
    EventModule* timer = registry.getOrCreate("timer");
    EventModule* made = registry.getOrCreate("Timer");
    EXPECT_NE(made, timer);
    EXPECT_EQ(made->name(), "timer");
    EXPECT_NE(registry.getOrCreate("Timer"), made);
    EXPECT_EQ(registry.find("timer"), timer);
    EXPECT_EQ(registry.find("Timer"), nullptr);
    const std::size_t size = registry.size();
    EXPECT_EQ(registry.getOrCreate("sundial"), nullptr);
    EXPECT_EQ(registry.size(), size);
}
