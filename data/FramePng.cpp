#include "data/FramePng.h"

#include "base/PartialOutputs.h"

#include <png.h>
#include <sys/stat.h>

#include <csetjmp>
#include <cstdio>

namespace {

bool writePng(std::FILE* file, int width, int height,
              const std::vector<std::uint8_t>& rgbBottomUp) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    // Captures are written often: favour speed over size.
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t stride = static_cast<size_t>(width) * 3;
    for (int row = height - 1; row >= 0; --row) {
        png_write_row(png, const_cast<png_bytep>(rgbBottomUp.data() + stride * row));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fflush(file) == 0;
}

}  // namespace

bool writeFramePng(const std::string& path, int width, int height,
                   const std::vector<std::uint8_t>& rgbBottomUp) {
    if (width <= 0 || height <= 0 || rgbBottomUp.size() < static_cast<size_t>(width) * height * 3)
        return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    // A frame cut short (a full disk, a file-size limit, an interrupt) is
    // removed rather than left looking whole; only a file of our own, never
    // a device or a pipe the path names.
    struct stat opened {};
    const bool ours = fstat(fileno(file), &opened) == 0 && S_ISREG(opened.st_mode);
    const int partial = ours ? notePartialOutput(path) : -1;
    const bool written = writePng(file, width, height, rgbBottomUp);
    const bool closed = std::fclose(file) == 0;
    forgetPartialOutput(partial);
    if (written && closed) return true;
    if (ours) std::remove(path.c_str());
    return false;
}
