#include "Gles2Backend.h"

#include "GlEnums.h"
#include "PixelConversion.h"
#include "SharedDriverState.h"

#include <cstdio>
#include <cstring>

namespace gfx {

using namespace glenums;

Gles2Backend::Gles2Backend() {
    programs_.check();
    GLint side = 64;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    maxTextureSize_ = side;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 2;
    if (version) std::sscanf(version, "OpenGL ES %d", &major);
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    fullNpot_ = major >= 3 || (extensions && std::strstr(extensions, "GL_OES_texture_npot"));
    GLint box[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, box);
    initialViewport_ = {{box[0], box[1], box[2], box[3]}};
    glGenBuffers(1, &streamBuffer_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
}

Gles2Backend::~Gles2Backend() {
    for (auto& entry : kept_) {
        glDeleteBuffers(1, &entry.second.buffer);
        if (entry.second.clippedBuffer) glDeleteBuffers(1, &entry.second.clippedBuffer);
    }
    for (auto& entry : glyphs_) glDeleteTextures(1, &entry.second.texture);
    if (streamBuffer_) glDeleteBuffers(1, &streamBuffer_);
}

void Gles2Backend::applyDriverState(const State& want) {
    counts_.stateCalls +=
        applySharedState(want, have_, !haveAll_, [](double d) { glClearDepthf(static_cast<float>(d)); });
    haveAll_ = true;
}

void Gles2Backend::bind(TextureId id) {
    if (haveAll_ && have_.bound == id) return;
    glBindTexture(GL_TEXTURE_2D, id);
    have_.bound = id;
    ++counts_.stateCalls;
}

void Gles2Backend::drawProgram(ProgramId program, const UniformValue* uniforms,
                               std::size_t count, const std::array<ProgramTexture, 4>& textures,
                               const State& state) {
    applyDriverState(state);
    counts_.uniformUploads += shaderPrograms_.draw(program, uniforms, count, textures);
    currentProgram_ = program;
    have_.bound = textures[0].id;
    quadsRun_.reset();
    ++counts_.draws;
}

void Gles2Backend::deleteProgram(ProgramId program) {
    shaderPrograms_.remove(program);
    // A name the driver may give again must not pass for the one in use.
    if (currentProgram_ == program) currentProgram_ = 0;
}

void Gles2Backend::drawBatch(const VertexBatch& batch, const State& state,
                             const Matrices& matrices) {
    applyDriverState(state);
    const bool changed =
        useProgramFor(state, matrices, batch.primitive == Primitive::points ? GL_POINTS : GL_TRIANGLES);
    const bool clipped = splitAsClipped(batch, state, matrices, changed);
    bool colours = false, texCoords = false, normals = false;
    const GLenum mode = interleave(batch, state, clipped, scratch_, colours, texCoords, normals);
    if (scratch_.empty()) return;
    const std::size_t stride = 4 + (colours ? 4 : 0) + (texCoords ? 2 : 0) + (normals ? 3 : 0);
    glBindBuffer(GL_ARRAY_BUFFER, streamBuffer_);
    // A new store each time: the driver need not wait for the last draw.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(scratch_.size() * sizeof(float)),
                 scratch_.data(), GL_STREAM_DRAW);
    drawArrays(streamBuffer_, mode, static_cast<GLsizei>(scratch_.size() / stride), colours,
               texCoords, normals, state);
}

// Batches whose early vertices wait for the value current at drawing are
// left to the door to draw.
std::uint32_t Gles2Backend::keepBatch(const VertexBatch& batch) {
    if ((batch.hasColours && batch.firstColour > 0) ||
        (batch.hasTexCoords && batch.firstTexCoord > 0) ||
        (batch.hasNormals && batch.firstNormal > 0))
        return 0;
    // The values placeholders would take are never read: no vertex has one.
    const State none;
    Kept k;
    const auto upload = [&](bool clipped, GLuint& buffer) {
        std::vector<float> data;
        k.mode = interleave(batch, none, clipped, data, k.colours, k.texCoords, k.normals);
        const std::size_t stride =
            4 + (k.colours ? 4 : 0) + (k.texCoords ? 2 : 0) + (k.normals ? 3 : 0);
        k.count = static_cast<GLsizei>(data.size() / stride);
        glGenBuffers(1, &buffer);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size() * sizeof(float)),
                     data.data(), GL_STATIC_DRAW);
    };
    upload(false, k.buffer);
    if (batch.primitive == Primitive::quads) {
        upload(true, k.clippedBuffer);
        k.corners = batch.positions;
    }
    const std::uint32_t handle = nextKept_++;
    kept_.emplace(handle, std::move(k));
    return handle;
}

void Gles2Backend::drawKept(std::uint32_t handle, const State& state, const Matrices& matrices) {
    const auto found = kept_.find(handle);
    if (found == kept_.end() || found->second.count == 0) return;
    Kept& k = found->second;
    applyDriverState(state);
    useProgramFor(state, matrices, k.mode);
    GLuint buffer = k.buffer;
    if (k.clippedBuffer) {
        const Matrix4 mvp = multiply(matrices.projection, matrices.modelView);
        if (!k.haveLast || !(k.lastMvp == mvp)) {
            k.lastClipped = needsClipping(k.corners, mvp);
            k.lastMvp = mvp;
            k.haveLast = true;
        }
        if (k.lastClipped) buffer = k.clippedBuffer;
    }
    drawArrays(buffer, k.mode, k.count, k.colours, k.texCoords, k.normals, state);
}

void Gles2Backend::releaseKept(std::uint32_t handle) {
    const auto found = kept_.find(handle);
    if (found == kept_.end()) return;
    glDeleteBuffers(1, &found->second.buffer);
    if (found->second.clippedBuffer) glDeleteBuffers(1, &found->second.clippedBuffer);
    kept_.erase(found);
}

void Gles2Backend::clear(unsigned bits, const State& state) {
    applyDriverState(state);
    glClear(glClearMask(bits));
}

// ES 2.0 reads RGBA bytes; other layouts are made from them.
void Gles2Backend::readPixels(int x, int y, int width, int height, PixelFormat format, void* out) {
    if (width <= 0 || height <= 0) return;
    if (format == PixelFormat::rgba) {
        glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, out);
        return;
    }
    // Captures read every frame: the buffer is kept.
    readBuffer_.resize(static_cast<std::size_t>(width) * height * 4);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, readBuffer_.data());
    readBackAs(readBuffer_, width * height, format, out);
}

void Gles2Backend::flush() {
    glFlush();
}
unsigned Gles2Backend::takeError() {
    return takeGlError();
}

}  // namespace gfx
