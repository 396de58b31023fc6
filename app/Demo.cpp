#include "Demo.h"

#include "effects/ShaderRegistry.h"

#include "FileWatcher.h"
#include "TimelineRebuild.h"
#ifndef __EMSCRIPTEN__
#include "VideoEncoder.h"
#endif
#include "base/CaseInsensitive.h"
#include "base/Clock.h"
#include "base/Interrupt.h"
#include "base/KeyCodes.h"
#include "base/Log.h"
#include "base/Screen.h"
#include "data/DataFile.h"
#include "data/FramePng.h"
#include "gfx/Frame.h"
#include "render/FrameSetup.h"
#include "render/OverlayFont.h"
#include "render/PictureLoadingScreen.h"
#include "render/SceneRegistry.h"
#include "render/Texture.h"
#include "render/TextureRegistry.h"
#include "timeline/ResourceList.h"
#include "timeline/TimelineParser.h"

#include "music/Music.h"
#include "timeline/MusicClock.h"
#include "timeline/Timeline.h"

#include "gfx/Gfx.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

// An editor's save settles within this; one reload follows.
constexpr double kQuietSeconds = 0.1;
// A script found not ready is read again this often, this many times.
constexpr double kScriptRetrySeconds = 0.25;
constexpr int kScriptRetries = 8;
// How long the overlay shows a reload's result.
constexpr double kNoteSeconds = 4.0;

// Threads that decode pictures while the loading screen runs: one per core,
// or DEMOPLAYER_LOAD_WORKERS (0: every picture decoded when asked for, on
// this thread), for tests and measurements.
unsigned loadWorkers() {
#ifdef __EMSCRIPTEN__
    // A web page has no threads (a static server cannot send the headers
    // shared memory needs): every picture is decoded when asked for.
    return 0;
#endif
    if (const char* text = std::getenv("DEMOPLAYER_LOAD_WORKERS")) {
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && n >= 0 && n <= 256) return static_cast<unsigned>(n);
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

// Names of `resources` in the load pass's order.
std::vector<std::string> namesOf(const std::vector<NamedResource>& resources) {
    std::vector<std::string> names;
    for (const NamedResource& resource : resources) names.push_back(resource.name);
    return names;
}

}  // namespace

Demo::Demo(WindowRecord* window, const Options* options, Music* music, MusicClock* musicClock,
           long* presentationFrames, std::function<void()> requestQuit,
           std::function<void()> requestToggle)
    : window_(window),
      options_(options),
      music_(music),
      musicClock_(musicClock),
      presentationFrames_(presentationFrames),
      requestQuit_(std::move(requestQuit)),
      requestToggle_(std::move(requestToggle)) {}

void Demo::start() {
    OverlayFont::instance().build(screenSize().height);
    setPresentationDefaults();

    timeline_ = parseTimeline(options_->scriptPath(), musicClock_);
    setCurrentTimeline(timeline_.get());
    timeline_->tracks().setViewportSetter(
        [](int x, int y, int w, int h) { gfx::viewport(x, y, w, h); });

    // Pictures and scenes are read on the workers from here on, the loading
    // screen's picture first; the load pass takes each where it would have
    // read it, so its log and frames stay the same.
    ResourceList resources;
    resources.pictures.push_back({kLoadingScreenPicture});
    timeline_->tracks().listResources(resources);
    const unsigned workers = loadWorkers();
    BitmapRegistry::instance().beginPrefetch(namesOf(resources.pictures), workers);
    SceneRegistry::instance().beginPrefetch(namesOf(resources.scenes), workers, screenSize().width,
                                            screenSize().height);

    // The loading screen shows at once; then each step loads until one
    // resource was reported, and shows it.
    loadingScreen_ = std::make_unique<PictureLoadingScreen>(timeline_->totalLoadWeight(),
                                                            static_cast<float>(clockSeconds()));
    setLoadingFlag(true);
    oneFrame();
    // In a web page the browser may still be decoding the music: loading
    // begins once it is known whether the music plays.
    waitingForMusic_ = music_->decodePending();
    if (!waitingForMusic_) beginLoading();
}

void Demo::beginLoading() {
    timeline_->beginLoading();
    loading_ = true;
}

