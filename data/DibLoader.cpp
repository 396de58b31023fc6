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
    switch (decodePicture(file->data(), file->size(), bitmap)) {
    case PictureResult::decoded:
        return true;
    case PictureResult::notBitmap:
        logMessage("DibLoader - %s is an icon, cursor or metafile, not a bitmap picture\n",
                   path.c_str());
        logMessage("DibLoader - not a bitmap, aborting\n");
        fatalStop(3468);
    case PictureResult::undecodable:
        break;
    }
    logMessage("DibLoader - %s is not a JPEG or BMP picture, or is damaged\n", path.c_str());
    logMessage("DibLoader - getType failed, aborting\n");
    fatalStop(3467);
}
