#include "RegularFileIO.h"

#include "base/RegularFile.h"

#include <assimp/DefaultIOStream.h>

#include <cstdio>
#include <memory>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The library's stream over a file this opened; it closes the file when
// the library closes the stream.
class RegularFileStream : public Assimp::DefaultIOStream {
public:
    RegularFileStream(std::FILE* file, const std::string& name)
        : Assimp::DefaultIOStream(file, name) {}
};

}  // namespace

bool RegularFileIO::Exists(const char* file) const {
    struct stat status {};
    return file && stat(file, &status) == 0;
}

Assimp::IOStream* RegularFileIO::Open(const char* file, const char* mode) {
    if (!file || !mode) return nullptr;
    const std::string how = mode;
    if (how.empty() || how[0] != 'r' || how.find('+') != std::string::npos)
        return DefaultIOSystem::Open(file, mode);
    RegularFile opened;
    std::string error;
    if (!opened.open(file, error)) {
        // A missing file stays silent: the library probes for some. It
        // tries some files again and again: one warning each.
        if (Exists(file) && warned_.insert(file).second)
            std::fprintf(stderr, "warning: %s\n", error.c_str());
        return nullptr;
    }
    const int descriptor = opened.release();
    std::FILE* stream = fdopen(descriptor, "rb");
    if (!stream) {
        close(descriptor);
        return nullptr;
    }
    // The library owns the stream and deletes it through Close.
    return std::make_unique<RegularFileStream>(stream, file).release();
}
