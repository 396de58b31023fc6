#include "FrameRate.h"

float FrameRateRing::update(double now) {
    double span = now - ring_[index_];
    // Two frames on one clock tick would divide by zero: keep the last rate.
    if (span > 0.0) fps_ = static_cast<float>(kSize / span);
    ring_[index_] = now;
    index_ = (index_ + 1) % kSize;
    return fps_;
}
