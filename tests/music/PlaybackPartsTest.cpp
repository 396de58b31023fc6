#include "AudioRing.h"
#include "Resampler.h"
#include "SmoothClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <thread>
#include <vector>

namespace {

std::vector<float> frames(int from, int count) {
    std::vector<float> v;
    for (int i = from; i < from + count; ++i) {
        v.push_back(static_cast<float>(i));
        v.push_back(static_cast<float>(-i));
    }
    return v;
}

}  // namespace

TEST(AudioRing, WrapsAroundInOrderAndRefusesWhatDoesNotFit) {
    AudioRing ring(8);
    ASSERT_EQ(ring.capacity(), 8u);
    std::vector<float> out(16);
    EXPECT_EQ(ring.write(frames(0, 6).data(), 6), 6u);
    EXPECT_EQ(ring.read(out.data(), 5), 5u);
    // Five free slots and one frame held: a write of seven takes seven, an
    // eighth does not fit.
    EXPECT_EQ(ring.write(frames(6, 8).data(), 8), 7u);
    EXPECT_EQ(ring.read(out.data(), 16), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(out[2 * i], static_cast<float>(5 + i));
        EXPECT_EQ(out[2 * i + 1], static_cast<float>(-(5 + i)));
    }
    EXPECT_EQ(ring.framesRead(), 13);
    EXPECT_FALSE(ring.drained());
    ring.finish();
    EXPECT_TRUE(ring.drained());
}

TEST(AudioRing, ConcurrentWriterAndReaderSeeEveryFrameOnce) {
    AudioRing ring(64);
    constexpr int kTotal = 200000;
    std::thread writer([&] {
        int next = 0;
        while (next < kTotal) {
            const auto block = frames(next, std::min(37, kTotal - next));
            std::size_t done = 0;
            while (done < block.size() / 2) done += ring.write(block.data() + 2 * done, block.size() / 2 - done);
            next += static_cast<int>(block.size() / 2);
        }
        ring.finish();
    });
    std::vector<float> out(2 * 23);
    int expected = 0;
    bool inOrder = true;
    while (!ring.drained()) {
        const std::size_t n = ring.read(out.data(), 23);
        for (std::size_t i = 0; i < n; ++i, ++expected)
            inOrder &= out[2 * i] == static_cast<float>(expected) && out[2 * i + 1] == -out[2 * i];
    }
    writer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(expected, kTotal);
}

namespace {

// A simulated device: blocks of 1024 frames at 44100 Hz, each callback late
// by a random jitter, the device running `drift` fast against the clock.
struct SimulatedDevice {
    static constexpr double kBlock = 1024.0 / 44100.0;
    double drift = 0.0;
    double jitter = 0.002;
    std::int64_t endFrame = -1;  // frames in the stream; -1: endless
    std::mt19937 random{42};

    std::vector<ClockAnchor> anchors(double until) {
        std::vector<ClockAnchor> out;
        std::uniform_real_distribution<double> late(0.0, jitter);
        std::int64_t position = 0;
        for (int k = 0; k * kBlock / (1.0 + drift) < until; ++k) {
            std::int64_t frames = 1024;
            if (endFrame >= 0) frames = std::max<std::int64_t>(0, std::min<std::int64_t>(1024, endFrame - position));
            out.push_back({k * kBlock / (1.0 + drift) + late(random), position, frames});
            position += frames;
        }
        return out;
    }
};

struct Reading {
    double now;
    double time;
};

// Reads the smooth time at 60 Hz against the simulated device's anchors,
// the way MusicStream derives raw readings from them.
std::vector<Reading> run(SimulatedDevice device, double seconds) {
    const double latency = SimulatedDevice::kBlock;
    const auto anchors = device.anchors(seconds + 1.0);
    SmoothClock clock(0.0);
    std::vector<Reading> readings;
    std::size_t next = 0;
    for (double now = 0.0; now < seconds; now += 1.0 / 60.0) {
        while (next + 1 < anchors.size() && anchors[next + 1].clock <= now) ++next;
        if (anchors[next].clock > now) {
            readings.push_back({now, clock.last()});
            continue;
        }
        const ClockAnchor& a = anchors[next];
        const double raw = a.position / 44100.0 + (now - a.clock) - latency;
        readings.push_back({now, clock.follow(now, raw, (a.position + a.frames) / 44100.0)});
    }
    return readings;
}

}  // namespace

