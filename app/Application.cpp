#include "Application.h"

#include "Demo.h"
#include "DisplayLoss.h"
#include "KeyMap.h"
#include "MessageBox.h"
#include "ModeDialog.h"
#include "MusicAdapter.h"
#include "VideoEncoder.h"
#include "Window.h"
#include "base/Interrupt.h"
#include "base/Log.h"
#include "base/QuietStandardOutput.h"
#include "base/Screen.h"
#include "effects/EffectModules.h"
#include "gfx/Frame.h"
#include "render/FrameSetup.h"
#include "render/PatchCable.h"
#include "render/Texture.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

namespace {

// Process-wide loop state: the running flag decides whether the window is
// rebuilt after the loop ends; a posted quit ends the loop once every pending
// event has been handled.
struct LoopState {
    bool running = false;
    bool quitPosted = false;
    bool fullScreenRequest = false;
    Uint32 toggleEvent = 0;  // our event type for "rebuild in the other mode"
    // F1 presses (and scripted toggles) not acted on yet. Each press counts
    // once, also those made while a rebuild loads: a viewer who presses
    // twice then is back in the mode they started from.
    int togglesPending = 0;
    // F1 is down: a held key that the window system reports again to the
    // rebuilt window is not a new press. Kept across rebuilds.
    bool f1Held = false;
};
LoopState gLoop;

void requestQuit() {
    gLoop.quitPosted = true;
    gLoop.running = false;
}

void requestModeToggle() {
    SDL_Event e{};
    e.type = gLoop.toggleEvent;
    SDL_PushEvent(&e);
}

// Whether the video driver shows windows to a person: the offscreen and
// dummy drivers, which SDL falls back to without a display, do not.
bool videoCanShowWindows() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) return false;
    const std::string_view name = driver;
    return name != "offscreen" && name != "dummy";
}

enum class VideoStart { ok, failed, noDisplay };

// Starts SDL video. Batch runs on a machine without a display server use the
// offscreen driver (EGL with Mesa) so they need nothing but the GPU driver;
// other runs need a display a person sees, unless SDL_VIDEODRIVER names the
// driver.
VideoStart initVideo(bool batch) {
    // Signals are ours (base/Interrupt.h), not quit requests.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const bool driverChosen = std::getenv("SDL_VIDEODRIVER") != nullptr;
    const bool haveDisplay = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    if (batch && !driverChosen && !haveDisplay) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    bool started = SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) == 0;
    if (!started && batch) {
        logMessage("Video: %s; trying the offscreen driver\n", SDL_GetError());
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        started = SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) == 0;
    }
    if (!started) {
        logMessage("Video: %s\n", SDL_GetError());
        return haveDisplay || driverChosen ? VideoStart::failed : VideoStart::noDisplay;
    }
    // SDL falls back to drivers without a screen when the display named
    // cannot be opened: a viewer would watch nothing, and wait.
    if (!batch && !driverChosen && !videoCanShowWindows()) {
        SDL_Quit();
        return VideoStart::noDisplay;
    }
    watchDisplayConnection();
    return VideoStart::ok;
}

// Says why nothing can be shown, and how to play without a display.
int noDisplay(const char* what) {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (x || wayland) {
        std::string named;
        if (x) named += std::string("DISPLAY=") + x;
        if (wayland) named += std::string(x ? ", " : "") + "WAYLAND_DISPLAY=" + wayland;
        logMessage("demoplayer: the display (%s) cannot be opened: no %s.\n", named.c_str(), what);
    } else {
        logMessage("demoplayer: no display to show the %s on.\n", what);
    }
    logMessage(
        "To play without one, use --batch with --mode WxH, e.g. "
        "demoplayer --batch --mode 640x480 --capture frames\n");
    return -1;
}

// An interrupted run gives the display its mode back when it changed it;
// nothing else needs tearing down before the process ends.
void releaseDisplay() {
    if (displayModeChanged()) SDL_Quit();
}

