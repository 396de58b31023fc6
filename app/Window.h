// The presentation window with its OpenGL context.
#pragma once

#include "app/Options.h"

#ifdef __EMSCRIPTEN__
#include <emscripten/html5_webgl.h>
#else
#include <SDL.h>
#endif

#include <string>

// One per process. `mode` is the frame the presentation draws; the window
// may be larger (full screen) or resized, the frame scaled into it.
struct WindowRecord {
#ifdef __EMSCRIPTEN__
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;  // the page canvas's WebGL context; 0: none
#else
    SDL_Window* window = nullptr;     // null when none
    SDL_GLContext context = nullptr;  // the window's GL context
#endif
    std::string title = "Vantorra - Brindlewave";
    ScreenMode mode;
    bool active = false;        // shown and not minimised: frames are drawn
    bool vsync = true;          // pace frames by the display's refresh
    int samples = 0;            // multisampling granted; 0: none
    std::string failure;        // why createWindow failed, when it can say more than that it did
    bool switchMode = false;    // full screen changes the display's mode (--switch-mode)
    bool smoothScaling = true;  // the frame is scaled to the window smoothly, else by pixels
};

// Creates the window and its GL context (double buffer, depth 16, stencil 8,
// 5/6/5 colour at 16 bpp and 8/8/8 at 32 bpp; a compatibility profile for
// the gl1 renderer, OpenGL ES 2.0 for gles2) and installs the mode's
// renderer in the drawing door. Full screen is a borderless window over the
// desktop; with `switchMode` the display's mode is changed to the frame's
// size instead, and where it has no such mode full screen is had the
// desktop's way (said on standard error). A windowed window can be resized.
// The frame is drawn at `mode`'s size and shown scaled to the window, its
// aspect kept. `mode.samples` asks for multisampled frames (as many as the
// driver gives, said once on standard error when fewer). Returns false,
// with everything acquired released, when the window or context cannot be
// made.
bool createWindow(WindowRecord& record, bool show, bool makeCurrent);

// Releases the context and the window; a changed display mode is restored.
void destroyWindow(WindowRecord& record);

// Shows the frame drawn (swaps the buffers). In a web page it hands the
// frame to the browser and returns when the browser asks for the next one.
void presentFrame(WindowRecord& record);

// The drawable's size in pixels: the window's, or the canvas's.
void windowDrawableSize(const WindowRecord& record, int& width, int& height);

// Asks for a window of that size (the test hook's "resize="); the frame
// keeps its size. Nothing in a web page, where the page sizes the canvas.
void resizeWindow(WindowRecord& record, int width, int height);

// Whether a window of this run switched the display's mode (full screen with
// --switch-mode); SDL_Quit gives the display its mode back.
bool displayModeChanged();
