// The "blur" track module: one picture over the whole viewport and then a
// number of further copies of it, each moved, turned and scaled a little
// more than the one before and drawn more transparently, so that the
// picture looks smeared (a motion or zoom blur). The spread of the copies
// can pulse with a sine wave. Fades do not change it.
#pragma once

#include "effects/PictureLayerModule.h"
#include "script/AnimatedParameter.h"

#include <array>

class BlurModule : public PictureLayerModule {
public:
    // The most copies drawn, whatever "nCopies" says: beyond it every copy
    // is a full-viewport quad more per frame for no visible change.
    static constexpr int kMaxCopies = 1000;

    // "blur".
    const std::string& name() const override;
    // Accepts "start" (with an optional string "bitmap", kept for load),
    // "stop" and "setParam"; checks the fourteen parameters.
    bool checkCommand(const std::string& commandName, ArgumentList& arguments,
                      Track& track) override;
    // "start" takes the bitmap and restarts every parameter at the command's
    // music time; "setParam" changes the parameters given; "stop" drops the
    // picture. Then the base handling.
    bool command(const std::string& commandName, ArgumentList& arguments, Track& track) override;
    // Draws the picture (`source` when routed) and its copies, blended, into
    // `destination`. Returns 0.
    int render(float time, Destination* destination, TextureSource* source,
               TextureSource* secondSource) override;

    // The number of copies for an "nCopies" value: its integer part, none
    // below 1 (or for a value that is not a number), at most kMaxCopies.
    static int copyCount(float nCopies);
    // The opacity of copy `i` (1-based): firstAlpha for the first, changing
    // by alphaDiff per copy, times the layer's `alpha`, held to 0..1.
    static float copyAlpha(int i, float firstAlpha, float alphaDiff, float alpha);

private:
    enum {
        kXDiff,
        kYDiff,
        kWidthDiff,
        kHeightDiff,
        kRotationDiff,
        kRed,
        kGreen,
        kBlue,
        kAlpha,
        kFirstAlpha,
        kAlphaDiff,
        kNCopies,
        kModulationAmount,
        kModulationSpeed,
        kCount
    };
    std::array<AnimatedParameter, kCount> parameters_{{{"xDiff", 0.0f},
                                                       {"yDiff", 0.0f},
                                                       {"widthDiff", 0.0f},
                                                       {"heightDiff", 0.0f},
                                                       {"rotationDiff", 0.0f},
                                                       {"red", 1.0f, true},
                                                       {"green", 1.0f, true},
                                                       {"blue", 1.0f, true},
                                                       {"alpha", 1.0f, true},
                                                       {"firstAlpha", 0.2f, true},
                                                       {"alphaDiff", -0.02f},
                                                       {"nCopies", 4.0f},
                                                       {"modulationAmount", 0.0f},
                                                       {"modulationSpeed", 1.0f}}};
};
