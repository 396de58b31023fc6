// The program in a web page: the page made the canvas and, for a run with
// sound, the audio context at the viewer's click, put the demo's files into
// the virtual file system and called main with the options its address
// asked for. One presentation, then the end; the page shows the status.
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

int runApplication(const Options& options) {
    setBatchMessageBoxes(options.batch);
    showFatalStopsInBox(requestQuit);
    installGLEndpoints();
    registerEffectModules();

    WindowRecord record;
    record.mode = options.batchMode();
    record.mode.fullScreen = false;  // the page's full screen scales the canvas
    // Paced by the display, except at a fixed frame rate (as on the desktop).
    record.vsync = !options.fixedFps;
    if (!createWindow(record, true, true)) {
        showMessageBox(record.failure.c_str(), "Error", BoxIcon::exclamation);
        return -1;
    }
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onBlur);

    Music& music = Music::instance();
    music.configure(options.fixedFps, options.start, false);
    MusicAdapter musicClock(music);
    long presentationFrames = 0;
    // F1 is the page's: it alone may ask the browser for full screen.
    Demo demo(&record, &options, &music, &musicClock, &presentationFrames, requestQuit, [] {});
    demo.start();
    while (!gQuit) demo.step();
    demo.shutdown();
    destroyWindow(record);
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
    return 0;
}
