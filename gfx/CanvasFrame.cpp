// The frame in a web page: the canvas's drawing buffer is the frame, at the
// frame's size, and the page scales the canvas element to fit (CSS), so
// nothing here draws. Multisampling is the context's antialias attribute,
// chosen when the context is made.
#include "gfx/Frame.h"

#include "gfx/Gfx.h"

namespace gfx {

namespace {

struct CanvasFrame {
    int width = 0;
    int height = 0;
    int samples = 0;
};

CanvasFrame& canvasFrame() {
    static CanvasFrame frame;
    return frame;
}

}  // namespace

MultisampleGrant beginFrame(const FrameLayout& layout) {
    CanvasFrame& frame = canvasFrame();
    frame.width = layout.width;
    frame.height = layout.height;
    frame.samples = layout.samples >= 2 ? layout.samples : 0;
    return {frame.samples, {}};
}

void setFrameWindowSize(int, int) {}

std::array<int, 4> framePlacement() {
    const CanvasFrame& frame = canvasFrame();
    return {0, 0, frame.width, frame.height};
}

void endMultisampledFrame() {
    canvasFrame().samples = 0;
}

int multisampledFrameSamples() {
    return canvasFrame().samples;
}

void resolveFrame() {}

void readWindowPixels(int width, int height, void* rgb) {
    readPixels(0, 0, width, height, PixelFormat::rgb, rgb);
}

ResolvedFrameRead::ResolvedFrameRead() = default;
ResolvedFrameRead::~ResolvedFrameRead() = default;

}  // namespace gfx
