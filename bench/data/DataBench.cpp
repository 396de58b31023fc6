// Decoding large pictures through the loaders against libpng and
// libjpeg-turbo called directly, and reading every member of a large archive
// against `unzip -p`. Every case starts from the file on disk.
#include "DataFiles.h"
#include "data/Bitmap.h"
#include "data/DataFile.h"

#include <benchmark/benchmark.h>
#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kSide = 2048;
constexpr int kMembers = 48;
constexpr std::size_t kMemberSize = 1 << 20;

std::string readWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Smooth gradients with a little noise: compresses like a photograph.
std::vector<std::uint8_t> photo(int channels) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> pixels(std::size_t(kSide) * kSide * channels);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            std::uint8_t* p = &pixels[(std::size_t(y) * kSide + x) * channels];
            int noise = int(random() % 9) - 4;
            for (int c = 0; c < channels; ++c)
                p[c] = static_cast<std::uint8_t>(
                    std::clamp((x * (c + 1) + y * (3 - c)) / 24 + noise, 0, 255));
        }
    }
    return pixels;
}

void writePng(const fs::path& path, int channels) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = image.height = kSide;
    image.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    png_image_write_to_file(&image, path.c_str(), 0, photo(channels).data(), 0, nullptr);
}

void writeJpeg(const fs::path& path, bool progressive) {
    std::vector<std::uint8_t> rgb = photo(3);
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, rgb.data(), kSide, 0, kSide, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90,
                progressive ? TJFLAG_PROGRESSIVE : 0);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<char*>(jpeg), long(size));
    tjFree(jpeg);
    tjDestroy(handle);
}

// A scratch directory with the pictures and the archive, made once.
const fs::path& workDirectory() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / "dp_assets_bench";
        fs::create_directories(d);
        if (!fs::exists(d / "big.zip")) {
            writePng(d / "rgb.png", 3);
            writePng(d / "rgba.png", 4);
            writeJpeg(d / "baseline.jpg", false);
            writeJpeg(d / "progressive.jpg", true);
            fs::create_directories(d / "members");
            std::mt19937 random(3);
            for (int i = 0; i < kMembers; ++i) {
                // Half text-like, half incompressible.
                std::string bytes(kMemberSize, '\0');
                for (std::size_t k = 0; k < bytes.size(); ++k)
                    bytes[k] = static_cast<char>(i % 2 ? random() : 'a' + random() % 16);
                std::ofstream(d / "members" / ("m" + std::to_string(i) + ".dat"), std::ios::binary)
                    << bytes;
            }
            std::string zip = "cd '" + (d / "members").string() + "' && zip -q -r ../big.zip .";
            if (std::system(zip.c_str()) != 0) std::abort();
        }
        fs::current_path(d);
        resetDataFiles();
        return d;
    }();
    return dir;
}

void loaderDecode(benchmark::State& state, const char* name) {
    workDirectory();
    for (auto _ : state) {
        Bitmap bitmap(name);
        benchmark::DoNotOptimize(bitmap.pixels());
    }
}

struct MemoryReader {
    const std::string* bytes;
    std::size_t position;
};

// libpng's own row interface with the transforms that give RGBA: what a
// direct caller would write.
void libpngDirect(benchmark::State& state, const char* name) {
    const fs::path path = workDirectory() / name;
    for (auto _ : state) {
        std::string bytes = readWhole(path);
        MemoryReader reader{&bytes, 0};
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_read_fn(png, &reader, [](png_structp p, png_bytep out, png_size_t n) {
            auto* r = static_cast<MemoryReader*>(png_get_io_ptr(p));
            std::memcpy(out, r->bytes->data() + r->position, n);
            r->position += n;
        });
        png_read_info(png, info);
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
        png_read_update_info(png, info);
        std::size_t width = png_get_image_width(png, info),
                    height = png_get_image_height(png, info);
        std::vector<std::uint8_t> pixels(width * height * 4);
        std::vector<png_bytep> rows(height);
        for (std::size_t y = 0; y < height; ++y) rows[y] = &pixels[y * width * 4];
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(pixels.data());
    }
}

void turbojpegDirect(benchmark::State& state, const char* name) {
    const fs::path path = workDirectory() / name;
    tjhandle handle = tjInitDecompress();
    for (auto _ : state) {
        std::string bytes = readWhole(path);
        auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        int width, height, subsampling, colorspace;
        tjDecompressHeader3(handle, data, bytes.size(), &width, &height, &subsampling, &colorspace);
        std::vector<std::uint8_t> pixels(std::size_t(width) * height * 4);
        tjDecompress2(handle, data, bytes.size(), pixels.data(), width, 0, height, TJPF_RGBA,
                      TJFLAG_BOTTOMUP);
        benchmark::DoNotOptimize(pixels.data());
    }
    tjDestroy(handle);
}

void archiveReadAll(benchmark::State& state) {
    workDirectory();
    for (auto _ : state) {
        std::size_t total = 0;
        for (int i = 0; i < kMembers; ++i) {
            auto file = openDataFile("m" + std::to_string(i) + ".dat");
            total += file ? file->size() : 0;
        }
        if (total != kMembers * kMemberSize) state.SkipWithError("a member was not read");
    }
}

void unzipPipe(benchmark::State& state) {
    workDirectory();
    for (auto _ : state) {
        if (std::system("unzip -p big.zip > /dev/null") != 0) state.SkipWithError("unzip failed");
    }
}

}  // namespace

BENCHMARK_CAPTURE(loaderDecode, png_rgb, "rgb.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(libpngDirect, png_rgb, "rgb.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loaderDecode, png_rgba, "rgba.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(libpngDirect, png_rgba, "rgba.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loaderDecode, jpeg_baseline, "baseline.jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(turbojpegDirect, jpeg_baseline, "baseline.jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loaderDecode, jpeg_progressive, "progressive.jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(turbojpegDirect, jpeg_progressive, "progressive.jpg")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(archiveReadAll)->Unit(benchmark::kMillisecond);
BENCHMARK(unzipPipe)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
