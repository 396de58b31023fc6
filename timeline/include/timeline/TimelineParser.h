// Builds a Timeline from a script file: global settings, then events, then
// track commands, each a pass over the whole file, so a setting acts on every
// statement and a command may name an event declared further down.
#pragma once

#include <memory>
#include <string>
#include <string_view>

class MusicClock;
class Timeline;

// Parses `path` (read through the data files) into a new timeline, made
// current from the start. Every fault is reported with its line and position;
// a faulty script ends the process after the last pass ("Script has errors,
// exiting..", status 1), as does an event module that fails to initialise.
// `music` receives the "music" setting (not owned).
//
// With ScriptFaults::list nothing ends the process: the faults are reported
// as usual, the script-error flag tells whether there were any, and the
// timeline is returned as far as it was built (for a review of the script
// and the files it names; a faulty timeline is never played).
enum class ScriptFaults { stop, list };
std::unique_ptr<Timeline> parseTimeline(const std::string& path, MusicClock* music,
                                        ScriptFaults faults = ScriptFaults::stop);

// Ends the process as a faulty script does, when a script error was logged:
// for a fault found after the parse (music a web page's browser decoded
// meanwhile).
void stopOnScriptErrors();

// The same, with faults listed, for a script whose bytes were already read
// (`text`); `path` names it in messages. For a reload, which reads the file
// once and parses what it read.
std::unique_ptr<Timeline> parseTimelineText(const std::string& path, std::string_view text,
                                            MusicClock* music);
