// PNG content to bitmap, through libpng.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Bitmap;

// Decodes PNG file content into `bitmap`: every colour type and bit depth
// becomes 8-bit RGBA, bottom row first; `hasAlpha` is set for grey+alpha and
// RGBA images and for images with a transparency chunk. Returns false, with
// the bitmap empty, when the content is not a whole, valid PNG picture; then
// `fault` (when given) says what was wrong, worded to follow a file name
// ("is not a PNG file", "is damaged (...)").
bool decodePng(const std::uint8_t* data, std::size_t size, Bitmap& bitmap,
               std::string* fault = nullptr);
