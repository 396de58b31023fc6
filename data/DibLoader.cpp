#include "BitmapLoader.h"
#include "PictureDecoder.h"

#include "base/Log.h"
#include "data/Bitmap.h"
#include "data/DataFile.h"

bool DibLoader::load(const std::string& path, Bitmap& bitmap)
{
    std::unique_ptr<MemoryFile> file = openDataFile(path);
    if (!file) {
        logMessage("Bitmap file %s not found, exiting\n", path.c_str());
        fatalStop(7);
    }
    const PictureResult result = decodePicture(file->data(), file->size(), bitmap);
    if (result == PictureResult::decoded)
        return true;
    logMessage("DibLoader - %s %s\n", path.c_str(), pictureResultFault(result));
    if (result == PictureResult::notBitmap) {
        logMessage("DibLoader - not a bitmap, aborting\n");
        fatalStop(3468);
    }
    logMessage("DibLoader - getType failed, aborting\n");
    fatalStop(3467);
}
