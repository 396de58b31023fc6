// The model library's vectors, matrices, colours and animation channels in
// the player's terms.
#pragma once

#include "scene/Scene.h"

#include <assimp/anim.h>
#include <assimp/matrix4x4.h>
#include <assimp/quaternion.h>
#include <assimp/types.h>

Vec3 toVec3(const aiVector3D& v);
Colour toColour(const aiColor3D& c);

// The player's rotation track turns by the transpose of the stored
// quaternion's matrix, so it stores the conjugate of the rotation meant.
Quat playerRotation(const aiQuaternion& q);

// Colours of lights brighter than 1 (models that carry intensity in the
// colour) keep their hue at full strength.
Colour limited(const aiColor3D& c);

// The rotation that turns local -z onto `forward` and local +y towards `up`.
Quat lookRotation(Vec3 forward, Vec3 up);

Vec3 transformPoint(const aiMatrix4x4& m, const aiVector3D& p);
Vec3 transformDirection(const aiMatrix4x4& m, const aiVector3D& d);

// Whether the two matrices agree to 1e-4 of their largest entry.
bool sameMatrix(const aiMatrix4x4& a, const aiMatrix4x4& b);

// A node's local matrix at `ticks` from its animation channel: linear
// between keys (spherical for rotations), held outside them; the parts the
// channel does not key come from `rest`.
aiMatrix4x4 channelAt(const aiNodeAnim& channel, const aiMatrix4x4& rest, double ticks);

// Appends a rotation key on the side of the previous key's hemisphere, so
// the spherical blend between them takes the short way.
void appendRotation(RotationTrack& track, float time, Quat q);
