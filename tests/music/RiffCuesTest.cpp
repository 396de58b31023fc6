#include "RiffCues.h"
#include "TestAudioFiles.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::vector<CuePoint> parse(const std::vector<std::uint8_t>& bytes) {
    return parseWaveCues(bytes.data(), bytes.size());
}

void putLe32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::size_t find(const std::vector<std::uint8_t>& b, const char* id) {
    for (std::size_t i = 0; i + 4 <= b.size(); ++i)
        if (std::equal(id, id + 4, b.begin() + static_cast<std::ptrdiff_t>(i))) return i;
    return std::string::npos;
}

TestWav labelledWav() {
    TestWav wav;
    wav.frames = 1000;
    wav.cues = {{7, 800, std::string("late")},
                {3, 100, std::string("first")},
                {9, 400, std::nullopt},
                {4, 400, std::string("tie")}};
    return wav;
}

}  // namespace

TEST(RiffCues, NamesCuesByLabelInFrameOrder) {
    const auto cues = parse(makeWav(labelledWav()));
    ASSERT_EQ(cues.size(), 4u);
    EXPECT_EQ(cues[0].name, "first");
    EXPECT_EQ(cues[0].frame, 100u);
    // Same frame: the file's order; no label: the cue's identifier.
    EXPECT_EQ(cues[1].name, "9");
    EXPECT_EQ(cues[2].name, "tie");
    EXPECT_EQ(cues[3].name, "late");
    EXPECT_EQ(cues[3].frame, 800u);

    TestWav before = labelledWav();
    before.cuesBeforeData = true;
    const auto early = parse(makeWav(before));
    ASSERT_EQ(early.size(), 4u);
    EXPECT_EQ(early[2].name, "tie");
}

TEST(RiffCues, FileReadingMatchesMemoryParsing) {
    const std::string dir = scratchDirectory("RiffCuesFile");
    const auto bytes = makeWav(labelledWav());
    writeBytes(dir + "/cues.wav", bytes);
    const auto fromFile = readWaveCues(dir + "/cues.wav");
    const auto fromMemory = parse(bytes);
    ASSERT_EQ(fromFile.size(), fromMemory.size());
    for (std::size_t i = 0; i < fromFile.size(); ++i) {
        EXPECT_EQ(fromFile[i].name, fromMemory[i].name);
        EXPECT_EQ(fromFile[i].frame, fromMemory[i].frame);
    }
    EXPECT_TRUE(readWaveCues(dir + "/missing.wav").empty());
}

TEST(RiffCues, OnlyRiffWaveHasCues) {
    auto bytes = makeWav(labelledWav());
    bytes[8] = 'A';  // "AAVE"
    EXPECT_TRUE(parse(bytes).empty());
    EXPECT_TRUE(parse({}).empty());
    EXPECT_TRUE(parse(makeModule()).empty());
}

TEST(RiffCues, DamagedChunksAreReadOnlyAsFarAsTheyGo) {
    // A cue count far beyond the table: only whole entries count.
    auto bytes = makeWav(labelledWav());
    putLe32(bytes, find(bytes, "cue ") + 8, 0xffffffffu);
    EXPECT_EQ(parse(bytes).size(), 4u);

    // A label without its terminator, running to the end of the file.
    TestWav one;
    one.frames = 10;
    one.cues = {{1, 5, std::string("abc")}};
    bytes = makeWav(one);
    bytes.pop_back();  // the terminator (the label is the last thing)
    putLe32(bytes, find(bytes, "labl") + 4, 0x7fffffffu);
    putLe32(bytes, find(bytes, "LIST") + 4, 0x7fffffffu);
    auto cues = parse(bytes);
    ASSERT_EQ(cues.size(), 1u);
    EXPECT_EQ(cues[0].name, "abc");

    // Control characters cannot reach the log.
    one.cues = {{1, 5, std::string("a\x1b[2Jb\n")}};
    cues = parse(makeWav(one));
    ASSERT_EQ(cues.size(), 1u);
    EXPECT_EQ(cues[0].name, "a?[2Jb?");

    // A RIFF size of a streaming writer (0): the file's own size is used.
    bytes = makeWav(labelledWav());
    putLe32(bytes, 4, 0);
    EXPECT_EQ(parse(bytes).size(), 4u);

    // A data chunk claiming more than the file: nothing after it is invented.
    bytes = makeWav(labelledWav());
    putLe32(bytes, find(bytes, "data") + 4, 0xfffffff0u);
    EXPECT_TRUE(parse(bytes).empty());
}

TEST(RiffCues, SurvivesTruncationAndCorruption) {
    const auto good = makeWav(labelledWav());
    const std::size_t cueAt = find(good, "cue ");
    // Every truncation inside the cue and label chunks.
    for (std::size_t size = cueAt; size <= good.size(); ++size) {
        const auto cues = parseWaveCues(good.data(), size);
        EXPECT_LE(cues.size(), 4u);
    }
    // Random bytes in the chunk headers and tables.
    std::mt19937 random(1234);
    for (int round = 0; round < 2000; ++round) {
        auto bytes = good;
        for (int k = 0; k < 4; ++k) {
            std::uniform_int_distribution<std::size_t> at(cueAt, bytes.size() - 1);
            bytes[at(random)] = static_cast<std::uint8_t>(random());
        }
        for (const CuePoint& cue : parse(bytes)) EXPECT_LE(cue.name.size(), bytes.size());
    }
}
