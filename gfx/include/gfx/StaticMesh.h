// Drawing compiled once and drawn many times (a scene mesh with its
// materials and textures, a light's shadow volumes). What the door is given
// between beginStaticMesh and endStaticMesh is not drawn then but kept: in
// a driver object when the backend has them, else as a recording the door
// replays.
#pragma once

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
    // Forgets what was compiled; the driver object is deleted when
    // `deleteObject` (its context current), else left to go with its
    // context.
    void release(bool deleteObject);

private:
    friend void beginStaticMesh(StaticMesh& mesh);
    friend void endStaticMesh();
    friend void drawStaticMesh(const StaticMesh& mesh);
    friend void record(std::function<void()> command);
    friend void keepHandle(std::uint32_t handle);

    bool compiled_ = false;
    std::uint32_t object_ = 0;                   // the backend's, 0 when none
    std::vector<std::function<void()>> replay_;  // when there is no object
    std::vector<std::uint32_t> kept_;            // the backend's batches the replay draws
};

// Begins compiling into `mesh` (what it held is released first); the door's
// drawing calls until endStaticMesh go into it.
void beginStaticMesh(StaticMesh& mesh);
void endStaticMesh();
// Draws what was compiled, under the current state and matrices.
void drawStaticMesh(const StaticMesh& mesh);

}  // namespace gfx
