// Turning the sound device's block-wise progress into a smooth music time.
//
// The audio callback runs once per device block and publishes an anchor:
// the clock reading when it ran, where in the stream the block starts and
// how many stream frames it holds. From the latest anchor the main thread
// extrapolates the heard position with the clock; SmoothClock then follows
// those raw readings with a slow correction, so callback jitter and the
// device's drift against the clock show as tiny rate changes rather than
// steps, and the result never goes backwards.
#pragma once

#include <atomic>
#include <cstdint>

struct ClockAnchor {
    double clock = 0.0;         // clock reading when the callback ran
    std::int64_t position = 0;  // stream frames handed to the device before this block
    std::int64_t frames =
        0;  // stream frames in this block (fewer than the block at the end or on underrun)
};

// One writer (the audio callback), one reader (the main thread); a sequence
// lock, so the writer never waits and the reader sees whole anchors.
class AnchorMailbox {
public:
    // Writer side: replaces the anchor.
    void publish(const ClockAnchor& anchor);
    // Reader side: the latest anchor, or false when none was published yet.
    bool latest(ClockAnchor& out) const;

private:
    std::atomic<std::uint64_t> sequence_{0};
    std::atomic<double> clock_{0.0};
    std::atomic<std::int64_t> position_{0};
    std::atomic<std::int64_t> frames_{0};
};

class SmoothClock {
public:
    // Raw readings further than this from the smooth time are taken at once
    // (forwards) or waited for (backwards) instead of being slewed towards.
    static constexpr double kSnapSeconds = 0.1;
    // Time constant of the correction towards the raw reading.
    static constexpr double kFollowSeconds = 0.5;

    // The smooth time starts at `start` and stays there until a raw reading
    // passes it.
    explicit SmoothClock(double start) : last_(start) {}

    // The smooth time at clock reading `now`, given the raw estimate `raw` of
    // the heard position and `limit`, the end of what the device was given
    // (never passed). Non-decreasing over calls with non-decreasing `now`.
    double follow(double now, double raw, double limit);

    double last() const { return last_; }

private:
    double last_;
    double lastNow_ = 0.0;
    bool locked_ = false;  // following a running stream
};
