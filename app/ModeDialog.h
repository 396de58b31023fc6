// The screen-mode dialog shown at start: resolution, colour depth, full
// screen, OK. Operable with the mouse and the keyboard (Tab, arrows, Space,
// Enter).
#pragma once

#include "app/Options.h"

#include <optional>

// Shows the dialog until OK and stores the choice in `mode`. False when the
// dialog could not be shown or was closed from outside (nothing to play).
// SDL video must be initialised.
bool runModeDialog(std::optional<bool> fullScreenPreset, ScreenMode& mode);
