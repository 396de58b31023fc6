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
