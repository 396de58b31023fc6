// PNG pictures through libpng. libpng reports errors by longjmp, so every
// call that may raise one runs in frames that hold nothing with a
// destructor; the structures and buffers that outlive an error are owned by
// the frames above the setjmp.
#include "BitmapLoader.h"
#include "PngDecoder.h"

#include "base/Log.h"
#include "data/Bitmap.h"
#include "data/DataFile.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kSignatureSize = 8;

struct PngSource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->size - source->position) png_error(png, "Read Error!");
    std::memcpy(out, source->data + source->position, count);
    source->position += count;
}

// libpng buffers an ancillary chunk whole at the length the file declares,
// and its own length check only warns on reading. Pixels go straight into
// the bitmap, so libpng never needs much: refusing large requests keeps any
// file from choosing an allocation by its word alone. A refusal is a libpng
// error (or a dropped chunk), never a crash.
constexpr png_alloc_size_t kMaxLibpngAllocation = 16u << 20;

png_voidp boundedMalloc(png_structp, png_alloc_size_t size) {
    return size > kMaxLibpngAllocation ? nullptr : std::malloc(size);
}

void freeMemory(png_structp, png_voidp memory) {
    std::free(memory);
}

// Owns the read structure and its two info structures.
struct PngReadStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_infop endInfo = nullptr;

    ~PngReadStructs() {
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, endInfo ? &endInfo : nullptr);
    }
};

struct PngJob {
    PngReadStructs structs;
    PngSource source;
    Bitmap* bitmap;
    std::vector<png_bytep> rows;
    // What went wrong, when decoding fails; a plain buffer, because libpng's
    // error callback longjmps straight after writing it.
    char fault[160] = "";
};

// libpng's error callback: keeps the message for the caller's log line
// instead of printing it, then unwinds to the setjmp.
[[noreturn]] void keepError(png_structp png, png_const_charp message) {
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    std::snprintf(job->fault, sizeof job->fault, "is damaged (%s)", message);
    png_longjmp(png, 1);
}

// The decoding proper; every libpng error longjmps out of this frame, which
// therefore holds only plain values.
bool decodeRows(PngJob& job) {
    png_structp png = job.structs.png;
    png_infop info = job.structs.info;
    png_set_sig_bytes(png, static_cast<int>(kSignatureSize));
    png_read_info(png, info);
    png_uint_32 width = png_get_image_width(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    int colorType = png_get_color_type(png, info);
    bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);

    // Palette to RGB, low bit depths to 8 bits a sample, transparency
    // chunks to alpha, 16 bits a sample down to 8; then grey to RGB and an
    // opaque alpha where there is none, so every pixel arrives as RGBA.
    png_set_packing(png);
    png_set_packswap(png);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    int channels = png_get_channels(png, info);
    if (channels != 4 || png_get_bit_depth(png, info) != 8) {
        logMessage("pngLoad - %i channels, not supported\n", channels);
        std::snprintf(job.fault, sizeof job.fault, "has an unsupported pixel format");
        return false;
    }
    if (width > 0x7fffffffu || height > 0x7fffffffu ||
        !job.bitmap->allocate(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                              hasAlpha)) {
        std::snprintf(job.fault, sizeof job.fault, "is too large (%lu x %lu pixels)",
                      static_cast<unsigned long>(width), static_cast<unsigned long>(height));
        return false;
    }
    // Rows are decoded straight into place, last picture row first in memory.
    job.rows.resize(height);
    std::uint8_t* pixels = job.bitmap->pixels();
    for (png_uint_32 y = 0; y < height; ++y)
        job.rows[y] = pixels + std::size_t(height - 1 - y) * width * 4;
    png_read_image(png, job.rows.data());
    png_read_end(png, job.structs.endInfo);
    return true;
}

bool decodeGuarded(PngJob& job) {
    if (setjmp(png_jmpbuf(job.structs.png))) return false;
    return decodeRows(job);
}

}  // namespace

bool decodePng(const std::uint8_t* data, std::size_t size, Bitmap& bitmap, std::string* fault) {
    bitmap.clear();
    if (size < kSignatureSize || png_sig_cmp(data, 0, kSignatureSize) != 0) {
        if (fault) *fault = "is not a PNG file";
        return false;
    }
    PngJob job{{}, {data, size, kSignatureSize}, &bitmap, {}};
    job.structs.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &job, keepError, nullptr,
                                               nullptr, boundedMalloc, freeMemory);
    if (job.structs.png) {
        job.structs.info = png_create_info_struct(job.structs.png);
        job.structs.endInfo = png_create_info_struct(job.structs.png);
    }
    if (!job.structs.png || !job.structs.info || !job.structs.endInfo) {
        if (fault) *fault = "could not be decoded (libpng could not start)";
        return false;
    }
    png_set_read_fn(job.structs.png, &job.source, readFromMemory);
    if (!decodeGuarded(job)) {
        bitmap.clear();
        if (fault) *fault = job.fault[0] ? job.fault : "is damaged";
        return false;
    }
    return true;
}

// A PNG that cannot be had does not stop the show, but a misspelt name must
// not pass unnoticed either: each failure is logged with the file's name.
int PngLoader::load(const std::string& path, Bitmap& bitmap) {
    std::unique_ptr<MemoryFile> file = openDataFile(path);
    std::string fault = "not found";
    if (file && decodePng(file->data(), file->size(), bitmap, &fault)) return 0;
    bitmap.clear();
    logMessage("pngLoad - %s %s, left empty (drawn white)\n", path.c_str(), fault.c_str());
    return 0;
}
