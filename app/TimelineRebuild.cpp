#include "TimelineRebuild.h"

#include "ResourceReview.h"

#include "base/Log.h"
#include "data/DataFile.h"
#include "render/SceneRegistry.h"
#include "render/Texture.h"
#include "render/TextureRegistry.h"
#include "timeline/LoadingScreen.h"
#include "timeline/RelativeTimerCheck.h"
#include "timeline/ResourceList.h"
#include "timeline/Timeline.h"
#include "timeline/TimelineParser.h"

#include "gfx/Gfx.h"

#include <algorithm>

namespace {

// A rebuild loads behind no loading screen: the previous frame stays until
// the new timeline draws.
class QuietLoading final : public LoadingScreen {
public:
    // Draws nothing.
    int draw(float) override { return 0; }
    // Counts nothing: the rebuild is a single step.
    void addProgress(float) override {}
};

// The whole script, read twice to the same bytes; false when it is missing,
// empty or changed between the two reads (an editor at work): not ready.
bool readSettledScript(const std::string& path, std::string& text) {
    const auto readOnce = [&path](std::string& into) {
        std::unique_ptr<MemoryFile> file = openDataFile(path);
        if (!file) return false;
        into.assign(reinterpret_cast<const char*>(file->data()), file->size());
        closeDataFile(std::move(file));
        return !into.empty();
    };
    std::string again;
    return readOnce(text) && readOnce(again) && again == text;
}

}  // namespace

RebuildResult rebuildTimeline(std::unique_ptr<Timeline>& timeline, const std::string& scriptPath,
                              MusicClock* music, ResourceRefresh* resources, bool filesChanged) {
    RebuildResult result;
    // The script is read through the data files: a script inside an archive
    // that changed is found there only after a new index.
    if (filesChanged) rescanDataArchives();
    // The script is read once and what was read is parsed: read twice, an
    // editor rewriting it in place could leave it empty or half written
    // between the reads.
    std::string text;
    if (!readSettledScript(scriptPath, text)) {
        result.scriptMissing = true;
        return result;
    }
    Timeline* const previous = timeline.get();
    setScriptErrorFlag(false);
    std::unique_ptr<Timeline> fresh = parseTimelineText(scriptPath, text, music);
    // A relative timer whose time cannot be computed would stop the process
    // when the new timeline first asks for it: a fault of the script now.
    if (!scriptErrorFlag()) checkRelativeTimers(*fresh);
    // A picture or scene file the new script names for the first time is
    // checked before anything is loaded: loading a missing or broken one
    // would stop the process. Files already loaded are known to load (a
    // changed one is read again below, keeping its old content when it
    // fails). Faults are listed and counted as the script's are.
    if (!scriptErrorFlag()) {
        ResourceList named;
        fresh->tracks().listResources(named);
        checkPictures(named, [](const std::string& name) {
            return BitmapRegistry::instance().find(name) != nullptr;
        });
        checkScenes(named, [](const std::string& name) {
            return SceneRegistry::instance().find(name) != nullptr;
        });
        // Every shader is compiled now (the registry keeps what compiles,
        // so unchanged files cost nothing): a shader edited into one that
        // does not compile is a fault, and the previous timeline, with the
        // program it had, plays on.
        checkShaders(named, false);
    }
    if (scriptErrorFlag()) {
        result.faults = std::max(1, scriptErrorCount());
        fresh.reset();
        setCurrentTimeline(previous);
        setScriptErrorFlag(false);
        return result;
    }
    // The old timeline goes first, while it is current (its modules reach
    // the timeline through the current pointer as they go): scenes read
    // again below must not be in use by its modules.
    setCurrentTimeline(previous);
    timeline.reset();
    setCurrentTimeline(fresh.get());
    timeline = std::move(fresh);
    if (resources && filesChanged) result.refreshed = resources->refreshChanged();
    timeline->tracks().setViewportSetter(
        [](int x, int y, int w, int h) { gfx::viewport(x, y, w, h); });
    QuietLoading quiet;
    timeline->load(quiet);
    if (resources) resources->remember();
    result.replaced = true;
    return result;
}
