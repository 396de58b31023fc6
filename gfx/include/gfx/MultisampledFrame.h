// Multisample anti-aliasing of the presentation. When on, every frame is
// drawn into a multisampled framebuffer the size of the window, and its
// samples are resolved into the window's back buffer before anything reads
// the frame and before it is shown. The window's own buffers stay single
// sampled: Mesa's software drivers grant multisampled windows and EGL
// surfaces that draw without edge coverage, and refuse configurations above
// four samples outright, while multisampled framebuffer objects work.
//
// One per process, tied to the GL context current when it was begun; the
// context must be current for every call.
#pragma once

#include <string>

namespace gfx {

// What beginMultisampledFrame granted.
struct MultisampleGrant {
    int samples = 0;   // 0: the window's back buffer is drawn to directly
    std::string note;  // set when fewer samples than asked were granted: why
};

// Draws from now on into a `width` x `height` framebuffer with `samples`
// samples per pixel (colour, depth 24 and stencil 8 per sample). Asks of more
// than the driver has take its largest; a driver without multisampled
// framebuffers, or one that cannot resolve them into the window, leaves
// multisampling off. `samples` 0 (or below 2) turns it off. Whatever was
// begun before is ended first.
MultisampleGrant beginMultisampledFrame(int width, int height, int samples);

// Releases the framebuffer and draws into the window again. Harmless when off.
void endMultisampledFrame();

// Samples per pixel of the frame being drawn; 0 when off.
int multisampledFrameSamples();

// Copies the frame's resolved picture into the window's back buffer; drawing
// goes on into the multisampled framebuffer. Call before the buffers are
// swapped. Does nothing when off.
void resolveFrame();

// For its lifetime, reads of the frame (glReadPixels, glCopyTexImage2D)
// read the resolved picture in the window's back buffer while drawing still
// goes to the multisampled framebuffer. Does nothing when off.
class ResolvedFrameRead {
public:
    ResolvedFrameRead();
    ~ResolvedFrameRead();
    ResolvedFrameRead(const ResolvedFrameRead&) = delete;
    ResolvedFrameRead& operator=(const ResolvedFrameRead&) = delete;
};

}  // namespace gfx
