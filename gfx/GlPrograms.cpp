#include "GlPrograms.h"

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#else
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#endif

#include "GlEnums.h"
#include "GlProgramBuild.h"

#include <cstdio>
#include <cstring>

namespace gfx {

using namespace glenums;

namespace {

constexpr GLuint kPositionAttribute = 0;
constexpr GLuint kOtherAttributes = 4;  // what the backends' own programs may leave enabled

const char* const kVertexStage =
    "#version 300 es\n"
    "in vec2 dp_position;\n"
    "void main() { gl_Position = vec4(dp_position, 0.0, 1.0); }\n";

// 0, with the driver's log, when the stage does not compile.
GLuint compile(GLenum stage, const std::string& source, std::string& log) {
    const GLuint shader = glCreateShader(stage);
    const char* text = source.c_str();
    const GLint length = static_cast<GLint>(source.size());
    glShaderSource(shader, 1, &text, &length);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE) return shader;
    log = shaderLog(shader);
    while (!log.empty() && log.back() == '\n') log.pop_back();
    if (log.empty()) log = "the driver refused the shader without saying why";
    glDeleteShader(shader);
    return 0;
}

void upload(const UniformValue& v) {
    const GLint at = v.location;
    const GLsizei n = v.elements;
    if (v.integer) {
        glUniform1i(at, static_cast<GLint>(v.values[0]));
        return;
    }
    switch (v.components) {
    case 1: glUniform1fv(at, n, v.values.data()); break;
    case 2: glUniform2fv(at, n, v.values.data()); break;
    case 3: glUniform3fv(at, n, v.values.data()); break;
    default: glUniform4fv(at, n, v.values.data()); break;
    }
}

}  // namespace

GlPrograms::~GlPrograms() {
    for (const auto& entry : programs_) glDeleteProgram(entry.first);
    for (const auto& entry : samplers_) {
        const GLuint name = entry.second;
        glDeleteSamplers(1, &name);
    }
    if (quad_) {
        const GLuint buffer = quad_;
        glDeleteBuffers(1, &buffer);
    }
}

// ES 3.0 and WebGL 2 ("OpenGL ES 3.0 (WebGL 2.0)") compile it; a desktop
// context does with ARB_ES3_compatibility (core since 4.3).
std::string GlPrograms::support() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!version) return "the driver does not say what it offers";
    int major = 0, minor = 0;
    if (std::sscanf(version, "OpenGL ES %d.%d", &major, &minor) == 2) {
        if (major >= 3) return {};
        return std::string("its context is ") + version + ", which has no GLSL ES 3.00";
    }
    if (std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
        (major > 4 || (major == 4 && minor >= 3)))
        return {};
#ifndef __EMSCRIPTEN__
    // A compatibility context lists its extensions in one string.
    const char* all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (all && std::strstr(all, "GL_ARB_ES3_compatibility")) return {};
#endif
    return std::string("its context is OpenGL ") + version + ", which has no GLSL ES 3.00";
}

std::uint32_t GlPrograms::create(const std::string& fragmentSource, std::string& log) {
    log.clear();
    std::string vertexLog;
    const GLuint vertex = compile(GL_VERTEX_SHADER, kVertexStage, vertexLog);
    if (!vertex) {
        log = "the player's vertex stage: " + vertexLog;
        return 0;
    }
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, fragmentSource, log);
    if (!fragment) {
        glDeleteShader(vertex);
        return 0;
    }
    const GLuint program =
        linkProgram(vertex, fragment, {{kPositionAttribute, "dp_position"}}, log);
    if (!program) {
        while (!log.empty() && log.back() == '\n') log.pop_back();
        if (log.empty()) log = "the driver refused to link the program without saying why";
        return 0;
    }
    programs_[program];
    return program;
}

void GlPrograms::remove(std::uint32_t program) {
    if (programs_.erase(program)) glDeleteProgram(program);
}

int GlPrograms::location(std::uint32_t program, const std::string& name) const {
    if (!programs_.count(program)) return -1;
    return glGetUniformLocation(program, name.c_str());
}

std::uint32_t GlPrograms::sampler(const ProgramTexture& t) {
    const std::uint32_t key = static_cast<std::uint32_t>(t.minify) * 64 +
                              static_cast<std::uint32_t>(t.magnify) * 8 +
                              static_cast<std::uint32_t>(t.wrap);
    const auto found = samplers_.find(key);
    if (found != samplers_.end()) return found->second;
    GLuint name = 0;
    glGenSamplers(1, &name);
    glSamplerParameteri(name, GL_TEXTURE_MIN_FILTER, glFilter(t.minify));
    glSamplerParameteri(name, GL_TEXTURE_MAG_FILTER, glFilter(t.magnify));
    const GLint wrap = t.wrap == Wrap::repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    glSamplerParameteri(name, GL_TEXTURE_WRAP_S, wrap);
    glSamplerParameteri(name, GL_TEXTURE_WRAP_T, wrap);
    samplers_.emplace(key, name);
    return name;
}

void GlPrograms::useNone() {
    glUseProgram(0);
}

std::uint64_t GlPrograms::draw(std::uint32_t program, const UniformValue* uniforms,
                               std::size_t count, const std::array<ProgramTexture, 4>& textures) {
    const auto found = programs_.find(program);
    if (found == programs_.end()) return 0;
    glUseProgram(program);
    std::uint64_t uploads = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const UniformValue& v = uniforms[i];
        if (v.location < 0) continue;
        const auto held = found->second.held.find(v.location);
        if (held != found->second.held.end() && held->second == v) continue;
        upload(v);
        found->second.held[v.location] = v;
        ++uploads;
    }
    for (int unit = 3; unit >= 0; --unit) {
        const ProgramTexture& t = textures[static_cast<std::size_t>(unit)];
        glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + unit));
        glBindTexture(GL_TEXTURE_2D, t.id);
        glBindSampler(static_cast<GLuint>(unit), t.id ? sampler(t) : 0);
    }
    if (!quad_) {
        static const float corners[] = {-1.0f, -1.0f, 1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f};
        GLuint buffer = 0;
        glGenBuffers(1, &buffer);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
        quad_ = buffer;
    }
    glBindBuffer(GL_ARRAY_BUFFER, quad_);
    for (GLuint a = 1; a < kOtherAttributes; ++a) glDisableVertexAttribArray(a);
    glEnableVertexAttribArray(kPositionAttribute);
    glVertexAttribPointer(kPositionAttribute, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableVertexAttribArray(kPositionAttribute);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    // Other draws sample with the textures' own filters again.
    for (GLuint unit = 0; unit < 4; ++unit) glBindSampler(unit, 0);
    return uploads;
}

}  // namespace gfx
