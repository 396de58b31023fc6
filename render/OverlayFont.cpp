#include "render/OverlayFont.h"

#include "render/GlyphRasterizer.h"

#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

OverlayFont& OverlayFont::instance() {
    static OverlayFont font;
    return font;
}

bool OverlayFont::build(int screenHeight) {
    destroy();
    pixelHeight_ = heightFor(screenHeight);
    auto face = GlyphRasterizer::open("Times:bold", pixelHeight_ > 0 ? pixelHeight_ : 1);
    if (!face) {
        logMessage("Font: no bold serif face could be loaded, text is not shown\n");
        return false;
    }
    base_ = glGenLists(kCodeCount);
    if (base_ == 0) return false;

    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<GLubyte> bits;
    for (int i = 0; i < kCodeCount; ++i) {
        const GlyphBitmap& g = face->glyph(static_cast<unsigned char>(kFirstCode + i));
        // One bit per pixel, rows bottom first, as glBitmap reads them.
        const int rowBytes = (g.width + 7) / 8;
        bits.assign(static_cast<size_t>(rowBytes) * g.rows, 0);
        for (int y = 0; y < g.rows; ++y) {
            GLubyte* row = &bits[static_cast<size_t>(g.rows - 1 - y) * rowBytes];
            for (int x = 0; x < g.width; ++x)
                if (g.coverage[y * g.width + x] >= 128) row[x >> 3] |= 0x80 >> (x & 7);
        }
        // An empty glyph (space) still needs a bitmap pointer, or its
        // advance is lost when the list is compiled.
        if (bits.empty()) bits.assign(1, 0);
        glNewList(base_ + i, GL_COMPILE);
        // The origin sits on the baseline at the pen position.
        glBitmap(g.width, g.rows, static_cast<GLfloat>(-g.left),
                 static_cast<GLfloat>(g.rows - g.top), static_cast<GLfloat>(g.advance), 0.0f,
                 bits.data());
        glEndList();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return true;
}

void OverlayFont::destroy() {
    if (base_ != 0) glDeleteLists(base_, kCodeCount);
    base_ = 0;
}

void OverlayFont::printText(const char* text) {
    if (base_ == 0) return;
    // Only codes that have a list are called: others would reach lists that
    // belong to someone else.
    unsigned char codes[kMaxText];
    int n = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p && n < kMaxText;
         ++p)
        if (*p >= kFirstCode && *p < kFirstCode + kCodeCount) codes[n++] = *p;
    glPushAttrib(GL_LIST_BIT);
    glListBase(base_ - kFirstCode);
    glCallLists(n, GL_UNSIGNED_BYTE, codes);
    glPopAttrib();
}

namespace {

// printf into a text buffer of 255 characters and its terminator.
struct OverlayText {
    char text[OverlayFont::kMaxText + 1];
    OverlayText(const char* format, va_list args) { std::vsnprintf(text, sizeof text, format, args); }
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
