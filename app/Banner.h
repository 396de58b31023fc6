// The dialog's banner picture, drawn by the program itself.
#pragma once

#include <cstdint>
#include <vector>

class GlyphRasterizer;

inline constexpr int kBannerWidth = 295;
inline constexpr int kBannerHeight = 195;

// kBannerWidth x kBannerHeight RGB pixels, top row first. `titleFont` may be
// null: the picture is then drawn without its title.
std::vector<std::uint8_t> makeBanner(GlyphRasterizer* titleFont);
