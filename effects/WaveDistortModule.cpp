#include "effects/WaveDistortModule.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kTwoPi = 6.2831855f;

}  // namespace

const std::string& WaveDistortModule::name() const {
    static const std::string n = "waveDistort";
    return n;
}

void WaveDistortModule::beginGrid(float time) {
    time_ = time;
    for (int i = 0; i < kCount; ++i) values_[i] = wave_[i].valueAt(time);
    // A negative amplitude stills the wave rather than inverting it.
    values_[kXAmp] = std::max(values_[kXAmp], 0.0f);
    values_[kYAmp] = std::max(values_[kYAmp], 0.0f);
}

TexCoord WaveDistortModule::textureCoordinate(float s, float t) const {
    const float* w = values_.data();
    return {s + w[kXAmp] * std::sin(kTwoPi * (w[kXRipples] * t + w[kXChange] * time_)),
            t + w[kYAmp] * std::sin(kTwoPi * (w[kYRipples] * s + w[kYChange] * time_))};
}
