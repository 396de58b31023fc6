#include "MeshRecorder.h"

#include <algorithm>
#include <utility>

namespace gfx {

namespace {

// Primitives whose vertices may be joined from consecutive batches without
// changing what is drawn, and how many vertices each one takes.
int listPrimitiveSize(Primitive p) {
    switch (p) {
    case Primitive::points: return 1;
    case Primitive::lines: return 2;
    case Primitive::triangles: return 3;
    case Primitive::quads: return 4;
    default: return 0;
    }
}

bool joinable(const VertexBatch& b) {
    const int n = listPrimitiveSize(b.primitive);
    return n > 0 && b.size() > 0 && b.size() % static_cast<std::size_t>(n) == 0 &&
           b.firstColour == 0 && b.firstTexCoord == 0 && b.firstNormal == 0;
}

bool sameKind(const VertexBatch& a, const VertexBatch& b) {
    return a.primitive == b.primitive && a.hasColours == b.hasColours &&
           a.hasTexCoords == b.hasTexCoords && a.hasNormals == b.hasNormals;
}

}  // namespace

MeshRecorder::MeshRecorder(StaticMesh& mesh, MatrixMode mode)
    : mesh_(mesh), begun_(mode), mode_(mode) {
    mesh_.release(true);
    mesh_.compiled_ = true;
}

void MeshRecorder::keep(std::function<void()> command) {
    flushPending();
    mesh_.replay_.push_back(std::move(command));
}

void MeshRecorder::pushMatrix() {
    ++depth_[static_cast<std::size_t>(mode_)];
}

void MeshRecorder::popMatrix() {
    // A pop of a matrix the mesh did not push reaches into its caller's.
    if (--depth_[static_cast<std::size_t>(mode_)] < 0) balanced_ = false;
}

// Keeps the drawing of `batch` (in the backend's buffer when it takes it)
// and the current values it leaves.
void MeshRecorder::keepBatchWithLast(VertexBatch batch, const RecordedLast& last) {
    const std::uint32_t kept = batch.size() > 0 ? keepBatch(batch) : 0;
    if (kept != 0) {
        mesh_.kept_.push_back(kept);
        // Only what the replay needs of it: which attributes it set.
        VertexBatch flags;
        flags.primitive = batch.primitive;
        flags.hasColours = batch.hasColours;
        flags.hasTexCoords = batch.hasTexCoords;
        flags.hasNormals = batch.hasNormals;
        batch = std::move(flags);
    }
    mesh_.replay_.push_back(
        [batch = std::move(batch), kept, last] { drawRecordedBatch(batch, kept, last); });
}

void MeshRecorder::flushPending() {
    if (!havePending_) return;
    havePending_ = false;
    keepBatchWithLast(std::move(pending_), pendingLast_);
    pending_.clear();
}

// A batch joined to the pending one when it can be, else kept as given.
// Only the last batch's current values count, and nothing was kept between
// them, so the replay draws what the batches one by one would.
void MeshRecorder::endBatch() {
    // The builder's batch is taken, not copied: the next begin clears it.
    VertexBatch& b = builder_.batch();
    const RecordedLast last{builder_.lastColour(), builder_.lastTexCoord(), builder_.lastNormal()};
    if (havePending_ && joinable(b) && sameKind(pending_, b)) {
        VertexBatch& p = pending_;
        p.positionSize = std::max(p.positionSize, b.positionSize);
        p.positions.insert(p.positions.end(), b.positions.begin(), b.positions.end());
        p.colours.insert(p.colours.end(), b.colours.begin(), b.colours.end());
        p.texCoords.insert(p.texCoords.end(), b.texCoords.begin(), b.texCoords.end());
        p.normals.insert(p.normals.end(), b.normals.begin(), b.normals.end());
        pendingLast_ = last;
        return;
    }
    flushPending();
    if (joinable(b)) {
        pending_ = std::move(b);
        pendingLast_ = last;
        havePending_ = true;
        return;
    }
    keepBatchWithLast(std::move(b), last);
}

bool MeshRecorder::finish() {
    flushPending();
    for (int d : depth_)
        if (d != 0) balanced_ = false;
    return balanced_ && mode_ == begun_;
}

StaticMesh::StaticMesh(StaticMesh&& other) noexcept
    : compiled_(std::exchange(other.compiled_, false)),
      replay_(std::move(other.replay_)),
      kept_(std::move(other.kept_)) {
    other.replay_.clear();
    other.kept_.clear();
}

StaticMesh& StaticMesh::operator=(StaticMesh&& other) noexcept {
    if (this != &other) {
        compiled_ = std::exchange(other.compiled_, false);
        replay_ = std::move(other.replay_);
        kept_ = std::move(other.kept_);
        other.replay_.clear();
        other.kept_.clear();
    }
    return *this;
}

void StaticMesh::release(bool deleteObjects) {
    if (deleteObjects)
        for (std::uint32_t kept : kept_) releaseKept(kept);
    kept_.clear();
    replay_.clear();
    compiled_ = false;
}

}  // namespace gfx
