#include "scenetool/MeshRepair.h"

#include <cmath>
#include <map>
#include <tuple>
#include <vector>

namespace {

bool usable(Vec3 n) {
    return std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z) &&
           lengthSquared(n) > 1e-12f;
}

}  // namespace

std::size_t regenerateBadNormals(Mesh& mesh) {
    std::vector<bool> bad(mesh.normals.size(), false);
    std::size_t count = 0;
    for (std::size_t i = 0; i < mesh.normals.size(); ++i)
        if (!usable(mesh.normals[i])) {
            bad[i] = true;
            ++count;
        }
    if (count == 0) return 0;

    // Area-weighted plane normals gathered per normal slot a face names.
    std::vector<Vec3> sum(mesh.normals.size(), Vec3{0, 0, 0});
    std::vector<Vec3> facePlane(mesh.faces.size(), Vec3{0, 0, 0});
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        const Face& face = mesh.faces[f];
        const Vec3 a = mesh.positions[std::size_t(face.position[0])];
        const Vec3 b = mesh.positions[std::size_t(face.position[1])];
        const Vec3 c = mesh.positions[std::size_t(face.position[2])];
        const Vec3 plane = cross(b - a, c - a);
        if (!usable(plane)) continue;
        facePlane[f] = plane;
        for (std::int32_t slot : face.normal)
            if (bad[std::size_t(slot)]) sum[std::size_t(slot)] = sum[std::size_t(slot)] + plane;
    }
    for (std::size_t i = 0; i < mesh.normals.size(); ++i)
        if (bad[i]) mesh.normals[i] = usable(sum[i]) ? normalized(sum[i]) : Vec3{0, 0, 1};
    // A slot shared by faces facing opposite ways sums to nothing: such
    // faces get a normal of their own from their plane.
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        Face& face = mesh.faces[f];
        for (std::int32_t& slot : face.normal) {
            const std::size_t s = std::size_t(slot);
            if (!bad[s] || usable(sum[s]) || !usable(facePlane[f])) continue;
            slot = std::int32_t(mesh.normals.size());
            mesh.normals.push_back(normalized(facePlane[f]));
            bad.push_back(false);
            sum.push_back(Vec3{0, 0, 0});
        }
    }
    return count;
}

bool isOpen(const Mesh& mesh) {
    // Corners at the same place are one corner.
    std::map<std::tuple<float, float, float>, std::int32_t> placeOf;
    std::vector<std::int32_t> place(mesh.positions.size());
    for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
        const Vec3 p = mesh.positions[i];
        place[i] = placeOf.emplace(std::make_tuple(p.x, p.y, p.z), std::int32_t(placeOf.size()))
                       .first->second;
    }
    // Each directed edge once, and met by its reverse once.
    std::map<std::pair<std::int32_t, std::int32_t>, int> edges;
    for (const Face& face : mesh.faces) {
        if (isDegenerate(mesh, face)) continue;
        for (int k = 0; k < 3; ++k) {
            const std::int32_t a = place[std::size_t(face.position[std::size_t(k)])];
            const std::int32_t b = place[std::size_t(face.position[std::size_t((k + 1) % 3)])];
            if (++edges[{a, b}] > 1) return true;
        }
    }
    for (const auto& [edge, count] : edges)
        if (edges.find({edge.second, edge.first}) == edges.end()) return true;
    return false;
}

bool isDegenerate(const Mesh& mesh, const Face& face) {
    const Vec3 a = mesh.positions[std::size_t(face.position[0])];
    const Vec3 b = mesh.positions[std::size_t(face.position[1])];
    const Vec3 c = mesh.positions[std::size_t(face.position[2])];
    const float area = lengthSquared(cross(b - a, c - a));
    return !(area > 0.0f) || !std::isfinite(area);
}

Mesh backFaces(const Mesh& mesh) {
    Mesh back;
    back.transform = mesh.transform;
    back.positions = mesh.positions;
    back.texCoords = mesh.texCoords;
    back.normals.reserve(mesh.normals.size());
    for (const Vec3& n : mesh.normals) back.normals.push_back(-n);
    back.faces.reserve(mesh.faces.size());
    for (Face face : mesh.faces) {
        std::swap(face.position[1], face.position[2]);
        std::swap(face.texCoord[1], face.texCoord[2]);
        std::swap(face.normal[1], face.normal[2]);
        back.faces.push_back(face);
    }
    back.castsShadows = false;
    return back;
}
