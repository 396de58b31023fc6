#include "effects/SceneModule.h"

#include "base/CaseInsensitive.h"
#include "base/KeyCodes.h"
#include "base/Log.h"
#include "base/Screen.h"
#include "effects/ModuleCommand.h"
#include "render/SceneRegistry.h"
#include "render/SceneRenderer.h"
#include "render/Texture.h"
#include "scene/Scene.h"
#include "script/ArgumentList.h"
#include "timeline/LoadingScreen.h"
#include "timeline/RenderTarget.h"

#include "gfx/Gfx.h"

#include <algorithm>

namespace {

constexpr float kSceneWeight = 100.0f;

// The fog type a "fogtype" text selects, or -1 for any other text.
int fogTypeFor(const std::string& text) {
    static const char* const kWords[] = {"none", "linear", "exp", "exp2"};
    for (int i = 0; i < 4; ++i)
        if (equalsIgnoreCase(text, kWords[i])) return i;
    return -1;
}

}  // namespace

SceneModule::SceneModule() = default;

const std::string& SceneModule::name() const {
    static const std::string n = "scene";
    return n;
}

bool SceneModule::checkCommand(const std::string& commandName, ArgumentList& arguments, Track&) {
    arguments.clearUsed();
    const CommandWord word = commandWord(commandName);
    if (word == CommandWord::other)
        logError("scene: command %s not supported\n", commandName.c_str());
    if (word == CommandWord::start) {
        const ArgumentValue& file = arguments.find("file");
        if (file.isNone()) {
            logError("scene: must specify parameter \"file\"\n");
        } else if (!file.isString()) {
            logError("scene: parameter \"file\" must have data type string\n");
        } else if (std::none_of(sceneFiles_.begin(), sceneFiles_.end(),
                                [&](const NamedResource& r) { return r.name == file.text(); })) {
            sceneFiles_.push_back({file.text(), scriptPosition().line, scriptPosition().pos});
        }
    }
    arguments.optionalNumber("time");
    arguments.optionalNumber("shadows");
    arguments.optionalNumber("accurateShadows");
    arguments.optionalString("camera");
    const ArgumentValue& fogType = arguments.find("fogtype");
    if (!fogType.isNone() && (!fogType.isString() || fogTypeFor(fogType.text()) < 0))
        logError("scene: parameter fogtype must be \"none\", \"linear\", \"exp\" or \"exp2\"\n");
    forEachFogParameter([&](AnimatedParameter& p) { p.markUsed(arguments); });
    arguments.warnUnused();
    return true;
}

float SceneModule::loadWeight() const {
    return kSceneWeight * static_cast<float>(sceneFiles_.size());
}

void SceneModule::listResources(ResourceList& out) const {
    out.scenes.insert(out.scenes.end(), sceneFiles_.begin(), sceneFiles_.end());
}

bool SceneModule::loadNext(LoadingScreen& progress, bool&) {
    if (loaded_ >= sceneFiles_.size()) return false;
    const NamedResource& file = sceneFiles_[loaded_++];
    Scene* scene = SceneRegistry::instance().getOrCreate(file.name);
    progress.addProgress(kSceneWeight);
    if (!scene) logFatal("Cannot find scene \"%s\"\n", file.name.c_str());
    return loaded_ < sceneFiles_.size();
}

View* SceneModule::chooseView(ArgumentList& arguments) const {
    if (scene_->views.empty())
        // Nothing to look through: every frame of this track would fail.
        logFatal("scene: \"%s\" has no camera to look through\n", scene_->name().c_str());
    const ArgumentValue& camera = arguments.find("camera");
    const int index = camera.isString() ? findView(*scene_, camera.text()) : 0;
    return &scene_->views[static_cast<std::size_t>(index)];
}

void SceneModule::setClock(ArgumentList& arguments, float m) {
    const ArgumentValue& time = arguments.find("time");
    const float t = time.isNumber() ? time.number() : 0.0f;
    timeOffset_ = m - t;
    lastTime_ = m;
}

