// Music files made by the tests: WAV files with cue markers and labels, and
// a tiny tracker module.
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

struct TestWav {
    int rate = 44100;
    int channels = 2;
    std::uint32_t frames = 44100;
    std::vector<TestCue> cues;
    bool cuesBeforeData = false;
};

// A 16-bit PCM RIFF WAVE file: "fmt ", "data" (a quiet ramp), then "cue " and
// a "LIST"/"adtl" chunk with one "labl" per labelled cue.
std::vector<std::uint8_t> makeWav(const TestWav& wav);

// A four-channel "M.K." module: one pattern of 64 rows playing one sample.
std::vector<std::uint8_t> makeModule();

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// A fresh, empty directory for one test's files.
std::string scratchDirectory(const std::string& testName);
