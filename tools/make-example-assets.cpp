// Makes every picture and the music of the bundled example demo, so the
// example carries no third-party material: the loading-screen picture, three
// slides, a title with an alpha channel, a 3D scene with its floor tiles,
// and a synthesized tune with three cue markers. The output is the same on every run.
//
//   make_example_assets [DIR]     writes into DIR (default: examples/demo)
#include "make-example-assets-music.h"
#include "make-example-assets-scene.h"

#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr float kPi = 3.14159265f;

struct Colour {
    float r, g, b, a = 1.0f;
};

Colour mix(const Colour& x, const Colour& y, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t,
            x.a + (y.a - x.a) * t};
}

// A picture in floating point, row 0 at the top.
class Canvas {
public:
    Canvas(int width, int height, Colour fill = {0, 0, 0, 0})
        : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

    int width() const { return width_; }
    int height() const { return height_; }
    Colour& at(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }

    // Calls `f`(x, y) for every pixel with x, y in 0..1 (y down) and
    // stores its colour.
    template <typename F>
    void paint(F f) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                at(x, y) = f((x + 0.5f) / width_, (y + 0.5f) / height_);
    }

    // Puts `c` over the pixel with coverage `amount` (0..1).
    void blend(int x, int y, const Colour& c, float amount) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
        Colour& p = at(x, y);
        const float a = std::clamp(c.a * amount, 0.0f, 1.0f);
        const float outA = a + p.a * (1.0f - a);
        if (outA <= 0.0f) return;
        auto channel = [&](float src, float dst) {
            return (src * a + dst * p.a * (1.0f - a)) / outA;
        };
        p = {channel(c.r, p.r), channel(c.g, p.g), channel(c.b, p.b), outA};
    }

    std::vector<std::uint8_t> bytes(int channels) const {
        std::vector<std::uint8_t> out;
        out.reserve(pixels_.size() * channels);
        auto byte = [](float v) {
            return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
        };
        for (const Colour& p : pixels_) {
            out.push_back(byte(p.r));
            out.push_back(byte(p.g));
            out.push_back(byte(p.b));
            if (channels == 4) out.push_back(byte(p.a));
        }
        return out;
    }

private:
    int width_, height_;
    std::vector<Colour> pixels_;
};

// Capital letters of a 5 x 7 pixel font, only those the pictures spell.
struct Glyph {
    char letter;
    std::array<const char*, 7> rows;
};

const Glyph kGlyphs[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###."}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
};

const Glyph* glyphFor(char c) {
    for (const Glyph& g : kGlyphs)
        if (g.letter == c) return &g;
    return nullptr;
}

// Writes `text` centred on (cx, cy) with `cell` pixels per font pixel;
// each font pixel is a rounded blob, so large text does not look blocky.
void drawText(Canvas& canvas, const std::string& text, float cx, float cy, float cell,
              const Colour& colour) {
    const float advance = 6.0f * cell;
    const float left = cx - (advance * text.size() - cell) / 2.0f;
    const float top = cy - 3.5f * cell;
    const float radius = cell * 0.62f;
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph* g = glyphFor(text[i]);
        if (!g) continue;
        for (int row = 0; row < 7; ++row) {
            for (int col = 0; col < 5; ++col) {
                if (g->rows[row][col] != '#') continue;
                const float px = left + i * advance + (col + 0.5f) * cell;
                const float py = top + (row + 0.5f) * cell;
                for (int y = int(py - radius) - 1; y <= int(py + radius) + 1; ++y) {
                    for (int x = int(px - radius) - 1; x <= int(px + radius) + 1; ++x) {
                        const float d = std::hypot(x + 0.5f - px, y + 0.5f - py);
                        canvas.blend(x, y, colour, std::clamp(radius - d + 0.5f, 0.0f, 1.0f));
                    }
                }
            }
        }
    }
}

