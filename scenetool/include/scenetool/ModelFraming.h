// Where an imported model stands in front of the player's camera: its
// bounding sphere, the scale that keeps it clear of the near plane, and the
// camera and lights a person would set up for a model that brings none.
#pragma once

#include "scene/SceneMath.h"

#include <vector>

struct BoundingSphere {
    Vec3 centre{0, 0, 0};  // the middle of the bounding box
    float radius = 0.0f;   // the farthest point from the centre
};

// The sphere around the finite ones of `points` (none: radius 0 at the
// origin).
BoundingSphere boundingSphereOf(const std::vector<Vec3>& points);

// The player's projection starts at 1 unit before the camera. A model whose
// radius is below kSmallestRadius is scaled up by the power of ten that
// brings it to at least that (a camera framing it then stands well beyond the
// near plane, and the free camera's 50 units a second do not fly past it in
// a blink); 1 for larger models and for a radius of 0 or not finite.
constexpr float kSmallestRadius = 10.0f;
float nearPlaneScale(float radius);

// A camera at a three-quarter view from above (turned 35 degrees from the
// model's front, 30 degrees up), looking at the sphere's centre from where
// the whole sphere fits `verticalFov` (radians) at an aspect ratio of at
// least 1. `up` is the model's up axis, `front` the axis it faces along.
struct CameraPlacement {
    Vec3 position;
    Vec3 forward;  // unit, towards the centre
    Vec3 up;       // unit, perpendicular to forward
};
CameraPlacement threeQuarterView(const BoundingSphere& sphere, Vec3 up, Vec3 front,
                                 float verticalFov);

// For a flat model (a sign, a leaf, a tile: its points spread less than a
// twentieth as much across its plane's normal as along the plane), the
// normal of that plane; (0, 0, 0) for a model with depth.
Vec3 flatModelNormal(const std::vector<Vec3>& points);

// `camera` turned about the sphere's centre, at the same distance, so that it
// does not look at a flat model along its edge: at least 30 degrees onto
// the plane of `normal`. Unchanged when `normal` is zero or the view is
// already steep enough.
CameraPlacement facingFlat(const CameraPlacement& camera, const BoundingSphere& sphere, Vec3 normal,
                           Vec3 up);

// The key light's and the fill light's positions for `camera` looking at
// `sphere`: the key above and to the left of the camera, the fill low on
// the other side, both 4 radii from the centre.
struct StudioLights {
    Vec3 key, fill;
};
StudioLights studioLights(const BoundingSphere& sphere, const CameraPlacement& camera);
