// Files the run is writing that are not whole yet (the video being encoded,
// the capture frame being written). Any end that is not the writer's own
// (an interrupt, a lost display, a fatal stop) removes them, so a truncated
// file never looks finished. Removal is async-signal-safe: a signal handler
// may call it.
#pragma once

#include <string>

// Notes `path` (made absolute now, so a later change of directory does not
// matter) as partial. Returns a handle for forgetPartialOutput, or -1 when
// the table is full or the path too long (the file is then not removed).
int notePartialOutput(const std::string& path);

// The file under `handle` is whole (or gone): it is no longer removed.
void forgetPartialOutput(int handle);

// Removes every file still noted as partial. Async-signal-safe.
void removePartialOutputs();

// Notes a file as partial for the life of the object.
class PartialOutput {
public:
    explicit PartialOutput(const std::string& path) : handle_(notePartialOutput(path)) {}
    ~PartialOutput() { forgetPartialOutput(handle_); }
    PartialOutput(const PartialOutput&) = delete;
    PartialOutput& operator=(const PartialOutput&) = delete;

private:
    int handle_;
};
