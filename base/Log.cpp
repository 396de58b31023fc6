#include "base/Log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

bool gScriptError = false;
FatalStopHandler gFatalHandler;

// Standard error is unbuffered so a line logged just before the process
// ends is complete; make sure nobody changed that before the first write.
void ensureUnbuffered() {
    static const bool done = [] {
        std::setvbuf(stderr, nullptr, _IONBF, 0);
        return true;
    }();
    (void)done;
}

void writePrefixed(const char* prefix, const char* format, va_list args) {
    ensureUnbuffered();
    if (prefix) {
        const ScriptPosition& p = scriptPosition();
        std::fprintf(stderr, "%s in %s, line %i, pos %i: ", prefix, p.fileName.c_str(), p.line,
                     p.pos);
    }
    std::vfprintf(stderr, format, args);
}

}  // namespace

ScriptPosition& scriptPosition() {
    static ScriptPosition position;
    return position;
}

bool scriptErrorFlag() { return gScriptError; }
void setScriptErrorFlag(bool value) { gScriptError = value; }

void logMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writePrefixed(nullptr, format, args);
    va_end(args);
}

void logWarning(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writePrefixed("Warning", format, args);
    va_end(args);
}

void logError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writePrefixed("Error", format, args);
    va_end(args);
    gScriptError = true;
}

void logFatal(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writePrefixed("Fatal error", format, args);
    va_end(args);
    gScriptError = true;
    fatalStop(1);
}

void setFatalStopHandler(FatalStopHandler handler) { gFatalHandler = std::move(handler); }

void fatalStop(int status) {
    // A handler that itself hits a fatal condition must not recurse.
    static bool stopping = false;
    if (gFatalHandler && !stopping) {
        stopping = true;
        gFatalHandler();
    } else {
        ensureUnbuffered();
        std::fprintf(stderr, "%s\n", kFatalBoxText);
    }
    std::exit(status);
}
