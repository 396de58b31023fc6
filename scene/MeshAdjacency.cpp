// Neighbouring faces by shared edges. The rule is defined pairwise: face i
// against every later face l, in order, each still-open edge m of i against
// each edge f of l. Only pairs that share a corner position can match, and
// exchanging two corners of a face permutes its corners without changing
// their set, so the faces that can ever match face i are known up front: a
// spatial hash of the corner positions finds them, and the pairwise
// comparison then runs on those faces alone, in ascending order. Every other
// later face would have compared without a match, which changes nothing.
#include "scene/Scene.h"
#include "scene/SceneTrees.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// Larger than the match distance sqrt(0.001) ~ 0.0316 with a margin for
// rounding, so two matching positions lie in the same or adjacent cells.
constexpr double kCellSize = 0.05;
// Cell coordinates are clamped to this magnitude; clamping keeps adjacent
// cells adjacent, and far out distinct floats are too far apart to match.
constexpr double kCellLimit = 1e15;

bool matches(Vec3 a, Vec3 b) {
    return lengthSquared(a - b) < kAdjacencyMatchDistanceSquared;
}

struct Cell {
    std::int64_t x, y, z;
    bool operator==(const Cell& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct CellHash {
    std::size_t operator()(const Cell& c) const {
        std::uint64_t h = static_cast<std::uint64_t>(c.x) * 0x9E3779B97F4A7C15ull;
        h ^= static_cast<std::uint64_t>(c.y) + 0x7F4A7C159E3779B9ull + (h << 6) + (h >> 2);
        h ^= static_cast<std::uint64_t>(c.z) + 0x94D049BB133111EBull + (h << 6) + (h >> 2);
        return static_cast<std::size_t>(h);
    }
};

std::int64_t cellCoordinate(float v) {
    const double c = std::floor(static_cast<double>(v) / kCellSize);
    return static_cast<std::int64_t>(std::clamp(c, -kCellLimit, kCellLimit));
}

bool isFinite(Vec3 p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// A list of lists in two flat arrays: the entries of list k are
// items[start[k] .. start[k + 1]).
struct Lists {
    std::vector<std::int32_t> start;
    std::vector<std::int32_t> items;
};

// Position index -> faces that use it, each face in ascending order (a face
// using a position twice is listed twice; the caller deduplicates).
Lists facesByPosition(const Mesh& mesh) {
    Lists lists;
    lists.start.assign(mesh.positions.size() + 1, 0);
    for (const Face& face : mesh.faces)
        for (std::int32_t p : face.position) ++lists.start[p + 1];
    for (std::size_t k = 1; k < lists.start.size(); ++k) lists.start[k] += lists.start[k - 1];
    lists.items.resize(lists.start.back());
    std::vector<std::int32_t> fill(lists.start.begin(), lists.start.end() - 1);
    for (std::size_t f = 0; f < mesh.faces.size(); ++f)
        for (std::int32_t p : mesh.faces[f].position)
            lists.items[fill[p]++] = static_cast<std::int32_t>(f);
    return lists;
}

// The used positions with finite coordinates, grouped by cell: the cell of
// each position (-1 for the others), the positions of each cell, and each
// cell's non-empty neighbour cells (itself included). Memory stays linear
// however many positions crowd into one cell.
struct Grid {
    std::vector<std::int32_t> cellOfPosition;
    Lists positions;
    Lists neighbours;
};

Grid buildGrid(const Mesh& mesh, const Lists& faces) {
    const std::size_t count = mesh.positions.size();
    Grid grid;
    grid.cellOfPosition.assign(count, -1);
    std::unordered_map<Cell, std::int32_t, CellHash> ids;
    std::vector<Cell> cells;
    for (std::size_t p = 0; p < count; ++p) {
        const Vec3 v = mesh.positions[p];
        if (faces.start[p] == faces.start[p + 1] || !isFinite(v)) continue;
        const Cell c{cellCoordinate(v.x), cellCoordinate(v.y), cellCoordinate(v.z)};
        const auto [it, added] = ids.try_emplace(c, static_cast<std::int32_t>(cells.size()));
        if (added) cells.push_back(c);
        grid.cellOfPosition[p] = it->second;
    }

    grid.positions.start.assign(cells.size() + 1, 0);
    for (std::int32_t c : grid.cellOfPosition)
        if (c >= 0) ++grid.positions.start[c + 1];
    for (std::size_t k = 1; k < grid.positions.start.size(); ++k)
        grid.positions.start[k] += grid.positions.start[k - 1];
    grid.positions.items.resize(grid.positions.start.back());
    std::vector<std::int32_t> fill(grid.positions.start.begin(), grid.positions.start.end() - 1);
    for (std::size_t p = 0; p < count; ++p)
        if (grid.cellOfPosition[p] >= 0)
            grid.positions.items[fill[grid.cellOfPosition[p]]++] = static_cast<std::int32_t>(p);

    grid.neighbours.start.reserve(cells.size() + 1);
    for (const Cell& c : cells) {
        grid.neighbours.start.push_back(static_cast<std::int32_t>(grid.neighbours.items.size()));
        for (std::int64_t dx = -1; dx <= 1; ++dx)
            for (std::int64_t dy = -1; dy <= 1; ++dy)
                for (std::int64_t dz = -1; dz <= 1; ++dz) {
                    const auto found = ids.find({c.x + dx, c.y + dy, c.z + dz});
                    if (found != ids.end()) grid.neighbours.items.push_back(found->second);
                }
    }
    grid.neighbours.start.push_back(static_cast<std::int32_t>(grid.neighbours.items.size()));
    return grid;
}

void computePlane(const Mesh& mesh, Face& face) {
    const Vec3 p0 = mesh.positions[face.position[0]];
    const Vec3 p1 = mesh.positions[face.position[1]];
    const Vec3 p2 = mesh.positions[face.position[2]];
    face.planeNormal = normalized(cross(p1 - p0, p2 - p0));
    face.planeOffset = -dot(face.planeNormal, p0);
}

// The pairwise comparison of face i with one later face l.
void compareFaces(Mesh& mesh, std::int32_t i, std::int32_t l) {
    Face& fi = mesh.faces[i];
    Face& fl = mesh.faces[l];
    const std::vector<Vec3>& p = mesh.positions;
    for (int m = 0; m < 3; ++m) {
        if (fi.neighbour[m] != -1) continue;
        for (int f = 0; f < 3; ++f) {
            const Vec3 a0 = p[fi.position[m]], a1 = p[fi.position[(m + 1) % 3]];
            const Vec3 b0 = p[fl.position[f]], b1 = p[fl.position[(f + 1) % 3]];
            if (matches(b1, a0) && matches(b0, a1)) {
                fi.neighbour[m] = l;
                fl.neighbour[f] = i;
            } else if (matches(b0, a0) && matches(b1, a1)) {
                // Same winding: turn face l over to face the same way. The
                // exchange reverses l's edges: edge f becomes edge 2 - f,
                // and that is where the shared edge now lies.
                std::swap(fl.position[1], fl.position[2]);
                computePlane(mesh, fl);
                fi.neighbour[m] = l;
                fl.neighbour[2 - f] = i;
            }
        }
    }
}

}  // namespace

void buildAdjacency(Mesh& mesh) {
    const auto faceCount = static_cast<std::int32_t>(mesh.faces.size());
    for (Face& face : mesh.faces) face.neighbour = {-1, -1, -1};
    const Lists faces = facesByPosition(mesh);
    const Grid grid = buildGrid(mesh, faces);

    std::vector<std::int32_t> seenBy(mesh.faces.size(), -1);
    std::vector<std::int32_t> candidates;
    for (std::int32_t i = 0; i < faceCount; ++i) {
        Face& face = mesh.faces[i];
        computePlane(mesh, face);
        const auto open = [&face] {
            return face.neighbour[0] == -1 || face.neighbour[1] == -1 || face.neighbour[2] == -1;
        };
        if (!open()) continue;

        // Later faces with a corner matching one of face i's corners.
        candidates.clear();
        for (std::int32_t corner : face.position) {
            const std::int32_t cell = grid.cellOfPosition[corner];
            if (cell < 0) continue;  // matches nothing
            const Vec3 v = mesh.positions[corner];
            for (std::int32_t n = grid.neighbours.start[cell]; n < grid.neighbours.start[cell + 1]; ++n) {
                const std::int32_t other = grid.neighbours.items[n];
                for (std::int32_t k = grid.positions.start[other]; k < grid.positions.start[other + 1]; ++k) {
                    const std::int32_t q = grid.positions.items[k];
                    if (!matches(v, mesh.positions[q])) continue;
                    for (std::int32_t j = faces.start[q]; j < faces.start[q + 1]; ++j) {
                        const std::int32_t l = faces.items[j];
                        if (l > i && seenBy[l] != i) {
                            seenBy[l] = i;
                            candidates.push_back(l);
                        }
                    }
                }
            }
        }
        std::sort(candidates.begin(), candidates.end());
        for (std::int32_t l : candidates) {
            compareFaces(mesh, i, l);
            if (!open()) break;
        }
    }
}
