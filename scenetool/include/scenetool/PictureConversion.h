// Pictures in formats the player does not read (TGA, DDS, GIF, BMP, TIFF,
// WebP and the like) turned into PNG files it does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Whether the player reads pictures named with this extension as they are
// ("png", "jpg", "jpeg", any case, with or without the dot).
bool playerReadsPicture(std::string extension);

// Every extension (lower case, without the dot) of the pictures the tool
// reads or converts, the player's own first.
std::vector<std::string> pictureExtensions();

// Whether the tool can decode pictures named with this extension (any case,
// with or without the dot).
bool toolReadsPicture(const std::string& extension);

// The extension that names the format of picture file `bytes` by their
// signature ("png", "jpg", "gif", ...); empty when none is recognised. For
// pictures named with the wrong extension.
std::string pictureKindOfContent(const std::uint8_t* bytes, std::size_t size);

// PNG file bytes of `width` x `height` RGBA pixels, top row first; empty when
// they cannot be encoded.
std::vector<std::uint8_t> pngOfRgba(const std::uint8_t* rgba, unsigned width, unsigned height);

// Decodes a picture file's bytes, in the format its `extension` names (the
// first frame of an animated one), and encodes it as PNG. Empty with `error`
// set when the format is not one the tool decodes, the bytes do not decode,
// or the picture is larger than any texture could be. With `peak`, also
// measures the picture as picturePeak does, from the same decoding.
std::vector<std::uint8_t> convertPictureToPng(const std::uint8_t* bytes, std::size_t size,
                                              std::string extension, std::string& error,
                                              float* peak = nullptr);

// The brightness the brightest hundredth of a picture's pixels reaches (their
// largest channel, 0 to 1), for exposing a model's lights; 1 when the
// picture does not decode.
float picturePeak(const std::uint8_t* bytes, std::size_t size, std::string extension);
