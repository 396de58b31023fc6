#include "PictureDecoder.h"

#include "data/Bitmap.h"

#include <cstring>

namespace {

bool startsWith(const std::uint8_t* data, std::size_t size, const char* bytes, std::size_t count) {
    return size >= count && std::memcmp(data, bytes, count) == 0;
}

// Icons, cursors and Windows or enhanced metafiles: pictures the old
// decoder recognised but that are not bitmaps.
bool isIconOrMetafile(const std::uint8_t* data, std::size_t size) {
    return startsWith(data, size, "\0\0\1\0", 4)             // icon
           || startsWith(data, size, "\0\0\2\0", 4)          // cursor
           || startsWith(data, size, "\xd7\xcd\xc6\x9a", 4)  // placeable metafile
           || startsWith(data, size, "\1\0\x09\0", 4)        // metafile in memory
           || startsWith(data, size, "\2\0\x09\0", 4)        // metafile on disk
           || (startsWith(data, size, "\1\0\0\0", 4) && size >= 44 &&
               std::memcmp(data + 40, " EMF", 4) == 0);  // enhanced metafile
}

}  // namespace

PictureResult decodePicture(const std::uint8_t* data, std::size_t size, Bitmap& bitmap) {
    bitmap.clear();
    if (startsWith(data, size, "\xff\xd8\xff", 3)) return decodeJpeg(data, size, bitmap);
    if (startsWith(data, size, "BM", 2)) return decodeBmp(data, size, bitmap);
    if (isIconOrMetafile(data, size)) return PictureResult::notBitmap;
    return PictureResult::undecodable;
}

const char* pictureResultFault(PictureResult result) {
    switch (result) {
    case PictureResult::decoded: return "";
    case PictureResult::notBitmap: return "is an icon, cursor or metafile, not a bitmap picture";
    case PictureResult::undecodable: break;
    }
    return "is not a JPEG or BMP picture, or is damaged";
}
