#include "render/OverlayFont.h"

#include "base/Utf8.h"
#include "render/GlyphRasterizer.h"

#include "gfx/Gfx.h"

#include <cstdarg>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

// printf into a text buffer that holds 255 characters of up to four UTF-8
// bytes each, and its terminator; printing cuts it at 255 characters.
struct OverlayText {
    char text[OverlayFont::kMaxText * 4 + 1];
    OverlayText(const char* format, va_list args) {
        std::vsnprintf(text, sizeof text, format, args);
    }
};

}  // namespace

OverlayFont& OverlayFont::instance() {
    static OverlayFont font;
    return font;
}

OverlayFont::OverlayFont() = default;
OverlayFont::~OverlayFont() = default;

bool OverlayFont::build(int screenHeight) {
    destroy();
    pixelHeight_ = heightFor(screenHeight);
    face_ = GlyphRasterizer::open("Times:bold", pixelHeight_ > 0 ? pixelHeight_ : 1);
    if (!face_) {
        logMessage("Font: no bold serif face could be loaded, text is not shown\n");
        return false;
    }
    for (int i = 0; i < kCodeCount; ++i)
        ascii_.push_back(makeGlyph(static_cast<char32_t>(kFirstCode + i)));
    return true;
}

void OverlayFont::destroy() {
    ascii_.clear();
    others_.clear();
    face_.reset();
}

// The coverage thresholded at one half: a pixel is the glyph's or not, as a
// one-bit bitmap font has it. The origin sits on the baseline at the pen.
gfx::Bitmap OverlayFont::makeGlyph(char32_t character) {
    const GlyphBitmap g = face_->glyph(character);
    gfx::Bitmap glyph;
    glyph.width = g.width;
    glyph.rows = g.rows;
    glyph.originX = static_cast<float>(-g.left);
    glyph.originY = static_cast<float>(g.rows - g.top);
    glyph.advance = static_cast<float>(g.advance);
    const int rowBytes = (g.width + 7) / 8;
    glyph.bits.assign(static_cast<size_t>(rowBytes) * g.rows, 0);
    for (int y = 0; y < g.rows; ++y) {
        std::uint8_t* row = &glyph.bits[static_cast<size_t>(g.rows - 1 - y) * rowBytes];
        for (int x = 0; x < g.width; ++x)
            if (g.coverage[y * g.width + x] >= 128) row[x >> 3] |= 0x80 >> (x & 7);
    }
    return glyph;
}

const gfx::Bitmap& OverlayFont::glyphFor(char32_t character) {
    if (character >= static_cast<char32_t>(kFirstCode) &&
        character < static_cast<char32_t>(kFirstCode + kCodeCount))
        return ascii_[character - kFirstCode];
    const auto found = others_.find(character);
    if (found != others_.end()) return found->second;
    return others_.emplace(character, makeGlyph(character)).first->second;
}

float OverlayFont::printText(const char* text, float x, float y) {
    if (!face_) return 0.0f;
    const gfx::Bitmap* glyphs[kMaxText];
    std::size_t n = 0;
    float advance = 0.0f;
    const std::string_view bytes(text);
    // Cut at kMaxText characters, counting those that draw nothing.
    for (std::size_t pos = 0, count = 0; pos < bytes.size() && count < kMaxText; ++count) {
        const char32_t c = nextUtf8Character(bytes, pos);
        if (c < static_cast<char32_t>(kFirstCode)) continue;  // control characters
        glyphs[n] = &glyphFor(c);
        advance += glyphs[n]->advance;
        ++n;
    }
    gfx::drawBitmaps(x, y, glyphs, n);
    return advance;
}

float OverlayFont::printFrom(float x, float y, const char* text) {
    std::array<float, 3> window{};
    if (!text || !gfx::windowPosition(x, y, 0.0f, window)) return 0.0f;
    return printText(text, x, y);
}

void OverlayFont::printAt(float x, float y, const char* format, ...) {
    if (!format) return;
    va_list args;
    va_start(args, format);
    OverlayText t(format, args);
    va_end(args);

    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::pushMatrix();
    gfx::loadIdentity();
    gfx::ortho(0.0f, 1.0f, 1.0f, 0.0f, -1.0f, 1.0f);
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::loadIdentity();
    printFrom(x + 0.02f, y + 0.08f, t.text);
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::popMatrix();
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::loadIdentity();
}
