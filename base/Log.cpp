#include "base/Log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool gScriptError = false;
int gScriptErrorCount = 0;
bool gQuiet = false;
bool gStatusLineOpen = false;
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

// Writes one message as one whole line: a message written without a final
// newline still ends its line, so the next message never runs into it.
void writePrefixed(const char* prefix, const char* format, va_list args) {
    ensureUnbuffered();
    std::string line;
    if (prefix) {
        const ScriptPosition& p = scriptPosition();
        char head[64];
        std::snprintf(head, sizeof head, "%s in ", prefix);
        line = head + p.fileName;
        std::snprintf(head, sizeof head, ", line %i, pos %i: ", p.line, p.pos);
        line += head;
    }
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length > 0) {
        const std::size_t start = line.size();
        line.resize(start + static_cast<std::size_t>(length) + 1);
        std::vsnprintf(line.data() + start, static_cast<std::size_t>(length) + 1, format, args);
        line.pop_back();  // vsnprintf's terminating NUL
    }
    if (line.empty() || line.back() != '\n') line += '\n';
    if (gStatusLineOpen) {
        line.insert(line.begin(), '\n');
        gStatusLineOpen = false;
    }
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace

ScriptPosition& scriptPosition() {
    static ScriptPosition position;
    return position;
}

bool scriptErrorFlag() { return gScriptError; }
void setScriptErrorFlag(bool value) {
    gScriptError = value;
    if (!value) gScriptErrorCount = 0;
}
int scriptErrorCount() { return gScriptErrorCount; }

void logMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writePrefixed(nullptr, format, args);
    va_end(args);
}

void logProgress(const char* format, ...) {
    if (gQuiet) return;
    va_list args;
    va_start(args, format);
    writePrefixed(nullptr, format, args);
    va_end(args);
}

void setQuietLog(bool quiet) { gQuiet = quiet; }

void setStatusLineOpen(bool open) { gStatusLineOpen = open; }

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
    ++gScriptErrorCount;
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
