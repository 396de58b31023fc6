#include "Application.h"

#include "Demo.h"
#include "MessageBox.h"
#include "MusicAdapter.h"
#include "base/Log.h"
#include "base/QuietStandardOutput.h"
#include "base/Screen.h"
#include "data/DataFile.h"
#include "data/PictureCheck.h"
#include "effects/EffectModules.h"
#include "render/PictureLoadingScreen.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "timeline/RenderTarget.h"
#include "timeline/RelativeTimerCheck.h"
#include "timeline/ResourceList.h"
#include "timeline/Timeline.h"
#include "timeline/TimelineParser.h"

#include <cstdio>
#include <set>
#include <string>

namespace {

// Sets up a run that reads without drawing: message boxes go to standard
// error, the modules are registered, the music is opened for decoding only.
// The clock lives as long as the process, like the timeline built with it.
MusicClock& reviewMusicClock(const Options& options) {
    setBatchMessageBoxes(true);
    registerEffectModules();
    Music& music = Music::instance();
    music.configure(std::nullopt, options.start, true);
    static MusicAdapter clock(music);
    return clock;
}

// Reports every picture the script names that could not be loaded, each at
// the statement that names it, once per name; returns the count.
int checkPictures(const ResourceList& resources) {
    int faults = 0;
    std::set<std::string> seen;
    const ScriptPosition kept = scriptPosition();
    for (const NamedResource& picture : resources.pictures) {
        if (!seen.insert(picture.name).second) continue;
        const std::string fault = pictureFault(picture.name);
        if (fault.empty()) continue;
        scriptPosition().line = picture.line;
        scriptPosition().pos = picture.pos;
        logError("Picture %s %s\n", picture.name.c_str(), fault.c_str());
        ++faults;
    }
    scriptPosition() = kept;
    return faults;
}

// The pictures a scene names, checked as pictures are and never made
// textures: a picture that decodes gets a stand-in that draws nothing; a
// faulty one gets null, which fails the read, and is remembered.
class PictureCheckingTextures : public SceneTextures {
public:
    TextureSource* texture(const std::string& name) override {
        std::string fault = pictureFault(name);
        if (fault.empty()) return &standIn_;
        if (faultyPicture.empty()) {
            faultyPicture = name;
            pictureFault_ = std::move(fault);
        }
        return nullptr;
    }

    std::string faultyPicture;  // the first picture that failed, if any
    const std::string& fault() const { return pictureFault_; }

private:
    class StandIn : public TextureSource {
    public:
        void bind() override {}
    };
    StandIn standIn_;
    std::string pictureFault_;
};


// What is wrong with the scene file `name` as a run would load and start
// it: empty when it reads whole, its pictures decode and it has a view.
std::string sceneFault(const std::string& name) {
    std::unique_ptr<MemoryFile> file = openDataFile(name);
    if (!file) return "not found";
    Scene scene;
    scene.setName(name);
    PictureCheckingTextures textures;
    bool read = false;
    {
        QuietStandardOutput quiet;
        const ScreenSize& screen = screenSize();
        read = readScene(file->data(), file->size(), name, scene, textures, screen.width,
                         screen.height);
    }
    closeDataFile(std::move(file));
    if (!textures.faultyPicture.empty())
        return "cannot be read: picture " + textures.faultyPicture + " " + textures.fault();
    if (!read) return "cannot be read";
    if (scene.views.empty()) return "has no camera to look through";
    return {};
}

// Reports every scene file the script names that a run could not load or
// start, each at the statement that names it, once per name; returns the
// count.
int checkScenes(const ResourceList& resources) {
    int faults = 0;
    std::set<std::string> seen;
    const ScriptPosition kept = scriptPosition();
    for (const NamedResource& scene : resources.scenes) {
        if (!seen.insert(scene.name).second) continue;
        const std::string fault = sceneFault(scene.name);
        if (fault.empty()) continue;
        scriptPosition().line = scene.line;
        scriptPosition().pos = scene.pos;
        logError("Scene %s %s\n", scene.name.c_str(), fault.c_str());
        ++faults;
    }
    scriptPosition() = kept;
    return faults;
}

}  // namespace

int runScriptCheck(const Options& options) {
    std::unique_ptr<Timeline> timeline = parseTimeline(kScriptPath, &reviewMusicClock(options));
    logMessage("Script is sound\n");
    return 0;
}

int runVerify(const Options& options) {
    std::unique_ptr<Timeline> timeline =
        parseTimeline(kScriptPath, &reviewMusicClock(options), ScriptFaults::list);
    const Music& music = Music::instance();
    int faults = scriptErrorFlag() ? 1 : 0;  // the parser listed them; count the run as faulty
    faults += checkRelativeTimers(*timeline);

    ResourceList resources;
    timeline->tracks().listResources(resources);
    faults += checkPictures(resources);
    faults += checkScenes(resources);

    const std::string loadingFault = pictureFault(kLoadingScreenPicture);
    if (!loadingFault.empty()) {
        logMessage("Loading screen - picture %s %s\n", kLoadingScreenPicture,
                   loadingFault.c_str());
        ++faults;
    }
    const std::string musicFault = music.decodeWholeFile();
    if (!musicFault.empty()) {
        logMessage("Music: \"%s\" %s\n", music.fileName().c_str(), musicFault.c_str());
        ++faults;
    }

    if (faults > 0) {
        logMessage("Presentation has faults\n");
        return 1;
    }
    logMessage(
        "Presentation is sound: script, relative timers, %zu picture name(s), %zu scene file "
        "name(s), music\n",
        resources.pictures.size(), resources.scenes.size());
    return 0;
}
