// The presentation's window in a web page: the page's canvas ("#canvas")
// and a WebGL context on it. The canvas's drawing buffer has the frame's
// size; the page scales the element to fit with its aspect kept.
#include "Window.h"

#include "base/Log.h"
#include "base/Screen.h"
#include "gfx/Frame.h"
#include "gfx/Gfx.h"
#include "render/FrameSetup.h"
#include "render/SceneRenderer.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstring>

namespace {

constexpr const char* kCanvas = "#canvas";

// clang-format off
// The frame just drawn is complete: the page's hook (Module.onFrameShown)
// sees it before the browser shows it, for the capture and tests. The
// browser shows it once the step that drew it returns.
EM_JS(void, dp_web_frame_drawn, (), {
    if (Module.onFrameShown) Module.onFrameShown();
});
// clang-format on

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE makeContext(int majorVersion, bool antialias) {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_TRUE;
    attributes.antialias = antialias ? EM_TRUE : EM_FALSE;
    attributes.premultipliedAlpha = EM_FALSE;
    attributes.preserveDrawingBuffer = EM_FALSE;
    attributes.powerPreference = EM_WEBGL_POWER_PREFERENCE_HIGH_PERFORMANCE;
    attributes.majorVersion = majorVersion;
    attributes.minorVersion = 0;
    return emscripten_webgl_create_context(kCanvas, &attributes);
}

}  // namespace

bool createWindow(WindowRecord& record, bool, bool) {
    record.failure.clear();
    emscripten_set_canvas_element_size(kCanvas, record.mode.width, record.mode.height);
    const bool antialias = record.mode.samples >= 2;
    // WebGL 2 has what the frame needs of ES 3 (non-power-of-two textures
    // with mipmaps); WebGL 1 draws the same with ES 2.0's rules.
    record.context = makeContext(2, antialias);
    if (record.context <= 0) {
        record.context = makeContext(1, antialias);
        if (record.context > 0)
            logMessage("Window: no WebGL 2 in this browser; drawing with WebGL 1\n");
    }
    if (record.context <= 0) {
        record.context = 0;
        record.failure =
            "This browser cannot draw the presentation: WebGL is not available "
            "(it may be turned off, or the graphics driver is blocked).";
        return false;
    }
    emscripten_webgl_make_context_current(record.context);

    EmscriptenWebGLContextAttributes granted;
    emscripten_webgl_get_context_attributes(record.context, &granted);
    if (!granted.stencil) logMessage("Window: no stencil buffer granted, shadows need 8 bits\n");
    setStencilShadowsAvailable(granted.stencil != 0);

    try {
        gfx::setBackend(gfx::makeBackend(gfx::Renderer::gles2));
    } catch (const gfx::BackendError& e) {
        record.failure =
            std::string("The gles2 renderer cannot draw in this WebGL context.\n") + e.what();
        destroyWindow(record);
        return false;
    }
    gfx::FrameLayout layout;
    layout.width = layout.windowWidth = record.mode.width;
    layout.height = layout.windowHeight = record.mode.height;
    layout.samples = antialias && granted.antialias ? record.mode.samples : 0;
    record.samples = gfx::beginFrame(layout).samples;
    record.active = true;
    setTargetProjection(record.mode.width, record.mode.height);
    std::memset(mutableKeyState(), 0, sizeof(std::int32_t) * kKeyCount);
    return true;
}

void destroyWindow(WindowRecord& record) {
    if (record.context > 0) {
        // The context stays: destroying it would blank the canvas, and the
        // last frame is to stay on the page. Its objects go with the backend.
        gfx::endMultisampledFrame();
        gfx::setBackend(nullptr);
    }
    record.context = 0;
}

void presentFrame(WindowRecord&) {
    dp_web_frame_drawn();
}

void windowDrawableSize(const WindowRecord& record, int& width, int& height) {
    width = record.mode.width;
    height = record.mode.height;
}

void resizeWindow(WindowRecord&, int, int) {}
