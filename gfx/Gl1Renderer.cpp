#include "Gl1Backend.h"
#include "PlatformBackend.h"

namespace gfx {

std::unique_ptr<Backend> makePlatformDefaultBackend() {
    return std::make_unique<Gl1Backend>();
}

}  // namespace gfx
