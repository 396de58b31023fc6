// A hidden window with a compatibility GL context for tests that draw: the
// offscreen video driver when no display is set. Pixels are read back from
// the back buffer, resolved first when frames are multisampled.
#pragma once

#include "base/Screen.h"
#include "render/MultisampledFrame.h"

#include <SDL.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

class GLContext {
public:
    GLContext(int width, int height) : width_(width), height_(height) {
        SDL_Init(SDL_INIT_VIDEO);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
        window_ = SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window_) context_ = SDL_GL_CreateContext(window_);
        if (context_) {
            SDL_GL_MakeCurrent(window_, context_);
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
    ~GLContext() {
        if (context_) SDL_GL_DeleteContext(context_);
        if (window_) SDL_DestroyWindow(window_);
    }
    bool ok() const { return context_ != nullptr; }

    // RGB of the pixel at x, y (y up from the bottom row).
    std::array<int, 3> pixel(int x, int y) const {
        std::uint8_t rgba[4] = {};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        const ResolvedFrameRead read;
        glReadBuffer(GL_BACK);
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_, height_;
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
};
