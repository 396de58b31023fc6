// What several benchmark programs share: generated pictures and a main for
// Google Benchmark programs that need SDL's video (a GL context).
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
