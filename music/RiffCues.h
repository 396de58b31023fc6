// Cue markers of a RIFF WAVE file and their labels: the "cue " chunk gives
// each cue an identifier and a sample position, the "labl" entries of a
// "LIST" chunk of type "adtl" give identifiers their names.
//
// The file is untrusted: sizes that run past the chunk or the file, missing
// terminators, unknown identifiers and duplicates are tolerated; only what
// lies inside the file is read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CuePoint {
    std::uint32_t id = 0;
    std::uint64_t frame = 0;  // sample frame in the file's own rate
    std::string name;         // the cue's label; its identifier in decimal when it has none
};

// The cue points of a WAVE file in `bytes`, ordered by frame (cues at the
// same frame keep the order of the file). Empty for anything not RIFF WAVE.
std::vector<CuePoint> parseWaveCues(const std::uint8_t* bytes, std::size_t size);

// The same, read from the file at `path`. Only the chunk headers and the
// chunks holding cues and labels are read, never the sample data.
std::vector<CuePoint> readWaveCues(const std::string& path);
