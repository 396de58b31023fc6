// What a graphics API must do for the drawing door: one implementation per
// API (OpenGL 1.1, OpenGL ES 2.0). The door keeps the state and the matrix
// stacks and gathers immediate-mode vertices; every draw hands a backend
// the state and matrices to draw under, and the backend brings the driver
// to them (setting only what differs from what it last set). A backend
// never calls back into the door, and nothing it is asked reads the
// driver's state back. One backend serves the current context.
#pragma once

#include "gfx/Matrix.h"
#include "gfx/State.h"
#include "gfx/Types.h"
#include "gfx/VertexBatch.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace gfx {

// How often a backend reached the driver, for measuring: calls that change
// its state, uniform values handed to shaders, draws.
struct DriverCounts {
    std::uint64_t stateCalls = 0;
    std::uint64_t uniformUploads = 0;
    std::uint64_t draws = 0;
};

// What the driver offers for drawing apart from the window: framebuffer
// objects with multisampled storage and copies between them.
struct FramebufferSupport {
    bool available = false;
    int maxSamples = 0;
    // The window's colour bits.
    int red = 8, green = 8, blue = 8, alpha = 0;
};

// The colour storage of a framebuffer.
enum class FrameFormat { rgb8, rgba8, rgb565 };

class Backend {
public:
    virtual ~Backend() = default;

    // The viewport and scissor box the context had when the backend was
    // made (x, y, width, height): the door's state starts from them.
    virtual std::array<int, 4> initialViewport() const = 0;

    // Draws the batch's primitive under `state` and `matrices`.
    virtual void drawBatch(const VertexBatch& batch, const State& state,
                           const Matrices& matrices) = 0;

    // Whether the backend takes immediate-mode vertices one by one (the
    // stream calls below) rather than gathered into batches: a driver with
    // immediate mode of its own draws them sooner so.
    virtual bool streamsVertices() const { return false; }
    // Begins a primitive under `state` and `matrices` whose vertices follow
    // one by one; the attributes given between them apply to the vertices
    // after, and the last stay current after endPrimitive.
    virtual void beginPrimitive(Primitive, const State&, const Matrices&) {}
    virtual void streamColour(const Rgba&) {}
    virtual void streamTexCoord(float, float) {}
    virtual void streamNormal(float, float, float) {}
    virtual void streamVertex(float, float, float, float, int) {}
    virtual void endPrimitive() {}

    // Keeps a batch in a driver object to draw again and returns its handle,
    // or 0 when the backend keeps none like it (the door then keeps it).
    virtual std::uint32_t keepBatch(const VertexBatch& batch) = 0;
    // Draws a kept batch under `state` and `matrices`; its last attribute
    // values are current after it, as after drawBatch.
    virtual void drawKept(std::uint32_t handle, const State& state, const Matrices& matrices) = 0;
    // Frees a kept batch's driver object.
    virtual void releaseKept(std::uint32_t handle) = 0;

    // Draws the bitmaps one after the other, the pen starting at the point
    // (x, y) of the matrices, in the state's colour; nothing when that point
    // lies outside the view.
    virtual void drawBitmaps(float x, float y, const Bitmap* const* bitmaps, std::size_t count,
                             const State& state, const Matrices& matrices) = 0;
    // Clears the buffers named by `bits` to the state's clear values, within
    // its masks and scissor.
    virtual void clear(unsigned bits, const State& state) = 0;

    // Texture objects. Each call names the object it works on; which one
    // drawing samples is the state's.
    virtual TextureId createTexture() = 0;
    virtual void deleteTexture(TextureId id) = 0;
    // Filters and edge wrapping.
    virtual void textureFilter(TextureId id, Filter minify, Filter magnify) = 0;
    virtual void textureWrap(TextureId id, Wrap s, Wrap t) = 0;
    // The widest and tallest texture level 0 may be.
    virtual int maxTextureSize() const = 0;
    // Level `level` from 8-bit pixels in `format`, rows tightly packed,
    // bottom row first.
    virtual void textureImage(TextureId id, int level, PixelFormat internal, int width, int height,
                              PixelFormat format, const void* pixels) = 0;
    // Every level from level 0's pixels, scaled to powers of two and halved
    // down to 1 x 1 by the backend's own filter.
    virtual void buildMipmaps(TextureId id, PixelFormat internal, int width, int height,
                              PixelFormat format, const void* pixels) = 0;
    // Level 0 from the frame's pixels at (x, y).
    virtual void copyFrameToTexture(TextureId id, PixelFormat internal, int x, int y, int width,
                                    int height) = 0;
    // The frame's pixels at (x, y) into `out` (8 bits per channel, rows
    // tightly packed, bottom row first).
    virtual void readPixels(int x, int y, int width, int height, PixelFormat format, void* out) = 0;

