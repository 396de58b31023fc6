// Pictures and scenes whose files changed while playing, read again into
// their registry entries: every track holding an entry by name or pointer
// shows the new content, and unchanged files are not decoded again.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

class ResourceRefresh {
public:
    struct Result {
        int pictures = 0;  // decoded again
        int scenes = 0;    // read again
    };

    // Records the content of every picture and scene of the registries not
    // recorded yet (those decoded since the last call). Only what was
    // recorded is compared later.
    void remember();

    // Reads the file of every recorded picture and scene again (through the
    // data files, so archive members count) and decodes those whose content
    // differs into their registry entries; the GL side of each changed
    // picture is made again at its next bind. A picture that is missing or
    // does not decode, or a scene that cannot be read, keeps its old
    // content, with a log line, and is tried again at the next refresh.
    // Scenes must not be in use by any track while this runs: their views
    // and lights are replaced.
    Result refreshChanged();

private:
    std::unordered_map<std::string, std::uint64_t> pictures_;
    std::unordered_map<std::string, std::uint64_t> scenes_;
};
