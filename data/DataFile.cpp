// The data-file interface: opening a whole file into memory and reading it
// like a C stream. Finding the file is DataFiles' business.
#include "data/DataFile.h"

#include "DataFiles.h"

#include <algorithm>
#include <cstring>
#include <limits>

void rescanDataArchives() {
    resetDataFiles();
}

std::uint32_t dataFileSize(const std::string& baseName) {
    return dataFiles().size(baseName);
}

bool dataFileExists(const std::string& baseName) {
    return dataFiles().exists(baseName);
}

const char* dataFileFault(const std::string& path) {
    return dataFileExists(dataFileBaseName(path)) ? "is empty or cannot be read" : "not found";
}

int readDataFile(const std::string& baseName, void* buffer, std::uint32_t size) {
    return dataFiles().read(baseName, buffer, size);
}

std::unique_ptr<MemoryFile> openDataFile(const std::string& path) {
    std::string baseName = dataFileBaseName(path);
    std::uint32_t n = dataFileSize(baseName);
    if (n == 0) return nullptr;
    auto file = std::make_unique<MemoryFile>();
    file->name = baseName;
    file->bytes.assign(std::size_t(n) + 1, 0);
    int r = readDataFile(baseName, file->bytes.data(), n);
    if (r <= 0) return nullptr;
    // A plain file may have shrunk since its size was taken: the NUL then
    // follows the bytes actually read, and the buffer ends there.
    file->bytes.resize(std::size_t(r) + 1);
    file->bytes[std::size_t(r)] = 0;
    return file;
}

std::size_t readData(void* destination, std::size_t elementSize, std::size_t count,
                     MemoryFile& file) {
    if (elementSize == 0 || count == 0) return 0;
    std::size_t available = file.size() > file.position ? file.size() - file.position : 0;
    std::size_t wanted = count > std::numeric_limits<std::size_t>::max() / elementSize
                             ? available
                             : elementSize * count;
    std::size_t k = std::min(wanted, available);
    if (k > 0) std::memcpy(destination, file.bytes.data() + file.position, k);
    file.position += static_cast<std::uint32_t>(k);
    return k / elementSize;
}

void closeDataFile(std::unique_ptr<MemoryFile> file) {
    file.reset();
}
