#include "Interrupt.h"

#include "base/Log.h"

#include <csignal>
#include <cstdlib>

namespace {

volatile std::sig_atomic_t gSignal = 0;

extern "C" void noteSignal(int signal) {
    gSignal = signal;
}

}  // namespace

void installInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking wait returns early, so the signal is seen.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int pendingInterrupt() {
    return gSignal;
}

void stopIfInterrupted() {
    const int signal = gSignal;
    if (signal == 0) return;
    logMessage("Interrupted by %s, exiting\n", signal == SIGINT ? "SIGINT" : "SIGTERM");
    std::exit(128 + signal);
}
