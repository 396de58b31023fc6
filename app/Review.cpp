#include "Application.h"

#include "Demo.h"
#include "MessageBox.h"
#include "MusicAdapter.h"
#include "ResourceReview.h"
#include "Window.h"
#include "base/Log.h"
#include "base/QuietStandardOutput.h"
#include "base/Screen.h"
#include "data/DataFile.h"
#include "data/PictureCheck.h"
#include "effects/EffectModules.h"
#include "effects/ShaderRegistry.h"
#include "gfx/Renderer.h"
#include "render/PictureLoadingScreen.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "timeline/RelativeTimerCheck.h"
#include "timeline/RenderTarget.h"
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

// Compiles every shader the script names, in a hidden window of the
// renderer a run would use (or, with no display, an offscreen one): a
// shader that compiles with one driver may not with another, and a review
// that never compiled would pass what a run stops on.
int compileShaders(const ResourceList& resources, const Options& options) {
#ifdef __EMSCRIPTEN__
    // A page plays; it reviews nothing.
    (void)resources;
    (void)options;
    return 0;
#else
    if (resources.shaders.empty()) return 0;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0 && SDL_VideoInit("offscreen") != 0) {
        logMessage("Shaders: no display to compile them on (%s); checked as text only\n",
                   SDL_GetError());
        return 0;
    }
    WindowRecord record;
    record.mode = options.batchMode();
    record.mode.fullScreen = false;
    record.mode.samples = 0;
    record.vsync = false;
    if (!createWindow(record, false, true)) {
        logMessage("Shaders: no %s context to compile them in%s%s; checked as text only\n",
                   gfx::rendererName(record.mode.renderer), record.failure.empty() ? "" : ": ",
                   record.failure.c_str());
        return 0;
    }
    const int faults = checkShaders(resources, true);
    ShaderRegistry::instance().releaseAll();
    destroyWindow(record);
    return faults;
#endif
}

}  // namespace

int runScriptCheck(const Options& options) {
    std::unique_ptr<Timeline> timeline =
        parseTimeline(options.scriptPath(), &reviewMusicClock(options));
    logMessage("Script is sound\n");
    return 0;
}

int runVerify(const Options& options) {
    std::unique_ptr<Timeline> timeline =
        parseTimeline(options.scriptPath(), &reviewMusicClock(options), ScriptFaults::list);
    const Music& music = Music::instance();
    int faults = scriptErrorFlag() ? 1 : 0;  // the parser listed them; count the run as faulty
    faults += checkRelativeTimers(*timeline);

    ResourceList resources;
    timeline->tracks().listResources(resources);
    faults += checkPictures(resources);
    faults += checkScenes(resources);
    faults += compileShaders(resources, options);

    const std::string loadingFault = pictureFault(kLoadingScreenPicture);
    if (!loadingFault.empty()) {
        logMessage("Loading screen - picture %s %s\n", kLoadingScreenPicture, loadingFault.c_str());
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
    // The line of a presentation without shaders reads as it always has.
    const std::string shaders =
        resources.shaders.empty()
            ? std::string()
            : ", " + std::to_string(resources.shaders.size()) + " shader file(s)";
    logMessage(
        "Presentation is sound: script, relative timers, %zu picture name(s), %zu scene file "
        "name(s)%s, music\n",
        resources.pictures.size(), resources.scenes.size(), shaders.c_str());
    return 0;
}
