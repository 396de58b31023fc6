#include "gfx/Frame.h"

#include "FrameTargets.h"
#include "gfx/Gfx.h"

#include <string>

namespace gfx {

namespace {

struct Buffers {
    std::uint32_t framebuffer = 0;  // the backend's, with its storage
};

struct FrameState {
    FrameLayout layout;  // samples: as granted
    int asked = 0;       // samples asked for
    Buffers draw;        // the frame as drawn; none: the window is drawn to
    Buffers resolve;     // its samples resolved, when the frame is also scaled

    bool active() const { return draw.framebuffer != 0; }
    bool scaled() const {
        return layout.windowWidth != layout.width || layout.windowHeight != layout.height;
    }
    bool multisampled() const { return layout.samples >= 2; }
};

FrameState gFrame;

void release(Buffers& b) {
    if (b.framebuffer) deleteFramebuffer(b.framebuffer);
    b = Buffers{};
}

// A complete framebuffer of the frame's size: `format` colour and, with
// `depth`, depth and stencil, `samples` per pixel (0: single sampled). The
// samples granted replace `samples`. False, nothing left allocated, when the
// driver refuses.
bool make(Buffers& b, int width, int height, int& samples, FrameFormat format, bool depth) {
    b.framebuffer = createFramebuffer(width, height, format, depth, samples);
    return b.framebuffer != 0;
}

std::array<int, 4> placementOf(const FrameLayout& l) {
    if (l.width <= 0 || l.height <= 0 || l.windowWidth <= 0 || l.windowHeight <= 0)
        return {{0, 0, l.width, l.height}};
    // The whole width, unless that makes the picture taller than the window.
    long long w = l.windowWidth;
    long long h = static_cast<long long>(l.height) * l.windowWidth / l.width;
    if (h > l.windowHeight) {
        h = l.windowHeight;
        w = static_cast<long long>(l.width) * l.windowHeight / l.height;
    }
    return {{static_cast<int>((l.windowWidth - w) / 2), static_cast<int>((l.windowHeight - h) / 2),
             static_cast<int>(w), static_cast<int>(h)}};
}

// The framebuffer whose colour is the frame's resolved picture at its own
// size, after resolving the samples into it when they must be.
std::uint32_t resolvedSource() {
    const FrameState& f = gFrame;
    if (!f.multisampled()) return f.draw.framebuffer;
    bindFramebuffers(f.resolve.framebuffer, f.draw.framebuffer);
    const std::array<int, 4> all{{0, 0, f.layout.width, f.layout.height}};
    blitFramebuffer(all, all, false);
    return f.resolve.framebuffer;
}

// The frame into the window's back buffer: the same size copied (resolving
// samples), else scaled into its place over black.
void copyToWindow() {
    const FrameState& f = gFrame;
    const int w = f.layout.width, h = f.layout.height;
    if (!f.scaled()) {
        bindFramebuffers(0, f.draw.framebuffer);
        blitFramebuffer({{0, 0, w, h}}, {{0, 0, w, h}}, false);
        return;
    }
    const std::uint32_t source = f.resolve.framebuffer ? resolvedSource() : f.draw.framebuffer;
    bindFramebuffers(0, source);
    fillColour(Rgba{0, 0, 0, 1});
    const std::array<int, 4> p = placementOf(f.layout);
    blitFramebuffer({{0, 0, w, h}}, {{p[0], p[1], p[0] + p[2], p[1] + p[3]}}, f.layout.smooth);
}

void releaseFrame() {
    bindFramebuffers(0, 0);
    release(gFrame.draw);
    release(gFrame.resolve);
}

// The frame's buffers in `format`, copied into the window once to see the
// driver takes it (drivers may insist the colour formats match). False,
// nothing allocated, when not.
bool makeFrame(FrameState& f, FrameFormat format) {
    int samples = f.layout.samples;
    if (!make(f.draw, f.layout.width, f.layout.height, samples, format, true)) return false;
    int none = 0;
    if (samples >= 2 && f.scaled() &&
        !make(f.resolve, f.layout.width, f.layout.height, none, format, false)) {
        release(f.draw);
        return false;
    }
    f.layout.samples = samples >= 2 ? samples : 0;
    gFrame = f;
    copyToWindow();
    const bool ok = takeError() == 0;
    if (!ok) {
        releaseFrame();
        gFrame = FrameState{};
    }
    return ok;
}

}  // namespace

MultisampleGrant beginFrame(const FrameLayout& layout) {
    endMultisampledFrame();
    MultisampleGrant grant;
    FrameState f;
    f.layout = layout;
    f.asked = layout.samples;
    f.layout.samples = layout.samples >= 2 ? layout.samples : 0;
    if (layout.width < 1 || layout.height < 1) return grant;
    if (!f.scaled() && f.layout.samples == 0) {
        gFrame = f;  // straight into the window
        return grant;
    }
    takeError();
    const std::string asked =
        std::to_string(f.asked) + " samples asked for, but the OpenGL driver ";
    const FramebufferSupport support = framebufferSupport();
    if (!support.available) {
        grant.note = f.layout.samples ? asked +
                                            "has no multisampled framebuffers; drawing "
                                            "without anti-aliasing"
                                      : std::string();
        if (f.scaled())
            grant.note += std::string(grant.note.empty() ? "" : "; ") +
                          "the OpenGL driver has no framebuffer objects: the frame is drawn at "
                          "the window's size";
        f.layout.samples = 0;
        gFrame = f;
        return grant;
    }
    if (f.layout.samples) {
        const int most = support.maxSamples;
        f.layout.samples = f.layout.samples <= most ? f.layout.samples : most;
        if (f.layout.samples < 2) {
            grant.note = asked + "gives none; drawing without anti-aliasing";
            f.layout.samples = 0;
        }
    }
    // The window's colour format first, so the copy is a plain one and the
    // frame draws as the window would (without stored alpha, blending with
    // the destination's alpha sees 1, as in the window).
    const bool shallow = support.red == 5 && support.green == 6 && support.blue == 5;
    const FrameFormat own = shallow             ? FrameFormat::rgb565
                            : support.alpha > 0 ? FrameFormat::rgba8
                                                : FrameFormat::rgb8;
    const FrameFormat formats[] = {own, FrameFormat::rgb8, FrameFormat::rgba8,
                                   FrameFormat::rgb565};
    bool made = false;
    for (FrameFormat format : formats)
        if ((made = makeFrame(f, format))) break;
    if (!made && f.layout.samples && f.scaled()) {
        // Scaling matters more than smooth edges.
        grant.note = asked + "cannot resolve a multisampled frame; drawing without anti-aliasing";
        f.layout.samples = 0;
        for (FrameFormat format : formats)
            if ((made = makeFrame(f, format))) break;
    }
    if (!made) {
        if (f.layout.samples)
            grant.note = asked +
                         "cannot resolve a multisampled frame into the window; drawing "
                         "without anti-aliasing";
        if (f.scaled())
            grant.note += std::string(grant.note.empty() ? "" : "; ") +
                          "the OpenGL driver cannot scale a frame into the window: the frame is "
                          "drawn at the window's size";
        f.layout.samples = 0;
        gFrame = FrameState{};
        gFrame.layout = f.layout;
        return grant;
    }
    bindFramebuffers(gFrame.draw.framebuffer, gFrame.draw.framebuffer);
    grant.samples = gFrame.layout.samples;
    if (grant.samples >= 2 && grant.samples < f.asked) {
        const std::string most = std::to_string(grant.samples);
        grant.note = std::to_string(f.asked) +
                     " samples asked for, the OpenGL driver gives at most " + most + "; using " +
                     most;
    }
    return grant;
}

void setFrameWindowSize(int windowWidth, int windowHeight) {
    if (windowWidth < 1 || windowHeight < 1) return;
    FrameLayout layout = gFrame.layout;
    if (layout.windowWidth == windowWidth && layout.windowHeight == windowHeight) return;
    layout.windowWidth = windowWidth;
    layout.windowHeight = windowHeight;
    layout.samples = gFrame.asked;
    // Made again for the new size: the next frame is drawn whole anyway.
    beginFrame(layout);
}

std::array<int, 4> framePlacement() {
    if (!gFrame.active()) return {{0, 0, gFrame.layout.windowWidth, gFrame.layout.windowHeight}};
    return placementOf(gFrame.layout);
}

void endMultisampledFrame() {
    if (gFrame.active()) releaseFrame();
    gFrame = FrameState{};
}

int multisampledFrameSamples() {
    return gFrame.layout.samples;
}

void resolveFrame() {
    if (!gFrame.active()) return;
    copyToWindow();
    bindFramebuffers(gFrame.draw.framebuffer, gFrame.draw.framebuffer);
}

// Called after resolveFrame, or drawing to the window: reads go back to
// the frame after.
void readWindowPixels(int width, int height, void* rgb) {
    if (width < 1 || height < 1) return;
    const std::uint32_t frame = gFrame.draw.framebuffer;
    if (frame) bindFramebuffers(frame, 0);
    readPixels(0, 0, width, height, PixelFormat::rgb, rgb);
    if (frame) bindFramebuffers(frame, frame);
}

ResolvedFrameRead::ResolvedFrameRead() {
    if (!gFrame.active()) return;
    if (!gFrame.scaled()) {
        // The window's back buffer holds the resolved picture at its size.
        copyToWindow();
        bindFramebuffers(gFrame.draw.framebuffer, 0);
    } else {
        bindFramebuffers(gFrame.draw.framebuffer, resolvedSource());
    }
}

ResolvedFrameRead::~ResolvedFrameRead() {
    if (gFrame.active()) bindFramebuffers(gFrame.draw.framebuffer, gFrame.draw.framebuffer);
}

}  // namespace gfx
