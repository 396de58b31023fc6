#include "render/SceneRegistry.h"

#include "base/Log.h"
#include "base/Screen.h"
#include "render/SceneRenderer.h"
#include "render/Texture.h"
#include "scene/SceneFile.h"

namespace {

// Scene textures are the texture registry's: a scene and a picture naming
// the same file share one texture, uploaded once.
class RegistrySceneTextures : public SceneTextures {
public:
    TextureSource* texture(const std::string& name) override {
        return TextureRegistry::instance().getOrCreate(name);
    }
};

}  // namespace

SceneRegistry& SceneRegistry::instance() {
    static SceneRegistry registry;
    return registry;
}

void SceneRegistry::releaseGLResources() {
    for (auto& scene : elements_) releaseSceneLists(*scene, true);
}

bool SceneRegistry::readAgain(Scene& scene) {
    Scene fresh;
    RegistrySceneTextures textures;
    const ScreenSize& screen = screenSize();
    if (!fileRead(scene.name(), fresh, textures, screen.width, screen.height)) {
        logMessage("Scene %s could not be read again, the old one stays\n", scene.name().c_str());
        return false;
    }
    releaseSceneLists(scene, true);
    scene.lights = std::move(fresh.lights);
    scene.meshes = std::move(fresh.meshes);
    scene.trees = std::move(fresh.trees);
    scene.materials = std::move(fresh.materials);
    scene.textures = std::move(fresh.textures);
    scene.textureNames = std::move(fresh.textureNames);
    scene.shadows = fresh.shadows;
    scene.views = std::move(fresh.views);
    scene.fogType = fresh.fogType;
    scene.fogDensity = fresh.fogDensity;
    scene.fogStart = fresh.fogStart;
    scene.fogEnd = fresh.fogEnd;
    scene.fogColour = fresh.fogColour;
    scene.accurateShadows = fresh.accurateShadows;
    // Views point back at the scene that holds them: that is `scene` now.
    for (View& view : scene.views) view.scene = &scene;
    return true;
}

std::unique_ptr<Scene> SceneRegistry::create(std::string_view name) {
    auto scene = std::make_unique<Scene>();
    const std::string fileName(name);
    scene->setName(fileName);
    RegistrySceneTextures textures;
    const ScreenSize& screen = screenSize();
    if (!fileRead(fileName, *scene, textures, screen.width, screen.height)) {
        logError("Scene %s not found\n", fileName.c_str());
        return nullptr;
    }
    return scene;
}
