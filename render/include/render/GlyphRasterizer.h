// Glyphs of a fontconfig-matched face rendered by FreeType into 8-bit
// coverage bitmaps. No GL here: callers upload or draw the bitmaps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct GlyphBitmap {
    int width = 0;
    int rows = 0;
    int left = 0;     // pen position to the bitmap's left edge, pixels
    int top = 0;      // baseline to the bitmap's top row, pixels (up is positive)
    int advance = 0;  // pen advance, pixels
    std::vector<std::uint8_t> coverage;  // rows * width, top row first
};

// A line of text as one coverage image, top row first, with the baseline
// `baseline` rows below the top.
struct TextImage {
    int width = 0;
    int height = 0;
    int baseline = 0;
    std::vector<std::uint8_t> coverage;
};

class GlyphRasterizer {
public:
    // Opens the face fontconfig matches for `pattern` (for example "Verdana"
    // or "Times:bold"); fontconfig substitutes a similar installed face.
    // `pixelHeight` is the character height in pixels. Null when no face can
    // be loaded at all.
    static std::unique_ptr<GlyphRasterizer> open(const std::string& pattern, double pixelHeight);
    GlyphRasterizer();  // empty: use open()
    ~GlyphRasterizer();
    GlyphRasterizer(const GlyphRasterizer&) = delete;
    GlyphRasterizer& operator=(const GlyphRasterizer&) = delete;

    // The glyph of a Unicode character, made on first use and kept; a
    // character the face lacks gets the face's missing-character glyph.
    const GlyphBitmap& glyph(char32_t character);
    int ascender() const { return ascender_; }
    int descender() const { return descender_; }  // below the baseline, positive
    const std::string& familyName() const { return family_; }

    // The pen advance of a UTF-8 text, and the text drawn as one image;
    // invalid bytes read as U+FFFD.
    int textWidth(const std::string& text);
    TextImage renderText(const std::string& text);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::unordered_map<char32_t, std::unique_ptr<GlyphBitmap>> cache_;
    int ascender_ = 0;
    int descender_ = 0;
    std::string family_;
};
