// A single-producer, single-consumer ring of interleaved stereo float frames.
// The decoding thread writes, the audio callback reads; neither ever waits on
// the other: a full ring makes write return short, an empty one read.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

class AudioRing {
public:
    static constexpr int kChannels = 2;

    // Holds at least `frames` frames (rounded up to a power of two).
    explicit AudioRing(std::size_t frames);

    // Producer side: copies up to `frames` frames from `data`; returns how
    // many fitted.
    std::size_t write(const float* data, std::size_t frames);
    // Producer side: no more frames will come; total is what write accepted.
    void finish();

    // Consumer side: copies up to `frames` frames into `out`; returns how
    // many were available.
    std::size_t read(float* out, std::size_t frames);

    // Frames the consumer has taken so far.
    std::int64_t framesRead() const { return readTotal_.load(std::memory_order_acquire); }
    // Frames the producer has put in so far.
    std::int64_t framesWritten() const { return writeTotal_.load(std::memory_order_acquire); }
    // True once the producer finished and the consumer took every frame.
    bool drained() const;
    std::size_t capacity() const { return mask_ + 1; }

private:
    std::unique_ptr<float[]> samples_;
    std::size_t mask_;
    // Running totals; a slot is totals & mask_. Each is written by one side.
    std::atomic<std::int64_t> writeTotal_{0};
    std::atomic<std::int64_t> readTotal_{0};
    std::atomic<bool> finished_{false};
};
