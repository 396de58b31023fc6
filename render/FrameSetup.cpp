#include "render/FrameSetup.h"

#include "base/Screen.h"

#include "gfx/Gfx.h"

void setTargetProjection(int width, int height) {
    if (height == 0) height = 1;
    gfx::viewport(0, 0, width, height);
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::loadIdentity();
    gfx::ortho(0.0f, static_cast<float>(width), 0.0f, static_cast<float>(height), -1.0f, 1.0f);
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::loadIdentity();
    setScreenSize(width, height);
}

void setPresentationDefaults() {
    gfx::clearColour(0.0f, 0.0f, 0.0f, 0.5f);
    gfx::clearDepth(1.0);
    gfx::clearStencil(0);
    gfx::depthFunc(gfx::Compare::lessOrEqual);
    gfx::shadeModel(gfx::Shading::smooth);
    gfx::perspectiveHint(gfx::Hint::nicest);
}
