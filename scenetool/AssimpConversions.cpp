#include "AssimpConversions.h"

#include <algorithm>
#include <cmath>

namespace {

// The value of a key list at `ticks`: linear between keys, held outside.
template <typename KeyType, typename Blend>
auto keyAt(const KeyType* keys, unsigned count, double ticks, Blend blend)
    -> decltype(keys[0].mValue) {
    if (count == 1 || ticks <= keys[0].mTime) return keys[0].mValue;
    for (unsigned i = 1; i < count; ++i)
        if (ticks < keys[i].mTime) {
            const double span = keys[i].mTime - keys[i - 1].mTime;
            const float f = span > 0.0 ? float((ticks - keys[i - 1].mTime) / span) : 1.0f;
            return blend(keys[i - 1].mValue, keys[i].mValue, f);
        }
    return keys[count - 1].mValue;
}

}  // namespace

Vec3 toVec3(const aiVector3D& v) {
    return {v.x, v.y, v.z};
}
Colour toColour(const aiColor3D& c) {
    return {c.r, c.g, c.b};
}

Quat playerRotation(const aiQuaternion& q) {
    return {q.w, -q.x, -q.y, -q.z};
}

Colour limited(const aiColor3D& c) {
    const float top = std::max({c.r, c.g, c.b});
    if (top <= 1.0f) return toColour(c);
    return {c.r / top, c.g / top, c.b / top};
}

Quat lookRotation(Vec3 forward, Vec3 up) {
    forward = normalized(forward);
    if (lengthSquared(cross(forward, up)) < 1e-8f)
        up = std::fabs(forward.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{0, 0, 1};
    const Vec3 right = normalized(cross(forward, up));
    const Vec3 trueUp = cross(right, forward);
    const aiMatrix3x3 frame(right.x, trueUp.x, -forward.x, right.y, trueUp.y, -forward.y, right.z,
                            trueUp.z, -forward.z);
    return playerRotation(aiQuaternion(frame));
}

Vec3 transformPoint(const aiMatrix4x4& m, const aiVector3D& p) {
    return toVec3(m * p);
}
Vec3 transformDirection(const aiMatrix4x4& m, const aiVector3D& d) {
    return toVec3(aiMatrix3x3(m) * d);
}

bool sameMatrix(const aiMatrix4x4& a, const aiMatrix4x4& b) {
    float largest = 1e-6f;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) largest = std::max(largest, std::fabs(a[r][c]));
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (std::fabs(a[r][c] - b[r][c]) > 1e-4f * largest) return false;
    return true;
}

aiMatrix4x4 channelAt(const aiNodeAnim& channel, const aiMatrix4x4& rest, double ticks) {
    aiVector3D scale, position;
    aiQuaternion rotation;
    rest.Decompose(scale, rotation, position);
    const auto lerp = [](const aiVector3D& a, const aiVector3D& b, float f) {
        return a + (b - a) * f;
    };
    if (channel.mNumPositionKeys > 0)
        position = keyAt(channel.mPositionKeys, channel.mNumPositionKeys, ticks, lerp);
    if (channel.mNumScalingKeys > 0)
        scale = keyAt(channel.mScalingKeys, channel.mNumScalingKeys, ticks, lerp);
    if (channel.mNumRotationKeys > 0)
        rotation = keyAt(channel.mRotationKeys, channel.mNumRotationKeys, ticks,
                         [](const aiQuaternion& a, const aiQuaternion& b, float f) {
                             aiQuaternion out;
                             aiQuaternion::Interpolate(out, a, b, f);
                             return out.Normalize();
                         });
    return aiMatrix4x4(scale, rotation, position);
}

void appendRotation(RotationTrack& track, float time, Quat q) {
    if (!track.keys.empty() && dot(track.keys.back().value, q) < 0.0f) q = -q;
    track.keys.push_back({time, q});
    track.animated = true;
}