bool writeJpeg(const std::filesystem::path& path, const Canvas& canvas, int quality) {
    const std::vector<std::uint8_t> rgb = canvas.bytes(3);
    tjhandle tj = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const bool ok = tj && tjCompress2(tj, rgb.data(), canvas.width(), 0, canvas.height(), TJPF_RGB,
                                      &jpeg, &size, TJSAMP_420, quality, TJFLAG_ACCURATEDCT) == 0;
    bool written = false;
    if (ok) {
        if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
            written = std::fwrite(jpeg, 1, size, f) == size;
            written = std::fclose(f) == 0 && written;
        }
    }
    tjFree(jpeg);
    if (tj) tjDestroy(tj);
    return written;
}

bool writePng(const std::filesystem::path& path, const Canvas& canvas) {
    const std::vector<std::uint8_t> rgba = canvas.bytes(4);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(canvas.width());
    image.height = static_cast<png_uint_32>(canvas.height());
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
}

// Night-blue gradient with a faint wave pattern, the title, and a dark
// trough where the player draws its progress bar (27 % to 31 % of the
// height from the bottom).
Canvas loadingScreen() {
    Canvas c(512, 384);
    c.paint([](float x, float y) {
        const Colour top{0.03f, 0.05f, 0.16f}, bottom{0.10f, 0.02f, 0.18f};
        Colour base = mix(top, bottom, y);
        const float wave = 0.5f + 0.5f * std::sin(18.0f * x + 6.0f * std::sin(5.0f * y));
        base = mix(base, {0.12f, 0.20f, 0.45f}, 0.25f * wave * (1.0f - y));
        return base;
    });
    drawText(c, "BRINDLEWAVE", 256.0f, 130.0f, 6.5f, {0.95f, 0.85f, 0.55f});
    drawText(c, "LOADING", 256.0f, 232.0f, 2.5f, {0.6f, 0.65f, 0.8f});
    const int troughTop = int(384 * (1.0f - 0.31f)) - 3;
    const int troughBottom = int(384 * (1.0f - 0.27f)) + 3;
    for (int y = troughTop; y <= troughBottom; ++y)
        for (int x = 0; x < 512; ++x) c.blend(x, y, {0.0f, 0.0f, 0.0f}, 0.55f);
    return c;
}

// Sunrise over hills: warm sky, sun disc with a halo, two hill ridges.
Canvas dawn() {
    Canvas c(256, 256);
    c.paint([](float x, float y) {
        Colour sky = mix({0.22f, 0.12f, 0.38f}, {1.0f, 0.55f, 0.25f}, y * 1.5f);
        const float d = std::hypot(x - 0.62f, y - 0.55f);
        sky = mix(sky, {1.0f, 0.85f, 0.55f}, std::exp(-d * 6.0f));
        if (d < 0.11f) sky = {1.0f, 0.95f, 0.75f};
        const float far = 0.62f + 0.05f * std::sin(x * 7.0f + 1.0f) + 0.02f * std::sin(x * 23.0f);
        const float near = 0.75f + 0.06f * std::sin(x * 4.0f + 2.5f) + 0.015f * std::sin(x * 31.0f);
        if (y > near) return mix({0.10f, 0.06f, 0.12f}, {0.02f, 0.02f, 0.04f}, (y - near) * 4.0f);
        if (y > far) return mix({0.35f, 0.18f, 0.30f}, {0.18f, 0.10f, 0.20f}, (y - far) * 6.0f);
        return sky;
    });
    return c;
}

// A classic plasma: sums of sines through a colour wheel.
Canvas plasma() {
    Canvas c(256, 256);
    c.paint([](float x, float y) {
        const float v = std::sin(x * 10.0f) + std::sin((y * 8.0f + x * 6.0f)) +
                        std::sin(std::hypot(x - 0.5f, y - 0.5f) * 22.0f) +
                        std::sin(std::hypot(x - 0.2f, y - 0.8f) * 14.0f);
        const float h = v * kPi / 2.0f;
        return Colour{0.45f + 0.4f * std::sin(h), 0.35f + 0.3f * std::sin(h + 2.1f),
                      0.5f + 0.4f * std::sin(h + 4.2f)};
    });
    return c;
}

