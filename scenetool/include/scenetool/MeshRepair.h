// Mending what real models carry into a mesh the player lights and shows as
// the model means it.
#pragma once

#include "scene/Scene.h"

#include <cstddef>

// Replaces every normal that is not finite or has no length with the
// area-weighted mean of the planes of the faces using it (a face plane alone
// where that mean has no length either, (0, 0, 1) where even that fails).
// Faces that name a normal share their position's replacement. Returns how
// many normals were replaced.
std::size_t regenerateBadNormals(Mesh& mesh);

// Whether `mesh` has edges that are not shared, in opposite directions, by
// exactly two of its faces (corners compared by position, so seams where
// texture coordinates split a corner do not count): a sheet, or a body
// with holes, whose inside modelling programs show.
bool isOpen(const Mesh& mesh);

// Whether the face has no area (its corners coincide or lie on one line) or
// none that can be drawn (a corner is not finite).
bool isDegenerate(const Mesh& mesh, const Face& face);

// The other side of `mesh`: the same corners in the opposite winding with
// the normals turned round, so a sheet shows from behind under culling and
// one-sided lighting. It casts no shadow (the front's volume already does).
Mesh backFaces(const Mesh& mesh);
