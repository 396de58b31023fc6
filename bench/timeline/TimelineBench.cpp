// Checking a large script (the whole parse a --check run does, against a
// fake music clock), and the per-frame cost of waiting events, of relative
// timers finding the events they refer to, and of ordering many tracks.
#include "FakeMusic.h"
#include "base/Log.h"
#include "timeline/MusicClock.h"
#include "timeline/Timeline.h"
#include "timeline/TimelineParser.h"

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Scripts go to a directory of this process's own, made current, so the
// data-file lookup finds them by base name.
std::ofstream openScript(const std::string& name) {
    namespace fs = std::filesystem;
    static const fs::path dir =
        fs::temp_directory_path() / ("dp_bench_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::current_path(dir);
    return std::ofstream(name);
}

// A script of `events` timer events, each starting a dummy module on one of
// `tracks` tracks, with a relative timer after every tenth event.
std::string writeScript(int events, int tracks) {
    const std::string name =
        "bench" + std::to_string(events) + "_" + std::to_string(tracks) + ".qsc";
    std::ofstream out = openScript(name);
    out << "globalSettings musicBpm=140\n";
    for (int i = 0; i < events; ++i) {
        out << "event e" << i << " timer time=" << i * 0.01 << " ; event " << i << "\n";
        if (i % 10 == 0)
            out << "event r" << i << " relativeTimer relativeTo=e" << i << " deltaTime=0.5\n";
        out << "track" << (i % tracks) << " at e" << i << " dummyModule start speed=1\n";
    }
    return "data\\" + name;
}

// A script of `lines` lines shaped like a long presentation's: per scene a
// timer at a midi time and a relative timer ending it (named in another
// letter case), a layer track of its own started and stopped, a draw-order
// pair with the previous layer, a shared backdrop, a comment and a blank
// line. Every command looks up its event and its track by name, and the
// number of both grows with the script.
std::string writeLongScript(int lines) {
    const std::string name = "long" + std::to_string(lines) + ".qsc";
    std::ofstream out = openScript(name);
    out << "globalSettings musicBpm=140 musicStartTime=0.5\n";
    for (int scene = 0, written = 1; written < lines; ++scene, written += 10) {
        const std::string s = std::to_string(scene);
        out << "event scene" << s << "Start timer time=midi(" << scene / 4 + 1 << ":"
            << scene % 4 + 1 << ":120)\n"
            << "event scene" << s << "End relativeTimer relativeTo=SCENE" << s
            << "START deltaTime=1.5\n"
            << "; scene " << s << "\n"
            << "layer" << s << " at scene" << s << "Start dummyModule start\n"
            << "layer" << s << " at scene" << s << "End dummyModule stop\n"
            << "order" << scene % 8 << " at scene" << s << "Start drawOrder start first=layer" << s
            << " second=" << (scene > 0 ? "layer" + std::to_string(scene - 1) : "backdrop") << "\n"
            << "order" << scene % 8 << " at scene" << s << "End drawOrder stop\n"
            << "\n"
            << "backdrop at scene" << s << "Start dummyModule start\n"
            << "backdrop at scene" << s << "End dummyModule stop\n";
    }
    return "data\\" + name;
}

// `relative` relative timers, all still waiting, referring (in upper case)
// to 100 timers declared after them, so a search in declaration order would
// pass every relative timer first.
std::string writeRelativeScript(int relative) {
    const std::string name = "relative" + std::to_string(relative) + ".qsc";
    std::ofstream out = openScript(name);
    for (int i = 0; i < relative; ++i)
        out << "event fx" << i << " relativeTimer relativeTo=CHORUS" << i % 100
            << " deltaTime=" << i % 7 << "\n";
    for (int k = 0; k < 100; ++k) out << "event chorus" << k << " timer time=" << 1000 + k << "\n";
    out << "layer at fx0 dummyModule start\n";
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

// The --check path: read, three passes, error test, event-module set-up and
// load weight. Ten times the lines should cost about ten times the time.
void BM_CheckScript(benchmark::State& state) {
    const std::string path = writeLongScript(static_cast<int>(state.range(0)));
    FakeMusic music;
    QuietLog quiet;
    for (auto _ : state) {
        setScriptErrorFlag(false);
        auto timeline = parseTimeline(path, &music);
        benchmark::DoNotOptimize(timeline.get());
        if (scriptErrorFlag()) state.SkipWithError("the generated script has errors");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CheckScript)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

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

// One frame in which every relative timer is asked whether it is due: each
// finds its event by name (ignoring case) and computes that event's time.
void BM_FrameWithPendingRelativeTimers(benchmark::State& state) {
    const std::string path = writeRelativeScript(static_cast<int>(state.range(0)));
    FakeMusic music;
    QuietLog quiet;
    auto timeline = parseTimeline(path, &music);
    timeline->frame(0.0f);
    for (auto _ : state) benchmark::DoNotOptimize(timeline->frame(0.0f));
}
BENCHMARK(BM_FrameWithPendingRelativeTimers)->Arg(20000)->Unit(benchmark::kMicrosecond);

// Only the look-ups such a frame makes: one case-ignoring search per
// relative timer.
void BM_RelativeTimerLookups(benchmark::State& state) {
    const int relative = static_cast<int>(state.range(0));
    const std::string path = writeRelativeScript(relative);
    FakeMusic music;
    QuietLog quiet;
    auto timeline = parseTimeline(path, &music);
    std::vector<std::string> names;
    for (int i = 0; i < relative; ++i) names.push_back("CHORUS" + std::to_string(i % 100));
    for (auto _ : state)
        for (const std::string& n : names)
            benchmark::DoNotOptimize(timeline->findEventIgnoringCase(n));
    state.SetItemsProcessed(state.iterations() * relative);
}
BENCHMARK(BM_RelativeTimerLookups)->Arg(20000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
