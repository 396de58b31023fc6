#include "RiffCues.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

namespace {

// Chunks holding cues or labels larger than this are read only this far: a
// cue table this size already holds some 700 000 cues.
constexpr std::uint64_t kMaxChunkRead = 16u << 20;
constexpr std::size_t kCueEntrySize = 24;

std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool isId(const std::uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

// Reads `length` bytes at `offset` into `out`; false when they are not all there.
using ReadAt = std::function<bool(std::uint64_t offset, std::size_t length, std::uint8_t* out)>;

// Log lines carry the names: control characters become '?'.
std::string labelText(const std::uint8_t* p, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length && p[i] != 0; ++i) {
        const char c = static_cast<char>(p[i]);
        text += (p[i] < 0x20 || p[i] == 0x7f) ? '?' : c;
    }
    return text;
}

void readCueTable(const std::vector<std::uint8_t>& body, std::vector<CuePoint>& cues) {
    if (body.size() < 4) return;
    const std::uint64_t declared = le32(body.data());
    const std::uint64_t present = (body.size() - 4) / kCueEntrySize;
    const std::uint64_t count = std::min(declared, present);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint8_t* e = body.data() + 4 + i * kCueEntrySize;
        CuePoint cue;
        cue.id = le32(e);
        const std::uint32_t position = le32(e + 4);
        const std::uint32_t sampleOffset = le32(e + 20);
        // The sample offset within the data chunk is the cue's place; some
        // writers fill only the play-order position.
        cue.frame = sampleOffset != 0 ? sampleOffset : position;
        cues.push_back(std::move(cue));
    }
}

void readLabels(const std::vector<std::uint8_t>& body,
                std::map<std::uint32_t, std::string>& labels) {
    if (body.size() < 4 || !isId(body.data(), "adtl")) return;
    std::size_t at = 4;
    while (body.size() - at >= 8) {
        const std::uint8_t* header = body.data() + at;
        const std::uint64_t declared = le32(header + 4);
        const std::size_t length =
            static_cast<std::size_t>(std::min<std::uint64_t>(declared, body.size() - at - 8));
        if (isId(header, "labl") && length >= 4) {
            const std::uint32_t id = le32(header + 8);
            labels.emplace(id,
                           labelText(header + 12, length - 4));  // the first label of an id wins
        }
        const std::uint64_t next = at + 8 + declared + (declared & 1);
        if (next > body.size()) break;
        at = static_cast<std::size_t>(next);
    }
}

std::vector<CuePoint> parse(std::uint64_t fileSize, const ReadAt& readAt) {
    std::vector<CuePoint> cues;
    std::uint8_t header[12];
    if (fileSize < 12 || !readAt(0, 12, header)) return cues;
    if (!isId(header, "RIFF") || !isId(header + 8, "WAVE")) return cues;
    // A RIFF size too small to hold the form type is a writer's placeholder.
    const std::uint64_t riffSize = le32(header + 4);
    const std::uint64_t end = riffSize < 4 ? fileSize : std::min(fileSize, 8 + riffSize);

    std::map<std::uint32_t, std::string> labels;
    bool haveCueTable = false;
    std::uint64_t at = 12;
    while (at + 8 <= end) {
        std::uint8_t chunk[8];
        if (!readAt(at, 8, chunk)) break;
        const std::uint64_t declared = le32(chunk + 4);
        const std::uint64_t body = at + 8;
        const std::uint64_t available = std::min(declared, end - body);
        const bool isCue = isId(chunk, "cue ");
        if ((isCue && !haveCueTable) || isId(chunk, "LIST")) {
            std::vector<std::uint8_t> bytes(
                static_cast<std::size_t>(std::min(available, kMaxChunkRead)));
            if (!bytes.empty() && !readAt(body, bytes.size(), bytes.data())) break;
            if (isCue) {
                readCueTable(bytes, cues);
                haveCueTable = true;  // a second table is not a writer's intent
            } else {
                readLabels(bytes, labels);
            }
        }
        at = body + declared + (declared & 1);
    }

    for (CuePoint& cue : cues) {
        auto label = labels.find(cue.id);
        cue.name = label != labels.end() ? label->second : std::to_string(cue.id);
    }
    std::stable_sort(cues.begin(), cues.end(),
                     [](const CuePoint& a, const CuePoint& b) { return a.frame < b.frame; });
    return cues;
}

}  // namespace

std::vector<CuePoint> parseWaveCues(const std::uint8_t* bytes, std::size_t size) {
    return parse(size, [&](std::uint64_t offset, std::size_t length, std::uint8_t* out) {
        if (offset > size || length > size - offset) return false;
        std::memcpy(out, bytes + offset, length);
        return true;
    });
}

std::vector<CuePoint> readWaveCues(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {};
    std::vector<CuePoint> cues;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size > 0) {
            cues = parse(static_cast<std::uint64_t>(size),
                         [&](std::uint64_t offset, std::size_t length, std::uint8_t* out) {
                             if (fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0)
                                 return false;
                             return std::fread(out, 1, length, file) == length;
                         });
        }
    }
    std::fclose(file);
    return cues;
}
