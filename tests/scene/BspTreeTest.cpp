// BSP trees built in code: where insertion lists a triangle, what the ray
// query counts as a hit (strict interval ends, parallel and edge-on rays,
// the tree's own transform, deep trees), the scene-wide query's tree order,
// and the post-load pass that fills the trees from the meshes.
#include "scene/BspTree.h"
#include "scene/Scene.h"
#include "scene/SceneTrees.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

BspTriangle triangle(Vec3 c0, Vec3 c1, Vec3 c2) {
    return triangleThrough(c0, c1, c2);
}

// A large triangle across the plane x = c, covering y and z from -10 to 20.
BspTriangle wallAtX(float c) {
    return triangle({c, -10, -10}, {c, 30, -10}, {c, -10, 30});
}
// The same across z = c.
BspTriangle wallAtZ(float c) {
    return triangle({-10, -10, c}, {30, -10, c}, {-10, 30, c});
}

// A box well beyond the triangles. The query's interval ends are strict and
// start at the box faces, so a triangle lying in a face of its tight box is
// not found by a ray that meets it there; most tests are not about that.
void openBox(BspTree& tree) {
    tree.boxMin = {-200, -200, -200};
    tree.boxMax = {200, 200, 200};
}

const std::vector<std::int32_t>& leafOf(const BspTree& tree, std::int32_t node) {
    static const std::vector<std::int32_t> none;
    const std::int32_t leaf = tree.nodes[node].leaf;
    return leaf < 0 ? none : tree.leaves[leaf].triangles;
}

bool hits(const BspTree& tree, Vec3 origin, Vec3 direction, float tmin, float tmax,
          BspHit* out = nullptr) {
    BspHit hit;
    const bool found = tree.query(makeRay(origin, direction), tmin, tmax, hit);
    if (out) *out = hit;
    return found;
}

}  // namespace

TEST(BspTriangle, ProjectionAxesDropTheDominantAxisWithItsTieRules) {
    struct Case {
        Vec3 normal;
        int a, b;
    };
    const Case cases[] = {
        {{1, 0, 0}, 1, 2},  {{0, -1, 0}, 0, 2}, {{0, 0, 1}, 0, 1},
        {{-3, 2, 1}, 1, 2}, {{1, 1, 0}, 0, 2},  // x = y: y wins
        {{1, 0, 1}, 0, 1},                      // x = z: z wins
        {{0, 1, 1}, 0, 2},                      // y = z: y wins
        {{1, 1, 1}, 0, 2},  {{2, 1, 2}, 0, 1},  {{1, -2, 2}, 0, 2},
    };
    for (const Case& c : cases) {
        BspTriangle tri;
        tri.normal = c.normal;
        tri.axisA = 7;  // whatever the file said
        prepareTriangle(tri);
        EXPECT_EQ(tri.axisA, c.a) << c.normal.x << " " << c.normal.y << " " << c.normal.z;
        EXPECT_EQ(tri.axisB, c.b) << c.normal.x << " " << c.normal.y << " " << c.normal.z;
    }
    BspTriangle tri;
    tri.normal = {0, 0, 1};
    tri.corner0 = {4, 4, 5};
    prepareTriangle(tri);
    EXPECT_EQ(tri.planeConstant, -5.0f);
}

TEST(BspTriangle, RayReciprocalOfZeroIsLarge) {
    const Ray ray = makeRay({1, 2, 3}, {2.0f, 0.0f, -0.0f});
    EXPECT_EQ(ray.reciprocal.x, 0.5f);
    EXPECT_EQ(ray.reciprocal.y, 1e20f);
    EXPECT_EQ(ray.reciprocal.z, 1e20f);
}

TEST(BspInsert, TouchingOrCrossingTheSplitGoesIntoBothChildren) {
    BspTree tree;
    tree.split(0, 0, 0.0f);  // across x at 0
    const std::int32_t lower = tree.nodes[0].lower, upper = tree.nodes[0].upper;

    tree.addTriangle(triangle({-3, 0, 0}, {-1, 0, 0}, {-2, 1, 0}));    // 0: below
    tree.addTriangle(triangle({1, 0, 0}, {3, 0, 0}, {2, 1, 0}));       // 1: above
    tree.addTriangle(triangle({0, 0, 0}, {-1, 0, 0}, {-1, 1, 0}));     // 2: corner on the plane
    tree.addTriangle(triangle({-1, 0, 0}, {1, 0, 0}, {0, 1, 0}));      // 3: crossing
    tree.addTriangle(triangle({1e-30f, 5, 5}, {2, 5, 5}, {2, 6, 5}));  // 4: within the tolerance
    tree.addTriangle(triangle({0, 0, 0}, {0, 1, 0}, {0, 0, 1}));       // 5: in the plane

    EXPECT_EQ(leafOf(tree, lower), (std::vector<std::int32_t>{0, 2, 3, 4, 5}));
    EXPECT_EQ(leafOf(tree, upper), (std::vector<std::int32_t>{1, 2, 3, 4, 5}));
    // The lower leaf received its first triangle first.
    EXPECT_EQ(tree.nodes[lower].leaf, 0);
    EXPECT_EQ(tree.nodes[upper].leaf, 1);
    EXPECT_EQ(tree.depth(), 1);

    // The box starts at the origin and grows by the corners.
    EXPECT_EQ(tree.boxMin, (Vec3{-3, 0, 0}));
    EXPECT_EQ(tree.boxMax, (Vec3{3, 6, 5}));
}

