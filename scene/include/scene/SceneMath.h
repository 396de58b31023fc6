// The small vector, quaternion and matrix toolkit of the 3D scenes. Single
// precision throughout; matrices in GL column order (element 4 * column + row
// for 4x4, 3 * column + row for 3x3), so they can be handed to GL as they are.
#pragma once

#include <cmath>

struct Vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;

    // Component by axis number: 0 x, 1 y, 2 z.
    float operator[](int axis) const { return axis == 0 ? x : axis == 1 ? y : z; }
    float& operator[](int axis) { return axis == 0 ? x : axis == 1 ? y : z; }
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator-(Vec3 a) {
    return {-a.x, -a.y, -a.z};
}
inline Vec3 operator*(float s, Vec3 a) {
    return {s * a.x, s * a.y, s * a.z};
}
inline bool operator==(Vec3 a, Vec3 b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
inline float dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float lengthSquared(Vec3 a) {
    return dot(a, a);
}
// `a` scaled to length 1; a zero vector stays zero.
Vec3 normalized(Vec3 a);

// A texture coordinate: (0, 0) is the picture's lower left corner, (1, 1)
// its upper right.
struct TexCoord {
    float u = 0.0f, v = 0.0f;
};

// w is the scalar part (the cosine of half the rotation angle for a unit
// quaternion). Quaternions are used as stored: nothing normalises them.
struct Quat {
    float w = 1.0f, x = 0.0f, y = 0.0f, z = 0.0f;
};

// Hamilton product p x q.
Quat operator*(const Quat& p, const Quat& q);
inline Quat operator-(const Quat& q) {
    return {-q.w, -q.x, -q.y, -q.z};
}
// Exact component-by-component equality.
inline bool operator==(const Quat& a, const Quat& b) {
    return a.w == b.w && a.x == b.x && a.y == b.y && a.z == b.z;
}
inline float dot(const Quat& a, const Quat& b) {
    return a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
}
// w = cos(angle / 2), (x, y, z) = sin(angle / 2) axis.
Quat quatFromAxisAngle(Vec3 axis, float angle);

struct Mat3 {
    float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};  // identity

    float at(int row, int column) const { return m[3 * column + row]; }
    float& at(int row, int column) { return m[3 * column + row]; }
};

struct Mat4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};  // identity

    float at(int row, int column) const { return m[4 * column + row]; }
    float& at(int row, int column) { return m[4 * column + row]; }
};

// a x b.
Mat4 operator*(const Mat4& a, const Mat4& b);
Mat4 transposed(const Mat4& a);
Mat3 transposed(const Mat3& a);
// The 3x3 matrix extended to 4x4 (no translation, element 15 = 1).
Mat4 extended(const Mat3& a);
// The upper 3x3 part of `a` times v: the linear part, no translation.
Vec3 linearTimes(const Mat4& a, Vec3 v);
Vec3 operator*(const Mat3& a, Vec3 v);
