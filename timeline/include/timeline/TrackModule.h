// The contract of every track module: what the engine calls, when, and what
// the base does. Concrete modules override what they add.
#pragma once

#include <string>

class ArgumentList;
class Destination;
class LoadingScreen;
struct ResourceList;
class TextureSource;
class Track;

class TrackModule {
public:
    virtual ~TrackModule() = default;

    // The module type's name, as in the factory table; "no module" here.
    virtual const std::string& name() const;

    // Called once per frame while selected, in draw order, with the music
    // time. `destination` is where to draw (beginDraw/endDraw around the
    // drawing); `source` a routed texture to draw in place of the module's
    // own picture, or null. Returns 0 on success; anything else fails the frame.
    virtual int render(float time, Destination* destination, TextureSource* source,
                       TextureSource* secondSource) = 0;

    // Called when an event fires a command for this module (already selected
    // on `track`). False fails the frame. The base selects on "start",
    // deselects on "stop", ignores other words.
    virtual bool command(const std::string& commandName, ArgumentList& arguments, Track& track);

    // Called once per script statement naming this module: checks the word
    // and arguments, reporting problems with logError. The result is not used.
    virtual bool checkCommand(const std::string& commandName, ArgumentList& arguments,
                              Track& track);

    // Called after parsing until it returns false: loads the next of the
    // module's resources, reporting it to `progress` (at most one report a
    // call, so the loading screen can draw a frame after each), and returns
    // whether any remain. A resource that failed clears `ok`: the demo stops
    // after loading. Once it returned false it loads nothing more. The base
    // loads nothing.
    virtual bool loadNext(LoadingScreen& progress, bool& ok);
    // Every call of loadNext at once; false when one failed.
    bool load(LoadingScreen& progress);

    // The total that load will report.
    virtual float loadWeight() const { return 0.0f; }

    // Called after parsing: adds the data files load will ask for, in load
    // order. The base names none.
    virtual void listResources(ResourceList&) const {}

    // Called by a fade module on the selected module of the track it fades.
    virtual bool beginFade();
    virtual bool endFade();
    virtual void setFade(float amount) { fadeAmount = amount; }

    // Sort key of the draw order: lower draws earlier.
    virtual int drawPriority() const { return 0; }

    // Called when `track` selects this module / moves its selection away.
    // Modules that set up something outside themselves undo it in deselect.
    virtual bool select(Track& track);
    virtual bool deselect(Track& track);

    bool fading = false;
    float fadeAmount = 0.0f;
};

// The module with no drawing: logs the commands it receives.
class DummyModule : public TrackModule {
public:
    const std::string& name() const override;
    int render(float, Destination*, TextureSource*, TextureSource*) override { return 0; }
    bool command(const std::string& commandName, ArgumentList& arguments, Track& track) override;
    bool checkCommand(const std::string& commandName, ArgumentList& arguments,
                      Track& track) override;
};
