// Axis-aligned BSP trees of a scene's triangles, for one question: does any
// triangle lie on a ray segment? Built once at load time, never changed after.
//
// Nodes are kept compactly: each interior node links its two children by
// index into `nodes`, the root is nodes[0]. (The scene file numbers nodes as
// a heap, root 1 and children 2i, 2i + 1; the file's pre-order walk maps onto
// these links one to one, and memory stays proportional to the nodes that
// exist however deep a thin tree is.)
#pragma once

#include "scene/SceneMath.h"
#include "scene/Transform.h"

#include <cstdint>
#include <vector>

inline constexpr std::int32_t kBspLeafKind = 3;
// The ray walk keeps at most this many pending subtrees, one per interior
// level on the way down; a tree with more interior levels cannot be walked
// and is refused when read.
inline constexpr int kBspMaxDepth = 50;

struct BspNode {
    float split = 0.0f;                // interior nodes: the splitting coordinate
    std::int32_t kind = kBspLeafKind;  // 0, 1, 2: split across x, y, z; 3: leaf
    std::int32_t leaf = -1;            // leaf nodes: index into leaves; -1 while it has none
    std::int32_t lower = -1;           // interior nodes: child below the split (heap 2i)
    std::int32_t upper = -1;           // interior nodes: child above the split (heap 2i + 1)
};

struct BspLeaf {
    std::vector<std::int32_t> triangles;  // indices into the tree's triangles
};

struct BspTriangle {
    Vec3 normal;
    float planeConstant = 0.0f;  // -(normal . corner0)
    Vec3 corner0;
    Vec3 edge1;  // corner 1 - corner 0
    Vec3 edge2;  // corner 2 - corner 0
    std::int16_t vectorIndex[3] = {0, 0, 0};
    std::uint8_t axisA = 0, axisB = 1;  // the plane the inside test projects onto
};

// Computes the plane constant and the projection axes from the normal and
// corner 0 (the file's axis bytes are replaced).
void prepareTriangle(BspTriangle& triangle);

// The triangle through three corners, ready for queries: its edges, the
// normalised cross product of the edges as its normal, its plane constant
// and projection axes. The vector indices stay 0.
BspTriangle triangleThrough(Vec3 corner0, Vec3 corner1, Vec3 corner2);

// A ray with the component-wise reciprocal of its direction (1e20 where a
// component is 0).
struct Ray {
    Vec3 origin;
    Vec3 direction;
    Vec3 reciprocal;
};
Ray makeRay(Vec3 origin, Vec3 direction);

struct BspHit {
    int tree = -1;
    int triangle = -1;
    float t = 0.0f;  // distance along the ray, world units
    float alpha = 0.0f, beta = 0.0f;
};

class BspTree {
public:
    // One leaf root, no triangles, box (0, 0, 0) to (0, 0, 0).
    BspTree();

    Transform transform;
    std::vector<BspNode> nodes;  // nodes[0] is the root
    std::vector<BspLeaf> leaves;
    std::vector<BspTriangle> triangles;
    std::vector<Vec3> vectors;  // kept for the file; no query reads it
    Vec3 boxMin, boxMax;        // local coordinates

    // Turns leaf node `node` into an interior node splitting across `kind`
    // (0 to 2) at `split`, with two new leaf children appended to `nodes`
    // (references into `nodes` do not survive it). Splits come before the
    // triangles: a leaf's triangle list is not carried into its children.
    void split(std::int32_t node, std::int32_t kind, float split);
    // Appends the triangle, inserts it from the root (into both children
    // when it touches or crosses a split, tolerance 1e-20) and grows the box.
    void addTriangle(const BspTriangle& triangle);

    // The first triangle found front to back with tmin < t < tmax (strict),
    // in world units along the world ray; false when none. Every leaf's own
    // interval is open too, so a triangle met exactly where the ray crosses
    // a split plane or a face of the box is not found.
    bool query(const Ray& worldRay, float tmin, float tmax, BspHit& hit) const;

    // Interior levels on the longest path from the root.
    int depth() const;
};
