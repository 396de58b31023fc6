// Which backend draws: the fixed-function OpenGL 1.1 one, or the OpenGL ES
// 2.0 one on shaders (also WebGL's API). A context of the matching kind
// must be current when a backend is made: a compatibility-profile desktop
// context for gl1, an OpenGL ES 2.0 (or later) context for gles2.
#pragma once

#include "gfx/Backend.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace gfx {

enum class Renderer { gl1, gles2 };

// The name the command line and messages use: "gl1", "gles2".
const char* rendererName(Renderer renderer);
// The renderer of that name, or none.
std::optional<Renderer> rendererNamed(const std::string& name);

// A backend that cannot draw in the current context: its message says why
// (for shaders: which shader, and the driver's log).
class BackendError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A backend of `renderer` for the current context. Throws BackendError when
// it cannot draw there.
std::unique_ptr<Backend> makeBackend(Renderer renderer);

}  // namespace gfx
