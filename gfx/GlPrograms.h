// The caller's programs on an OpenGL ES 3.0 driver, a WebGL 2 context or a
// desktop OpenGL compatibility context that takes GLSL ES 3.00 (the entry
// points are the same in all three), for either backend. A program is the
// caller's fragment stage over a quad that covers the viewport; it keeps
// the values its uniforms were last given, so only changes are handed over.
// Free of any graphics header.
#pragma once

#include "gfx/Types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace gfx {

class GlPrograms {
public:
    GlPrograms() = default;
    // Deletes what it made: its context must be current.
    ~GlPrograms();
    GlPrograms(const GlPrograms&) = delete;
    GlPrograms& operator=(const GlPrograms&) = delete;

    // Empty when the current context compiles GLSL ES 3.00; otherwise what
    // it offers instead. Asks the driver: not for a frame's work.
    static std::string support();
    // The Backend operations of the same names.
    std::uint32_t create(const std::string& fragmentSource, std::string& log);
    void remove(std::uint32_t program);
    int location(std::uint32_t program, const std::string& name) const;
    // Uses the program, hands over the values that changed, binds the
    // textures to units 0..3 and draws the quad. Leaves unit 0 active with
    // textures[0] bound, the program in use, no vertex array enabled and no
    // array buffer bound. Returns the uniform values handed over.
    std::uint64_t draw(std::uint32_t program, const UniformValue* uniforms, std::size_t count,
                       const std::array<ProgramTexture, 4>& textures);
    // No program in use: the fixed-function pipeline draws again.
    static void useNone();

private:
    struct Program {
        std::unordered_map<int, UniformValue> held;  // by location
    };
    // The sampler object of `t`'s filters and wrap, made at its first use.
    std::uint32_t sampler(const ProgramTexture& t);

    std::unordered_map<std::uint32_t, Program> programs_;
    std::unordered_map<std::uint32_t, std::uint32_t> samplers_;  // by filters and wrap
    std::uint32_t quad_ = 0;  // the viewport quad's vertex buffer, made at the first draw
};

}  // namespace gfx
