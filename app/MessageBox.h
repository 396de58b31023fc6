// Message boxes. In batch runs nobody is there to press OK: the text goes to
// standard error instead and nothing waits.
#pragma once

struct SDL_Window;

enum class BoxIcon { none, exclamation };

void setBatchMessageBoxes(bool batch);
bool batchMessageBoxes();

// The window that owns boxes shown from now on; null for none.
void setMessageBoxOwner(SDL_Window* owner);

// Shows a box with an OK button and blocks until it is dismissed. When no box
// can be shown, the text is written to standard error.
void showMessageBox(const char* text, const char* caption, BoxIcon icon);

// From now on a fatal stop shows its box, ends loading and calls
// `requestQuit` before the process ends with its status.
void showFatalStopsInBox(void (*requestQuit)());
