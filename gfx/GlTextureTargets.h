// Texture targets on an OpenGL 3.0 (or ARB_framebuffer_object), OpenGL ES
// 3.0 or WebGL 2 driver, for either backend: a texture with a framebuffer
// drawing into it. A half-float texture is asked for first and an 8-bit one
// made when the driver cannot draw into it (WebGL 2 without
// EXT_color_buffer_float, ES 3.0 without EXT_color_buffer_half_float).
// Free of any graphics header.
#pragma once

#include "gfx/Backend.h"

#include <cstdint>
#include <unordered_map>

namespace gfx {

class GlTextureTargets {
public:
    GlTextureTargets() = default;
    // Deletes what it made: its context must be current.
    ~GlTextureTargets();
    GlTextureTargets(const GlTextureTargets&) = delete;
    GlTextureTargets& operator=(const GlTextureTargets&) = delete;

    // The Backend operations of the same names. `create` leaves the new
    // texture bound on the active unit and the frame's framebuffers bound
    // (or the target drawn into, if one is); `clear` sets aside and puts
    // back what `have` (the driver's state) says of masks, scissor and
    // clear colour.
    TargetId create(int width, int height, bool& half);
    // The texture the target had (0: none), for the backend's bookkeeping.
    TextureId remove(TargetId target);
    TextureId texture(TargetId target) const;
    void drawInto(TargetId target);
    void clear(TargetId target, const State& have);
    // The frame's framebuffers were bound (0: the window's): drawing into a
    // target has ended.
    void frameBound(std::uint32_t draw, std::uint32_t read);

private:
    struct Target {
        std::uint32_t framebuffer = 0;
        std::uint32_t texture = 0;
    };
    // Binds what drawing goes into now: the target's or the frame's.
    void rebind() const;

    std::unordered_map<TargetId, Target> made_;
    TargetId drawing_ = 0;  // 0: the frame
    std::uint32_t frameDraw_ = 0, frameRead_ = 0;
};

// Clears the bound draw framebuffer's colour to `colour`, setting aside and
// putting back the masks, scissor and clear colour `have` says the driver
// holds.
void fillBoundColour(const Rgba& colour, const State& have);

// A backend whose texture targets are the driver's framebuffer objects.
class TargetBackend : public Backend {
public:
    TargetId createTarget(int width, int height, bool& half) override {
        const TargetId target = targets_.create(width, height, half);
        if (target) targetTextureMade(targets_.texture(target), width, height);
        return target;
    }
    void deleteTarget(TargetId target) override {
        if (const TextureId texture = targets_.remove(target)) targetTextureGone(texture);
    }
    TextureId targetTexture(TargetId target) const override { return targets_.texture(target); }
    void drawIntoTarget(TargetId target) override { targets_.drawInto(target); }
    void clearTarget(TargetId target) override { targets_.clear(target, driverState()); }

protected:
    // The driver's state as the backend last set it.
    virtual const State& driverState() const = 0;
    // A target's texture was made (and left bound) or deleted.
    virtual void targetTextureMade(TextureId texture, int width, int height) = 0;
    virtual void targetTextureGone(TextureId texture) = 0;
    GlTextureTargets& targets() { return targets_; }

private:
    GlTextureTargets targets_;
};

}  // namespace gfx
