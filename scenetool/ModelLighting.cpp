#include "scenetool/ModelLighting.h"

#include <algorithm>
#include <cstdio>

namespace {

Light pointLight(Vec3 position, float diffuse, float specular, float ambient, bool shadows) {
    Light light;
    light.kind = 1;
    light.castsShadows = shadows;
    light.ambient = {ambient, ambient, ambient};
    light.diffuse = {diffuse, diffuse, diffuse};
    light.specular = {specular, specular, specular};
    light.transform.position.value = position;
    light.transform.recomputeMatrices();
    return light;
}

}  // namespace

float colourBrightness(const Colour& colour) {
    return std::max({colour.red, colour.green, colour.blue});
}

// Games' pictures are painted for engines that light them up to twice
// (Quake's overbright light), hence 2; a model that is black stays dark.
float lightExposure(const Scene& scene,
                    const std::function<float(const std::string&)>& texturePeak) {
    float brightest = 0.0f;
    for (const Mesh& mesh : scene.meshes)
        for (const Face& face : mesh.faces) {
            if (face.material < 0 || std::size_t(face.material) >= scene.materials.size()) {
                brightest = std::max(brightest, 0.5f);  // the player's default material
                continue;
            }
            const Material& m = scene.materials[std::size_t(face.material)];
            brightest = std::max(
                brightest, m.texture >= 0 ? texturePeak(scene.textureNames[std::size_t(m.texture)])
                                          : colourBrightness(m.ambientDiffuse));
            if (brightest >= 1.0f) return 1.0f;
        }
    return brightest > 0.0f ? std::clamp(1.0f / brightest, 1.0f, 2.0f) : 2.0f;
}

// Key, fill and ambient together light a white face at most 0.94: its
// shading shows and it stays short of full white.
void addStudioLights(Scene& scene, const BoundingSphere& sphere, const CameraPlacement& camera,
                     float exposure, bool shadows) {
    const StudioLights studio = studioLights(sphere, camera);
    const float e = exposure;
    scene.lights.push_back(pointLight(studio.key, 0.78f * e, 0.35f, 0.1f * e, shadows));
    scene.lights.push_back(pointLight(studio.fill, 0.32f * e, 0.0f, 0.04f * e, false));
    std::fprintf(stderr,
                 "note: the model has no light; added a key light above the camera%s "
                 "and a weaker fill light from the other side\n",
                 shadows ? ", casting shadows," : "");
}

void balanceModelLights(Scene& scene) {
    float diffuse = 0.0f, ambient = 0.0f;
    for (const Light& l : scene.lights) {
        diffuse += colourBrightness(l.diffuse);
        ambient += colourBrightness(l.ambient);
    }
    if (ambient < 0.05f) {
        scene.lights.front().ambient = {0.1f, 0.1f, 0.1f};
        ambient = 0.1f;
        std::fprintf(stderr,
                     "note: the model's lights give no ambient light; light 0 gives a "
                     "little, so sides they miss are not black\n");
    }
    const float total = diffuse + ambient;
    if (total <= 1.05f) return;
    const float f = 1.0f / total;
    const auto scaled = [f](Colour c) { return Colour{f * c.red, f * c.green, f * c.blue}; };
    for (Light& l : scene.lights) {
        l.diffuse = scaled(l.diffuse);
        l.ambient = scaled(l.ambient);
    }
    std::fprintf(stderr,
                 "note: the model's lights add up to %.2f times a full light, and the "
                 "player's do not fade with distance; each is dimmed by %.2f\n",
                 double(total), double(f));
}
