// The "text" track module: one line of text in the program's bitmap font at
// a position given in fractions of the viewport, in a colour and opacity
// that can move over time.
#pragma once

#include "script/AnimatedParameter.h"
#include "timeline/TrackModule.h"

#include <array>
#include <string>

class TextModule : public TrackModule {
public:
    // "text".
    const std::string& name() const override;
    // Text draws above every other effect unless a dependency says otherwise.
    int drawPriority() const override { return 200; }
    // Accepts "start" (which requires the string "string"), "stop" and
    // "setParam" (where "string" is optional); checks the six parameters.
    bool checkCommand(const std::string& commandName, ArgumentList& arguments,
                      Track& track) override;
    // "start" takes the text and restarts every parameter at the command's
    // music time; "setParam" may replace the text and changes the
    // parameters given; "stop" drops the text. Then the base handling.
    bool command(const std::string& commandName, ArgumentList& arguments, Track& track) override;
    // Prints the text, as written (UTF-8), into `destination`. A module selected
    // without text ends the process ("text - no text string set", status
    // 23). Returns 0.
    int render(float time, Destination* destination, TextureSource* source,
               TextureSource* secondSource) override;

    bool hasText() const { return hasText_; }
    const std::string& text() const { return text_; }

private:
    // Takes the "string" value as the text; a value of another type leaves
    // no text.
    void takeText(ArgumentList& arguments);

    enum { kX, kY, kRed, kGreen, kBlue, kAlpha, kCount };
    std::array<AnimatedParameter, kCount> parameters_{{{"x", 0.0f},
                                                       {"y", 0.0f},
                                                       {"red", 1.0f, true},
                                                       {"green", 1.0f, true},
                                                       {"blue", 1.0f, true},
                                                       {"alpha", 1.0f, true}}};
    // A copy of the command's text: nothing here depends on how long the
    // command's argument list lives.
    std::string text_;
    bool hasText_ = false;
};
