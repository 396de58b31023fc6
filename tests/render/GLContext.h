// A test window's GL context set up for drawing at its size through the
// drawing door, with the test renderer's backend. Pixels are read back from
// the back buffer, resolved first when frames are multisampled.
#pragma once

#include "GLWindow.h"
#include "base/Screen.h"
#include "gfx/Frame.h"
#include "gfx/Gfx.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

class GLContext : public GLWindow {
public:
    GLContext(int width, int height) : GLWindow(width, height) {
        if (ok()) {
            gfx::viewport(0, 0, width, height);
            gfx::matrixMode(gfx::MatrixMode::projection);
            gfx::loadIdentity();
            gfx::matrixMode(gfx::MatrixMode::modelView);
            gfx::loadIdentity();
            gfx::clearColour(0, 0, 0, 1);
            gfx::clear(gfx::colourBuffer);
            setScreenSize(width, height);
        }
    }

    // RGB of the pixel at x, y (y up from the bottom row).
    std::array<int, 3> pixel(int x, int y) const {
        std::uint8_t rgba[4] = {};
        const gfx::ResolvedFrameRead read;
        gfx::readPixels(x, y, 1, 1, gfx::PixelFormat::rgba, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }

    // RGB of `width` x `height` pixels from (x, y), rows bottom first.
    std::vector<std::uint8_t> pixels(int x, int y, int width, int height) const {
        std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
        const gfx::ResolvedFrameRead read;
        gfx::readPixels(x, y, width, height, gfx::PixelFormat::rgb, rgb.data());
        return rgb;
    }
};
