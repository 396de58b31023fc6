#include "MessageBox.h"

#include <SDL.h>

#include <cstdio>

namespace {
bool gBatch = false;
SDL_Window* gOwner = nullptr;  // non-owning
}  // namespace

void setBatchMessageBoxes(bool batch) {
    gBatch = batch;
}
bool batchMessageBoxes() {
    return gBatch;
}
void setMessageBoxOwner(SDL_Window* owner) {
    gOwner = owner;
}

void showMessageBox(const char* text, const char* caption, BoxIcon icon) {
    if (!gBatch) {
        Uint32 flags = icon == BoxIcon::exclamation ? SDL_MESSAGEBOX_WARNING : 0;
        if (SDL_ShowSimpleMessageBox(flags, caption, text, gOwner) == 0) return;
    }
    std::fprintf(stderr, "%s\n", text);
}
