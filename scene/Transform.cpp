#include "scene/Transform.h"

#include <algorithm>
#include <cmath>

namespace {

float lerp(float a, float b, float h) {
    return (1.0f - h) * a + h * b;
}

Vec3 blend(Vec3 a, Vec3 b, float h) {
    return {lerp(a.x, b.x, h), lerp(a.y, b.y, h), lerp(a.z, b.z, h)};
}
float blend(float a, float b, float h) {
    return lerp(a, b, h);
}

// What every track kind shares: before the first key its value, past the
// last key the last value; otherwise `between` blends the two keys around t
// (the first key whose time is not less than t, and the one before it).
// Keys are in ascending time, so the pair is found by binary search: long
// resampled tracks cost little per frame.
template <typename Value, typename Between>
bool sampleKeys(KeyframeTrack<Value>& track, float t, Between between) {
    if (!track.isAnimated()) return false;
    const auto& keys = track.keys;
    if (t <= keys.front().time) {
        track.value = keys.front().value;
        return true;
    }
    const auto after =
        std::lower_bound(keys.begin() + 1, keys.end(), t,
                         [](const Key<Value>& key, float time) { return key.time < time; });
    if (after == keys.end()) {
        track.value = keys.back().value;
        return true;
    }
    track.value = between(*(after - 1), *after, t);
    return true;
}

// The linear time fraction of t between the keys; nothing when they share
// their time (then the later key holds from that time on).
template <typename Value>
bool fractionBetween(const Key<Value>& from, const Key<Value>& to, float t, float& fraction) {
    const float span = to.time - from.time;
    if (!(span > 0.0f)) return false;
    fraction = (t - from.time) / span;
    return true;
}

// The smoothstep of vectors and scalars: zero slope at every key.
template <typename Value>
bool sampleEased(KeyframeTrack<Value>& track, float t) {
    return sampleKeys(track, t, [](const Key<Value>& from, const Key<Value>& to, float at) {
        float s = 0.0f;
        if (!fractionBetween(from, to, at, s)) return to.value;
        return blend(from.value, to.value, s * s * (3.0f - 2.0f * s));
    });
}

// The spherical blend of rotations, on the linear time fraction.
Quat rotationBetween(const Key<Quat>& from, const Key<Quat>& to, float t) {
    Quat q0 = from.value;
    Quat q1 = to.value;
    if (q0.w < 0.0f) q0 = -q0;
    if (q1.w < 0.0f) q1 = -q1;
    if (q0 == q1) return q0;
    float u = 0.0f;
    if (!fractionBetween(from, to, t, u)) return to.value;
    float c = dot(q0, q1);
    if (c < 0.0f) {
        q1 = -q1;
        c = -c;
    }
    const float v = 1.0f - u;
    float uWeight = u, vWeight = v;
    if (1.0f - c > 0.0f) {
        const float g = std::acos(c);
        const float sinG = std::sin(g);
        uWeight = std::sin(u * g) / sinG;
        vWeight = std::sin(v * g) / sinG;
    }
    return {vWeight * q0.w + uWeight * q1.w, vWeight * q0.x + uWeight * q1.x,
            vWeight * q0.y + uWeight * q1.y, vWeight * q0.z + uWeight * q1.z};
}

}  // namespace

bool sampleTrack(VectorTrack& track, float t) {
    return sampleEased(track, t);
}
bool sampleTrack(ScalarTrack& track, float t) {
    return sampleEased(track, t);
}
bool sampleTrack(RotationTrack& track, float t) {
    return sampleKeys(track, t, rotationBetween);
}

bool Transform::isAnimated() const {
    return position.isAnimated() || rotation.isAnimated() || scale.isAnimated();
}

bool Transform::sample(float t) {
    if (!isAnimated()) return false;
    sampleTrack(position, t);
    sampleTrack(rotation, t);
    sampleTrack(scale, t);
    recomputeMatrices();
    return true;
}

void Transform::recomputeMatrices() {
    const Quat& q = rotation.value;
    const float w = q.w, x = q.x, y = q.y, z = q.z;
    Mat3& r = rotationMatrix;
    r.at(0, 0) = 1 - 2 * y * y - 2 * z * z;
    r.at(0, 1) = 2 * x * y - 2 * w * z;
    r.at(0, 2) = 2 * x * z + 2 * w * y;
    r.at(1, 0) = 2 * x * y + 2 * w * z;
    r.at(1, 1) = 1 - 2 * x * x - 2 * z * z;
    r.at(1, 2) = 2 * y * z - 2 * w * x;
    r.at(2, 0) = 2 * x * z - 2 * w * y;
    r.at(2, 1) = 2 * y * z + 2 * w * x;
    r.at(2, 2) = 1 - 2 * x * x - 2 * y * y;
    normalMatrix = transposed(r);

    // linear = Rt x S: column c of Rt scaled by s[c]. inverse = S^-1 x R:
    // row k of R divided by s[k].
    const Vec3 s = scale.value;
    linear = extended(normalMatrix);
    inverseLinear = extended(r);
    for (int k = 0; k < 3; ++k) {
        for (int other = 0; other < 3; ++other) {
            linear.at(other, k) *= s[k];
            inverseLinear.at(k, other) /= s[k];
        }
    }
}

Vec3 Transform::localToWorld(Vec3 p) const {
    return position.value + linearTimes(linear, p);
}

Vec3 Transform::worldToLocal(Vec3 q) const {
    return linearTimes(inverseLinear, q - position.value);
}

Vec3 Transform::normalToWorld(Vec3 n) const {
    return normalMatrix * n;
}

void Transform::rayToLocal(Vec3& origin, Vec3& direction) const {
    origin = worldToLocal(origin);
    direction = rotationMatrix * direction;
}
