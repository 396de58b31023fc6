#include "base/Clock.h"

#include <chrono>

namespace {

using Counter = std::chrono::steady_clock;

const Counter::time_point& counterOrigin() {
    static const Counter::time_point origin = Counter::now();
    return origin;
}

// Take the origin during static initialisation, so "program start" is the
// start of the process and not the first reading.
const Counter::time_point& gEarly = counterOrigin();

}  // namespace

double clockSeconds() {
    return std::chrono::duration<double>(Counter::now() - counterOrigin()).count();
}
