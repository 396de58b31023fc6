// What a graphics API must do for the drawing door: one implementation per
// API (OpenGL 1.1, OpenGL ES 2.0). The door (Gfx.h) keeps the matrix stacks on the
// CPU and gathers immediate-mode vertices; a backend applies state, draws
// batches and owns textures. One backend serves the current context.
#pragma once

#include "gfx/Matrix.h"
#include "gfx/Types.h"
#include "gfx/VertexBatch.h"

#include <array>
#include <cstddef>

namespace gfx {

// One light's parameters as the scene renderer sets them. The position
// (w = 0: a direction) is taken through the model-view matrix current when
// the light is set, as the spot direction is.
struct LightParams {
    std::array<float, 4> position{{0, 0, 1, 0}};
    Rgba ambient{0, 0, 0, 1};
    Rgba diffuse{1, 1, 1, 1};
    Rgba specular{1, 1, 1, 1};
    std::array<float, 3> spotDirection{{0, 0, -1}};
    float spotCutoffDegrees = 180.0f;  // 180: no spot
    float spotExponent = 0.0f;
    // Positional lights fade by 1 / (constant + linear d + quadratic d^2).
    float constantAttenuation = 1.0f;
    float linearAttenuation = 0.0f;
    float quadraticAttenuation = 0.0f;
};

class Backend {
public:
    virtual ~Backend() = default;

    // Switches a capability on or off.
    virtual void setEnabled(Cap cap, bool on) = 0;
    // Whether a capability is on.
    virtual bool isEnabled(Cap cap) const = 0;
    // Blending factors for the incoming (source) and stored colour.
    virtual void blendFunc(BlendFactor source, BlendFactor destination) = 0;
    // The depth comparison, and whether depth is written.
    virtual void depthFunc(Compare compare) = 0;
    virtual Compare depthFuncState() const = 0;
    virtual void depthMask(bool write) = 0;
    virtual bool depthMaskState() const = 0;
    // Which colour channels are written.
    virtual void colorMask(bool red, bool green, bool blue, bool alpha) = 0;
    // The stencil test and what it does to the stored value.
    virtual void stencilFunc(Compare compare, int reference, unsigned mask) = 0;
    virtual void stencilOp(StencilAction fail, StencilAction depthFail, StencilAction pass) = 0;
    virtual void stencilMask(unsigned mask) = 0;
    // Fragments pass the alpha test (when on) if their alpha compares so
    // with `reference`.
    virtual void alphaFunc(Compare compare, float reference) = 0;
    // Which faces culling removes; flat or smooth colours across a face.
    virtual void cullFace(Face face) = 0;
    virtual void shadeModel(Shading shading) = 0;
    // Perspective-correct interpolation asked for at its best (or fastest).
    virtual void perspectiveHint(Hint hint) = 0;
    virtual Hint perspectiveHintState() const = 0;
    virtual void lineWidth(float width) = 0;
    virtual void lineStipple(int factor, unsigned short pattern) = 0;
    // Fog's colour; linear fog from `start` to `end`; exponential fog
    // (squared: exp2) of `density`. Each leaves the others' values alone.
    virtual void fogColour(const Rgba& colour) = 0;
    virtual void fogLinear(float start, float end) = 0;
    virtual void fogExponential(bool squared, float density) = 0;
    // How textures combine with the fragment's colour.
    virtual void textureEnv(TextureEnv mode) = 0;
    // Light `index` (< kMaxLights), and the light everything gets.
    virtual void light(int index, const LightParams& params) = 0;
    virtual void lightModelAmbient(const Rgba& colour) = 0;
    // Material colours and shininess of the faces named.
    virtual void material(Face face, MaterialColour which, const Rgba& colour) = 0;
    virtual void shininess(Face face, float exponent) = 0;
    // Which material colour follows the current colour while colour
    // tracking is on.
    virtual void colorMaterial(Face face, MaterialColour which) = 0;
    // Saves every piece of state the door sets (switches, functions, masks,
    // lights, materials, fog, the current colour), and puts the last saved
    // back; saves nest.
    virtual void pushState() = 0;
    virtual void popState() = 0;

    // The attribute values of vertices drawn without their own.
    virtual void currentColour(const Rgba& colour) = 0;
    virtual Rgba currentColourState() const = 0;
    virtual void currentTexCoord(float u, float v) = 0;
    virtual void currentNormal(float x, float y, float z) = 0;

