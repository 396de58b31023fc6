#include "scene/BspTree.h"

#include <algorithm>
#include <cmath>

namespace {

// Below this magnitude a direction component, a plane distance or a ray's
// approach to a plane counts as zero.
constexpr float kTiny = 1e-20f;
// Stands in for infinity in slab intervals and for the reciprocal of 0.
constexpr float kHuge = 1e20f;

bool isInterior(const BspNode& node) {
    return node.kind >= 0 && node.kind < kBspLeafKind;
}

// The ray (local coordinates) against one triangle: its distance t and the
// barycentric coordinates of the hit. Triangles seen edge-on never hit.
bool hitTriangle(const BspTriangle& tri, const Ray& ray, float& t, float& alpha, float& beta) {
    const float denom = dot(tri.normal, ray.direction);
    if (denom > -kTiny && denom < kTiny) return false;
    t = -(dot(tri.normal, ray.origin) + tri.planeConstant) / denom;
    const int a = tri.axisA, b = tri.axisB;
    const float pa = ray.origin[a] + t * ray.direction[a] - tri.corner0[a];
    const float pb = ray.origin[b] + t * ray.direction[b] - tri.corner0[b];
    const Vec3& e1 = tri.edge1;
    const Vec3& e2 = tri.edge2;
    if (e1[a] != 0.0f) {
        beta = (e1[a] * pb - pa * e1[b]) / (e1[a] * e2[b] - e1[b] * e2[a]);
        if (!(beta >= 0.0f && beta <= 1.0f)) return false;
        alpha = (pa - beta * e2[a]) / e1[a];
    } else {
        beta = pa / e2[a];
        if (!(beta >= 0.0f && beta <= 1.0f)) return false;
        alpha = (pb - beta * e2[b]) / e1[b];
    }
    return alpha >= 0.0f && alpha + beta <= 1.0f;
}

struct WalkEntry {
    float tnear, tfar;
    std::int32_t node;
};

// Front-to-back walk from `node` over (tnear, tfar), with a fixed stack of
// pending far subtrees. Each push happens on a deeper interior level than
// every entry below it, so a tree of at most kBspMaxDepth interior levels
// never fills the stack; for a deeper tree (one built in code, the reader
// refuses them) a full stack walks the near subtree through a nested walk
// with a fresh stack instead, which visits the nodes in the same order.
bool walk(const BspTree& tree, const Ray& ray, std::int32_t node, float tnear, float tfar,
          BspHit& hit) {
    WalkEntry stack[kBspMaxDepth];
    int top = 0;
    for (;;) {
        const BspNode* n = &tree.nodes[node];
        while (isInterior(*n)) {
            const int k = n->kind;
            const float diff = n->split - ray.origin[k];
            const float tsplit = diff * ray.reciprocal[k];
            const std::int32_t nearChild = diff > 0.0f ? n->lower : n->upper;
            const std::int32_t farChild = diff > 0.0f ? n->upper : n->lower;
            if (tsplit > tfar || tsplit < 0.0f) {
                node = nearChild;
            } else if (tsplit < tnear) {
                node = farChild;
            } else if (top < kBspMaxDepth) {
                stack[top++] = {tsplit, tfar, farChild};
                node = nearChild;
                tfar = tsplit;
            } else {
                if (walk(tree, ray, nearChild, tnear, tsplit, hit)) return true;
                node = farChild;
                tnear = tsplit;
            }
            n = &tree.nodes[node];
        }
        if (n->leaf >= 0) {
            for (std::int32_t k : tree.leaves[n->leaf].triangles) {
                float t, alpha, beta;
                if (hitTriangle(tree.triangles[k], ray, t, alpha, beta) && tnear < t && t < tfar) {
                    hit.triangle = k;
                    hit.t = t;
                    hit.alpha = alpha;
                    hit.beta = beta;
                    return true;
                }
            }
        }
        if (top == 0) return false;
        const WalkEntry& e = stack[--top];
        tnear = e.tnear;
        tfar = e.tfar;
        node = e.node;
    }
}

}  // namespace

void prepareTriangle(BspTriangle& tri) {
    tri.planeConstant = -dot(tri.normal, tri.corner0);
    const float nx = std::fabs(tri.normal.x);
    const float ny = std::fabs(tri.normal.y);
    const float nz = std::fabs(tri.normal.z);
    int dominant;
    if (nx > ny)
        dominant = nx > nz ? 0 : 2;
    else
        dominant = nz <= ny ? 1 : 2;
    tri.axisA = dominant == 0 ? 1 : 0;
    tri.axisB = dominant == 2 ? 1 : 2;
}

