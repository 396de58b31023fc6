// The one bitmap font of the program's own text: the frame-rate overlay and
// the text module. A bold serif face ("Times" as fontconfig matches it) in GL
// display lists, sized from the screen height when the demo starts: one list
// per character code 32 to 127 built up front, and one for any other
// character made the first time it is printed.
#pragma once

#include "base/Log.h"  // DP_PRINTF

#include <memory>
#include <unordered_map>

class GlyphRasterizer;

class OverlayFont {
public:
    static constexpr int kFirstCode = 32;
    static constexpr int kCodeCount = 96;
    static constexpr int kMaxText = 255;

    static OverlayFont& instance();
    OverlayFont();
    // Makes no GL calls: the lists go with their context.
    ~OverlayFont();
    OverlayFont(const OverlayFont&) = delete;
    OverlayFont& operator=(const OverlayFont&) = delete;

    // Builds the lists in the current GL context for a window `screenHeight`
    // pixels high. False (after a log line) when no face could be loaded;
    // printing then does nothing.
    bool build(int screenHeight);
    // Deletes every list, those made on first use too (while their context
    // is current), and lets the face go.
    void destroy();
    bool built() const { return base_ != 0; }
    int pixelHeight() const { return pixelHeight_; }

    // printf-style text, read as UTF-8, at the current raster position, cut
    // at 255 characters. Every character is drawn with the face's glyph, or
    // its missing-character glyph when the face has none; invalid bytes read
    // as U+FFFD; control characters (below 32) draw nothing and take no room.
    void print(const char* format, ...) DP_PRINTF(2, 3);
    // The same at overlay position x, y: 0..1 across and down from the
    // window's top-left corner, with a small margin and the baseline 0.08
    // of the window height below the point.
    void printAt(float x, float y, const char* format, ...) DP_PRINTF(4, 5);
    // `text` as written (a "%" is shown), as print draws it, from the
    // raster position (x, y) in the current matrices, which takes the
    // current colour.
    void printFrom(float x, float y, const char* text);

    // The character height in pixels for a window of this height.
    static int heightFor(int screenHeight) { return static_cast<int>(screenHeight * 0.05625); }

private:
    void printText(const char* text);
    // The list that draws `character` and moves the pen, made on first use.
    unsigned listFor(char32_t character);

    std::unique_ptr<GlyphRasterizer> face_;
    unsigned base_ = 0;  // the lists of codes 32..127
    std::unordered_map<char32_t, unsigned> otherLists_;
    int pixelHeight_ = 0;
};
