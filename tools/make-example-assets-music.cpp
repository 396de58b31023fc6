#include "make-example-assets-music.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kBeat = 0.5;  // seconds at 120 beats per minute
constexpr int kBars = 24;
constexpr double kLength = kBars * 4 * kBeat + 1.0;
constexpr double kPi = 3.14159265358979;

struct Cue {
    std::uint32_t id;
    double time;
    const char* name;
};
const Cue kCues[] = {{1, 8.0, "theme"}, {2, 20.0, "courtyard"}, {3, 44.0, "outro"}};

double midiHz(int note) {
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// Roots of the chords A minor, F, C, G (one per bar, repeated), and their
// triads as MIDI notes.
const int kRoots[4] = {45, 41, 48, 43};
const int kTriads[4][3] = {{57, 60, 64}, {53, 57, 60}, {55, 60, 64}, {55, 59, 62}};

// The melody, one note per beat, for the two four-bar phrases of the theme.
const int kMelody[2][16] = {
    {69, 72, 76, 72, 69, 72, 77, 76, 72, 76, 79, 76, 74, 71, 67, 71},
    {76, 74, 72, 69, 72, 74, 77, 81, 79, 76, 72, 76, 74, 71, 74, 79},
};

// Deterministic noise for the drums.
class Noise {
public:
    double next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / static_cast<double>(1u << 24) * 2.0 - 1.0;
    }

private:
    std::uint32_t state_ = 12345u;
};

double envelope(double sinceStart, double attack, double decay) {
    if (sinceStart < 0.0) return 0.0;
    if (sinceStart < attack) return sinceStart / attack;
    return std::exp(-(sinceStart - attack) / decay);
}

std::vector<float> synthesize() {
    const std::size_t frames = static_cast<std::size_t>(kLength * kRate);
    std::vector<float> out(frames);
    Noise noise;
    double bassLow = 0.0, hatPrev = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const int beatIndex = static_cast<int>(t / kBeat);
        const int bar = beatIndex / 4;  // 0-based
        const int chord = bar % 4;
        const double inBeat = t - beatIndex * kBeat;
        const double inEighth = std::fmod(t, kBeat / 2.0);
        const bool playing = bar < kBars;
        // The last two bars fade out; the tail only rings.
        const double fade = bar < 22 ? 1.0 : std::max(0.0, 1.0 - (t - 44.0) / 4.0);
        // Bars 11 and 12 break down to pad, bass and arpeggio while the 3D
        // courtyard surfaces; drums and lead come back at bar 13.
        const bool breakdown = bar == 10 || bar == 11;
        double s = 0.0;

        // Pad: the triad in slow sines, all through.
        if (playing) {
            const double inBar = t - bar * 4 * kBeat;
            const double swell = std::min(1.0, inBar / 0.6) * 0.9 + 0.1;
            for (int n : kTriads[chord]) s += 0.05 * swell * std::sin(2.0 * kPi * midiHz(n) * t);
        }

        // Bass: eighth notes on the root, every second one an octave up,
        // a saw wave through a one-pole low-pass.
        if (playing) {
            const int eighth = static_cast<int>(t / (kBeat / 2.0));
            const double hz = midiHz(kRoots[chord] + (eighth % 2 ? 12 : 0));
            const double saw = 2.0 * std::fmod(hz * t, 1.0) - 1.0;
            bassLow += 0.12 * (saw - bassLow);
            s += 0.22 * bassLow * envelope(inEighth, 0.005, 0.12);
        }

        // Drums from bar 3: kick on beats 1 and 3, hats on the off-beats,
        // and from bar 5 a snare on 2 and 4.
        if (playing && bar >= 2 && !breakdown) {
            const int beatInBar = beatIndex % 4;
            if (beatInBar % 2 == 0) {
                const double sweep = 45.0 + 90.0 * std::exp(-inBeat * 30.0);
                s += 0.45 * std::sin(2.0 * kPi * sweep * inBeat) * envelope(inBeat, 0.002, 0.09);
            }
            const double n = noise.next();
            if (inBeat >= kBeat / 2.0) {
                const double hat = n - hatPrev;  // a crude high-pass
                s += 0.05 * hat * envelope(inBeat - kBeat / 2.0, 0.001, 0.02);
            }
            hatPrev = n;
            if (bar >= 4 && beatInBar % 2 == 1)
                s += (0.14 * n + 0.08 * std::sin(2.0 * kPi * 185.0 * inBeat)) *
                     envelope(inBeat, 0.001, 0.06);
        }

        // Lead: the theme over bars 5 to 12, a soft square wave.
        if (playing && bar >= 4 && !breakdown) {
            const int phrase = ((bar - 4) / 4) % 2;
            const int note = kMelody[phrase][beatIndex % 16];
            const double hz = midiHz(note);
            const double square = std::sin(2.0 * kPi * hz * t) +
                                  std::sin(2.0 * kPi * 3.0 * hz * t) / 3.0 +
                                  std::sin(2.0 * kPi * 5.0 * hz * t) / 5.0;
            s += 0.12 * square * envelope(inBeat, 0.01, 0.3);
        }

        // Arpeggio through the courtyard (bars 11 to 22): sixteenth notes up
        // and down the triad an octave higher, plucked sines.
        if (playing && bar >= 10) {
            const double sixteenth = kBeat / 4.0;
            const int step = static_cast<int>(t / sixteenth);
            static const int kPattern[8] = {0, 1, 2, 1, 0, 2, 1, 2};
            const int note = kTriads[chord][kPattern[step % 8]] + 12;
            const double since = t - step * sixteenth;
            const double hz = midiHz(note);
            s += 0.07 * (std::sin(2.0 * kPi * hz * t) + 0.3 * std::sin(4.0 * kPi * hz * t)) *
                 envelope(since, 0.003, 0.07);
        }

        out[i] = static_cast<float>(std::tanh(s * fade * 1.4) * 0.85);
    }
    return out;
}

