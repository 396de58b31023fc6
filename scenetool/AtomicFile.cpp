#include "AtomicFile.h"

#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace fs = std::filesystem;

bool writeAtomically(const fs::path& target, const std::uint8_t* data, std::size_t size,
                     std::string& error) {
    const fs::path temporary =
        target.parent_path() / ("." + target.filename().string() + "." + std::to_string(getpid()));
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        error = "cannot write " + target.string() + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(data, 1, size, file) == size;
    const bool closed = std::fclose(file) == 0;
    std::error_code ec;
    if (!written || !closed) {
        error = "cannot write " + target.string() + ": " + std::strerror(errno);
        fs::remove(temporary, ec);
        return false;
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        error = "cannot write " + target.string() + ": " + ec.message();
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}
