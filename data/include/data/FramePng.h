// Writes captured frames as PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// `rgbBottomUp` holds width*height RGB pixels, bottom row first (as the frame
// buffer is read); the file is written top row first. False when the file
// cannot be written.
bool writeFramePng(const std::string& path, int width, int height,
                   const std::vector<std::uint8_t>& rgbBottomUp);
