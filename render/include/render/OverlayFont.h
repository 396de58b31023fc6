// The one bitmap font of the program's own text: the frame-rate overlay and
// the text module. A bold serif face ("Times" as fontconfig matches it),
// each glyph a one-bit picture drawn through the door; sized from the
// screen height when the demo starts: the glyphs of codes 32 to 127 made
// up front, any other character's the first time it is printed.
#pragma once

#include "base/Log.h"  // DP_PRINTF
#include "gfx/Types.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class GlyphRasterizer;

class OverlayFont {
public:
    static constexpr int kFirstCode = 32;
    static constexpr int kCodeCount = 96;
    static constexpr int kMaxText = 255;

    static OverlayFont& instance();
    OverlayFont();
    ~OverlayFont();
    OverlayFont(const OverlayFont&) = delete;
    OverlayFont& operator=(const OverlayFont&) = delete;

    // Makes the glyphs in the current context for a window `screenHeight`
    // pixels high. False (after a log line) when no face could be loaded;
    // printing then does nothing.
    bool build(int screenHeight);
    // Forgets every glyph, those made on first use too, and lets the face
    // go.
    void destroy();
    bool built() const { return face_ != nullptr; }
    int pixelHeight() const { return pixelHeight_; }

    // `text`, read as UTF-8 and shown as written (a "%" is shown), in the
    // current colour, the pen starting on the baseline at the point (x, y)
    // of the current matrices; nothing when that point lies outside the
    // view. Cut at 255 characters. Every character is drawn with the face's
    // glyph, or its missing-character glyph when the face has none; invalid
    // bytes read as U+FFFD; control characters (below 32) draw nothing and
    // take no room. Returns how far the pen moved, in pixels (0 when
    // nothing was shown).
    float printFrom(float x, float y, const char* text);
    // printf-style text at overlay position x, y: 0..1 across and down from
    // the window's top-left corner, with a small margin and the baseline
    // 0.08 of the window height below the point.
    void printAt(float x, float y, const char* format, ...) DP_PRINTF(4, 5);

    // The character height in pixels for a window of this height.
    static int heightFor(int screenHeight) { return static_cast<int>(screenHeight * 0.05625); }

private:
    // Draws from the point (x, y) of the current matrices; returns the
    // pen's move.
    float printText(const char* text, float x, float y);
    // The glyph of `character`, made on first use.
    const gfx::Bitmap& glyphFor(char32_t character);
    gfx::Bitmap makeGlyph(char32_t character);

    std::unique_ptr<GlyphRasterizer> face_;
    std::vector<gfx::Bitmap> ascii_;  // codes 32..127
    std::unordered_map<char32_t, gfx::Bitmap> others_;
    int pixelHeight_ = 0;
};
