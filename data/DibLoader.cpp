#include "BitmapLoader.h"
#include "PictureDecoder.h"

#include "base/Log.h"
#include "data/Bitmap.h"
#include "data/DataFile.h"

int DibLoader::load(const std::string& path, Bitmap& bitmap) {
    std::unique_ptr<MemoryFile> file = openDataFile(path);
    if (!file) {
        logMessage("Bitmap file %s not found, exiting\n", path.c_str());
        return 7;
    }
    const PictureResult result = decodePicture(file->data(), file->size(), bitmap);
    if (result == PictureResult::decoded) return 0;
    logMessage("DibLoader - %s %s\n", path.c_str(), pictureResultFault(result));
    if (result == PictureResult::notBitmap) {
        logMessage("DibLoader - not a bitmap, aborting\n");
        return 3468;
    }
    logMessage("DibLoader - getType failed, aborting\n");
    return 3467;
}
