// A hidden window with a compatibility GL context made current, for tests
// that draw: the offscreen video driver when no display is set.
#pragma once

#include <SDL.h>

class GLWindow {
public:
    GLWindow(int width, int height) : width_(width), height_(height) {
        SDL_Init(SDL_INIT_VIDEO);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
        window_ =
            SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window_) context_ = SDL_GL_CreateContext(window_);
        if (context_) SDL_GL_MakeCurrent(window_, context_);
    }
    ~GLWindow() {
        if (context_) SDL_GL_DeleteContext(context_);
        if (window_) SDL_DestroyWindow(window_);
    }
    GLWindow(const GLWindow&) = delete;
    GLWindow& operator=(const GLWindow&) = delete;

    bool ok() const { return context_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_, height_;
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
};
