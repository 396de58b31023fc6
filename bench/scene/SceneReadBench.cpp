// Reading a scene file of 200 000 triangles from memory: the walk of its
// chunks alone, and the whole read with the post-load pass (adjacency of
// every mesh, triangles into the trees). The file comes from the writer.
#include "base/QuietStandardOutput.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

namespace {

class NoTextures : public SceneTextures {
public:
    TextureSource* texture(const std::string&) override { return nullptr; }
};

// A gently rolling grid of `columns` x `rows` cells, two faces each, placed
// at `offset`.
Mesh terrain(int columns, int rows, Vec3 offset) {
    Mesh mesh;
    mesh.transform.position.value = offset;
    mesh.transform.recomputeMatrices();
    for (int y = 0; y <= rows; ++y)
        for (int x = 0; x <= columns; ++x) {
            const float height = 0.25f * float((x * 7 + y * 13) % 5);
            mesh.positions.push_back({float(x), float(y), height});
            mesh.texCoords.push_back({float(x) / float(columns), float(y) / float(rows)});
        }
    mesh.normals = {{0, 0, 1}};
    const int stride = columns + 1;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            const int corner = y * stride + x;
            Face lower, upper;
            lower.position = lower.texCoord = {corner, corner + 1, corner + stride + 1};
            upper.position = upper.texCoord = {corner, corner + stride + 1, corner + stride};
            lower.normal = upper.normal = {0, 0, 0};
            lower.material = upper.material = 0;
            mesh.faces.push_back(lower);
            mesh.faces.push_back(upper);
        }
    return mesh;
}

// Splits `node` across alternating axes, halving the box, `levels` deep.
void splitEvenly(BspTree& tree, std::int32_t node, Vec3 low, Vec3 high, int axis, int levels) {
    if (levels == 0) return;
    const float middle = 0.5f * (low[axis] + high[axis]);
    tree.split(node, axis, middle);
    Vec3 lowerHigh = high, upperLow = low;
    lowerHigh[axis] = middle;
    upperLow[axis] = middle;
    const std::int32_t upper = tree.nodes[std::size_t(node)].upper;
    splitEvenly(tree, tree.nodes[std::size_t(node)].lower, low, lowerHigh, (axis + 1) % 2,
                levels - 1);
    splitEvenly(tree, upper, upperLow, high, (axis + 1) % 2, levels - 1);
}

// Four meshes of 50 000 faces (three static side by side, one animated), a
// light, a camera, and a tree 0 split ten levels deep over the static ones.
const std::vector<std::uint8_t>& sceneFile() {
    static const std::vector<std::uint8_t> bytes = [] {
        Scene scene;
        scene.lights.resize(1);
        scene.materials.resize(1);
        for (int i = 0; i < 3; ++i)
            scene.meshes.push_back(terrain(125, 200, {float(130 * i), 0, 0}));
        Mesh animated = terrain(125, 200, {0, 250, 0});
        animated.transform.rotation.animated = true;
        animated.transform.rotation.keys = {{0, {1, 0, 0, 0}}, {5, {0, 0, 0, 1}}};
        scene.meshes.push_back(animated);
        BspTree tree;
        splitEvenly(tree, 0, {0, 0, 0}, {390, 200, 0}, 0, 10);
        scene.trees = {tree};
        return writeScene(scene);
    }();
    return bytes;
}

void BM_WalkChunks(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = sceneFile();
    NoTextures textures;
    QuietStandardOutput quiet;
    for (auto _ : state) {
        Scene scene;
        const SceneChunksRead read =
            readSceneChunks(bytes.data(), bytes.size(), "bench.scn", scene, textures, 640, 480);
        if (!read.complete) state.SkipWithError("scene not read");
        benchmark::DoNotOptimize(scene.meshes.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size()));
}

void BM_ReadWithPostLoad(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = sceneFile();
    NoTextures textures;
    QuietStandardOutput quiet;
    for (auto _ : state) {
        Scene scene;
        if (!readScene(bytes.data(), bytes.size(), "bench.scn", scene, textures, 640, 480))
            state.SkipWithError("scene not read");
        benchmark::DoNotOptimize(scene.trees.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size()));
}

}  // namespace

BENCHMARK(BM_WalkChunks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWithPostLoad)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
