#include "data/Bitmap.h"

#include "BitmapLoader.h"
#include "base/Log.h"

#include <memory>

namespace {

std::string lowerCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::unique_ptr<BitmapLoader> loaderFor(const std::string& name) {
    switch (pictureKindOf(name)) {
    case PictureKind::dib: return std::make_unique<DibLoader>();
    case PictureKind::png: return std::make_unique<PngLoader>();
    case PictureKind::unknown: break;
    }
    return nullptr;
}

}  // namespace

PictureKind pictureKindOf(const std::string& name) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return PictureKind::unknown;
    std::string extension = lowerCase(name.substr(dot + 1));
    if (extension == "bmp" || extension == "jpg" || extension == "jpeg") return PictureKind::dib;
    if (extension == "png") return PictureKind::png;
    return PictureKind::unknown;
}

Bitmap::Bitmap(std::string name) : name_(std::move(name)) {
    if (const int status = decode()) fatalStop(status);
}

Bitmap::Bitmap(std::string name, int& stopStatus) : name_(std::move(name)) {
    stopStatus = decode();
}

int Bitmap::decode() {
    std::unique_ptr<BitmapLoader> loader = loaderFor(name_);
    if (!loader) {
        logMessage("Cannot load bitmap %s\n", name_.c_str());
        return 1;
    }
    return loader->load(name_, *this);
}

Bitmap::~Bitmap() = default;

bool Bitmap::hasAlpha() const {
    return hasAlpha_;
}

bool Bitmap::allocate(std::int32_t width, std::int32_t height, bool hasAlpha) {
    clear();
    if (width <= 0 || height <= 0 || std::int64_t(width) * height > kMaxPixels) return false;
    pixels_.reset(
        static_cast<std::uint8_t*>(std::calloc(std::size_t(width) * std::size_t(height), 4)));
    if (!pixels_) return false;
    width_ = width;
    height_ = height;
    hasAlpha_ = hasAlpha;
    return true;
}

void Bitmap::clear() {
    pixels_.reset();
    width_ = height_ = 0;
    hasAlpha_ = false;
}