void handleWindowEvent(const SDL_WindowEvent& e, WindowRecord& record) {
    if (e.windowID != SDL_GetWindowID(record.window)) return;
    switch (e.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED: {
        // The frame keeps its size; it is shown scaled to the window's.
        record.active = true;
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(record.window, &w, &h);
        gfx::setFrameWindowSize(w, h);
        setTargetProjection(record.mode.width, record.mode.height);
        break;
    }
    case SDL_WINDOWEVENT_MINIMIZED: record.active = false; break;
    case SDL_WINDOWEVENT_CLOSE: requestQuit(); break;
    default: break;
    }
}

void handleEvent(const SDL_Event& e, WindowRecord& record) {
    if (e.type == gLoop.toggleEvent) {
        ++gLoop.togglesPending;
        return;
    }
    switch (e.type) {
    case SDL_QUIT: requestQuit(); break;
    case SDL_WINDOWEVENT: handleWindowEvent(e.window, record); break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        // Auto-repeat changes nothing: the key is already held. Ignoring it
        // also keeps a key held across a rebuild from acting again.
        if (e.key.repeat) break;
        if (e.key.keysym.sym == SDLK_F1) {
            // Whatever window had the key: presses during a rebuild count.
            const bool down = e.type == SDL_KEYDOWN;
            if (down && !gLoop.f1Held) ++gLoop.togglesPending;
            gLoop.f1Held = down;
            break;
        }
        // Events for a window already destroyed (a release that arrives
        // after a rebuild) must not touch the new window's key state.
        if (e.key.windowID != 0 && e.key.windowID != SDL_GetWindowID(record.window)) break;
        int code = virtualKeyFor(e.key.keysym.sym, e.key.keysym.scancode);
        if (code >= 0 && code < kKeyCount) {
            std::int32_t& held = mutableKeyState()[code];
            if (e.type == SDL_KEYDOWN && !held) latchKeyPress(code);
            held = e.type == SDL_KEYDOWN ? 1 : 0;
        }
        break;
    }
    default: break;
    }
}

// An odd number of toggles asks for a rebuild in the other mode; an even
// number leaves the mode as it is, without rebuilding twice.
void takeToggles() {
    if (gLoop.togglesPending % 2 == 1) {
        gLoop.fullScreenRequest = !gLoop.fullScreenRequest;
        gLoop.quitPosted = true;  // the running flag stays set: rebuild
    }
    gLoop.togglesPending = 0;
}

// Handles every pending event before the next frame; blocks while the window
// is inactive. Ends when a quit was posted.
void messageLoop(WindowRecord& record, Demo& demo) {
    gLoop.quitPosted = false;
    SDL_Event e;
    for (;;) {
        if (displayConnectionLost(record.window)) endWithLostDisplay();
        while (SDL_PollEvent(&e)) handleEvent(e, record);
        // F1 pressed while loading is taken once the presentation shows.
        if (!loadingFlag()) takeToggles();
        if (gLoop.quitPosted) return;
        if (record.active) {
            demo.step();
        } else {
            // Wake now and then while minimised, so a signal is not missed.
            if (SDL_WaitEventTimeout(&e, 100)) handleEvent(e, record);
            stopIfInterrupted();
        }
    }
}

}  // namespace

