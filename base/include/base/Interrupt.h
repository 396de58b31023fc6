// Signals that end a run. Every signal whose default would terminate the
// process quietly (SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2,
// SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU) is only noted by its handler; the
// program stops at its next safe point (between loaded resources, between
// frames, in the dialog's event wait) with status 128 + the signal number,
// so scripts and CI never mistake an interrupted run for a finished one.
// Wherever the main thread is (a long frame, a blocking call), the run ends
// within a second of the first signal, and at once on a second one; partial
// output files are removed on every such end.
#pragma once

// Installs the handlers and their watchdog. A signal the parent set to be
// ignored (a background job's SIGINT, nohup's SIGHUP) stays ignored.
// SIGPIPE is ignored: a write to a closed pipe fails with EPIPE and the run
// goes on. SIGXFSZ is ignored: a write past the file-size limit fails with
// EFBIG, which writers report as they report a full disk. SDL must not
// install its own handlers.
void installInterruptHandlers();

// The signal that arrived, or 0 when none did.
int pendingInterrupt();

// Work done on the main thread before an interrupted run ends (giving the
// display its mode back). It runs under the watchdog's deadline.
void setInterruptRelease(void (*release)());

// At a safe point: when a signal arrived, says so on standard error, removes
// partial outputs, runs the release and ends the process with 128 + its
// number, without exit handlers (their teardown may take long and is not
// needed). Returns otherwise.
void stopIfInterrupted();

// Ends the process at once with `status`, after writing `message` (a whole
// line) to standard error and removing partial outputs; a pending interrupt's
// status wins. No exit handlers run: for states that cannot be unwound (a
// display connection that is gone). Async-signal-safe.
[[noreturn]] void endProcessNow(int status, const char* message);
