#include "gfx/Matrix.h"

#include <cmath>

namespace gfx {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Every element as row i of a times column j of b, summed left to right.
Matrix4 product(const float* a, const float* b) {
    Matrix4 p;
    for (int i = 0; i < 4; ++i) {
        const float ai0 = a[i], ai1 = a[4 + i], ai2 = a[8 + i], ai3 = a[12 + i];
        for (int j = 0; j < 4; ++j)
            p.m[j * 4 + i] =
                ai0 * b[j * 4] + ai1 * b[j * 4 + 1] + ai2 * b[j * 4 + 2] + ai3 * b[j * 4 + 3];
    }
    return p;
}

float& element(Matrix4& matrix, int row, int column) {
    return matrix.m[column * 4 + row];
}

}  // namespace

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    return product(a.m.data(), b.m.data());
}

void multiplyBy(Matrix4& matrix, const float* columnMajor) {
    matrix = product(matrix.m.data(), columnMajor);
}

void translate(Matrix4& matrix, float x, float y, float z) {
    // Only the last column changes; the others would add exact zeros.
    float* m = matrix.m.data();
    m[12] = m[0] * x + m[4] * y + m[8] * z + m[12];
    m[13] = m[1] * x + m[5] * y + m[9] * z + m[13];
    m[14] = m[2] * x + m[6] * y + m[10] * z + m[14];
    m[15] = m[3] * x + m[7] * y + m[11] * z + m[15];
}

void scale(Matrix4& matrix, float x, float y, float z) {
    float* m = matrix.m.data();
    for (int i = 0; i < 4; ++i) {
        m[i] *= x;
        m[4 + i] *= y;
        m[8 + i] *= z;
    }
}

void rotate(Matrix4& matrix, float degrees, float x, float y, float z) {
    if (degrees == 0.0f) return;
    const float s = std::sin(static_cast<float>(degrees * kPi / 180.0));
    const float c = std::cos(static_cast<float>(degrees * kPi / 180.0));
    Matrix4 r;
    // Rotations about one axis are written out exactly; other axes go
    // through the general formula on the normalised axis.
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        element(r, 0, 0) = c;
        element(r, 1, 1) = c;
        element(r, 0, 1) = z < 0.0f ? s : -s;
        element(r, 1, 0) = z < 0.0f ? -s : s;
    } else if (x == 0.0f && z == 0.0f && y != 0.0f) {
        element(r, 0, 0) = c;
        element(r, 2, 2) = c;
        element(r, 0, 2) = y < 0.0f ? -s : s;
        element(r, 2, 0) = y < 0.0f ? s : -s;
    } else if (y == 0.0f && z == 0.0f && x != 0.0f) {
        element(r, 1, 1) = c;
        element(r, 2, 2) = c;
        element(r, 1, 2) = x < 0.0f ? s : -s;
        element(r, 2, 1) = x < 0.0f ? -s : s;
    } else {
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length <= 1.0e-4f) return;
        x /= length;
        y /= length;
        z /= length;
        const float oneMinusC = 1.0f - c;
        element(r, 0, 0) = (oneMinusC * (x * x)) + c;
        element(r, 0, 1) = (oneMinusC * (x * y)) - z * s;
        element(r, 0, 2) = (oneMinusC * (z * x)) + y * s;
        element(r, 1, 0) = (oneMinusC * (x * y)) + z * s;
        element(r, 1, 1) = (oneMinusC * (y * y)) + c;
        element(r, 1, 2) = (oneMinusC * (y * z)) - x * s;
        element(r, 2, 0) = (oneMinusC * (z * x)) - y * s;
        element(r, 2, 1) = (oneMinusC * (y * z)) + x * s;
        element(r, 2, 2) = (oneMinusC * (z * z)) + c;
    }
    multiplyBy(matrix, r.m.data());
}

void ortho(Matrix4& matrix, float left, float right, float bottom, float top, float zNear,
           float zFar) {
    Matrix4 o;
    element(o, 0, 0) = 2.0f / (right - left);
    element(o, 0, 3) = -(right + left) / (right - left);
    element(o, 1, 1) = 2.0f / (top - bottom);
    element(o, 1, 3) = -(top + bottom) / (top - bottom);
    element(o, 2, 2) = -2.0f / (zFar - zNear);
    element(o, 2, 3) = -(zFar + zNear) / (zFar - zNear);
    multiplyBy(matrix, o.m.data());
}

void frustum(Matrix4& matrix, float left, float right, float bottom, float top, float zNear,
             float zFar) {
    Matrix4 f;
    element(f, 0, 0) = (2.0f * zNear) / (right - left);
    element(f, 1, 1) = (2.0f * zNear) / (top - bottom);
    element(f, 0, 2) = (right + left) / (right - left);
    element(f, 1, 2) = (top + bottom) / (top - bottom);
    element(f, 2, 2) = -(zFar + zNear) / (zFar - zNear);
    element(f, 2, 3) = -(2.0f * zFar * zNear) / (zFar - zNear);
    element(f, 3, 2) = -1.0f;
    element(f, 3, 3) = 0.0f;
    multiplyBy(matrix, f.m.data());
}

void perspective(Matrix4& matrix, double fovyDegrees, double aspect, double zNear, double zFar) {
    const double radians = fovyDegrees / 2 * kPi / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0) return;
    const double cotangent = std::cos(radians) / sine;
    Matrix4 p;
    element(p, 0, 0) = static_cast<float>(cotangent / aspect);
    element(p, 1, 1) = static_cast<float>(cotangent);
    element(p, 2, 2) = static_cast<float>(-(zFar + zNear) / deltaZ);
    element(p, 3, 2) = -1.0f;
    element(p, 2, 3) = static_cast<float>(-2 * zNear * zFar / deltaZ);
    element(p, 3, 3) = 0.0f;
    multiplyBy(matrix, p.m.data());
}

std::array<float, 4> transform(const Matrix4& matrix, const std::array<float, 4>& v) {
    std::array<float, 4> out{};
    for (int i = 0; i < 4; ++i)
        out[i] = matrix.at(i, 0) * v[0] + matrix.at(i, 1) * v[1] + matrix.at(i, 2) * v[2] +
                 matrix.at(i, 3) * v[3];
    return out;
}

}  // namespace gfx
