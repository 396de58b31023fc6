#include "Gles2Variant.h"

#include "PixelConversion.h"

namespace gfx {

namespace {

const char* const kTrackedNames[] = {"ambient", "diffuse", "ambient and diffuse", "specular",
                                     "emission"};
const char* const kEnvNames[] = {"modulate", "replace", "decal", "blend"};
const char* const kFogNames[] = {"linear", "exp", "exp2"};

}  // namespace

ProgramKey programKeyFor(const State& s, std::optional<PixelFormat> texture,
                         const Matrix4& textureMatrix, bool points) {
    ProgramKey key;
    key.lighting = s.on(Cap::lighting);
    if (key.lighting) {
        for (int i = 0; i < kMaxLights; ++i)
            if (s.on(lightCap(i))) key.lights |= 1u << i;
        if (s.on(Cap::colorMaterial)) key.trackedColour = static_cast<int>(s.tracked);
    }
    if (texture) {
        key.textureEnv = static_cast<int>(s.textureEnv);
        key.textureChannels = !hasColourChannels(*texture) ? 2 : hasAlphaChannel(*texture) ? 0 : 1;
        key.textureMatrix = !(textureMatrix == Matrix4{});
    }
    key.points = points;
    if (s.on(Cap::fog)) key.fog = static_cast<int>(s.fogMode);
    if (s.on(Cap::alphaTest) && s.alphaCompare != Compare::always)
        key.alphaTest = static_cast<int>(s.alphaCompare);
    return key;
}

std::uint32_t ProgramKey::packed() const {
    std::uint32_t k = lighting ? 1u : 0u;
    k |= (lighting ? lights & 0xffu : 0u) << 1;
    k |= static_cast<std::uint32_t>(lighting ? trackedColour + 1 : 0) << 9;
    k |= static_cast<std::uint32_t>(textureEnv + 1) << 12;
    k |= (textureEnv >= 0 && textureMatrix ? 1u : 0u) << 15;
    k |= static_cast<std::uint32_t>(fog + 1) << 16;
    k |= static_cast<std::uint32_t>(alphaTest + 1) << 18;
    k |= static_cast<std::uint32_t>(textureEnv >= 0 ? textureChannels : 0) << 22;
    k |= (points ? 1u : 0u) << 24;
    return k;
}

std::string ProgramKey::describe() const {
    std::string s;
    if (lighting) {
        s += "lighting (lights";
        for (int i = 0; i < kMaxLights; ++i)
            if (lights & (1u << i)) s += " " + std::to_string(i);
        if (trackedColour >= 0) s += std::string(", tracking ") + kTrackedNames[trackedColour];
        s += ")";
    }
    if (textureEnv >= 0) {
        s += s.empty() ? "" : ", ";
        s += std::string("texture (") + kEnvNames[textureEnv] + (textureMatrix ? ", matrix)" : ")");
    }
    if (fog >= 0) s += (s.empty() ? "fog " : ", fog ") + std::string(kFogNames[fog]);
    if (alphaTest >= 0) s += s.empty() ? "alpha test" : ", alpha test";
    return s.empty() ? "for plain colours" : "for " + s;
}

}  // namespace gfx
