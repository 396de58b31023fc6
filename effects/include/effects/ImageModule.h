// The "image" track module: one picture drawn as a flat rectangle over the
// track's viewport, moved, scaled, rotated, tinted and faded by animated
// parameters. The picture is the module's own bitmap, or the texture routed
// into the track when there is one.
#pragma once

#include "effects/PictureLayerModule.h"
#include "script/AnimatedParameter.h"

#include <initializer_list>
#include <string>

class ImageModule : public PictureLayerModule {
public:
    ImageModule();

    // "image".
    const std::string& name() const override;
    // Accepts "start" (with an optional string "bitmap", kept for load),
    // "stop" and "setParam"; checks the nine parameters and both flags.
    bool checkCommand(const std::string& commandName, ArgumentList& arguments,
                      Track& track) override;
    // "start" takes the bitmap and restarts every parameter at the current
    // music time; "setParam" changes the parameters given; "stop" drops the
    // picture and both flags. Then the base handling.
    bool command(const std::string& commandName, ArgumentList& arguments, Track& track) override;
    // Draws the picture (`source` when routed) into `destination`; returns 0.
    int render(float time, Destination* destination, TextureSource* source,
               TextureSource* secondSource) override;

    bool noAntialiasing() const { return noAntialiasing_; }
    bool additiveBlending() const { return additiveBlending_; }

private:
    // Calls `f` on the nine parameters in their fixed order: x, y, width,
    // height, rotation, alpha, red, green, blue.
    template <typename F>
    void forEachParameter(F f) {
        for (AnimatedParameter* p :
             {&x_, &y_, &width_, &height_, &rotation_, &alpha_, &red_, &green_, &blue_})
            f(*p);
    }

    AnimatedParameter x_{"x", 0.0f};
    AnimatedParameter y_{"y", 0.0f};
    AnimatedParameter width_{"width", 1.0f};
    AnimatedParameter height_{"height", 1.0f};
    AnimatedParameter rotation_{"rotation", 0.0f};
    AnimatedParameter alpha_{"alpha", 1.0f, true};
    AnimatedParameter red_{"red", 1.0f, true};
    AnimatedParameter green_{"green", 1.0f, true};
    AnimatedParameter blue_{"blue", 1.0f, true};
    bool noAntialiasing_ = false;
    bool additiveBlending_ = false;
};
