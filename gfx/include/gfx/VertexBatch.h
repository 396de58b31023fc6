// The vertices of one immediate-mode primitive, gathered between begin and
// end into arrays a backend draws in one call. An attribute the batch never
// set has an empty array: the vertices then take the current value.
#pragma once

#include "gfx/Types.h"

#include <array>
#include <vector>

namespace gfx {

struct VertexBatch {
    Primitive primitive = Primitive::triangles;
    std::vector<std::array<float, 4>> positions;  // x, y, z, w
    std::vector<Rgba> colours;                    // one per vertex, or empty
    std::vector<std::array<float, 2>> texCoords;  // one per vertex, or empty
    std::vector<std::array<float, 3>> normals;    // one per vertex, or empty

    // How many of x, y, z, w the vertices were given (the most any was), so
    // a backend can hand them on as they came.
    int positionSize = 2;
    bool hasColours = false;    // colours holds one per vertex
    bool hasTexCoords = false;  // texCoords likewise
    bool hasNormals = false;    // normals likewise
    // Vertices before these came before the batch set the attribute: they
    // take the current value when the batch is drawn (their array entries
    // only hold the place).
    std::size_t firstColour = 0;
    std::size_t firstTexCoord = 0;
    std::size_t firstNormal = 0;

    std::size_t size() const { return positions.size(); }
    void clear() {
        positionSize = 2;
        hasColours = hasTexCoords = hasNormals = false;
        firstColour = firstTexCoord = firstNormal = 0;
        positions.clear();
        colours.clear();
        texCoords.clear();
        normals.clear();
    }
};

}  // namespace gfx
