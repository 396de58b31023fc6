// What the effect modules share when they read a command: the word, the
// music time at which it takes effect, and flags written as numbers.
#pragma once

#include <string>

class AnimatedParameter;
class Track;
class ArgumentList;

// The command words the effect modules answer to.
enum class CommandWord { start, stop, setParam, other };

// `commandName` as one of the words, compared without regard to case.
CommandWord commandWord(const std::string& commandName);

// The music time at which a command to a module of `track` takes effect:
// its timeline's command time (the firing event's own time), read once per
// command through the track's list; 0 for a list of no timeline.
float commandTime(const Track& track);

// What a command word does to one animated parameter: "start" restarts it
// at `t` from the arguments, "setParam" changes it when the arguments name
// it; other words leave it alone.
void commandParameter(CommandWord word, AnimatedParameter& parameter, ArgumentList& arguments,
                      float t);

// True when `key` is given as a number other than 0.
bool nonZeroNumber(ArgumentList& arguments, const char* key);

// When `key` is given, `flag` becomes whether it is a number other than 0;
// when it is absent, `flag` keeps its value.
void readFlag(ArgumentList& arguments, const char* key, bool& flag);
