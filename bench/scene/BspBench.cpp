// The post-load pass's face adjacency against the plain pairwise rule, and
// shadow-ray segments through a BSP tree against testing every triangle.
#include "PairwiseAdjacency.h"
#include "scene/BspTree.h"
#include "scene/Scene.h"
#include "scene/SceneTrees.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

// A grid of quads with shared corners, two faces each, every fifth face
// wound the other way (so the build turns some over): `faces` faces.
Mesh gridMesh(int faces) {
    const int side = static_cast<int>(std::sqrt(faces / 2.0));
    Mesh mesh;
    for (int y = 0; y <= side; ++y)
        for (int x = 0; x <= side; ++x)
            mesh.positions.push_back({float(x), float(y), 0.3f * std::sin(0.2f * x + 0.3f * y)});
    auto at = [side](int x, int y) { return y * (side + 1) + x; };
    int n = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            for (int half = 0; half < 2; ++half, ++n) {
                Face face;
                face.position =
                    half == 0
                        ? std::array<std::int32_t, 3>{at(x, y), at(x + 1, y), at(x + 1, y + 1)}
                        : std::array<std::int32_t, 3>{at(x, y), at(x + 1, y + 1), at(x, y + 1)};
                if (n % 5 == 0) std::swap(face.position[1], face.position[2]);
                mesh.faces.push_back(face);
            }
    return mesh;
}

template <void (*Build)(Mesh&)>
void BM_Adjacency(benchmark::State& state) {
    const Mesh mesh = gridMesh(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        Mesh copy = mesh;
        state.ResumeTiming();
        Build(copy);
        benchmark::DoNotOptimize(copy.faces.data());
    }
    state.counters["faces"] = static_cast<double>(mesh.faces.size());
}
BENCHMARK_TEMPLATE(BM_Adjacency, buildAdjacency)
    ->Arg(5000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Adjacency, pairwise::pairwiseAdjacency)
    ->Arg(5000)
    ->Unit(benchmark::kMillisecond);

// Hilly terrain over 100 x 100 units, y up: 64 x 32 quads, 4096 triangles.
float height(float x, float z) {
    return 9.0f * std::sin(0.15f * x) * std::cos(0.12f * z) +
           4.0f * std::sin(0.05f * x + 0.07f * z);
}

std::vector<BspTriangle> terrain() {
    constexpr int kX = 64, kZ = 32;
    auto corner = [](int i, int j) {
        const float x = 100.0f * i / kX, z = 100.0f * j / kZ;
        return Vec3{x, height(x, z), z};
    };
    auto make = triangleThrough;
    std::vector<BspTriangle> triangles;
    for (int i = 0; i < kX; ++i)
        for (int j = 0; j < kZ; ++j) {
            triangles.push_back(make(corner(i, j), corner(i, j + 1), corner(i + 1, j)));
            triangles.push_back(make(corner(i + 1, j), corner(i, j + 1), corner(i + 1, j + 1)));
        }
    return triangles;
}

// Splits at the median triangle centre across the widest extent of the
// centres, down to a few triangles per leaf (what a scene tool would do).
void medianSplit(BspTree& tree, std::int32_t node, const std::vector<BspTriangle>& triangles,
                 std::vector<int> ids, int depth) {
    if (ids.size() <= 6 || depth >= 40) return;
    auto centre = [&](int k) {
        const BspTriangle& t = triangles[k];
        return t.corner0 + (1.0f / 3.0f) * (t.edge1 + t.edge2);
    };
    Vec3 lo = centre(ids[0]), hi = lo;
    for (int k : ids)
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], centre(k)[a]);
            hi[a] = std::max(hi[a], centre(k)[a]);
        }
    int axis = 0;
    for (int a = 1; a < 3; ++a)
        if (hi[a] - lo[a] > hi[axis] - lo[axis]) axis = a;
    std::nth_element(ids.begin(), ids.begin() + ids.size() / 2, ids.end(),
                     [&](int a, int b) { return centre(a)[axis] < centre(b)[axis]; });
    const float split = centre(ids[ids.size() / 2])[axis];

    std::vector<int> lower, upper;
    for (int k : ids) {
        const BspTriangle& t = triangles[k];
        const float c[3] = {t.corner0[axis], t.corner0[axis] + t.edge1[axis],
                            t.corner0[axis] + t.edge2[axis]};
        if (std::min({c[0], c[1], c[2]}) <= split) lower.push_back(k);
        if (std::max({c[0], c[1], c[2]}) >= split) upper.push_back(k);
    }
    if (lower.size() == ids.size() || upper.size() == ids.size()) return;
    tree.split(node, axis, split);
    const std::int32_t lowerNode = tree.nodes[node].lower, upperNode = tree.nodes[node].upper;
    medianSplit(tree, lowerNode, triangles, std::move(lower), depth + 1);
    medianSplit(tree, upperNode, triangles, std::move(upper), depth + 1);
}

