// Scene animation without a window: track sampling, the matrices a
// transform derives (and which way it rotates), lights, views, the free camera.
#include "scene/Scene.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kPi = 3.14159265f;

void expectNear(Vec3 actual, Vec3 expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void expectNear(const Quat& actual, const Quat& expected) {
    EXPECT_NEAR(actual.w, expected.w, 1e-6f);
    EXPECT_NEAR(actual.x, expected.x, 1e-6f);
    EXPECT_NEAR(actual.y, expected.y, 1e-6f);
    EXPECT_NEAR(actual.z, expected.z, 1e-6f);
}

VectorTrack vectorKeys(std::initializer_list<Key<Vec3>> keys) {
    VectorTrack track;
    track.animated = true;
    track.keys = keys;
    return track;
}

RotationTrack rotationKeys(std::initializer_list<Key<Quat>> keys) {
    RotationTrack track;
    track.animated = true;
    track.keys = keys;
    return track;
}

}  // namespace

TEST(TrackSampling, VectorsEaseBetweenKeysAndHoldOutside) {
    VectorTrack track = vectorKeys({{0.0f, {0, 0, 0}}, {2.0f, {10, 20, -10}}});
    const struct {
        float t, x;
    } cases[] = {{1.0f, 5.0f}, {0.5f, 1.5625f}, {3.0f, 10.0f}, {-1.0f, 0.0f}, {2.0f, 10.0f}};
    for (const auto& c : cases) {
        ASSERT_TRUE(sampleTrack(track, c.t));
        EXPECT_FLOAT_EQ(track.value.x, c.x) << "t=" << c.t;
        EXPECT_FLOAT_EQ(track.value.y, 2 * c.x) << "t=" << c.t;
    }
    // Equal key times: the later key from that time on, never a division by 0.
    VectorTrack step = vectorKeys({{0.0f, {0, 0, 0}}, {1.0f, {1, 1, 1}}, {1.0f, {5, 5, 5}}});
    sampleTrack(step, 1.0f);
    EXPECT_EQ(step.value, (Vec3{1, 1, 1}));  // t not past the key at 1: its value
    sampleTrack(step, 1.5f);
    EXPECT_EQ(step.value, (Vec3{5, 5, 5}));
    // Animated without keys counts as not animated: the value stays.
    VectorTrack empty;
    empty.animated = true;
    empty.value = {7, 7, 7};
    EXPECT_FALSE(sampleTrack(empty, 1.0f));
    EXPECT_EQ(empty.value, (Vec3{7, 7, 7}));
}

TEST(TrackSampling, RotationsBlendSphericallyOnLinearTime) {
    RotationTrack quarter =
        rotationKeys({{0.0f, {1, 0, 0, 0}}, {1.0f, {0.7071068f, 0, 0, 0.7071068f}}});
    sampleTrack(quarter, 0.5f);
    expectNear(quarter.value, {0.9238795f, 0, 0, 0.3826834f});
    // (1,0,0,0) and (-1,0,0,0) are made equal by the sign step.
    RotationTrack flipped = rotationKeys({{0.0f, {1, 0, 0, 0}}, {1.0f, {-1, 0, 0, 0}}});
    for (float t : {0.25f, 0.5f, 0.75f}) {
        sampleTrack(flipped, t);
        EXPECT_EQ(flipped.value, (Quat{1, 0, 0, 0}));
    }
    // Opposite hemispheres: the shorter way round, by negating the second key.
    RotationTrack shortWay =
        rotationKeys({{0.0f, {0.7071068f, 0, 0.7071068f, 0}}, {1.0f, {0, 0, -1, 0}}});
    sampleTrack(shortWay, 0.0f);
    expectNear(shortWay.value, {0.7071068f, 0, 0.7071068f, 0});
    sampleTrack(shortWay, 1.0f);
    expectNear(shortWay.value, {0, 0, 1, 0});  // at the key: blended, so the sign follows q0
    sampleTrack(shortWay, 2.0f);
    expectNear(shortWay.value, {0, 0, -1, 0});  // past the last key: the key as stored
    sampleTrack(shortWay, 0.999f);
    EXPECT_GT(shortWay.value.y, 0.99f);  // reached through +y, not through w = 1
    // Not normalised: a non-unit key stays as long as it is.
    RotationTrack longKeys = rotationKeys({{0.0f, {2, 0, 0, 0}}, {1.0f, {2, 0, 0, 0}}});
    sampleTrack(longKeys, 0.5f);
    EXPECT_EQ(longKeys.value, (Quat{2, 0, 0, 0}));
}