// Two sets of concentric rings whose interference makes a moire.
Canvas rings() {
    Canvas c(256, 256);
    c.paint([](float x, float y) {
        const float a = std::sin(std::hypot(x - 0.35f, y - 0.4f) * 90.0f);
        const float b = std::sin(std::hypot(x - 0.68f, y - 0.62f) * 90.0f);
        const float v = 0.5f + 0.25f * (a + b);
        return mix({0.02f, 0.10f, 0.20f}, {0.55f, 0.95f, 1.0f}, v * v);
    });
    return c;
}

// The title on a transparent ground, with a soft dark shadow so it reads
// over any slide.
Canvas title() {
    Canvas c(512, 96);
    Canvas shadow(512, 96);
    drawText(shadow, "BRINDLEWAVE", 259.0f, 51.0f, 7.0f, {0.0f, 0.0f, 0.0f, 0.6f});
    // A small box blur spreads the shadow.
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 512; ++x) {
            float sum = 0.0f;
            int n = 0;
            for (int dy = -3; dy <= 3; ++dy)
                for (int dx = -3; dx <= 3; ++dx)
                    if (x + dx >= 0 && x + dx < 512 && y + dy >= 0 && y + dy < 96) {
                        sum += shadow.at(x + dx, y + dy).a;
                        ++n;
                    }
            c.at(x, y) = {0.0f, 0.0f, 0.0f, sum / n};
        }
    }
    drawText(c, "BRINDLEWAVE", 256.0f, 48.0f, 7.0f, {1.0f, 0.93f, 0.7f});
    return c;
}

// Floor tiles for the 3D scene: four by four flagstones of slightly
// different warm greys with a mottled surface, between dark joints. The
// picture repeats across the floor without a seam.
Canvas flagstones() {
    Canvas c(256, 256);
    c.paint([](float x, float y) {
        const int col = int(x * 4.0f), row = int(y * 4.0f);
        const float fx = x * 4.0f - col, fy = y * 4.0f - row;
        const float edge = std::min(std::min(fx, 1.0f - fx), std::min(fy, 1.0f - fy));
        const unsigned h = unsigned(col * 7 + row * 13) % 5;
        const Colour stone = mix({0.52f, 0.47f, 0.43f}, {0.70f, 0.64f, 0.56f}, h / 4.0f);
        const float mottle =
            0.5f + 0.25f * std::sin(x * 2 * kPi * 9.0f + std::sin(y * 2 * kPi * 5.0f) * 2.0f) +
            0.25f * std::sin(y * 2 * kPi * 11.0f + std::sin(x * 2 * kPi * 3.0f) * 3.0f);
        Colour base = mix(stone, {0.36f, 0.33f, 0.32f}, 0.35f * mottle);
        // A soft bevel towards the joints, then the joint itself.
        base = mix({0.12f, 0.11f, 0.12f}, base, std::clamp((edge - 0.015f) * 40.0f, 0.0f, 1.0f));
        return mix(
            base, {0.85f, 0.8f, 0.72f},
            0.12f * std::clamp(1.0f - edge * 12.0f, 0.0f, 1.0f) * (edge > 0.03f ? 1.0f : 0.0f));
    });
    return c;
}

bool writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = argc > 1 ? argv[1] : "examples/demo";
    std::filesystem::create_directories(dir);
    bool ok = writeJpeg(dir / "LoadingScreen.jpg", loadingScreen(), 85);
    ok = writeJpeg(dir / "dawn.jpg", dawn(), 85) && ok;
    ok = writeJpeg(dir / "tiles.jpg", plasma(), 85) && ok;
    ok = writeJpeg(dir / "rings.jpg", rings(), 85) && ok;
    ok = writePng(dir / "title.png", title()) && ok;
    ok = writeJpeg(dir / "flagstones.jpg", flagstones(), 85) && ok;
    ok = writeBytes(dir / "courtyard.scn", exampleSceneBytes("flagstones.jpg")) && ok;
    ok = writeExampleMusic(dir / "music.wav") && ok;
    if (!ok) {
        std::fprintf(stderr, "make_example_assets: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
