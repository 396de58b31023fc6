// Choosing the splits of a static BSP tree.
#pragma once

#include "scene/BspTree.h"

#include <cstddef>
#include <vector>

// Splits the leaves of `tree` (a single leaf root) at the median centroid of
// the longest axis of each node's triangles, until a leaf holds at most
// `leafSize` triangles or `maxDepth` interior levels are reached. Only the
// nodes are made: the reader's post-load pass inserts the triangles.
// `corners` holds three corners per triangle, in the tree's coordinates.
// Returns the leaves the insertion will fill, as it will fill them.
struct BspLeafSizes {
    std::size_t leaves = 0;
    std::size_t largest = 0;     // triangles in the fullest leaf
    std::size_t references = 0;  // triangles over all leaves (a straddler counts in each)
};
BspLeafSizes chooseSplits(BspTree& tree, const std::vector<Vec3>& corners, int leafSize,
                          int maxDepth);
