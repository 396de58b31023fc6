// The fixed-function lighting values the shader renderer hands its
// programs, worked out on the CPU as the fixed-function pipeline does when
// a light is set. Pure, free of any graphics header.
#pragma once

#include "gfx/State.h"

#include <array>

namespace gfx {

// One light in eye space, laid out as the shaders take it.
struct LightUniforms {
    std::array<float, 4> position{{0, 0, 1, 0}};  // w 0: a unit direction
    std::array<float, 3> half{{0, 0, 1}};         // directional lights: the half vector
    Rgba ambient{0, 0, 0, 1};
    Rgba diffuse{0, 0, 0, 1};
    Rgba specular{0, 0, 0, 1};
    std::array<float, 4> spot{{0, 0, -1, -2}};       // unit direction, cosine of the cut-off (-2: none)
    std::array<float, 4> attenuation{{1, 0, 0, 0}};  // constant, linear, quadratic, spot exponent
};

// The light's position and spot direction taken through the model-view
// matrix it was set under.
LightUniforms lightUniforms(const Light& light);

// The inverse transpose of the upper 3 x 3 of `m`, column-major: how
// normals go into eye space.
std::array<float, 9> normalMatrixOf(const Matrix4& m);

}  // namespace gfx
