// The drawing door's state as one value: every switch, function, mask,
// light, material and current attribute a draw depends on. The door owns
// one; setters change it, getters read it, a state scope copies it. Each
// draw hands it to the backend with the matrices, and the backend makes
// the driver match it. The initial values are OpenGL's own.
#pragma once

#include "gfx/Matrix.h"
#include "gfx/Types.h"

#include <array>

namespace gfx {

// How many switches there are: the lights come last.
inline constexpr int kCapCount = static_cast<int>(Cap::light0) + kMaxLights;

// One light's parameters as the scene renderer sets them. The position
// (w = 0: a direction) is taken through the model-view matrix current when
// the light is set, as the spot direction is.
struct LightParams {
    std::array<float, 4> position{{0, 0, 1, 0}};
    Rgba ambient{0, 0, 0, 1};
    Rgba diffuse{1, 1, 1, 1};
    Rgba specular{1, 1, 1, 1};
    std::array<float, 3> spotDirection{{0, 0, -1}};
    float spotCutoffDegrees = 180.0f;  // 180: no spot
    float spotExponent = 0.0f;
    // Positional lights fade by 1 / (constant + linear d + quadratic d^2).
    float constantAttenuation = 1.0f;
    float linearAttenuation = 0.0f;
    float quadraticAttenuation = 0.0f;
};

// A light as it was last set: its parameters, and the model-view matrix
// they are taken through.
struct Light {
    LightParams params;
    Matrix4 modelView;
};

struct Material {
    Rgba ambient{0.2f, 0.2f, 0.2f, 1};
    Rgba diffuse{0.8f, 0.8f, 0.8f, 1};
    Rgba specular{0, 0, 0, 1};
    Rgba emission{0, 0, 0, 1};
    float shininess = 0.0f;
};

struct State {
    State();

    std::array<bool, kCapCount> enabled{};
    BlendFactor blendSource = BlendFactor::one, blendDestination = BlendFactor::zero;
    Compare depthFunc = Compare::less;
    bool depthMask = true;
    std::array<bool, 4> colourMask{{true, true, true, true}};
    Compare stencilCompare = Compare::always;
    int stencilReference = 0;
    unsigned stencilValueMask = ~0u, stencilWriteMask = ~0u;
    StencilAction stencilFail = StencilAction::keep, stencilDepthFail = StencilAction::keep,
                  stencilPass = StencilAction::keep;
    Compare alphaCompare = Compare::always;
    float alphaReference = 0.0f;  // 0..1
    Face cull = Face::back;
    Shading shading = Shading::smooth;
    Hint hint = Hint::dontCare;
    float lineWidth = 1.0f;
    int stippleFactor = 1;
    unsigned short stipplePattern = 0xffff;
    Rgba fogColour{0, 0, 0, 0};
    FogMode fogMode = FogMode::exp;
    float fogStart = 0.0f, fogEnd = 1.0f, fogDensity = 1.0f;
    TextureEnv textureEnv = TextureEnv::modulate;
    std::array<Light, kMaxLights> lights;  // light 0 white, the others dark
    Rgba modelAmbient{0.2f, 0.2f, 0.2f, 1};
    // The material as drawing sees it: while colour tracking is on, the
    // tracked colours are the current colour (see followColour).
    Material front, back;
    Face trackedFace = Face::frontAndBack;
    MaterialColour tracked = MaterialColour::ambientAndDiffuse;
    // The attributes of vertices drawn without their own.
    Rgba colour{1, 1, 1, 1};
    std::array<float, 2> texCoord{{0, 0}};
    std::array<float, 3> normal{{0, 0, 1}};
    TextureId bound = 0;  // the texture drawing samples
    Rgba clearColour{0, 0, 0, 0};
    double clearDepth = 1.0;
    int clearStencil = 0;
    std::array<int, 4> viewport{{0, 0, 0, 0}};  // x, y, width, height
    std::array<int, 4> scissor{{0, 0, 0, 0}};
    MatrixMode matrixMode = MatrixMode::modelView;  // which stack matrix calls change

    bool on(Cap cap) const { return enabled[static_cast<std::size_t>(cap)]; }
};

// The tops of the three matrix stacks a draw is made under.
struct Matrices {
    const Matrix4& modelView;
    const Matrix4& projection;
    const Matrix4& texture;
};

// Where the point (x, y, z) lands in the window under `matrices` and
// `viewport`, as a driver places a vertex: x and y in pixels, z the depth
// 0..1. False when it lies outside the view volume.
bool windowPosition(const Matrices& matrices, const std::array<int, 4>& viewport, float x, float y,
                    float z, std::array<float, 3>& window);

// The rules of the fixed-function pipeline for the colours a material
// call, colour tracking and a light's values leave in a state; pure, so
// both backends and the door agree on them.
bool operator==(const Rgba& a, const Rgba& b);
inline bool operator!=(const Rgba& a, const Rgba& b) {
    return !(a == b);
}
bool operator==(const LightParams& a, const LightParams& b);
bool operator==(const Light& a, const Light& b);
inline bool operator!=(const Light& a, const Light& b) {
    return !(a == b);
}
bool operator==(const Material& a, const Material& b);
inline bool operator!=(const Material& a, const Material& b) {
    return !(a == b);
}
// Whether a material call or tracking of `tracked` touches `which`.
bool materialCovers(MaterialColour tracked, MaterialColour which);
// While colour tracking is on, the tracked colours of the tracked faces
// become the current colour; nothing otherwise.
void followColour(State& state);
// A material colour call: the faces named get `colour` for `which`, except
// the colours tracking owns while it is on.
void setMaterial(State& state, Face face, MaterialColour which, const Rgba& colour);
// `light` with `params` set under `modelView`; values the fixed-function API
// refuses (a cut-off between 90 and 180 degrees, an exponent outside
// 0..128, negative attenuation) keep the previous one, as the refused call
// does there.
void setLight(Light& light, const LightParams& params, const Matrix4& modelView);

}  // namespace gfx
