// The "waveDistort" module: the distort grid with texture coordinates moved
// by two travelling sine waves, so that the picture ripples. Rows slide
// sideways by a wave running up the picture, columns slide up and down by
// a wave running across it.
#pragma once

#include "effects/DistortModule.h"

class WaveDistortModule : public DistortModule {
public:
    // "waveDistort".
    const std::string& name() const override;
    // Evaluates the six wave parameters at `time`; amplitudes below 0 count
    // as 0.
    void beginGrid(float time) override;
    // u = s + xAmp sin(2 pi (xRipples t + xchange time)),
    // v = t + yAmp sin(2 pi (yRipples s + ychange time)).
    TexCoord textureCoordinate(float s, float t) const override;

protected:
    ParameterRange ownParameters() override { return {wave_.data(), wave_.size()}; }

private:
    enum { kXChange, kYChange, kXAmp, kYAmp, kXRipples, kYRipples, kCount };
    std::array<AnimatedParameter, kCount> wave_{{{"xchange", 1.0f},
                                                 {"ychange", 1.0f},
                                                 {"xAmp", 0.01f},
                                                 {"yAmp", 0.01f},
                                                 {"xRipples", 5.0f},
                                                 {"yRipples", 6.0f}}};
    std::array<float, kCount> values_{};  // wave_ at the frame time
    float time_ = 0.0f;
};
