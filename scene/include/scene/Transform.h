// Keyframe tracks and the animated local coordinate system that lights,
// views, meshes and BSP trees carry.
#pragma once

#include "scene/SceneMath.h"

#include <vector>

template <typename Value>
struct Key {
    float time = 0.0f;  // seconds on the scene's own clock
    Value value{};
};

// A value with optional keys in ascending time. `value` holds the value read
// from the file until the track is first sampled, the sampled value after.
// A track marked animated but without keys counts as not animated.
template <typename Value>
struct KeyframeTrack {
    Value value{};
    bool animated = false;
    std::vector<Key<Value>> keys;

    bool isAnimated() const { return animated && !keys.empty(); }
};

using VectorTrack = KeyframeTrack<Vec3>;
using RotationTrack = KeyframeTrack<Quat>;
using ScalarTrack = KeyframeTrack<float>;

// Sampling at scene time t; only animated tracks change. Vectors and
// scalars blend with a smoothstep between the keys around t, rotations with
// the spherical blend on the linear time fraction. Before the first key: the
// first key's value; after the last: the last key's. Equal successive key
// times give the later key's value. Each returns whether the track is
// animated (and so was sampled).
bool sampleTrack(VectorTrack& track, float t);
bool sampleTrack(ScalarTrack& track, float t);
bool sampleTrack(RotationTrack& track, float t);

struct Transform {
    // Rotation and scale without translation: Rt x S. A transform rotates
    // by the transpose of its quaternion's matrix (the conjugate rotation).
    Mat4 linear;
    // S^-1 x R, the exact inverse of `linear`.
    Mat4 inverseLinear;
    // Rt: turns normals (no scale).
    Mat3 normalMatrix;
    // R, the rotation matrix of the quaternion as stored.
    Mat3 rotationMatrix;

    VectorTrack position;                              // default (0, 0, 0)
    RotationTrack rotation;                            // default (1, 0, 0, 0)
    VectorTrack scale{{1.0f, 1.0f, 1.0f}, false, {}};  // default (1, 1, 1)

    // True when any of the three tracks is animated.
    bool isAnimated() const;
    // Samples the three tracks at t and recomputes the matrices when any is
    // animated (returns true); otherwise leaves everything as it is (false).
    bool sample(float t);
    // The matrices from the current rotation and scale values.
    void recomputeMatrices();

    // position + linear x p.
    Vec3 localToWorld(Vec3 p) const;
    // inverseLinear x (q - position).
    Vec3 worldToLocal(Vec3 q) const;
    // normalMatrix x n.
    Vec3 normalToWorld(Vec3 n) const;
    // A world ray into local coordinates: the origin by worldToLocal, the
    // direction by the rotation matrix alone (no scale).
    void rayToLocal(Vec3& origin, Vec3& direction) const;
};
