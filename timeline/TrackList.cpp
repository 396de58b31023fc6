#include "timeline/TrackList.h"

#include "base/Log.h"
#include "base/Screen.h"
#include "timeline/LoadingScreen.h"
#include "timeline/TrackModule.h"

#include <algorithm>

namespace {
constexpr int kDependencyPasses = 64;

std::ptrdiff_t positionOf(const std::vector<std::unique_ptr<Track>>& tracks, const Track* t) {
    for (std::size_t i = 0; i < tracks.size(); ++i)
        if (tracks[i].get() == t) return static_cast<std::ptrdiff_t>(i);
    return -1;
}
}  // namespace

TrackList::TrackList()
    : setViewport_([](int, int, int, int) {}),
      timeSource_([] { return 0.0; }),
      commandTimeSource_([] { return 0.0; }) {}

TrackList::~TrackList() {
    dependencies_.clear();
    for (auto& t : elements_) t.reset();
}

std::unique_ptr<Track> TrackList::create(std::string_view name) {
    return std::make_unique<Track>(std::string(name), nextCreationIndex_++, *this);
}

void TrackList::addDependency(Track* first, Track* second) {
    const auto key = std::make_pair(first->creationIndex(), second->creationIndex());
    auto it = dependencies_.find(key);
    if (it != dependencies_.end())
        ++it->second.count;
    else
        dependencies_.emplace(key, Dependency{first, second, 1});
    logProgress("dependency added, size of dependencies is %i\n",
                static_cast<int>(dependencies_.size()));
    needsSort_ = true;
    sort();
}

void TrackList::removeDependency(Track* first, Track* second) {
    auto it = dependencies_.find(std::make_pair(first->creationIndex(), second->creationIndex()));
    if (it == dependencies_.end()) {
        logMessage("Removing non-existing dependency, exiting\n");
        fatalStop(87);
    }
    if (--it->second.count == 0) dependencies_.erase(it);
    needsSort_ = true;
}

int TrackList::dependencyCount(const Track* first, const Track* second) const {
    auto it = dependencies_.find(std::make_pair(first->creationIndex(), second->creationIndex()));
    return it == dependencies_.end() ? 0 : it->second.count;
}

bool TrackList::sort() {
    auto key = [](const std::unique_ptr<Track>& t) {
        return t->selected() ? t->selected()->drawPriority() : 0;
    };
    std::stable_sort(elements_.begin(), elements_.end(),
                     [&](const auto& a, const auto& b) { return key(a) < key(b); });

    for (int pass = 1; pass <= kDependencyPasses; ++pass) {
        bool changed = false;
        for (const auto& [pair, dep] : dependencies_) {
            const std::ptrdiff_t a = positionOf(elements_, dep.first);
            const std::ptrdiff_t b = positionOf(elements_, dep.second);
            if (a < 0 || b < 0) {
                logMessage("Track in dependency not found, either %s or %s\n",
                           dep.first->name().c_str(), dep.second->name().c_str());
                fatalStop(2867);
            }
            if (a > b) {
                std::swap(elements_[a], elements_[b]);
                changed = true;
            }
        }
        if (pass == kDependencyPasses && changed) {
            logMessage("There's a loop in the track order, aborting\n");
            fatalStop(42);
        }
        if (!changed) break;
    }

    firstFullViewport_ = 0;
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        const PoolEntry* d = elements_[i]->destination();
        if (d && d->isOffscreen()) firstFullViewport_ = i + 1;
    }

    logProgress("Track order at %f is:\n", timeSource_());
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        const Track& t = *elements_[i];
        if (t.selected())
            logProgress("Track %i: %s,\tmodule: %s\n", static_cast<int>(i), t.name().c_str(),
                        t.selected()->name().c_str());
    }
    logProgress("\n");
    return true;
}

bool TrackList::draw(float time) {
    bool ok = true;
    if (needsSort_) {
        ok = sort() && ok;
        needsSort_ = false;
    }
    // Texture-target tracks draw first, in order, at texture size. A track
    // drawing onto the screen ahead of one of them would otherwise be drawn
    // at texture size, copied into that texture and then wiped by the
    // capture's clear. The order itself is left as sorted.
    auto offscreen = [](const Track& t) {
        return t.destination() && t.destination()->isOffscreen();
    };
    const ScreenSize& screen = screenSize();
    setViewport_(0, 0, screen.pow2Width, screen.pow2Height);
    for (const auto& t : elements_)
        if (offscreen(*t)) ok = t->render(time) && ok;
    setViewport_(0, 0, screen.width, screen.height);
    for (const auto& t : elements_)
        if (!offscreen(*t)) ok = t->render(time) && ok;
    return ok;
}

float TrackList::loadWeight() const {
    float sum = 0.0f;
    for (const auto& t : elements_) sum += t->loadWeight();
    return sum;
}

void TrackList::listResources(ResourceList& out) const {
    for (const auto& t : elements_) t->listResources(out);
}

bool TrackList::load(LoadingScreen& progress) {
    bool ok = true;
    while (loadStep(progress, ok)) {}
    return ok;
}

namespace {

// Passes reports on and counts them.
class CountingScreen : public LoadingScreen {
public:
    explicit CountingScreen(LoadingScreen& inner) : inner_(inner) {}
    int draw(float time) override { return inner_.draw(time); }
    void addProgress(float amount) override {
        ++reports;
        inner_.addProgress(amount);
    }
    int reports = 0;

private:
    LoadingScreen& inner_;
};

}  // namespace

bool TrackList::loadStep(LoadingScreen& progress, bool& ok) {
    CountingScreen counting(progress);
    // By index: FxModule loads append tracks while this runs.
    while (loadingTrack_ < elements_.size()) {
        Track& track = *elements_[loadingTrack_];
        if (loadingModule_ >= track.moduleCount()) {
            ++loadingTrack_;
            loadingModule_ = 0;
            continue;
        }
        bool moduleOk = true;
        if (!track.module(loadingModule_).loadNext(counting, moduleOk)) ++loadingModule_;
        ok = ok && moduleOk;
        if (counting.reports > 0) return true;
    }
    return false;
}
