#include "Gles2Backend.h"
#include "PlatformBackend.h"

namespace gfx {

// WebGL is OpenGL ES: whichever renderer is named, shaders draw.
std::unique_ptr<Backend> makePlatformDefaultBackend() {
    return std::make_unique<Gles2Backend>();
}

}  // namespace gfx
