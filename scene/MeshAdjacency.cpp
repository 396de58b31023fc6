// Neighbouring faces by shared edges. The rule is defined pairwise: face i
// against every later face l, in order, each still-open edge m of i against
// each edge f of l. Only pairs that share a corner position can match, and
// exchanging two corners of a face permutes its corners without changing
// their set, so the faces that can ever match face i are known up front: a
// spatial hash of the corner positions finds them, and the pairwise
// comparison then runs on those faces alone, in ascending order. Every other
// later face would have compared without a match, which changes nothing.
// So would a face that matches fewer than two of face i's corners: an edge
// match needs both its ends.
#include "scene/Scene.h"
#include "scene/SceneTrees.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <tuple>
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
    bool operator<(const Cell& o) const { return std::tie(x, y, z) < std::tie(o.x, o.y, o.z); }
    bool operator<=(const Cell& o) const { return !(o < *this); }
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

// The used positions with finite coordinates, sorted by cell (x, then y,
// then z), and for each of their cells the runs of `sorted` that hold the 27
// cells around it: for fixed x and y offsets the three cells z - 1 .. z + 1
// are one run, so nine runs per cell. Adding an offset keeps the cell order,
// so each of the nine offsets is found for all cells in one forward sweep.
struct Grid {
    std::vector<std::int32_t> cellOfPosition;        // -1: not used, or not finite
    std::vector<std::int32_t> sorted;                // position indices
    std::vector<std::array<std::int32_t, 18>> runs;  // per cell: 9 x [begin, end) into sorted
};

Grid buildGrid(const Mesh& mesh, const Lists& faces) {
    const std::size_t count = mesh.positions.size();
    std::vector<std::pair<Cell, std::int32_t>> entries;
    for (std::size_t p = 0; p < count; ++p) {
        const Vec3 v = mesh.positions[p];
        if (faces.start[p] == faces.start[p + 1] || !isFinite(v)) continue;
        entries.push_back({{cellCoordinate(v.x), cellCoordinate(v.y), cellCoordinate(v.z)},
                           static_cast<std::int32_t>(p)});
    }
    std::sort(entries.begin(), entries.end());

    Grid grid;
    grid.cellOfPosition.assign(count, -1);
    grid.sorted.reserve(entries.size());
    std::vector<Cell> cells;
    std::vector<std::int32_t> cellStart;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        if (k == 0 || cells.back() < entries[k].first) {
            cells.push_back(entries[k].first);
            cellStart.push_back(static_cast<std::int32_t>(k));
        }
        grid.sorted.push_back(entries[k].second);
        grid.cellOfPosition[entries[k].second] = static_cast<std::int32_t>(cells.size() - 1);
    }
    cellStart.push_back(static_cast<std::int32_t>(entries.size()));

    const std::size_t cellCount = cells.size();
    grid.runs.resize(cellCount);
    int run = 0;
    for (std::int64_t dx = -1; dx <= 1; ++dx)
        for (std::int64_t dy = -1; dy <= 1; ++dy, ++run) {
            std::size_t j = 0;
            for (std::size_t c = 0; c < cellCount; ++c) {
                const Cell lo{cells[c].x + dx, cells[c].y + dy, cells[c].z - 1};
                const Cell hi{cells[c].x + dx, cells[c].y + dy, cells[c].z + 1};
                while (j < cellCount && cells[j] < lo) ++j;
                std::size_t end = j;
                while (end < cellCount && cells[end] <= hi) ++end;
                grid.runs[c][2 * run] = cellStart[j];
                grid.runs[c][2 * run + 1] = cellStart[end];
            }
        }
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
    std::vector<std::uint8_t> matchedCorners(mesh.faces.size(), 0);
    std::vector<std::int32_t> candidates;
    for (std::int32_t i = 0; i < faceCount; ++i) {
        Face& face = mesh.faces[i];
        computePlane(mesh, face);
        const auto open = [&face] {
            return face.neighbour[0] == -1 || face.neighbour[1] == -1 || face.neighbour[2] == -1;
        };
        if (!open()) continue;

        // Later faces with corners matching at least two of face i's corners
        // (an edge match needs both ends): which corners of i each matches.
        candidates.clear();
        for (int slot = 0; slot < 3; ++slot) {
            const std::int32_t corner = face.position[slot];
            const std::int32_t cell = grid.cellOfPosition[corner];
            if (cell < 0) continue;  // matches nothing
            const Vec3 v = mesh.positions[corner];
            const std::array<std::int32_t, 18>& runs = grid.runs[cell];
            for (int r = 0; r < 18; r += 2) {
                for (std::int32_t k = runs[r]; k < runs[r + 1]; ++k) {
                    const std::int32_t q = grid.sorted[k];
                    if (!matches(v, mesh.positions[q])) continue;
                    for (std::int32_t j = faces.start[q]; j < faces.start[q + 1]; ++j) {
                        const std::int32_t l = faces.items[j];
                        if (l <= i) continue;
                        if (seenBy[l] != i) {
                            seenBy[l] = i;
                            matchedCorners[l] = 0;
                            candidates.push_back(l);
                        }
                        matchedCorners[l] |= 1u << slot;
                    }
                }
            }
        }
        candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                        [&](std::int32_t l) {
                                            const unsigned m = matchedCorners[l];
                                            return (m & (m - 1)) == 0;  // fewer than two
                                        }),
                         candidates.end());
        std::sort(candidates.begin(), candidates.end());
        for (std::int32_t l : candidates) {
            compareFaces(mesh, i, l);
            if (!open()) break;
        }
    }
}
