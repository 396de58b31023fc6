// The drawing door's OpenGL 1.1 backend: the fixed-function pipeline does
// what the state says. Before each draw the driver is brought to the
// door's state and matrices with only the calls that change something
// (what the driver has is kept here, the one place that knows it);
// primitives go vertex by vertex through immediate mode, and kept batches
// are display lists, so every picture is what the fixed-function pipeline
// always drew.
#pragma once

#include "GlFramebuffers.h"
#include "GlPrograms.h"

#include <unordered_map>

namespace gfx {

class Gl1Backend : public FramebufferBackend {
public:
    // Needs a compatibility-profile context current.
    Gl1Backend();
    // Deletes the display lists it made: its context must be current.
    ~Gl1Backend() override;

    std::array<int, 4> initialViewport() const override { return initialViewport_; }
    void drawBatch(const VertexBatch& batch, const State& state, const Matrices& matrices) override;
    bool streamsVertices() const override { return true; }
    void beginPrimitive(Primitive primitive, const State& state, const Matrices& matrices) override;
    void streamColour(const Rgba& colour) override;
    void streamTexCoord(float u, float v) override;
    void streamNormal(float x, float y, float z) override;
    void streamVertex(float x, float y, float z, float w, int given) override;
    void endPrimitive() override;
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
    std::string programSupport() const override;
    ProgramId createProgram(const std::string& fragmentSource, std::string& log) override {
        return programs_.create(fragmentSource, log);
    }
    void deleteProgram(ProgramId program) override { programs_.remove(program); }
    int uniformLocation(ProgramId program, const std::string& name) override {
        return programs_.location(program, name);
    }
    void drawProgram(ProgramId program, const UniformValue* uniforms, std::size_t count,
                     const std::array<ProgramTexture, 4>& textures, const State& state) override;
    void flush() override;
    unsigned takeError() override;
    DriverCounts counts() const override { return counts_; }

private:
    // A batch kept in a display list, and the attribute values its last
    // vertex leaves current.
    struct Kept {
        unsigned list = 0;
        bool colours = false, texCoords = false, normals = false;
        Rgba colour;
        std::array<float, 2> texCoord{{0, 0}};
        std::array<float, 3> normal{{0, 0, 1}};
    };

    // Brings the driver to `want` (and, when given, the matrices).
    void apply(const State& want, const Matrices* matrices);
    void applyLights(const State& want);
    void applyMaterials(const State& want);
    void applyMatrices(const Matrices& matrices);
    void loadMatrix(int mode, const Matrix4& matrix);
    void bind(TextureId id);
    // The vertices of the batch between glBegin and glEnd; the values its
    // last vertex leaves go into `kept`.
    void emit(const VertexBatch& batch, Kept& kept);
    // What the batch's last vertex left current becomes what the driver has.
    void tookValues(const Kept& kept);

    State have_;                // what the driver has
    bool haveAll_ = false;      // have_ is known (else everything is set at the next draw)
    Matrix4 haveMatrices_[3];   // the driver's model-view, projection and texture matrices
    bool haveMatrix_[3] = {false, false, false};
    int haveMode_ = -1;         // the driver's matrix mode, -1: unknown
    std::unordered_map<std::uint32_t, Kept> kept_;
    std::uint32_t nextKept_ = 1;
    Kept streamed_;  // the values the primitive being streamed set
    std::array<int, 4> initialViewport_{{0, 0, 0, 0}};
    int maxTextureSize_ = 64;
    const State& driverState() const override { return have_; }
    void targetTextureMade(TextureId texture, int, int) override { have_.bound = texture; }
    void targetTextureGone(TextureId texture) override {
        if (have_.bound == texture) have_.bound = 0;
    }

    GlPrograms programs_;
    DriverCounts counts_;
};

}  // namespace gfx
