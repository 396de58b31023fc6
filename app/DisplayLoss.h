// A display server that goes away (X server killed, compositor crashed,
// remote session dropped) ends the run at once with status 255 and a message
// of our own. Nothing touches the lost connection afterwards: the window
// system's own exit paths would wait on it forever.
#pragma once

#include <SDL.h>

// Status of a run whose display went away: the same as having none.
constexpr int kLostDisplayStatus = 255;

// After the video subsystem started: under X11, installs the handler the X
// library calls when its connection breaks.
void watchDisplayConnection();

// Under Wayland: true when the compositor closed the connection (SDL would
// read that as a quit request, as if the viewer had closed the window, and
// SDL 2.26 crashes on its way there). Called before SDL reads events. False
// under every other driver.
bool displayConnectionLost(SDL_Window* window);

// Ends the run as one whose display went away. Never returns.
[[noreturn]] void endWithLostDisplay();
