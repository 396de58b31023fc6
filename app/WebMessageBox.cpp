// Message boxes in a web page: the page shows the text over the canvas
// (Module.showMessage) and the console has it too. Nothing can block in a
// page, so no box waits for OK; the run goes on as a batch run would.
#include "MessageBox.h"

#include <emscripten.h>

#include <cstdio>

// clang-format off
EM_JS(void, dp_web_show_message, (const char* text, const char* caption), {
    if (Module.showMessage) Module.showMessage(UTF8ToString(text), UTF8ToString(caption));
});
// clang-format on

namespace {
bool gBatch = false;
}  // namespace

void setBatchMessageBoxes(bool batch) {
    gBatch = batch;
}
bool batchMessageBoxes() {
    return gBatch;
}
void setMessageBoxOwner(SDL_Window*) {}

void showMessageBox(const char* text, const char* caption, BoxIcon) {
    std::fprintf(stderr, "%s\n", text);
    if (!gBatch) dp_web_show_message(text, caption);
}
