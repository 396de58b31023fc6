// A timeline without graphics for the rules of the fade and route modules:
// tracks made by hand, modules commanded as firing events would command
// them, and a music clock the test sets. Modules that would draw are
// stand-ins with the draw priorities of "scene" (50) and "text" (200).
#pragma once

#include "FakeMusic.h"
#include "base/Log.h"
#include "effects/EffectModules.h"
#include "script/ArgumentList.h"
#include "timeline/MusicClock.h"
#include "timeline/Timeline.h"
#include "timeline/Track.h"
#include "timeline/TrackModule.h"
#include "timeline/TrackModuleFactory.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

// Draws nothing; answers to a table name with that module's priority.
class StandIn : public TrackModule {
public:
    StandIn(std::string name, int priority) : name_(std::move(name)), priority_(priority) {}
    const std::string& name() const override { return name_; }
    int drawPriority() const override { return priority_; }
    int render(float, Destination*, TextureSource*, TextureSource*) override { return 0; }

private:
    std::string name_;
    int priority_;
};

class ModuleRules : public testing::Test {
protected:
    static void SetUpTestSuite() {
        registerEffectModules();
        registerTrackModule("scene", [] { return std::make_unique<StandIn>("scene", 50); });
        registerTrackModule("text", [] { return std::make_unique<StandIn>("text", 200); });
    }
    void SetUp() override { setCurrentTimeline(&timeline_); }

    Track& track(const std::string& name) { return *timeline_.tracks().getOrCreate(name); }

    // What a firing event does: select the `type` module on the track, then
    // hand it the command. Returns the command's result.
    bool command(const std::string& trackName, const std::string& type, const std::string& word,
                 std::vector<std::pair<std::string, std::string>> arguments = {}) {
        Track& t = track(trackName);
        TrackModule* m = t.moduleFor(type);
        if (t.selected() != m) t.selectModule(m);
        ArgumentList list;
        for (const auto& [key, value] : arguments) list.addToken(key + "=" + value);
        return m->command(word, list, t);
    }
    TrackModule* selected(const std::string& trackName) { return track(trackName).selected(); }
    int dependency(const std::string& first, const std::string& second) {
        return timeline_.tracks().dependencyCount(&track(first), &track(second));
    }

    FakeMusic clock_;
    Timeline timeline_{&clock_};
};
