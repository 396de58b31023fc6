#include "TestAudioFiles.h"

#include <unistd.h>
#include <filesystem>
#include <fstream>

namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& b, std::uint32_t v, int size) {
    for (int i = 0; i < size; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void putChunk(Bytes& b, const char* id, const Bytes& body) {
    b.insert(b.end(), id, id + 4);
    put(b, static_cast<std::uint32_t>(body.size()), 4);
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1) b.push_back(0);
}

}  // namespace

Bytes makeWav(std::uint32_t frames, const std::vector<TestCue>& cues, int rate, int channels) {
    Bytes fmt, data, table, list = {'a', 'd', 't', 'l'}, body = {'W', 'A', 'V', 'E'};
    for (std::uint32_t v : {1u, static_cast<std::uint32_t>(channels)}) put(fmt, v, 2);
    put(fmt, static_cast<std::uint32_t>(rate), 4);
    put(fmt, static_cast<std::uint32_t>(rate * channels * 2), 4);
    put(fmt, static_cast<std::uint32_t>(channels * 2), 2);
    put(fmt, 16, 2);
    for (std::uint32_t i = 0; i < frames * static_cast<std::uint32_t>(channels); ++i)
        put(data, (i % 400) * 10, 2);
    put(table, static_cast<std::uint32_t>(cues.size()), 4);
    for (const TestCue& c : cues) {
        for (std::uint32_t v : {c.id, c.frame, 0x61746164u /* "data" */, 0u, 0u, c.frame})
            put(table, v, 4);
        if (!c.label) continue;
        Bytes labl;
        put(labl, c.id, 4);
        labl.insert(labl.end(), c.label->begin(), c.label->end());
        labl.push_back(0);
        putChunk(list, "labl", labl);
    }
    putChunk(body, "fmt ", fmt);
    putChunk(body, "data", data);
    if (!cues.empty()) {
        putChunk(body, "cue ", table);
        putChunk(body, "LIST", list);
    }
    Bytes file;
    putChunk(file, "RIFF", body);
    return file;
}

Bytes makeModule() {
    Bytes m(20 + 31 * 30, 0);  // title, then 31 sample headers
    constexpr std::uint32_t kSampleWords = 2000;
    m[20 + 22] = kSampleWords >> 8;
    m[20 + 23] = kSampleWords & 0xff;
    m[20 + 25] = 64;  // volume
    m[20 + 29] = 1;   // repeat length of one word: no loop
    m.push_back(1);   // one order
    m.push_back(127);
    m.resize(m.size() + 128, 0);  // order table: pattern 0
    for (char c : {'M', '.', 'K', '.'}) m.push_back(static_cast<std::uint8_t>(c));
    Bytes pattern(64 * 4 * 4, 0);
    pattern[0] = 428 >> 8;  // row 0, channel 0: sample 1 at period 428
    pattern[1] = 428 & 0xff;
    pattern[2] = 1 << 4;
    m.insert(m.end(), pattern.begin(), pattern.end());
    for (std::uint32_t i = 0; i < kSampleWords * 2; ++i) m.push_back((i % 32) < 16 ? 40 : 216);
    return m;
}

std::string writeTestFile(const std::string& name, const Bytes& bytes) {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("dp_music_" + std::to_string(getpid()));
        std::filesystem::remove_all(d);
        return d;
    }();
    const auto path = dir / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path.string();
}
