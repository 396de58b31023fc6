#include "effects/ViewportQuad.h"

#include "gfx/Gfx.h"

void drawViewportQuad() {
    gfx::begin(gfx::Primitive::quads);
    gfx::texCoord(0.0f, 0.0f);
    gfx::vertex(-1.0f, -1.0f);
    gfx::texCoord(1.0f, 0.0f);
    gfx::vertex(1.0f, -1.0f);
    gfx::texCoord(1.0f, 1.0f);
    gfx::vertex(1.0f, 1.0f);
    gfx::texCoord(0.0f, 1.0f);
    gfx::vertex(-1.0f, 1.0f);
    gfx::end();
}
