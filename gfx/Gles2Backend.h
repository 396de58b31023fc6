// The drawing door's OpenGL ES 2.0 backend: no fixed-function pipeline, so
// the fixed-function state the door sets (lights, materials, fog, texture
// combine, alpha test, the current vertex attributes) is kept here and
// handed to shader programs as uniforms; the state ES 2.0 has itself
// (blending, depth, stencil, culling, masks, scissor, viewport) goes to the
// driver as it is set. Batches are drawn from vertex buffers; static meshes'
// batches stay in buffers of their own. Matrices are the door's own stacks.
//
// Differences from the fixed-function pipeline, none of which the player's
// pictures depend on: flat shading draws smooth (the player shades flat only
// while colour writes are off), line stipple draws solid lines (only the
// screen-mode dialog uses it, and it always draws with gl1).
#pragma once

#include "Gles2Programs.h"
#include "gfx/Backend.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

namespace gfx {

class Gles2Backend : public Backend {
public:
    // Needs an OpenGL ES 2.0 (or later) context current; throws
    // BackendError when its shaders do not build there.
    Gles2Backend();
    // Deletes the driver objects it made: its context must be current.
    ~Gles2Backend() override;

    void setEnabled(Cap cap, bool on) override;
    bool isEnabled(Cap cap) const override;
    void blendFunc(BlendFactor source, BlendFactor destination) override;
    void depthFunc(Compare compare) override;
    Compare depthFuncState() const override { return state_.depthFunc; }
    void depthMask(bool write) override;
    bool depthMaskState() const override { return state_.depthMask; }
    void colorMask(bool red, bool green, bool blue, bool alpha) override;
    void stencilFunc(Compare compare, int reference, unsigned mask) override;
    void stencilOp(StencilAction fail, StencilAction depthFail, StencilAction pass) override;
    void stencilMask(unsigned mask) override;
    void alphaFunc(Compare compare, float reference) override;
    void cullFace(Face face) override;
    void shadeModel(Shading shading) override { state_.shading = shading; }
    void perspectiveHint(Hint hint) override { state_.hint = hint; }
    Hint perspectiveHintState() const override { return state_.hint; }
    void lineWidth(float width) override;
    void lineStipple(int factor, unsigned short pattern) override;
    void fogColour(const Rgba& colour) override;
    void fogLinear(float start, float end) override;
    void fogExponential(bool squared, float density) override;
    void textureEnv(TextureEnv mode) override { state_.textureEnv = mode; }
    void light(int index, const LightParams& params) override;
    void lightModelAmbient(const Rgba& colour) override;
    void material(Face face, MaterialColour which, const Rgba& colour) override;
    void shininess(Face face, float exponent) override;
    void colorMaterial(Face face, MaterialColour which) override;
    void pushState() override;
    void popState() override;

    void currentColour(const Rgba& colour) override;
    Rgba currentColourState() const override { return state_.colour; }
    void currentTexCoord(float u, float v) override;
    void currentNormal(float x, float y, float z) override;

    // The door's stacks are the matrices: nothing to mirror.
    void matrixMode(MatrixMode) override {}
    void loadIdentity() override {}
    void loadMatrix(const Matrix4&) override {}
    void multMatrix(const Matrix4&) override {}
    void pushMatrix() override {}
    void popMatrix() override {}
    void translate(float, float, float) override {}
    void rotate(float, float, float, float) override {}
    void scale(float, float, float) override {}
    void ortho(float, float, float, float, float, float) override {}
    void perspective(double, double, double, double) override {}

    // No compiled objects: the door records, and keeps batches here.
    std::uint32_t beginCompile() override { return 0; }
    void endCompile() override {}
    void drawCompiled(std::uint32_t) override {}
    void deleteCompiled(std::uint32_t) override {}
    std::uint32_t keepBatch(const VertexBatch& batch) override;
    void drawKept(std::uint32_t handle) override;
    void releaseKept(std::uint32_t handle) override;

    void drawBatch(const VertexBatch& batch) override;
    void drawBitmaps(float x, float y, const Bitmap* const* bitmaps, std::size_t count) override;

