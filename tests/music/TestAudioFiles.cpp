#include "TestAudioFiles.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace {

void put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

void putId(std::vector<std::uint8_t>& b, const char* id) { b.insert(b.end(), id, id + 4); }

void putChunk(std::vector<std::uint8_t>& b, const char* id, const std::vector<std::uint8_t>& body) {
    putId(b, id);
    put32(b, static_cast<std::uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1) b.push_back(0);
}

std::vector<std::uint8_t> cueChunks(const TestWav& wav) {
    std::vector<std::uint8_t> out;
    if (wav.cues.empty()) return out;
    std::vector<std::uint8_t> table;
    put32(table, static_cast<std::uint32_t>(wav.cues.size()));
    for (const TestCue& c : wav.cues) {
        put32(table, c.id);
        put32(table, c.frame);
        putId(table, "data");
        put32(table, 0);
        put32(table, 0);
        put32(table, c.frame);
    }
    putChunk(out, "cue ", table);
    std::vector<std::uint8_t> list;
    putId(list, "adtl");
    for (const TestCue& c : wav.cues) {
        if (!c.label) continue;
        std::vector<std::uint8_t> labl;
        put32(labl, c.id);
        labl.insert(labl.end(), c.label->begin(), c.label->end());
        labl.push_back(0);
        putChunk(list, "labl", labl);
    }
    putChunk(out, "LIST", list);
    return out;
}

}  // namespace

std::vector<std::uint8_t> makeWav(const TestWav& wav) {
    std::vector<std::uint8_t> fmt;
    put16(fmt, 1);
    put16(fmt, static_cast<std::uint32_t>(wav.channels));
    put32(fmt, static_cast<std::uint32_t>(wav.rate));
    put32(fmt, static_cast<std::uint32_t>(wav.rate * wav.channels * 2));
    put16(fmt, static_cast<std::uint32_t>(wav.channels * 2));
    put16(fmt, 16);
    std::vector<std::uint8_t> data;
    data.reserve(static_cast<std::size_t>(wav.frames) * wav.channels * 2);
    for (std::uint32_t i = 0; i < wav.frames; ++i)
        for (int c = 0; c < wav.channels; ++c) put16(data, (i % 200) * 20);

    std::vector<std::uint8_t> body;
    putId(body, "WAVE");
    putChunk(body, "fmt ", fmt);
    if (wav.cuesBeforeData) {
        const auto cues = cueChunks(wav);
        body.insert(body.end(), cues.begin(), cues.end());
    }
    putChunk(body, "data", data);
    if (!wav.cuesBeforeData) {
        const auto cues = cueChunks(wav);
        body.insert(body.end(), cues.begin(), cues.end());
    }
    std::vector<std::uint8_t> file;
    putId(file, "RIFF");
    put32(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

std::vector<std::uint8_t> makeModule() {
    std::vector<std::uint8_t> m(20, 0);  // title
    const char title[] = "test tune";
    std::copy(title, title + sizeof title - 1, m.begin());
    constexpr std::uint32_t kSampleWords = 2000;
    for (int s = 0; s < 31; ++s) {
        std::vector<std::uint8_t> header(30, 0);
        if (s == 0) {
            header[22] = kSampleWords >> 8;
            header[23] = kSampleWords & 0xff;
            header[25] = 64;  // volume
            header[29] = 1;   // repeat length 1 word: no loop
        }
        m.insert(m.end(), header.begin(), header.end());
    }
    m.push_back(1);    // song length: one order
    m.push_back(127);  // restart byte
    m.resize(m.size() + 128, 0);  // order table: pattern 0
    putId(m, "M.K.");
    std::vector<std::uint8_t> pattern(64 * 4 * 4, 0);
    // Row 0, channel 0: sample 1 at period 428.
    pattern[0] = 428 >> 8;
    pattern[1] = 428 & 0xff;
    pattern[2] = 1 << 4;
    m.insert(m.end(), pattern.begin(), pattern.end());
    for (std::uint32_t i = 0; i < kSampleWords * 2; ++i)
        m.push_back(static_cast<std::uint8_t>((i % 32) < 16 ? 40 : -40));
    return m;
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string scratchDirectory(const std::string& testName) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("dp_music_" + testName + "_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}
