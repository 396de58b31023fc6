// 4x4 matrices as the fixed-function pipeline keeps them: column-major
// floats, each operation multiplying on the right. The arithmetic follows
// the order and precision OpenGL drivers use for the same calls (float
// products summed left to right, angles converted through double), so a
// matrix built here equals, bit for bit, the one a driver builds from the
// same calls, and a shader renderer draws what the fixed-function one does.
#pragma once

#include <array>

namespace gfx {

struct Matrix4 {
    std::array<float, 16> m{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};  // identity

    float at(int row, int column) const { return m[column * 4 + row]; }
    bool operator==(const Matrix4& other) const { return m == other.m; }
};

// a * b.
Matrix4 multiply(const Matrix4& a, const Matrix4& b);

// Each replaces `matrix` by matrix * (the named matrix), as the call of the
// same name in the fixed-function API does.
void multiplyBy(Matrix4& matrix, const float* columnMajor);
void translate(Matrix4& matrix, float x, float y, float z);
void scale(Matrix4& matrix, float x, float y, float z);
// Degrees about the axis (x, y, z); an axis shorter than 1e-4 leaves the
// matrix alone, as does an angle of 0.
void rotate(Matrix4& matrix, float degrees, float x, float y, float z);
void ortho(Matrix4& matrix, float left, float right, float bottom, float top, float zNear,
           float zFar);
void frustum(Matrix4& matrix, float left, float right, float bottom, float top, float zNear,
             float zFar);
// A symmetric perspective by the vertical field of view in degrees, worked
// out in double precision as the utility library does; degenerate values
// (no depth range, a zero angle or aspect) leave the matrix alone.
void perspective(Matrix4& matrix, double fovyDegrees, double aspect, double zNear, double zFar);

// matrix * (x, y, z, w).
std::array<float, 4> transform(const Matrix4& matrix, const std::array<float, 4>& v);

}  // namespace gfx
