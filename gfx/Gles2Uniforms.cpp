// The shader renderer's programs at each draw: the variant for the state,
// and the uniforms whose values changed since the variant last drew.
#include "Gles2Backend.h"

#include <cstring>

namespace gfx {

namespace {

// Hands `n` floats to the uniform at `at` through `upload` unless it holds
// them already (compared bit for bit). True when handed over.
template <class Upload>
bool give(GLint at, std::vector<float>& held, const float* values, std::size_t n, Upload upload) {
    if (at < 0) return false;
    if (held.size() == n && std::memcmp(held.data(), values, n * sizeof(float)) == 0) return false;
    upload(at, values);
    held.assign(values, values + n);
    return true;
}

bool give4(GLint at, std::vector<float>& held, const Rgba& c) {
    return give(at, held, &c.r, 4, [](GLint a, const float* v) { glUniform4fv(a, 1, v); });
}

}  // namespace

void Gles2Backend::updateLightArrays(const State& s) {
    LightArrays& a = lightArrays_;
    for (int i = 0; i < kMaxLights; ++i) {
        const std::size_t at = static_cast<std::size_t>(i);
        if (a.known && a.from[at] == s.lights[at]) continue;
        a.from[at] = s.lights[at];
        const LightUniforms l = lightUniforms(s.lights[at]);
        std::memcpy(a.position + i * 4, l.position.data(), 4 * sizeof(float));
        std::memcpy(a.half + i * 3, l.half.data(), 3 * sizeof(float));
        std::memcpy(a.ambient + i * 4, &l.ambient, 4 * sizeof(float));
        std::memcpy(a.diffuse + i * 4, &l.diffuse, 4 * sizeof(float));
        std::memcpy(a.specular + i * 4, &l.specular, 4 * sizeof(float));
        std::memcpy(a.spot + i * 4, l.spot.data(), 4 * sizeof(float));
        std::memcpy(a.attenuation + i * 4, l.attenuation.data(), 4 * sizeof(float));
    }
    a.known = true;
}

bool Gles2Backend::useProgramFor(const State& s, const Matrices& m, GLenum mode) {
    const ProgramKey key = programKeyFor(s, sampledTexture(s), m.texture, mode == GL_POINTS);
    Gles2Program& p = programs_.get(key);
    bool changed = false;
    if (currentProgram_ != p.id) {
        glUseProgram(p.id);
        currentProgram_ = p.id;
        changed = true;
    }
    Gles2Program::Held& h = p.held;
    std::uint64_t uploads = 0;
    const auto count = [&uploads](bool given) { uploads += given ? 1 : 0; };
    const auto matrix4 = [](GLint a, const float* v) { glUniformMatrix4fv(a, 1, GL_FALSE, v); };
    const Matrix4 mvp = multiply(m.projection, m.modelView);
    count(give(p.mvp, h.mvp, mvp.m.data(), 16, matrix4));
    count(give(p.modelView, h.modelView, m.modelView.m.data(), 16, matrix4));
    if (p.normalMatrix >= 0) {
        const std::array<float, 9> n = normalMatrixOf(m.modelView);
        count(give(p.normalMatrix, h.normalMatrix, n.data(), 9, [](GLint a, const float* v) {
            glUniformMatrix3fv(a, 1, GL_FALSE, v);
        }));
    }
    count(give(p.textureMatrix, h.textureMatrix, m.texture.m.data(), 16, matrix4));
    if (key.lighting) {
        count(give4(p.modelAmbient, h.modelAmbient, s.modelAmbient));
        count(give4(p.materialAmbient, h.materialAmbient, s.front.ambient));
        count(give4(p.materialDiffuse, h.materialDiffuse, s.front.diffuse));
        count(give4(p.materialSpecular, h.materialSpecular, s.front.specular));
        count(give4(p.materialEmission, h.materialEmission, s.front.emission));
        count(give(p.shininess, h.shininess, &s.front.shininess, 1,
                   [](GLint a, const float* v) { glUniform1fv(a, 1, v); }));
        updateLightArrays(s);
        const LightArrays& l = lightArrays_;
        const auto vec4s = [](GLint a, const float* v) { glUniform4fv(a, kMaxLights, v); };
        count(give(p.lightPosition, h.lightPosition, l.position, kMaxLights * 4, vec4s));
        count(give(p.lightHalf, h.lightHalf, l.half, kMaxLights * 3,
                   [](GLint a, const float* v) { glUniform3fv(a, kMaxLights, v); }));
        count(give(p.lightAmbient, h.lightAmbient, l.ambient, kMaxLights * 4, vec4s));
        count(give(p.lightDiffuse, h.lightDiffuse, l.diffuse, kMaxLights * 4, vec4s));
        count(give(p.lightSpecular, h.lightSpecular, l.specular, kMaxLights * 4, vec4s));
        count(give(p.lightSpot, h.lightSpot, l.spot, kMaxLights * 4, vec4s));
        count(give(p.lightAttenuation, h.lightAttenuation, l.attenuation, kMaxLights * 4, vec4s));
    }
    if (p.texture >= 0 && !h.textureUnit) {
        glUniform1i(p.texture, 0);
        h.textureUnit = true;
        ++uploads;
    }
    if (key.fog >= 0) {
        count(give4(p.fogColour, h.fogColour, s.fogColour));
        const float range = s.fogEnd - s.fogStart;
        const float fog[3] = {s.fogEnd, range != 0.0f ? 1.0f / range : 0.0f, s.fogDensity};
        count(give(p.fogParameters, h.fogParameters, fog, 3,
                   [](GLint a, const float* v) { glUniform3fv(a, 1, v); }));
    }
    count(give(p.alphaReference, h.alphaReference, &s.alphaReference, 1,
               [](GLint a, const float* v) { glUniform1fv(a, 1, v); }));
    counts_.uniformUploads += uploads;
    return changed || uploads > 0;
}

}  // namespace gfx
