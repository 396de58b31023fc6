// The distort modules: a picture drawn over the whole viewport through a
// fixed grid of 64 x 64 vertices whose texture coordinates a rule may move.
// "identityDistort" leaves them in place; "waveDistort" (WaveDistortModule.h)
// ripples them. The picture is the module's own bitmap or the texture routed
// into the track, so a distort module can post-process any other track.
#pragma once

#include "effects/GridPoints.h"
#include "effects/PictureLayerModule.h"
#include "script/AnimatedParameter.h"

#include <array>
#include <cstddef>

class DistortModule : public PictureLayerModule {
public:
    static constexpr int kGridSize = 64;  // vertices per row and per column

    // Accepts "start" (with an optional string "bitmap", kept for load),
    // "stop" and "setParam"; checks the parameters and "additiveBlending".
    // The blending mode is settled here, in script order: each "start" or
    // "stop" statement clears it, each statement that carries
    // "additiveBlending" sets it from the key. Commands never change it.
    bool checkCommand(const std::string& commandName, ArgumentList& arguments,
                      Track& track) override;
    // "start" takes the bitmap and restarts every parameter at the command's
    // music time; "setParam" changes the parameters given; "stop" drops the
    // picture. Then the base handling.
    bool command(const std::string& commandName, ArgumentList& arguments, Track& track) override;
    // Draws the picture (`source` when routed) through the grid into
    // `destination`; the picture is left wrapping GL_REPEAT. Returns 0.
    int render(float time, Destination* destination, TextureSource* source,
               TextureSource* secondSource) override;

    // Called once per frame before the grid is walked, with the frame time:
    // evaluates what textureCoordinate needs.
    virtual void beginGrid(float time) = 0;
    // The texture coordinate of the grid point at (s, t), each 0 at the
    // lower left and 1 at the upper right of the grid, for the frame
    // begun by beginGrid.
    virtual TexCoord textureCoordinate(float s, float t) const = 0;

    bool additiveBlending() const { return additiveBlending_; }

protected:
    // A contiguous run of a module's parameters.
    struct ParameterRange {
        AnimatedParameter* first = nullptr;
        std::size_t count = 0;
        AnimatedParameter* begin() const { return first; }
        AnimatedParameter* end() const { return first + count; }
    };
    // The module's own parameters, which follow alpha, red, green and blue
    // in every look-up; none by default.
    virtual ParameterRange ownParameters() { return {}; }

private:
    // Calls `f` on alpha, red, green, blue, then on the own parameters.
    template <typename F>
    void forEachParameter(F f) {
        for (AnimatedParameter& p : colour_) f(p);
        for (AnimatedParameter& p : ownParameters()) f(p);
    }
    // Emits the grid's (n - 1)^2 quads, computing each texture coordinate
    // once into the two row buffers.
    void drawGrid();

    enum { kAlpha, kRed, kGreen, kBlue };
    std::array<AnimatedParameter, 4> colour_{
        {{"alpha", 1.0f, true}, {"red", 1.0f, true}, {"green", 1.0f, true}, {"blue", 1.0f, true}}};
    bool additiveBlending_ = false;
    std::array<TexCoord, kGridSize> previousRow_{};
    std::array<TexCoord, kGridSize> currentRow_{};
};

// The neutral member: the picture drawn undistorted through the grid.
class IdentityDistortModule : public DistortModule {
public:
    // "identityDistort".
    const std::string& name() const override;
    // Nothing to evaluate.
    void beginGrid(float) override {}
    // (s, t) itself.
    TexCoord textureCoordinate(float s, float t) const override { return {s, t}; }
};
