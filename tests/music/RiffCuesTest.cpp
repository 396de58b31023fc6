#include "RiffCues.h"
#include "TestAudioFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

std::vector<CuePoint> parse(const std::vector<std::uint8_t>& b) {
    return parseWaveCues(b.data(), b.size());
}

void set32(std::vector<std::uint8_t>& b, const char* after, int offset, std::uint32_t v) {
    auto at = std::search(b.begin(), b.end(), after, after + 4) - b.begin() + offset;
    for (int i = 0; i < 4; ++i)
        b[static_cast<std::size_t>(at + i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

const std::vector<TestCue> kCues = {
    {7, 800, "late"}, {3, 100, "first"}, {9, 400, std::nullopt}, {4, 400, "a\x1b[2J\n"}};

}  // namespace

TEST(RiffCues, NamesCuesByLabelInFrameOrder) {
    const auto cues = parse(makeWav(1000, kCues));
    ASSERT_EQ(cues.size(), 4u);
    // Ties keep the file's order; no label: the identifier; control
    // characters never reach the log.
    const std::vector<std::string> names = {"first", "9", "a?[2J?", "late"};
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(cues[i].name, names[i]);
    EXPECT_EQ(cues[0].frame, 100u);
    EXPECT_EQ(cues[3].frame, 800u);
    EXPECT_TRUE(parse(makeModule()).empty());
}

TEST(RiffCues, DamagedSizesAreReadOnlyAsFarAsTheFileGoes) {
    auto bytes = makeWav(1000, kCues);
    set32(bytes, "cue ", 8, 0xffffffffu);  // a count far beyond the table
    set32(bytes, "RIFF", 4, 0);            // a streaming writer's placeholder
    EXPECT_EQ(parse(bytes).size(), 4u);

    bytes = makeWav(10, {{1, 5, "abc"}});
    bytes.pop_back();  // the label's terminator, the last byte of the file
    set32(bytes, "labl", 4, 0x7fffffffu);
    set32(bytes, "LIST", 4, 0x7fffffffu);
    const auto cues = parse(bytes);
    ASSERT_EQ(cues.size(), 1u);
    EXPECT_EQ(cues[0].name, "abc");

    bytes = makeWav(1000, kCues);
    set32(bytes, "data", 4, 0xfffffff0u);  // data past the end hides the rest
    EXPECT_TRUE(parse(bytes).empty());
}

TEST(RiffCues, SurvivesTruncationAndCorruption) {
    const auto good = makeWav(200, kCues);
    const std::size_t cueAt = 44 + 200 * 4;
    for (std::size_t size = 0; size <= good.size(); ++size)
        EXPECT_LE(parseWaveCues(good.data(), size).size(), 4u);
    std::mt19937 random(1234);
    std::uniform_int_distribution<std::size_t> at(cueAt, good.size() - 1);
    for (int round = 0; round < 3000; ++round) {
        auto bytes = good;
        for (int k = 0; k < 4; ++k) bytes[at(random)] = static_cast<std::uint8_t>(random());
        for (const CuePoint& cue : parse(bytes)) EXPECT_LE(cue.name.size(), bytes.size());
    }
}