bool SceneModule::command(const std::string& commandName, ArgumentList& arguments, Track& track) {
    const float m = commandTime(track);
    const CommandWord word = commandWord(commandName);
    switch (word) {
    case CommandWord::start: {
        fogType_ = 0;
        setClock(arguments, m);
        const ArgumentValue& file = arguments.find("file");
        // Only a script with errors reaches here without a text; its track
        // then has no view, which render reports.
        scene_ = file.isString() ? SceneRegistry::instance().getOrCreate(file.text()) : nullptr;
        forEachFogParameter([&](AnimatedParameter& p) { p.reset(arguments, m); });
        view_ = scene_ ? chooseView(arguments) : nullptr;
        break;
    }
    case CommandWord::stop:
        scene_ = nullptr;
        view_ = nullptr;
        shadows_ = false;
        accurateShadows_ = false;
        break;
    case CommandWord::setParam:
        forEachFogParameter([&](AnimatedParameter& p) { p.update(arguments, m); });
        // Before any "start" or after "stop" there is no scene to choose
        // from: the track stays without a view.
        view_ = scene_ ? chooseView(arguments) : nullptr;
        if (!arguments.find("time").isNone()) setClock(arguments, m);
        break;
    case CommandWord::other: break;
    }
    readFlag(arguments, "shadows", shadows_);
    readFlag(arguments, "accurateShadows", accurateShadows_);
    const ArgumentValue& fogType = arguments.find("fogtype");
    if (fogType.isString()) {
        const int type = fogTypeFor(fogType.text());
        if (type >= 0) fogType_ = type;
    }
    return TrackModule::command(commandName, arguments, track);
}

void SceneModule::copySettings(float time) const {
    if (!scene_) return;
    Scene& s = *scene_;
    s.fogType = fogType_;
    s.fogDensity = fogDensity_.valueAt(time);
    s.fogStart = fogNear_.valueAt(time);
    s.fogEnd = fogFar_.valueAt(time);
    s.fogColour = {fogRed_.valueAt(time), fogGreen_.valueAt(time), fogBlue_.valueAt(time),
                   fogAlpha_.valueAt(time)};
    s.shadows = shadows_;
    s.accurateShadows = accurateShadows_;
}

int SceneModule::render(float time, Destination* destination, TextureSource*, TextureSource*) {
    if (!view_) {
        logMessage("scene: No current view, this is bad\n");
        return 1;
    }
    switchFreeCamera(*view_);
    freeCameraStep(*view_, time - lastTime_, heldFreeCameraKeys());
    copySettings(time);

    gfx::clear(gfx::depthBuffer);
    if (destination) destination->beginDraw();
    const ScreenSize& screen = screenSize();
    const int width = destination ? destination->width() : screen.width;
    const int height = destination ? destination->height() : screen.height;
    renderScene(*view_, width, height, sceneTime(time));
    unbindTexture();
    gfx::disable(gfx::Cap::texture2D);
    if (destination) destination->endDraw();

    lastTime_ = time;
    return 0;
}

void switchFreeCamera(View& view) {
    const std::int32_t* keys = keyState();
    // Both latches are taken every frame, so a press is never kept for later.
    const bool pressedI = takeKeyPress(vk::letterI);
    const bool pressedU = takeKeyPress(vk::letterU);
    if (keys[vk::letterI] || pressedI) view.freeCamera = true;
    if (keys[vk::letterU] || pressedU) view.freeCamera = false;
}

FreeCameraKeys heldFreeCameraKeys() {
    const std::int32_t* keys = keyState();
    FreeCameraKeys held;
    held.left = keys[vk::left] != 0;
    held.right = keys[vk::right] != 0;
    held.up = keys[vk::up] != 0;
    held.down = keys[vk::down] != 0;
    held.forward = keys[vk::letterW] != 0;
    held.back = keys[vk::letterS] != 0;
    held.strafeLeft = keys[vk::letterA] != 0;
    held.strafeRight = keys[vk::letterD] != 0;
    return held;
}
