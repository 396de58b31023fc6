// The data-file directory: plain files of one directory plus the index of
// the zip-format archives found there.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// The text after the last '\' of `path`; when there is none, after the last
// '/'; when there is neither, the whole path.
std::string dataFileBaseName(const std::string& path);

class DataFiles {
public:
    // Indexes the archives of `directory`; plain files are looked up there
    // on every call.
    explicit DataFiles(std::filesystem::path directory);
    ~DataFiles();
    DataFiles(const DataFiles&) = delete;
    DataFiles& operator=(const DataFiles&) = delete;

    // Size of the plain file or archive member `baseName`; 0 when missing.
    std::uint32_t size(const std::string& baseName);
    // Reads at most `size` bytes of `baseName`; the count read, or <= 0.
    int read(const std::string& baseName, void* buffer, std::uint32_t size);

private:
    std::filesystem::path directory_;
};

// The process-wide data files of the current directory, built at first use.
DataFiles& dataFiles();
// Drops the process-wide data files, so the next use indexes the current
// directory again. For tests that change directory.
void resetDataFiles();
