#include "ModelTextures.h"

#include "AtomicFile.h"
#include "base/RegularFile.h"
#include "scenetool/PictureConversion.h"

#include "data/DataFile.h"
#include "data/PictureCheck.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <string_view>

namespace fs = std::filesystem;

namespace {

// Texture names the scene file holds: 256 bytes, the last kept for the end.
constexpr std::size_t kLongestTextureName = 255;

// An uncompressed embedded picture (BGRA texels, top row first) as PNG
// file bytes; empty when it cannot be encoded.
std::vector<std::uint8_t> pngOfTexels(const aiTexture& texture) {
    std::vector<std::uint8_t> rgba;
    const std::size_t count = std::size_t(texture.mWidth) * texture.mHeight;
    rgba.reserve(4 * count);
    for (std::size_t i = 0; i < count; ++i) {
        const aiTexel& t = texture.pcData[i];
        rgba.insert(rgba.end(), {t.r, t.g, t.b, t.a});
    }
    return pngOfRgba(rgba.data(), texture.mWidth, texture.mHeight);
}

// Larger than any picture the conversion takes (the largest side, 8-bit
// RGBA, uncompressed with its mipmaps); refused rather than read into memory.
constexpr std::uintmax_t kLargestPictureFile = std::uintmax_t(2) << 30;

// The whole of picture file `path`: a regular file only, read as far as
// its size when opened. A model may name any file: a FIFO or a device is
// refused at once; those of /proc and /sys claim no size and read as
// empty. False with `error` set, never an exception.
bool readWholeFile(const fs::path& path, std::vector<std::uint8_t>& bytes, std::string& error) {
    return readRegularFile(path.string(), kLargestPictureFile, bytes, error);
}

std::string lowerExtension(const fs::path& path) {
    std::string extension = path.extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// Tells pictures apart without keeping their bytes: the size and a hash.
std::uint64_t fingerprint(const std::vector<std::uint8_t>& bytes) {
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return std::uint64_t(std::hash<std::string_view>{}(view)) ^ (std::uint64_t(bytes.size()) << 48);
}

// `name` cut to what the scene file holds, its extension kept.
std::string shortened(const std::string& name) {
    if (name.size() <= kLongestTextureName) return name;
    const std::string extension = fs::path(name).extension().string();
    return name.substr(0, kLongestTextureName - extension.size()) + extension;
}

// A picture file name the player's data-file look-up takes as it is: no
// folder separators (the look-up keeps only what follows the last one).
std::string plainFileName(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '_');
    std::replace(name.begin(), name.end(), '/', '_');
    return name;
}

}  // namespace

ModelTextures::ModelTextures(const aiScene& model, std::string pictureDir,
                             const fs::path& modelPath, std::vector<fs::path> extraDirs)
    : model_(model),
      pictureDir_(std::move(pictureDir)),
      modelDir_(modelPath.parent_path()),
      modelName_(modelPath.stem().string()),
      search_(modelDir_, std::move(extraDirs)) {}

bool ModelTextures::name(const aiString& path, std::string& name, std::string& error) {
    const std::string text = path.C_Str();
    if (auto known = handedOn_.find(text); known != handedOn_.end()) {
        name = known->second;
        return true;
    }
    name.clear();
    const bool handed = model_.GetEmbeddedTexture(text.c_str()) ? embeddedTexture(text, name, error)
                                                                : fileTexture(text, name, error);
    if (!handed) return false;
    handedOn_[text] = name;
    return true;
}

float ModelTextures::peak(const std::string& name) const {
    const auto found = peaks_.find(name);
    return found == peaks_.end() ? 1.0f : found->second;
}

bool ModelTextures::embeddedTexture(const std::string& text, std::string& name,
                                    std::string& error) {
    const aiTexture& embedded = *model_.GetEmbeddedTexture(text.c_str());
    const bool raw = embedded.mHeight != 0;
    std::string extension = raw ? "png" : embedded.achFormatHint;
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    std::vector<std::uint8_t> bytes;
    if (raw) {
        bytes = pngOfTexels(embedded);
        if (bytes.empty()) {
            error = "cannot encode embedded texture " + text;
            return false;
        }
    } else {
        const auto* data = reinterpret_cast<const std::uint8_t*>(embedded.pcData);
        bytes.assign(data, data + embedded.mWidth);
    }
    std::string base = embedded.mFilename.length > 0
                           ? plainFileName(fs::path(embedded.mFilename.C_Str()).filename().string())
                           : std::string();
    if (base.empty() || lowerExtension(base) != extension)
        base = modelName_ + "-texture" + std::to_string(embeddedCount_++) + "." + extension;
    if (!handOn(bytes, extension, base, "embedded texture " + text, name, error)) return false;
    if (!name.empty()) std::fprintf(stderr, "wrote embedded texture %s\n", name.c_str());
    return true;
}

