#include "FileWatcher.h"

#include "base/Log.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

bool editorLeftover(const std::string& name) {
    return name.empty() || name[0] == '.' || name[0] == '#' || name.back() == '~';
}

}  // namespace

FileWatcher::FileWatcher(const std::string& directory, double quietSeconds)
    : quietSeconds_(quietSeconds) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        logMessage("Watch: file notifications unavailable (%s), changes are not seen\n",
                   std::strerror(errno));
        return;
    }
    // A write in place ends with close-after-write; a save through a new file
    // ends with a rename into place; a deleted file matters as well. Single
    // writes (IN_MODIFY) are left out: a file written for long (a video
    // exported into the directory) would keep the burst from settling.
    const std::uint32_t mask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_ATTRIB;
    if (inotify_add_watch(fd_, directory.c_str(), mask) < 0) {
        logMessage("Watch: cannot watch \"%s\" (%s), changes are not seen\n", directory.c_str(),
                   std::strerror(errno));
        ::close(fd_);
        fd_ = -1;
    }
}

FileWatcher::~FileWatcher() {
    if (fd_ >= 0) ::close(fd_);
}

std::set<std::string> FileWatcher::takeSettledChanges(double now) {
    if (fd_ < 0) return {};
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got <= 0) break;  // EAGAIN: nothing more now
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                // Events were lost: an empty name stands for "anything".
                pending_.insert(std::string());
                lastEvent_ = now;
                continue;
            }
            if (event->len == 0) continue;  // the directory itself
            const std::string name(event->name);
            if (editorLeftover(name)) continue;
            pending_.insert(name);
            lastEvent_ = now;
        }
    }
    if (pending_.empty() || now - lastEvent_ < quietSeconds_) return {};
    std::set<std::string> settled;
    settled.swap(pending_);
    return settled;
}