    // Framebuffers, for the frame drawn apart from the window (Frame.h); a
    // backend without them has none available. What it offers.
    virtual FramebufferSupport framebufferSupport() { return {}; }
    // A framebuffer of `format` colour and, with `depth`, depth 24 and
    // stencil 8, `samples` per pixel (0: single sampled); `samples` becomes
    // what the driver granted. 0, nothing left allocated, when it refuses.
    virtual std::uint32_t createFramebuffer(int, int, FrameFormat, bool, int&) { return 0; }
    virtual void deleteFramebuffer(std::uint32_t) {}
    // Where drawing goes and reads come from; 0 is the window.
    virtual void bindFramebuffers(std::uint32_t, std::uint32_t) {}
    // Copies the read framebuffer's colour in rectangle `from` into the
    // draw framebuffer's rectangle `to` (x0, y0, x1, y1 each), scaled
    // linearly or to the nearest pixel; the state's scissor does not apply.
    virtual void blitFramebuffer(const std::array<int, 4>&, const std::array<int, 4>&, bool) {}
    // Sets every pixel of the draw framebuffer's colour to `colour`,
    // whatever the state's masks, scissor and clear colour.
    virtual void fillColour(const Rgba&) {}

    // Programs: the caller's fragment stage (GLSL ES 3.00) over the whole
    // viewport. Empty when the backend can make them; otherwise a sentence
    // for the author naming the renderer and why not.
    virtual std::string programSupport() const {
        return "this renderer cannot draw shaders";
    }
    // Compiles and links `fragmentSource` with the backend's own vertex
    // stage; 0, with the driver's log in `log`, when either fails.
    virtual ProgramId createProgram(const std::string&, std::string& log) {
        log = programSupport();
        return 0;
    }
    // Frees a program (0: nothing).
    virtual void deleteProgram(ProgramId) {}
    // The location of the uniform `name`; -1 when the program has none of
    // that name (the driver drops uniforms nothing reads).
    virtual int uniformLocation(ProgramId, const std::string&) { return -1; }
    // Draws `program` over the viewport under `state` (its blending, masks,
    // viewport and scissor; not its fixed-function parts) with `textures`
    // on units 0..3, handing over only the uniform values that differ from
    // what the program last held.
    virtual void drawProgram(ProgramId, const UniformValue*, std::size_t,
                             const std::array<ProgramTexture, 4>&, const State&) {}

    // Texture targets (Types.h). A w x h RGBA texture, filtered linearly and
    // clamped, every channel 0, and a framebuffer drawing into it: 16-bit
    // floats a channel when `half` and the driver can draw into them,
    // otherwise 8 bits; `half` becomes what was made. 0 when the backend
    // has no framebuffers. Leaves the target's texture bound.
    virtual TargetId createTarget(int, int, bool& half) {
        half = false;
        return 0;
    }
    // Frees a target (unknown ones: nothing); drawing into it goes back to
    // the frame.
    virtual void deleteTarget(TargetId) {}
    // The texture a target draws into, to sample; 0 for an unknown target.
    virtual TextureId targetTexture(TargetId) const { return 0; }
    // Draws and reads go into `target` from now on; 0: the frame's own
    // framebuffers again, as the frame last bound them.
    virtual void drawIntoTarget(TargetId) {}
    // Sets every channel of the target's pixels to 0, whatever the state.
    virtual void clearTarget(TargetId) {}

    // Hands queued work to the driver without waiting for it.
    virtual void flush() = 0;
    // The driver's first error code since the last call (0: none), and
    // every error flag cleared.
    virtual unsigned takeError() = 0;
    // The driver calls made so far.
    virtual DriverCounts counts() const = 0;
};

}  // namespace gfx
