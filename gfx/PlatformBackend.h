// The backend a platform draws with when none was chosen: the fixed-function
// one on desktop OpenGL, the shader one in WebGL, which has no fixed function.
#pragma once

#include "gfx/Backend.h"

#include <memory>

namespace gfx {

// A backend for the current context of the platform's default kind.
std::unique_ptr<Backend> makePlatformDefaultBackend();

}  // namespace gfx