struct Segment {
    Ray ray;
    float length;
};

struct Scenery {
    BspTree tree;  // median splits
    BspTree flat;  // one leaf: every triangle in turn
    std::vector<Segment> blocked, clear;
};

// Lights 40 to 60 units above the ground, cameras 1.5 units above it.
const Scenery& scenery() {
    static const Scenery s = [] {
        Scenery s;
        const std::vector<BspTriangle> triangles = terrain();
        std::vector<int> ids(triangles.size());
        for (std::size_t k = 0; k < ids.size(); ++k) ids[k] = static_cast<int>(k);
        medianSplit(s.tree, 0, triangles, ids, 0);
        for (const BspTriangle& t : triangles) {
            s.tree.addTriangle(t);
            s.flat.addTriangle(t);
        }
        std::mt19937 random(3);
        std::uniform_real_distribution<float> across(0.0f, 100.0f), up(40.0f, 60.0f);
        while (s.blocked.size() < 512 || s.clear.size() < 512) {
            const Vec3 light{across(random), up(random), across(random)};
            const float x = across(random), z = across(random);
            const Vec3 camera{x, height(x, z) + 1.5f, z};
            const float length = std::sqrt(lengthSquared(camera - light));
            const Segment segment{makeRay(light, (1.0f / length) * (camera - light)), length};
            BspHit hit;
            const bool isBlocked = s.flat.query(segment.ray, 1e-20f, length - 0.001f, hit);
            std::vector<Segment>& list = isBlocked ? s.blocked : s.clear;
            if (list.size() < 512) list.push_back(segment);
        }
        return s;
    }();
    return s;
}

void runSegments(benchmark::State& state, bool useTree, bool blocked) {
    const Scenery& s = scenery();
    const BspTree& tree = useTree ? s.tree : s.flat;
    const std::vector<Segment>& segments = blocked ? s.blocked : s.clear;
    int hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (const Segment& segment : segments) {
            BspHit hit;
            hits += tree.query(segment.ray, 1e-20f, segment.length - 0.001f, hit);
        }
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * segments.size()));
    state.counters["triangles"] = static_cast<double>(tree.triangles.size());
    state.counters["depth"] = tree.depth();
    state.counters["hits"] = hits;
}

void BM_SegmentsBlocked_Tree(benchmark::State& state) {
    runSegments(state, true, true);
}
void BM_SegmentsBlocked_EveryTriangle(benchmark::State& state) {
    runSegments(state, false, true);
}
void BM_SegmentsClear_Tree(benchmark::State& state) {
    runSegments(state, true, false);
}
void BM_SegmentsClear_EveryTriangle(benchmark::State& state) {
    runSegments(state, false, false);
}
BENCHMARK(BM_SegmentsBlocked_Tree);
BENCHMARK(BM_SegmentsBlocked_EveryTriangle);
BENCHMARK(BM_SegmentsClear_Tree);
BENCHMARK(BM_SegmentsClear_EveryTriangle);

}  // namespace

BENCHMARK_MAIN();
