#include "render/GlyphRasterizer.h"

#include "base/Utf8.h"

#ifndef __EMSCRIPTEN__
#include <fontconfig/fontconfig.h>
#endif
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

struct GlyphRasterizer::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~Impl() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

namespace {

#ifdef __EMSCRIPTEN__
// A web page has no font configuration to ask: it ships one free font
// (Liberation Serif Bold, the face fontconfig gives "Times:bold" on a
// Debian desktop with fonts-liberation) and puts it where this reads it.
bool matchFont(const std::string&, std::string& file, int& index, std::string& family) {
    file = "/fonts/overlay.ttf";
    index = 0;
    family = "Liberation Serif";
    return true;
}
#else
// The file and face index fontconfig picks for a pattern, with its family.
bool matchFont(const std::string& pattern, std::string& file, int& index, std::string& family) {
    if (!FcInit()) return false;
    FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str()));
    if (!pat) return false;
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pat, &result);
    FcPatternDestroy(pat);
    if (!match) return false;
    FcChar8* path = nullptr;
    FcChar8* fam = nullptr;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch;
    if (ok) {
        file = reinterpret_cast<const char*>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
        if (FcPatternGetString(match, FC_FAMILY, 0, &fam) == FcResultMatch)
            family = reinterpret_cast<const char*>(fam);
    }
    FcPatternDestroy(match);
    return ok;
}
#endif

}  // namespace

std::unique_ptr<GlyphRasterizer> GlyphRasterizer::open(const std::string& pattern,
                                                       double pixelHeight) {
    auto r = std::make_unique<GlyphRasterizer>();
    r->impl_ = std::make_unique<Impl>();
    std::string file;
    int index = 0;
    if (!matchFont(pattern, file, index, r->family_)) return nullptr;
    if (FT_Init_FreeType(&r->impl_->library)) return nullptr;
    if (FT_New_Face(r->impl_->library, file.c_str(), index, &r->impl_->face)) return nullptr;
    FT_Face face = r->impl_->face;
    const FT_F26Dot6 size = static_cast<FT_F26Dot6>(std::lround(pixelHeight * 64.0));
    if (FT_Set_Char_Size(face, 0, std::max<FT_F26Dot6>(size, 64), 72, 72)) return nullptr;
    r->ascender_ = static_cast<int>((face->size->metrics.ascender + 63) / 64);
    r->descender_ = static_cast<int>((-face->size->metrics.descender + 63) / 64);
    return r;
}

GlyphRasterizer::GlyphRasterizer() = default;
GlyphRasterizer::~GlyphRasterizer() = default;

const GlyphBitmap& GlyphRasterizer::glyph(char32_t character) {
    std::unique_ptr<GlyphBitmap>& slot = cache_[character];
    if (slot) return *slot;
    slot = std::make_unique<GlyphBitmap>();
    FT_Face face = impl_->face;
    // The face's Unicode map; a character it lacks maps to glyph 0, the
    // face's missing-character glyph.
    if (FT_Load_Char(face, character, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) == 0) {
        const FT_Bitmap& bm = face->glyph->bitmap;
        slot->width = static_cast<int>(bm.width);
        slot->rows = static_cast<int>(bm.rows);
        slot->left = face->glyph->bitmap_left;
        slot->top = face->glyph->bitmap_top;
        slot->advance = static_cast<int>((face->glyph->advance.x + 32) / 64);
        slot->coverage.resize(static_cast<size_t>(slot->width) * slot->rows);
        for (int y = 0; y < slot->rows; ++y) {
            const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
            if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
                for (int x = 0; x < slot->width; ++x)
                    slot->coverage[y * slot->width + x] =
                        (src[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
            } else {
                std::copy(src, src + slot->width, slot->coverage.begin() + y * slot->width);
            }
        }
    }
    return *slot;
}

int GlyphRasterizer::textWidth(const std::string& text) {
    int w = 0;
    for (char32_t c : decodeUtf8(text)) w += glyph(c).advance;
    return w;
}

TextImage GlyphRasterizer::renderText(const std::string& text) {
    TextImage img;
    img.baseline = ascender_;
    img.height = ascender_ + descender_;
    const std::u32string characters = decodeUtf8(text);
    int pen = 0;
    int right = 0;
    for (char32_t c : characters) {
        const GlyphBitmap& g = glyph(c);
        right = std::max(right, pen + g.left + g.width);
        pen += g.advance;
    }
    img.width = std::max(pen, right);
    img.coverage.assign(static_cast<size_t>(img.width) * img.height, 0);
    pen = 0;
    for (char32_t c : characters) {
        const GlyphBitmap& g = glyph(c);
        for (int y = 0; y < g.rows; ++y) {
            const int dy = img.baseline - g.top + y;
            if (dy < 0 || dy >= img.height) continue;
            for (int x = 0; x < g.width; ++x) {
                const int dx = pen + g.left + x;
                if (dx < 0 || dx >= img.width) continue;
                std::uint8_t& d = img.coverage[dy * img.width + dx];
                d = std::max(d, g.coverage[y * g.width + x]);
            }
        }
        pen += g.advance;
    }
    return img;
}
