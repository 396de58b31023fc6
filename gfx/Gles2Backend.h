// The drawing door's OpenGL ES 2.0 backend: no fixed-function pipeline, so
// the fixed-function part of the door's state (lights, materials, fog,
// texture combine, alpha test, the current vertex attributes) is handed to
// shader programs as uniforms, each only when its value changed; the state
// ES 2.0 has itself (blending, depth, stencil, culling, masks, scissor,
// viewport) is brought to the door's value before each draw with only the
// calls that change something. Batches are drawn from vertex buffers; kept
// batches stay in buffers of their own.
//
// Its parts, one file each: the state and draws (Gles2Backend.cpp), the
// variant and its uniforms (Gles2Uniforms.cpp), the vertices with the
// quads' diagonals (Gles2Vertices.cpp), textures (Gles2Textures.cpp) and
// text (Gles2Text.cpp); what needs no context is in Gles2Variant,
// Gles2Lighting and PixelConversion.
//
// Differences from the fixed-function pipeline, none of which the player's
// pictures depend on: flat shading draws smooth (the player shades flat only
// while colour writes are off), line stipple draws solid lines (only the
// screen-mode dialog uses it, and it always draws with gl1).
#pragma once

#include "Gles2Lighting.h"
#include "Gles2Programs.h"
#include "GlPrograms.h"
#include "gfx/Backend.h"
#ifdef __EMSCRIPTEN__
#include "GlTextureTargets.h"
#else
#include "GlFramebuffers.h"
#endif

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

namespace gfx {

// Whether a point lies outside the view volume under `mvp`.
bool needsClipping(const std::vector<std::array<float, 4>>& positions, const Matrix4& mvp);

#ifdef __EMSCRIPTEN__
// In the browser the canvas is the frame: no framebuffers of its own, only
// texture targets.
using Gles2BackendBase = TargetBackend;
#else
using Gles2BackendBase = FramebufferBackend;
#endif

class Gles2Backend : public Gles2BackendBase {
public:
    // Needs an OpenGL ES 2.0 (or later) context current; throws
    // BackendError when its shaders do not build there.
    Gles2Backend();
    // Deletes the driver objects it made: its context must be current.
    ~Gles2Backend() override;

    std::array<int, 4> initialViewport() const override { return initialViewport_; }
    void drawBatch(const VertexBatch& batch, const State& state, const Matrices& matrices) override;
    std::uint32_t keepBatch(const VertexBatch& batch) override;
    void drawKept(std::uint32_t handle, const State& state, const Matrices& matrices) override;
    void releaseKept(std::uint32_t handle) override;
    void drawBitmaps(float x, float y, const Bitmap* const* bitmaps, std::size_t count,
                     const State& state, const Matrices& matrices) override;
    void clear(unsigned bits, const State& state) override;