TEST(Transforms, RotateByTheTransposeOfTheQuaternionsMatrix) {
    // A quarter turn about +z in the usual convention takes +x to +y; a
    // transform turns by the transpose, so it takes +x to -y. Scene tools
    // write the conjugate of their rotations because of this.
    Transform t;
    t.rotation.value = quatFromAxisAngle({0, 0, 1}, kPi / 2);
    t.scale.value = {2, 3, 4};
    t.position.value = {10, 20, 30};
    t.recomputeMatrices();
    expectNear(t.rotationMatrix * Vec3{1, 0, 0}, {0, 1, 0});
    expectNear(t.localToWorld({1, 0, 0}), {10, 18, 30});  // scaled by 2, turned to -y
    expectNear(t.localToWorld({0, 1, 0}), {13, 20, 30});  // scaled by 3, turned to +x
    expectNear(t.normalToWorld({1, 0, 0}), {0, -1, 0});   // no scale for normals
    // worldToLocal undoes localToWorld exactly, scale included.
    const Vec3 p{0.5f, -2.0f, 7.0f};
    expectNear(t.worldToLocal(t.localToWorld(p)), p, 1e-4f);
    const Mat4 product = t.inverseLinear * t.linear;
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(product.m[i], Mat4{}.m[i], 1e-6f) << i;
    // A ray keeps its length: the rotation alone, no scale.
    Vec3 origin = t.localToWorld({1, 1, 1}), direction{0, -1, 0};
    t.rayToLocal(origin, direction);
    expectNear(origin, {1, 1, 1}, 1e-4f);
    expectNear(direction, {1, 0, 0});
    // Column order: element 4 * column + row, translation-free.
    EXPECT_FLOAT_EQ(t.linear.m[1], -2.0f);  // row 1 of column 0: x goes to -y, times 2
    EXPECT_FLOAT_EQ(t.linear.m[15], 1.0f);
}

TEST(Transforms, SamplingRecomputesOnlyAnimatedTransforms) {
    Transform still;
    still.position.value = {1, 2, 3};
    still.linear.m[0] = 42.0f;  // stays: nothing is animated, nothing recomputed
    EXPECT_FALSE(still.sample(5.0f));
    EXPECT_EQ(still.linear.m[0], 42.0f);
    Transform moving;
    moving.position = vectorKeys({{0.0f, {0, 0, 0}}, {1.0f, {4, 0, 0}}});
    moving.linear.m[0] = 42.0f;
    EXPECT_TRUE(moving.sample(1.0f));
    EXPECT_EQ(moving.position.value, (Vec3{4, 0, 0}));
    EXPECT_EQ(moving.linear.m[0], 1.0f);
}

TEST(SceneObjects, LightsPointAlongTheirLocalMinusZScaled) {
    Light light;
    updateLight(light, 0.0f);
    expectNear(light.direction, {0, 0, -1});
    light.transform.scale.value = {1, 1, 2};
    updateLight(light, 0.0f);
    expectNear(light.direction, {0, 0, -2});
    light.transform.rotation = rotationKeys({{0.0f, quatFromAxisAngle({0, 1, 0}, kPi / 2)}});
    updateLight(light, 1.0f);
    expectNear(light.direction, {2, 0, 0});  // -z turned by the transpose: +x
}

TEST(SceneObjects, FindViewIgnoresCaseAndFallsBackToTheFirst) {
    Scene scene;
    scene.views.resize(3);
    scene.views[1].name = "Orbit";
    scene.views[2].name = "orbit";
    EXPECT_EQ(findView(scene, "ORBIT"), 1);
    EXPECT_EQ(findView(scene, "missing"), 0);
    EXPECT_EQ(findView(scene, ""), 0);
}

TEST(SceneObjects, FreeCameraTurnsAndMovesOnlyWhenOn) {
    Scene scene;
    View& view = scene.views.front();
    view.transform.position.value = {1, 2, 3};
    view.transform.recomputeMatrices();
    FreeCameraKeys keys;
    keys.right = true;
    freeCameraStep(view, 0.5f, keys);  // off: nothing happens
    EXPECT_EQ(view.transform.rotation.value, (Quat{}));
    view.freeCamera = true;
    freeCameraStep(view, 0.5f, keys);  // half a radian of yaw, no move
    expectNear(view.transform.rotation.value, quatFromAxisAngle({0, 1, 0}, 0.5f));
    expectNear(view.transform.position.value, {1, 2, 3});
    // Forward is the camera's local -z: after the yaw, turned by the transpose.
    keys = {};
    keys.forward = true;
    freeCameraStep(view, 0.1f, keys);
    expectNear(view.transform.position.value,
               Vec3{1, 2, 3} + linearTimes(view.transform.linear, {0, 0, -5}));
    EXPECT_NEAR(std::sqrt(lengthSquared(view.transform.position.value - Vec3{1, 2, 3})), 5.0f,
                1e-4f);
    // A free camera is not sampled: its keys no longer move it.
    view.transform.position = vectorKeys({{0.0f, {9, 9, 9}}});
    updateView(view, 1.0f);
    EXPECT_FALSE(view.transform.position.value == (Vec3{9, 9, 9}));
}
