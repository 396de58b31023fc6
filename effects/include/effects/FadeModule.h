// The "fade" track module: cross-fades two other tracks. While started it
// keeps the lower track drawn before the upper one and, every frame, gives
// the upper track's selected module the fade amount as its opacity. It draws
// nothing itself.
#pragma once

#include "timeline/TrackModule.h"
#include "timeline/TrackPair.h"

#include <string>
#include <vector>

class FadeModule : public TrackModule {
public:
    // "fade".
    const std::string& name() const override;
    // Runs before the tracks it fades in the same frame.
    int drawPriority() const override { return -1000; }
    // "start" requires the strings "from" and "to" and the number "time"
    // and keeps both track names for load; other words pass silently.
    bool checkCommand(const std::string& commandName, ArgumentList& arguments,
                      Track& track) override;
    // Makes every named track exist before the first frame (status 4574
    // when one cannot be had).
    bool loadNext(LoadingScreen& progress, bool& ok) override;
    // "start" begins a fade (ending a running one first), "stop" ends it
    // (status 23 when none runs); then the base handling.
    bool command(const std::string& commandName, ArgumentList& arguments, Track& track) override;
    // Gives the upper track's selected module this frame's amount; ends the
    // process when no fade runs (465) or the upper track has no selected
    // module (4658). Returns 0.
    int render(float time, Destination* destination, TextureSource* source,
               TextureSource* secondSource) override;
    // A fade never outlives the selection: ends it as "stop" would.
    bool deselect(Track& track) override;

    // The amount at `time` of a fade that started at `startTime`: rising
    // from 0 to 1 over `duration` when fading in, falling from 1 to 0
    // otherwise, unclamped outside that span. A duration of 0 or less is a
    // fade already complete: 1 when fading in, 0 when fading out.
    static float amountAt(float time, float startTime, float duration, bool fadingIn);

    Track* lower() const { return pair_.first(); }
    Track* upper() const { return pair_.second(); }
    bool fadingIn() const { return fadingIn_; }

private:
    // Removes the dependency and ends the upper module's fade; both tracks
    // forgotten. Nothing when no fade runs.
    void endRunningFade();

    TrackPair pair_;  // lower, then upper
    bool fadingIn_ = true;
    float startTime_ = 0.0f;
    float duration_ = 0.0f;
};
