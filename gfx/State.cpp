#include "gfx/State.h"

namespace gfx {

State::State() {
    // Light 0 shines white unless told otherwise; the others are dark.
    for (std::size_t i = 1; i < lights.size(); ++i)
        lights[i].params.diffuse = lights[i].params.specular = Rgba{0, 0, 0, 1};
}

bool operator==(const Rgba& a, const Rgba& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

bool operator==(const LightParams& a, const LightParams& b) {
    return a.position == b.position && a.ambient == b.ambient && a.diffuse == b.diffuse &&
           a.specular == b.specular && a.spotDirection == b.spotDirection &&
           a.spotCutoffDegrees == b.spotCutoffDegrees && a.spotExponent == b.spotExponent &&
           a.constantAttenuation == b.constantAttenuation &&
           a.linearAttenuation == b.linearAttenuation &&
           a.quadraticAttenuation == b.quadraticAttenuation;
}

bool operator==(const Light& a, const Light& b) {
    return a.params == b.params && a.modelView == b.modelView;
}

bool operator==(const Material& a, const Material& b) {
    return a.ambient == b.ambient && a.diffuse == b.diffuse && a.specular == b.specular &&
           a.emission == b.emission && a.shininess == b.shininess;
}

bool materialCovers(MaterialColour tracked, MaterialColour which) {
    if (tracked == which) return true;
    if (tracked == MaterialColour::ambientAndDiffuse)
        return which == MaterialColour::ambient || which == MaterialColour::diffuse;
    return false;
}

namespace {

bool faceCovers(Face named, Face own) {
    return named == Face::frontAndBack || named == own;
}

void put(Material& m, MaterialColour which, const Rgba& colour) {
    switch (which) {
    case MaterialColour::ambient: m.ambient = colour; break;
    case MaterialColour::diffuse: m.diffuse = colour; break;
    case MaterialColour::specular: m.specular = colour; break;
    case MaterialColour::emission: m.emission = colour; break;
    case MaterialColour::ambientAndDiffuse: m.ambient = m.diffuse = colour; break;
    }
}

constexpr MaterialColour kSingleColours[] = {MaterialColour::ambient, MaterialColour::diffuse,
                                             MaterialColour::specular, MaterialColour::emission};

}  // namespace

void followColour(State& s) {
    if (!s.on(Cap::colorMaterial)) return;
    for (Face own : {Face::front, Face::back}) {
        if (!faceCovers(s.trackedFace, own)) continue;
        put(own == Face::front ? s.front : s.back, s.tracked, s.colour);
    }
}

void setMaterial(State& s, Face face, MaterialColour which, const Rgba& colour) {
    const bool tracking = s.on(Cap::colorMaterial);
    for (Face own : {Face::front, Face::back}) {
        if (!faceCovers(face, own)) continue;
        const bool trackedHere = tracking && faceCovers(s.trackedFace, own);
        for (MaterialColour c : kSingleColours) {
            if (!materialCovers(which, c)) continue;
            if (trackedHere && materialCovers(s.tracked, c)) continue;
            put(own == Face::front ? s.front : s.back, c, colour);
        }
    }
}

void setLight(Light& light, const LightParams& p, const Matrix4& modelView) {
    LightParams& l = light.params;
    l.position = p.position;
    l.ambient = p.ambient;
    l.diffuse = p.diffuse;
    l.specular = p.specular;
    l.spotDirection = p.spotDirection;
    const float cutoff = p.spotCutoffDegrees;
    if (cutoff == 180.0f || (cutoff >= 0.0f && cutoff <= 90.0f)) l.spotCutoffDegrees = cutoff;
    if (p.spotExponent >= 0.0f && p.spotExponent <= 128.0f) l.spotExponent = p.spotExponent;
    if (p.constantAttenuation >= 0.0f) l.constantAttenuation = p.constantAttenuation;
    if (p.linearAttenuation >= 0.0f) l.linearAttenuation = p.linearAttenuation;
    if (p.quadraticAttenuation >= 0.0f) l.quadraticAttenuation = p.quadraticAttenuation;
    light.modelView = modelView;
}

bool windowPosition(const Matrices& matrices, const std::array<int, 4>& v, float x, float y,
                    float z, std::array<float, 3>& window) {
    // The combined matrix, then the clip test, the divide and the
    // viewport's scale and offset.
    const Matrix4 combined = multiply(matrices.projection, matrices.modelView);
    const std::array<float, 4> clip = transform(combined, {{x, y, z, 1.0f}});
    const float w = clip[3];
    for (int i = 0; i < 3; ++i)
        if (!(clip[static_cast<std::size_t>(i)] >= -w && clip[static_cast<std::size_t>(i)] <= w))
            return false;
    const float halfWidth = static_cast<float>(v[2]) * 0.5f;
    const float halfHeight = static_cast<float>(v[3]) * 0.5f;
    window[0] = clip[0] / w * halfWidth + (static_cast<float>(v[0]) + halfWidth);
    window[1] = clip[1] / w * halfHeight + (static_cast<float>(v[1]) + halfHeight);
    window[2] = clip[2] / w * 0.5f + 0.5f;
    return true;
}

}  // namespace gfx
