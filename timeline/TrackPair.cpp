#include "timeline/TrackPair.h"

#include "base/Log.h"
#include "script/ArgumentList.h"
#include "timeline/Track.h"
#include "timeline/TrackList.h"

void TrackPair::check(ArgumentList& arguments, const std::string& firstKey,
                      const std::string& secondKey, Track& owner) {
    bind(owner);
    arguments.requireString(firstKey);
    arguments.requireString(secondKey);
    names_.push_back(arguments.find(firstKey).text());
    names_.push_back(arguments.find(secondKey).text());
}

void TrackPair::bind(Track& owner) {
    list_ = &owner.list();
}

void TrackPair::ensureTracks() const {
    for (const std::string& name : names_) {
        if (!list_ || !list_->getOrCreate(name)) {
            logMessage("FxModule - track with name %s not found\n", name.c_str());
            fatalStop(4574);
        }
    }
}

Track* TrackPair::named(ArgumentList& arguments, const std::string& key) const {
    return list_ ? list_->getOrCreate(arguments.find(key).text()) : nullptr;
}

void TrackPair::hold(Track* first, Track* second) {
    // A pair held before must not leave its dependency behind with nobody
    // left to remove it.
    release();
    if (!list_ || !first || !second) return;
    first_ = first;
    second_ = second;
    list_->addDependency(first_, second_);
}

void TrackPair::release() {
    if (held()) list_->removeDependency(first_, second_);
    first_ = nullptr;
    second_ = nullptr;
}
