// Routing endpoints: patch cables that capture what a track drew, and the
// frame buffer as a draw target; the routing pool makes them by name.
#pragma once

#include "render/Texture.h"
#include "timeline/RenderTarget.h"

#include <string>

// A texture that receives the lower-left power-of-two rectangle of the frame
// buffer after its track drew there.
class PatchCable : public Texture, public PoolEntry {
public:
    explicit PatchCable(std::string poolName);

    void create() override;
    void bind() override { bindTexture(); }
    bool hasAlpha() const override { return false; }
    void setNearestFilter() override { Texture::setNearestFilter(); }
    void restoreFilter() override { Texture::restoreFilter(); }
    std::string poolName() const override { return poolName_; }

    // Copies the drawn rectangle into the texture, turns texturing off and
    // clears the colour buffer for the next track.
    void endDraw() override;
    bool isOffscreen() const override { return true; }
    int width() const override;
    int height() const override;

private:
    std::string poolName_;
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
