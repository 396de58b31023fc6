#include "effects/FadeModule.h"

#include "base/CaseInsensitive.h"
#include "base/Log.h"
#include "script/ArgumentList.h"
#include "timeline/Track.h"
#include "timeline/TrackList.h"

namespace {

int priorityOf(const Track& track) {
    return track.selected() ? track.selected()->drawPriority() : 0;
}

// The module that receives the fade; ends the process when there is none.
TrackModule& fadedModule(const Track& upper) {
    if (!upper.selected()) {
        logMessage("Fading using a track with no selected module, aborting\n");
        fatalStop(4658);
    }
    return *upper.selected();
}

}  // namespace

const std::string& FadeModule::name() const {
    static const std::string n = "fade";
    return n;
}

float FadeModule::amountAt(float time, float startTime, float duration, bool fadingIn) {
    // A zero or negative duration would divide by zero or run backwards.
    const float progress = duration > 0.0f ? (time - startTime) / duration : 1.0f;
    return fadingIn ? progress : 1.0f - progress;
}

bool FadeModule::checkCommand(const std::string& commandName, ArgumentList& arguments,
                              Track& track) {
    if (equalsIgnoreCase(commandName, "start")) {
        pair_.check(arguments, "from", "to", track);
        arguments.requireNumber("time");
    }
    return true;
}

bool FadeModule::loadNext(LoadingScreen&, bool&) {
    pair_.ensureTracks();
    return false;
}

bool FadeModule::command(const std::string& commandName, ArgumentList& arguments, Track& track) {
    if (equalsIgnoreCase(commandName, "start")) {
        // A second start would otherwise leave the first dependency behind
        // (a later fade the other way would then be a loop) and the first
        // upper module fading for ever.
        endRunningFade();
        pair_.bind(track);
        Track* lower = pair_.named(arguments, "from");
        Track* upper = pair_.named(arguments, "to");
        fadingIn_ = true;
        // The track drawn on top is the one with the higher priority; equal
        // priorities keep "to" on top.
        if (priorityOf(*upper) < priorityOf(*lower)) {
            std::swap(lower, upper);
            fadingIn_ = false;
        }
        pair_.hold(lower, upper);
        startTime_ = static_cast<float>(track.list().commandTime());
        const ArgumentValue& time = arguments.find("time");
        duration_ = time.isNumber() ? time.number() : 0.0f;
        TrackModule& faded = fadedModule(*upper);
        faded.beginFade();
        // The amount holds from the start, even for a track drawn before
        // this module's render in the frame (a texture-target track).
        faded.setFade(amountAt(startTime_, startTime_, duration_, fadingIn_));
    } else if (equalsIgnoreCase(commandName, "stop")) {
        if (!pair_.held()) {
            logMessage("FadeModule - stop called without tracks set, aborting\n");
            fatalStop(23);
        }
        endRunningFade();
    }
    return TrackModule::command(commandName, arguments, track);
}

int FadeModule::render(float time, Destination*, TextureSource*, TextureSource*) {
    if (!pair_.held()) {
        logMessage("Fade module: rendering after module has been stopped, aborting\n");
        fatalStop(465);
    }
    const float amount = amountAt(time, startTime_, duration_, fadingIn_);
    // Whatever module the upper track selects now receives the amount.
    fadedModule(*pair_.second()).setFade(amount);
    return 0;
}

bool FadeModule::deselect(Track&) {
    endRunningFade();
    return true;
}

void FadeModule::endRunningFade() {
    if (!pair_.held()) return;
    Track* upper = pair_.second();
    pair_.release();
    if (upper->selected()) upper->selected()->endFade();
}
