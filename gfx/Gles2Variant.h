// Which shader variant stands in for the fixed-function state of a draw:
// the key of what it computes, worked out from the door's state alone.
// Pure, free of any graphics header.
#pragma once

#include "gfx/State.h"

#include <cstdint>
#include <optional>
#include <string>

namespace gfx {

// What a variant computes, packed into one key.
struct ProgramKey {
    bool lighting = false;
    unsigned lights = 0;         // bit i: light i on (with lighting)
    int trackedColour = -1;      // MaterialColour followed by the vertex colour, -1: none
    int textureEnv = -1;         // TextureEnv when texturing, -1: none
    int textureChannels = 0;     // the picture's: 0 colour and alpha, 1 colour, 2 alpha
    bool textureMatrix = false;  // texture coordinates go through a matrix
    int fog = -1;                // FogMode when fog is on, -1: none
    int alphaTest = -1;          // Compare of the alpha test, -1: none (or always)
    bool points = false;         // drawing points: their size is written

    std::uint32_t packed() const;
    // "lighting (lights 0 1, colour tracking 3), texture (modulate), fog exp": for messages.
    std::string describe() const;
};

// The variant for drawing under `state`: `texture` is the layout of the
// bound texture when texturing is on and the texture complete (an
// incomplete one switches texturing off, as in the fixed-function
// pipeline), `textureMatrix` the texture stack's top.
ProgramKey programKeyFor(const State& state, std::optional<PixelFormat> texture,
                         const Matrix4& textureMatrix, bool points);

}  // namespace gfx
