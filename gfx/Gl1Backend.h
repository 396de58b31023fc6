// The drawing door's OpenGL 1.1 backend: every operation forwarded to the
// fixed-function API of the current context, batches replayed vertex by
// vertex. The driver's own state is the state: queries read it back,
// so drawing that still bypasses the door never leaves a stale copy here.
#pragma once

#include "gfx/Backend.h"

namespace gfx {

class Gl1Backend : public Backend {
public:
    void setEnabled(Cap cap, bool on) override;
    bool isEnabled(Cap cap) const override;
    void blendFunc(BlendFactor source, BlendFactor destination) override;
    void depthFunc(Compare compare) override;
    Compare depthFuncState() const override;
    void depthMask(bool write) override;
    bool depthMaskState() const override;
    void colorMask(bool red, bool green, bool blue, bool alpha) override;
    void stencilFunc(Compare compare, int reference, unsigned mask) override;
    void stencilOp(StencilAction fail, StencilAction depthFail, StencilAction pass) override;
    void stencilMask(unsigned mask) override;
    void alphaFunc(Compare compare, float reference) override;
    void cullFace(Face face) override;
    void shadeModel(Shading shading) override;
    void perspectiveHint(Hint hint) override;
    Hint perspectiveHintState() const override;
    void lineWidth(float width) override;
    void lineStipple(int factor, unsigned short pattern) override;
    void fogColour(const Rgba& colour) override;
    void fogLinear(float start, float end) override;
    void fogExponential(bool squared, float density) override;
    void textureEnv(TextureEnv mode) override;
    void light(int index, const LightParams& params) override;
    void lightModelAmbient(const Rgba& colour) override;
    void material(Face face, MaterialColour which, const Rgba& colour) override;
    void shininess(Face face, float exponent) override;
    void colorMaterial(Face face, MaterialColour which) override;
    void pushState() override;
    void popState() override;
    std::uint32_t beginCompile() override;
    void endCompile() override;
    void drawCompiled(std::uint32_t object) override;
    void deleteCompiled(std::uint32_t object) override;

    void currentColour(const Rgba& colour) override;
    Rgba currentColourState() const override;
    void currentTexCoord(float u, float v) override;
    void currentNormal(float x, float y, float z) override;

    void matrixMode(MatrixMode mode) override;
    void loadIdentity() override;
    void loadMatrix(const Matrix4& matrix) override;
    void multMatrix(const Matrix4& matrix) override;
    void pushMatrix() override;
    void popMatrix() override;
    void translate(float x, float y, float z) override;
    void rotate(float degrees, float x, float y, float z) override;
    void scale(float x, float y, float z) override;
    void ortho(float left, float right, float bottom, float top, float zNear, float zFar) override;
    void perspective(double fovyDegrees, double aspect, double zNear, double zFar) override;

    bool streamsVertices() const override { return true; }
    void beginPrimitive(Primitive primitive) override;
    void streamVertex(float x, float y, float z, float w, int given) override;
    void endPrimitive() override;
    void drawBatch(const VertexBatch& batch) override;
    void drawBitmaps(float x, float y, const Bitmap* const* bitmaps, std::size_t count) override;

    TextureId createTexture() override;
    void deleteTexture(TextureId id) override;
    void bindTexture(TextureId id) override;
    void textureFilter(Filter minify, Filter magnify) override;
    void textureWrap(Wrap s, Wrap t) override;
    int maxTextureSize() const override;
    void textureImage(int level, PixelFormat internal, int width, int height, PixelFormat format,
                      const void* pixels) override;
    void buildMipmaps(PixelFormat internal, int width, int height, PixelFormat format,
                      const void* pixels) override;
    void copyFrameToTexture(PixelFormat internal, int x, int y, int width, int height) override;
    void readPixels(int x, int y, int width, int height, PixelFormat format, void* out) override;

    void clearColour(const Rgba& colour) override;
    void clearDepth(double depth) override;
    void clearStencil(int value) override;
    void clear(unsigned bits) override;
    void viewport(int x, int y, int width, int height) override;
    std::array<int, 4> viewportState() const override;
    void scissor(int x, int y, int width, int height) override;
    void flush() override;
    unsigned takeError() override;
};

}  // namespace gfx
