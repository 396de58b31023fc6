// Events by name with the ASCII letters folded (the letter-case rule of
// equalsIgnoreCase), for the look-up every waiting relative timer makes on
// every frame. An open-addressing table of power-of-two size: a look-up is
// one hash of the name and, as a rule, one comparison.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Event;

class FoldedNameIndex {
public:
    // Indexes `event` under its name as it is now (it must not change
    // afterwards), unless an event whose name is equal after folding is
    // already indexed: the first one stays.
    void add(Event* event);

    // The event indexed under a name equal to `name` after folding, or null.
    Event* find(const std::string& name) const;

    // The hash both operations use; names equal after folding hash alike.
    static std::uint64_t hashOf(const std::string& name);

private:
    struct Slot {
        std::uint64_t hash = 0;
        Event* event = nullptr;  // null: the slot is free
    };

    // The slot holding a name equal to `name` after folding, or the free
    // slot where the probe for it ends.
    std::size_t probe(const std::string& name, std::uint64_t hash) const;
    void grow();

    std::vector<Slot> slots_;  // size 0 or a power of two, at most half full
    std::size_t used_ = 0;
};