bool ModelTextures::fileTexture(const std::string& text, std::string& name, std::string& error) {
    const TextureSearch::Result result = search_.find(text, pictureExtensions());
    if (!result.found) {
        std::fprintf(stderr,
                     "warning: texture %s is not found (looked %s); the material stays "
                     "untextured\n",
                     text.c_str(), result.tried.c_str());
        return true;
    }
    const fs::path& found = *result.found;
    if (auto known = byFile_.find(found); known != byFile_.end()) {
        name = known->second;
        return true;
    }
    if (!result.asNamed) {
        std::error_code ec;
        const fs::path relative = found.lexically_relative(fs::absolute(modelDir_, ec));
        const bool below = !relative.empty() && *relative.begin() != "..";
        std::fprintf(stderr, "texture %s found at %s\n", text.c_str(),
                     (below ? relative : found).string().c_str());
    }
    std::vector<std::uint8_t> bytes;
    std::string why;
    if (!readWholeFile(found, bytes, why)) {
        std::fprintf(stderr, "warning: texture %s: %s; the material stays untextured\n",
                     text.c_str(), why.c_str());
        return true;
    }
    if (!handOn(bytes, lowerExtension(found), plainFileName(found.filename().string()),
                "texture " + found.filename().string(), name, error))
        return false;
    byFile_[found] = name;
    return true;
}

bool ModelTextures::handOn(const std::vector<std::uint8_t>& bytes, const std::string& extension,
                           const std::string& wanted, const std::string& what, std::string& name,
                           std::string& error) {
    // The player's own loaders decide: a PNG or JPEG they refuse (CMYK,
    // arithmetic coding, a misnamed file) is converted like any other.
    if (playerReadsPicture(extension) &&
        pictureContentFault(wanted, bytes.data(), bytes.size()).empty()) {
        if (!place(bytes, wanted, name, error)) return false;
        peaks_[name] = picturePeak(bytes.data(), bytes.size(), extension);
        return true;
    }

    std::string why;
    float peak = 1.0f;
    std::vector<std::uint8_t> png =
        convertPictureToPng(bytes.data(), bytes.size(), extension, why, &peak);
    const std::string content = pictureKindOfContent(bytes.data(), bytes.size());
    if (png.empty() && !content.empty() && content != extension) {
        std::string alsoWhy;
        png = convertPictureToPng(bytes.data(), bytes.size(), content, alsoWhy, &peak);
    }
    if (png.empty()) {
        std::fprintf(stderr,
                     "warning: %s does not decode (%s); the material stays "
                     "untextured\n",
                     what.c_str(), why.c_str());
        return true;
    }
    const std::string stem = fs::path(wanted).stem().string();
    // Two pictures differing only in their extension must not take each
    // other's converted name.
    std::string converted = stem + ".png";
    const auto known = written_.find(converted);
    if (extension != "png" && known != written_.end() && known->second != fingerprint(png))
        converted = stem + "-" + extension + ".png";
    if (!place(png, converted, name, error)) return false;
    peaks_[name] = peak;
    std::fprintf(stderr, "converted %s to %s\n", what.c_str(), name.c_str());
    return true;
}

bool ModelTextures::place(const std::vector<std::uint8_t>& bytes, std::string wanted,
                          std::string& name, std::string& error) {
    wanted = shortened(wanted);
    const fs::path stem = fs::path(wanted).stem();
    const std::string extension = fs::path(wanted).extension().string();
    const std::uint64_t mine = fingerprint(bytes);
    for (int n = 2; written_.count(wanted) && written_[wanted] != mine; ++n)
        wanted = shortened(stem.string() + "-" + std::to_string(n) + extension);
    name = wanted;
    if (written_.count(wanted)) return true;

    const fs::path target = fs::path(pictureDir_) / wanted;
    std::vector<std::uint8_t> there;
    std::error_code ec;
    std::string unread;  // whatever is there and cannot be read is replaced
    if (fs::exists(target, ec) && readWholeFile(target, there, unread)) {
        written_[wanted] = mine;
        if (there == bytes) return true;
        // A picture the author put beside the scene is theirs to keep, as
        // long as the player reads it.
        if (pictureContentFault(wanted, there.data(), there.size()).empty()) {
            std::fprintf(stderr,
                         "note: kept %s, already beside the scene, in place of the "
                         "model's picture\n",
                         wanted.c_str());
            return true;
        }
    }
    if (!writeAtomically(target, bytes.data(), bytes.size(), error)) return false;
    written_[wanted] = mine;
    return true;
}
