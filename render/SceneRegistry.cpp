#include "render/SceneRegistry.h"

#include "data/DataFile.h"

#include "base/Log.h"
#include "base/Screen.h"
#include "data/DecodePool.h"
#include "render/SceneRenderer.h"
#include "render/Texture.h"
#include "render/TextureRegistry.h"
#include "scene/SceneFile.h"

#include <algorithm>

namespace {

// At most this many read scenes wait to be taken: a scene can be large.
constexpr std::size_t kScenesWaiting = 2;

// Scene textures are the texture registry's: a scene and a picture naming
// the same file share one texture, uploaded once.
class RegistrySceneTextures : public SceneTextures {
public:
    TextureSource* texture(const std::string& name) override {
        return TextureRegistry::instance().getOrCreate(name);
    }
};

// A scene read on a worker: the textures are only named there (making one
// uploads it, which is the main thread's), each with how much of the read's
// log came before it, so the taker makes them at the same points of the log.
struct ReadScene : DecodeResult {
    std::unique_ptr<Scene> scene;
    bool read = false;
    std::vector<HeldMessage> log;
    struct TextureRequest {
        std::string name;
        std::size_t logBefore;  // messages of `log` written before it
    };
    std::vector<TextureRequest> textures;
};

class NamedOnlyTextures : public SceneTextures {
public:
    NamedOnlyTextures(ReadScene& result, LogCapture& capture)
        : result_(result), capture_(capture) {}

    TextureSource* texture(const std::string& name) override {
        for (HeldMessage& m : capture_.take()) result_.log.push_back(std::move(m));
        result_.textures.push_back({name, result_.log.size()});
        return &stand_;  // replaced by the taker
    }

private:
    class StandIn : public TextureSource {
    public:
        void bind() override {}
    };
    ReadScene& result_;
    LogCapture& capture_;
    StandIn stand_;
};

std::unique_ptr<DecodeResult> readSceneAhead(const std::string& name, int width, int height) {
    auto result = std::make_unique<ReadScene>();
    result->scene = std::make_unique<Scene>();
    result->scene->setName(name);
    LogCapture capture;
    NamedOnlyTextures textures(*result, capture);
    result->read = fileRead(name, *result->scene, textures, width, height);
    for (HeldMessage& m : capture.take()) result->log.push_back(std::move(m));
    return result;
}

// Replays a worker's read on the main thread: its log, with each texture
// made through the registry where the read asked for it.
bool finishReadAhead(ReadScene& ahead) {
    std::size_t logged = 0;
    auto replayUpTo = [&](std::size_t end) {
        replayLog(std::vector<HeldMessage>(ahead.log.begin() + std::ptrdiff_t(logged),
                                           ahead.log.begin() + std::ptrdiff_t(end)));
        logged = end;
    };
    for (std::size_t i = 0; i < ahead.textures.size(); ++i) {
        replayUpTo(ahead.textures[i].logBefore);
        TextureSource* texture = TextureRegistry::instance().getOrCreate(ahead.textures[i].name);
        if (i < ahead.scene->textures.size()) ahead.scene->textures[i] = texture;
    }
    replayUpTo(ahead.log.size());
    return ahead.read;
}

}  // namespace

SceneRegistry& SceneRegistry::instance() {
    static SceneRegistry registry;
    return registry;
}

SceneRegistry::~SceneRegistry() = default;

void SceneRegistry::beginPrefetch(const std::vector<std::string>& names, unsigned workers,
                                  int width, int height) {
    endPrefetch();
    std::vector<std::string> wanted;
    for (const std::string& name : names)
        if (!find(name)) wanted.push_back(name);
    if (wanted.empty() || workers == 0) return;
    workers = std::min<unsigned>(workers, unsigned(std::min(wanted.size(), kScenesWaiting)));
    prefetch_ = std::make_unique<DecodePool>(
        wanted, workers, kScenesWaiting,
        [width, height](const std::string& name) { return readSceneAhead(name, width, height); });
}

void SceneRegistry::endPrefetch() {
    prefetch_.reset();
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

namespace {

// Why a scene file's read failed: missing or empty, or the content (whose
// reader said what on standard output).
const char* readFault(const std::string& fileName) {
    if (dataFileSize(dataFileBaseName(fileName)) == 0) return dataFileFault(fileName);
    return "cannot be read";
}

}  // namespace

std::unique_ptr<Scene> SceneRegistry::create(std::string_view name) {
    const std::string fileName(name);
    if (std::unique_ptr<DecodeResult> taken = prefetch_ ? prefetch_->take(fileName) : nullptr) {
        // Every result of this pool is a ReadScene.
        ReadScene& ahead = static_cast<ReadScene&>(*taken);
        if (!finishReadAhead(ahead)) {
            logError("Scene %s %s\n", fileName.c_str(), readFault(fileName));
            return nullptr;
        }
        return std::move(ahead.scene);
    }
    auto scene = std::make_unique<Scene>();
    scene->setName(fileName);
    RegistrySceneTextures textures;
    const ScreenSize& screen = screenSize();
    if (!fileRead(fileName, *scene, textures, screen.width, screen.height)) {
        logError("Scene %s %s\n", fileName.c_str(), readFault(fileName));
        return nullptr;
    }
    return scene;
}
