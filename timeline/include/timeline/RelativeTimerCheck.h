// Finds, without playing, the relative timers whose time a run could not
// compute. While playing, such a timer ends the process the first time its
// time is asked for (status 364 for a name that matches no event, 326 for a
// loop or a chain too deep); this check lists them all beforehand instead.
#pragma once

class Timeline;

// Walks every event of `timeline` whose module is a relative timer, follows
// its "relativeTo" references exactly as the frame step does (names ignoring
// case, the first event of a name), and reports each fault with logError:
//  - "relativeTo" names no event: reported at that event;
//  - a loop of relative timers: reported once per loop, at the loop's event
//    declared first;
//  - a chain through more than RelativeTimerModule::kDepthBudget referenced
//    events: reported at each event whose chain is one event too long (the
//    chain of the event it refers to is still within the budget).
// An event whose chain merely leads into one of these faults is not
// reported again: fixing the reported event fixes it. Reports come in
// declaration order, each at its event's script position (Event::line and
// Event::pos; line -1 for an event no script declared); the script position
// is restored afterwards. Sets the script-error flag when it reports.
//
// Never ends the process, fires nothing and leaves every event as the run
// will find it. Returns the number of faults reported (0: every relative
// timer's time can be computed).
int checkRelativeTimers(Timeline& timeline);
