// The music as a shader sees it: Shadertoy's audio texture, 512 x 2 bytes,
// row 0 the spectrum and row 1 the waveform, the way Web Audio's
// AnalyserNode (fftSize 2048, default settings) fills them.
//
// The texture is a pure function of the decoded music and the music time:
// a capture, a video export, a seek, a run started in the middle and the web
// page all show the same bytes at the same music time, whatever was computed
// before. The analyser's smoothing over earlier frames is therefore not kept
// from call to call but recomputed over a fixed grid of analysis windows
// ending at the music time (see AudioTexture.cpp); a cache of window spectra
// keyed by their end sample makes consecutive frames cheap without changing
// a single byte.
//
// Pure: no sound device, no GL.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The decoded music as one mono channel (mean of the two), kept whole in memory.
class MusicSamples {
public:
    // Decodes the whole file with openMusicDecoder; false with `fault` set
    // (when given) when it cannot be opened or nothing can be decoded, and
    // the samples held before are kept.
    bool load(const std::string& path, std::string* fault);

    // Samples given directly (tests, the silent case); a rate that is not
    // positive makes the music silent.
    void assign(std::vector<float> mono, int sampleRate);

    // Samples per second; 0 before anything was loaded or assigned.
    int sampleRate() const { return sampleRate_; }

    // The mono samples, the first at music time 0.
    const std::vector<float>& samples() const { return samples_; }

    // Changes whenever load or assign replaces the samples, so that whoever
    // keeps results computed from them knows they are stale.
    std::uint64_t version() const { return version_; }

private:
    std::vector<float> samples_;
    int sampleRate_ = 0;
    std::uint64_t version_ = 0;
};

class AudioTexture {
public:
    static constexpr int kWidth = 512, kHeight = 2;

    // Keeps a reference: `music` must outlive this texture. It may be loaded
    // or assigned anew in between calls to compute.
    explicit AudioTexture(const MusicSamples& music);
    // Frees the cached window spectra.
    ~AudioTexture();
    AudioTexture(const AudioTexture&) = delete;
    AudioTexture& operator=(const AudioTexture&) = delete;

    // Fills `out` (kWidth * kHeight bytes, row 0 spectrum, row 1 waveform) for
    // music time `seconds`; the same (music, seconds) always gives the same
    // bytes. The waveform is the 512 samples from 2048 samples before
    // `seconds` on, as Shadertoy shows them. Music before 0 and after the end
    // is silence, as is a time that is not finite.
    void compute(double seconds, std::uint8_t* out);

private:
    struct Analysis;
    const MusicSamples& music_;
    std::unique_ptr<Analysis> analysis_;
};
