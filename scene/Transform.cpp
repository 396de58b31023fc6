#include "scene/Transform.h"

#include <cmath>

namespace {

// The smallest index i >= 1 whose key time is not less than t, for a t past
// the first key; keys.size() when t is past the last key too.
template <typename Value>
std::size_t keyAfter(const std::vector<Key<Value>>& keys, float t) {
    std::size_t i = 1;
    while (i < keys.size() && keys[i].time < t) ++i;
    return i;
}

float lerp(float a, float b, float h) { return (1.0f - h) * a + h * b; }

Vec3 blend(Vec3 a, Vec3 b, float h) { return {lerp(a.x, b.x, h), lerp(a.y, b.y, h), lerp(a.z, b.z, h)}; }
float blend(float a, float b, float h) { return lerp(a, b, h); }

// The smoothstep of vectors and scalars: zero slope at every key.
template <typename Value>
bool sampleEased(KeyframeTrack<Value>& track, float t) {
    if (!track.isAnimated()) return false;
    const auto& keys = track.keys;
    if (t <= keys.front().time) {
        track.value = keys.front().value;
        return true;
    }
    const std::size_t i = keyAfter(keys, t);
    if (i == keys.size()) {
        track.value = keys.back().value;
        return true;
    }
    const float span = keys[i].time - keys[i - 1].time;
    // Keys at the same time: the later one holds from that time on.
    if (!(span > 0.0f)) {
        track.value = keys[i].value;
        return true;
    }
    const float s = (t - keys[i - 1].time) / span;
    const float h = s * s * (3.0f - 2.0f * s);
    track.value = blend(keys[i - 1].value, keys[i].value, h);
    return true;
}

}  // namespace

bool sampleTrack(VectorTrack& track, float t) { return sampleEased(track, t); }
bool sampleTrack(ScalarTrack& track, float t) { return sampleEased(track, t); }

bool sampleTrack(RotationTrack& track, float t) {
    if (!track.isAnimated()) return false;
    const auto& keys = track.keys;
    if (t <= keys.front().time) {
        track.value = keys.front().value;
        return true;
    }
    const std::size_t i = keyAfter(keys, t);
    if (i == keys.size()) {
        track.value = keys.back().value;
        return true;
    }
    Quat q0 = keys[i - 1].value;
    Quat q1 = keys[i].value;
    if (q0.w < 0.0f) q0 = -q0;
    if (q1.w < 0.0f) q1 = -q1;
    if (q0 == q1) {
        track.value = q0;
        return true;
    }
    const float span = keys[i].time - keys[i - 1].time;
    if (!(span > 0.0f)) {
        track.value = keys[i].value;
        return true;
    }
    float c = dot(q0, q1);
    if (c < 0.0f) {
        q1 = -q1;
        c = -c;
    }
    const float u = (t - keys[i - 1].time) / span;
    const float v = 1.0f - u;
    float uWeight = u, vWeight = v;
    if (1.0f - c > 0.0f) {
        const float g = std::acos(c);
        const float sinG = std::sin(g);
        uWeight = std::sin(u * g) / sinG;
        vWeight = std::sin(v * g) / sinG;
    }
    track.value = {vWeight * q0.w + uWeight * q1.w, vWeight * q0.x + uWeight * q1.x,
                   vWeight * q0.y + uWeight * q1.y, vWeight * q0.z + uWeight * q1.z};
    return true;
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

Vec3 Transform::localToWorld(Vec3 p) const { return position.value + linearTimes(linear, p); }

Vec3 Transform::worldToLocal(Vec3 q) const { return linearTimes(inverseLinear, q - position.value); }

Vec3 Transform::normalToWorld(Vec3 n) const { return normalMatrix * n; }

void Transform::rayToLocal(Vec3& origin, Vec3& direction) const {
    origin = worldToLocal(origin);
    direction = rotationMatrix * direction;
}
