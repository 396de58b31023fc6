#include "Application.h"

#include "Demo.h"
#include "MessageBox.h"
#include "MusicAdapter.h"
#include "ResourceReview.h"
#include "base/Log.h"
#include "base/QuietStandardOutput.h"
#include "base/Screen.h"
#include "data/DataFile.h"
#include "data/PictureCheck.h"
#include "effects/EffectModules.h"
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
    logMessage(
        "Presentation is sound: script, relative timers, %zu picture name(s), %zu scene file "
        "name(s), music\n",
        resources.pictures.size(), resources.scenes.size());
    return 0;
}
