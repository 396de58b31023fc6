// What a static mesh keeps while it compiles: every call the door carries
// out later, in order, with consecutive batches of one list primitive
// joined into one and kept in the backend's buffers where it has them.
// Private to the door.
#pragma once

#include "BatchBuilder.h"
#include "gfx/StaticMesh.h"
#include "gfx/Types.h"

#include <array>
#include <cstdint>
#include <functional>

namespace gfx {

// The current values a recorded batch leaves behind it.
struct RecordedLast {
    Rgba colour;
    std::array<float, 2> texCoord{{0, 0}};
    std::array<float, 3> normal{{0, 0, 1}};
};

// The door's side of a replay: draws the batch (kept by the backend under
// `kept` when not 0) under the current state and matrices and makes the
// values it set current.
void drawRecordedBatch(const VertexBatch& batch, std::uint32_t kept, const RecordedLast& last);
// The backend's keeping of batches, through the door.
std::uint32_t keepBatch(const VertexBatch& batch);
void releaseKept(std::uint32_t handle);

class MeshRecorder {
public:
    // Compiles into `mesh`, releasing what it held; `mode` is the matrix
    // stack selected now.
    MeshRecorder(StaticMesh& mesh, MatrixMode mode);

    // Keeps a call to carry out when the mesh is drawn.
    void keep(std::function<void()> command);
    // The primitive being given, and its end: its batch is kept.
    BatchBuilder& builder() { return builder_; }
    void endBatch();
    // Followed for the contract on matrices.
    void matrixMode(MatrixMode mode) { mode_ = mode; }
    void pushMatrix();
    void popMatrix();
    // Ends compiling; false when the mesh left the matrices other than the
    // contract allows.
    bool finish();

private:
    void flushPending();
    void keepBatchWithLast(VertexBatch batch, const RecordedLast& last);

    StaticMesh& mesh_;
    BatchBuilder builder_;
    // Consecutive batches of one list primitive and the same attributes,
    // gathered into one to keep (kept at the next other call or the end).
    VertexBatch pending_;
    RecordedLast pendingLast_;
    bool havePending_ = false;
    MatrixMode begun_;
    MatrixMode mode_;
    std::array<int, 3> depth_{{0, 0, 0}};  // pushes less pops, per stack
    bool balanced_ = true;
};

}  // namespace gfx
