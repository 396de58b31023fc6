#include "scenetool/ChildRun.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <new>
#include <thread>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr unsigned char kOutOfMemory = 0xFF;  // never a result the work may return

// Limits the child itself: address space above what it holds already (a
// sanitizer's shadow reserves terabytes up front) and processor time, the
// latter a backstop to the parent's wall clock.
void limitChild(const ChildLimits& limits) {
    if (limits.memoryBytes > 0) {
        const rlim_t cap = rlim_t(addressSpaceInUse() + limits.memoryBytes);
        const rlimit memory{cap, cap};
        setrlimit(RLIMIT_AS, &memory);
    }
    if (limits.seconds > 0) {
        const rlimit cpu{rlim_t(limits.seconds), rlim_t(limits.seconds) + 5};
        setrlimit(RLIMIT_CPU, &cpu);
    }
}

[[noreturn]] void runChild(int resultPipe, const std::function<int()>& work,
                           const ChildLimits& limits) {
    limitChild(limits);
    unsigned char result = 1;
    try {
        const int status = work();
        result = static_cast<unsigned char>(status < 0 || status > 254 ? 1 : status);
    } catch (const std::bad_alloc&) {
        result = kOutOfMemory;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    while (write(resultPipe, &result, 1) < 0 && errno == EINTR) {}
    _exit(result == kOutOfMemory ? 1 : result);
}

}  // namespace

std::uint64_t addressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    if (!(statm >> pages)) return 0;
    return pages * std::uint64_t(sysconf(_SC_PAGESIZE));
}

std::uint64_t physicalMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long size = sysconf(_SC_PAGESIZE);
    return pages > 0 && size > 0 ? std::uint64_t(pages) * std::uint64_t(size) : 0;
}

ChildOutcome runInChild(const std::function<int()>& work, const ChildLimits& limits) {
    ChildOutcome outcome;
    int fds[2];
    if (pipe(fds) != 0) {
        outcome.status = errno;
        return outcome;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    if (child < 0) {
        outcome.status = errno;
        close(fds[0]);
        close(fds[1]);
        return outcome;
    }
    if (child == 0) {
        close(fds[0]);
        runChild(fds[1], work, limits);
    }
    close(fds[1]);
    outcome.pid = child;

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(limits.seconds);
    bool timedOut = false;
    int raw = 0;
    for (;;) {
        const pid_t done = waitpid(child, &raw, WNOHANG);
        if (done == child) break;
        if (done < 0 && errno != EINTR) break;
        if (limits.seconds > 0 && !timedOut && Clock::now() >= deadline) {
            kill(child, SIGKILL);
            timedOut = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    unsigned char result = 0;
    ssize_t got;
    while ((got = read(fds[0], &result, 1)) < 0 && errno == EINTR) {}
    close(fds[0]);

    if (got == 1) {
        outcome.kind = result == kOutOfMemory ? ChildOutcome::outOfMemory : ChildOutcome::finished;
        outcome.status = result == kOutOfMemory ? 1 : result;
    } else if (timedOut || (WIFSIGNALED(raw) && (WTERMSIG(raw) == SIGXCPU))) {
        outcome.kind = ChildOutcome::outOfTime;
    } else if (WIFSIGNALED(raw)) {
        outcome.kind = ChildOutcome::signalled;
        outcome.signal = WTERMSIG(raw);
    } else {
        outcome.kind = ChildOutcome::died;
        outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    return outcome;
}
