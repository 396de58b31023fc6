#include "effects/ModuleCommand.h"

#include "base/CaseInsensitive.h"
#include "script/AnimatedParameter.h"
#include "script/ArgumentList.h"
#include "timeline/Track.h"
#include "timeline/TrackList.h"

CommandWord commandWord(const std::string& commandName) {
    if (equalsIgnoreCase(commandName, "start")) return CommandWord::start;
    if (equalsIgnoreCase(commandName, "stop")) return CommandWord::stop;
    if (equalsIgnoreCase(commandName, "setParam")) return CommandWord::setParam;
    return CommandWord::other;
}

float commandTime(const Track& track) {
    return static_cast<float>(track.list().commandTime());
}

void commandParameter(CommandWord word, AnimatedParameter& parameter, ArgumentList& arguments,
                      float t) {
    if (word == CommandWord::start)
        parameter.reset(arguments, t);
    else if (word == CommandWord::setParam)
        parameter.update(arguments, t);
}

bool nonZeroNumber(ArgumentList& arguments, const char* key) {
    const ArgumentValue& value = arguments.find(key);
    return value.isNumber() && value.number() != 0.0f;
}

void readFlag(ArgumentList& arguments, const char* key, bool& flag) {
    if (!arguments.find(key).isNone()) flag = nonZeroNumber(arguments, key);
}