TEST(SmoothClock, FollowsAJitteryDeviceWithoutStepsOrGoingBack) {
    for (double drift : {0.0, 0.01, -0.01}) {
        SimulatedDevice device;
        device.drift = drift;
        const auto readings = run(device, 20.0);
        for (std::size_t i = 1; i < readings.size(); ++i) {
            const double step = readings[i].time - readings[i - 1].time;
            ASSERT_GE(step, 0.0) << "drift " << drift << " at " << readings[i].now;
            // A callback-sized step would be 23 ms off the frame interval.
            if (readings[i].now > 1.0) {
                ASSERT_NEAR(step, (1.0 + drift) / 60.0, 0.002) << "drift " << drift << " at " << readings[i].now;
            }
        }
        // Locked onto the device, not running away from it.
        const Reading& last = readings.back();
        EXPECT_NEAR(last.time, last.now * (1.0 + drift), 0.06) << "drift " << drift;
    }
}

TEST(SmoothClock, HoldsAtTheStartUntilHeardAndStopsExactlyAtTheEnd) {
    SmoothClock start(5.0);
    // Raw readings still before the start (the first block not yet heard).
    EXPECT_EQ(start.follow(0.00, 4.98, 5.02), 5.0);
    EXPECT_EQ(start.follow(0.01, 4.99, 5.02), 5.0);
    EXPECT_GT(start.follow(0.03, 5.01, 5.05), 5.0);

    SimulatedDevice device;
    device.endFrame = 3 * 44100 + 17;
    const auto readings = run(device, 6.0);
    const double end = device.endFrame / 44100.0;
    EXPECT_EQ(readings.back().time, end);
    for (std::size_t i = 1; i < readings.size(); ++i) ASSERT_LE(readings[i].time, end);
}

namespace {

std::vector<float> tone(double hz, int rate, int frames) {
    std::vector<float> v;
    for (int i = 0; i < frames; ++i) {
        const float x = static_cast<float>(0.5 * std::sin(2.0 * M_PI * hz * i / rate));
        v.push_back(x);
        v.push_back(-x);
    }
    return v;
}

std::vector<float> resample(const std::vector<float>& in, int inRate, int outRate, std::size_t chunk) {
    Resampler resampler(inRate, outRate);
    std::vector<float> out;
    for (std::size_t at = 0; at < in.size() / 2; at += chunk)
        resampler.push(in.data() + 2 * at, std::min(chunk, in.size() / 2 - at), out);
    resampler.finish(out);
    return out;
}

}  // namespace

TEST(Resampler, KeepsLengthAndAlignmentWhateverTheChunks) {
    for (int rate : {8000, 22050, 32000, 48000, 96000}) {
        const int frames = 12345;
        const auto in = tone(440.0, rate, frames);
        const auto whole = resample(in, rate, 44100, in.size());
        const std::size_t expected = (static_cast<std::int64_t>(frames) * 44100 + rate - 1) / rate;
        EXPECT_EQ(whole.size() / 2, expected) << rate;
        EXPECT_EQ(resample(in, rate, 44100, 1), whole) << rate;
        EXPECT_EQ(resample(in, rate, 44100, 4096), whole) << rate;
    }
}

TEST(Resampler, ReproducesAToneAndRemovesWhatTheOutputCannotCarry) {
    for (int rate : {22050, 48000}) {
        const auto out = resample(tone(1000.0, rate, rate), rate, 44100, 1000);
        const auto ideal = tone(1000.0, 44100, 44100);
        ASSERT_EQ(out.size(), ideal.size());
        double worst = 0.0;
        for (std::size_t i = 2 * 1000; i < out.size() - 2 * 1000; ++i)  // away from the edges
            worst = std::max(worst, std::fabs(static_cast<double>(out[i] - ideal[i])));
        EXPECT_LT(worst, 1e-3) << rate;
    }
    // 30 kHz is above the output's Nyquist frequency: filtered, not folded
    // down to 14.1 kHz.
    const auto out = resample(tone(30000.0, 96000, 96000), 96000, 44100, 4096);
    double energy = 0.0;
    for (std::size_t i = 2 * 1000; i < out.size() - 2 * 1000; ++i) energy += out[i] * out[i];
    EXPECT_LT(std::sqrt(energy / (out.size() - 4000)), 0.005);
}
