// What several benchmark programs share: generated pictures, a hidden GL
// window, and a main for Google Benchmark programs that need SDL's video.
#pragma once

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace benchsupport {

// A side x side RGB picture with detail everywhere (so it compresses like a
// photograph, not like a flat colour), different for every seed.
inline std::vector<unsigned char> picture(int side, int seed) {
    std::vector<unsigned char> rgb(static_cast<size_t>(side) * side * 3);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            unsigned char* p = &rgb[(static_cast<size_t>(y) * side + x) * 3];
            p[0] = static_cast<unsigned char>(x + seed * 7);
            p[1] = static_cast<unsigned char>(y ^ x);
            p[2] = static_cast<unsigned char>((x * y) >> 8);
        }
    return rgb;
}

// A hidden window with a compatibility GL context (double-buffered, depth
// and stencil, no wait for the vertical blank), current once made. With
// `shareWithCurrent`, it shares textures with the context current when it is
// made. SDL's video must be initialised; the caller sets the screen size.
class HiddenGLWindow {
public:
    HiddenGLWindow(int width, int height, bool shareWithCurrent = false) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, shareWithCurrent ? 1 : 0);
        window_ =
            SDL_CreateWindow("bench", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window_) context_ = SDL_GL_CreateContext(window_);
        if (context_) makeCurrent();
    }
    ~HiddenGLWindow() {
        // After SDL_Quit (a window kept until the program ends) SDL has
        // destroyed its windows itself.
        if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
        if (context_) SDL_GL_DeleteContext(context_);
        if (window_) SDL_DestroyWindow(window_);
    }
    HiddenGLWindow(const HiddenGLWindow&) = delete;
    HiddenGLWindow& operator=(const HiddenGLWindow&) = delete;

    bool ok() const { return context_ != nullptr; }
    void makeCurrent() {
        SDL_GL_MakeCurrent(window_, context_);
        SDL_GL_SetSwapInterval(0);
    }
    void swap() { SDL_GL_SwapWindow(window_); }

private:
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
};

// Runs the registered benchmarks with SDL's video up; without a display
// server, on the offscreen driver.
inline int runBenchmarksWithVideo(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SDL_Quit();
    return 0;
}

}  // namespace benchsupport
