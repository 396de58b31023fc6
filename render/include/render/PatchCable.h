// Routing endpoints: patch cables that capture what a track drew, and the
// frame buffer as a draw target; the routing pool makes them by name.
#pragma once

#include "render/Texture.h"
#include "timeline/RenderTarget.h"

#include <string>

// A texture that receives the lower-left power-of-two rectangle of the frame
// buffer after its track drew there, or shows the texture target its track
// drew into (a shader in half floats), which keeps what the track made
// beyond 8 bits.
class PatchCable : public Texture, public PoolEntry {
public:
    explicit PatchCable(std::string poolName);

    void create() override;
    // Binds the target shown, or the cable's own texture.
    void bind() override;
    bool hasAlpha() const override { return false; }
    void setNearestFilter() override;
    void restoreFilter() override;
    std::string poolName() const override { return poolName_; }

    // A new picture comes: no target is shown any more.
    void beginDraw() override { shown_ = 0; }
    // Copies the drawn rectangle into the texture, turns texturing off and
    // clears the colour buffer for the next track; nothing when the track
    // showed a target instead.
    void endDraw() override;
    // Shows `target` (true). A target deleted since (its module ended)
    // shows the cable's own texture again.
    bool showTarget(std::uint32_t target) override {
        shown_ = target;
        return true;
    }
    bool isOffscreen() const override { return true; }
    int width() const override;
    int height() const override;

private:
    // The shown target's texture; 0 when none is shown or it is gone.
    std::uint32_t shownTexture() const;

    std::string poolName_;
    std::uint32_t shown_ = 0;  // a texture target; 0: the own texture
};

// The frame buffer as a draw target.
class DestinationGL : public PoolEntry {
public:
    DestinationGL(int width, int height) : width_(width), height_(height) {}
    void bind() override {}
    bool isOffscreen() const override { return false; }
    int width() const override { return width_; }
    int height() const override { return height_; }

private:
    int width_;
    int height_;
};

// Makes the routing pool hand out patch cables and frame-buffer targets.
void installGLEndpoints();
