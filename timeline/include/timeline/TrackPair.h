// Two tracks a module acts on, named by two of its parameters, and the
// dependency "draw the first before the second" while the pair is held.
// Shared by the draw-order and routing modules and the fade module.
#pragma once

#include <string>
#include <vector>

class ArgumentList;
class Track;
class TrackList;

class TrackPair {
public:
    // At a "start" statement: both names required (reported when absent or
    // not texts) and kept for ensureTracks; `owner`'s list is the one the
    // pair acts on.
    void check(ArgumentList& arguments, const std::string& firstKey, const std::string& secondKey,
               Track& owner);
    // The list the pair acts on: `owner`'s (a command may come before any
    // check when a module is driven directly).
    void bind(Track& owner);
    // Makes every kept name's track exist before the first frame; a name no
    // track can take ends the process (status 4574).
    void ensureTracks() const;
    // The track `arguments` name under `key` (made when new).
    Track* named(ArgumentList& arguments, const std::string& key) const;
    // Holds `first` before `second`, releasing a pair held before.
    void hold(Track* first, Track* second);
    // Releases the dependency; nothing when none is held.
    void release();
    bool held() const { return first_ && second_; }
    Track* first() const { return first_; }
    Track* second() const { return second_; }

private:
    TrackList* list_ = nullptr;  // non-owning: the owner's list
    Track* first_ = nullptr;     // non-owning
    Track* second_ = nullptr;    // non-owning
    std::vector<std::string> names_;
};
