#include "data/PictureCheck.h"

#include "BitmapLoader.h"
#include "PictureDecoder.h"
#include "PngDecoder.h"
#include "data/Bitmap.h"
#include "data/DataFile.h"

#include <memory>

std::string pictureFault(const std::string& name) {
    if (pictureKindOf(name) == PictureKind::unknown) return pictureContentFault(name, nullptr, 0);
    std::unique_ptr<MemoryFile> file = openDataFile(name);
    if (!file) return "not found";
    return pictureContentFault(name, file->data(), file->size());
}

std::string pictureContentFault(const std::string& name, const std::uint8_t* data,
                                std::size_t size) {
    const PictureKind kind = pictureKindOf(name);
    if (kind == PictureKind::unknown)
        return "is not a picture the player loads (its name must end in .png, .jpg, .jpeg or .bmp)";
    Bitmap bitmap;
    if (kind == PictureKind::png) {
        std::string fault;
        return decodePng(data, size, bitmap, &fault) ? std::string() : fault;
    }
    return pictureResultFault(decodePicture(data, size, bitmap));
}
