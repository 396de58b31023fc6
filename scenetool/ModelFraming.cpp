#include "scenetool/ModelFraming.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kDegree = 3.14159265f / 180.0f;

}  // namespace

BoundingSphere boundingSphereOf(const std::vector<Vec3>& points)
{
    BoundingSphere sphere;
    if (points.empty()) return sphere;
    Vec3 low = points.front(), high = low;
    for (const Vec3& p : points) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    sphere.centre = 0.5f * (low + high);
    float farthest = 0.0f;
    for (const Vec3& p : points) farthest = std::max(farthest, lengthSquared(p - sphere.centre));
    sphere.radius = std::sqrt(farthest);
    return sphere;
}

float nearPlaneScale(float radius)
{
    if (!(radius > 0.0f) || !std::isfinite(radius) || radius >= kSmallestRadius) return 1.0f;
    const float power = std::ceil(std::log10(kSmallestRadius / radius) - 1e-6f);
    float factor = std::pow(10.0f, power);
    if (radius * factor < kSmallestRadius) factor *= 10.0f;  // rounding at the boundary
    return factor;
}

CameraPlacement threeQuarterView(const BoundingSphere& sphere, Vec3 up, Vec3 front,
                                 float verticalFov)
{
    const Vec3 right = normalized(cross(up, front));
    const float turn = 35.0f * kDegree, rise = 30.0f * kDegree;
    const Vec3 away = normalized(std::cos(rise) * (std::sin(turn) * right + std::cos(turn) * front) +
                                 std::sin(rise) * up);
    // The sphere touches the narrower (vertical) half-angle, with a margin.
    const float radius = std::max(sphere.radius, 1e-3f);
    const float distance = 1.08f * radius / std::sin(0.5f * verticalFov);
    CameraPlacement camera;
    camera.position = sphere.centre + distance * away;
    camera.forward = -away;
    camera.up = normalized(cross(cross(camera.forward, up), camera.forward));
    return camera;
}

StudioLights studioLights(const BoundingSphere& sphere, const CameraPlacement& camera)
{
    const Vec3 back = -camera.forward;
    const Vec3 right = normalized(cross(camera.forward, camera.up));
    const float reach = 4.0f * std::max(sphere.radius, 1e-3f);
    StudioLights lights;
    lights.key = sphere.centre +
                 reach * normalized(0.9f * camera.up - 0.7f * right + 0.6f * back);
    lights.fill = sphere.centre +
                  reach * normalized(0.15f * camera.up + 0.9f * right + 0.5f * back);
    return lights;
}
