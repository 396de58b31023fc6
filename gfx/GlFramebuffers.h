// Framebuffer objects on a desktop driver (OpenGL 3.0, the ARB extension
// that brought them, or OpenGL ES 3.0 through the same entry points), for
// either backend there. The backend hands in what the driver's state is,
// so what a copy or a fill sets aside is put back as it was. Free of any
// graphics header.
#pragma once

#include "GlTextureTargets.h"
#include "gfx/Backend.h"

#include <array>
#include <cstdint>
#include <unordered_map>

namespace gfx {

class GlFramebuffers {
public:
    GlFramebuffers() = default;
    // Deletes what it made: its context must be current.
    ~GlFramebuffers();
    GlFramebuffers(const GlFramebuffers&) = delete;
    GlFramebuffers& operator=(const GlFramebuffers&) = delete;

    // The Backend operations of the same names; `have` is the driver's
    // state as the backend set it.
    FramebufferSupport support() const;
    std::uint32_t create(int width, int height, FrameFormat format, bool depth, int& samples);
    void remove(std::uint32_t framebuffer);
    void bind(std::uint32_t draw, std::uint32_t read);
    void blit(const std::array<int, 4>& from, const std::array<int, 4>& to, bool linear,
              const State& have);

private:
    struct Buffers {
        std::uint32_t colour = 0;
        std::uint32_t depthStencil = 0;  // 0 for a colour-only buffer
    };
    std::unordered_map<std::uint32_t, Buffers> made_;  // by framebuffer name
};

// A backend whose framebuffers are the desktop driver's: the Backend
// operations on framebuffers, given the driver's state the backend knows.
class FramebufferBackend : public TargetBackend {
public:
    FramebufferSupport framebufferSupport() override { return framebuffers_.support(); }
    std::uint32_t createFramebuffer(int width, int height, FrameFormat format, bool depth,
                                    int& samples) override {
        return framebuffers_.create(width, height, format, depth, samples);
    }
    void deleteFramebuffer(std::uint32_t framebuffer) override { framebuffers_.remove(framebuffer); }
    void bindFramebuffers(std::uint32_t draw, std::uint32_t read) override {
        framebuffers_.bind(draw, read);
        targets().frameBound(draw, read);
    }
    void blitFramebuffer(const std::array<int, 4>& from, const std::array<int, 4>& to,
                         bool linear) override {
        framebuffers_.blit(from, to, linear, driverState());
    }
    void fillColour(const Rgba& colour) override { fillBoundColour(colour, driverState()); }

private:
    GlFramebuffers framebuffers_;
};

}  // namespace gfx
