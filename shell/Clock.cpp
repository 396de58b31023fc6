#include "shell/Clock.h"

#include <SDL_timer.h>

namespace {

struct CounterOrigin {
    Uint64 origin = SDL_GetPerformanceCounter();
    double frequency = static_cast<double>(SDL_GetPerformanceFrequency());
};

const CounterOrigin& counterOrigin() {
    static const CounterOrigin o;
    return o;
}

// Take the origin during static initialisation, so "program start" is the
// start of the process and not the first reading.
const CounterOrigin& gEarly = counterOrigin();

}  // namespace

double clockSeconds() {
    const CounterOrigin& o = counterOrigin();
    return static_cast<double>(SDL_GetPerformanceCounter() - o.origin) / o.frequency;
}
