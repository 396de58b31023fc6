#include "timeline/TimelineParser.h"

#include "base/CaseInsensitive.h"
#include "base/Log.h"
#include "script/ArgumentList.h"
#include "script/ScriptReader.h"
#include "timeline/Event.h"
#include "timeline/MusicClock.h"
#include "timeline/Timeline.h"
#include "timeline/TrackModule.h"
#include "timeline/TrackModuleFactory.h"

namespace {

// Pass 1: "globalSettings" key=value ...
void applyGlobalSettings(Tokenizer& line, Timeline& timeline) {
    // Values are converted here, with the tempo in force before this statement.
    ArgumentList arguments(line);
    const ArgumentValue& music = arguments.find("music");
    if (music.isString()) {
        if (timeline.music()) timeline.music()->setMusic(music.text());
    } else if (!music.isNone()) {
        logError("globalSettings: parameter \"music\" must be a string\n");
    }
    const ArgumentValue& bpm = arguments.find("musicBpm");
    if (bpm.isNumber()) {
        timeline.tempo().musicBpm = bpm.number();
        // Only a warning here: a script without musical times plays well.
        // Every midi( ) and midilength( ) time read with it is an error.
        if (!timeline.tempo().usableBpm())
            logWarning(
                "globalSettings: parameter \"musicBpm\" must be above 0, got %f; "
                "midi times cannot be computed with it\n",
                static_cast<double>(bpm.number()));
    } else if (!bpm.isNone())
        logError("globalSettings: parameter \"musicBpm\" must be a number\n");
    const ArgumentValue& start = arguments.find("musicStartTime");
    if (start.isNumber())
        timeline.tempo().musicStartTime = start.number();
    else if (!start.isNone())
        logError("globalSettings: parameter \"musicStartTime\" must be a number\n");
}

// Pass 2: "event" name module key=value ...
void declareEvent(Tokenizer& line, Timeline& timeline) {
    if (!line.hasMoreTokens()) {
        logError("Expected event name\n");
        return;
    }
    std::string name = line.nextToken();
    // Kept for checks that report on the event after parsing.
    const int nameLine = scriptPosition().line;
    const int namePos = scriptPosition().pos;
    if (!line.hasMoreTokens()) {
        logError("Expected event module name\n");
        return;
    }
    const std::string moduleName = line.nextToken();
    EventModule* module = EventModuleRegistry::instance().getOrCreate(moduleName);
    if (!module) {
        logError("Event module name \"%s\" unknown\n", moduleName.c_str());
        return;
    }
    ArgumentList arguments(line);
    module->checkArguments(arguments);
    Event event;
    event.name = std::move(name);
    event.module = module;
    event.arguments = arguments;
    event.line = nameLine;
    event.pos = namePos;
    timeline.addEvent(std::move(event));
}

// Pass 3: track "at" event module command key=value ...
void addTrackCommand(const std::string& trackName, Tokenizer& line, Timeline& timeline,
                     ScriptFaults faults) {
    Track* track = timeline.tracks().getOrCreate(trackName);
    if (!track) {
        logError("error while retrieving track %s\n", trackName.c_str());
        return;
    }
    if (!line.hasMoreTokens() || !equalsIgnoreCase(line.nextToken(), "at")) {
        logError("Expected \"%s\"\n", "at");
        return;
    }
    if (!line.hasMoreTokens()) {
        logError("Expected event name\n");
        return;
    }
    const std::string eventName = line.nextToken();
    Event* event = timeline.findEvent(eventName);
    if (!event) {
        logError("Event name \"%s\", not defined\n", eventName.c_str());
        return;
    }
    if (!line.hasMoreTokens()) {
        logError("Expected track module name\n");
        return;
    }
    const std::string moduleName = line.nextToken();
    // Listing faults (a review, a reload while playing) must go on past an
    // unknown module, which would otherwise stop the process here.
    if (faults == ScriptFaults::list && !createTrackModule(moduleName)) {
        logError("Event module \"%s\" unknown\n", moduleName.c_str());
        return;
    }
    TrackModule* module = track->moduleFor(moduleName);
    if (!line.hasMoreTokens()) {
        logError("Expected command\n");
        return;
    }
    Command command;
    command.commandName = line.nextToken();
    command.arguments = ArgumentList(line);
    module->checkCommand(command.commandName, command.arguments, *track);
    command.module = module;
    command.track = track;
    event->commands.push_back(std::move(command));
}

// The three passes over a script already read, named `path` in messages.
std::unique_ptr<Timeline> buildTimeline(ScriptReader& reader, std::unique_ptr<Timeline> timeline,
                                        ScriptFaults faults) {
    while (reader.hasMoreLines()) {
        Tokenizer line = reader.nextLine();
        if (equalsIgnoreCase(line.nextToken(), "globalSettings"))
            applyGlobalSettings(line, *timeline);
    }

    reader.rewind();
    scriptPosition().line = -1;
    while (reader.hasMoreLines()) {
        Tokenizer line = reader.nextLine();
        if (equalsIgnoreCase(line.nextToken(), "event")) declareEvent(line, *timeline);
    }

    reader.rewind();
    scriptPosition().line = -1;
    while (reader.hasMoreLines()) {
        Tokenizer line = reader.nextLine();
        const std::string first = line.nextToken();
        if (equalsIgnoreCase(first, "event") || equalsIgnoreCase(first, "globalSettings")) continue;
        addTrackCommand(first, line, *timeline, faults);
    }

    if (scriptErrorFlag()) {
        if (faults == ScriptFaults::list) return timeline;
        stopOnScriptErrors();
    }
    if (!EventModuleRegistry::instance().initialiseAll()) {
        logMessage("Fatal error: not all event modules could be initialized\n");
        if (faults == ScriptFaults::list) {
            setScriptErrorFlag(true);
            return timeline;
        }
        fatalStop(1);
    }
    timeline->setTotalLoadWeight(timeline->tracks().loadWeight());
    return timeline;
}

}  // namespace

void stopOnScriptErrors() {
    if (!scriptErrorFlag()) return;
    logMessage("Script has errors, exiting..\n");
    fatalStop(1);
}

namespace {

// A new timeline, current from the start, for the script `path`.
std::unique_ptr<Timeline> beginTimeline(const std::string& path, MusicClock* music) {
    auto timeline = std::make_unique<Timeline>(music);
    logProgress("Tallowmere scripting system\n");
    logProgress("Parsing script file \"%s\"\n", path.c_str());
    setCurrentTimeline(timeline.get());
    scriptPosition().fileName = path;
    return timeline;
}

}  // namespace

std::unique_ptr<Timeline> parseTimeline(const std::string& path, MusicClock* music,
                                        ScriptFaults faults) {
    std::unique_ptr<Timeline> timeline = beginTimeline(path, music);
    ScriptReader reader(path);
    return buildTimeline(reader, std::move(timeline), faults);
}

std::unique_ptr<Timeline> parseTimelineText(const std::string& path, std::string_view text,
                                            MusicClock* music) {
    std::unique_ptr<Timeline> timeline = beginTimeline(path, music);
    ScriptReader reader = ScriptReader::fromText(text);
    return buildTimeline(reader, std::move(timeline), ScriptFaults::list);
}
