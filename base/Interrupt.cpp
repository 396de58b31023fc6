#include "base/Interrupt.h"

#include "base/Log.h"
#include "base/PartialOutputs.h"

#include <poll.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

struct Handled {
    int signal;
    const char* name;
};
constexpr Handled kHandled[] = {
    {SIGHUP, "SIGHUP"},   {SIGINT, "SIGINT"},   {SIGQUIT, "SIGQUIT"}, {SIGTERM, "SIGTERM"},
    {SIGUSR1, "SIGUSR1"}, {SIGUSR2, "SIGUSR2"}, {SIGALRM, "SIGALRM"}, {SIGVTALRM, "SIGVTALRM"},
    {SIGPROF, "SIGPROF"}, {SIGXCPU, "SIGXCPU"},
};


std::atomic<int> gSignal{0};
std::atomic<bool> gMessageWritten{false};
// The handler wakes the watchdog through this pipe (write is
// async-signal-safe; a condition variable is not).
int gWake[2] = {-1, -1};
void (*gRelease)() = nullptr;

const char* signalName(int signal) {
    for (const Handled& h : kHandled)
        if (h.signal == signal) return h.name;
    return "a signal";
}

// Async-signal-safe: write(2) only.
void writeError(const char* text) {
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, text, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // a closed standard error: nothing to tell
        text += n;
        left -= static_cast<std::size_t>(n);
    }
}

void writeInterruptMessage(int signal) {
    if (gMessageWritten.exchange(true)) return;
    writeError("Interrupted by ");
    writeError(signalName(signal));
    writeError(", exiting\n");
}

[[noreturn]] void endInterrupted(int signal) {
    writeInterruptMessage(signal);
    removePartialOutputs();
    ::_exit(128 + signal);
}

extern "C" void noteSignal(int signal) {
    const int savedErrno = errno;
    int expected = 0;
    if (!gSignal.compare_exchange_strong(expected, signal)) {
        // A second signal: the viewer insists.
        endInterrupted(expected);
    }
    const char wake = 1;
    (void)!::write(gWake[1], &wake, 1);
    errno = savedErrno;
}

#ifndef __EMSCRIPTEN__
// How long the main thread has to reach a safe point after the first signal.
constexpr int kGraceMilliseconds = 800;

// Waits for the first signal, then gives the main thread its grace period.
void watch() {
    char wake = 0;
    while (::read(gWake[0], &wake, 1) < 0 && errno == EINTR) {}
    pollfd none{-1, 0, 0};
    ::poll(&none, 1, kGraceMilliseconds);
    endInterrupted(gSignal.load());
}
#endif

void startWatchdog() {
#ifndef __EMSCRIPTEN__  // a page has no signals to wait for, nor threads to wait with
    if (::pipe(gWake) != 0) return;
    // The watchdog takes no signal itself: they interrupt the main thread's
    // blocking calls, so it sees them early.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    std::thread(watch).detach();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
#endif
}

}  // namespace

void installInterruptHandlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    startWatchdog();
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
    sigaction(SIGXFSZ, &ignore, nullptr);

    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking wait returns early, so the signal is seen.
    action.sa_flags = 0;
    for (const Handled& h : kHandled) {
        struct sigaction old {};
        if (sigaction(h.signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        sigaction(h.signal, &action, nullptr);
    }
}

int pendingInterrupt() {
    return gSignal.load();
}

void setInterruptRelease(void (*release)()) {
    gRelease = release;
}

void stopIfInterrupted() {
    const int signal = gSignal.load();
    if (signal == 0) return;
    // Through the log, so that an open progress line is ended first.
    if (!gMessageWritten.exchange(true))
        logMessage("Interrupted by %s, exiting\n", signalName(signal));
    removePartialOutputs();
    if (gRelease) gRelease();
    std::fflush(nullptr);
    ::_exit(128 + signal);
}

void endProcessNow(int status, const char* message) {
    const int signal = gSignal.load();
    if (signal != 0) endInterrupted(signal);
    writeError(message);
    removePartialOutputs();
    ::_exit(status);
}
