// In a web page the demo's files are a copy in memory that nothing else
// writes: the watcher watches nothing (watching() is false) and never
// reports a change.
#include "FileWatcher.h"

FileWatcher::FileWatcher(const std::string&, double quietSeconds) : quietSeconds_(quietSeconds) {}

FileWatcher::~FileWatcher() = default;

std::set<std::string> FileWatcher::takeSettledChanges(double now) {
    // Nothing ever arrives, so nothing is pending to settle.
    if (pending_.empty() || now - lastEvent_ < quietSeconds_) return {};
    return std::move(pending_);
}
