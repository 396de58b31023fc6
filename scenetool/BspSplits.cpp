#include "scenetool/BspSplits.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

namespace {

struct PendingNode {
    std::int32_t node;
    std::vector<std::int32_t> triangles;
    int depth;
};

float axisOf(Vec3 v, int axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

}  // namespace

BspLeafSizes chooseSplits(BspTree& tree, const std::vector<Vec3>& corners, int leafSize,
                          int maxDepth) {
    BspLeafSizes sizes;
    auto leaf = [&sizes](const std::vector<std::int32_t>& triangles) {
        ++sizes.leaves;
        sizes.largest = std::max(sizes.largest, triangles.size());
        sizes.references += triangles.size();
    };
    const std::size_t count = corners.size() / 3;
    std::vector<Vec3> centroid(count);
    for (std::size_t i = 0; i < count; ++i)
        centroid[i] = (1.0f / 3.0f) * (corners[3 * i] + corners[3 * i + 1] + corners[3 * i + 2]);

    // A work list instead of recursion: the stack stays flat however the
    // model is shaped.
    std::vector<PendingNode> pending;
    pending.push_back({0, std::vector<std::int32_t>(count), 0});
    std::iota(pending.back().triangles.begin(), pending.back().triangles.end(), 0);
    while (!pending.empty()) {
        PendingNode work = std::move(pending.back());
        pending.pop_back();
        if (int(work.triangles.size()) <= leafSize || work.depth >= maxDepth) {
            leaf(work.triangles);
            continue;
        }

        Vec3 low = centroid[std::size_t(work.triangles[0])], high = low;
        for (std::int32_t t : work.triangles) {
            const Vec3 c = centroid[std::size_t(t)];
            low = {std::min(low.x, c.x), std::min(low.y, c.y), std::min(low.z, c.z)};
            high = {std::max(high.x, c.x), std::max(high.y, c.y), std::max(high.z, c.z)};
        }
        const Vec3 extent = high - low;
        int axis = 0;
        if (extent.y > axisOf(extent, axis)) axis = 1;
        if (extent.z > axisOf(extent, axis)) axis = 2;
        if (axisOf(extent, axis) <= 0.0f) {  // all centroids in one point
            leaf(work.triangles);
            continue;
        }

        const std::size_t middle = work.triangles.size() / 2;
        std::nth_element(work.triangles.begin(), work.triangles.begin() + std::ptrdiff_t(middle),
                         work.triangles.end(), [&](std::int32_t a, std::int32_t b) {
                             return axisOf(centroid[std::size_t(a)], axis) <
                                    axisOf(centroid[std::size_t(b)], axis);
                         });
        const float split = axisOf(centroid[std::size_t(work.triangles[middle])], axis);

        // A triangle reaching across the split goes to both sides, as the
        // reader's insertion does; a split that leaves one side as full as
        // the node, or copies many triangles into both, only deepens the
        // tree.
        PendingNode lower{-1, {}, work.depth + 1}, upper{-1, {}, work.depth + 1};
        for (std::int32_t t : work.triangles) {
            float lo = axisOf(corners[3 * std::size_t(t)], axis), hi = lo;
            for (int j = 1; j < 3; ++j) {
                const float v = axisOf(corners[3 * std::size_t(t) + std::size_t(j)], axis);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
            if (lo <= split) lower.triangles.push_back(t);
            if (hi >= split) upper.triangles.push_back(t);
        }
        const std::size_t n = work.triangles.size();
        if (lower.triangles.size() == n || upper.triangles.size() == n ||
            2 * (lower.triangles.size() + upper.triangles.size()) > 3 * n) {
            leaf(work.triangles);
            continue;
        }
        tree.split(work.node, axis, split);
        const BspNode& made = tree.nodes[std::size_t(work.node)];
        lower.node = made.lower;
        upper.node = made.upper;
        pending.push_back(std::move(lower));
        pending.push_back(std::move(upper));
    }
    return sizes;
}
