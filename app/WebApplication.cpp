// The program in a web page: the page made the canvas and, for a run with
// sound, the audio context at the viewer's click, put the demo's files into
// the virtual file system and called main with the options its address
// asked for. main returns to the browser at once; the browser then calls
// one demo step a frame (at each animation frame, or as soon as it has
// handled what waits at a fixed frame rate), until the end, which reports
// the status to the page.
#include "Application.h"

#include "Demo.h"
#include "MessageBox.h"
#include "MusicAdapter.h"
#include "Window.h"
#include "base/KeyCodes.h"
#include "base/Log.h"
#include "base/Screen.h"
#include "effects/EffectModules.h"
#include "render/FrameSetup.h"
#include "render/PatchCable.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <memory>

namespace {

bool gQuit = false;

void requestQuit() {
    gQuit = true;
}

// The DOM's keyCode is the Windows virtual-key code the key state is
// indexed by (letters, digits, F-keys, Escape, Space, paging and arrows
// alike), so no table is needed.
int virtualKeyOf(const EmscriptenKeyboardEvent& e) {
    const int code = static_cast<int>(e.keyCode);
    return code > 0 && code < kKeyCount ? code : -1;
}

// Keys whose browser action (scrolling, the help page) would fight the
// player's; every other key keeps what the browser does with it.
bool keyTakenFromBrowser(int code) {
    switch (code) {
    case vk::space:
    case vk::pageUp:
    case vk::pageDown:
    case vk::home:
    case vk::end:
    case vk::left:
    case vk::up:
    case vk::right:
    case vk::down:
    case vk::f1: return true;
    default: return false;
    }
}

EM_BOOL onKey(int type, const EmscriptenKeyboardEvent* e, void*) {
    const int code = virtualKeyOf(*e);
    if (code < 0) return EM_FALSE;
    // Auto-repeat changes nothing: the key is already held.
    if (!e->repeat) {
        std::int32_t& held = mutableKeyState()[code];
        const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
        if (down && !held) latchKeyPress(code);
        held = down ? 1 : 0;
    }
    return keyTakenFromBrowser(code) ? EM_TRUE : EM_FALSE;
}

// A key released while the page had no focus never reports its release.
EM_BOOL onBlur(int, const EmscriptenFocusEvent*, void*) {
    for (int code = 0; code < kKeyCount; ++code) mutableKeyState()[code] = 0;
    return EM_FALSE;
}

}  // namespace

// The music time now, for the page's clock readings (tests).
extern "C" EMSCRIPTEN_KEEPALIVE double dp_web_music_time() {
    return Music::instance().time();
}

// Whether the loading screen is what shows, for the page's timings.
extern "C" EMSCRIPTEN_KEEPALIVE int dp_web_loading() {
    return loadingFlag() ? 1 : 0;
}

namespace {

// What lives from main's return to the end of the run; the browser's calls
// of the step reach it through gRun.
struct WebRun {
    explicit WebRun(const Options& runOptions) : options(runOptions), musicClock(Music::instance()) {}
    Options options;
    WindowRecord record;
    MusicAdapter musicClock;
    long presentationFrames = 0;
    std::unique_ptr<Demo> demo;
};

std::unique_ptr<WebRun> gRun;

void endRun() {
    gRun->demo->shutdown();
    gRun->demo.reset();
    destroyWindow(gRun->record);
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
    gRun.reset();
}

// The browser's call, once a frame. Key events arrive between calls.
void stepOnce(void*) {
    if (!gQuit) gRun->demo->step();
    if (!gQuit) return;
    emscripten_cancel_main_loop();
    endRun();
    emscripten_force_exit(0);
}

}  // namespace

int runApplication(const Options& options) {
    setBatchMessageBoxes(options.batch);
    showFatalStopsInBox(requestQuit);
    installGLEndpoints();
    registerEffectModules();

    gRun = std::make_unique<WebRun>(options);
    WindowRecord& record = gRun->record;
    record.mode = options.batchMode();
    record.mode.fullScreen = false;  // the page's full screen scales the canvas
    // Paced by the display, except at a fixed frame rate (as on the desktop).
    record.vsync = !options.fixedFps;
    if (!createWindow(record, true, true)) {
        showMessageBox(record.failure.c_str(), "Error", BoxIcon::exclamation);
        gRun.reset();
        return -1;
    }
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onBlur);

    Music& music = Music::instance();
    music.configure(options.fixedFps, options.start, false);
    // F1 is the page's: it alone may ask the browser for full screen.
    gRun->demo = std::make_unique<Demo>(&record, &gRun->options, &music, &gRun->musicClock,
                                        &gRun->presentationFrames, requestQuit, [] {});
    gRun->demo->start();
    emscripten_set_main_loop_arg(stepOnce, nullptr, 0, false);
    if (!record.vsync) emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 0);
    // Never returns: main's stack is given up, the runtime lives on.
    emscripten_exit_with_live_runtime();
    return 0;
}
