#include "gfx/Gfx.h"

#include "PlatformBackend.h"

#include <vector>

namespace gfx {

// Keeps a call in the mesh being compiled, for the door to replay.
void record(std::function<void()> command);
// The mesh being compiled owns the backend's kept batch `handle`.
void keepHandle(std::uint32_t handle);

namespace {

// Stack depths: what every driver keeps at least (32 model-view, 2
// projection and texture), the projection and texture stacks raised to 4,
// which drivers commonly give and the player's nesting can reach.
constexpr std::size_t kStackDepth[] = {32, 4, 4};

struct Door {
    std::unique_ptr<Backend> backend;
    MatrixMode mode = MatrixMode::modelView;
    std::vector<Matrix4> stacks[3] = {{Matrix4{}}, {Matrix4{}}, {Matrix4{}}};
    bool inBatch = false;
    bool streaming = false;           // this primitive goes to the backend vertex by vertex
    StaticMesh* recording = nullptr;  // compiling into it
    bool replaying = false;           // recording without a driver object
    VertexBatch batch;
    // While recording: consecutive batches of one list primitive and the
    // same attributes, gathered into one to keep (recorded at the next other
    // command or at the end).
    VertexBatch pending;
    bool havePending = false;
    // The attributes the next vertex takes once the batch sets them.
    Rgba colour;
    std::array<float, 2> texCoord{{0, 0}};
    std::array<float, 3> normal{{0, 0, 1}};
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

// Whether calls are kept in the mesh being compiled for the door to replay.
bool recordingForReplay() {
    return door().recording && door().replaying;
}

std::vector<Matrix4>& stack() {
    return door().stacks[static_cast<int>(door().mode)];
}
Matrix4& top() {
    return stack().back();
}

}  // namespace

void setBackend(std::unique_ptr<Backend> backend) {
    Door& d = door();
    d.backend = std::move(backend);
    d.mode = MatrixMode::modelView;
    for (auto& s : d.stacks) s.assign(1, Matrix4{});
    d.inBatch = false;
    d.batch.clear();
}

Backend& backend() {
    Door& d = door();
    if (!d.backend) d.backend = makePlatformDefaultBackend();
    return *d.backend;
}

void enable(Cap cap) {
    if (recordingForReplay()) return record([=] { enable(cap); });
    backend().setEnabled(cap, true);
}
void disable(Cap cap) {
    if (recordingForReplay()) return record([=] { disable(cap); });
    backend().setEnabled(cap, false);
}
void setEnabled(Cap cap, bool on) {
    if (recordingForReplay()) return record([=] { setEnabled(cap, on); });
    backend().setEnabled(cap, on);
}
bool isEnabled(Cap cap) {
    return backend().isEnabled(cap);
}
void blendFunc(BlendFactor source, BlendFactor destination) {
    backend().blendFunc(source, destination);
}
void depthFunc(Compare compare) {
    backend().depthFunc(compare);
}
void depthMask(bool write) {
    backend().depthMask(write);
}
void colorMask(bool red, bool green, bool blue, bool alpha) {
    backend().colorMask(red, green, blue, alpha);
}
void stencilFunc(Compare compare, int reference, unsigned mask) {
    backend().stencilFunc(compare, reference, mask);
}
void stencilOp(StencilAction fail, StencilAction depthFail, StencilAction pass) {
    backend().stencilOp(fail, depthFail, pass);
}
void stencilMask(unsigned mask) {
    backend().stencilMask(mask);
}
void alphaFunc(Compare compare, float reference) {
    backend().alphaFunc(compare, reference);
}
void cullFace(Face face) {
    backend().cullFace(face);
}
void shadeModel(Shading shading) {
    backend().shadeModel(shading);
}
void perspectiveHint(Hint hint) {
    backend().perspectiveHint(hint);
}
void lineWidth(float width) {
    backend().lineWidth(width);
}
void lineStipple(int factor, unsigned short pattern) {
    backend().lineStipple(factor, pattern);
}
void fogColour(float red, float green, float blue, float alpha) {
    backend().fogColour(Rgba{red, green, blue, alpha});
}
void fogLinear(float start, float end) {
    backend().fogLinear(start, end);
}
void fogExponential(bool squared, float density) {
    backend().fogExponential(squared, density);
}
void textureEnv(TextureEnv mode) {
    backend().textureEnv(mode);
}

void matrixMode(MatrixMode mode) {
    door().mode = mode;
    backend().matrixMode(mode);
}
MatrixMode currentMatrixMode() {
    return door().mode;
}

void loadIdentity() {
    top() = Matrix4{};
    backend().loadIdentity();
}
void loadMatrix(const Matrix4& matrix) {
    top() = matrix;
    backend().loadMatrix(matrix);
}
void multMatrix(const Matrix4& matrix) {
    if (recordingForReplay()) return record([=] { multMatrix(matrix); });
    multiplyBy(top(), matrix.m.data());
    backend().multMatrix(matrix);
}
void pushMatrix() {
    if (recordingForReplay()) return record([=] { pushMatrix(); });
    std::vector<Matrix4>& s = stack();
    if (s.size() >= kStackDepth[static_cast<int>(door().mode)]) return;
    s.push_back(s.back());
    backend().pushMatrix();
}
void popMatrix() {
    if (recordingForReplay()) return record([=] { popMatrix(); });
    std::vector<Matrix4>& s = stack();
    if (s.size() <= 1) return;
    s.pop_back();
    backend().popMatrix();
}
void translate(float x, float y, float z) {
    if (recordingForReplay()) return record([=] { translate(x, y, z); });
    gfx::translate(top(), x, y, z);
    backend().translate(x, y, z);
}
void rotate(float degrees, float x, float y, float z) {
    gfx::rotate(top(), degrees, x, y, z);
    backend().rotate(degrees, x, y, z);
}
void scale(float x, float y, float z) {
    gfx::scale(top(), x, y, z);
    backend().scale(x, y, z);
}
void ortho(float left, float right, float bottom, float top_, float zNear, float zFar) {
    gfx::ortho(top(), left, right, bottom, top_, zNear, zFar);
    backend().ortho(left, right, bottom, top_, zNear, zFar);
}
void perspective(double fovyDegrees, double aspect, double zNear, double zFar) {
    gfx::perspective(top(), fovyDegrees, aspect, zNear, zFar);
    backend().perspective(fovyDegrees, aspect, zNear, zFar);
}
const Matrix4& matrix(MatrixMode mode) {
    return door().stacks[static_cast<int>(mode)].back();
}

namespace {

// Primitives whose vertices may be joined from consecutive batches without
// changing what is drawn, and how many vertices each one takes.
int listPrimitiveSize(Primitive p) {
    switch (p) {
    case Primitive::points: return 1;
    case Primitive::lines: return 2;
    case Primitive::triangles: return 3;
    case Primitive::quads: return 4;
    default: return 0;
    }
}

bool joinable(const VertexBatch& b) {
    const int n = listPrimitiveSize(b.primitive);
    return n > 0 && b.size() > 0 && b.size() % static_cast<std::size_t>(n) == 0 &&
           b.firstColour == 0 && b.firstTexCoord == 0 && b.firstNormal == 0;
}

bool sameKind(const VertexBatch& a, const VertexBatch& b) {
    return a.primitive == b.primitive && a.hasColours == b.hasColours &&
           a.hasTexCoords == b.hasTexCoords && a.hasNormals == b.hasNormals;
}

// The current values a batch leaves behind it.
struct LastValues {
    Rgba colour;
    std::array<float, 2> texCoord;
    std::array<float, 3> normal;
};

LastValues lastValues() {
    const Door& d = door();
    return {d.colour, d.texCoord, d.normal};
}

// Records the drawing of `copy` (kept by the backend when it can) followed
// by the current values it leaves.
void recordBatch(VertexBatch copy, const LastValues& last) {
    const bool colours = copy.hasColours, texCoords = copy.hasTexCoords, normals = copy.hasNormals;
    const std::uint32_t kept = copy.size() > 0 ? backend().keepBatch(copy) : 0;
    if (kept != 0) {
        keepHandle(kept);
        copy = VertexBatch{};
    }
    record([copy = std::move(copy), kept, last, colours, texCoords, normals] {
        if (kept != 0)
            backend().drawKept(kept);
        else if (copy.size() > 0)
            backend().drawBatch(copy);
        if (colours) backend().currentColour(last.colour);
        if (texCoords) backend().currentTexCoord(last.texCoord[0], last.texCoord[1]);
        if (normals) backend().currentNormal(last.normal[0], last.normal[1], last.normal[2]);
    });
}

LastValues& pendingLast() {
    static LastValues last;
    return last;
}

void flushPending() {
    Door& d = door();
    if (!d.havePending) return;
    d.havePending = false;
    recordBatch(std::move(d.pending), pendingLast());
    d.pending.clear();
}

// A batch given while recording for replay: joined to the pending one when
// it can be, else recorded as given. Only the last batch's current values
// count, and nothing was recorded between them, so the replay draws what
// the batches one by one would.
void keepForReplay(const VertexBatch& b) {
    Door& d = door();
    if (d.havePending && joinable(b) && sameKind(d.pending, b)) {
        VertexBatch& p = d.pending;
        p.positionSize = std::max(p.positionSize, b.positionSize);
        p.positions.insert(p.positions.end(), b.positions.begin(), b.positions.end());
        p.colours.insert(p.colours.end(), b.colours.begin(), b.colours.end());
        p.texCoords.insert(p.texCoords.end(), b.texCoords.begin(), b.texCoords.end());
        p.normals.insert(p.normals.end(), b.normals.begin(), b.normals.end());
        pendingLast() = lastValues();
        return;
    }
    flushPending();
    if (joinable(b)) {
        d.pending = b;
        d.havePending = true;
        pendingLast() = lastValues();
        return;
    }
    recordBatch(b, lastValues());
}

}  // namespace

void begin(Primitive primitive) {
    Door& d = door();
    d.inBatch = true;
    d.streaming = backend().streamsVertices() && !recordingForReplay();
    if (d.streaming) {
        backend().beginPrimitive(primitive);
        return;
    }
    d.batch.clear();
    d.batch.primitive = primitive;
}

void end() {
    Door& d = door();
    if (!d.inBatch) return;
    d.inBatch = false;
    if (d.streaming) {
        d.streaming = false;
        backend().endPrimitive();
        return;
    }
    const VertexBatch& b = d.batch;
    if (recordingForReplay()) return keepForReplay(b);
    if (b.size() > 0) backend().drawBatch(b);
    // The last values set in the primitive are the current ones after it.
    if (b.hasColours) backend().currentColour(d.colour);
    if (b.hasTexCoords) backend().currentTexCoord(d.texCoord[0], d.texCoord[1]);
    if (b.hasNormals) backend().currentNormal(d.normal[0], d.normal[1], d.normal[2]);
}

namespace {

void addVertex(float x, float y, float z, float w, int given) {
    Door& d = door();
    if (!d.inBatch) return;
    if (d.streaming) return backend().streamVertex(x, y, z, w, given);
    VertexBatch& b = d.batch;
    if (given > b.positionSize) b.positionSize = given;
    b.positions.push_back({{x, y, z, w}});
    if (b.hasColours) b.colours.push_back(d.colour);
    if (b.hasTexCoords) b.texCoords.push_back(d.texCoord);
    if (b.hasNormals) b.normals.push_back(d.normal);
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
    Door& d = door();
    if (d.streaming) {
        d.colour = Rgba{red, green, blue, alpha};
        return backend().currentColour(d.colour);
    }
    VertexBatch& b = d.batch;
    if (d.inBatch && !b.hasColours) {
        // The vertices so far take the current colour when drawn.
        b.colours.assign(b.size(), Rgba{});
        b.firstColour = b.size();
        b.hasColours = true;
    }
    d.colour = Rgba{red, green, blue, alpha};
    if (d.inBatch) return;
    if (recordingForReplay()) return record([=] { colour(red, green, blue, alpha); });
    backend().currentColour(d.colour);
}

void texCoord(float u, float v) {
    Door& d = door();
    if (d.streaming) return backend().currentTexCoord(u, v);
    VertexBatch& b = d.batch;
    if (d.inBatch && !b.hasTexCoords) {
        b.texCoords.assign(b.size(), std::array<float, 2>{});
        b.firstTexCoord = b.size();
        b.hasTexCoords = true;
    }
    d.texCoord = {{u, v}};
    if (!d.inBatch) backend().currentTexCoord(u, v);
}

void normal(float x, float y, float z) {
    Door& d = door();
    if (d.streaming) return backend().currentNormal(x, y, z);
    VertexBatch& b = d.batch;
    if (d.inBatch && !b.hasNormals) {
        b.normals.assign(b.size(), std::array<float, 3>{});
        b.firstNormal = b.size();
        b.hasNormals = true;
    }
    d.normal = {{x, y, z}};
    if (!d.inBatch) backend().currentNormal(x, y, z);
}

Rgba currentColour() {
    const Door& d = door();
    return d.inBatch && !d.streaming ? d.colour : backend().currentColourState();
}

void drawBitmaps(float x, float y, const Bitmap* const* bitmaps, std::size_t count) {
    backend().drawBitmaps(x, y, bitmaps, count);
}

TextureId createTexture() {
    return backend().createTexture();
}
void deleteTexture(TextureId id) {
    backend().deleteTexture(id);
}
void bindTexture(TextureId id) {
    if (recordingForReplay()) return record([=] { bindTexture(id); });
    backend().bindTexture(id);
}
void textureFilter(Filter minify, Filter magnify) {
    backend().textureFilter(minify, magnify);
}
void textureWrap(Wrap s, Wrap t) {
    backend().textureWrap(s, t);
}
int maxTextureSize() {
    return backend().maxTextureSize();
}
void textureImage(int level, PixelFormat internal, int width, int height, PixelFormat format,
                  const void* pixels) {
    backend().textureImage(level, internal, width, height, format, pixels);
}
void buildMipmaps(PixelFormat internal, int width, int height, PixelFormat format,
                  const void* pixels) {
    backend().buildMipmaps(internal, width, height, format, pixels);
}
void copyFrameToTexture(PixelFormat internal, int x, int y, int width, int height) {
    backend().copyFrameToTexture(internal, x, y, width, height);
}
void readPixels(int x, int y, int width, int height, PixelFormat format, void* out) {
    backend().readPixels(x, y, width, height, format, out);
}

void clearColour(float red, float green, float blue, float alpha) {
    backend().clearColour(Rgba{red, green, blue, alpha});
}
void clearDepth(double depth) {
    backend().clearDepth(depth);
}
void clearStencil(int value) {
    backend().clearStencil(value);
}
void clear(unsigned bits) {
    backend().clear(bits);
}
void viewport(int x, int y, int width, int height) {
    backend().viewport(x, y, width, height);
}
void scissor(int x, int y, int width, int height) {
    backend().scissor(x, y, width, height);
}
unsigned takeError() {
    return backend().takeError();
}
std::array<int, 4> viewportState() {
    return backend().viewportState();
}

bool windowPosition(float x, float y, float z, std::array<float, 3>& window) {
    // As a driver places a vertex: the combined matrix, then the clip test,
    // the divide and the viewport's scale and offset.
    const Matrix4 combined =
        multiply(matrix(MatrixMode::projection), matrix(MatrixMode::modelView));
    const std::array<float, 4> clip = transform(combined, {{x, y, z, 1.0f}});
    const float w = clip[3];
    for (int i = 0; i < 3; ++i)
        if (!(clip[i] >= -w && clip[i] <= w)) return false;
    const std::array<int, 4> v = viewportState();
    const float halfWidth = static_cast<float>(v[2]) * 0.5f;
    const float halfHeight = static_cast<float>(v[3]) * 0.5f;
    window[0] = clip[0] / w * halfWidth + (static_cast<float>(v[0]) + halfWidth);
    window[1] = clip[1] / w * halfHeight + (static_cast<float>(v[1]) + halfHeight);
    window[2] = clip[2] / w * 0.5f + 0.5f;
    return true;
}
void flush() {
    backend().flush();
}

void light(int index, const LightParams& params) {
    if (index >= 0 && index < kMaxLights) backend().light(index, params);
}
void lightModelAmbient(float red, float green, float blue, float alpha) {
    backend().lightModelAmbient(Rgba{red, green, blue, alpha});
}
void material(Face face, MaterialColour which, const Rgba& colour) {
    if (recordingForReplay()) return record([=] { material(face, which, colour); });
    backend().material(face, which, colour);
}
void shininess(Face face, float exponent) {
    if (recordingForReplay()) return record([=] { shininess(face, exponent); });
    backend().shininess(face, exponent);
}
void colorMaterial(Face face, MaterialColour which) {
    backend().colorMaterial(face, which);
}

StateScope::StateScope() {
    backend().pushState();
}
StateScope::~StateScope() {
    backend().popState();
}

StaticMesh::StaticMesh(StaticMesh&& other) noexcept
    : compiled_(other.compiled_),
      object_(other.object_),
      replay_(std::move(other.replay_)),
      kept_(std::move(other.kept_)) {
    other.compiled_ = false;
    other.object_ = 0;
}

StaticMesh& StaticMesh::operator=(StaticMesh&& other) noexcept {
    if (this != &other) {
        compiled_ = other.compiled_;
        object_ = other.object_;
        replay_ = std::move(other.replay_);
        kept_ = std::move(other.kept_);
        other.kept_.clear();
        other.compiled_ = false;
        other.object_ = 0;
    }
    return *this;
}

void StaticMesh::release(bool deleteObject) {
    if (object_ != 0 && deleteObject) backend().deleteCompiled(object_);
    if (deleteObject)
        for (std::uint32_t kept : kept_) backend().releaseKept(kept);
    kept_.clear();
    object_ = 0;
    replay_.clear();
    compiled_ = false;
}

void keepHandle(std::uint32_t handle) {
    door().recording->kept_.push_back(handle);
}

void record(std::function<void()> command) {
    flushPending();
    door().recording->replay_.push_back(std::move(command));
}

void beginStaticMesh(StaticMesh& mesh) {
    Door& d = door();
    mesh.release(true);
    mesh.compiled_ = true;
    d.recording = &mesh;
    mesh.object_ = backend().beginCompile();
    d.replaying = mesh.object_ == 0;
}

void endStaticMesh() {
    Door& d = door();
    if (!d.recording) return;
    flushPending();
    if (d.recording->object_ != 0) backend().endCompile();
    d.recording = nullptr;
    d.replaying = false;
}

void drawStaticMesh(const StaticMesh& mesh) {
    if (mesh.object_ != 0) {
        backend().drawCompiled(mesh.object_);
        return;
    }
    for (const auto& command : mesh.replay_) command();
}

}  // namespace gfx
