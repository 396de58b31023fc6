// The step a reload and a seek share: the script parsed again and, when it
// is sound, a new timeline in place of the old one, to start at the current
// music time exactly as a run with --start at that time would.
#pragma once

#include "ResourceRefresh.h"

#include <memory>
#include <string>

class MusicClock;
class Timeline;

struct RebuildResult {
    bool replaced = false;  // the new timeline plays from now on
    // The script could not be read whole (missing, empty, or changing while
    // read): nothing parsed; it is not ready yet.
    bool scriptMissing = false;
    int faults = 0;  // the script's faults (they were logged)
    ResourceRefresh::Result refreshed;
};

// Parses `scriptPath` with all three passes (faults listed, never fatal) and
// checks its relative timers (a timer that could not be computed while
// playing counts as a fault).
// When it is sound: the old timeline goes, with `filesChanged` the changed
// pictures and scenes are read again (the data-file archives are indexed
// again first), and the new timeline is loaded without a loading screen and
// made current; `resources` then remembers what it loaded. Otherwise
// `timeline` stays as it was, current again. `timeline` may be null
// (nothing played yet); `resources` may be null (nothing is read again).
RebuildResult rebuildTimeline(std::unique_ptr<Timeline>& timeline, const std::string& scriptPath,
                              MusicClock* music, ResourceRefresh* resources, bool filesChanged);
