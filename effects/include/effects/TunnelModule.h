// The "tunnel" track module: a textured tube seen from inside in
// perspective, narrowing into the distance and winding as it goes, with the
// texture flowing along it. A fixed grid of 33 x 33 points is built once;
// every frame the points are displaced by sums of slow sines and cosines of
// a running phase, and the texture coordinates shift with the same phase.
#pragma once

#include "effects/GridPoints.h"
#include "effects/PictureLayerModule.h"
#include "script/AnimatedParameter.h"

#include <array>

class TunnelModule : public PictureLayerModule {
public:
    static constexpr int kGridSize = 33;  // points around and along the tube
    // The smallest magnitude "stretch" takes: the texture repeat along the
    // tube is divided by it, so 0 would put infinities into GL.
    static constexpr float kMinStretch = 0.001f;

    TunnelModule();

    // "tunnel".
    const std::string& name() const override;
    // Accepts "start" (with an optional string "bitmap", kept for load),
    // "stop" and "setParam"; checks the eight parameters and
    // "additiveBlending".
    bool checkCommand(const std::string& commandName, ArgumentList& arguments,
                      Track& track) override;
    // "start" takes the bitmap, clears additive blending and restarts every
    // parameter at the command's music time; "setParam" changes the
    // parameters given; "stop" drops the picture and additive blending. Any
    // word with "additiveBlending" then sets it from the key. Then the base
    // handling.
    bool command(const std::string& commandName, ArgumentList& arguments, Track& track) override;
    // Draws the tube with the picture (`source` when routed) into
    // `destination`, depth-tested against itself only (the depth buffer is
    // cleared first). Returns 0.
    int render(float time, Destination* destination, TextureSource* source,
               TextureSource* secondSource) override;

    // Fills the moved grid and the texture grid for `time`.
    void computeGrid(float time);
    // Points and texture coordinates by [around][along], as of the last
    // computeGrid.
    const GridPoint& basePoint(int around, int along) const { return base_[around][along]; }
    const GridPoint& movedPoint(int around, int along) const { return moved_[around][along]; }
    const TexCoord& texCoord(int around, int along) const { return texCoords_[around][along]; }

    // The aspect ratio of the perspective for a destination of this size:
    // the integer quotient, at least 1.
    static float aspectFor(int width, int height);

    bool additiveBlending() const { return additiveBlending_; }

private:
    template <typename T>
    using Grid = std::array<std::array<T, kGridSize>, kGridSize>;

    enum { kSpeed, kTwistX, kTwistY, kAlpha, kRed, kGreen, kBlue, kStretch, kCount };
    std::array<AnimatedParameter, kCount> parameters_{{{"speed", 1.0f},
                                                       {"twistX", 1.0f},
                                                       {"twistY", 1.0f},
                                                       {"alpha", 1.0f, true},
                                                       {"red", 1.0f, true},
                                                       {"green", 1.0f, true},
                                                       {"blue", 1.0f, true},
                                                       {"stretch", 1.0f}}};
    bool additiveBlending_ = false;
    Grid<GridPoint> base_;
    Grid<GridPoint> moved_;
    Grid<TexCoord> texCoords_;
};
