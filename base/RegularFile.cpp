#include "base/RegularFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a file that is not a regular file is, for the message refusing it.
std::string notRegularKind(mode_t mode) {
    const char* kind = S_ISDIR(mode)    ? "a folder"
                       : S_ISFIFO(mode) ? "a FIFO"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                       : S_ISSOCK(mode) ? "a socket"
                                        : "something else";
    return std::string("it is ") + kind + ", not a regular file";
}

// An open regular file, or why there is none: `verb` and `reason` make the
// message ("cannot open" / "cannot read", then what the system said).
struct Opening {
    int descriptor = -1;
    std::uint64_t size = 0;
    const char* verb = "cannot read";
    std::string reason;
};

Opening openRegular(const std::string& path) {
    Opening result;
    // What the path names now is refused without opening it: opening a
    // device may itself act (a tape rewinds, a watchdog starts). The test
    // that counts is the one on the open descriptor below.
    struct stat named {};
    if (stat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) {
        result.reason = notRegularKind(named.st_mode);
        return result;
    }
    // O_NONBLOCK: a FIFO put in the file's place opens at once even with
    // no writer, and is then refused like any other non-regular file.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        const int openError = errno;
        // A socket cannot be opened at all (ENXIO): say what it is instead.
        if (stat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) {
            result.reason = notRegularKind(named.st_mode);
        } else {
            result.verb = "cannot open";
            result.reason = std::strerror(openError);
        }
        return result;
    }
    struct stat opened {};
    if (fstat(descriptor, &opened) != 0)
        result.reason = std::strerror(errno);
    else if (!S_ISREG(opened.st_mode))
        result.reason = notRegularKind(opened.st_mode);
    if (!result.reason.empty()) {
        close(descriptor);
        return result;
    }
    // Reads of a regular file never wait for data; the flag goes so that
    // whoever the descriptor is handed to gets an ordinary one.
    const int flags = fcntl(descriptor, F_GETFL);
    if (flags >= 0) fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
    result.descriptor = descriptor;
    result.size = opened.st_size > 0 ? std::uint64_t(opened.st_size) : 0;
    return result;
}

}  // namespace

RegularFile::~RegularFile() {
    if (descriptor_ >= 0) close(descriptor_);
}

bool RegularFile::open(const std::string& path, std::string& error) {
    if (descriptor_ >= 0) close(descriptor_);
    path_ = path;
    const Opening opening = openRegular(path);
    descriptor_ = opening.descriptor;
    size_ = opening.size;
    if (descriptor_ >= 0) return true;
    error = std::string(opening.verb) + " " + path + ": " + opening.reason;
    return false;
}

int RegularFile::release() {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return descriptor;
}

bool RegularFile::readAll(std::vector<std::uint8_t>& bytes, std::string& error) {
    bytes.clear();
    if (descriptor_ < 0) {
        error = "cannot read " + path_ + ": it is not open";
        return false;
    }
    bytes.resize(std::size_t(size_));
    std::size_t done = 0;
    while (done < bytes.size()) {
        // From the start, whatever the descriptor's position.
        const ssize_t got =
            pread(descriptor_, bytes.data() + done, bytes.size() - done, off_t(done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = "cannot read " + path_ + ": " + std::strerror(errno);
            bytes.clear();
            return false;
        }
        if (got == 0) break;  // shrank since the open
        done += std::size_t(got);
    }
    bytes.resize(done);
    return true;
}

bool readRegularFile(const std::string& path, std::uint64_t largest,
                     std::vector<std::uint8_t>& bytes, std::string& error) {
    bytes.clear();
    RegularFile file;
    if (!file.open(path, error)) return false;
    if (file.size() > largest) {
        error = "cannot read " + path + ": it is " + std::to_string(file.size()) +
                " bytes, more than the " + std::to_string(largest) + " read at most";
        return false;
    }
    return file.readAll(bytes, error);
}

std::string notRegularFileReason(const std::string& path) {
    const Opening opening = openRegular(path);
    if (opening.descriptor < 0) return opening.reason;
    close(opening.descriptor);
    return {};
}