TEST(BspQuery, IntervalEndsAreStrict) {
    BspTree tree;
    tree.addTriangle(wallAtZ(5));
    openBox(tree);
    BspHit hit;
    ASSERT_TRUE(hits(tree, {0, 0, 0}, {0, 0, 1}, 0, 10, &hit));
    EXPECT_FLOAT_EQ(hit.t, 5.0f);
    EXPECT_EQ(hit.triangle, 0);
    EXPECT_FALSE(hits(tree, {0, 0, 0}, {0, 0, 1}, 0, 5));    // exactly at tmax
    EXPECT_FALSE(hits(tree, {0, 0, 0}, {0, 0, 1}, 5, 10));   // exactly at tmin
    EXPECT_FALSE(hits(tree, {0, 0, 0}, {0, 0, -1}, 0, 10));  // behind the origin

    // Split exactly where the wall lies: it is listed on both sides, and met
    // exactly at the end of the near leaf's interval and at the start of the
    // far one's, so neither counts it.
    BspTree onSplit;
    onSplit.split(0, 2, 5.0f);
    onSplit.addTriangle(wallAtZ(5));
    openBox(onSplit);
    EXPECT_FALSE(hits(onSplit, {0, 0, 0}, {0, 0, 1}, 0, 10));
    BspTree offSplit;
    offSplit.split(0, 2, 4.0f);
    offSplit.addTriangle(wallAtZ(5));
    openBox(offSplit);
    EXPECT_TRUE(hits(offSplit, {0, 0, 0}, {0, 0, 1}, 0, 10));
}

TEST(BspQuery, FrontToBackFindsTheNearSideFirstAndWalksParallelRays) {
    BspTree tree;
    tree.split(0, 0, 0.0f);
    tree.addTriangle(wallAtX(3));   // 0, upper
    tree.addTriangle(wallAtX(-3));  // 1, lower
    tree.addTriangle(wallAtX(1));   // 2, upper, after the far wall in the leaf
    tree.addTriangle(triangle({-4, -1, 6}, {-2, -1, 6}, {-4, 1, 6}));  // 3, lower only
    openBox(tree);
    BspHit hit;
    ASSERT_TRUE(hits(tree, {-5, 0, 0}, {1, 0, 0}, 0, 100, &hit));
    EXPECT_EQ(hit.triangle, 1);
    ASSERT_TRUE(hits(tree, {5, 0, 0}, {-1, 0, 0}, 0, 100, &hit));
    EXPECT_EQ(hit.triangle, 0);
    // Within a leaf the list order decides, not the distance.
    ASSERT_TRUE(hits(tree, {0.5f, 0, 0}, {1, 0, 0}, 0, 100, &hit));
    EXPECT_EQ(hit.triangle, 0);
    EXPECT_FLOAT_EQ(hit.t, 2.5f);
    // A ray parallel to the split (reciprocal 1e20 across it) stays on its
    // own side.
    ASSERT_TRUE(hits(tree, {-3.5f, -0.5f, 0}, {0, 0, 1}, 0, 100, &hit));
    EXPECT_EQ(hit.triangle, 3);
    EXPECT_FALSE(hits(tree, {3.5f, -0.5f, 0}, {0, 0, 1}, 0, 100));
}

TEST(BspQuery, ParallelRayOutsideTheBoxMisses) {
    // A wall across x = 5 that the ray would hit, but a box that leaves out
    // y below 0: the slab test alone must reject the ray.
    BspTree tree;
    tree.addTriangle(wallAtX(5));
    tree.boxMin = {0, 0, -10};
    tree.boxMax = {10, 30, 30};
    EXPECT_FALSE(hits(tree, {0, -5, 0}, {1, 0, 0}, 0, 100));
    EXPECT_TRUE(hits(tree, {0, 5, 0}, {1, 0, 0}, 0, 100));
    // A component below 1e-20 counts as parallel too.
    EXPECT_FALSE(hits(tree, {0, -5, 0}, {1, 1e-25f, 0}, 0, 100));
}