void put32(std::vector<char>& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<char>((x >> (8 * i)) & 0xff));
}
void putId(std::vector<char>& v, const char* id) {
    v.insert(v.end(), id, id + 4);
}

// The cue chunk and the label list that names the cues, as RIFF chunks.
std::vector<char> cueChunks() {
    std::vector<char> cue, labels, out;
    put32(cue, std::size(kCues));
    for (const Cue& c : kCues) {
        const std::uint32_t frame = static_cast<std::uint32_t>(c.time * kRate);
        put32(cue, c.id);
        put32(cue, frame);  // play-order position
        putId(cue, "data");
        put32(cue, 0);  // chunk start
        put32(cue, 0);  // block start
        put32(cue, frame);
    }
    putId(out, "cue ");
    put32(out, static_cast<std::uint32_t>(cue.size()));
    out.insert(out.end(), cue.begin(), cue.end());

    putId(labels, "adtl");
    for (const Cue& c : kCues) {
        const std::uint32_t size = static_cast<std::uint32_t>(4 + std::strlen(c.name) + 1);
        putId(labels, "labl");
        put32(labels, size);
        put32(labels, c.id);
        labels.insert(labels.end(), c.name, c.name + std::strlen(c.name) + 1);
        if (size % 2) labels.push_back(0);
    }
    putId(out, "LIST");
    put32(out, static_cast<std::uint32_t>(labels.size()));
    out.insert(out.end(), labels.begin(), labels.end());
    return out;
}

}  // namespace

bool writeExampleMusic(const std::filesystem::path& path) {
    const std::vector<float> samples = synthesize();
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    const sf_count_t written = sf_writef_float(file, samples.data(), samples.size());
    if (sf_close(file) != 0 || written != static_cast<sf_count_t>(samples.size())) return false;

    // libsndfile writes no labels: append the cue chunks after its own and
    // make the RIFF size cover them.
    std::vector<char> bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0) return false;
    if (bytes.size() % 2) bytes.push_back(0);
    const std::vector<char> cues = cueChunks();
    bytes.insert(bytes.end(), cues.begin(), cues.end());
    const std::uint32_t riffSize = static_cast<std::uint32_t>(bytes.size() - 8);
    for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<char>((riffSize >> (8 * i)) & 0xff);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}
