#include "data/MipmapChain.h"

#include <cmath>
#include <cstddef>

namespace {

constexpr int kChannels = 4;

// One level down from a w x h level (at least one side above 1): 2 x 2
// averages rounded to nearest, or pairs averaged rounding down once a side
// is 1, as GLU's halveImage does.
void halve(const std::uint8_t* in, std::int32_t w, std::int32_t h, std::uint8_t* out) {
    const std::size_t row = std::size_t(w) * kChannels;
    if (w == 1 || h == 1) {
        const std::size_t pairs = std::size_t(w == 1 ? h : w) / 2;
        const std::size_t step = w == 1 ? row : kChannels;
        for (std::size_t i = 0; i < pairs; ++i) {
            const std::uint8_t* a = in + 2 * i * step;
            for (int k = 0; k < kChannels; ++k)
                *out++ = static_cast<std::uint8_t>((a[k] + a[k + step]) / 2);
        }
        return;
    }
    for (std::int32_t y = 0; y < h / 2; ++y) {
        const std::uint8_t* a = in + 2 * std::size_t(y) * row;
        const std::uint8_t* b = a + row;
        for (std::int32_t x = 0; x < w / 2; ++x, a += 2 * kChannels, b += 2 * kChannels) {
            for (int k = 0; k < kChannels; ++k)
                *out++ = static_cast<std::uint8_t>(
                    (a[k] + a[k + kChannels] + b[k] + b[k + kChannels] + 2) / 4);
        }
    }
}

// A box edge in input pixels as GLU steps it: whole part and fraction,
// advanced by the float ratio each output pixel.
struct Edge {
    int whole;
    float part;
};

Edge advance(Edge e, int stepWhole, float stepPart) {
    e.whole += stepWhole;
    e.part += stepPart;
    if (e.part > 1) {
        e.part -= 1.0f;
        ++e.whole;
    }
    return e;
}

// How much of input pixel `i` the box [low, high] covers, GLU's way.
float cover(int i, Edge low, Edge high) {
    if (i == low.whole && i == high.whole) return high.part - low.part;
    if (i == low.whole) return 1 - low.part;
    if (i == high.whole) return high.part;
    return 1.0f;
}

// GLU's scale_internal: every output pixel is the area-weighted mean of the
// input box it covers, truncated; exact halving goes through halve.
void scale(const std::uint8_t* in, std::int32_t wi, std::int32_t hi, std::uint8_t* out,
           std::int32_t wo, std::int32_t ho) {
    if (wi == 2 * wo && hi == 2 * ho) {
        halve(in, wi, hi, out);
        return;
    }
    const float convy = float(hi) / float(ho);
    const float convx = float(wi) / float(wo);
    const int convyWhole = static_cast<int>(std::floor(convy));
    const float convyPart = convy - float(convyWhole);
    const int convxWhole = static_cast<int>(std::floor(convx));
    const float convxPart = convx - float(convxWhole);
    const float area = convx * convy;
    const std::size_t row = std::size_t(wi) * kChannels;

    Edge lowY{0, 0.0f}, highY{convyWhole, convyPart};
    for (std::int32_t i = 0; i < ho; ++i) {
        if (highY.whole >= hi) highY.whole = hi - 1;
        Edge lowX{0, 0.0f}, highX{convxWhole, convxPart};
        for (std::int32_t j = 0; j < wo; ++j) {
            float totals[kChannels] = {};
            for (int y = lowY.whole; y <= highY.whole; ++y) {
                const float wy = cover(y, lowY, highY);
                const std::uint8_t* line = in + std::size_t(y) * row;
                for (int x = lowX.whole; x <= highX.whole; ++x) {
                    // The last box may end exactly on the right edge; GLU
                    // then weighs a pixel past it by nothing.
                    if (x >= wi) break;
                    const float w = wy * cover(x, lowX, highX);
                    const std::uint8_t* p = line + std::size_t(x) * kChannels;
                    for (int k = 0; k < kChannels; ++k) totals[k] += float(p[k]) * w;
                }
            }
            for (int k = 0; k < kChannels; ++k)
                *out++ = static_cast<std::uint8_t>(totals[k] / area);
            lowX = highX;
            highX = advance(highX, convxWhole, convxPart);
        }
        lowY = highY;
        highY = advance(highY, convyWhole, convyPart);
    }
}

}  // namespace

std::int32_t mipmapBaseSide(std::int32_t size) {
    std::int32_t power = 1;
    for (auto value = static_cast<std::uint32_t>(size);; value >>= 1, power *= 2) {
        if (value <= 1) return power;
        if (value == 3) return power * 4;
    }
}

MipmapChain buildMipmapChain(const std::uint8_t* pixels, std::int32_t width, std::int32_t height) {
    MipmapChain chain;
    if (!pixels || width <= 0 || height <= 0) return chain;
    std::int32_t w = mipmapBaseSide(width), h = mipmapBaseSide(height);
    MipmapLevel base{w, h, {}};
    if (w != width || h != height) {
        base.pixels.resize(std::size_t(w) * std::size_t(h) * kChannels);
        scale(pixels, width, height, base.pixels.data(), w, h);
    }
    chain.levels.push_back(std::move(base));
    while (w > 1 || h > 1) {
        const MipmapLevel& above = chain.levels.back();
        const std::uint8_t* from = above.pixels.empty() ? pixels : above.pixels.data();
        MipmapLevel next{w > 1 ? w / 2 : 1, h > 1 ? h / 2 : 1, {}};
        next.pixels.resize(std::size_t(next.width) * std::size_t(next.height) * kChannels);
        halve(from, w, h, next.pixels.data());
        w = next.width;
        h = next.height;
        chain.levels.push_back(std::move(next));
    }
    return chain;
}
