#include "gfx/Gfx.h"

#include "BatchBuilder.h"
#include "FrameTargets.h"
#include "MeshRecorder.h"
#include "PlatformBackend.h"

#include <functional>
#include <utility>
#include <vector>

namespace gfx {

namespace {

// Stack depths: what every driver keeps at least (32 model-view, 2
// projection and texture), the projection and texture stacks raised to 4,
// which drivers commonly give and the player's nesting can reach.
constexpr std::size_t kStackDepth[] = {32, 4, 4};

struct Door {
    std::unique_ptr<Backend> backend;
    State state;
    std::vector<State> saved;  // StateScope's
    std::vector<Matrix4> stacks[3] = {{Matrix4{}}, {Matrix4{}}, {Matrix4{}}};
    bool inBatch = false;
    bool streaming = false;  // this primitive goes to the backend vertex by vertex
    BatchBuilder builder;
    std::unique_ptr<MeshRecorder> recorder;  // while a mesh is compiling
    TargetId target = 0;                      // drawn into; 0: the frame
};

// Never destroyed: textures owned by objects of static lifetime are
// released through the door while the program exits, after any ordinary
// static would have gone.
union NeverDestroyed {
    Door door;
    NeverDestroyed() : door() {}
    ~NeverDestroyed() {}
};

Door& door() {
    static NeverDestroyed holder;
    return holder.door;
}

Backend& backend() {
    Door& d = door();
    if (!d.backend) {
        d.backend = makePlatformDefaultBackend();
        d.state.viewport = d.state.scissor = d.backend->initialViewport();
    }
    return *d.backend;
}

State& live() {
    return door().state;
}

std::vector<Matrix4>& stack() {
    return door().stacks[static_cast<int>(door().state.matrixMode)];
}
Matrix4& top() {
    return stack().back();
}

Matrices matrices() {
    const Door& d = door();
    return Matrices{d.stacks[0].back(), d.stacks[1].back(), d.stacks[2].back()};
}

// Every call a mesh keeps goes through here: carried out now, or kept in
// the mesh compiling to be carried out when it is drawn.
template <class Command>
void carry(Command&& command) {
    if (MeshRecorder* recorder = door().recorder.get())
        recorder->keep(std::function<void()>(std::forward<Command>(command)));
    else
        command();
}

// The attributes a batch set stay current after it.
void takeLastValues(const VertexBatch& b, const Rgba& colour, const std::array<float, 2>& texCoord,
                    const std::array<float, 3>& normal) {
    State& s = live();
    if (b.hasColours) {
        s.colour = colour;
        followColour(s);
    }
    if (b.hasTexCoords) s.texCoord = texCoord;
    if (b.hasNormals) s.normal = normal;
}

}  // namespace

void setBackend(std::unique_ptr<Backend> replacement) {
    Door& d = door();
    d.backend.reset();
    d.backend = std::move(replacement);
    d.state = State{};
    d.saved.clear();
    if (d.backend) d.state.viewport = d.state.scissor = d.backend->initialViewport();
    for (auto& s : d.stacks) s.assign(1, Matrix4{});
    d.inBatch = false;
    d.streaming = false;
    d.target = 0;
}

DriverCounts driverCounts() {
    return backend().counts();
}

const State& state() {
    return live();
}

void enable(Cap cap) {
    setEnabled(cap, true);
}
void disable(Cap cap) {
    setEnabled(cap, false);
}
void setEnabled(Cap cap, bool on) {
    carry([=] {
        State& s = live();
        const bool was = s.on(cap);
        s.enabled[static_cast<std::size_t>(cap)] = on;
        if (cap == Cap::colorMaterial && on && !was) followColour(s);
    });
}
bool isEnabled(Cap cap) {
    return live().on(cap);
}
void blendFunc(BlendFactor source, BlendFactor destination) {
    carry([=] {
        live().blendSource = source;
        live().blendDestination = destination;
    });
}
void depthFunc(Compare compare) {
    carry([=] { live().depthFunc = compare; });
}
void depthMask(bool write) {
    carry([=] { live().depthMask = write; });
}
void colorMask(bool red, bool green, bool blue, bool alpha) {
    carry([=] { live().colourMask = {{red, green, blue, alpha}}; });
}
void stencilFunc(Compare compare, int reference, unsigned mask) {
    carry([=] {
        State& s = live();
        s.stencilCompare = compare;
        s.stencilReference = reference;
        s.stencilValueMask = mask;
    });
}
void stencilOp(StencilAction fail, StencilAction depthFail, StencilAction pass) {
    carry([=] {
        State& s = live();
        s.stencilFail = fail;
        s.stencilDepthFail = depthFail;
        s.stencilPass = pass;
    });
}
void stencilMask(unsigned mask) {
    carry([=] { live().stencilWriteMask = mask; });
}
void alphaFunc(Compare compare, float reference) {
    carry([=] {
        live().alphaCompare = compare;
        live().alphaReference = std::min(std::max(reference, 0.0f), 1.0f);
    });
}
void cullFace(Face face) {
    carry([=] { live().cull = face; });
}
void shadeModel(Shading shading) {
    carry([=] { live().shading = shading; });
}
void perspectiveHint(Hint hint) {
    carry([=] { live().hint = hint; });
}
void lineWidth(float width) {
    carry([=] {
        if (width > 0.0f) live().lineWidth = width;
    });
}
void lineStipple(int factor, unsigned short pattern) {
    carry([=] {
        live().stippleFactor = std::min(std::max(factor, 1), 256);
        live().stipplePattern = pattern;
    });
}
void fogColour(float red, float green, float blue, float alpha) {
    carry([=] { live().fogColour = Rgba{red, green, blue, alpha}; });
}
void fogLinear(float start, float end) {
    carry([=] {
        State& s = live();
        s.fogMode = FogMode::linear;
        s.fogStart = start;
        s.fogEnd = end;
    });
}
void fogExponential(bool squared, float density) {
    carry([=] {
        State& s = live();
        s.fogMode = squared ? FogMode::exp2 : FogMode::exp;
        if (density >= 0.0f) s.fogDensity = density;
    });
}
void textureEnv(TextureEnv mode) {
    carry([=] { live().textureEnv = mode; });
}
// The position and spot direction are taken through the model-view matrix
// current when the light is set (when a mesh is drawn, for a kept one).
void light(int index, const LightParams& params) {
    if (index < 0 || index >= kMaxLights) return;
    carry([=] {
        setLight(live().lights[static_cast<std::size_t>(index)], params,
                 door().stacks[static_cast<int>(MatrixMode::modelView)].back());
    });
}
void lightModelAmbient(float red, float green, float blue, float alpha) {
    carry([=] { live().modelAmbient = Rgba{red, green, blue, alpha}; });
}
void material(Face face, MaterialColour which, const Rgba& colour) {
    carry([=] { setMaterial(live(), face, which, colour); });
}
// An exponent outside 0..128 is refused, as the fixed-function call refuses
// it: the previous one stays.
void shininess(Face face, float exponent) {
    carry([=] {
        if (!(exponent >= 0.0f && exponent <= 128.0f)) return;
        if (face != Face::back) live().front.shininess = exponent;
        if (face != Face::front) live().back.shininess = exponent;
    });
}
void colorMaterial(Face face, MaterialColour which) {
    carry([=] {
        live().trackedFace = face;
        live().tracked = which;
        followColour(live());
    });
}

StateScope::StateScope() {
    carry([] { door().saved.push_back(live()); });
}
StateScope::~StateScope() {
    carry([] {
        Door& d = door();
        if (d.saved.empty()) return;
        d.state = d.saved.back();
        d.saved.pop_back();
    });
}

void matrixMode(MatrixMode mode) {
    if (MeshRecorder* recorder = door().recorder.get()) recorder->matrixMode(mode);
    carry([=] { live().matrixMode = mode; });
}
MatrixMode currentMatrixMode() {
    return live().matrixMode;
}

void loadIdentity() {
    carry([] { top() = Matrix4{}; });
}
void loadMatrix(const Matrix4& matrix) {
    carry([=] { top() = matrix; });
}
void multMatrix(const Matrix4& matrix) {
    carry([=] { multiplyBy(top(), matrix.m.data()); });
}
void pushMatrix() {
    if (MeshRecorder* recorder = door().recorder.get()) recorder->pushMatrix();
    carry([] {
        std::vector<Matrix4>& s = stack();
        if (s.size() < kStackDepth[static_cast<int>(live().matrixMode)]) s.push_back(s.back());
    });
}
void popMatrix() {
    if (MeshRecorder* recorder = door().recorder.get()) recorder->popMatrix();
    carry([] {
        std::vector<Matrix4>& s = stack();
        if (s.size() > 1) s.pop_back();
    });
}
void translate(float x, float y, float z) {
    carry([=] { gfx::translate(top(), x, y, z); });
}
void rotate(float degrees, float x, float y, float z) {
    carry([=] { gfx::rotate(top(), degrees, x, y, z); });
}
void scale(float x, float y, float z) {
    carry([=] { gfx::scale(top(), x, y, z); });
}
void ortho(float left, float right, float bottom, float top_, float zNear, float zFar) {
    carry([=] { gfx::ortho(top(), left, right, bottom, top_, zNear, zFar); });
}
void perspective(double fovyDegrees, double aspect, double zNear, double zFar) {
    carry([=] { gfx::perspective(top(), fovyDegrees, aspect, zNear, zFar); });
}
const Matrix4& matrix(MatrixMode mode) {
    return door().stacks[static_cast<int>(mode)].back();
}

void begin(Primitive primitive) {
    Door& d = door();
    if (d.inBatch) return;
    d.inBatch = true;
    if (d.recorder) return d.recorder->builder().begin(primitive, true);
    d.streaming = backend().streamsVertices();
    d.builder.begin(primitive, !d.streaming);
    if (d.streaming) backend().beginPrimitive(primitive, d.state, matrices());
}

void end() {
    Door& d = door();
    if (!d.inBatch) return;
    d.inBatch = false;
    if (d.recorder) return d.recorder->endBatch();
    const BatchBuilder& b = d.builder;
    if (d.streaming) {
        d.streaming = false;
        backend().endPrimitive();
    } else if (b.batch().size() > 0) {
        backend().drawBatch(b.batch(), d.state, matrices());
    }
    takeLastValues(b.batch(), b.lastColour(), b.lastTexCoord(), b.lastNormal());
}

namespace {

void addVertex(float x, float y, float z, float w, int given) {
    Door& d = door();
    if (!d.inBatch) return;
    if (d.recorder) return d.recorder->builder().vertex(x, y, z, w, given);
    if (d.streaming) return backend().streamVertex(x, y, z, w, given);
    d.builder.vertex(x, y, z, w, given);
}

// The builder the primitive being given goes to.
BatchBuilder& builder() {
    Door& d = door();
    return d.recorder ? d.recorder->builder() : d.builder;
}

}  // namespace

void vertex(float x, float y) {
    addVertex(x, y, 0.0f, 1.0f, 2);
}
void vertex(float x, float y, float z) {
    addVertex(x, y, z, 1.0f, 3);
}
void vertex(float x, float y, float z, float w) {
    addVertex(x, y, z, w, 4);
}

void colour(float red, float green, float blue, float alpha) {
    const Rgba c{red, green, blue, alpha};
    Door& d = door();
    if (!d.inBatch) {
        return carry([=] {
            live().colour = c;
            followColour(live());
        });
    }
    builder().colour(c);
    if (d.streaming) backend().streamColour(c);
}

void texCoord(float u, float v) {
    Door& d = door();
    if (!d.inBatch) return carry([=] { live().texCoord = {{u, v}}; });
    builder().texCoord(u, v);
    if (d.streaming) backend().streamTexCoord(u, v);
}

void normal(float x, float y, float z) {
    Door& d = door();
    if (!d.inBatch) return carry([=] { live().normal = {{x, y, z}}; });
    builder().normal(x, y, z);
    if (d.streaming) backend().streamNormal(x, y, z);
}

Rgba currentColour() {
    const Door& d = door();
    if (d.inBatch && !d.recorder && d.builder.batch().hasColours) return d.builder.lastColour();
    return d.state.colour;
}

// The pictures are kept by address: a mesh keeping text needs them to live
// as long as it does.
void drawBitmaps(float x, float y, const Bitmap* const* bitmaps, std::size_t count) {
    if (!door().recorder)
        return backend().drawBitmaps(x, y, bitmaps, count, live(), matrices());
    std::vector<const Bitmap*> pictures(bitmaps, bitmaps + count);
    carry([=] {
        backend().drawBitmaps(x, y, pictures.data(), pictures.size(), live(), matrices());
    });
}

TextureId createTexture() {
    return backend().createTexture();
}
void deleteTexture(TextureId id) {
    backend().deleteTexture(id);
    // A deleted texture is no longer bound, as in the driver.
    if (live().bound == id) live().bound = 0;
    for (State& s : door().saved)
        if (s.bound == id) s.bound = 0;
}
void bindTexture(TextureId id) {
    carry([=] { live().bound = id; });
}
void textureFilter(Filter minify, Filter magnify) {
    backend().textureFilter(live().bound, minify, magnify);
}
void textureWrap(Wrap s, Wrap t) {
    backend().textureWrap(live().bound, s, t);
}
int maxTextureSize() {
    return backend().maxTextureSize();
}
void textureImage(int level, PixelFormat internal, int width, int height, PixelFormat format,
                  const void* pixels) {
    backend().textureImage(live().bound, level, internal, width, height, format, pixels);
}
void buildMipmaps(PixelFormat internal, int width, int height, PixelFormat format,
                  const void* pixels) {
    backend().buildMipmaps(live().bound, internal, width, height, format, pixels);
}
void copyFrameToTexture(PixelFormat internal, int x, int y, int width, int height) {
    backend().copyFrameToTexture(live().bound, internal, x, y, width, height);
}
void readPixels(int x, int y, int width, int height, PixelFormat format, void* out) {
    backend().readPixels(x, y, width, height, format, out);
}

std::string programSupport() {
    return backend().programSupport();
}
ProgramId createProgram(const std::string& fragmentSource, std::string& log) {
    return backend().createProgram(fragmentSource, log);
}
void deleteProgram(ProgramId program) {
    backend().deleteProgram(program);
}
int uniformLocation(ProgramId program, const std::string& name) {
    return backend().uniformLocation(program, name);
}
void drawProgram(ProgramId program, const UniformValue* uniforms, std::size_t count,
                 const std::array<ProgramTexture, 4>& textures) {
    backend().drawProgram(program, uniforms, count, textures, live());
}

TargetId createTarget(int width, int height, bool& half) {
    return backend().createTarget(width, height, half);
}
void deleteTarget(TargetId target) {
    if (target == 0) return;
    backend().deleteTarget(target);
    if (door().target == target) door().target = 0;
}
TextureId targetTexture(TargetId target) {
    return target ? backend().targetTexture(target) : 0;
}
void clearTarget(TargetId target) {
    backend().clearTarget(target);
}

TargetScope::TargetScope(TargetId target) : previous_(door().target) {
    backend().drawIntoTarget(target);
    door().target = target;
}
TargetScope::~TargetScope() {
    backend().drawIntoTarget(previous_);
    door().target = previous_;
}

void clearColour(float red, float green, float blue, float alpha) {
    carry([=] { live().clearColour = Rgba{red, green, blue, alpha}; });
}
void clearDepth(double depth) {
    carry([=] { live().clearDepth = std::min(std::max(depth, 0.0), 1.0); });
}
void clearStencil(int value) {
    carry([=] { live().clearStencil = value; });
}
void clear(unsigned bits) {
    carry([=] { backend().clear(bits, live()); });
}
void viewport(int x, int y, int width, int height) {
    carry([=] {
        if (width >= 0 && height >= 0) live().viewport = {{x, y, width, height}};
    });
}
void scissor(int x, int y, int width, int height) {
    carry([=] {
        if (width >= 0 && height >= 0) live().scissor = {{x, y, width, height}};
    });
}
unsigned takeError() {
    return backend().takeError();
}
std::array<int, 4> viewportState() {
    return live().viewport;
}

bool windowPosition(float x, float y, float z, std::array<float, 3>& window) {
    return gfx::windowPosition(matrices(), live().viewport, x, y, z, window);
}
void flush() {
    backend().flush();
}

FramebufferSupport framebufferSupport() {
    return backend().framebufferSupport();
}
std::uint32_t createFramebuffer(int width, int height, FrameFormat format, bool depth,
                                int& samples) {
    return backend().createFramebuffer(width, height, format, depth, samples);
}
void deleteFramebuffer(std::uint32_t framebuffer) {
    backend().deleteFramebuffer(framebuffer);
}
void bindFramebuffers(std::uint32_t draw, std::uint32_t read) {
    backend().bindFramebuffers(draw, read);
}
void blitFramebuffer(const std::array<int, 4>& from, const std::array<int, 4>& to, bool linear) {
    backend().blitFramebuffer(from, to, linear);
}
void fillColour(const Rgba& colour) {
    backend().fillColour(colour);
}

// The recorder's replay draws through these.
void drawRecordedBatch(const VertexBatch& batch, std::uint32_t kept, const RecordedLast& last) {
    Door& d = door();
    if (kept != 0)
        backend().drawKept(kept, d.state, matrices());
    else if (batch.size() > 0)
        backend().drawBatch(batch, d.state, matrices());
    takeLastValues(batch, last.colour, last.texCoord, last.normal);
}

std::uint32_t keepBatch(const VertexBatch& batch) {
    return backend().keepBatch(batch);
}
void releaseKept(std::uint32_t handle) {
    backend().releaseKept(handle);
}

void beginStaticMesh(StaticMesh& mesh) {
    Door& d = door();
    if (d.recorder) endStaticMesh();
    if (d.inBatch) end();
    d.recorder = std::make_unique<MeshRecorder>(mesh, live().matrixMode);
}

bool endStaticMesh() {
    Door& d = door();
    if (!d.recorder) return true;
    if (d.inBatch) end();
    const std::unique_ptr<MeshRecorder> recorder = std::move(d.recorder);
    return recorder->finish();
}

void drawStaticMesh(const StaticMesh& mesh) {
    carry([&mesh] {
        for (const auto& command : mesh.replay_) command();
    });
}

}  // namespace gfx
