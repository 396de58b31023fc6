#include "data/PictureDecodePool.h"

std::unique_ptr<DecodedPicture> decodePicture(const std::string& name, bool buildMipmaps) {
    auto decoded = std::make_unique<DecodedPicture>();
    LogCapture capture;
    int status = 0;
    decoded->bitmap = std::make_unique<Bitmap>(name, status);
    decoded->stopStatus = status;
    if (status != 0)
        decoded->bitmap.reset();
    else if (buildMipmaps && !decoded->bitmap->empty())
        decoded->mipmaps = buildMipmapChain(decoded->bitmap->pixels(), decoded->bitmap->width(),
                                            decoded->bitmap->height());
    decoded->log = capture.take();
    return decoded;
}

PictureDecodePool::PictureDecodePool(const std::vector<std::string>& names, unsigned workers,
                                     std::size_t maxWaiting, bool buildMipmaps)
    : pool_(names, workers, maxWaiting, [buildMipmaps](const std::string& name) {
          return std::unique_ptr<DecodeResult>(decodePicture(name, buildMipmaps));
      }) {}

std::unique_ptr<DecodedPicture> PictureDecodePool::take(const std::string& name) {
    // Every result of this pool is a DecodedPicture.
    return std::unique_ptr<DecodedPicture>(
        static_cast<DecodedPicture*>(pool_.take(name).release()));
}
