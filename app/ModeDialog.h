// The screen-mode dialog shown at start: resolution, colour depth,
// anti-aliasing, renderer, full screen, OK. Operable with the mouse and the keyboard (Tab, arrows,
// Space, Enter; Escape leaves without playing).
#pragma once

#include "app/Options.h"

#include <optional>

enum class DialogResult {
    chosen,     // OK: the choice is in `mode`
    cancelled,  // Escape, the window's close request or a quit: nothing to play
    failed,     // the dialog could not be shown (logged)
};

// Shows the dialog until OK, Escape or a close request, and stores the
// choice in `mode`. SDL video must be initialised.
DialogResult runModeDialog(std::optional<bool> fullScreenPreset, std::optional<int> samplesPreset,
                           std::optional<gfx::Renderer> rendererPreset, ScreenMode& mode);
