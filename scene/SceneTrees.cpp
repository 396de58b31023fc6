#include "scene/SceneTrees.h"

#include "scene/Scene.h"

#include <algorithm>
#include <cstdint>

namespace {

// The low 16 bits, as the triangle record keeps them.
std::int16_t lowBits(std::int64_t index) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(index & 0xFFFF));
}

BspTriangle makeTriangle(Vec3 c0, Vec3 c1, Vec3 c2, const Face& face, std::int64_t vectorOffset) {
    BspTriangle tri = triangleThrough(c0, c1, c2);
    for (int j = 0; j < 3; ++j) tri.vectorIndex[j] = lowBits(face.normal[j] + vectorOffset);
    return tri;
}

// An animated mesh's tree: its triangles in mesh coordinates, placed by a
// copy of the mesh's transform as it stands now (the tree does not follow
// the animation).
BspTree treeOfAnimatedMesh(const Mesh& mesh) {
    BspTree tree;
    tree.transform.position = mesh.transform.position;
    tree.transform.rotation = mesh.transform.rotation;
    tree.transform.scale = mesh.transform.scale;
    tree.transform.recomputeMatrices();
    tree.vectors = mesh.normals;
    for (const Face& face : mesh.faces) {
        const std::vector<Vec3>& p = mesh.positions;
        tree.addTriangle(
            makeTriangle(p[face.position[0]], p[face.position[1]], p[face.position[2]], face, 0));
    }
    return tree;
}

// A static mesh's triangles and normals, in world coordinates, into `tree`.
void mergeStaticMesh(const Mesh& mesh, BspTree& tree) {
    const auto offset = static_cast<std::int64_t>(tree.vectors.size());
    for (const Vec3& n : mesh.normals) tree.vectors.push_back(mesh.transform.normalToWorld(n));
    for (const Face& face : mesh.faces) {
        const Transform& t = mesh.transform;
        const std::vector<Vec3>& p = mesh.positions;
        tree.addTriangle(makeTriangle(t.localToWorld(p[face.position[0]]),
                                      t.localToWorld(p[face.position[1]]),
                                      t.localToWorld(p[face.position[2]]), face, offset));
    }
}

}  // namespace

void buildSceneTrees(Scene& scene) {
    // Made before any animated mesh appends its own tree, which would
    // otherwise become tree 0 and carry the static meshes with its transform.
    const bool anyStatic = std::any_of(scene.meshes.begin(), scene.meshes.end(),
                                       [](const Mesh& mesh) { return !mesh.isAnimated(); });
    if (anyStatic && scene.trees.empty()) scene.trees.emplace_back();

    for (Mesh& mesh : scene.meshes) {
        buildAdjacency(mesh);
        if (mesh.isAnimated())
            scene.trees.push_back(treeOfAnimatedMesh(mesh));
        else
            mergeStaticMesh(mesh, scene.trees[0]);
    }
}

bool queryScene(const Scene& scene, const Ray& ray, float tmin, float tmax, BspHit& hit) {
    for (std::size_t k = 0; k < scene.trees.size(); ++k)
        if (scene.trees[k].query(ray, tmin, tmax, hit)) {
            hit.tree = static_cast<int>(k);
            return true;
        }
    return false;
}
