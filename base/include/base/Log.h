// Diagnostics: four printf-style log operations on standard error, the
// script position that prefixes warnings and errors, the script-error flag,
// and the fatal stop that ends the process with a status chosen by the caller.
//
// This header is free of SDL and OpenGL so every subsystem can log. The
// application installs the platform side of the fatal stop (message box, quit
// request) through setFatalStopHandler.
#pragma once

#include <functional>
#include <string>
#include <vector>

#if defined(__GNUC__)
#define DP_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define DP_PRINTF(fmt, args)
#endif

// Where the parser is in the script. Set when parsing begins (file name) and
// by the tokenizer (line, pos); kept after parsing, so messages logged while
// modules load or draw carry the last place the parser read.
struct ScriptPosition {
    std::string fileName;
    int line = -1;
    int pos = 0;
};

ScriptPosition& scriptPosition();

// True once any logError or logFatal ran. The script loader tests it after
// its last pass.
bool scriptErrorFlag();
void setScriptErrorFlag(bool value);
// How many errors were logged since the flag was last cleared (a reload
// reports its count).
int scriptErrorCount();

// Every message is written whole, as one line: one without a final newline
// gets one.
void logMessage(const char* format, ...) DP_PRINTF(1, 2);
// A plain message about progress or order (what loads, what fired, the track
// order, sync points): like logMessage, but hidden by a quiet log.
void logProgress(const char* format, ...) DP_PRINTF(1, 2);
// A line for standard output, not the log: the scene reader's own lines go
// there. Written as formatted (no newline added), or held under a capture.
void logOutput(const char* format, ...) DP_PRINTF(1, 2);
// A status line (a progress line rewritten in place with '\r') is open on
// standard error: the next message first ends it, so it starts a line of its
// own. The writer of the status line says when it opens and closes one.
void setStatusLineOpen(bool open);

// Quiet hides logProgress messages only; warnings, errors and every
// logMessage still print.
void setQuietLog(bool quiet);
// "Warning in FILE, line L, pos P: " then the message.
void logWarning(const char* format, ...) DP_PRINTF(1, 2);
// "Error in FILE, line L, pos P: " then the message; sets the error flag.
void logError(const char* format, ...) DP_PRINTF(1, 2);
// "Fatal error in FILE, line L, pos P: " then the message; sets the error
// flag and takes the fatal stop with status 1.
[[noreturn]] void logFatal(const char* format, ...) DP_PRINTF(1, 2);

// One message held back by a LogCapture: its kind and its text as formatted,
// without the script-position prefix (that is the replaying thread's).
struct HeldMessage {
    enum class Kind { message, progress, warning, error, output };
    Kind kind;
    std::string text;
};

// While one lives on a thread, that thread's log operations are held in it
// instead of written: work done off the main thread keeps its messages for
// the main thread to replay where the work's result is used, so the log
// reads as if the work had been done there. logFatal and fatalStop must not
// run under a capture (they cannot be held: they end the process). Captures
// do not nest.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The messages held so far, in order; the capture is empty afterwards.
    std::vector<HeldMessage> take();

private:
    std::vector<HeldMessage> held_;
};

// Writes held messages as their log operations would have: prefixes from
// the current script position, the quiet log and the error flag as they
// are now.
void replayLog(const std::vector<HeldMessage>& messages);

// The box text every fatal stop shows, and its caption.
inline constexpr const char* kFatalBoxText = "Error - exiting demo";
inline constexpr const char* kFatalBoxCaption = "Vantorra - Brindlewave";

// Shows the fatal box (or writes its text to standard error in batch runs),
// runs the application's quit request, and ends the process with `status` through
// the normal runtime exit. Never returns.
[[noreturn]] void fatalStop(int status);

// Called by fatalStop before it exits: shows the box, clears the loading
// flag, requests quit. Without a handler the box text goes to standard error.
using FatalStopHandler = std::function<void()>;
void setFatalStopHandler(FatalStopHandler handler);