bool Demo::step() {
    if (waitingForMusic_) {
        if (music_->decodePending()) {
            oneFrame();
            return true;
        }
        waitingForMusic_ = false;
        // The music's faults are the script's, as when found while parsing.
        stopOnScriptErrors();
        beginLoading();
    }
    if (loading_) {
        if (timeline_->loadStep(*loadingScreen_)) {
            oneFrame();
            return true;
        }
        finishLoading();
    }
    oneFrame();
    return true;
}

void Demo::finishLoading() {
    loading_ = false;
    setLoadingFlag(false);
    BitmapRegistry::instance().endPrefetch();
    SceneRegistry::instance().endPrefetch();

    if (const char* hook = std::getenv(kScriptedActionsVariable)) {
        std::string error;
        actions_ = parseScriptedActions(hook, error);
        if (!error.empty()) logMessage("%s: %s\n", kScriptedActionsVariable, error.c_str());
        // After a rebuild (F1) the actions of frames already drawn are done.
        while (nextAction_ < actions_.size() && actions_[nextAction_].frame < *presentationFrames_)
            ++nextAction_;
    }
    if (options_->watch || !actions_.empty()) resources_.remember();
    if (options_->watch) {
        // The current directory is the demo directory (-C changed there).
        watcher_ = std::make_unique<FileWatcher>(".", kQuietSeconds);
        overlay_ = true;
    }
}

bool Demo::rebuildTimeline(bool filesChanged) {
    const double began = clockSeconds();
    // Pictures and scenes are compared only where files are known to change.
    ResourceRefresh* resources = options_->watch || !actions_.empty() ? &resources_ : nullptr;
    const RebuildResult result =
        ::rebuildTimeline(timeline_, options_->scriptPath(), musicClock_, resources, filesChanged);
    if (result.scriptMissing) {
        if (retryAt_ < 0.0) {
            logMessage("Reload: the script cannot be read; the previous script plays on\n");
            retriesLeft_ = kScriptRetries;
        }
        showNote("script not readable");
        retryFilesChanged_ = retryFilesChanged_ || filesChanged;
        retryAt_ = retriesLeft_-- > 0 ? clockSeconds() + kScriptRetrySeconds : -1.0;
        return false;
    }
    retryAt_ = -1.0;
    retryFilesChanged_ = false;
    if (!result.replaced) {
        logMessage("Reload: the script has %d fault%s; the previous script plays on\n",
                   result.faults, result.faults == 1 ? "" : "s");
        showNote(std::to_string(result.faults) + (result.faults == 1 ? " fault" : " faults"));
    } else {
        logProgress("Reload: done at %.3f s in %.1f ms\n", music_->time(),
                    (clockSeconds() - began) * 1000.0);
        showNote("reloaded");
    }
    return result.replaced;
}

void Demo::showNote(std::string note) {
    note_ = std::move(note);
    noteUntil_ = clockSeconds() + kNoteSeconds;
}

void Demo::seekTo(double seconds) {
    music_->seek(seconds);
    rebuildTimeline(false);
}

void Demo::copyFile(const std::string& from, const std::string& to) {
    std::error_code error;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
    if (error)
        logMessage("%s: cannot copy \"%s\" to \"%s\": %s\n", kScriptedActionsVariable, from.c_str(),
                   to.c_str(), error.message().c_str());
}

void Demo::authorActions(const std::int32_t* keys) {
    if (pauseKey_.pressed(keys[vk::letterP] != 0, takeKeyPress(vk::letterP)))
        music_->setPaused(!music_->paused());
    if (overlayKey_.pressed(keys[vk::letterO] != 0, takeKeyPress(vk::letterO)))
        overlay_ = !overlay_;
    const double step = keys[vk::shift] ? 1.0 : 10.0;
    if (backKey_.pressed(keys[vk::pageUp] != 0, takeKeyPress(vk::pageUp)))
        seekTo(music_->time() - step);
    if (forwardKey_.pressed(keys[vk::pageDown] != 0, takeKeyPress(vk::pageDown)))
        seekTo(music_->time() + step);
    if (homeKey_.pressed(keys[vk::home] != 0, takeKeyPress(vk::home))) seekTo(options_->start);

    while (nextAction_ < actions_.size() && actions_[nextAction_].frame <= *presentationFrames_) {
        const ScriptedAction& action = actions_[nextAction_++];
        switch (action.kind) {
        case ScriptedAction::Kind::reload: rebuildTimeline(true); break;
        case ScriptedAction::Kind::seek: seekTo(music_->time() + action.seconds); break;
        case ScriptedAction::Kind::home: seekTo(options_->start); break;
        case ScriptedAction::Kind::pause: music_->setPaused(!music_->paused()); break;
        case ScriptedAction::Kind::fullScreen: requestToggle_(); break;
        case ScriptedAction::Kind::windowPicture: windowPicture_ = action.to; break;
        case ScriptedAction::Kind::resize:
            resizeWindow(*window_, action.width, action.height);
            break;
        case ScriptedAction::Kind::copy: copyFile(action.from, action.to); break;
        }
    }
}

