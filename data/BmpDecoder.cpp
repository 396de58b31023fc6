// BMP content: every header version from the OS/2 core header to the V5
// header; 1, 4 and 8 bits through a palette, 16, 24 and 32 bits direct or
// through bit-field masks; RLE8 and RLE4; rows bottom-up or top-down.
// Every size and offset in the file is checked against the content before
// it is used. Alpha in the file is ignored: BMP pictures are opaque here.
#include "PictureDecoder.h"

#include "data/Bitmap.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kOs2HeaderSize = 64;

enum Compression : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kAlphaBitFields = 6,
};

std::uint16_t get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// One colour channel described by a bit mask, scaled to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    unsigned shift = 0;
    std::uint32_t maximum = 0;  // mask >> shift

    explicit Channel(std::uint32_t bits = 0) : mask(bits) {
        if (mask == 0) return;
        while (!((mask >> shift) & 1)) ++shift;
        maximum = mask >> shift;
    }

    std::uint8_t operator()(std::uint32_t pixel) const {
        if (maximum == 0) return 0;
        return static_cast<std::uint8_t>(std::uint64_t((pixel & mask) >> shift) * 255 / maximum);
    }
};

struct Colour {
    std::uint8_t red = 0, green = 0, blue = 0;
};

struct BmpHeader {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: rows run top-down
    unsigned bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t coloursUsed = 0;
    std::array<Channel, 3> channels;  // red, green, blue
    std::size_t paletteStart = 0;
    std::size_t paletteEntrySize = 4;
};

class BmpReader {
public:
    BmpReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    PictureResult decode(Bitmap& bitmap);

private:
    bool readHeader();
    void readPalette(std::size_t pixelStart);
    std::uint64_t stride() const;
    bool holdsAllRows(std::size_t pixelStart) const;
    void decodeDirect(std::size_t pixelStart);
    void decodeRle(std::size_t pixelStart);
    std::uint8_t* row(std::int64_t fileRow) const;
    void putIndex(std::int64_t x, std::int64_t y, unsigned index) const;

    const std::uint8_t* data_;
    std::size_t size_;
    BmpHeader header_;
    std::array<Colour, 256> palette_{};
    Bitmap* bitmap_ = nullptr;
};

bool BmpReader::readHeader() {
    BmpHeader& h = header_;
    if (size_ < kFileHeaderSize + 4) return false;
    h.headerSize = get32(data_ + kFileHeaderSize);
    const std::uint8_t* p = data_ + kFileHeaderSize;
    if (h.headerSize > size_ - kFileHeaderSize) return false;
    std::size_t masksEnd = kFileHeaderSize + h.headerSize;
    if (h.headerSize == kCoreHeaderSize) {
        h.width = get16(p + 4);
        h.height = get16(p + 6);
        h.bitCount = get16(p + 10);
        h.paletteEntrySize = 3;
    } else if (h.headerSize >= kInfoHeaderSize) {
        h.width = static_cast<std::int32_t>(get32(p + 4));
        h.height = static_cast<std::int32_t>(get32(p + 8));
        h.bitCount = get16(p + 14);
        h.compression = get32(p + 16);
        h.coloursUsed = get32(p + 32);
        // The OS/2 header gives 3 and 4 other meanings (Huffman, RLE24).
        if (h.headerSize == kOs2HeaderSize && h.compression > kRle4) return false;
        if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
            // Masks follow a plain info header; later headers hold them.
            const std::uint8_t* masks = p + kInfoHeaderSize;
            if (h.headerSize < kInfoHeaderSize + 12) {
                masksEnd += h.compression == kBitFields ? 12 : 16;
                if (masksEnd > size_) return false;
            }
            for (int i = 0; i < 3; ++i) h.channels[i] = Channel(get32(masks + 4 * i));
        }
    } else {
        return false;
    }
    h.paletteStart = masksEnd;

    if (h.width <= 0 || h.height == 0 || h.height < -0x7fffffff) return false;
    switch (h.compression) {
    case kRgb:
        if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 16 &&
            h.bitCount != 24 && h.bitCount != 32)
            return false;
        if (h.bitCount == 16) h.channels = {Channel(0x7c00), Channel(0x03e0), Channel(0x001f)};
        if (h.bitCount == 32)
            h.channels = {Channel(0xff0000), Channel(0x00ff00), Channel(0x0000ff)};
        return true;
    case kRle8: return h.bitCount == 8;
    case kRle4: return h.bitCount == 4;
    case kBitFields:
    case kAlphaBitFields: return h.bitCount == 16 || h.bitCount == 32;
    default: return false;  // embedded JPEG or PNG, Huffman, unknown
    }
}

// Colours beyond the palette's end, or beyond the file's, stay black.
void BmpReader::readPalette(std::size_t pixelStart) {
    if (header_.bitCount > 8) return;
    std::size_t count = std::size_t(1) << header_.bitCount;
    if (header_.coloursUsed != 0 && header_.coloursUsed < count) count = header_.coloursUsed;
    std::size_t end = std::max(pixelStart, header_.paletteStart);
    std::size_t available = std::min(end, size_) - header_.paletteStart;
    count = std::min(count, available / header_.paletteEntrySize);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = data_ + header_.paletteStart + i * header_.paletteEntrySize;
        palette_[i] = {entry[2], entry[1], entry[0]};
    }
}

// The bitmap row that file row `fileRow` (in the file's order) lands on.
std::uint8_t* BmpReader::row(std::int64_t fileRow) const {
    std::int64_t height = bitmap_->height();
    std::int64_t y = header_.height > 0 ? fileRow : height - 1 - fileRow;
    return bitmap_->pixels() + std::size_t(y) * std::size_t(bitmap_->width()) * 4;
}

