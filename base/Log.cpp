#include "base/Log.h"

#include "base/Interrupt.h"
#include "base/PartialOutputs.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

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
thread_local std::vector<HeldMessage>* tHeld = nullptr;

// Standard error is unbuffered so a line logged just before the process
// ends is complete; make sure nobody changed that before the first write.
void ensureUnbuffered() {
    static const bool done = [] {
        std::setvbuf(stderr, nullptr, _IONBF, 0);
        return true;
    }();
    (void)done;
}

std::string formatText(const char* format, va_list args) {
    std::string text;
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), static_cast<std::size_t>(length) + 1, format, args);
        text.pop_back();  // vsnprintf's terminating NUL
    }
    return text;
}

// Writes one message as one whole line: a message written without a final
// newline still ends its line, so the next message never runs into it.
void writeLine(const char* prefix, const std::string& text) {
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
    line += text;
    if (line.empty() || line.back() != '\n') line += '\n';
    if (gStatusLineOpen) {
        line.insert(line.begin(), '\n');
        gStatusLineOpen = false;
    }
    std::fwrite(line.data(), 1, line.size(), stderr);
}

const char* prefixOf(HeldMessage::Kind kind) {
    switch (kind) {
    case HeldMessage::Kind::warning: return "Warning";
    case HeldMessage::Kind::error: return "Error";
    case HeldMessage::Kind::message:
    case HeldMessage::Kind::progress:
    case HeldMessage::Kind::output: break;
    }
    return nullptr;
}

// Writes, or holds under a capture, one message of `kind`. The caller sets
// the error flag; a held error sets it when replayed.
void emit(HeldMessage::Kind kind, const char* format, va_list args) {
    if (tHeld) {
        tHeld->push_back({kind, formatText(format, args)});
        return;
    }
    if (kind == HeldMessage::Kind::progress && gQuiet) return;
    writeLine(prefixOf(kind), formatText(format, args));
}

}  // namespace

ScriptPosition& scriptPosition() {
    static ScriptPosition position;
    return position;
}

bool scriptErrorFlag() {
    return gScriptError;
}
void setScriptErrorFlag(bool value) {
    gScriptError = value;
    if (!value) gScriptErrorCount = 0;
}
int scriptErrorCount() {
    return gScriptErrorCount;
}

void logMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(HeldMessage::Kind::message, format, args);
    va_end(args);
}

void logProgress(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(HeldMessage::Kind::progress, format, args);
    va_end(args);
}

void logOutput(const char* format, ...) {
    va_list args;
    va_start(args, format);
    if (tHeld)
        tHeld->push_back({HeldMessage::Kind::output, formatText(format, args)});
    else
        std::vprintf(format, args);
    va_end(args);
}

void setQuietLog(bool quiet) {
    gQuiet = quiet;
}

void setStatusLineOpen(bool open) {
    gStatusLineOpen = open;
}

void logWarning(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(HeldMessage::Kind::warning, format, args);
    va_end(args);
}

void logError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(HeldMessage::Kind::error, format, args);
    va_end(args);
    if (!tHeld) {
        gScriptError = true;
        ++gScriptErrorCount;
    }
}

void logFatal(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine("Fatal error", formatText(format, args));
    va_end(args);
    gScriptError = true;
    fatalStop(1);
}

LogCapture::LogCapture() {
    tHeld = &held_;
}

LogCapture::~LogCapture() {
    tHeld = nullptr;
}

std::vector<HeldMessage> LogCapture::take() {
    std::vector<HeldMessage> taken;
    taken.swap(held_);
    return taken;
}

void replayLog(const std::vector<HeldMessage>& messages) {
    for (const HeldMessage& m : messages) {
        if (m.kind == HeldMessage::Kind::progress && gQuiet) continue;
        if (m.kind == HeldMessage::Kind::output) {
            std::fputs(m.text.c_str(), stdout);
            continue;
        }
        writeLine(prefixOf(m.kind), m.text);
        if (m.kind == HeldMessage::Kind::error) {
            gScriptError = true;
            ++gScriptErrorCount;
        }
    }
}

void setFatalStopHandler(FatalStopHandler handler) {
    gFatalHandler = std::move(handler);
}

void fatalStop(int status) {
    // An interrupt that arrived first decides the status: the fault may be
    // only its consequence (an interrupted read).
    stopIfInterrupted();
    // A handler that itself hits a fatal condition must not recurse.
    static bool stopping = false;
    if (gFatalHandler && !stopping) {
        stopping = true;
        gFatalHandler();
    } else {
        ensureUnbuffered();
        std::fprintf(stderr, "%s\n", kFatalBoxText);
    }
    removePartialOutputs();
#ifdef __EMSCRIPTEN__
    // The browser's calls of the frame step keep the page's runtime alive,
    // and exit would leave it so; the end is to reach the page.
    emscripten_force_exit(status);
#endif
    std::exit(status);
}
