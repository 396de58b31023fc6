// What the reader runs after the scene chunk, and the scene-wide ray query.
#pragma once

#include "scene/BspTree.h"

class Scene;
struct Mesh;

// Face planes and the neighbour of every edge of every face: two faces
// sharing an edge (corner positions within a squared distance of 0.001) are
// neighbours; a face sharing an edge with the same winding as an earlier face
// has its corners 1 and 2 exchanged (position indices only) first, and the
// neighbour recorded on the edge that is shared after the exchange. The
// result is exactly that of comparing every face with every later one, in
// face and edge order, in near-linear time. Every face's position indices
// must be in range (the reader checks them before this pass runs).
void buildAdjacency(Mesh& mesh);
// Two corner positions are the same point when their squared distance is
// below this.
inline constexpr float kAdjacencyMatchDistanceSquared = 0.001f;

// The post-load pass, for each mesh in order: its adjacency; then an
// animated mesh gets a tree of its own (mesh-local triangles, the mesh's
// transform at load time), and a static mesh's triangles go into tree 0 in
// world coordinates. A scene that has static meshes but no tree gets an
// empty tree 0 first, so those triangles are queried like any others.
void buildSceneTrees(Scene& scene);

// Asks every tree in list order; the first tree with a hit on the world ray
// with tmin < t < tmax answers.
bool queryScene(const Scene& scene, const Ray& ray, float tmin, float tmax, BspHit& hit);
