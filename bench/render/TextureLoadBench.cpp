// Loading 30 large pictures (half PNG, half JPEG) from a zip archive, split
// into decoding, mipmap building and upload, and three ways to make the
// mipmaps: gluBuild2DMipmaps (what textures use), a level-0 glTexImage2D
// alone (the floor), and glTexImage2D with GL_GENERATE_MIPMAP. Prints the
// largest difference between the GLU and the driver's level-1 images, which
// decides whether the driver path could replace GLU.
#include "BenchSupport.h"
#include "data/Bitmap.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <SDL.h>
#include <png.h>
#include <turbojpeg.h>

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kSide = 1024;
constexpr int kPictures = 30;

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

std::vector<unsigned char> picture(int seed) {
    return benchsupport::picture(kSide, seed);
}

void writePng(const std::string& path, const std::vector<unsigned char>& rgb) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < kSide; ++y)
        png_write_row(png, const_cast<png_bytep>(&rgb[static_cast<size_t>(y) * kSide * 3]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

void writeJpeg(const std::string& path, const std::vector<unsigned char>& rgb) {
    tjhandle tj = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(tj, rgb.data(), kSide, 0, kSide, TJPF_RGB, &out, &size, TJSAMP_420, 85, 0);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(out, 1, size, f);
    std::fclose(f);
    tjFree(out);
    tjDestroy(tj);
}

GLuint newTexture() {
    GLuint t = 0;
    glGenTextures(1, &t);
    glBindTexture(GL_TEXTURE_2D, t);
    return t;
}

// Level-1 image of the bound texture.
std::vector<unsigned char> level1() {
    std::vector<unsigned char> px(static_cast<size_t>(kSide / 2) * (kSide / 2) * 4);
    glGetTexImage(GL_TEXTURE_2D, 1, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    return px;
}

}  // namespace

int main() {
    if (!std::getenv("SDL_VIDEODRIVER") && !std::getenv("DISPLAY"))
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    SDL_Init(SDL_INIT_VIDEO);
    auto window = std::make_unique<benchsupport::HiddenGLWindow>(64, 64);
    if (!window->ok()) {
        std::fprintf(stderr, "no GL context: %s\n", SDL_GetError());
        return 1;
    }

    const fs::path dir = fs::temp_directory_path() / ("dp_texbench_" + std::to_string(getpid()));
    fs::create_directories(dir / "src");
    std::vector<std::string> names;
    for (int i = 0; i < kPictures; ++i) {
        const bool png = i % 2 == 0;
        names.push_back("pic" + std::to_string(i) + (png ? ".png" : ".jpg"));
        const auto rgb = picture(i);
        png ? writePng((dir / "src" / names.back()).string(), rgb)
            : writeJpeg((dir / "src" / names.back()).string(), rgb);
    }
    const std::string zip = "cd '" + (dir / "src").string() + "' && zip -q -0 ../pictures.zip *";
    if (std::system(zip.c_str()) != 0) return 1;
    fs::remove_all(dir / "src");
    fs::current_path(dir);

    auto t = Clock::now();
    std::vector<std::unique_ptr<Bitmap>> bitmaps;
    for (const auto& n : names) bitmaps.push_back(std::make_unique<Bitmap>("data\\" + n));
    const double decode = msSince(t);

    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    auto upload = [&](const char* label, auto&& make) {
        std::vector<GLuint> textures;
        glFinish();
        auto start = Clock::now();
        for (const auto& b : bitmaps) {
            textures.push_back(newTexture());
            make(*b);
        }
        glFinish();
        const double ms = msSince(start);
        std::printf("%-34s %8.1f ms  (%5.2f ms per picture)\n", label, ms, ms / kPictures);
        glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
        return ms;
    };
    std::printf("%d pictures of %dx%d, half PNG, half JPEG, from a zip\n", kPictures, kSide, kSide);
    std::printf("%-34s %8.1f ms  (%5.2f ms per picture)\n", "decode (read + inflate + decode)",
                decode, decode / kPictures);
    upload("upload level 0 only (floor)", [](const Bitmap& b) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, b.width(), b.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     b.pixels());
    });
    upload("gluBuild2DMipmaps", [](const Bitmap& b) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, b.width(), b.height(), GL_RGBA, GL_UNSIGNED_BYTE,
                          b.pixels());
    });
    upload("glTexImage2D + GL_GENERATE_MIPMAP", [](const Bitmap& b) {
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, b.width(), b.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     b.pixels());
    });

    // Do the two mipmap paths give the same pictures?
    const Bitmap& b = *bitmaps[0];
    newTexture();
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, b.width(), b.height(), GL_RGBA, GL_UNSIGNED_BYTE,
                      b.pixels());
    const auto glu = level1();
    newTexture();
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, b.width(), b.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 b.pixels());
    const auto driver = level1();
    int worst = 0;
    for (size_t i = 0; i < glu.size(); ++i) worst = std::max(worst, std::abs(glu[i] - driver[i]));
    std::printf("largest level-1 difference GLU vs driver: %d of 255\n", worst);

    fs::current_path(fs::temp_directory_path());
    fs::remove_all(dir);
    window.reset();
    SDL_Quit();
    return 0;
}
