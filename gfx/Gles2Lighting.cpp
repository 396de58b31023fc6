#include "Gles2Lighting.h"

#include <cmath>

namespace gfx {

namespace {

void normalise(float* v) {
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length > 0.0f)
        for (int i = 0; i < 3; ++i) v[i] /= length;
}

}  // namespace

LightUniforms lightUniforms(const Light& light) {
    const LightParams& p = light.params;
    LightUniforms l;
    const std::array<float, 4> eye = transform(light.modelView, p.position);
    l.position = eye;
    if (eye[3] == 0.0f) {
        normalise(l.position.data());
        l.half = {{l.position[0], l.position[1], l.position[2] + 1.0f}};
        normalise(l.half.data());
    } else {
        for (std::size_t i = 0; i < 3; ++i) l.position[i] /= eye[3];
        l.position[3] = 1.0f;
    }
    const std::array<float, 4> spot = transform(
        light.modelView, {{p.spotDirection[0], p.spotDirection[1], p.spotDirection[2], 0.0f}});
    l.spot = {{spot[0], spot[1], spot[2], -2.0f}};
    normalise(l.spot.data());
    if (p.spotCutoffDegrees != 180.0f)
        l.spot[3] =
            static_cast<float>(std::cos(p.spotCutoffDegrees * 3.14159265358979323846 / 180.0));
    l.attenuation = {
        {p.constantAttenuation, p.linearAttenuation, p.quadraticAttenuation, p.spotExponent}};
    l.ambient = p.ambient;
    l.diffuse = p.diffuse;
    l.specular = p.specular;
    return l;
}

std::array<float, 9> normalMatrixOf(const Matrix4& m) {
    const double a = m.at(0, 0), b = m.at(0, 1), c = m.at(0, 2);
    const double d = m.at(1, 0), e = m.at(1, 1), f = m.at(1, 2);
    const double g = m.at(2, 0), h = m.at(2, 1), i = m.at(2, 2);
    const double det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    const double s = det != 0.0 ? 1.0 / det : 0.0;
    // The inverse transpose is the cofactor matrix over the determinant;
    // laid out column by column.
    const double inv[9] = {(e * i - f * h) * s,  -(b * i - c * h) * s, (b * f - c * e) * s,
                           -(d * i - f * g) * s, (a * i - c * g) * s,  -(a * f - c * d) * s,
                           (d * h - e * g) * s,  -(a * h - b * g) * s, (a * e - b * d) * s};
    std::array<float, 9> out{};
    for (std::size_t k = 0; k < 9; ++k) out[k] = static_cast<float>(inv[k]);
    return out;
}

}  // namespace gfx
