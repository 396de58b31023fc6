#include "PresentationClock.h"

#include "shell/Clock.h"

double PresentationClock::now() {
    if (fixedFps_) return start_ + static_cast<double>(frame_) / *fixedFps_;
    const double reading = clockSeconds();
    if (!origin_) origin_ = reading;
    return start_ + (reading - *origin_);
}
