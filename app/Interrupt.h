// Ctrl-C and SIGTERM: the handlers only note the signal; the program stops
// at its next safe point (between loaded resources, between frames, in the
// dialog's event wait) with status 128 + the signal number, so scripts and
// CI never mistake an interrupted run for a finished one.
#pragma once

// Installs the SIGINT and SIGTERM handlers. SDL must not install its own
// (it would turn both into a quit request, and so into status 0).
void installInterruptHandlers();

// The signal that arrived, or 0 when none did.
int pendingInterrupt();

// At a safe point: when a signal arrived, says so on standard error and ends
// the process with 128 + its number. Returns otherwise.
void stopIfInterrupted();
