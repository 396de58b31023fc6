// The example demo's music: a synthesized tune, written as a mono IMA ADPCM
// WAV file with cue markers.
#pragma once

#include <filesystem>

// 120 beats per minute, 24 bars of 4/4 (48 s) and a one-second tail, at
// 22050 Hz; cues "theme" at bar 5 (8 s), "courtyard" at bar 11 (20 s) and
// "outro" at bar 23 (44 s).
// False when the file cannot be written.
bool writeExampleMusic(const std::filesystem::path& path);
