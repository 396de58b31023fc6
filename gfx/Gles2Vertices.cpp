// The shader renderer's vertices: batches interleaved into the arrays its
// programs take, quads split into triangles along the diagonal the
// fixed-function pipeline takes.
#include "Gles2Backend.h"

#include "GlEnums.h"

namespace gfx {

bool needsClipping(const std::vector<std::array<float, 4>>& positions, const Matrix4& mvp) {
    for (const std::array<float, 4>& p : positions) {
        const std::array<float, 4> clip = transform(mvp, p);
        for (std::size_t i = 0; i < 3; ++i)
            if (!(clip[i] >= -clip[3] && clip[i] <= clip[3])) return true;
    }
    return false;
}

// The diagonal decides how colours and texture coordinates spread over a
// quad that is no parallelogram. Mesa's fixed-function quads take 0 1 2
// and 0 2 3, except in a draw with a vertex outside the view volume, where
// its clipper splits every quad into 0 1 3 and 1 2 3: the same here, so the
// pictures match. Mesa also joins quads given one batch after another, with
// nothing changed between them, into one draw: a batch that follows a
// clipped one under the same state and matrices is split as clipped too.
bool Gles2Backend::splitAsClipped(const VertexBatch& batch, const State& state,
                                  const Matrices& matrices, bool stateChanged) {
    if (batch.primitive != Primitive::quads) {
        quadsRun_.reset();
        return false;
    }
    const Matrix4 mvp = multiply(matrices.projection, matrices.modelView);
    bool clipped = needsClipping(batch.positions, mvp);
    if (quadsRun_)
        clipped = clipped || (quadsRun_->clipped && !stateChanged &&
                              quadsRun_->bound == state.bound && quadsRun_->mvp == mvp);
    quadsRun_ = QuadsRun{clipped, state.bound, mvp};
    return clipped;
}

GLenum Gles2Backend::interleave(const VertexBatch& b, const State& state, bool clipped,
                                std::vector<float>& out, bool& colours, bool& texCoords,
                                bool& normals) {
    colours = b.hasColours;
    texCoords = b.hasTexCoords;
    normals = b.hasNormals;
    const std::size_t stride = 4 + (colours ? 4 : 0) + (texCoords ? 2 : 0) + (normals ? 3 : 0);
    const auto put = [&](std::size_t i) {
        out.insert(out.end(), b.positions[i].begin(), b.positions[i].end());
        if (colours) {
            const Rgba& c = i >= b.firstColour ? b.colours[i] : state.colour;
            out.insert(out.end(), {c.r, c.g, c.b, c.a});
        }
        if (texCoords) {
            const std::array<float, 2>& t = i >= b.firstTexCoord ? b.texCoords[i] : state.texCoord;
            out.insert(out.end(), t.begin(), t.end());
        }
        if (normals) {
            const std::array<float, 3>& n = i >= b.firstNormal ? b.normals[i] : state.normal;
            out.insert(out.end(), n.begin(), n.end());
        }
    };
    out.clear();
    if (b.primitive == Primitive::quads) {
        out.reserve(b.size() / 4 * 6 * stride);
        for (std::size_t q = 0; q + 3 < b.size(); q += 4) {
            if (clipped)
                for (std::size_t k : {0, 1, 3, 1, 2, 3}) put(q + k);
            else
                for (std::size_t k : {0, 1, 2, 0, 2, 3}) put(q + k);
        }
        return GL_TRIANGLES;
    }
    out.reserve(b.size() * stride);
    for (std::size_t i = 0; i < b.size(); ++i) put(i);
    return glenums::glPrimitive(b.primitive);
}

// Draws `count` interleaved vertices from `buffer`; attributes not in it
// take the state's current values.
void Gles2Backend::drawArrays(GLuint buffer, GLenum mode, GLsizei count, bool colours,
                              bool texCoords, bool normals, const State& state) {
    const GLsizei stride = static_cast<GLsizei>(
        (4 + (colours ? 4 : 0) + (texCoords ? 2 : 0) + (normals ? 3 : 0)) * sizeof(float));
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    std::size_t offset = 0;
    const auto attribute = [&](GLuint index, bool present, int size, const float* current) {
        if (present) {
            glEnableVertexAttribArray(index);
            glVertexAttribPointer(index, size, GL_FLOAT, GL_FALSE, stride,
                                  reinterpret_cast<const void*>(offset * sizeof(float)));
            offset += static_cast<std::size_t>(size);
        } else {
            glDisableVertexAttribArray(index);
            if (size == 4)
                glVertexAttrib4fv(index, current);
            else if (size == 3)
                glVertexAttrib3fv(index, current);
            else
                glVertexAttrib2fv(index, current);
        }
    };
    attribute(positionAttribute, true, 4, nullptr);
    attribute(colourAttribute, colours, 4, &state.colour.r);
    attribute(texCoordAttribute, texCoords, 2, state.texCoord.data());
    attribute(normalAttribute, normals, 3, state.normal.data());
    glDrawArrays(mode, 0, count);
    ++counts_.draws;
}

}  // namespace gfx
