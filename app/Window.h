// The presentation window with its OpenGL context.
#pragma once

#include "app/Options.h"

#include <SDL.h>

#include <string>

// One per process. `mode` is the frame the presentation draws; the window
// may be larger (full screen) or resized, the frame scaled into it.
struct WindowRecord {
    SDL_Window* window = nullptr;     // null when none
    SDL_GLContext context = nullptr;  // the window's GL context
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
