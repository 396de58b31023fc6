#include "ModelTextures.h"

#include "AtomicFile.h"
#include "scenetool/PictureConversion.h"

#include "data/DataFile.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

// Texture names the scene file holds: 256 bytes, the last kept for the end.
constexpr std::size_t kLongestTextureName = 255;

// An uncompressed embedded picture (BGRA texels, top row first) as PNG
// file bytes; empty when it cannot be encoded.
std::vector<std::uint8_t> pngOfTexels(const aiTexture& texture)
{
    std::vector<std::uint8_t> rgba;
    const std::size_t count = std::size_t(texture.mWidth) * texture.mHeight;
    rgba.reserve(4 * count);
    for (std::size_t i = 0; i < count; ++i) {
        const aiTexel& t = texture.pcData[i];
        rgba.insert(rgba.end(), {t.r, t.g, t.b, t.a});
    }
    return pngOfRgba(rgba.data(), texture.mWidth, texture.mHeight);
}

bool readWholeFile(const fs::path& path, std::vector<std::uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

ModelTextures::ModelTextures(const aiScene& model, std::string pictureDir,
                             const fs::path& modelPath)
    : model_(model), pictureDir_(std::move(pictureDir)), modelDir_(modelPath.parent_path()),
      modelName_(modelPath.stem().string())
{
}

bool ModelTextures::name(const aiString& path, std::string& name, std::string& error)
{
    const std::string text = path.C_Str();
    if (auto known = handedOn_.find(text); known != handedOn_.end()) {
        name = known->second;
        return true;
    }
    const bool handed = model_.GetEmbeddedTexture(text.c_str()) ? embeddedTexture(text, name, error)
                                                               : fileTexture(text, name, error);
    if (!handed) return false;
    if (name.size() > kLongestTextureName) {
        error = "texture name longer than " + std::to_string(kLongestTextureName) +
                " bytes: " + name;
        return false;
    }
    handedOn_[text] = name;
    return true;
}

bool ModelTextures::embeddedTexture(const std::string& text, std::string& name, std::string& error)
{
    const aiTexture& embedded = *model_.GetEmbeddedTexture(text.c_str());
    const bool raw = embedded.mHeight != 0;
    const std::string hint = raw ? "png" : embedded.achFormatHint;
    const auto* data = reinterpret_cast<const std::uint8_t*>(embedded.pcData);
    std::vector<std::uint8_t> bytes;
    std::string why;
    if (raw)
        bytes = pngOfTexels(embedded);
    else if (playerReadsPicture(hint))
        bytes.assign(data, data + embedded.mWidth);
    else
        bytes = convertPictureToPng(data, embedded.mWidth, hint, why);
    if (bytes.empty()) {
        if (raw) {
            error = "cannot encode embedded texture " + text;
            return false;
        }
        std::fprintf(stderr, "note: embedded texture %s (format '%s') is not written (%s); "
                     "the material stays untextured\n", text.c_str(), hint.c_str(),
                     why.c_str());
        return true;
    }
    const std::string extension = playerReadsPicture(hint) ? hint : "png";
    std::string base = embedded.mFilename.length > 0
                           ? dataFileBaseName(embedded.mFilename.C_Str())
                           : std::string();
    if (base.empty() || fs::path(base).extension() != "." + extension)
        base = modelName_ + "-texture" + std::to_string(embeddedCount_++) + "." + extension;
    if (!writeAtomically(fs::path(pictureDir_) / base, bytes.data(), bytes.size(),
                         error))
        return false;
    std::fprintf(stderr, "wrote embedded texture %s\n", base.c_str());
    name = base;
    return true;
}

// A texture the model names as a file, looked for beside the model.
// False only when a converted picture cannot be written.
bool ModelTextures::fileTexture(const std::string& text, std::string& name, std::string& error)
{
    const std::string base = dataFileBaseName(text);
    const fs::path source = modelDir_ / text;
    const std::string extension = fs::path(base).extension().string();
    if (playerReadsPicture(extension)) {
        name = base;
        copyBeside(source, name);
        return true;
    }
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(source, bytes)) {
        std::fprintf(stderr, "warning: texture %s is missing (looked for %s); the material "
                     "stays untextured\n", base.c_str(), source.string().c_str());
        return true;
    }
    std::string why;
    const std::vector<std::uint8_t> png =
        convertPictureToPng(bytes.data(), bytes.size(), extension, why);
    if (png.empty()) {
        std::fprintf(stderr, "warning: texture %s cannot be converted to PNG (%s); the "
                     "material stays untextured\n", base.c_str(), why.c_str());
        return true;
    }
    std::string converted = fs::path(base).stem().string() + ".png";
    // Two pictures differing only in their extension must not overwrite
    // each other's conversion.
    if (std::find(convertedNames_.begin(), convertedNames_.end(), converted) !=
        convertedNames_.end())
        converted = fs::path(base).stem().string() + "-" + extension.substr(extension.empty() ? 0 : 1) + ".png";
    if (!writeAtomically(fs::path(pictureDir_) / converted, png.data(), png.size(),
                         error))
        return false;
    convertedNames_.push_back(converted);
    std::fprintf(stderr, "converted texture %s to %s\n", base.c_str(), converted.c_str());
    name = converted;
    return true;
}

// The player finds pictures only by base name from its own folder: the
// model's own picture is copied beside the output unless one is there.
void ModelTextures::copyBeside(const fs::path& source, const std::string& name) const
{
    const fs::path target = fs::path(pictureDir_) / name;
    std::error_code ec;
    if (fs::exists(target, ec)) return;
    if (!fs::exists(source, ec)) {
        std::fprintf(stderr, "warning: texture %s is missing (looked for %s); the player "
                     "will refuse the scene until it lies beside it\n",
                     name.c_str(), source.string().c_str());
        return;
    }
    if (fs::copy_file(source, target, ec))
        std::fprintf(stderr, "copied texture %s\n", name.c_str());
}
