#include "SmoothClock.h"

#include <algorithm>
#include <cmath>

void AnchorMailbox::publish(const ClockAnchor& anchor) {
    const std::uint64_t s = sequence_.load(std::memory_order_relaxed);
    sequence_.store(s + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    clock_.store(anchor.clock, std::memory_order_relaxed);
    position_.store(anchor.position, std::memory_order_relaxed);
    frames_.store(anchor.frames, std::memory_order_relaxed);
    sequence_.store(s + 2, std::memory_order_release);
}

bool AnchorMailbox::latest(ClockAnchor& out) const {
    for (;;) {
        const std::uint64_t before = sequence_.load(std::memory_order_acquire);
        if (before == 0) return false;
        if (before & 1) continue;  // the writer is between its stores
        out.clock = clock_.load(std::memory_order_relaxed);
        out.position = position_.load(std::memory_order_relaxed);
        out.frames = frames_.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (sequence_.load(std::memory_order_relaxed) == before) return true;
    }
}

double SmoothClock::follow(double now, double raw, double limit) {
    raw = std::min(raw, limit);
    const double elapsed = std::max(0.0, now - lastNow_);
    lastNow_ = now;
    double next;
    if (!locked_) {
        // Stopped (not started, underrun, end): wait until the stream moves
        // past where time stands, then follow from there.
        next = raw;
        locked_ = raw > last_;
    } else {
        const double predicted = last_ + elapsed;
        const double error = raw - predicted;
        if (std::fabs(error) > kSnapSeconds) {
            next = raw;
            locked_ = raw > last_;
        } else {
            next = predicted + error * std::min(1.0, elapsed / kFollowSeconds);
        }
    }
    next = std::min(next, limit);
    last_ = std::max(last_, next);
    return last_;
}
