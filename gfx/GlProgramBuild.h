// Building a program in the calls OpenGL 2.0+ and OpenGL ES share: the
// driver's info logs and the link. Include after the API's own header.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace gfx::glenums {

inline std::string shaderLog(GLuint shader) {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<std::size_t>(length > 1 ? length : 1), '\0');
    glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, log.data());
    return log.data();
}

inline std::string programLog(GLuint program) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<std::size_t>(length > 1 ? length : 1), '\0');
    glGetProgramInfoLog(program, static_cast<GLsizei>(log.size()), nullptr, log.data());
    return log.data();
}

// Links the two stages into a program, with each attribute at the location
// given, and deletes the stages. 0, with the driver's log in `log`, when the
// link fails.
inline GLuint linkProgram(GLuint vertex, GLuint fragment,
                          const std::vector<std::pair<GLuint, const char*>>& attributes,
                          std::string& log) {
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    for (const auto& [location, name] : attributes) glBindAttribLocation(program, location, name);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok == GL_TRUE) return program;
    log = programLog(program);
    glDeleteProgram(program);
    return 0;
}

}  // namespace gfx::glenums
