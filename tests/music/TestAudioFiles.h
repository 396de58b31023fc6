// Music files made by the tests: WAV files with labelled cue markers, and a
// tiny tracker module.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TestCue {
    std::uint32_t id;
    std::uint32_t frame;
    std::optional<std::string> label;
};

// 16-bit PCM: "fmt ", "data" (a quiet ramp), "cue ", "LIST"/"adtl" with a
// "labl" per labelled cue.
std::vector<std::uint8_t> makeWav(std::uint32_t frames, const std::vector<TestCue>& cues = {},
                                  int rate = 44100, int channels = 2);

// A four-channel "M.K." module: one pattern of 64 rows playing one sample.
std::vector<std::uint8_t> makeModule();

// Writes `bytes` to `name` in a fresh directory of this test process; returns the path.
std::string writeTestFile(const std::string& name, const std::vector<std::uint8_t>& bytes);
