// What a 3D scene costs per frame: about 20 000 triangles (a floor grid and
// sixteen closed spheres that cast shadows) under two shadowing point
// lights, drawn without shadows (the lit pass alone), in the fast and in the
// accurate quality, with static casters (volumes replayed from the lights'
// lists) and animated ones (faces classified and volumes emitted every
// frame), at 640x480 and 1024x768. Each frame ends with glFinish so the
// renderer's work is counted. Runs in a hidden window; without a display
// server on the offscreen driver.
#include "BenchSupport.h"
#include "base/Screen.h"
#include "render/SceneRenderer.h"
#include "scene/Scene.h"
#include "scene/SceneTrees.h"

#include <GL/gl.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

void addFace(Mesh& mesh, std::int32_t a, std::int32_t b, std::int32_t c) {
    Face face;
    face.position = {a, b, c};
    face.normal = {a, b, c};
    face.material = 0;
    mesh.faces.push_back(face);
}

// A closed sphere of `rings` x `segments` corners around `centre`; normals
// share the position indices.
Mesh sphere(Vec3 centre, float radius, int rings, int segments) {
    Mesh mesh;
    const float pi = 3.14159265f;
    mesh.positions.push_back(centre + Vec3{0, 0, radius});
    mesh.normals.push_back({0, 0, 1});
    for (int r = 1; r < rings; ++r) {
        const float theta = pi * static_cast<float>(r) / static_cast<float>(rings);
        for (int s = 0; s < segments; ++s) {
            const float phi = 2.0f * pi * static_cast<float>(s) / static_cast<float>(segments);
            const Vec3 n{std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi),
                         std::cos(theta)};
            mesh.positions.push_back(centre + radius * n);
            mesh.normals.push_back(n);
        }
    }
    mesh.positions.push_back(centre - Vec3{0, 0, radius});
    mesh.normals.push_back({0, 0, -1});
    const auto bottom = static_cast<std::int32_t>(mesh.positions.size()) - 1;
    auto at = [segments](int ring, int s) {
        return static_cast<std::int32_t>(1 + (ring - 1) * segments + (s % segments));
    };
    for (int s = 0; s < segments; ++s) addFace(mesh, 0, at(1, s), at(1, s + 1));
    for (int r = 1; r + 1 < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            addFace(mesh, at(r, s), at(r + 1, s), at(r + 1, s + 1));
            addFace(mesh, at(r, s), at(r + 1, s + 1), at(r, s + 1));
        }
    }
    for (int s = 0; s < segments; ++s)
        addFace(mesh, bottom, at(rings - 1, s + 1), at(rings - 1, s));
    return mesh;
}

// A floor of cells x cells quads at z = 0, x and y in [-h, h], facing up.
Mesh floorGrid(float h, int cells) {
    Mesh mesh;
    mesh.normals.push_back({0, 0, 1});
    const float step = 2.0f * h / static_cast<float>(cells);
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i)
            mesh.positions.push_back(
                {-h + step * static_cast<float>(i), -h + step * static_cast<float>(j), 0});
    for (int j = 0; j < cells; ++j) {
        for (int i = 0; i < cells; ++i) {
            const auto a = static_cast<std::int32_t>(j * (cells + 1) + i);
            const auto b = a + 1, c = a + cells + 2, d = a + cells + 1;
            Face f1, f2;
            f1.position = {a, b, c};
            f2.position = {a, c, d};
            f1.normal = f2.normal = {0, 0, 0};
            f1.material = f2.material = 0;
            mesh.faces.push_back(f1);
            mesh.faces.push_back(f2);
        }
    }
    mesh.castsShadows = false;
    return mesh;
}

std::unique_ptr<Scene> makeScene(int width, int height, bool animated) {
    auto scene = std::make_unique<Scene>();
    Material grey;
    grey.ambientDiffuse = {0.7f, 0.7f, 0.7f};
    scene->materials.push_back(grey);
    scene->meshes.push_back(floorGrid(40.0f, 40));  // 3 200 triangles
    // 16 spheres of 24 x 24: 1 056 triangles each, 16 896 in all.
    for (int k = 0; k < 16; ++k) {
        const float x = -24.0f + 16.0f * static_cast<float>(k % 4);
        const float y = -24.0f + 16.0f * static_cast<float>(k / 4);
        Mesh ball = sphere({0, 0, 0}, 3.0f, 24, 24);
        ball.transform.position.value = {x, y, 6.0f};
        if (animated) {
            ball.transform.position.animated = true;
            ball.transform.position.keys = {{0.0f, {x, y, 5.0f}}, {1000.0f, {x + 5.0f, y, 8.0f}}};
        }
        ball.transform.recomputeMatrices();
        scene->meshes.push_back(std::move(ball));
    }
    for (Vec3 at : {Vec3{30, 10, 40}, Vec3{-20, -30, 35}}) {
        Light light;
        light.transform.position.value = at;
        light.diffuse = {0.5f, 0.5f, 0.5f};
        light.ambient = {0.1f, 0.1f, 0.1f};
        scene->lights.push_back(light);
    }
    View& view = scene->views.front();
    view.transform.position.value = {0, -70, 50};
    view.transform.rotation.value = quatFromAxisAngle({1, 0, 0}, -0.8f);
    view.transform.recomputeMatrices();
    view.fieldOfView.value = 1.0f;
    view.width = width;
    view.height = height;
    buildSceneTrees(*scene);
    return scene;
}

// Args: width, height, mode (0 no shadows, 1 fast, 2 accurate), animated.
void BM_SceneFrame(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    benchsupport::HiddenGLWindow window(width, height);
    if (!window.ok()) {
        state.SkipWithError("no GL context");
        return;
    }
    glViewport(0, 0, width, height);
    setScreenSize(width, height);
    auto scene = makeScene(width, height, state.range(3) != 0);
    scene->shadows = state.range(2) != 0;
    scene->accurateShadows = state.range(2) == 2;
    float t = 0.0f;
    for (auto _ : state) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        renderScene(scene->views.front(), width, height, t);
        glFinish();
        window.swap();
        t += 1.0f / 60.0f;
    }
    // The share of the frame the scene covers, to see that it is in view.
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    std::size_t covered = 0;
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        covered += (rgb[i] | rgb[i + 1] | rgb[i + 2]) != 0;
    state.counters["covered"] = static_cast<double>(covered) / static_cast<double>(width * height);
    // The last frame as a binary PPM (bottom row first) when asked, to look at.
    if (const char* dir = std::getenv("DP_SCENE_FRAMES")) {
        const std::string path = std::string(dir) + "/scene_" + std::to_string(width) + "_" +
                                 std::to_string(state.range(2)) + "_" +
                                 std::to_string(state.range(3)) + ".ppm";
        if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fprintf(f, "P6\n%d %d\n255\n", width, height);
            std::fwrite(rgb.data(), 1, rgb.size(), f);
            std::fclose(f);
        }
    }
    releaseSceneLists(*scene, true);
}

void frameArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"w", "h", "shadows", "animated"});
    for (auto size : {std::pair{640, 480}, std::pair{1024, 768}})
        for (int mode : {0, 1, 2})
            for (int animated : {0, 1}) b->Args({size.first, size.second, mode, animated});
}

}  // namespace

BENCHMARK(BM_SceneFrame)->Apply(frameArgs)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char** argv) {
    return benchsupport::runBenchmarksWithVideo(argc, argv);
}
