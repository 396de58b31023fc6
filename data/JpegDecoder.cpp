// JPEG content through the TurboJPEG API of libjpeg-turbo.
#include "PictureDecoder.h"

#include "base/Log.h"
#include "data/Bitmap.h"

#include <turbojpeg.h>

#include <memory>

namespace {

struct TjDestroy {
    void operator()(void* handle) const { tjDestroy(handle); }
};

}  // namespace

PictureResult decodeJpeg(const std::uint8_t* data, std::size_t size, Bitmap& bitmap) {
    bitmap.clear();
    std::unique_ptr<void, TjDestroy> handle(tjInitDecompress());
    if (!handle) return PictureResult::undecodable;
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), data, static_cast<unsigned long>(size), &width, &height,
                            &subsampling, &colorspace) != 0)
        return PictureResult::undecodable;
    if (!bitmap.allocate(width, height, false)) return PictureResult::undecodable;
    // RGBA fills the fourth byte with 255; bottom-up puts the last row first.
    // Limiting progressive scans stops files built to decode for ever.
    int flags = TJFLAG_BOTTOMUP | TJFLAG_LIMITSCANS;
    if (tjDecompress2(handle.get(), data, static_cast<unsigned long>(size), bitmap.pixels(), width,
                      0, height, TJPF_RGBA, flags) != 0) {
        // A warning (a truncated file, say) still leaves a whole picture,
        // the missing part grey; anything else leaves nothing usable.
        if (tjGetErrorCode(handle.get()) != TJERR_WARNING) {
            bitmap.clear();
            return PictureResult::undecodable;
        }
        logMessage("DibLoader - JPEG damaged, shown as far as it goes: %s\n",
                   tjGetErrorStr2(handle.get()));
    }
    return PictureResult::decoded;
}