TEST(BspQuery, EdgeOnTriangleIsNeverHit) {
    BspTree tree;
    tree.addTriangle(triangle({0, 0, -1}, {0, 0, 1}, {0, 2, 0}));  // in the plane x = 0
    openBox(tree);
    EXPECT_FALSE(hits(tree, {0, 0.5f, -5}, {0, 0, 1}, 0, 100));
    EXPECT_TRUE(hits(tree, {-5, 0.5f, 0}, {1, 0, 0}, 0, 100));
}

TEST(BspQuery, TreeTransformMapsTheRayAndScalesTheDistances) {
    BspTree tree;
    tree.transform.position.value = {0, 0, 10};
    tree.transform.rotation.value = quatFromAxisAngle({0, 1, 0}, 0.7f);
    tree.transform.scale.value = {2, 2, 2};
    tree.transform.recomputeMatrices();
    tree.addTriangle(triangle({-1, -1, 1}, {1, -1, 1}, {-1, 1, 1}));
    openBox(tree);

    // Aim from the world origin at the triangle's world position.
    const Vec3 target = tree.transform.localToWorld({-0.5f, -0.5f, 1});
    const float distance = std::sqrt(lengthSquared(target));
    const Vec3 direction = (1.0f / distance) * target;
    BspHit hit;
    ASSERT_TRUE(hits(tree, {0, 0, 0}, direction, 0, distance + 0.1f, &hit));
    EXPECT_NEAR(hit.t, distance, 1e-4f);
    EXPECT_NEAR(hit.alpha, 0.25f, 1e-5f);
    EXPECT_NEAR(hit.beta, 0.25f, 1e-5f);
    EXPECT_FALSE(hits(tree, {0, 0, 0}, direction, 0, distance - 0.1f));
}

TEST(BspQuery, TreesDeeperThanTheStackAreWalkedInOrder) {
    // A chain of 120 splits across x, each on the lower side of the last;
    // a ray along +x pushes the far side at every level.
    BspTree tree;
    std::int32_t node = 0;
    for (int k = 0; k < 120; ++k) {
        tree.split(node, 0, 100.0f - 0.5f * k);
        node = tree.nodes[node].lower;
    }
    EXPECT_EQ(tree.depth(), 120);
    tree.addTriangle(wallAtX(150));     // 0: the root's upper side
    tree.addTriangle(wallAtX(70.25f));  // 1: upper side of the split at 70
    tree.addTriangle(wallAtX(20));      // 2: the deepest leaf
    openBox(tree);

    BspHit hit;
    ASSERT_TRUE(hits(tree, {-1000, 0, 0}, {1, 0, 0}, 0, 2000, &hit));
    EXPECT_EQ(hit.triangle, 2);
    EXPECT_FLOAT_EQ(hit.t, 1020.0f);
    ASSERT_TRUE(hits(tree, {-1000, 0, 0}, {1, 0, 0}, 1030, 2000, &hit));
    EXPECT_EQ(hit.triangle, 1);
    ASSERT_TRUE(hits(tree, {-1000, 0, 0}, {1, 0, 0}, 1080, 2000, &hit));
    EXPECT_EQ(hit.triangle, 0);
    EXPECT_FALSE(hits(tree, {-1000, 0, 0}, {1, 0, 0}, 1160, 2000));
}

TEST(SceneQuery, FirstTreeWithAHitAnswersAndLightSegmentsStopShortOfTheCamera) {
    Scene scene;
    scene.trees.resize(2);
    scene.trees[0].addTriangle(wallAtZ(8));
    scene.trees[1].addTriangle(wallAtZ(2));  // nearer, but in a later tree
    openBox(scene.trees[0]);
    openBox(scene.trees[1]);

    const Vec3 light{0, 0, 0}, direction{0, 0, 1};
    BspHit hit;
    ASSERT_TRUE(queryScene(scene, makeRay(light, direction), 1e-20f, 10 - 0.001f, hit));
    EXPECT_EQ(hit.tree, 0);
    EXPECT_FLOAT_EQ(hit.t, 8.0f);

    // A camera at z = 5: only the wall at 2 lies between it and the light.
    ASSERT_TRUE(queryScene(scene, makeRay(light, direction), 1e-20f, 5 - 0.001f, hit));
    EXPECT_EQ(hit.tree, 1);
    // A camera at z = 1.9995: the wall behind it is beyond the segment.
    EXPECT_FALSE(queryScene(scene, makeRay(light, direction), 1e-20f, 1.9995f - 0.001f, hit));
}

