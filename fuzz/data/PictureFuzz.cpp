// The DIB loader's decoders. The first input byte picks the decoder, so
// each sees content its sniffing would not have let through.
#include "PictureDecoder.h"

#include "data/Bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    Bitmap bitmap;
    switch (data[0] % 3) {
    case 0: decodePicture(data + 1, size - 1, bitmap); break;
    case 1: decodeJpeg(data + 1, size - 1, bitmap); break;
    default: decodeBmp(data + 1, size - 1, bitmap); break;
    }
    return 0;
}