    TextureId createTexture() override;
    void deleteTexture(TextureId id) override;
    void bindTexture(TextureId id) override;
    void textureFilter(Filter minify, Filter magnify) override;
    void textureWrap(Wrap s, Wrap t) override;
    int maxTextureSize() const override { return maxTextureSize_; }
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
    std::array<int, 4> viewportState() const override { return state_.viewport; }
    void scissor(int x, int y, int width, int height) override;
    void flush() override;
    unsigned takeError() override;

private:
    struct LightState {
        std::array<float, 4> eyePosition{{0, 0, 1, 0}};  // directions normalised
        std::array<float, 3> half{{0, 0, 1}};
        Rgba ambient{0, 0, 0, 1};
        Rgba diffuse{0, 0, 0, 1};
        Rgba specular{0, 0, 0, 1};
        std::array<float, 4> spot{{0, 0, -1, -2}};       // direction, cos cut-off
        std::array<float, 4> attenuation{{1, 0, 0, 0}};  // k0, k1, k2, spot exponent
    };
    struct MaterialState {
        Rgba ambient{0.2f, 0.2f, 0.2f, 1};
        Rgba diffuse{0.8f, 0.8f, 0.8f, 1};
        Rgba specular{0, 0, 0, 1};
        Rgba emission{0, 0, 0, 1};
        float shininess = 0.0f;
    };
    // Everything pushState saves.
    struct State {
        std::array<bool, 19> enabled{};
        BlendFactor blendSource = BlendFactor::one, blendDestination = BlendFactor::zero;
        Compare depthFunc = Compare::less;
        bool depthMask = true;
        std::array<bool, 4> colourMask{{true, true, true, true}};
        Compare stencilCompare = Compare::always;
        int stencilReference = 0;
        unsigned stencilValueMask = ~0u, stencilWriteMask = ~0u;
        StencilAction stencilFail = StencilAction::keep, stencilDepthFail = StencilAction::keep,
                      stencilPass = StencilAction::keep;
        Compare alphaCompare = Compare::always;
        float alphaReference = 0.0f;
        Face cull = Face::back;
        Shading shading = Shading::smooth;
        Hint hint = Hint::dontCare;
        float lineWidth = 1.0f;
        Rgba fogColour{0, 0, 0, 0};
        FogMode fogMode = FogMode::exp;
        float fogStart = 0.0f, fogEnd = 1.0f, fogDensity = 1.0f;
        TextureEnv textureEnv = TextureEnv::modulate;
        std::array<LightState, kMaxLights> lights;
        Rgba modelAmbient{0.2f, 0.2f, 0.2f, 1};
        MaterialState front, back;
        Face trackedFace = Face::frontAndBack;
        MaterialColour tracked = MaterialColour::ambientAndDiffuse;
        Rgba colour{1, 1, 1, 1};
        std::array<float, 2> texCoord{{0, 0}};
        std::array<float, 3> normal{{0, 0, 1}};
        TextureId bound = 0;
        Rgba clearColour{0, 0, 0, 0};
        float clearDepth = 1.0f;
        int clearStencil = 0;
        std::array<int, 4> viewport{{0, 0, 0, 0}};
        std::array<int, 4> scissor{{0, 0, 0, 0}};
    };
    // What is known of a texture object, for ES 2.0's rules and the shader.
    struct TextureInfo {
        int width = 0, height = 0;
        PixelFormat format = PixelFormat::rgba;
        std::uint32_t levels = 0;  // bit i: level i given
        Filter minify = Filter::nearestMipmapNearest;
        Filter magnify = Filter::linear;
        Wrap wrapS = Wrap::repeat, wrapT = Wrap::repeat;
    };
    struct Kept {
        GLuint buffer = 0;
        GLenum mode = GL_TRIANGLES;
        GLsizei count = 0;
        bool colours = false, texCoords = false, normals = false;
    };
    struct Glyph {
        GLuint texture = 0;
        int width = 0, rows = 0;
        std::vector<std::uint8_t> bits;
    };

    void applyDriverState();
    void applyCap(Cap cap, bool on);
    void track();  // the tracked material property follows the current colour
    void changed() { ++serial_; }
    // The vertices of `batch` as the arrays hold them (quads as triangle
    // pairs), attributes the batch lacks left out; returns the primitive.
    GLenum interleave(const VertexBatch& batch, std::vector<float>& out, bool& colours,
                      bool& texCoords, bool& normals);
    void drawArrays(GLuint buffer, GLenum mode, GLsizei count, bool colours, bool texCoords,
                    bool normals);
    void useProgramForState(GLenum mode);
    void applyTextureParameters(TextureId id);
    bool textureComplete(const TextureInfo& info) const;

    // The quads drawn last, while one batch of quads follows another: how
    // it was split and under what.
    struct QuadsRun {
        bool clipped = false;
        std::uint64_t serial = ~std::uint64_t{0};
        TextureId bound = 0;
        Matrix4 mvp;
    };

    State state_;
    std::optional<QuadsRun> quadsRun_;
    std::vector<State> saved_;
    Gles2Programs programs_;
    GLuint currentProgram_ = 0;
    GLuint streamBuffer_ = 0;
    std::vector<float> scratch_;
    std::vector<std::uint8_t> readBuffer_;
    std::unordered_map<std::uint32_t, Kept> kept_;
    std::uint32_t nextKept_ = 1;
    std::unordered_map<TextureId, TextureInfo> textures_;
    std::map<const Bitmap*, Glyph> glyphs_;
    std::uint64_t serial_ = 0;  // changes whenever a uniform's value may have
    int maxTextureSize_ = 64;
    bool fullNpot_ = false;  // textures of any size may repeat and have mipmaps
};

}  // namespace gfx
