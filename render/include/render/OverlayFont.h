// The one bitmap font of the program's own text: the frame-rate overlay and
// the text module. A bold serif face ("Times" as fontconfig matches it) in 96
// GL display lists, one per character code 32 to 127, sized from the screen
// height when the demo starts.
#pragma once

#include "base/Log.h"  // DP_PRINTF

class OverlayFont {
public:
    static constexpr int kFirstCode = 32;
    static constexpr int kCodeCount = 96;
    static constexpr int kMaxText = 255;

    static OverlayFont& instance();

    // Builds the lists in the current GL context for a window `screenHeight`
    // pixels high. False (after a log line) when no face could be loaded;
    // printing then does nothing.
    bool build(int screenHeight);
    // Deletes the lists (while their context is current).
    void destroy();
    bool built() const { return base_ != 0; }
    int pixelHeight() const { return pixelHeight_; }

    // printf-style text at the current raster position, cut at 255
    // characters; characters outside 32..127 draw nothing and take no room.
    void print(const char* format, ...) DP_PRINTF(2, 3);
    // The same at overlay position x, y: 0..1 across and down from the
    // window's top-left corner, with a small margin and the baseline 0.08
    // of the window height below the point.
    void printAt(float x, float y, const char* format, ...) DP_PRINTF(4, 5);

    // The character height in pixels for a window of this height.
    static int heightFor(int screenHeight) { return static_cast<int>(screenHeight * 0.05625); }

private:
    void printText(const char* text);
    unsigned base_ = 0;
    int pixelHeight_ = 0;
};
