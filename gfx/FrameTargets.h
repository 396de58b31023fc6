// The door's framebuffer calls, for the frame (Frame.cpp) alone: each goes
// to the backend, which knows the driver's state they work around.
#pragma once

#include "gfx/Backend.h"

#include <array>
#include <cstdint>

namespace gfx {

FramebufferSupport framebufferSupport();
std::uint32_t createFramebuffer(int width, int height, FrameFormat format, bool depth,
                                int& samples);
void deleteFramebuffer(std::uint32_t framebuffer);
void bindFramebuffers(std::uint32_t draw, std::uint32_t read);
void blitFramebuffer(const std::array<int, 4>& from, const std::array<int, 4>& to, bool linear);
void fillColour(const Rgba& colour);

}  // namespace gfx
