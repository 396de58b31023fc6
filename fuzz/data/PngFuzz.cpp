// The PNG decoder. Chunk CRCs are recomputed before decoding, so mutations
// reach the decoder instead of stopping at the first checksum.
#include "PngDecoder.h"

#include "data/Bitmap.h"

#include <zlib.h>

#include <vector>

namespace {

std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

void fixChunkCrcs(std::vector<std::uint8_t>& png) {
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        std::uint32_t length = get32(&png[at]);
        if (length > png.size() - at - 12) return;
        std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, &png[at + 4], length + 4));
        std::uint8_t* out = &png[at + 8 + length];
        out[0] = std::uint8_t(crc >> 24);
        out[1] = std::uint8_t(crc >> 16);
        out[2] = std::uint8_t(crc >> 8);
        out[3] = std::uint8_t(crc);
        at += 12 + length;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> png(data, data + size);
    fixChunkCrcs(png);
    Bitmap bitmap;
    decodePng(png.data(), png.size(), bitmap);
    return 0;
}
