#include "render/OverlayFont.h"

#include "base/Utf8.h"
#include "render/GlyphRasterizer.h"

#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

// Compiles `glyph` into list `list`: a glBitmap that draws it and moves the
// pen by its advance. The bitmap is unpacked at compile time, so the pixel
// store is set to tight defaults for the call whatever the caller left.
void compileGlyph(unsigned list, const GlyphBitmap& g) {
    // One bit per pixel, rows bottom first, as glBitmap reads them.
    const int rowBytes = (g.width + 7) / 8;
    std::vector<GLubyte> bits(static_cast<size_t>(rowBytes) * g.rows, 0);
    for (int y = 0; y < g.rows; ++y) {
        GLubyte* row = &bits[static_cast<size_t>(g.rows - 1 - y) * rowBytes];
        for (int x = 0; x < g.width; ++x)
            if (g.coverage[y * g.width + x] >= 128) row[x >> 3] |= 0x80 >> (x & 7);
    }
    // An empty glyph (space) still needs a bitmap pointer, or its advance
    // is lost when the list is compiled.
    if (bits.empty()) bits.assign(1, 0);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glNewList(list, GL_COMPILE);
    // The origin sits on the baseline at the pen position.
    glBitmap(g.width, g.rows, static_cast<GLfloat>(-g.left), static_cast<GLfloat>(g.rows - g.top),
             static_cast<GLfloat>(g.advance), 0.0f, bits.data());
    glEndList();
    glPopClientAttrib();
}

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
    base_ = glGenLists(kCodeCount);
    if (base_ == 0) {
        face_.reset();
        return false;
    }
    for (int i = 0; i < kCodeCount; ++i)
        compileGlyph(base_ + i, face_->glyph(static_cast<char32_t>(kFirstCode + i)));
    return true;
}

void OverlayFont::destroy() {
    if (base_ != 0) glDeleteLists(base_, kCodeCount);
    for (const auto& entry : otherLists_) glDeleteLists(entry.second, 1);
    otherLists_.clear();
    base_ = 0;
    face_.reset();
}

unsigned OverlayFont::listFor(char32_t character) {
    if (character >= static_cast<char32_t>(kFirstCode) &&
        character < static_cast<char32_t>(kFirstCode + kCodeCount))
        return base_ + (character - kFirstCode);
    const auto found = otherLists_.find(character);
    if (found != otherLists_.end()) return found->second;
    const unsigned list = glGenLists(1);
    // Out of list names: the character is left out rather than drawn
    // through a list that belongs to someone else.
    if (list == 0) return 0;
    compileGlyph(list, face_->glyph(character));
    otherLists_.emplace(character, list);
    return list;
}

void OverlayFont::printText(const char* text) {
    if (base_ == 0) return;
    const std::string_view bytes(text);
    GLuint lists[kMaxText];
    int n = 0;
    // Cut at kMaxText characters, counting those that draw nothing.
    for (std::size_t pos = 0, count = 0; pos < bytes.size() && count < kMaxText; ++count) {
        const char32_t c = nextUtf8Character(bytes, pos);
        if (c < static_cast<char32_t>(kFirstCode)) continue;  // control characters
        if (const unsigned list = listFor(c)) lists[n++] = list;
    }
    glPushAttrib(GL_LIST_BIT);
    glListBase(0);
    glCallLists(n, GL_UNSIGNED_INT, lists);
    glPopAttrib();
}

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

void OverlayFont::print(const char* format, ...) {
    if (!format) return;
    va_list args;
    va_start(args, format);
    OverlayText t(format, args);
    va_end(args);
    printText(t.text);
}

void OverlayFont::printFrom(float x, float y, const char* text) {
    glRasterPos2f(x, y);
    print("%s", text);
}

void OverlayFont::printAt(float x, float y, const char* format, ...) {
    if (!format) return;
    va_list args;
    va_start(args, format);
    OverlayText t(format, args);
    va_end(args);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, 1.0, 1.0, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glRasterPos2f(x + 0.02f, y + 0.08f);
    glLoadIdentity();
    printText(t.text);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
