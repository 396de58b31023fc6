#include "data/PictureCheck.h"

#include "BitmapLoader.h"
#include "PictureDecoder.h"
#include "PngDecoder.h"
#include "data/Bitmap.h"
#include "data/DataFile.h"

#include <memory>

std::string pictureFault(const std::string& name)
{
    const PictureKind kind = pictureKindOf(name);
    if (kind == PictureKind::unknown)
        return "is not a picture the player loads (its name must end in .png, .jpg, .jpeg or .bmp)";
    std::unique_ptr<MemoryFile> file = openDataFile(name);
    if (!file)
        return "not found";
    Bitmap bitmap;
    if (kind == PictureKind::png) {
        std::string fault;
        return decodePng(file->data(), file->size(), bitmap, &fault) ? std::string() : fault;
    }
    return pictureResultFault(decodePicture(file->data(), file->size(), bitmap));
}
