// PNG content to bitmap, through libpng.
#pragma once

#include <cstddef>
#include <cstdint>

class Bitmap;

// Decodes PNG file content into `bitmap`: every colour type and bit depth
// becomes 8-bit RGBA, bottom row first; `hasAlpha` is set for grey+alpha and
// RGBA images and for images with a transparency chunk. Returns false, with
// the bitmap empty, when the content is not a whole, valid PNG picture.
bool decodePng(const std::uint8_t* data, std::size_t size, Bitmap& bitmap);
