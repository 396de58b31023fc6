#include "PixelConversion.h"

#include <algorithm>
#include <cstring>

namespace gfx {

int channelsOf(PixelFormat f) {
    switch (f) {
    case PixelFormat::rgb: return 3;
    case PixelFormat::rgba: return 4;
    case PixelFormat::luminance: return 1;
    case PixelFormat::luminanceAlpha: return 2;
    case PixelFormat::alpha: return 1;
    }
    return 4;
}

bool hasColourChannels(PixelFormat f) {
    return f != PixelFormat::alpha;
}

bool hasAlphaChannel(PixelFormat f) {
    return f == PixelFormat::rgba || f == PixelFormat::luminanceAlpha || f == PixelFormat::alpha;
}

std::vector<std::uint8_t> toRgba(const std::uint8_t* in, int count, PixelFormat format) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(count) * 4);
    for (int i = 0; i < count; ++i) {
        std::uint8_t* o = &out[static_cast<std::size_t>(i) * 4];
        switch (format) {
        case PixelFormat::rgba: std::memcpy(o, in + i * 4, 4); break;
        case PixelFormat::rgb:
            std::memcpy(o, in + i * 3, 3);
            o[3] = 255;
            break;
        case PixelFormat::luminance: o[0] = o[1] = o[2] = in[i], o[3] = 255; break;
        case PixelFormat::luminanceAlpha:
            o[0] = o[1] = o[2] = in[i * 2];
            o[3] = in[i * 2 + 1];
            break;
        case PixelFormat::alpha: o[0] = o[1] = o[2] = 0, o[3] = in[i]; break;
        }
    }
    return out;
}

std::vector<std::uint8_t> fromRgba(const std::uint8_t* in, int count, PixelFormat format) {
    const int n = channelsOf(format);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(count) * static_cast<std::size_t>(n));
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* p = in + i * 4;
        std::uint8_t* o = &out[static_cast<std::size_t>(i) * static_cast<std::size_t>(n)];
        switch (format) {
        case PixelFormat::rgba: std::memcpy(o, p, 4); break;
        case PixelFormat::rgb: std::memcpy(o, p, 3); break;
        case PixelFormat::luminance: o[0] = p[0]; break;
        case PixelFormat::luminanceAlpha:
            o[0] = p[0];
            o[1] = p[3];
            break;
        case PixelFormat::alpha: o[0] = p[3]; break;
        }
    }
    return out;
}

void readBackAs(std::vector<std::uint8_t>& rgba, int count, PixelFormat format, void* out) {
    auto* o = static_cast<std::uint8_t*>(out);
    const std::size_t pixels = static_cast<std::size_t>(count);
    if (format == PixelFormat::rgba) {
        std::memcpy(o, rgba.data(), pixels * 4);
        return;
    }
    if (format == PixelFormat::rgb) {
        for (std::size_t i = 0; i < pixels; ++i) std::memcpy(o + i * 3, &rgba[i * 4], 3);
        return;
    }
    if (format == PixelFormat::luminance || format == PixelFormat::luminanceAlpha) {
        for (std::size_t i = 0; i < pixels * 4; i += 4)
            rgba[i] = static_cast<std::uint8_t>(std::min(255, rgba[i] + rgba[i + 1] + rgba[i + 2]));
    }
    const std::vector<std::uint8_t> converted = fromRgba(rgba.data(), count, format);
    std::memcpy(out, converted.data(), converted.size());
}

}  // namespace gfx
