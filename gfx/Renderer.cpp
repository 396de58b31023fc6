#include "gfx/Renderer.h"

#include "Gles2Backend.h"
#include "PlatformBackend.h"

namespace gfx {

const char* rendererName(Renderer renderer) {
    return renderer == Renderer::gles2 ? "gles2" : "gl1";
}

std::optional<Renderer> rendererNamed(const std::string& name) {
    if (name == "gl1") return Renderer::gl1;
    if (name == "gles2") return Renderer::gles2;
    return std::nullopt;
}

std::unique_ptr<Backend> makeBackend(Renderer renderer) {
    if (renderer == Renderer::gles2) return std::make_unique<Gles2Backend>();
    return makePlatformDefaultBackend();
}

}  // namespace gfx
