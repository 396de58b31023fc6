// The shader renderer's text: each one-bit picture becomes an alpha texture
// (made once and kept while the picture is the same), drawn as a quad at
// the window pixels the fixed-function bitmap would cover.
#include "Gles2Backend.h"

#include <cmath>

namespace gfx {

namespace {

constexpr std::size_t kMostGlyphs = 4096;  // textures kept before all are made again

}  // namespace

// As the fixed-function bitmap: the pen starts at the window position of
// (x, y) and nothing is drawn when that lies outside the view; each
// picture's lower left lands on the pixel grid where the driver puts it.
void Gles2Backend::drawBitmaps(float x, float y, const Bitmap* const* bitmaps, std::size_t count,
                               const State& state, const Matrices& matrices) {
    std::array<float, 3> window{};
    if (count == 0 || !windowPosition(matrices, state.viewport, x, y, 0.0f, window)) return;
    applyDriverState(state);
    Gles2BitmapProgram& program = programs_.bitmapProgram();
    glUseProgram(program.id);
    currentProgram_ = program.id;
    const std::array<int, 4>& v = state.viewport;
    glUniform4f(program.viewport, static_cast<float>(v[0]), static_cast<float>(v[1]),
                static_cast<float>(v[2]), static_cast<float>(v[3]));
    glUniform1f(program.depth, window[2] * 2.0f - 1.0f);
    glUniform4f(program.colour, state.colour.r, state.colour.g, state.colour.b, state.colour.a);
    glUniform1i(program.picture, 0);
    counts_.uniformUploads += 4;
    glDisableVertexAttribArray(colourAttribute);
    glDisableVertexAttribArray(normalAttribute);
    glBindBuffer(GL_ARRAY_BUFFER, streamBuffer_);
    if (glyphs_.size() > kMostGlyphs) {
        for (auto& entry : glyphs_) glDeleteTextures(1, &entry.second.texture);
        glyphs_.clear();
    }
    float penX = window[0], penY = window[1];
    for (std::size_t i = 0; i < count; ++i) {
        const Bitmap& b = *bitmaps[i];
        if (b.width > 0 && b.rows > 0) {
            Glyph& g = glyphs_[&b];
            if (g.texture == 0 || g.width != b.width || g.rows != b.rows || g.bits != b.bits) {
                // One byte of alpha per bit.
                const int rowBytes = (b.width + 7) / 8;
                std::vector<std::uint8_t> alpha(static_cast<std::size_t>(b.width * b.rows));
                for (int r = 0; r < b.rows; ++r)
                    for (int c = 0; c < b.width; ++c) {
                        const std::size_t byte = static_cast<std::size_t>(r * rowBytes + c / 8);
                        const bool set = byte < b.bits.size() && (b.bits[byte] & (0x80 >> (c % 8)));
                        alpha[static_cast<std::size_t>(r * b.width + c)] = set ? 255 : 0;
                    }
                if (g.texture == 0) glGenTextures(1, &g.texture);
                glBindTexture(GL_TEXTURE_2D, g.texture);
                glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, b.width, b.rows, 0, GL_ALPHA,
                             GL_UNSIGNED_BYTE, alpha.data());
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
                g.width = b.width;
                g.rows = b.rows;
                g.bits = b.bits;
            } else {
                glBindTexture(GL_TEXTURE_2D, g.texture);
            }
            const float epsilon = 0.0001f;
            const float left = std::floor(penX + epsilon - b.originX);
            const float bottom = std::floor(penY + epsilon - b.originY);
            const float right = left + static_cast<float>(b.width);
            const float top = bottom + static_cast<float>(b.rows);
            const float quad[] = {left,  bottom, 0, 1, 0, 0, right, bottom, 0, 1, 1, 0,
                                  right, top,    0, 1, 1, 1, left,  bottom, 0, 1, 0, 0,
                                  right, top,    0, 1, 1, 1, left,  top,    0, 1, 0, 1};
            glBufferData(GL_ARRAY_BUFFER, sizeof quad, quad, GL_STREAM_DRAW);
            glEnableVertexAttribArray(positionAttribute);
            glVertexAttribPointer(positionAttribute, 4, GL_FLOAT, GL_FALSE, 6 * sizeof(float),
                                  nullptr);
            glEnableVertexAttribArray(texCoordAttribute);
            glVertexAttribPointer(texCoordAttribute, 2, GL_FLOAT, GL_FALSE, 6 * sizeof(float),
                                  reinterpret_cast<const void*>(4 * sizeof(float)));
            glDrawArrays(GL_TRIANGLES, 0, 6);
            ++counts_.draws;
        }
        penX += b.advance;
    }
    // The glyphs' textures were bound in place of the state's.
    glBindTexture(GL_TEXTURE_2D, have_.bound);
}

}  // namespace gfx
