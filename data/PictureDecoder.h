// Picture content to bitmap for the DIB loader: JPEG and BMP, recognised by
// their content whatever the file is called. Out come the file's own pixel
// size and 8-bit RGB pixels, bottom row first, with alpha 255 and
// `hasAlpha` false.
#pragma once

#include <cstddef>
#include <cstdint>

class Bitmap;

enum class PictureResult {
    decoded,
    // A picture, but not a bitmap: an icon, a cursor or a metafile.
    notBitmap,
    // Not a picture this decoder knows, or damaged beyond use.
    undecodable,
};

// What a result other than `decoded` says about a file, worded to follow its
// name; empty for `decoded`.
const char* pictureResultFault(PictureResult result);

// Decodes JPEG or BMP content into `bitmap`; on any result but `decoded`
// the bitmap is empty.
PictureResult decodePicture(const std::uint8_t* data, std::size_t size, Bitmap& bitmap);

// The two decoders behind decodePicture, for content already recognised.
PictureResult decodeJpeg(const std::uint8_t* data, std::size_t size, Bitmap& bitmap);
PictureResult decodeBmp(const std::uint8_t* data, std::size_t size, Bitmap& bitmap);
