#include "AudioRing.h"

#include <algorithm>
#include <cstring>

namespace {

std::size_t roundUpToPowerOfTwo(std::size_t n) {
    std::size_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

}  // namespace

AudioRing::AudioRing(std::size_t frames)
    : mask_(roundUpToPowerOfTwo(std::max<std::size_t>(frames, 1)) - 1) {
    samples_ = std::make_unique<float[]>(capacity() * kChannels);
}

std::size_t AudioRing::write(const float* data, std::size_t frames) {
    const std::int64_t w = writeTotal_.load(std::memory_order_relaxed);
    const std::int64_t r = readTotal_.load(std::memory_order_acquire);
    const std::size_t space = capacity() - static_cast<std::size_t>(w - r);
    const std::size_t n = std::min(frames, space);
    const std::size_t at = static_cast<std::size_t>(w) & mask_;
    const std::size_t first = std::min(n, capacity() - at);
    std::memcpy(&samples_[at * kChannels], data, first * kChannels * sizeof(float));
    std::memcpy(&samples_[0], data + first * kChannels, (n - first) * kChannels * sizeof(float));
    writeTotal_.store(w + static_cast<std::int64_t>(n), std::memory_order_release);
    return n;
}

void AudioRing::finish() {
    finished_.store(true, std::memory_order_release);
}

std::size_t AudioRing::read(float* out, std::size_t frames) {
    const std::int64_t r = readTotal_.load(std::memory_order_relaxed);
    const std::int64_t w = writeTotal_.load(std::memory_order_acquire);
    const std::size_t n = std::min(frames, static_cast<std::size_t>(w - r));
    const std::size_t at = static_cast<std::size_t>(r) & mask_;
    const std::size_t first = std::min(n, capacity() - at);
    std::memcpy(out, &samples_[at * kChannels], first * kChannels * sizeof(float));
    std::memcpy(out + first * kChannels, &samples_[0], (n - first) * kChannels * sizeof(float));
    readTotal_.store(r + static_cast<std::int64_t>(n), std::memory_order_release);
    return n;
}

bool AudioRing::drained() const {
    // finished_ is set after the last write, so once it reads true the
    // write total is final.
    if (!finished_.load(std::memory_order_acquire)) return false;
    return readTotal_.load(std::memory_order_acquire) ==
           writeTotal_.load(std::memory_order_acquire);
}
