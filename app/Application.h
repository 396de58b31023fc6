// The program's entry sequence and message loop: screen mode, window, demo
// start, frames until a quit, demo shutdown, and the rebuild in the other
// screen mode after F1.
#pragma once

#include "app/Options.h"

// Runs the whole program with the parsed options; returns the exit status
// (0 at a normal end, -1 when no window or GL context can be had).
int runApplication(const Options& options);

// --check: reads and checks the script (all passes, the error test, event
// module initialisation, the music file opened for decoding only) and returns
// 0 when it is sound; a faulty script ends the process with status 1. No
// window, sound device, message box or loading.
int runScriptCheck(const Options& options);

// --verify: everything --check does, plus what can be found without drawing:
// relative timers naming no event, in a loop or too deep; every picture,
// scene and music file the script names found and decoded (not uploaded);
// the loading-screen picture. Lists every fault and returns 1 when there was
// any, 0 otherwise. No window and no sound device.
int runVerify(const Options& options);
