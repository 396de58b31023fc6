#include "BatchBuilder.h"

namespace gfx {

void BatchBuilder::begin(Primitive primitive, bool gather) {
    gather_ = gather;
    batch_.clear();
    batch_.primitive = primitive;
}

void BatchBuilder::vertex(float x, float y, float z, float w, int given) {
    VertexBatch& b = batch_;
    if (!gather_) return;
    if (given > b.positionSize) b.positionSize = given;
    b.positions.push_back({{x, y, z, w}});
    if (b.hasColours) b.colours.push_back(colour_);
    if (b.hasTexCoords) b.texCoords.push_back(texCoord_);
    if (b.hasNormals) b.normals.push_back(normal_);
}

// The first value an attribute gets in the batch: the vertices so far keep
// places that the current value fills when the batch is drawn.
void BatchBuilder::colour(const Rgba& colour) {
    VertexBatch& b = batch_;
    if (!b.hasColours) {
        b.colours.assign(b.size(), Rgba{});
        b.firstColour = b.size();
        b.hasColours = true;
    }
    colour_ = colour;
}

void BatchBuilder::texCoord(float u, float v) {
    VertexBatch& b = batch_;
    if (!b.hasTexCoords) {
        b.texCoords.assign(b.size(), std::array<float, 2>{});
        b.firstTexCoord = b.size();
        b.hasTexCoords = true;
    }
    texCoord_ = {{u, v}};
}

void BatchBuilder::normal(float x, float y, float z) {
    VertexBatch& b = batch_;
    if (!b.hasNormals) {
        b.normals.assign(b.size(), std::array<float, 3>{});
        b.firstNormal = b.size();
        b.hasNormals = true;
    }
    normal_ = {{x, y, z}};
}

}  // namespace gfx
