// The vertices of one immediate-mode primitive as the door is given them:
// attributes set between begin and end apply to the vertices after them;
// vertices given before the batch first set an attribute take the value
// current when the batch is drawn (VertexBatch's first* marks).
#pragma once

#include "gfx/VertexBatch.h"

#include <array>

namespace gfx {

class BatchBuilder {
public:
    // Starts a primitive; without `gather` only the attribute values are
    // followed (a backend streaming the vertices keeps them itself).
    void begin(Primitive primitive, bool gather);
    void vertex(float x, float y, float z, float w, int given);
    void colour(const Rgba& colour);
    void texCoord(float u, float v);
    void normal(float x, float y, float z);

    const VertexBatch& batch() const { return batch_; }
    VertexBatch& batch() { return batch_; }
    // The last values the primitive set (the current ones after it, for the
    // attributes its batch has).
    const Rgba& lastColour() const { return colour_; }
    const std::array<float, 2>& lastTexCoord() const { return texCoord_; }
    const std::array<float, 3>& lastNormal() const { return normal_; }

private:
    bool gather_ = true;
    VertexBatch batch_;
    Rgba colour_;
    std::array<float, 2> texCoord_{{0, 0}};
    std::array<float, 3> normal_{{0, 0, 1}};
};

}  // namespace gfx