Ray makeRay(Vec3 origin, Vec3 direction) {
    Ray ray{origin, direction, {}};
    for (int axis = 0; axis < 3; ++axis)
        ray.reciprocal[axis] = direction[axis] == 0.0f ? kHuge : 1.0f / direction[axis];
    return ray;
}

BspTree::BspTree() : nodes(1) {}

void BspTree::split(std::int32_t node, std::int32_t kind, float splitAt) {
    const auto lower = static_cast<std::int32_t>(nodes.size());
    nodes.resize(nodes.size() + 2);
    BspNode& n = nodes[node];
    n.split = splitAt;
    n.kind = kind;
    n.leaf = -1;
    n.lower = lower;
    n.upper = lower + 1;
}

void BspTree::addTriangle(const BspTriangle& triangle) {
    const auto k = static_cast<std::int32_t>(triangles.size());
    triangles.push_back(triangle);

    const Vec3 corners[3] = {triangle.corner0, triangle.corner0 + triangle.edge1,
                             triangle.corner0 + triangle.edge2};
    // Depth first, the lower child before the upper one, so leaves are
    // created (and receive the triangle) in the order of a recursive walk.
    std::vector<std::int32_t> pending{0};
    while (!pending.empty()) {
        const std::int32_t i = pending.back();
        pending.pop_back();
        BspNode& n = nodes[i];
        if (!isInterior(n)) {
            if (n.leaf == -1) {
                n.leaf = static_cast<std::int32_t>(leaves.size());
                leaves.emplace_back();
            }
            leaves[n.leaf].triangles.push_back(k);
            continue;
        }
        bool toLower = false, toUpper = false;
        for (const Vec3& c : corners) {
            const float v = c[n.kind];
            if (!(v > n.split + kTiny)) toLower = true;  // below or on the plane
            if (!(v < n.split - kTiny)) toUpper = true;  // above or on the plane
        }
        if (toUpper) pending.push_back(n.upper);
        if (toLower) pending.push_back(n.lower);
    }

    for (const Vec3& c : corners)
        for (int axis = 0; axis < 3; ++axis) {
            boxMin[axis] = std::min(boxMin[axis], c[axis]);
            boxMax[axis] = std::max(boxMax[axis], c[axis]);
        }
}

bool BspTree::query(const Ray& worldRay, float tmin, float tmax, BspHit& hit) const {
    Vec3 origin = worldRay.origin, direction = worldRay.direction;
    transform.rayToLocal(origin, direction);
    const Ray ray = makeRay(origin, direction);
    // The tree's scale is taken as uniform: distances shrink by its x.
    const float scale = transform.scale.value.x;
    tmin /= scale;
    tmax /= scale;

    float tenter = -kHuge, texit = kHuge;
    for (int axis = 0; axis < 3; ++axis) {
        const float o = ray.origin[axis], d = ray.direction[axis];
        if (d > -kTiny && d < kTiny) {
            if (o < boxMin[axis] || o > boxMax[axis]) return false;
            continue;
        }
        float t1 = (boxMin[axis] - o) / d;
        float t2 = (boxMax[axis] - o) / d;
        if (t1 > t2) std::swap(t1, t2);
        tenter = std::max(tenter, t1);
        texit = std::min(texit, t2);
        if (tenter > texit || texit < kTiny) return false;
    }
    const float tnear = std::max(std::max(tenter, 0.0f), tmin);
    const float tfar = std::min(texit, tmax);
    // No distance lies strictly inside an empty interval: nothing can hit.
    if (!(tnear < tfar)) return false;

    if (!walk(*this, ray, 0, tnear, tfar, hit)) return false;
    hit.t *= scale;
    return true;
}

int BspTree::depth() const {
    int deepest = 0;
    std::vector<std::pair<std::int32_t, int>> pending{{0, 0}};
    while (!pending.empty()) {
        const auto [i, levels] = pending.back();
        pending.pop_back();
        const BspNode& n = nodes[i];
        if (!isInterior(n)) {
            deepest = std::max(deepest, levels);
            continue;
        }
        pending.push_back({n.lower, levels + 1});
        pending.push_back({n.upper, levels + 1});
    }
    return deepest;
}

BspTriangle triangleThrough(Vec3 corner0, Vec3 corner1, Vec3 corner2) {
    BspTriangle triangle;
    triangle.corner0 = corner0;
    triangle.edge1 = corner1 - corner0;
    triangle.edge2 = corner2 - corner0;
    triangle.normal = normalized(cross(triangle.edge1, triangle.edge2));
    prepareTriangle(triangle);
    return triangle;
}
