// Sampling parameters on key curves, as a frame does: 1 000 parameters on
// curves of 100 keys each (every mode, one in four looping), sampled at a
// time that moves on each frame, beside the same parameters moving with a
// velocity only. A frame's sampling should stay well under a millisecond.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "script/AnimatedParameter.h"
#include "script/ArgumentList.h"
#include "script/Tokenizer.h"

namespace {

constexpr int kParameters = 1000;
constexpr int kKeys = 100;

std::vector<std::unique_ptr<AnimatedParameter>> makeParameters(bool curves) {
    static const char* const kModes[] = {"", ":step", ":smooth", ":ramp", ":out"};
    std::vector<std::unique_ptr<AnimatedParameter>> parameters;
    for (int p = 0; p < kParameters; ++p) {
        std::string value;
        if (curves) {
            value = "x=keys(";
            for (int k = 0; k < kKeys; ++k)
                value += std::to_string(k * 0.37 + p % 7 * 0.01) + ":" + std::to_string(k % 13) +
                         kModes[(k + p) % 5] + (k + 1 < kKeys ? "," : "");
            value += p % 4 == 0 ? ",loop)" : ")";
        } else {
            value = "x=1 xVel=0.5 xAcc=-0.01";
        }
        Tokenizer tokens(value);
        ArgumentList arguments(tokens);
        parameters.push_back(std::make_unique<AnimatedParameter>("x", 0.0f, p % 2 == 0));
        parameters.back()->reset(arguments, 0.0f);
    }
    return parameters;
}

void sampleFrames(benchmark::State& state, bool curves) {
    const auto parameters = makeParameters(curves);
    float t = 0.0f;
    for (auto _ : state) {
        float sum = 0.0f;
        for (const auto& p : parameters) sum += p->valueAt(t);
        benchmark::DoNotOptimize(sum);
        t += 1.0f / 60.0f;
        if (t > 60.0f) t = 0.0f;  // through the keys and past the last
    }
    state.counters["parameters"] = kParameters;
}

void BM_SampleParametersOnKeyCurves(benchmark::State& state) {
    sampleFrames(state, true);
}
BENCHMARK(BM_SampleParametersOnKeyCurves)->Unit(benchmark::kMicrosecond);

void BM_SampleParametersWithVelocity(benchmark::State& state) {
    sampleFrames(state, false);
}
BENCHMARK(BM_SampleParametersWithVelocity)->Unit(benchmark::kMicrosecond);

}  // namespace
