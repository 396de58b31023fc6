// Which files of one directory changed, through the kernel's file
// notifications (inotify): no polling of the files themselves. An editor's
// save is a burst of events (write, rename, attribute change); the burst is
// handed over once, when it has settled.
#pragma once

#include <set>
#include <string>

class FileWatcher {
public:
    // Watches the files directly in `directory` (not its subdirectories).
    // A burst counts as settled once no event came for `quietSeconds`.
    // When the kernel refuses, a log line says so and nothing is reported.
    FileWatcher(const std::string& directory, double quietSeconds);
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    bool watching() const { return fd_ >= 0; }

    // Reads what the kernel reported since the last call, without blocking.
    // `now` is the clock in seconds. Returns the names (without directory)
    // changed in a burst that has settled by `now`, each once, and forgets
    // them; empty while nothing changed or a burst is still going on.
    // Editor leftovers (names starting with '.' or '#', ending with '~')
    // are not reported.
    std::set<std::string> takeSettledChanges(double now);

private:
    int fd_ = -1;
    double quietSeconds_;
    double lastEvent_ = 0.0;
    std::set<std::string> pending_;
};
