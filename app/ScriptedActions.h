// A test hook: author actions at given presentation frames, so tests drive
// reloads and seeks through the program's own code paths deterministically
// (with --fixed-fps and --capture) instead of sleeping. Read from the
// environment variable DEMOPLAYER_TEST_ACTIONS; not part of the command line.
//
// The text is a comma-separated list of FRAME:ACTION, acted on before
// presentation frame FRAME (0-based) is drawn:
//   reload        as if every file of the demo directory changed
//   seek+S seek-S seek S seconds forward or back (as Page Down / Page Up)
//   home          back to the start (as Home)
//   pause         pause or resume (as P)
//   fullscreen    switch between full screen and a window (as F1)
//   resize=WxH    the window's size, as a person dragging its border sets it
//   window=FILE   write the window's picture as shown (the frame scaled into
//                 it) as the PNG FILE, after the frame is drawn
//   copy=A>B      copy file A over file B in the demo directory
#pragma once

#include <string>
#include <vector>

struct ScriptedAction {
    enum class Kind { reload, seek, home, pause, fullScreen, copy, windowPicture, resize };
    long frame = 0;
    Kind kind = Kind::reload;
    double seconds = 0.0;       // seek: signed step
    int width = 0, height = 0;  // resize
    std::string from, to;       // copy; windowPicture: `to`
};

inline constexpr const char* kScriptedActionsVariable = "DEMOPLAYER_TEST_ACTIONS";

// The actions of `text` in frame order. An entry that cannot be read is
// reported in `error` (the first one) and left out.
std::vector<ScriptedAction> parseScriptedActions(const std::string& text, std::string& error);
