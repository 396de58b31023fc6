// The face-adjacency rule in its plain pairwise form, O(F^2): every face
// against every later face, in order. The reference that the fast build must
// agree with exactly (tests), and the baseline it is timed against (bench).
#pragma once

#include "scene/Scene.h"
#include "scene/SceneTrees.h"

#include <utility>

namespace pairwise {

inline bool same(Vec3 a, Vec3 b) {
    return lengthSquared(a - b) < kAdjacencyMatchDistanceSquared;
}

inline void plane(Mesh& mesh, Face& face) {
    const Vec3 p0 = mesh.positions[face.position[0]];
    const Vec3 p1 = mesh.positions[face.position[1]];
    const Vec3 p2 = mesh.positions[face.position[2]];
    face.planeNormal = normalized(cross(p1 - p0, p2 - p0));
    face.planeOffset = -dot(face.planeNormal, p0);
}

inline void pairwiseAdjacency(Mesh& mesh) {
    for (Face& face : mesh.faces) face.neighbour = {-1, -1, -1};
    const int count = static_cast<int>(mesh.faces.size());
    for (int i = 0; i < count; ++i) {
        Face& fi = mesh.faces[i];
        plane(mesh, fi);
        for (int l = i + 1; l < count; ++l) {
            Face& fl = mesh.faces[l];
            for (int m = 0; m < 3; ++m) {
                if (fi.neighbour[m] != -1) continue;
                for (int f = 0; f < 3; ++f) {
                    const Vec3 a0 = mesh.positions[fi.position[m]];
                    const Vec3 a1 = mesh.positions[fi.position[(m + 1) % 3]];
                    const Vec3 b0 = mesh.positions[fl.position[f]];
                    const Vec3 b1 = mesh.positions[fl.position[(f + 1) % 3]];
                    if (same(b1, a0) && same(b0, a1)) {
                        fi.neighbour[m] = l;
                        fl.neighbour[f] = i;
                    } else if (same(b0, a0) && same(b1, a1)) {
                        std::swap(fl.position[1], fl.position[2]);
                        plane(mesh, fl);
                        fi.neighbour[m] = l;
                        fl.neighbour[2 - f] = i;  // edge f, reversed by the exchange
                    }
                }
            }
        }
    }
}

}  // namespace pairwise
