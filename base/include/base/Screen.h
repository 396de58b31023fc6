// Process-wide values of the presentation window that other subsystems read:
// the screen size with its power-of-two sizes, the key state by Windows
// virtual-key code, and the loading flag. Free of SDL and OpenGL.
#pragma once

#include <cstdint>

struct ScreenSize {
    int width = 640;
    int height = 480;
    int pow2Width = 512;   // largest power of two <= width, at least 1
    int pow2Height = 256;  // largest power of two <= height, at least 1
};

// Largest power of two not above `n`; 1 for n below 2.
int largestPowerOfTwo(int n);

const ScreenSize& screenSize();
// Stores the size (a height of 0 counts as 1) and its power-of-two sizes.
void setScreenSize(int width, int height);

inline constexpr int kKeyCount = 256;
// The published key state: kKeyCount entries, 1 while a key is held.
// Indexed by Windows virtual-key code (see base/KeyCodes.h).
const std::int32_t* keyState();
std::int32_t* mutableKeyState();
// Presses shorter than a frame would be missed by reading the key state once
// per frame, so a key going down is also latched until a frame takes it.
// latchKeyPress: the key went from up to down. takeKeyPress: whether a press
// was latched since the last take; clears it. Codes outside the table are
// ignored (never latched).
void latchKeyPress(int code);
bool takeKeyPress(int code);

// True while demo start is loading: frames then show the loading screen.
bool loadingFlag();
void setLoadingFlag(bool loading);
