// Files the programs read from paths a person gives (a model, a scene, the
// music): regular files only, and no more of them than the size they had
// when opened. A FIFO, a device, a folder or a socket in their place would
// block the reader (a FIFO nobody writes to) or feed it without end
// (/dev/zero); each is refused at once, with a message naming it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An open regular file, closed with the object.
class RegularFile {
public:
    RegularFile() = default;
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    // Opens `path` for reading. The open never blocks, and the kind of file
    // is taken from the opened descriptor, so nothing can be put in the
    // path's place between the test and the open. Reads block as usual
    // afterwards. False with `error` set ("cannot open PATH: reason", or
    // "cannot read PATH: it is a FIFO, not a regular file" and the like)
    // for what cannot be opened or is not a regular file.
    bool open(const std::string& path, std::string& error);

    // The file's size when it was opened; what readAll reads at most.
    std::uint64_t size() const { return size_; }

    // The open descriptor handed over to the caller, who closes it; -1 when
    // none is open. The object keeps nothing open afterwards.
    int release();

    // The open file from its start, size() bytes or fewer (a file that
    // shrank since the open ends early; one that grew is read up to its
    // size at the open). False with `error` set when a read fails.
    bool readAll(std::vector<std::uint8_t>& bytes, std::string& error);

private:
    int descriptor_ = -1;
    std::uint64_t size_ = 0;
    std::string path_;
};

// The whole of the regular file `path` in `bytes`, as readAll reads it.
// False with `error` set, and nothing allocated, for a file that cannot be
// opened, is not a regular file or is larger than `largest` bytes.
bool readRegularFile(const std::string& path, std::uint64_t largest,
                     std::vector<std::uint8_t>& bytes, std::string& error);

// Empty when `path` names a regular file (links followed); otherwise why it
// cannot be read as one, without the path: "it is a FIFO, not a regular
// file", "No such file or directory", ... Never blocks.
std::string notRegularFileReason(const std::string& path);
