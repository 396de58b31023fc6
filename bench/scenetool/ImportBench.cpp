// Model import at scale: a generated grid OBJ of about 10 000 to 1 000 000
// triangles through the whole import (parse, triangulate, join vertices,
// normals, BSP splits) and the scene writer; and the split choice alone.
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scenetool/BspSplits.h"
#include "scenetool/ModelImport.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// A rippled grid of side x side quads as OBJ text: 2 side^2 triangles.
std::string gridObj(int side) {
    std::string text;
    char line[96];
    for (int j = 0; j <= side; ++j)
        for (int i = 0; i <= side; ++i) {
            std::snprintf(line, sizeof line, "v %.3f %.4f %.3f\n", 0.1 * i,
                          std::sin(0.05 * i) * std::cos(0.07 * j), 0.1 * j);
            text += line;
        }
    const int w = side + 1;
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            const int a = j * w + i + 1;
            std::snprintf(line, sizeof line, "f %d %d %d\nf %d %d %d\n", a, a + 1, a + w + 1, a,
                          a + w + 1, a + w);
            text += line;
        }
    return text;
}

void BM_ImportGridObj(benchmark::State& state) {
    const std::string obj = gridObj(int(state.range(0)));
    ImportOptions options;
    options.pictureDir = "/tmp";
    std::FILE* quiet = std::freopen("/dev/null", "w", stderr);  // the tool's notes
    for (auto _ : state) {
        Scene scene;
        std::string error;
        if (!importModelFromMemory(reinterpret_cast<const std::uint8_t*>(obj.data()), obj.size(),
                                   "obj", options, scene, error))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(writeScene(scene));
    }
    (void)quiet;
    state.counters["triangles"] = 2.0 * double(state.range(0)) * double(state.range(0));
}
BENCHMARK(BM_ImportGridObj)->Arg(71)->Arg(224)->Arg(708)->Unit(benchmark::kMillisecond);

void BM_ChooseSplits(benchmark::State& state) {
    const int side = int(state.range(0));
    std::vector<Vec3> corners;
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            const Vec3 a{float(i), 0, float(j)}, b{float(i + 1), 0, float(j)},
                c{float(i + 1), 0, float(j + 1)}, d{float(i), 0, float(j + 1)};
            corners.insert(corners.end(), {a, b, c, a, c, d});
        }
    for (auto _ : state) {
        BspTree tree;
        chooseSplits(tree, corners, 8, 32);
        benchmark::DoNotOptimize(tree.nodes.data());
    }
    state.counters["triangles"] = double(corners.size() / 3);
}
BENCHMARK(BM_ChooseSplits)->Arg(708)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
