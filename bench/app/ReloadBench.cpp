// A reload of the example presentation while it plays (--watch, or a seek):
// the script parsed with all three passes and the timeline built and loaded
// again, the pictures and scenes already decoded. It has to fit in one frame
// at 60 fps (16.7 ms) for an edit to show without a stall.
#include "BenchSupport.h"
#include "FakeMusic.h"
#include "ResourceRefresh.h"
#include "TimelineRebuild.h"
#include "base/Log.h"
#include "base/QuietStandardOutput.h"
#include "base/Screen.h"
#include "effects/EffectModules.h"
#include "render/OverlayFont.h"
#include "render/PatchCable.h"
#include "render/Texture.h"
#include "timeline/Timeline.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

const char* const kScript = "data\\demo.qsc";

// The example, loaded once in a hidden window's GL context, as the player
// has it when the first reload comes.
struct Example {
    std::unique_ptr<benchsupport::HiddenGLWindow> window;
    FakeMusic music;
    ResourceRefresh resources;
    std::unique_ptr<Timeline> timeline;
    bool ready = false;
};

Example& example() {
    static Example e;
    if (e.window) return e;
    e.window = std::make_unique<benchsupport::HiddenGLWindow>(640, 480);
    if (!e.window->ok()) return e;
    setScreenSize(640, 480);
    std::filesystem::current_path(std::string(DP_SOURCE_DIR) + "/examples/demo");
    setQuietLog(true);
    OverlayFont::instance().build(480);
    installGLEndpoints();
    registerEffectModules();
    e.music.now = 12.0;
    const RebuildResult first = rebuildTimeline(e.timeline, kScript, &e.music, &e.resources, false);
    e.ready = first.replaced;
    return e;
}

// `filesChanged`: a change was seen beside the script, so every picture and
// scene file is read and compared (none differs, none is decoded again).
void reload(benchmark::State& state, bool filesChanged) {
    // The scene reader reports on standard output.
    QuietStandardOutput quiet;
    Example& e = example();
    if (!e.ready) {
        state.SkipWithError("no GL context or the example does not load");
        return;
    }
    for (auto _ : state) {
        const RebuildResult r =
            rebuildTimeline(e.timeline, kScript, &e.music, &e.resources, filesChanged);
        if (!r.replaced || r.refreshed.pictures + r.refreshed.scenes != 0) {
            state.SkipWithError("the reload did not replace the timeline alone");
            break;
        }
        benchmark::DoNotOptimize(e.timeline.get());
    }
}

void BM_ReloadScriptOnly(benchmark::State& state) {
    reload(state, false);
}
void BM_ReloadWithFilesCompared(benchmark::State& state) {
    reload(state, true);
}

}  // namespace

BENCHMARK(BM_ReloadScriptOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReloadWithFilesCompared)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return benchsupport::runBenchmarksWithVideo(argc, argv);
}