int runApplication(const Options& options) {
    setBatchMessageBoxes(options.batch);
    showFatalStopsInBox(requestQuit);

    // A video that cannot be written is known before anything is rendered.
    std::unique_ptr<VideoEncoder> video;
    if (!options.videoFile.empty()) {
        VideoSettings settings;
        const ScreenMode size = options.batchMode();
        settings.path = options.videoFile;
        settings.width = size.width;
        settings.height = size.height;
        settings.fps = options.fixedFps.value_or(60.0);
        settings.quality = options.videoQuality;
        settings.codecName = options.videoCodec;
        settings.start = options.start;
        settings.until = options.until;
        std::string error;
        video = VideoEncoder::open(settings, error);
        if (!video) {
            logMessage("demoplayer: %s\n", error.c_str());
            return 2;
        }
    }
    // An export shows its progress line and nothing else unless something goes
    // wrong: the scene reader's lines on standard output are not shown either.
    std::optional<QuietStandardOutput> quietOutput;
    if (video) quietOutput.emplace();

    switch (initVideo(options.batch)) {
    case VideoStart::ok: break;
    case VideoStart::noDisplay:
        return noDisplay(options.mode ? "window to play in" : "screen-mode dialog");
    case VideoStart::failed:
        showMessageBox("RegisterClassEx Failed!", "Error", BoxIcon::exclamation);
        showMessageBox("Error Registering Window Class!", "Error", BoxIcon::exclamation);
        return -1;
    }
    setInterruptRelease(releaseDisplay);
    const bool dialogWanted = !options.mode && !options.batch;
    if (dialogWanted && !videoCanShowWindows()) return noDisplay("screen-mode dialog");
    // SDL_Quit restores a changed display mode, also when a fatal stop ends
    // the process without demo shutdown.
    std::atexit(SDL_Quit);
    SDL_DisableScreenSaver();
    gLoop.toggleEvent = SDL_RegisterEvents(1);
    installGLEndpoints();
    registerEffectModules();

    ScreenMode mode;
    if (options.mode || options.batch) {
        mode = options.batchMode();
    } else {
        switch (runModeDialog(options.fullScreen, options.msaa, options.renderer, mode)) {
        case DialogResult::chosen: break;
        case DialogResult::cancelled: return 0;  // the viewer chose not to play
        case DialogResult::failed: return -1;    // no window to ask in
        }
    }

    WindowRecord record;
    record.mode = mode;
    record.vsync = !options.fixedFps;
    record.switchMode = options.switchMode;
    record.smoothScaling = !options.nearestScaling;
    Music& music = Music::instance();
    music.configure(options.fixedFps, options.start, false);
    MusicAdapter musicClock(music);
    long presentationFrames = 0;
    gLoop.running = true;
    gLoop.fullScreenRequest = mode.fullScreen;
    while (gLoop.running) {
        record.mode.fullScreen = gLoop.fullScreenRequest;
        record.mode.width = mode.width;
        record.mode.height = mode.height;
        if (!createWindow(record, true, true)) {
            showMessageBox(
                record.failure.empty() ? "Error Creating OpenGL Window" : record.failure.c_str(),
                "Error", BoxIcon::exclamation);
            gLoop.running = false;
            return -1;
        }
        // A failed mode switch leaves the window windowed; the next toggle
        // then asks for full screen again.
        gLoop.fullScreenRequest = record.mode.fullScreen;
        Demo demo(&record, &options, &music, &musicClock, &presentationFrames, requestQuit,
                  requestModeToggle);
        demo.setVideoEncoder(video.get());
        demo.start();
        messageLoop(record, demo);
        demo.shutdown();
        destroyWindow(record);
    }
    if (video) {
        std::string error;
        if (video->framesWritten() == 0) {
            video->abandon();
            logMessage("Video: no presentation frame was drawn, \"%s\" not written\n",
                       options.videoFile.c_str());
            return 5;
        }
        if (!video->finish(error)) {
            video->abandon();
            logMessage("Video: %s\n", error.c_str());
            return 5;
        }
    }
    // Frames go out one file each: the last must still be where it was
    // written, or the folder went while the run wrote into it.
    if (!options.captureDirectory.empty() && presentationFrames > 0) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%06ld.png", presentationFrames - 1);
        std::error_code ec;
        if (!std::filesystem::is_regular_file(options.captureDirectory + name, ec)) {
            logMessage(
                "Capture: \"%s%s\" is gone: the folder was removed or renamed while "
                "the frames were written\n",
                options.captureDirectory.c_str(), name);
            return 5;
        }
    }
    return 0;
}
