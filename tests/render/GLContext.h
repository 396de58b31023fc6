// A test window's GL context set up for drawing at its size. Pixels are read
// back from the back buffer, resolved first when frames are multisampled.
#pragma once

#include "GLWindow.h"
#include "base/Screen.h"
#include "gfx/Gfx.h"
#include "gfx/MultisampledFrame.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

class GLContext : public GLWindow {
public:
    GLContext(int width, int height) : GLWindow(width, height) {
        if (ok()) {
            gfx::setBackend(nullptr);  // the door starts afresh in a new context
            glViewport(0, 0, width, height);
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            glClearColor(0, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            setScreenSize(width, height);
        }
    }

    // RGB of the pixel at x, y (y up from the bottom row).
    std::array<int, 3> pixel(int x, int y) const {
        std::uint8_t rgba[4] = {};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        const gfx::ResolvedFrameRead read;
        glReadBuffer(GL_BACK);
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }
};
