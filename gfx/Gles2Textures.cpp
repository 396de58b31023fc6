// The shader renderer's textures: ES 2.0 stores pixels only in the layout
// they come in and limits what textures whose sides are not powers of two
// may do; what is known of each texture is kept here for those rules and
// for the program that samples it.
#include "Gles2Backend.h"

#include "GlEnums.h"
#include "PixelConversion.h"

#include "data/MipmapChain.h"

namespace gfx {

using namespace glenums;

namespace {

bool mipmapped(Filter f) {
    return f == Filter::linearMipmapLinear || f == Filter::linearMipmapNearest ||
           f == Filter::nearestMipmapNearest;
}

bool powerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

}  // namespace

TextureId Gles2Backend::createTexture() {
    GLuint name = 0;
    glGenTextures(1, &name);
    if (name) textures_[name] = TextureInfo{};
    return name;
}
void Gles2Backend::deleteTexture(TextureId id) {
    const GLuint name = id;
    glDeleteTextures(1, &name);
    textures_.erase(id);
    // The driver binds none in its place.
    if (have_.bound == id) have_.bound = 0;
}

// A target's texture: one level, linear, clamped, as GlTextureTargets makes it.
void Gles2Backend::targetTextureMade(TextureId texture, int width, int height) {
    TextureInfo info;
    info.width = width;
    info.height = height;
    info.levels = 1;
    info.minify = Filter::linear;
    info.wrapS = info.wrapT = Wrap::clampToEdge;
    textures_[texture] = info;
    have_.bound = texture;
}

void Gles2Backend::targetTextureGone(TextureId texture) {
    textures_.erase(texture);
    if (have_.bound == texture) have_.bound = 0;
}

bool Gles2Backend::textureComplete(const TextureInfo& info) const {
    if (!(info.levels & 1u) || info.width <= 0 || info.height <= 0) return false;
    if (!mipmapped(info.minify)) return true;
    int side = std::max(info.width, info.height);
    for (int level = 0; side >= 1; ++level, side /= 2)
        if (!(info.levels & (1u << level))) return false;
    return true;
}

std::optional<PixelFormat> Gles2Backend::sampledTexture(const State& s) const {
    if (!s.on(Cap::texture2D) || s.bound == 0) return std::nullopt;
    const auto found = textures_.find(s.bound);
    if (found == textures_.end() || !textureComplete(found->second)) return std::nullopt;
    return found->second.format;
}

// ES 2.0 samples a texture whose sides are not powers of two only clamped
// and without mipmaps: such a texture is given those where the driver has
// no more. Its pixels stay as they are. The texture must be bound.
void Gles2Backend::applyTextureParameters(TextureId id) {
    const auto found = textures_.find(id);
    if (found == textures_.end()) return;
    const TextureInfo& t = found->second;
    const bool restricted = !fullNpot_ && !(powerOfTwo(t.width) && powerOfTwo(t.height));
    Filter minify = t.minify;
    if (restricted && mipmapped(minify))
        minify = minify == Filter::nearestMipmapNearest ? Filter::nearest : Filter::linear;
    const auto wrap = [restricted](Wrap w) {
        return restricted || w != Wrap::repeat ? GL_CLAMP_TO_EDGE : GL_REPEAT;
    };
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, glFilter(minify));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, glFilter(t.magnify));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap(t.wrapS));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap(t.wrapT));
}

void Gles2Backend::textureFilter(TextureId id, Filter minify, Filter magnify) {
    bind(id);
    TextureInfo& t = textures_[id];
    t.minify = minify;
    t.magnify = magnify;
    applyTextureParameters(id);
}
void Gles2Backend::textureWrap(TextureId id, Wrap s, Wrap t) {
    bind(id);
    TextureInfo& info = textures_[id];
    info.wrapS = s;
    info.wrapT = t;
    applyTextureParameters(id);
}

// Pixels of another layout than the one asked for are converted to it
// first.
void Gles2Backend::textureImage(TextureId id, int level, PixelFormat internal, int width,
                                int height, PixelFormat format, const void* pixels) {
    if (width <= 0 || height <= 0 || level < 0 || level > 31) return;
    bind(id);
    std::vector<std::uint8_t> converted;
    const void* data = pixels;
    if (internal != format && pixels) {
        const int count = width * height;
        const auto* in = static_cast<const std::uint8_t*>(pixels);
        const std::vector<std::uint8_t> rgba =
            format == PixelFormat::rgba ? std::vector<std::uint8_t>() : toRgba(in, count, format);
        converted = fromRgba(rgba.empty() ? in : rgba.data(), count, internal);
        data = converted.data();
    }
    const GLenum f = glPixelFormat(internal);
    glTexImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(f), width, height, 0, f, GL_UNSIGNED_BYTE,
                 data);
    TextureInfo& t = textures_[id];
    if (level == 0) {
        t.width = width;
        t.height = height;
        t.format = internal;
        t.levels = 1u;
        applyTextureParameters(id);
    } else {
        t.levels |= 1u << level;
    }
}

// The levels as the utility library builds them (the same arithmetic the
// picture loader uses), halved further while level 0 is larger than the
// driver takes.
void Gles2Backend::buildMipmaps(TextureId id, PixelFormat internal, int width, int height,
                                PixelFormat format, const void* pixels) {
    if (width <= 0 || height <= 0 || !pixels) return;
    const auto* in = static_cast<const std::uint8_t*>(pixels);
    const std::vector<std::uint8_t> rgba =
        format == PixelFormat::rgba
            ? std::vector<std::uint8_t>(in, in + static_cast<std::size_t>(width) * height * 4)
            : toRgba(in, width * height, format);
    const MipmapChain chain = buildMipmapChain(rgba.data(), width, height);
    std::size_t first = 0;
    while (first + 1 < chain.levels.size() && (chain.levels[first].width > maxTextureSize_ ||
                                               chain.levels[first].height > maxTextureSize_))
        ++first;
    for (std::size_t i = first; i < chain.levels.size(); ++i) {
        const MipmapLevel& l = chain.levels[i];
        const std::uint8_t* data = l.pixels.empty() ? rgba.data() : l.pixels.data();
        textureImage(id, static_cast<int>(i - first), internal, l.width, l.height,
                     PixelFormat::rgba, data);
    }
}

void Gles2Backend::copyFrameToTexture(TextureId id, PixelFormat internal, int x, int y, int width,
                                      int height) {
    bind(id);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, glPixelFormat(internal), x, y, width, height, 0);
    TextureInfo& t = textures_[id];
    t.width = width;
    t.height = height;
    t.format = internal;
    t.levels = 1u;
    applyTextureParameters(id);
}

}  // namespace gfx
