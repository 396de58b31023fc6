// A hidden window with a GL context of the test renderer's kind made current
// and the drawing door's backend for it installed: a compatibility-profile
// desktop context for gl1, an OpenGL ES 2.0 one for gles2. The offscreen
// video driver when no display is set.
#pragma once

#include "TestRenderer.h"
#include "gfx/Gfx.h"
#include "gfx/Renderer.h"

#include <SDL.h>

#include <cstdio>
#include <string>

class GLWindow {
public:
    // A window drawing through the door with the test renderer.
    GLWindow(int width, int height) : GLWindow(width, height, testsupport::testRenderer(), true) {}

    // A window whose context is of `renderer`'s kind; with `installDoor` the
    // door's backend for it is installed, without it the context is left to
    // a test that calls the driver directly (a reference drawn by the
    // fixed-function driver itself).
    GLWindow(int width, int height, gfx::Renderer renderer, bool installDoor)
        : width_(width), height_(height), installDoor_(installDoor), renderer_(renderer) {
        SDL_Init(SDL_INIT_VIDEO);
        // Each window asks for its own kind of context, whatever the one
        // before asked for.
        SDL_GL_ResetAttributes();
        if (renderer == gfx::Renderer::gles2) {
            SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
            SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
            SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
        } else {
            SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        }
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
        window_ =
            SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window_) context_ = SDL_GL_CreateContext(window_);
        if (!context_) {
            fail(std::string("no ") + gfx::rendererName(renderer) + " context: " + SDL_GetError());
            return;
        }
        makeCurrent();
        if (installDoor_) installBackend();
    }
    ~GLWindow() {
        if (context_) {
            // The backend's objects belong to this context: they go while it
            // is current, never later in another test's context.
            makeCurrent();
            if (backendInstalled_) gfx::setBackend(nullptr);
            SDL_GL_DeleteContext(context_);
        }
        if (window_) SDL_DestroyWindow(window_);
    }
    GLWindow(const GLWindow&) = delete;
    GLWindow& operator=(const GLWindow&) = delete;

    // Whether the context was made and the test renderer's backend draws in
    // it; when not, error() says why (also printed, for the test log).
    bool ok() const { return context_ && (backendInstalled_ || !installDoor_); }
    const std::string& error() const { return error_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Makes this window's context the current one.
    void makeCurrent() { SDL_GL_MakeCurrent(window_, context_); }

    // A fresh backend of the window's renderer in its context, which must
    // be current: the door starts again from identity matrices and the
    // backend's own initial state.
    bool installBackend() {
        try {
            gfx::setBackend(gfx::makeBackend(renderer_));
            backendInstalled_ = true;
        } catch (const gfx::BackendError& e) {
            backendInstalled_ = false;
            fail(std::string("the ") + gfx::rendererName(renderer_) +
                 " backend cannot draw here: " + e.what());
        }
        return backendInstalled_;
    }

private:
    void fail(const std::string& why) {
        error_ = why;
        std::fprintf(stderr, "GLWindow: %s\n", why.c_str());
    }

    int width_, height_;
    bool installDoor_;
    gfx::Renderer renderer_;
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    bool backendInstalled_ = false;
    std::string error_;
};
