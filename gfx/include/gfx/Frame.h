// The presentation's frame: drawn at the size the viewer chose, shown in a
// window that may be larger or smaller (full screen on the desktop, a window
// the viewer resized), scaled to fit with its aspect kept, centred between
// black bars. With multisampling its samples are resolved first.
//
// When the frame and the window have the same size and no samples are asked
// for, the window's back buffer is drawn to directly. Otherwise the frame is
// drawn into a framebuffer object of its size (multisampled when asked: the
// window's own buffers stay single sampled, since Mesa's software drivers
// grant multisampled windows and EGL surfaces that draw without edge
// coverage), and copied into the window before it is shown. Everything that
// reads the frame (routing, capture, video) reads it at its own size.
//
// One per process, tied to the GL context current when it was begun; the
// context must be current for every call.
#pragma once

#include <array>
#include <string>

namespace gfx {

// What beginMultisampledFrame or beginFrame granted.
struct MultisampleGrant {
    int samples = 0;   // 0: single sampled
    std::string note;  // set when fewer samples than asked were granted, or
                       // the frame cannot be scaled: why
};

// How the frame is drawn and shown.
struct FrameLayout {
    int width = 0;  // the frame, as drawn and read
    int height = 0;
    int samples = 0;      // per pixel; below 2: none
    int windowWidth = 0;  // the window's drawable size
    int windowHeight = 0;
    bool smooth = true;  // scaled with linear filtering, else nearest pixels
};

// Draws from now on into a frame of `layout`'s size with its samples (colour,
// depth 24 and stencil 8 per sample), shown in the window as described
// above. Asks for more samples than the driver has take its largest; a
// driver without framebuffer objects, or one that cannot copy them into the
// window, draws into the window directly (then at the window's size, said in
// the note). Whatever was begun before is ended first.
MultisampleGrant beginFrame(const FrameLayout& layout);

// beginFrame for a window of the frame's own size.
inline MultisampleGrant beginMultisampledFrame(int width, int height, int samples) {
    FrameLayout layout;
    layout.width = layout.windowWidth = width;
    layout.height = layout.windowHeight = height;
    layout.samples = samples;
    return beginFrame(layout);
}

// The window's drawable size changed: the frame is shown scaled to it from
// the next resolveFrame on. A frame drawn into the window directly gets a
// framebuffer of its own when the sizes part.
void setFrameWindowSize(int windowWidth, int windowHeight);

// Where the frame lands in the window: x, y (from the lower left), width,
// height in window pixels.
std::array<int, 4> framePlacement();

// Releases the framebuffers and draws into the window again. Harmless when
// none was made.
void endMultisampledFrame();

// Samples per pixel of the frame being drawn; 0 when single sampled.
int multisampledFrameSamples();

// Copies the frame's picture (resolved, scaled, between black bars) into the
// window's back buffer; drawing goes on into the frame. Call before the
// buffers are swapped. Does nothing when the window is drawn to directly.
void resolveFrame();

// The window's back buffer as it will be shown (after resolveFrame): RGB,
// rows bottom first, `width` x `height` from its lower left.
void readWindowPixels(int width, int height, void* rgb);

// For its lifetime, reads of the frame (readPixels, copyFrameToTexture)
// read its resolved picture at the frame's size while drawing still goes to
// the frame. Does nothing when the window is drawn to directly.
class ResolvedFrameRead {
public:
    ResolvedFrameRead();
    ~ResolvedFrameRead();
    ResolvedFrameRead(const ResolvedFrameRead&) = delete;
    ResolvedFrameRead& operator=(const ResolvedFrameRead&) = delete;
};

}  // namespace gfx
