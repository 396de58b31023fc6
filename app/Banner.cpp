#include "Banner.h"

#include "render/GlyphRasterizer.h"

#include <algorithm>
#include <cmath>

namespace {

void blend(std::uint8_t* px, float r, float g, float b, float a) {
    px[0] = static_cast<std::uint8_t>(std::clamp(px[0] * (1 - a) + r * a, 0.0f, 255.0f));
    px[1] = static_cast<std::uint8_t>(std::clamp(px[1] * (1 - a) + g * a, 0.0f, 255.0f));
    px[2] = static_cast<std::uint8_t>(std::clamp(px[2] * (1 - a) + b * a, 0.0f, 255.0f));
}

}  // namespace

std::vector<std::uint8_t> makeBanner(GlyphRasterizer* titleFont) {
    const int w = kBannerWidth, h = kBannerHeight;
    std::vector<std::uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    const float horizon = h * 0.62f;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint8_t* px = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            const float fy = static_cast<float>(y) / h;
            float r, g, b;
            if (y < horizon) {
                // Night sky: indigo to violet, with a soft plasma sheen.
                const float plasma = 0.5f + 0.25f * std::sin(x * 0.045f + y * 0.03f) +
                                     0.25f * std::sin(std::hypot(x - w * 0.7f, y - 40.0f) * 0.08f);
                r = 20 + 90 * fy + 30 * plasma;
                g = 10 + 20 * fy + 15 * plasma;
                b = 60 + 80 * fy + 40 * plasma;
            } else {
                // A perspective grid floor running to the horizon.
                const float depth = (y - horizon) / (h - horizon);
                const float z = 1.0f / std::max(depth, 0.02f);
                const float gx = (x - w * 0.5f) * z * 0.06f;
                const float gz = z * 2.0f;
                const float lineX = std::abs(gx - std::round(gx));
                const float lineZ = std::abs(gz - std::round(gz));
                const float line =
                    std::max(lineX < 0.04f * z ? 1.0f : 0.0f, lineZ < 0.05f * z ? 1.0f : 0.0f);
                const float glow = std::max(0.0f, 1.0f - depth * 1.5f);
                r = 25 + 200 * line * (0.3f + 0.7f * depth) + 60 * glow;
                g = 5 + 60 * line * depth + 10 * glow;
                b = 40 + 180 * line * (0.3f + 0.7f * depth) + 40 * glow;
            }
            px[0] = static_cast<std::uint8_t>(std::clamp(r, 0.0f, 255.0f));
            px[1] = static_cast<std::uint8_t>(std::clamp(g, 0.0f, 255.0f));
            px[2] = static_cast<std::uint8_t>(std::clamp(b, 0.0f, 255.0f));
        }
    }
    // A setting sun cut by bands, resting on the horizon.
    const float cx = w * 0.5f, cy = horizon, radius = 46.0f;
    for (int y = static_cast<int>(cy - radius); y < static_cast<int>(cy); ++y) {
        for (int x = static_cast<int>(cx - radius); x <= static_cast<int>(cx + radius); ++x) {
            if (x < 0 || x >= w || y < 0) continue;
            const float d = std::hypot(x - cx, y - cy);
            if (d > radius) continue;
            const float band = (cy - y) / radius;
            if (band < 0.45f && std::fmod(cy - y, 7.0f) < 2.5f * (1 - band * 2)) continue;
            const float t = (y - (cy - radius)) / radius;
            blend(&rgb[(static_cast<size_t>(y) * w + x) * 3], 255, 220 - 150 * t, 80 + 60 * t,
                  std::min(1.0f, (radius - d) * 0.5f));
        }
    }
    if (titleFont) {
        const TextImage title = titleFont->renderText("Vantorra - Brindlewave");
        const int ox = (w - title.width) / 2, oy = 18;
        for (int y = 0; y < title.height; ++y) {
            for (int x = 0; x < title.width; ++x) {
                const int px = ox + x, py = oy + y;
                if (px < 0 || px >= w || py < 0 || py >= h) continue;
                const float a = title.coverage[y * title.width + x] / 255.0f;
                blend(&rgb[(static_cast<size_t>(py) * w + px) * 3], 255, 240, 250, a);
            }
        }
    }
    return rgb;
}
