#include "scenetool/PictureConversion.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}
#include <png.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <utility>

namespace {

// Larger than this no GL implementation takes as one texture; a header
// claiming more is refused before any pixel memory is allocated.
constexpr int kLargestSide = 16384;

std::string lowerExtension(const std::string& extension) {
    std::string lower;
    for (std::size_t i = 0; i < extension.size(); ++i)
        if (i > 0 || extension[i] != '.')
            lower.push_back(char(std::tolower(static_cast<unsigned char>(extension[i]))));
    return lower;
}

// The decoders FFmpeg has for picture files modelling programs use. PNG
// and JPEG are there for the files the player's own loaders refuse (CMYK,
// arithmetic coding and the like).
const std::pair<const char*, AVCodecID> kFormats[] = {
    {"png", AV_CODEC_ID_PNG},   {"jpg", AV_CODEC_ID_MJPEG}, {"jpeg", AV_CODEC_ID_MJPEG},
    {"tga", AV_CODEC_ID_TARGA}, {"dds", AV_CODEC_ID_DDS},   {"gif", AV_CODEC_ID_GIF},
    {"bmp", AV_CODEC_ID_BMP},   {"dib", AV_CODEC_ID_BMP},   {"tif", AV_CODEC_ID_TIFF},
    {"tiff", AV_CODEC_ID_TIFF}, {"webp", AV_CODEC_ID_WEBP}, {"psd", AV_CODEC_ID_PSD},
    {"pcx", AV_CODEC_ID_PCX},   {"sgi", AV_CODEC_ID_SGI},   {"rgb", AV_CODEC_ID_SGI},
    {"ppm", AV_CODEC_ID_PPM},   {"pgm", AV_CODEC_ID_PGM},   {"pbm", AV_CODEC_ID_PBM},
    {"pnm", AV_CODEC_ID_PPM},   {"pam", AV_CODEC_ID_PAM},   {"exr", AV_CODEC_ID_EXR},
    {"xpm", AV_CODEC_ID_XPM},   {"qoi", AV_CODEC_ID_QOI},
};

AVCodecID decoderFor(const std::string& extension) {
    for (const auto& [name, id] : kFormats)
        if (extension == name) return id;
    return AV_CODEC_ID_NONE;
}

struct CodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct ScalerFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

std::string ffmpegError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace

std::vector<std::string> pictureExtensions() {
    std::vector<std::string> names;
    for (const auto& format : kFormats) names.emplace_back(format.first);
    return names;
}

bool toolReadsPicture(const std::string& extension) {
    return decoderFor(lowerExtension(extension)) != AV_CODEC_ID_NONE;
}

std::string pictureKindOfContent(const std::uint8_t* bytes, std::size_t size) {
    const auto starts = [&](const char* magic, std::size_t at = 0) {
        const std::size_t n = std::strlen(magic);
        return size >= at + n && std::memcmp(bytes + at, magic, n) == 0;
    };
    if (starts("\x89PNG")) return "png";
    if (starts("\xFF\xD8\xFF")) return "jpg";
    if (starts("GIF8")) return "gif";
    if (starts("BM")) return "bmp";
    if (starts("DDS ")) return "dds";
    const bool bigEndianTiff =
        size >= 4 && bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 && bytes[3] == 42;
    if (starts("II*") || bigEndianTiff) return "tiff";
    if (starts("RIFF") && starts("WEBP", 8)) return "webp";
    if (starts("8BPS")) return "psd";
    if (starts("qoif")) return "qoi";
    return {};
}

bool playerReadsPicture(std::string extension) {
    extension = lowerExtension(extension);
    return extension == "png" || extension == "jpg" || extension == "jpeg";
}

std::vector<std::uint8_t> pngOfRgba(const std::uint8_t* rgba, unsigned width, unsigned height) {
    // An opaque picture is written without alpha: the player treats a
    // picture with an alpha channel as one that may let the background through.
    const std::size_t count = std::size_t(width) * height;
    bool opaque = true;
    for (std::size_t i = 0; i < count && opaque; ++i) opaque = rgba[4 * i + 3] == 255;
    std::vector<std::uint8_t> rgb;
    if (opaque) {
        rgb.reserve(3 * count);
        for (std::size_t i = 0; i < count; ++i)
            rgb.insert(rgb.end(), rgba + 4 * i, rgba + 4 * i + 3);
    }
    const void* pixels = opaque ? static_cast<const void*>(rgb.data()) : rgba;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = opaque ? PNG_FORMAT_RGB : PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, nullptr)) return {};
    std::vector<std::uint8_t> bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels, 0, nullptr)) return {};
    bytes.resize(size);
    return bytes;
}

