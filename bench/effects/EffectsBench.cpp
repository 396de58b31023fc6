// What a picture layer costs per frame: whole frames (clear, the timeline's
// frame step, swap, and glFinish so the GPU's work is counted) at 640x480
// and 1024x768 with 1, 4 and 16 image layers, with a routed layer and with
// one layer of each other effect (distort grids, tunnel, blur, text),
// against an empty frame that only clears and swaps. Runs in a hidden
// window; without a display server on the offscreen driver.
#include "BenchSupport.h"
#include "StillTimeline.h"
#include "base/Log.h"
#include "base/Screen.h"
#include "effects/EffectModules.h"
#include "render/OverlayFont.h"
#include "render/PatchCable.h"
#include "render/Texture.h"
#include "timeline/LoadingScreen.h"
#include "timeline/MusicClock.h"
#include "timeline/Timeline.h"
#include "timeline/TimelineParser.h"

#include <GL/gl.h>
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <png.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

using benchsupport::SilentProgress;
using benchsupport::StillClock;

// One hidden window with a GL context per window size, kept for the run.
benchsupport::HiddenGLWindow& windowFor(int width, int height) {
    static std::map<std::pair<int, int>, std::unique_ptr<benchsupport::HiddenGLWindow>> windows;
    auto& w = windows[{width, height}];
    // Textures and cables are made once and drawn in every window.
    if (!w) w = std::make_unique<benchsupport::HiddenGLWindow>(width, height, true);
    if (w->ok()) {
        w->makeCurrent();
        setScreenSize(width, height);
    }
    return *w;
}

// A 256 x 256 gradient picture, the size of a typical demo layer.
void writePicture(const fs::path& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, 256, 256, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(256 * 3);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            row[x * 3] = static_cast<png_byte>(x);
            row[x * 3 + 1] = static_cast<png_byte>(y);
            row[x * 3 + 2] = static_cast<png_byte>(255 - x);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

// The working directory with the picture; scripts are written per case.
void enterWorkDirectory() {
    static bool done = false;
    if (done) return;
    const fs::path dir =
        fs::temp_directory_path() / ("dp_modules_bench_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::current_path(dir);
    writePicture(dir / "layer.png");
    installGLEndpoints();
    registerEffectModules();
    done = true;
}

// A timeline from `script`, loaded and current, or null.
std::unique_ptr<Timeline> loadTimeline(const std::string& name, const std::string& script,
                                       StillClock& clock) {
    std::ofstream(name, std::ios::binary) << script;
    std::unique_ptr<Timeline> timeline = parseTimeline("data\\" + name, &clock);
    setCurrentTimeline(timeline.get());
    timeline->tracks().setViewportSetter(
        [](int x, int y, int w, int h) { glViewport(x, y, w, h); });
    SilentProgress progress;
    timeline->load(progress);
    return timeline;
}

// Layers are translucent and a little smaller than the screen, as stacked
// demo layers usually are, so each one blends every pixel it covers.
std::string layersScript(int layers) {
    std::string s = "event e0 timer time=0\n";
    for (int i = 0; i < layers; ++i)
        s += "layer" + std::to_string(i) +
             " at e0 image start bitmap=layer.png alpha=0.8 width=0.9 height=0.9 rotation=" +
             std::to_string(i * 7) + "\n";
    return s;
}

const char* const kRoutedScript =
    "event e0 timer time=0\n"
    "src at e0 image start bitmap=layer.png\n"
    "dst at e0 image start width=0.9 height=0.9 rotation=10\n"
    "r at e0 route start source=src destination=dst\n";

void runFrames(benchmark::State& state, Timeline* timeline) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    benchsupport::HiddenGLWindow& w = windowFor(width, height);
    if (!w.ok()) {
        state.SkipWithError("no GL context");
        return;
    }
    glViewport(0, 0, width, height);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        if (timeline && !timeline->frame(1.0f)) {
            state.SkipWithError("frame failed");
            break;
        }
        w.swap();
        glFinish();
    }
}

void emptyFrame(benchmark::State& state) {
    runFrames(state, nullptr);
}

void imageLayers(benchmark::State& state) {
    windowFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    enterWorkDirectory();
    StillClock clock;
    const int layers = static_cast<int>(state.range(2));
    auto timeline = loadTimeline("layers.qsc", layersScript(layers), clock);
    runFrames(state, timeline.get());
    state.counters["layers"] = layers;
}

void routedLayer(benchmark::State& state) {
    windowFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    enterWorkDirectory();
    StillClock clock;
    auto timeline = loadTimeline("routed.qsc", kRoutedScript, clock);
    runFrames(state, timeline.get());
}

// One layer of another effect module, from a one-track script.
void effectLayer(benchmark::State& state, const char* track) {
    const int height = static_cast<int>(state.range(1));
    windowFor(static_cast<int>(state.range(0)), height);
    enterWorkDirectory();
    OverlayFont::instance().build(height);
    StillClock clock;
    auto timeline =
        loadTimeline("effect.qsc", std::string("event e0 timer time=0\n") + track, clock);
    runFrames(state, timeline.get());
}

}  // namespace

// Real time: the software rasteriser works on threads of its own.
BENCHMARK(emptyFrame)
    ->Args({640, 480})
    ->Args({1024, 768})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(imageLayers)
    ->ArgsProduct({{640}, {480}, {1, 4, 16}})
    ->ArgsProduct({{1024}, {768}, {1, 4, 16}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(routedLayer)
    ->Args({640, 480})
    ->Args({1024, 768})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

#define DP_EFFECT_BENCHMARK(name, track)        \
    BENCHMARK_CAPTURE(effectLayer, name, track) \
        ->Args({640, 480})                      \
        ->Args({1024, 768})                     \
        ->Unit(benchmark::kMicrosecond)         \
        ->UseRealTime()
DP_EFFECT_BENCHMARK(identityDistort, "l at e0 identityDistort start bitmap=layer.png\n");
DP_EFFECT_BENCHMARK(waveDistort,
                    "l at e0 waveDistort start bitmap=layer.png xAmp=0.03 yAmp=0.03\n");
DP_EFFECT_BENCHMARK(tunnel, "l at e0 tunnel start bitmap=layer.png\n");
DP_EFFECT_BENCHMARK(blur, "l at e0 blur start bitmap=layer.png xDiff=0.01 rotationDiff=2\n");
DP_EFFECT_BENCHMARK(text, "l at e0 text start string=\"Vantorra - Brindlewave\"\n");

int main(int argc, char** argv) {
    return benchsupport::runBenchmarksWithVideo(argc, argv);
}