namespace {

// A unit square in the plane z = 0 as two faces, normals 0 and 1.
Mesh squareMesh() {
    Mesh mesh;
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    mesh.normals = {{0, 0, 1}, {0, 1, 0}};
    Face a, b;
    a.position = {0, 1, 2};
    b.position = {0, 2, 3};
    a.normal = {0, 0, 1};
    b.normal = {1, 1, 0};
    mesh.faces = {a, b};
    return mesh;
}

}  // namespace

TEST(SceneTrees, StaticMeshesGoIntoTreeZeroInWorldCoordinates) {
    Scene scene;
    scene.trees[0].vectors = {{9, 9, 9}, {8, 8, 8}};
    scene.meshes.push_back(squareMesh());
    Transform& t = scene.meshes[0].transform;
    t.position.value = {5, 0, 0};
    t.rotation.value = quatFromAxisAngle({0, 0, 1}, 1.5707964f);
    t.recomputeMatrices();
    buildSceneTrees(scene);

    ASSERT_EQ(scene.trees.size(), 1u);
    const BspTree& tree = scene.trees[0];
    ASSERT_EQ(tree.triangles.size(), 2u);
    const BspTriangle& tri = tree.triangles[1];
    EXPECT_EQ(tri.corner0, t.localToWorld({0, 0, 0}));
    EXPECT_EQ(tri.edge2, t.localToWorld({0, 1, 0}) - tri.corner0);
    EXPECT_EQ(tri.vectorIndex[0], 3);  // offset by the tree's two vectors
    ASSERT_EQ(tree.vectors.size(), 4u);
    EXPECT_EQ(tree.vectors[3], t.normalToWorld({0, 1, 0}));
    // The face planes were built on the way.
    EXPECT_EQ(scene.meshes[0].faces[0].planeNormal, (Vec3{0, 0, 1}));

    openBox(scene.trees[0]);  // the square's box is flat
    BspHit hit;
    const Vec3 up{0, 0, 3};
    EXPECT_TRUE(
        queryScene(scene, makeRay(t.localToWorld({0.25f, 0.5f, 0}) + up, {0, 0, -1}), 0, 10, hit));
    EXPECT_FALSE(
        queryScene(scene, makeRay(t.localToWorld({-0.25f, 0.5f, 0}) + up, {0, 0, -1}), 0, 10, hit));
}

TEST(SceneTrees, AnimatedMeshGetsItsOwnTreeAfterAnEmptyStaticTree) {
    Scene scene;
    scene.trees.clear();  // the file had no tree
    scene.meshes.push_back(squareMesh());
    scene.meshes.push_back(squareMesh());
    Mesh& animated = scene.meshes[0];
    animated.transform.position = {{0, 0, 4}, true, {{0.0f, {0, 0, 4}}, {1.0f, {0, 0, 9}}}};
    animated.transform.recomputeMatrices();
    scene.meshes[1].transform.position.value = {0, 0, 2};
    scene.meshes[1].transform.recomputeMatrices();
    buildSceneTrees(scene);

    ASSERT_EQ(scene.trees.size(), 2u);
    const BspTree& own = scene.trees[1];
    EXPECT_EQ(own.nodes.size(), 1u);
    ASSERT_EQ(own.leaves.size(), 1u);
    EXPECT_EQ(own.leaves[0].triangles, (std::vector<std::int32_t>{0, 1}));
    EXPECT_EQ(own.triangles[0].corner0, (Vec3{0, 0, 0}));  // mesh coordinates
    EXPECT_EQ(own.transform.position.value, (Vec3{0, 0, 4}));
    EXPECT_EQ(own.vectors.size(), 2u);
    EXPECT_EQ(scene.trees[0].triangles[0].corner0, (Vec3{0, 0, 2}));  // world

    openBox(scene.trees[0]);
    openBox(scene.trees[1]);
    BspHit hit;
    ASSERT_TRUE(queryScene(scene, makeRay({0.5f, 0.25f, 10}, {0, 0, -1}), 0, 100, hit));
    EXPECT_EQ(hit.tree, 0);
    EXPECT_FLOAT_EQ(hit.t, 8.0f);
    ASSERT_TRUE(queryScene(scene, makeRay({0.5f, 0.25f, 10}, {0, 0, -1}), 0, 7.9f, hit));
    EXPECT_EQ(hit.tree, 1);
    EXPECT_FLOAT_EQ(hit.t, 6.0f);

    // Only animated meshes and no tree: no empty tree 0.
    Scene animatedOnly;
    animatedOnly.trees.clear();
    animatedOnly.meshes.push_back(scene.meshes[0]);
    buildSceneTrees(animatedOnly);
    EXPECT_EQ(animatedOnly.trees.size(), 1u);
    EXPECT_EQ(animatedOnly.trees[0].triangles.size(), 2u);
}
