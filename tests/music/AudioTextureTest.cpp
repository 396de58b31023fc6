#include "music/AudioTexture.h"

#include "TestAudioFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

using Texture = std::vector<std::uint8_t>;
constexpr int kWidth = AudioTexture::kWidth;
const double kPi = std::acos(-1.0);

Texture textureAt(const MusicSamples& music, double seconds) {
    Texture out(kWidth * AudioTexture::kHeight);
    AudioTexture(music).compute(seconds, out.data());
    return out;
}

Texture row(const Texture& t, int r) {
    return Texture(t.begin() + r * kWidth, t.begin() + (r + 1) * kWidth);
}

std::vector<float> sine(int rate, double seconds, double frequency, double amplitude) {
    std::vector<float> s(static_cast<std::size_t>(rate * seconds));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<float>(amplitude * std::sin(2 * kPi * frequency * i / rate));
    return s;
}

// The byte a steady bin of magnitude |X[k]| / N reads, after 24 frames of smoothing.
int steadyByte(double magnitude) {
    const double decibels = 20 * std::log10(magnitude * (1 - std::pow(0.8, 24)));
    return std::clamp(static_cast<int>(std::floor(255.0 / 70 * (decibels + 100))), 0, 255);
}

bool silent(const Texture& t) {
    return std::all_of(t.begin(), t.begin() + kWidth, [](int b) { return b == 0; }) &&
           std::all_of(t.begin() + kWidth, t.end(), [](int b) { return b == 128; });
}

TEST(AudioTexture, AQuietSineLightsItsBinAndNothingFourBinsAway) {
    struct Case {
        int rate;
        double frequency;
    };
    for (const Case c :
         {Case{44100, 1000}, Case{48000, 440}, Case{44100, 9000}, Case{22050, 3000}}) {
        SCOPED_TRACE(c.frequency);
        MusicSamples music;
        music.assign(sine(c.rate, 2, c.frequency, 0.01), c.rate);
        const Texture spectrum = row(textureAt(music, 1.0), 0);
        const double bin = c.frequency * 2048 / c.rate;
        const int peak =
            static_cast<int>(std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin());
        EXPECT_LE(std::abs(peak - bin), 0.5);
        for (int k = 0; k < kWidth; ++k) {
            const int distance = std::abs(k - peak);
            if (distance >= 4) {
                EXPECT_EQ(spectrum[k], 0) << k;
            } else if (distance > 0) {
                EXPECT_LE(spectrum[k], spectrum[k + (k < peak ? 1 : -1)]) << k;
            }
        }
    }
}

TEST(AudioTexture, BinLevelsFollowTheBlackmanWindowAndTheDecibelScale) {
    // A sine on bin k0 of amplitude A gives |X| / N = A/2 times 0.42, 0.25,
    // 0.04 at k0, k0 +- 1, k0 +- 2 and exactly 0 beyond; a constant c gives
    // c times 0.42, 0.25, 0.04 at bins 0, 1, 2.
    for (const int bin : {64, 500}) {
        SCOPED_TRACE(bin);
        MusicSamples music;
        music.assign(sine(44100, 1, bin * 44100.0 / 2048, 0.01), 44100);
        const Texture s = row(textureAt(music, 0.75), 0);
        const double levels[] = {0.0021, 0.00125, 0.0002};
        for (int d = 0; d < 3; ++d) {
            EXPECT_NEAR(s[bin - d], steadyByte(levels[d]), 1) << d;
            EXPECT_NEAR(s[bin + d], steadyByte(levels[d]), 1) << d;
        }
        EXPECT_EQ(s[bin - 3], 0);
        EXPECT_EQ(s[bin + 3], 0);
    }
    MusicSamples constant;
    constant.assign(std::vector<float>(44100, 0.005f), 44100);
    const Texture s = row(textureAt(constant, 0.75), 0);
    EXPECT_NEAR(s[0], steadyByte(0.0021), 1);
    EXPECT_NEAR(s[1], steadyByte(0.00125), 1);
    EXPECT_NEAR(s[2], steadyByte(0.0002), 1);
    EXPECT_EQ(s[3], 0);
}

TEST(AudioTexture, SilenceAndTheWaveformRow) {
    MusicSamples nothing;
    EXPECT_TRUE(silent(textureAt(nothing, 1.0)));
    MusicSamples zeros;
    zeros.assign(std::vector<float>(88200, 0.0f), 44100);
    EXPECT_TRUE(silent(textureAt(zeros, 1.0)));

    MusicSamples loud;
    loud.assign(sine(44100, 1, 441, 1.0), 44100);
    const Texture wave = row(textureAt(loud, 0.5), 1);
    EXPECT_EQ(*std::min_element(wave.begin(), wave.end()), 0);
    EXPECT_EQ(*std::max_element(wave.begin(), wave.end()), 255);

    // Row 1 holds the oldest 512 of the 2048 samples before the music time.
    std::vector<float> clicks(44100, 0.0f);
    clicks[10000] = -0.5f;
    clicks[10001] = 0.1f;
    MusicSamples music;
    music.assign(clicks, 44100);
    const Texture at = row(textureAt(music, (10000 + 2048 - 100) / 44100.0), 1);
    EXPECT_EQ(at[100], 64);
    EXPECT_EQ(at[101], 140);  // 140.8, floored
    EXPECT_EQ(std::count(at.begin(), at.end(), 128), kWidth - 2);
    const Texture newest = row(textureAt(music, 10002 / 44100.0), 1);
    EXPECT_EQ(std::count(newest.begin(), newest.end(), 128), kWidth);
}

