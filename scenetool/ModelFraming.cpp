#include "scenetool/ModelFraming.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kDegree = 3.14159265f / 180.0f;

bool isFinite(Vec3 p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

}  // namespace

BoundingSphere boundingSphereOf(const std::vector<Vec3>& points) {
    BoundingSphere sphere;
    const auto first = std::find_if(points.begin(), points.end(), isFinite);
    if (first == points.end()) return sphere;
    Vec3 low = *first, high = low;
    for (const Vec3& p : points) {
        if (!isFinite(p)) continue;
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    sphere.centre = 0.5f * (low + high);
    float farthest = 0.0f;
    for (const Vec3& p : points)
        if (isFinite(p)) farthest = std::max(farthest, lengthSquared(p - sphere.centre));
    sphere.radius = std::sqrt(farthest);
    return sphere;
}

float nearPlaneScale(float radius) {
    if (!(radius > 0.0f) || !std::isfinite(radius) || radius >= kSmallestRadius) return 1.0f;
    const float power = std::ceil(std::log10(kSmallestRadius / radius) - 1e-6f);
    float factor = std::pow(10.0f, power);
    if (radius * factor < kSmallestRadius) factor *= 10.0f;  // rounding at the boundary
    return factor;
}

CameraPlacement threeQuarterView(const BoundingSphere& sphere, Vec3 up, Vec3 front,
                                 float verticalFov) {
    const Vec3 right = normalized(cross(up, front));
    const float turn = 35.0f * kDegree, rise = 30.0f * kDegree;
    const Vec3 away = normalized(
        std::cos(rise) * (std::sin(turn) * right + std::cos(turn) * front) + std::sin(rise) * up);
    // The sphere touches the narrower (vertical) half-angle, with a margin.
    const float radius = std::max(sphere.radius, 1e-3f);
    const float distance = 1.08f * radius / std::sin(0.5f * verticalFov);
    CameraPlacement camera;
    camera.position = sphere.centre + distance * away;
    camera.forward = -away;
    camera.up = normalized(cross(cross(camera.forward, up), camera.forward));
    return camera;
}

StudioLights studioLights(const BoundingSphere& sphere, const CameraPlacement& camera) {
    const Vec3 back = -camera.forward;
    const Vec3 right = normalized(cross(camera.forward, camera.up));
    const float reach = 4.0f * std::max(sphere.radius, 1e-3f);
    StudioLights lights;
    lights.key = sphere.centre + reach * normalized(0.9f * camera.up - 0.7f * right + 0.6f * back);
    lights.fill =
        sphere.centre + reach * normalized(0.15f * camera.up + 0.9f * right + 0.5f * back);
    return lights;
}

Vec3 flatModelNormal(const std::vector<Vec3>& points) {
    // The covariance of the points; its eigenvector of the smallest
    // eigenvalue is the plane's normal. Found by power iteration on
    // (trace - covariance), whose largest eigenvector that is.
    double mean[3] = {0, 0, 0};
    std::size_t count = 0;
    for (const Vec3& p : points) {
        if (!isFinite(p)) continue;
        mean[0] += p.x, mean[1] += p.y, mean[2] += p.z;
        ++count;
    }
    if (count < 3) return {0, 0, 0};
    for (double& m : mean) m /= double(count);
    double c[3][3] = {};
    for (const Vec3& p : points) {
        if (!isFinite(p)) continue;
        const double d[3] = {p.x - mean[0], p.y - mean[1], p.z - mean[2]};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) c[i][j] += d[i] * d[j];
    }
    const double trace = c[0][0] + c[1][1] + c[2][2];
    if (!(trace > 0.0) || !std::isfinite(trace)) return {0, 0, 0};
    double v[3] = {0.577, 0.578, 0.579};
    double smallest = 0.0;
    for (int step = 0; step < 200; ++step) {
        double w[3];
        for (int i = 0; i < 3; ++i)
            w[i] = trace * v[i] - (c[i][0] * v[0] + c[i][1] * v[1] + c[i][2] * v[2]);
        const double length = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
        if (!(length > 0.0)) return {0, 0, 0};
        for (int i = 0; i < 3; ++i) v[i] = w[i] / length;
        smallest = trace - length;
    }
    // The spread across the plane against the largest along it (at least
    // half of the rest of the trace).
    const double along = 0.5 * (trace - smallest);
    if (!(along > 0.0) || smallest > 0.05 * 0.05 * along) return {0, 0, 0};
    return normalized(Vec3{float(v[0]), float(v[1]), float(v[2])});
}

CameraPlacement facingFlat(const CameraPlacement& camera, const BoundingSphere& sphere, Vec3 normal,
                           Vec3 up) {
    if (lengthSquared(normal) == 0.0f) return camera;
    const Vec3 away = -camera.forward;
    const float onto = dot(away, normal);
    if (std::fabs(onto) >= std::sin(30.0f * kDegree)) return camera;
    // Towards the side the camera already leans to; from above when edge-on.
    const float side =
        onto != 0.0f ? (onto > 0.0f ? 1.0f : -1.0f) : (dot(normal, up) >= 0.0f ? 1.0f : -1.0f);
    Vec3 along = away - onto * normal;
    if (lengthSquared(along) < 1e-12f) along = normal;
    const Vec3 turned = normalized(std::cos(45.0f * kDegree) * normalized(along) +
                                   std::sin(45.0f * kDegree) * side * normal);
    const float distance = std::sqrt(lengthSquared(camera.position - sphere.centre));
    CameraPlacement result;
    result.position = sphere.centre + distance * turned;
    result.forward = -turned;
    const Vec3 sideways = cross(result.forward, up);
    result.up =
        lengthSquared(sideways) > 1e-8f ? normalized(cross(sideways, result.forward)) : camera.up;
    return result;
}