    // Matrix stack operations, as the door applies them to its own copy.
    virtual void matrixMode(MatrixMode mode) = 0;
    virtual void loadIdentity() = 0;
    virtual void loadMatrix(const Matrix4& matrix) = 0;
    virtual void multMatrix(const Matrix4& matrix) = 0;
    virtual void pushMatrix() = 0;
    virtual void popMatrix() = 0;
    virtual void translate(float x, float y, float z) = 0;
    virtual void rotate(float degrees, float x, float y, float z) = 0;
    virtual void scale(float x, float y, float z) = 0;
    virtual void ortho(float left, float right, float bottom, float top, float zNear,
                       float zFar) = 0;
    virtual void perspective(double fovyDegrees, double aspect, double zNear, double zFar) = 0;

    // Compiling: what the door is given between beginCompile and
    // endCompile is kept in a driver object to draw again with
    // drawCompiled. beginCompile returns 0 when the backend keeps no such
    // objects (the door then replays what it recorded).
    virtual std::uint32_t beginCompile() = 0;
    virtual void endCompile() = 0;
    virtual void drawCompiled(std::uint32_t object) = 0;
    virtual void deleteCompiled(std::uint32_t object) = 0;
    // While the door records a static mesh for replay: keeps a batch in a
    // driver buffer and returns its handle, or 0 when the backend keeps none
    // (the door then keeps the batch itself).
    virtual std::uint32_t keepBatch(const VertexBatch&) { return 0; }
    // Draws a kept batch under the current state and matrices.
    virtual void drawKept(std::uint32_t) {}
    // Frees a kept batch's buffer.
    virtual void releaseKept(std::uint32_t) {}

    // Whether the backend takes immediate-mode vertices one by one (the
    // stream calls below) rather than gathered into batches: a driver with
    // immediate mode of its own draws them sooner so.
    virtual bool streamsVertices() const { return false; }
    // A primitive's vertices one by one: between beginPrimitive and
    // endPrimitive, the current* calls set the next vertex's attributes.
    virtual void beginPrimitive(Primitive) {}
    virtual void streamVertex(float, float, float, float, int) {}
    virtual void endPrimitive() {}

    // Draws the batch's primitive under the current state and matrices.
    virtual void drawBatch(const VertexBatch& batch) = 0;
    // Draws the bitmaps one after the other, the pen starting at the point
    // (x, y) of the current matrices, in the current colour; nothing when
    // that point lies outside the view.
    virtual void drawBitmaps(float x, float y, const Bitmap* const* bitmaps, std::size_t count) = 0;

    // Texture objects: made, deleted, bound to the one texture unit.
    virtual TextureId createTexture() = 0;
    virtual void deleteTexture(TextureId id) = 0;
    virtual void bindTexture(TextureId id) = 0;
    // Filters and edge wrapping of the bound texture.
    virtual void textureFilter(Filter minify, Filter magnify) = 0;
    virtual void textureWrap(Wrap s, Wrap t) = 0;
    // The widest and tallest texture level 0 may be.
    virtual int maxTextureSize() const = 0;
    // Level `level` of the bound texture from 8-bit pixels in `format`,
    // rows tightly packed, bottom row first.
    virtual void textureImage(int level, PixelFormat internal, int width, int height,
                              PixelFormat format, const void* pixels) = 0;
    // Every level of the bound texture from level 0's pixels, scaled to
    // powers of two and halved down to 1 x 1 by the backend's own filter.
    virtual void buildMipmaps(PixelFormat internal, int width, int height, PixelFormat format,
                              const void* pixels) = 0;
    // Level 0 of the bound texture from the frame's pixels at (x, y).
    virtual void copyFrameToTexture(PixelFormat internal, int x, int y, int width, int height) = 0;
    // The frame's pixels at (x, y) into `out` (8 bits per channel, rows
    // tightly packed, bottom row first).
    virtual void readPixels(int x, int y, int width, int height, PixelFormat format, void* out) = 0;

    // The colour, depth and stencil values clear writes, and the clear.
    virtual void clearColour(const Rgba& colour) = 0;
    virtual void clearDepth(double depth) = 0;
    virtual void clearStencil(int value) = 0;
    virtual void clear(unsigned bits) = 0;
    virtual void viewport(int x, int y, int width, int height) = 0;
    // x, y, width, height of the viewport.
    virtual std::array<int, 4> viewportState() const = 0;
    virtual void scissor(int x, int y, int width, int height) = 0;
    // Hands queued work to the driver without waiting for it.
    virtual void flush() = 0;
    // The driver's first error code since the last call (0: none), and
    // every error flag cleared.
    virtual unsigned takeError() = 0;
};

}  // namespace gfx
