// Sample-rate conversion of interleaved stereo float frames, streaming.
//
// A Kaiser-windowed sinc, tabulated in phases and interpolated between them;
// its cut-off follows the lower of the two rates, so downsampling does not
// alias. Output frame j is the input signal at input time j * in / out
// exactly (no delay), and n input frames give ceil(n * out / in) output
// frames in all, so a piece keeps its length and its sync points their place.
#pragma once

#include <cstdint>
#include <vector>

class Resampler {
public:
    // Taps on each side of an output frame's position when upsampling;
    // downsampling widens the filter by the rate ratio.
    static constexpr int kHalfTaps = 16;
    // Filter phases tabulated between two input frames.
    static constexpr int kPhases = 256;

    Resampler(int inRate, int outRate);

    // Takes `frames` input frames; appends the output frames they complete.
    void push(const float* in, std::size_t frames, std::vector<float>& out);
    // No more input: appends the remaining output frames, reading silence
    // past the end.
    void finish(std::vector<float>& out);

private:
    void produce(bool final, std::vector<float>& out);
    float history(std::int64_t frame, int channel) const;

    std::int64_t inRate_;
    std::int64_t outRate_;
    int halfTaps_;
    std::vector<float> table_;    // (kPhases + 1) rows of 2 * halfTaps_ taps
    std::vector<float> history_;  // input frames from historyStart_ on
    std::int64_t historyStart_ = 0;
    std::int64_t inputFrames_ = 0;  // input frames pushed so far
    std::int64_t nextOutput_ = 0;   // index of the next output frame
};