void Demo::watchFiles() {
    if (!watcher_) return;
    const std::set<std::string> changed = watcher_->takeSettledChanges(clockSeconds());
    if (changed.empty()) {
        if (retryAt_ >= 0.0 && clockSeconds() >= retryAt_) rebuildTimeline(retryFilesChanged_);
        return;
    }
    const std::string script = dataFileBaseName(options_->scriptPath());
    const std::string musicFile = dataFileBaseName(music_->fileName());
    bool otherFiles = false;  // anything but the script: pictures, scenes, archives
    bool musicChanged = false;
    // An empty name: events were lost, anything may have changed.
    for (const std::string& name : changed) {
        if (!equalsIgnoreCase(name, script)) otherFiles = true;
        if (name.empty() || (!musicFile.empty() && name == musicFile)) musicChanged = true;
    }
    if (musicChanged && !musicFile.empty()) {
        logProgress("Reload: the music file changed\n");
        music_->reload();
    }
    rebuildTimeline(otherFiles);
}

// Shutdown is the caller's step, while the GL context is still current.
Demo::~Demo() = default;

void Demo::shutdown() {
    if (loading_ || waitingForMusic_) {
        // Ended while loading: the decoding workers stop before what they
        // decode for goes.
        loading_ = waitingForMusic_ = false;
        setLoadingFlag(false);
        BitmapRegistry::instance().endPrefetch();
        SceneRegistry::instance().endPrefetch();
    }
    timeline_.reset();
    loadingScreen_.reset();
    OverlayFont::instance().destroy();
    // The registries outlive this GL context: their textures are made again
    // from the kept bitmaps at their next bind in the next context.
    Texture::releaseAll();
    // Programs too: compiled again when the next context loads them.
    ShaderRegistry::instance().releaseAll();
    // Display lists belong to the context too: compiled again at next draw.
    SceneRegistry::instance().releaseGLResources();
}

void Demo::update() {
    fpsRing_.update(clockSeconds());
    const std::int32_t* keys = keyState();
    // A tap shorter than a frame is seen through its latched press. Escape
    // ends a run while it loads too; other keys wait for the presentation.
    if (takeKeyPress(vk::escape) || keys[vk::escape]) requestQuit_();
    if (loadingFlag()) return;
    // One toggle per press: holding Space must not make the display flicker.
    // (F1 is the platform's: its presses count also while a rebuild loads.)
    if (spaceKey_.pressed(keys[vk::space] != 0, takeKeyPress(vk::space))) showFps_ = !showFps_;
    authorActions(keys);
    watchFiles();
}

bool Demo::draw() {
    presentationFrame_ = !loadingFlag();
    double t = 0.0;
    if (presentationFrame_) {
        t = musicClock_->time();
        if (options_->until && t >= *options_->until) {
            requestQuit_();
            return false;
        }
    }

    gfx::clear(gfx::colourBuffer | gfx::depthBuffer);
    gfx::loadIdentity();
    if (!presentationFrame_) {
        if (loadingScreen_) loadingScreen_->draw(static_cast<float>(clockSeconds()));
    } else if (timeline_ && !timeline_->frame(static_cast<float>(t))) {
        if (!musicClock_->ended()) {
            logMessage("Drawing failed, exiting\n");
            fatalStop(15);
        }
        requestQuit_();  // the music has ended: the presentation is over
    }
    if (presentationFrame_ && showFps_) {
        gfx::colour(1.0f, 1.0f, 0.0f);
        OverlayFont::instance().printAt(0.0f, 0.0f, "%2.2f fps", fpsRing_.fps());
    }
    gfx::flush();
    return true;
}

