// Pixels between the layouts the door names, as the fixed-function
// pipeline reads and writes them; 8 bits per channel, tightly packed. Pure:
// the shader renderer stores only the layouts ES 2.0 has and converts the
// rest with these.
#pragma once

#include "gfx/Types.h"

#include <cstdint>
#include <vector>

namespace gfx {

// Channels per pixel of a layout.
int channelsOf(PixelFormat format);
bool hasColourChannels(PixelFormat format);
bool hasAlphaChannel(PixelFormat format);

// `count` pixels of `format` as RGBA: luminance into all three colours,
// a missing alpha as 1, a missing colour as black.
std::vector<std::uint8_t> toRgba(const std::uint8_t* in, int count, PixelFormat format);
// RGBA pixels as `format` keeps them; luminance from the red channel, as a
// texture of that format made from a picture takes it.
std::vector<std::uint8_t> fromRgba(const std::uint8_t* in, int count, PixelFormat format);
// RGBA read back from the frame as `format` into `out`: luminance is the
// sum of the colours, clamped, as the fixed-function read-back gives it.
// `rgba` is used as scratch.
void readBackAs(std::vector<std::uint8_t>& rgba, int count, PixelFormat format, void* out);

}  // namespace gfx
