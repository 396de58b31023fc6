// Writes the fuzzer's seed corpus: a few small valid scene files, each
// reaching other chunks and branches of the reader. Usage: make_scene_corpus DIR.
#include "scene/Scene.h"
#include "scene/SceneFile.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

BspTriangle triangle(Vec3 corner0, Vec3 corner1, Vec3 corner2) {
    return triangleThrough(corner0, corner1, corner2);
}

Face face(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t material) {
    Face f;
    f.position = {a, b, c};
    f.texCoord = {a, b, c};
    f.material = material;
    return f;
}

// A unit quad of two faces in the z = 0 plane.
Mesh quad(Vec3 at) {
    Mesh mesh;
    mesh.transform.position.value = at;
    mesh.positions = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    mesh.texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    mesh.normals = {{0, 0, 1}};
    mesh.faces = {face(0, 1, 2, 0), face(0, 2, 3, 0)};
    return mesh;
}

View camera(const std::string& name, Vec3 at) {
    View view;
    view.name = name;
    view.transform.position.value = at;
    view.fieldOfView.value = 0.8f;
    return view;
}

// Nothing but the empty lists.
void empty(Scene& scene) {
    scene.views.clear();
    scene.trees.clear();
}

// One camera, one static quad, one tree split across z with a triangle.
void staticQuad(Scene& scene) {
    scene.materials.resize(1);
    scene.views = {camera("main", {0, 0, 5})};
    scene.meshes = {quad({0, 0, 0})};
    BspTree tree;
    tree.split(0, 2, 0.5f);
    tree.addTriangle(triangle({-1, -1, 1}, {1, -1, 1}, {0, 1, 1}));
    scene.trees = {tree};
}

// Lights, a textured material, animated camera, light and mesh.
void animated(Scene& scene) {
    Light sun;
    sun.kind = 3;
    sun.diffuse = {1, 1, 1};
    sun.transform.rotation.animated = true;
    sun.transform.rotation.keys = {{0, {1, 0, 0, 0}}, {2, {0.7071068f, 0.7071068f, 0, 0}}};
    Light lamp;
    lamp.transform.position.value = {0, 3, 3};
    scene.lights = {sun, lamp};
    Material textured;
    textured.texture = 0;
    scene.materials = {textured, Material()};
    scene.textureNames = {"wall.png"};
    View view = camera("fly", {0, 0, 8});
    view.fieldOfView.animated = true;
    view.fieldOfView.keys = {{0, 0.8f}, {1, 1.0f}, {3, 0.6f}};
    view.transform.position.animated = true;
    view.transform.position.keys = {{0, {0, 0, 8}}, {4, {2, 1, 6}}};
    scene.views = {view, camera("still", {3, 3, 3})};
    Mesh spinning = quad({0, 0, -2});
    spinning.transform.scale.animated = true;
    spinning.transform.scale.keys = {{0, {1, 1, 1}}, {1, {2, 2, 2}}};
    spinning.faces[1].material = 1;
    scene.meshes = {spinning, quad({0, 0, 0})};
    scene.trees = {BspTree()};
}

// A tree a few levels deep across all three axes.
void deepTree(Scene& scene) {
    scene.materials.resize(1);
    scene.views = {camera("main", {0, 0, 5})};
    BspTree tree;
    tree.split(0, 0, 0.0f);
    tree.split(tree.nodes[0].lower, 1, 0.0f);
    tree.split(tree.nodes[0].upper, 2, 0.0f);
    tree.split(tree.nodes[tree.nodes[0].lower].upper, 0, -0.5f);
    tree.addTriangle(triangle({-1, -1, -1}, {1, 1, -1}, {-1, 1, 1}));
    tree.addTriangle(triangle({-2, 0.5f, 0}, {-1, 0.5f, 0}, {-1, 2, 0}));
    tree.vectors = {{0, 0, 1}};
    tree.transform.scale.value = {2, 2, 2};
    scene.trees = {tree};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_scene_corpus DIR\n");
        return 2;
    }
    const struct {
        const char* name;
        void (*make)(Scene&);
    } scenes[] = {{"empty.scn", empty},
                  {"static-quad.scn", staticQuad},
                  {"animated.scn", animated},
                  {"deep-tree.scn", deepTree}};
    for (const auto& entry : scenes) {
        Scene scene;
        entry.make(scene);
        const std::vector<std::uint8_t> bytes = writeScene(scene);
        std::ofstream out(std::string(argv[1]) + "/" + entry.name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!out) return 1;
    }
    return 0;
}