TEST(AudioTexture, SmoothingReachesBack24FramesAndNoFurther) {
    // A tone from 1 s to 2 s; a window spans 2048 / 44100 s.
    std::vector<float> music(3 * 44100, 0.0f);
    const std::vector<float> tone = sine(44100, 1, 44100.0 * 100 / 2048, 0.1);
    std::copy(tone.begin(), tone.end(), music.begin() + 44100);
    MusicSamples samples;
    samples.assign(music, 44100);
    const double window = 2048 / 44100.0;
    const int during = textureAt(samples, 1.5)[100];
    EXPECT_LT(during, 255);
    EXPECT_LT(textureAt(samples, 1.0 + window)[100], during);
    // At time 2 + j/60 (on the 1/60 s grid) the window of history frame j
    // ends where the tone did: past 2 s the level falls frame by frame and
    // is gone once the oldest of the 24 windows lies past the tone.
    int previous = during;
    for (int j = 1; j < 24; ++j) {
        const int fading = textureAt(samples, 2.0 + j / 60.0)[100];
        EXPECT_GT(fading, 0) << j;
        EXPECT_LT(fading, previous) << j;
        previous = fading;
    }
    EXPECT_TRUE(silent(textureAt(samples, 2.0 + 26 / 60.0)));
}

TEST(AudioTexture, SameBytesWhateverWasComputedBefore) {
    std::vector<float> noise(5 * 44100);
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < noise.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        noise[i] = static_cast<float>(state >> 8) / (1 << 24) - 0.5f + 0.3f * std::sin(i * 0.05f);
    }
    MusicSamples music;
    music.assign(noise, 44100);
    std::vector<double> times;
    for (int f = 0; f < 40; ++f) times.push_back(1.0 + f / 60.0);  // playing
    for (double t : {4.0, 0.3, 1.25, 1.2 + 1e-7, 0.01, 4.9, 1.0 + 3 / 60.0}) times.push_back(t);
    std::vector<Texture> cold;
    for (double t : times) cold.push_back(textureAt(music, t));

    AudioTexture warm(music);
    Texture out(2 * kWidth);
    for (int pass = 0; pass < 2; ++pass) {  // forwards, then backwards
        for (std::size_t n = 0; n < times.size(); ++n) {
            const std::size_t i = pass == 0 ? n : times.size() - 1 - n;
            warm.compute(times[i], out.data());
            EXPECT_EQ(out, cold[i]) << times[i];
        }
    }
    // New samples in the same MusicSamples: nothing computed from the old ones stays.
    std::reverse(noise.begin(), noise.end());
    music.assign(noise, 44100);
    warm.compute(times[5], out.data());
    EXPECT_EQ(out, textureAt(music, times[5]));
}

TEST(AudioTexture, BeforeTheStartAndPastTheEndIsSilence) {
    MusicSamples music;
    music.assign(sine(44100, 1, 1000, 0.5), 44100);
    const double inf = std::numeric_limits<double>::infinity();
    for (double t :
         {-5.0, -1e-3, 0.0, 1.0 + 2048 / 44100.0 + 24 / 60.0, 1e12, 1e300, inf, -inf, std::nan("")})
        EXPECT_TRUE(silent(textureAt(music, t))) << t;
    // Windows partly inside: the spectrum of what is inside; the waveform
    // shows 2048 samples back, still before the start.
    const Texture start = textureAt(music, 0.01);
    EXPECT_GT(start[46], 0);
    EXPECT_TRUE(std::all_of(start.begin() + kWidth, start.end(), [](int b) { return b == 128; }));
    EXPECT_GT(textureAt(music, 1.1)[46], 0);
}

TEST(AudioTexture, LoadsFilesAsTheMeanOfTheirChannels) {
    MusicSamples music;
    ASSERT_TRUE(music.load(writeTestFile("stereo.wav", makeWav(3000, {}, 22050, 2)), nullptr));
    EXPECT_EQ(music.sampleRate(), 22050);
    ASSERT_EQ(music.samples().size(), 3000u);
    for (std::size_t f : {0u, 1u, 199u, 2999u}) {
        const double left = (2 * f % 400) * 10, right = ((2 * f + 1) % 400) * 10;
        EXPECT_NEAR(music.samples()[f], (left + right) / 2 / 32768, 1e-7) << f;
    }
    ASSERT_TRUE(music.load(writeTestFile("mono.wav", makeWav(500, {}, 8000, 1)), nullptr));
    EXPECT_EQ(music.sampleRate(), 8000);
    ASSERT_EQ(music.samples().size(), 500u);
    EXPECT_NEAR(music.samples()[7], 70 / 32768.0, 1e-7);

    std::string fault;
    EXPECT_FALSE(music.load("/no/such/tune.wav", &fault));
    EXPECT_EQ(fault, "not found");
    EXPECT_FALSE(
        music.load(writeTestFile("notes.txt", std::vector<std::uint8_t>(3000, 'x')), &fault));
    EXPECT_NE(fault.find("libopenmpt"), std::string::npos) << fault;
    EXPECT_EQ(music.samples().size(), 500u) << "a failed load keeps the samples";

    ASSERT_TRUE(music.load(writeTestFile("tune.mod", makeModule()), &fault)) << fault;
    EXPECT_GT(music.samples().size(), 0u);
    EXPECT_FALSE(silent(textureAt(music, 0.2)));
}

}  // namespace
