// The presentation window with its OpenGL context.
#pragma once

#include "app/Options.h"

#include <SDL.h>

#include <string>

// One per process. `mode.fullScreen` is the mode the window was made in: a
// failed display-mode switch turns it off.
struct WindowRecord {
    SDL_Window* window = nullptr;     // null when none
    SDL_GLContext context = nullptr;  // the window's GL context
    std::string title = "Vantorra - Brindlewave";
    ScreenMode mode;
    bool active = false;  // shown and not minimised: frames are drawn
    bool vsync = true;    // pace frames by the display's refresh
    int samples = 0;      // multisampling granted; 0: none
    std::string failure;  // why createWindow failed, when it can say more than that it did
};

// Creates the window and its GL context (double buffer, depth 16, stencil 8,
// 5/6/5 colour at 16 bpp and 8/8/8 at 32 bpp; a compatibility profile for
// the gl1 renderer, OpenGL ES 2.0 for gles2) and installs the mode's
// renderer in the drawing door. Full
// screen switches the display mode; when that fails the "Mode Switch Failed"
// box is shown and the window is windowed. `mode.samples` asks for
// multisampled frames (as many as the driver gives, said once on standard
// error when fewer). Returns false, with everything
// acquired released, when the window or context cannot be made.
bool createWindow(WindowRecord& record, bool show, bool makeCurrent);

// Releases the context and the window; a changed display mode is restored.
void destroyWindow(WindowRecord& record);