namespace {

// The first frame of picture file `bytes` as RGBA, top row first; false
// with `error` set when it does not decode.
bool decodeToRgba(const std::uint8_t* bytes, std::size_t size, std::string extension,
                  std::vector<std::uint8_t>& rgba, int& width, int& height, std::string& error) {
    // The decoders' and the scaler's chatter ("deprecated pixel format")
    // is not the author's business; what goes wrong is said in `error`.
    static const bool quiet = (av_log_set_level(AV_LOG_ERROR), true);
    (void)quiet;
    extension = lowerExtension(extension);
    const AVCodec* codec = avcodec_find_decoder(decoderFor(extension));
    if (!codec) {
        error = "no decoder for '" + extension + "' pictures";
        return false;
    }
    if (size == 0 || size > std::size_t(INT32_MAX) - AV_INPUT_BUFFER_PADDING_SIZE) {
        error = size == 0 ? "the picture is empty" : "the picture file is too large";
        return false;
    }
    std::unique_ptr<AVCodecContext, CodecContextFree> context(avcodec_alloc_context3(codec));
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    if (!context || !packet || !frame || av_new_packet(packet.get(), int(size)) < 0) {
        error = "out of memory";
        return false;
    }
    context->max_pixels = std::int64_t(kLargestSide) * kLargestSide;
    int status = avcodec_open2(context.get(), codec, nullptr);
    if (status < 0) {
        error = "cannot start the " + extension + " decoder: " + ffmpegError(status);
        return false;
    }
    // The whole file is one packet: these decoders read their own headers.
    std::memcpy(packet->data, bytes, size);
    status = avcodec_send_packet(context.get(), packet.get());
    if (status >= 0) status = avcodec_send_packet(context.get(), nullptr);
    status = avcodec_receive_frame(context.get(), frame.get());
    if (status < 0) {
        error = "the " + extension + " picture does not decode: " + ffmpegError(status);
        return false;
    }
    width = frame->width;
    height = frame->height;
    if (width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide) {
        error = "the picture's size " + std::to_string(width) + "x" + std::to_string(height) +
                " is not one a texture can have";
        return false;
    }
    std::unique_ptr<SwsContext, ScalerFree> scaler(
        sws_getContext(width, height, AVPixelFormat(frame->format), width, height, AV_PIX_FMT_RGBA,
                       SWS_POINT, nullptr, nullptr, nullptr));
    if (!scaler) {
        error = "cannot convert the picture's pixel format to RGBA";
        return false;
    }
    // The scaler's vector code writes whole blocks: rows padded to 64 bytes
    // and slack after the last, then packed.
    const std::size_t row = std::size_t(width) * 4;
    const std::size_t padded = (row + 63) / 64 * 64;
    std::vector<std::uint8_t> scaled(padded * std::size_t(height) + 64);
    std::uint8_t* target[4] = {scaled.data(), nullptr, nullptr, nullptr};
    const int stride[4] = {int(padded), 0, 0, 0};
    sws_scale(scaler.get(), frame->data, frame->linesize, 0, height, target, stride);
    rgba.resize(row * std::size_t(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(rgba.data() + row * std::size_t(y), scaled.data() + padded * std::size_t(y),
                    row);
    return true;
}

// How many pixels have each brightest channel; the peak is where the
// brightest hundredth begins, so a few glints do not decide it.
float peakOfRgba(const std::vector<std::uint8_t>& rgba) {
    std::size_t counts[256] = {};
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4)
        ++counts[std::max({rgba[i], rgba[i + 1], rgba[i + 2]})];
    const std::size_t pixels = rgba.size() / 4;
    std::size_t above = 0;
    for (int level = 255; level > 0; --level) {
        above += counts[level];
        if (above * 100 >= pixels) return float(level) / 255.0f;
    }
    return 0.0f;
}

}  // namespace

std::vector<std::uint8_t> convertPictureToPng(const std::uint8_t* bytes, std::size_t size,
                                              std::string extension, std::string& error,
                                              float* peak) {
    std::vector<std::uint8_t> rgba;
    int width = 0, height = 0;
    if (!decodeToRgba(bytes, size, std::move(extension), rgba, width, height, error)) return {};
    if (peak) *peak = peakOfRgba(rgba);
    std::vector<std::uint8_t> png = pngOfRgba(rgba.data(), unsigned(width), unsigned(height));
    if (png.empty()) error = "cannot encode the picture as PNG";
    return png;
}

float picturePeak(const std::uint8_t* bytes, std::size_t size, std::string extension) {
    std::vector<std::uint8_t> rgba;
    int width = 0, height = 0;
    std::string error;
    if (!decodeToRgba(bytes, size, std::move(extension), rgba, width, height, error)) return 1.0f;
    return peakOfRgba(rgba);
}
