// Where the demo to play is: the command line's argument (a folder or a
// script), else the current directory, else the example installed with the
// player.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

struct DemoPlace {
    std::filesystem::path folder;         // the player changes here
    std::string scriptName = "demo.qsc";  // the script it plays there
};

// The demo `argument` names, relative to the current directory: a folder
// (its demo.qsc), or a script file (its folder and its name). Nothing, with
// `error` saying why, when there is no such folder or file.
std::optional<DemoPlace> demoPlaceOf(const std::string& argument, std::string& error);

// The example demo installed with the player (share/demoplayer/examples/demo):
// first relative to `program`, the running executable, so that an installed
// tree works wherever it was moved; then in the data folders of
// $XDG_DATA_DIRS (else /usr/local/share and /usr/share); then under the
// prefix it was built for. Empty when none holds the example's demo.qsc.
std::filesystem::path installedExample(const std::filesystem::path& program);

// The running executable's path (empty when it cannot be told).
std::filesystem::path runningProgram();
