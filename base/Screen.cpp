#include "base/Screen.h"

namespace {
ScreenSize gScreen;
std::int32_t gKeys[kKeyCount] = {};
bool gKeyLatched[kKeyCount] = {};
bool gLoading = false;
}  // namespace

int largestPowerOfTwo(int n) {
    int p = 1;
    while (p <= n / 2) p *= 2;
    return p;
}

const ScreenSize& screenSize() {
    return gScreen;
}

void setScreenSize(int width, int height) {
    if (height == 0) height = 1;
    gScreen.width = width;
    gScreen.height = height;
    gScreen.pow2Width = largestPowerOfTwo(width);
    gScreen.pow2Height = largestPowerOfTwo(height);
}

const std::int32_t* keyState() {
    return gKeys;
}
std::int32_t* mutableKeyState() {
    return gKeys;
}

void latchKeyPress(int code) {
    if (code >= 0 && code < kKeyCount) gKeyLatched[code] = true;
}

bool takeKeyPress(int code) {
    if (code < 0 || code >= kKeyCount) return false;
    const bool latched = gKeyLatched[code];
    gKeyLatched[code] = false;
    return latched;
}

bool loadingFlag() {
    return gLoading;
}
void setLoadingFlag(bool loading) {
    gLoading = loading;
}
