// Frame-rate measurement and the press detector for toggle keys.
#pragma once

// Frames per second over the last ten frames: a ring of ten clock readings.
// Until ten frames have passed, the ring's initial -1.0 entries take part as
// they are, so the first readings are rough.
class FrameRateRing {
public:
    // Records a frame at clock reading `now` (seconds) and returns the rate.
    float update(double now);
    float fps() const { return fps_; }

private:
    static constexpr int kSize = 10;
    double ring_[kSize] = {-1.0, -1.0, -1.0, -1.0, -1.0, -1.0, -1.0, -1.0, -1.0, -1.0};
    int index_ = 0;
    float fps_ = 1.0f;
};

// Turns a held key into one event per press: true on the first frame the key
// is seen held, false while it stays held and after release. `latched` says
// the key went down since the last frame (takeKeyPress): a press that was
// released before the frame still counts, but a key already held at the last
// frame (reported down again to a rebuilt window) does not act again.
class PressDetector {
public:
    bool pressed(bool held, bool latched = false) {
        bool edge = (held || latched) && !wasHeld_;
        wasHeld_ = held;
        return edge;
    }

private:
    bool wasHeld_ = false;
};
