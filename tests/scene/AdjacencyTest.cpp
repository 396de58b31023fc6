// Face planes and edge neighbours: the fast build must give exactly what the
// plain pairwise rule of PairwiseAdjacency.h gives, corner exchanges
// included, on meshes that exercise its order: same-winding neighbours,
// coincident and nearly coincident corners, edges shared by three or more
// faces, degenerate faces.
#include "PairwiseAdjacency.h"
#include "scene/Scene.h"
#include "scene/SceneTrees.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <utility>

namespace {

bool samePlane(Vec3 a, Vec3 b) {
    // Bitwise equal, NaN included (a degenerate face may carry one).
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Builds both ways and compares every face; returns how many faces had
// their corners exchanged and how many edges found a neighbour.
std::pair<int, int> expectBothAgree(const Mesh& original) {
    Mesh fast = original, reference = original;
    buildAdjacency(fast);
    pairwise::pairwiseAdjacency(reference);
    int exchanged = 0, linked = 0;
    for (std::size_t k = 0; k < original.faces.size(); ++k) {
        const Face& a = fast.faces[k];
        const Face& b = reference.faces[k];
        EXPECT_EQ(a.position, b.position) << "face " << k;
        EXPECT_EQ(a.neighbour, b.neighbour) << "face " << k;
        EXPECT_TRUE(samePlane(a.planeNormal, b.planeNormal)) << "face " << k;
        EXPECT_TRUE(std::memcmp(&a.planeOffset, &b.planeOffset, sizeof(float)) == 0)
            << "face " << k;
        EXPECT_EQ(a.normal, original.faces[k].normal);
        exchanged += b.position != original.faces[k].position;
        for (std::int32_t n : b.neighbour) linked += n != -1;
    }
    return {exchanged, linked};
}

Face face(std::int32_t a, std::int32_t b, std::int32_t c) {
    Face f;
    f.position = {a, b, c};
    f.normal = {a, b, c};
    return f;
}

// A grid of n x n quads in the plane z = 0, two faces each, in shuffled
// order, a share of them turned over; each corner is a separate position,
// slightly displaced (up to `jitter` per axis), so matches rely on the
// tolerance and some of them just miss it.
Mesh jitteredGrid(int n, float flipShare, float jitter, std::mt19937& random) {
    std::uniform_real_distribution<float> offset(-jitter, jitter);
    std::bernoulli_distribution flip(flipShare);
    Mesh mesh;
    auto corner = [&](int x, int y) {
        mesh.positions.push_back({x + offset(random), y + offset(random), offset(random)});
        return static_cast<std::int32_t>(mesh.positions.size() - 1);
    };
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y) {
            const std::int32_t a = corner(x, y), b = corner(x + 1, y), c = corner(x + 1, y + 1);
            const std::int32_t d = corner(x, y), e = corner(x + 1, y + 1), g = corner(x, y + 1);
            mesh.faces.push_back(flip(random) ? face(a, c, b) : face(a, b, c));
            mesh.faces.push_back(flip(random) ? face(d, g, e) : face(d, e, g));
        }
    std::shuffle(mesh.faces.begin(), mesh.faces.end(), random);
    return mesh;
}

// Random faces over a few positions on a coarse lattice, some of them
// repeated as separate positions: many edges shared by many faces, both
// windings, faces with repeated corners, corners exchanged again and again.
Mesh soup(int positions, int faces, std::mt19937& random) {
    std::uniform_int_distribution<int> lattice(0, 2);
    Mesh mesh;
    for (int k = 0; k < positions; ++k) {
        if (k > 0 && k % 4 == 0)
            mesh.positions.push_back(mesh.positions[k / 2]);
        else
            mesh.positions.push_back(
                {float(lattice(random)), float(lattice(random)), 0.01f * lattice(random)});
    }
    std::uniform_int_distribution<std::int32_t> pick(0, positions - 1);
    for (int k = 0; k < faces; ++k)
        mesh.faces.push_back(face(pick(random), pick(random), pick(random)));
    return mesh;
}

}  // namespace

TEST(Adjacency, SameWindingNeighbourIsTurnedOverAndLinkedOnTheSharedEdge) {
    Mesh mesh;
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1.01f, 0, 0}, {1, -1, 0}};
    // Face 1 runs along 1-2 in the same direction as face 0 (its edge 2);
    // face 2 runs along 0-1 the other way, through a nearly coincident corner.
    mesh.faces = {face(0, 1, 2), face(2, 3, 1), face(4, 0, 5)};
    buildAdjacency(mesh);
    EXPECT_EQ(mesh.faces[0].neighbour, (std::array<std::int32_t, 3>{2, 1, -1}));
    // Turned over to 2, 1, 3: the shared edge 2-1 is now its edge 0.
    EXPECT_EQ(mesh.faces[1].position, (std::array<std::int32_t, 3>{2, 1, 3}));
    EXPECT_EQ(mesh.faces[1].neighbour, (std::array<std::int32_t, 3>{0, -1, -1}));
    EXPECT_EQ(mesh.faces[1].normal, (std::array<std::int32_t, 3>{2, 3, 1}));  // unchanged
    EXPECT_EQ(mesh.faces[1].planeNormal, (Vec3{0, 0, 1}));
    EXPECT_EQ(mesh.faces[2].neighbour, (std::array<std::int32_t, 3>{0, -1, -1}));
    EXPECT_EQ(mesh.faces[0].planeNormal, (Vec3{0, 0, 1}));
    EXPECT_EQ(mesh.faces[0].planeOffset, 0.0f);
    expectBothAgree(mesh);
}

TEST(Adjacency, AgreesWithThePairwiseRuleOnGrids) {
    std::mt19937 random(7);
    // Corners within the tolerance, and corners spread so some pairs are
    // just inside and some just outside it.
    for (float jitter : {0.0f, 0.005f, 0.014f}) {
        const auto [exchanged, linked] = expectBothAgree(jitteredGrid(12, 0.3f, jitter, random));
        EXPECT_GT(exchanged, 0) << jitter;
        EXPECT_GT(linked, 100) << jitter;
    }
}

TEST(Adjacency, AgreesWithThePairwiseRuleOnSharedAndDegenerateEdges) {
    std::mt19937 random(11);
    for (int round = 0; round < 20; ++round) {
        const auto [exchanged, linked] = expectBothAgree(soup(12 + round, 60 + 10 * round, random));
        EXPECT_GT(exchanged, 0);
        EXPECT_GT(linked, 0);
    }

    // A fan of five faces on one edge, both windings, plus a face with a
    // corner that is not a number.
    Mesh fan;
    fan.positions = {{0, 0, 0}, {0, 0, 1},  {1, 0, 0},
                     {0, 1, 0}, {-1, 0, 0}, {0, -1, 0},
                     {1, 1, 0}, {0, 0, 0},  {std::numeric_limits<float>::quiet_NaN(), 0, 0}};
    fan.faces = {face(0, 1, 2), face(1, 0, 3), face(0, 1, 4), face(7, 1, 5),
                 face(1, 7, 6), face(8, 0, 1), face(1, 8, 0)};
    expectBothAgree(fan);
}