    TextureId createTexture() override;
    void deleteTexture(TextureId id) override;
    void textureFilter(TextureId id, Filter minify, Filter magnify) override;
    void textureWrap(TextureId id, Wrap s, Wrap t) override;
    int maxTextureSize() const override { return maxTextureSize_; }
    void textureImage(TextureId id, int level, PixelFormat internal, int width, int height,
                      PixelFormat format, const void* pixels) override;
    void buildMipmaps(TextureId id, PixelFormat internal, int width, int height,
                      PixelFormat format, const void* pixels) override;
    void copyFrameToTexture(TextureId id, PixelFormat internal, int x, int y, int width,
                            int height) override;
    void readPixels(int x, int y, int width, int height, PixelFormat format, void* out) override;
    std::string programSupport() const override {
        const std::string why = GlPrograms::support();
        return why.empty() ? why : "the gles2 renderer cannot draw shaders: " + why;
    }
    ProgramId createProgram(const std::string& fragmentSource, std::string& log) override {
        return shaderPrograms_.create(fragmentSource, log);
    }
    void deleteProgram(ProgramId program) override;
    int uniformLocation(ProgramId program, const std::string& name) override {
        return shaderPrograms_.location(program, name);
    }
    void drawProgram(ProgramId program, const UniformValue* uniforms, std::size_t count,
                     const std::array<ProgramTexture, 4>& textures, const State& state) override;
    void flush() override;
    unsigned takeError() override;
    DriverCounts counts() const override { return counts_; }

private:
    // What is known of a texture object, for ES 2.0's rules and the shader.
    struct TextureInfo {
        int width = 0, height = 0;
        PixelFormat format = PixelFormat::rgba;
        std::uint32_t levels = 0;  // bit i: level i given
        Filter minify = Filter::nearestMipmapNearest;
        Filter magnify = Filter::linear;
        Wrap wrapS = Wrap::repeat, wrapT = Wrap::repeat;
    };
    // A kept batch. Quads are kept split both ways, with their corners'
    // positions, so each draw takes the diagonal the fixed-function
    // pipeline would under the matrices of that draw.
    struct Kept {
        GLuint buffer = 0;
        GLuint clippedBuffer = 0;  // quads: split as where clipping is needed
        GLenum mode = GL_TRIANGLES;
        GLsizei count = 0;
        bool colours = false, texCoords = false, normals = false;
        std::vector<std::array<float, 4>> corners;  // quads: the positions
        Matrix4 lastMvp;                            // the last draw's, and its split
        bool lastClipped = false, haveLast = false;
    };
    struct Glyph {
        GLuint texture = 0;
        int width = 0, rows = 0;
        std::vector<std::uint8_t> bits;
    };
    // The quads drawn last, while one batch of quads follows another: how
    // it was split and under what.
    struct QuadsRun {
        bool clipped = false;
        TextureId bound = 0;
        Matrix4 mvp;
    };
    // The lights' uniforms as the programs take them, and the lights they
    // were worked out from.
    struct LightArrays {
        std::array<Light, kMaxLights> from;
        bool known = false;
        float position[kMaxLights * 4], half[kMaxLights * 3], ambient[kMaxLights * 4],
            diffuse[kMaxLights * 4], specular[kMaxLights * 4], spot[kMaxLights * 4],
            attenuation[kMaxLights * 4];
    };

    // Gles2Backend.cpp: the driver's own state brought to the door's.
    void applyDriverState(const State& want);
    void bind(TextureId id);
    // Gles2Uniforms.cpp: picks the variant for the draw and hands it the
    // values that changed; false when nothing changed since the last draw.
    bool useProgramFor(const State& state, const Matrices& matrices, GLenum mode);
    void updateLightArrays(const State& state);
    // Gles2Vertices.cpp: the vertices of `batch` as the arrays hold them
    // (quads as triangle pairs, their diagonal as the fixed-function
    // pipeline would take it), attributes the batch lacks left out; returns
    // the primitive.
    GLenum interleave(const VertexBatch& batch, const State& state, bool clipped,
                      std::vector<float>& out, bool& colours, bool& texCoords, bool& normals);
    // Whether the quads of `batch` are split as where clipping is needed,
    // following a run of quads drawn one batch after another.
    bool splitAsClipped(const VertexBatch& batch, const State& state, const Matrices& matrices,
                        bool stateChanged);
    void drawArrays(GLuint buffer, GLenum mode, GLsizei count, bool colours, bool texCoords,
                    bool normals, const State& state);
    // Gles2Textures.cpp.
    void applyTextureParameters(TextureId id);
    bool textureComplete(const TextureInfo& info) const;
    std::optional<PixelFormat> sampledTexture(const State& state) const;

    State have_;  // the driver's own state, as far as ES 2.0 has it
    bool haveAll_ = false;
    std::optional<QuadsRun> quadsRun_;
    Gles2Programs programs_;
    GlPrograms shaderPrograms_;  // the caller's
    GLuint currentProgram_ = 0;
    GLuint streamBuffer_ = 0;
    std::vector<float> scratch_;
    std::vector<std::uint8_t> readBuffer_;
    std::unordered_map<std::uint32_t, Kept> kept_;
    std::uint32_t nextKept_ = 1;
    std::unordered_map<TextureId, TextureInfo> textures_;
    std::map<const Bitmap*, Glyph> glyphs_;
    LightArrays lightArrays_;
    std::array<int, 4> initialViewport_{{0, 0, 0, 0}};
    int maxTextureSize_ = 64;
    bool fullNpot_ = false;  // textures of any size may repeat and have mipmaps
    DriverCounts counts_;
    const State& driverState() const override { return have_; }
    void targetTextureMade(TextureId texture, int width, int height) override;
    void targetTextureGone(TextureId texture) override;
};

}  // namespace gfx
