#include "scene/SceneMath.h"

Vec3 normalized(Vec3 a) {
    const float length = std::sqrt(lengthSquared(a));
    if (length == 0.0f) return a;
    return (1.0f / length) * a;
}

Quat operator*(const Quat& p, const Quat& q) {
    return {p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z,
            p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y,
            p.w * q.y - p.x * q.z + p.y * q.w + p.z * q.x,
            p.w * q.z + p.x * q.y - p.y * q.x + p.z * q.w};
}

Quat quatFromAxisAngle(Vec3 axis, float angle) {
    const float s = std::sin(angle / 2.0f);
    return {std::cos(angle / 2.0f), s * axis.x, s * axis.y, s * axis.z};
}

Mat4 operator*(const Mat4& a, const Mat4& b) {
    Mat4 r;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.at(row, k) * b.at(k, column);
            r.at(row, column) = sum;
        }
    return r;
}

Mat4 transposed(const Mat4& a) {
    Mat4 r;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) r.at(row, column) = a.at(column, row);
    return r;
}

Mat3 transposed(const Mat3& a) {
    Mat3 r;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) r.at(row, column) = a.at(column, row);
    return r;
}

Mat4 extended(const Mat3& a) {
    Mat4 r;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) r.at(row, column) = a.at(row, column);
    return r;
}

Vec3 linearTimes(const Mat4& a, Vec3 v) {
    return {a.at(0, 0) * v.x + a.at(0, 1) * v.y + a.at(0, 2) * v.z,
            a.at(1, 0) * v.x + a.at(1, 1) * v.y + a.at(1, 2) * v.z,
            a.at(2, 0) * v.x + a.at(2, 1) * v.y + a.at(2, 2) * v.z};
}

Vec3 operator*(const Mat3& a, Vec3 v) {
    return {a.at(0, 0) * v.x + a.at(0, 1) * v.y + a.at(0, 2) * v.z,
            a.at(1, 0) * v.x + a.at(1, 1) * v.y + a.at(1, 2) * v.z,
            a.at(2, 0) * v.x + a.at(2, 1) * v.y + a.at(2, 2) * v.z};
}