void Demo::capture() {
    if (options_->captureDirectory.empty() && !video_) return;
    const ScreenSize& s = screenSize();
    captureBuffer_.resize(static_cast<size_t>(s.width) * s.height * 3);
    const double readStart = clockSeconds();
    {
        const gfx::ResolvedFrameRead read;
        gfx::readPixels(0, 0, s.width, s.height, gfx::PixelFormat::rgb, captureBuffer_.data());
    }
    if (video_) feedVideo(clockSeconds() - readStart);
    if (options_->captureDirectory.empty()) return;
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%06ld.png", *presentationFrames_);
    const std::string path = options_->captureDirectory + name;
    if (!writeFramePng(path, s.width, s.height, captureBuffer_)) {
        logMessage("Capture: cannot write \"%s\", exiting\n", path.c_str());
        fatalStop(5);
    }
}

void Demo::feedVideo(double readBackSeconds) {
#ifdef __EMSCRIPTEN__
    (void)readBackSeconds;  // no video export in a web page: video_ stays null
#else
    const ScreenSize& s = screenSize();
    video_->addReadBackTime(readBackSeconds);
    std::string error;
    if (!video_->begun() &&
        !video_->begin(music_->fileName(), music_->length().value_or(Music::kSilenceSeconds),
                       error)) {
        video_->abandon();
        logMessage("Video: %s, exiting\n", error.c_str());
        fatalStop(5);
    }
    if (!video_->addFrame(captureBuffer_.data(), s.width, s.height, error)) {
        video_->abandon();
        logMessage("Video: %s, exiting\n", error.c_str());
        fatalStop(5);
    }
#endif
}

void Demo::drawAuthorOverlay() {
    if (!overlay_ || !timeline_) return;
    // Below the frame rate Space shows at the top.
    const double t = music_->time();
    const long long ms = std::llround(std::max(0.0, t) * 1000.0);
    OverlayFont& font = OverlayFont::instance();
    gfx::colour(0.4f, 1.0f, 0.4f);
    font.printAt(0.0f, 0.07f, "%lld:%02lld.%03lld%s", ms / 60000, ms / 1000 % 60, ms % 1000,
                 music_->paused() ? "  paused" : "");
    const MusicTempo& tempo = timeline_->tempo();
    const double beats = (t - tempo.musicStartTime) * tempo.musicBpm / 60.0;
    if (tempo.usableBpm() && beats >= 0.0 && beats < 1e9) {
        // As midi( ) positions are written: bar and beat from 1, 240 ticks
        // to the beat, four beats to the bar; rows as a tracker's, four to
        // the beat.
        const long long whole = static_cast<long long>(beats);
        const int tick = static_cast<int>((beats - static_cast<double>(whole)) * 240.0);
        font.printAt(0.0f, 0.14f, "midi(%lld:%lld:%d)  row %lld", whole / 4 + 1, whole % 4 + 1,
                     tick, static_cast<long long>(beats * 4.0));
    }
    font.printAt(0.0f, 0.21f, "%.1f fps", static_cast<double>(fpsRing_.fps()));
    if (!note_.empty() && clockSeconds() < noteUntil_)
        font.printAt(0.0f, 0.28f, "%s", note_.c_str());
}

void Demo::oneFrame() {
    // Loading runs a frame per loaded resource, so this also stops loading.
    stopIfInterrupted();
    update();
    if (!draw()) return;
    if (presentationFrame_) {
        capture();
        drawAuthorOverlay();
        ++*presentationFrames_;
        music_->frameDrawn();
    }
    gfx::resolveFrame();
    if (!windowPicture_.empty()) writeWindowPicture();
    presentFrame(*window_);
}

void Demo::writeWindowPicture() {
    int w = 0, h = 0;
    windowDrawableSize(*window_, w, h);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
    gfx::readWindowPixels(w, h, rgb.data());
    if (!writeFramePng(windowPicture_, w, h, rgb))
        logMessage("%s: cannot write \"%s\"\n", kScriptedActionsVariable, windowPicture_.c_str());
    windowPicture_.clear();
}
