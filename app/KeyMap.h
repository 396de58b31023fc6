// Maps SDL keys onto Windows virtual-key codes (the key state's index).
#pragma once

#include <SDL_keyboard.h>

// The virtual-key code for a key, or -1 when the key has none.
int virtualKeyFor(SDL_Keycode key, SDL_Scancode scancode);
