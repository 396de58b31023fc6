// Parsing a large script into a timeline, and the per-frame cost of firing
// events and ordering many tracks.
#include "FakeMusic.h"
#include "base/Log.h"
#include "timeline/MusicClock.h"
#include "timeline/Timeline.h"
#include "timeline/TimelineParser.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

// A script of `events` timer events, each starting a dummy module on one of
// `tracks` tracks, with a relative timer after every tenth event.
std::string writeScript(int events, int tracks) {
    namespace fs = std::filesystem;
    static const fs::path dir = fs::temp_directory_path() / ("dp_bench_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::current_path(dir);
    const std::string name = "bench" + std::to_string(events) + "_" + std::to_string(tracks) + ".qsc";
    std::ofstream out(name);
    out << "globalSettings musicBpm=140\n";
    for (int i = 0; i < events; ++i) {
        out << "event e" << i << " timer time=" << i * 0.01 << " ; event " << i << "\n";
        if (i % 10 == 0)
            out << "event r" << i << " relativeTimer relativeTo=e" << i << " deltaTime=0.5\n";
        out << "track" << (i % tracks) << " at e" << i << " dummyModule start speed=1\n";
    }
    return "data\\" + name;
}

// Keeps the log out of the measurement.
struct QuietLog {
    QuietLog() { saved = dup(2), std::freopen("/dev/null", "w", stderr); }
    ~QuietLog() {
        std::fflush(stderr);
        dup2(saved, 2);
    }
    int saved;
};

void BM_ParseScript(benchmark::State& state) {
    const std::string path = writeScript(static_cast<int>(state.range(0)), 50);
    FakeMusic music;
    QuietLog quiet;
    for (auto _ : state) {
        setScriptErrorFlag(false);
        auto timeline = parseTimeline(path, &music);
        benchmark::DoNotOptimize(timeline.get());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ParseScript)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// One frame with nothing due: the cost every frame pays for waiting events
// and the track pass.
void BM_FrameWithPendingEvents(benchmark::State& state) {
    const std::string path = writeScript(static_cast<int>(state.range(0)), 100);
    FakeMusic music;
    QuietLog quiet;
    auto timeline = parseTimeline(path, &music);
    music.now = -1.0;
    timeline->frame(-1.0f);  // the first frame sorts
    for (auto _ : state) benchmark::DoNotOptimize(timeline->frame(-1.0f));
}
BENCHMARK(BM_FrameWithPendingEvents)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
