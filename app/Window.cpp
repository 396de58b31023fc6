#include "Window.h"

#include "MessageBox.h"
#include "base/Log.h"
#include "base/Screen.h"
#include "gfx/Frame.h"
#include "gfx/Gfx.h"
#include "render/FrameSetup.h"
#include "render/SceneRenderer.h"

#include <cstring>

namespace {

// Whether a window of this run changed the display's mode: an interrupted
// run changes it back.
bool gDisplayModeChanged = false;

// A display mode of exactly this size, preferring the requested colour depth
// and then the highest refresh rate. False when the display has none.
bool findDisplayMode(const ScreenMode& want, SDL_DisplayMode& found) {
    bool have = false;
    int bestScore = -1;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m{};
        if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
        if (m.w != want.width || m.h != want.height) continue;
        const int depth = static_cast<int>(SDL_BITSPERPIXEL(m.format));
        const bool depthMatches = want.bitsPerPixel == 16 ? depth == 16 : depth >= 24;
        const int score = (depthMatches ? 100000 : 0) + m.refresh_rate;
        if (score > bestScore) {
            bestScore = score;
            found = m;
            have = true;
        }
    }
    return have;
}

void setGLAttributes(const ScreenMode& mode) {
    SDL_GL_ResetAttributes();
    if (mode.renderer == gfx::Renderer::gles2) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    } else {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    const bool deep = mode.bitsPerPixel != 16;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, deep ? 8 : 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, deep ? 8 : 6);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, deep ? 8 : 5);
}

}  // namespace

bool createWindow(WindowRecord& record, bool show, bool makeCurrent) {
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    SDL_DisplayMode displayMode{};
    bool switchingMode = false;
    if (record.mode.fullScreen) {
        // Full screen is a borderless window over the desktop, the frame
        // scaled into it; the display's mode changes only when asked, and
        // when it cannot, full screen is had the desktop's way.
        switchingMode = record.switchMode && findDisplayMode(record.mode, displayMode);
        if (record.switchMode && !switchingMode)
            logMessage("Window: the display has no %dx%d mode; full screen at the desktop's size\n",
                       record.mode.width, record.mode.height);
        flags |= switchingMode ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_FULLSCREEN_DESKTOP;
    } else {
        // A window the viewer may resize: the frame is scaled to it.
        flags |= SDL_WINDOW_RESIZABLE;
    }

    setGLAttributes(record.mode);
    // The window starts at its final place and size: full screen on the
    // desktop covers the display even where no window manager makes it so
    // (a bare X server).
    SDL_Rect place{0, 0, record.mode.width, record.mode.height};
    if ((flags & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP &&
        SDL_GetDisplayBounds(0, &place) != 0)
        place = SDL_Rect{0, 0, record.mode.width, record.mode.height};
    record.window =
        SDL_CreateWindow(record.title.c_str(), place.x, place.y, place.w, place.h, flags);
    if (!record.window && record.mode.bitsPerPixel == 16) {
        // Some drivers offer no 16-bit visual: any colour depth will do.
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 0);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 0);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 0);
        record.window =
            SDL_CreateWindow(record.title.c_str(), place.x, place.y, place.w, place.h, flags);
    }
    if (!record.window) {
        logMessage("Window: %s\n", SDL_GetError());
        return false;
    }
    if (record.mode.fullScreen) {
        if (switchingMode) {
            gDisplayModeChanged = true;
            if (SDL_SetWindowDisplayMode(record.window, &displayMode) != 0)
                logMessage("Window: %s\n", SDL_GetError());
        }
        SDL_ShowCursor(SDL_DISABLE);
    }

    record.failure.clear();
    record.context = SDL_GL_CreateContext(record.window);
    if (!record.context) {
        logMessage("Window: %s\n", SDL_GetError());
        if (record.mode.renderer == gfx::Renderer::gles2)
            record.failure =
                std::string("No OpenGL ES 2.0 context for the gles2 renderer: ") + SDL_GetError();
        destroyWindow(record);
        return false;
    }
    int stencil = 0;
    SDL_GL_GetAttribute(SDL_GL_STENCIL_SIZE, &stencil);
    if (stencil < 8) logMessage("Window: only %d stencil bits granted, shadows need 8\n", stencil);
    setStencilShadowsAvailable(stencil >= 8);

    if (makeCurrent) {
        SDL_GL_MakeCurrent(record.window, record.context);
        // The door starts afresh in the new context, with the backend the
        // mode asks for; one that cannot draw here stops the run with why.
        try {
            gfx::setBackend(gfx::makeBackend(record.mode.renderer));
        } catch (const gfx::BackendError& e) {
            record.failure = std::string("The ") + gfx::rendererName(record.mode.renderer) +
                             " renderer cannot draw in this OpenGL context.\n" + e.what();
            destroyWindow(record);
            return false;
        }
        // Swap interval: wait for the display normally; batch runs draw as
        // fast as the machine can.
        SDL_GL_SetSwapInterval(record.vsync ? 1 : 0);
    }
    setMessageBoxOwner(record.window);
    if (makeCurrent) {
        // The frame is drawn at the mode's size and shown scaled to the
        // window's.
        gfx::FrameLayout layout;
        layout.width = record.mode.width;
        layout.height = record.mode.height;
        layout.samples = record.mode.samples;
        SDL_GL_GetDrawableSize(record.window, &layout.windowWidth, &layout.windowHeight);
        layout.smooth = record.smoothScaling;
        const gfx::MultisampleGrant grant = gfx::beginFrame(layout);
        record.samples = grant.samples;
        // Said once per process, not again at every full-screen switch.
        static std::string said;
        if (!grant.note.empty() && grant.note != said) {
            logMessage("Anti-aliasing: %s\n", grant.note.c_str());
            said = grant.note;
        }
    }
    if (show) {
        SDL_ShowWindow(record.window);
        record.active = true;
        setTargetProjection(record.mode.width, record.mode.height);
        if (makeCurrent) {
            // Showing may have given the window its final size.
            int w = 0, h = 0;
            SDL_GL_GetDrawableSize(record.window, &w, &h);
            gfx::setFrameWindowSize(w, h);
        }
    }
    std::memset(mutableKeyState(), 0, sizeof(std::int32_t) * kKeyCount);
    return true;
}

void destroyWindow(WindowRecord& record) {
    if (record.window) {
        if (record.context) {
            SDL_GL_MakeCurrent(record.window, record.context);
            gfx::endMultisampledFrame();
            // The backend's buffers, programs and textures go with their
            // own context current, never later in the next window's.
            gfx::setBackend(nullptr);
            SDL_GL_MakeCurrent(record.window, nullptr);
            SDL_GL_DeleteContext(record.context);
        }
        setMessageBoxOwner(nullptr);
        SDL_DestroyWindow(record.window);  // leaving full screen restores the mode
    }
    record.context = nullptr;
    record.window = nullptr;
    if (record.mode.fullScreen) SDL_ShowCursor(SDL_ENABLE);
}

bool displayModeChanged() {
    return gDisplayModeChanged;
}

void presentFrame(WindowRecord& record) {
    SDL_GL_SwapWindow(record.window);
}

void windowDrawableSize(const WindowRecord& record, int& width, int& height) {
    SDL_GL_GetDrawableSize(record.window, &width, &height);
}

void resizeWindow(WindowRecord& record, int width, int height) {
    SDL_SetWindowSize(record.window, width, height);
}
