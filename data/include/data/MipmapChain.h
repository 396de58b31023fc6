// The mipmap levels of an RGBA picture as gluBuild2DMipmaps makes them, built
// without GL so they can be made off the main thread and uploaded level by
// level: sides that are not powers of two are first scaled with GLU's box
// filter to its nearest power of two, then each level halves the one above
// (2 x 2 averages, rounded), down to 1 x 1.
#pragma once

#include <cstdint>
#include <vector>

struct MipmapLevel {
    std::int32_t width = 0;
    std::int32_t height = 0;
    // width * height * 4 bytes, RGBA, rows in the picture's order. Empty for
    // level 0 when the picture's own pixels are that level (its sides are
    // powers of two already).
    std::vector<std::uint8_t> pixels;
};

struct MipmapChain {
    // Level 0 first; empty when none was built.
    std::vector<MipmapLevel> levels;
    bool empty() const { return levels.empty(); }
};

// The power of two GLU scales a side of `size` pixels to: the power of two
// at or below it, or the one above when the two highest bits are set (3 x
// 2^k becomes 4 x 2^k). Sides must be positive.
std::int32_t mipmapBaseSide(std::int32_t size);

// Every level for the `width` x `height` RGBA picture `pixels` (tightly
// packed rows).
MipmapChain buildMipmapChain(const std::uint8_t* pixels, std::int32_t width, std::int32_t height);
