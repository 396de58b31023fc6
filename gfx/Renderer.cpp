#include "gfx/Renderer.h"

#include "Gl1Backend.h"

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
    if (renderer == Renderer::gles2) throw BackendError("the gles2 renderer is not built yet");
    return std::make_unique<Gl1Backend>();
}

}  // namespace gfx