// Bytes a row takes in the file, padding included.
std::uint64_t BmpReader::stride() const {
    return (std::uint64_t(header_.width) * header_.bitCount + 31) / 32 * 4;
}

// Whether the file holds every row of uncompressed pixels; the last row may
// lack its padding.
bool BmpReader::holdsAllRows(std::size_t pixelStart) const {
    std::uint64_t rowBits = std::uint64_t(header_.width) * header_.bitCount;
    std::uint64_t rows = std::uint64_t(header_.height < 0 ? -header_.height : header_.height);
    std::uint64_t needed = stride() * (rows - 1) + (rowBits + 7) / 8;
    return pixelStart <= size_ && needed <= size_ - pixelStart;
}

void BmpReader::decodeDirect(std::size_t pixelStart) {
    const BmpHeader& h = header_;
    std::int64_t width = bitmap_->width(), height = bitmap_->height();
    std::uint64_t stride = this->stride();
    for (std::int64_t fileRow = 0; fileRow < height; ++fileRow) {
        const std::uint8_t* in = data_ + pixelStart + std::size_t(stride) * std::size_t(fileRow);
        std::uint8_t* out = row(fileRow);
        for (std::int64_t x = 0; x < width; ++x, out += 4) {
            Colour c;
            switch (h.bitCount) {
            case 1: c = palette_[(in[x >> 3] >> (7 - (x & 7))) & 1]; break;
            case 4: c = palette_[(in[x >> 1] >> (x & 1 ? 0 : 4)) & 15]; break;
            case 8: c = palette_[in[x]]; break;
            case 16: {
                std::uint32_t v = get16(in + 2 * x);
                c = {h.channels[0](v), h.channels[1](v), h.channels[2](v)};
                break;
            }
            case 24: c = {in[3 * x + 2], in[3 * x + 1], in[3 * x]}; break;
            default: {
                std::uint32_t v = get32(in + 4 * x);
                c = {h.channels[0](v), h.channels[1](v), h.channels[2](v)};
                break;
            }
            }
            out[0] = c.red;
            out[1] = c.green;
            out[2] = c.blue;
            out[3] = 255;
        }
    }
}

void BmpReader::putIndex(std::int64_t x, std::int64_t y, unsigned index) const {
    if (x >= bitmap_->width() || y >= bitmap_->height()) return;
    std::uint8_t* out = row(y) + x * 4;
    const Colour& c = palette_[index & 0xff];
    out[0] = c.red;
    out[1] = c.green;
    out[2] = c.blue;
}

// Run-length data: runs, absolute stretches, line ends and jumps. Pixels
// the data skips or never reaches stay black; pixels past a row's end are
// dropped; the picture ends at the end-of-bitmap code or at the data's end.
void BmpReader::decodeRle(std::size_t pixelStart) {
    const bool rle4 = header_.compression == kRle4;
    std::uint8_t* pixels = bitmap_->pixels();
    std::size_t count = std::size_t(bitmap_->width()) * std::size_t(bitmap_->height());
    for (std::size_t i = 0; i < count; ++i) pixels[4 * i + 3] = 255;

    std::size_t at = pixelStart;
    std::int64_t x = 0, y = 0;
    while (at + 2 <= size_ && y < bitmap_->height()) {
        unsigned first = data_[at], second = data_[at + 1];
        at += 2;
        if (first > 0) {
            for (unsigned i = 0; i < first; ++i, ++x)
                putIndex(x, y, rle4 ? (i & 1 ? second & 15 : second >> 4) : second);
        } else if (second == 0) {
            x = 0;
            ++y;
        } else if (second == 1) {
            break;
        } else if (second == 2) {
            if (at + 2 > size_) break;
            x += data_[at];
            y += data_[at + 1];
            at += 2;
        } else {
            std::size_t bytes = rle4 ? (second + 1) / 2 : second;
            if (bytes > size_ - at) break;
            for (unsigned i = 0; i < second; ++i, ++x) {
                unsigned value = rle4 ? data_[at + i / 2] : data_[at + i];
                putIndex(x, y, rle4 ? (i & 1 ? value & 15 : value >> 4) : value);
            }
            at += bytes + (bytes & 1);
        }
    }
}

PictureResult BmpReader::decode(Bitmap& bitmap) {
    if (!readHeader()) return PictureResult::undecodable;
    std::size_t pixelStart = get32(data_ + 10);
    if (pixelStart == 0) {
        std::size_t paletteBytes =
            header_.bitCount <= 8
                ? (header_.coloursUsed ? std::min<std::size_t>(header_.coloursUsed, 256)
                                       : std::size_t(1) << header_.bitCount) *
                      header_.paletteEntrySize
                : 0;
        pixelStart = header_.paletteStart + paletteBytes;
    }
    bool compressed = header_.compression == kRle8 || header_.compression == kRle4;
    // Truncated pixel data is refused before anything is allocated for it.
    if (pixelStart > size_ || (!compressed && !holdsAllRows(pixelStart)))
        return PictureResult::undecodable;
    std::int64_t height = header_.height < 0 ? -header_.height : header_.height;
    if (height > 0x7fffffff || header_.width > 0x7fffffff ||
        !bitmap.allocate(static_cast<std::int32_t>(header_.width),
                         static_cast<std::int32_t>(height), false))
        return PictureResult::undecodable;
    bitmap_ = &bitmap;
    readPalette(pixelStart);
    if (compressed)
        decodeRle(pixelStart);
    else
        decodeDirect(pixelStart);
    return PictureResult::decoded;
}

}  // namespace

PictureResult decodeBmp(const std::uint8_t* data, std::size_t size, Bitmap& bitmap) {
    bitmap.clear();
    return BmpReader(data, size).decode(bitmap);
}
