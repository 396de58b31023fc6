#include "timeline/FoldedNameIndex.h"

#include "timeline/Event.h"

#include <cstring>
#include <utility>

namespace {

// `word` with every byte from 'A' to 'Z' turned into its small letter and
// every other byte left alone, all eight bytes at once.
std::uint64_t foldAsciiCase8(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
    // Per byte, the low seven bits plus a bias sets the high bit exactly
    // when they are at least 'A' (resp. above 'Z'); no sum carries into the
    // next byte.
    const std::uint64_t low7 = word & ~kHighBits;
    const std::uint64_t atLeastA = low7 + kOnes * (0x80 - 'A');
    const std::uint64_t aboveZ = low7 + kOnes * (0x80 - 'Z' - 1);
    const std::uint64_t capital = atLeastA & ~aboveZ & ~word & kHighBits;
    return word | (capital >> 2);  // 0x80 >> 2 is the case bit 0x20
}

// The splitmix64 finaliser: every input bit reaches every output bit.
std::uint64_t mixWord(std::uint64_t x) {
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

// The `count` (1 to 8) bytes at `bytes` as the low bytes of a word, the
// rest 0. Built from whole loads rather than copied byte by byte into a
// word, which would stall the load that reads the word back.
std::uint64_t loadWord(const char* bytes, std::size_t count) {
    if (count == 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes, 8);
        return word;
    }
    if (count >= 4) {
        // Two four-byte loads that overlap when count is below 8.
        std::uint32_t low, high;
        std::memcpy(&low, bytes, 4);
        std::memcpy(&high, bytes + count - 4, 4);
        return low | (static_cast<std::uint64_t>(high) << (8 * (count - 4)));
    }
    const auto byteAt = [bytes](std::size_t i) {
        return static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i]));
    };
    return byteAt(0) | (byteAt(count / 2) << (8 * (count / 2))) |
           (byteAt(count - 1) << (8 * (count - 1)));
}

// Calls `step` (place, word) with each eight-byte word of `text`, letters
// folded, the last one padded with zero bytes; stops when a step returns
// false, and returns false then.
template <typename Step>
bool forEachFoldedWord(const std::string& text, Step step) {
    for (std::size_t at = 0; at < text.size(); at += 8) {
        const std::size_t count = text.size() - at < 8 ? text.size() - at : 8;
        if (!step(at, foldAsciiCase8(loadWord(text.data() + at, count)))) return false;
    }
    return true;
}

// equalsIgnoreCase, a word at a time.
bool equalFolded(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    return forEachFoldedWord(a, [&b](std::size_t at, std::uint64_t folded) {
        const std::size_t count = b.size() - at < 8 ? b.size() - at : 8;
        return folded == foldAsciiCase8(loadWord(b.data() + at, count));
    });
}

}  // namespace

std::uint64_t FoldedNameIndex::hashOf(const std::string& name) {
    // Eight folded bytes per step; no folded copy of the name is made.
    std::uint64_t hash = mixWord(name.size() + 0x9e3779b97f4a7c15ull);
    forEachFoldedWord(name, [&hash](std::size_t, std::uint64_t folded) {
        hash = mixWord(hash ^ folded);
        return true;
    });
    return hash;
}

std::size_t FoldedNameIndex::probe(const std::string& name, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = static_cast<std::size_t>(hash) & mask;
    while (slots_[at].event &&
           !(slots_[at].hash == hash && equalFolded(slots_[at].event->name, name)))
        at = (at + 1) & mask;
    return at;
}

void FoldedNameIndex::grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 16 : old.size() * 2, Slot{});
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (!slot.event) continue;
        std::size_t at = static_cast<std::size_t>(slot.hash) & mask;
        while (slots_[at].event) at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

void FoldedNameIndex::add(Event* event) {
    if ((used_ + 1) * 2 > slots_.size()) grow();
    const std::uint64_t hash = hashOf(event->name);
    Slot& slot = slots_[probe(event->name, hash)];
    if (slot.event) return;
    slot = Slot{hash, event};
    ++used_;
}

Event* FoldedNameIndex::find(const std::string& name) const {
    if (slots_.empty()) return nullptr;
    return slots_[probe(name, hashOf(name))].event;
}
