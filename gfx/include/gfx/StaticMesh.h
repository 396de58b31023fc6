// Drawing compiled once and drawn many times (a scene mesh with its
// materials and textures, a light's shadow volumes). Every drawing call the
// door is given between beginStaticMesh and endStaticMesh is kept, not
// carried out: state, matrices, lights, materials, bindings, vertices and
// text, with either renderer. Drawing the mesh carries them out again in
// order, as if they were made at that moment, so its state changes stay
// after it as they would; its vertices are kept in driver buffers where
// the backend has them. Creating, filling, reading and deleting textures
// and reading the frame are carried out at once, never kept.
//
// The matrices: a mesh's matrix calls apply to the matrices current where
// it is drawn, as they would made directly. Its pushes and pops must
// balance on each stack and it must end with the matrix stack selected
// that was selected when it began; endStaticMesh says whether it did.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace gfx {

class StaticMesh {
public:
    StaticMesh() = default;
    // Keeps nothing of the driver's: release() while the context is current.
    ~StaticMesh() = default;
    StaticMesh(StaticMesh&& other) noexcept;
    StaticMesh& operator=(StaticMesh&& other) noexcept;
    StaticMesh(const StaticMesh&) = delete;
    StaticMesh& operator=(const StaticMesh&) = delete;

    // Whether something was compiled since the last release.
    bool compiled() const { return compiled_; }
    // Forgets what was compiled; the driver's buffers are deleted when
    // `deleteObjects` (their context current), else left to go with it.
    void release(bool deleteObjects);

private:
    friend class MeshRecorder;
    friend void drawStaticMesh(const StaticMesh& mesh);

    bool compiled_ = false;
    std::vector<std::function<void()>> replay_;
    std::vector<std::uint32_t> kept_;  // the backend's batches the replay draws
};

// Begins compiling into `mesh` (what it held is released first); the door's
// drawing calls until endStaticMesh go into it. Meshes do not nest: a mesh
// begun while another is compiling ends that one first.
void beginStaticMesh(StaticMesh& mesh);
// Ends compiling; false when the mesh broke the contract on matrices above
// (it is kept all the same).
bool endStaticMesh();
// Draws what was compiled, under the current state and matrices. Drawn
// while another mesh compiles, the mesh is kept in that one by reference:
// it must outlive it (text drawn into a mesh likewise keeps its pictures
// by address).
void drawStaticMesh(const StaticMesh& mesh);

}  // namespace gfx
