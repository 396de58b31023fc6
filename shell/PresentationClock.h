// Presentation time before the music clock drives it: either a fixed step
// per drawn frame (start + k/N for presentation frame k) or the wall clock
// running from the first presentation frame, offset by the start time.
#pragma once

#include <optional>

class PresentationClock {
public:
    PresentationClock(std::optional<double> fixedFps, double start)
        : fixedFps_(fixedFps), start_(start) {}

    // The time of the frame about to be drawn.
    double now();
    // Counts one drawn presentation frame.
    void frameDrawn() { ++frame_; }
    long framesDrawn() const { return frame_; }
    bool fixed() const { return fixedFps_.has_value(); }

private:
    std::optional<double> fixedFps_;
    double start_;
    long frame_ = 0;
    std::optional<double> origin_;  // clock reading at the first presentation frame
};
