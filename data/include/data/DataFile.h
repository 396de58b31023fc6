// Data files: every file the presentation reads (script, scenes, bitmaps) is
// found by its base name, first as a plain file in the current directory,
// then as a member of the zip-format archives ("*.krn", "*.zip") that lie in
// the current directory, and is handed over whole, in memory.
//
// The archive index is built at the first call of any function below, from
// the archives in the current directory at that moment; plain files are
// looked up anew on every call. Everything here runs on the main thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One whole file in memory, read like a C stream with readData.
struct MemoryFile {
    // Read position: the index of the next byte readData hands out.
    std::uint32_t position = 0;
    // The base name the file was opened under.
    std::string name;
    // The file's contents followed by one NUL byte, so parsers may treat the
    // buffer as a C string. The NUL is not part of the file: size() excludes
    // it and readData never returns it.
    std::vector<std::uint8_t> bytes;

    // The file's length in bytes, without the trailing NUL.
    std::size_t size() const { return bytes.empty() ? 0 : bytes.size() - 1; }
    const std::uint8_t* data() const { return bytes.data(); }
};

// The text after the last '\' of `path`; when there is none, after the last
// '/'; when there is neither, the whole path.
std::string dataFileBaseName(const std::string& path);

// Size of the data file `baseName`, 0 when it is missing, empty or
// unreadable (a member larger than the archive reader accepts counts as
// unreadable).
std::uint32_t dataFileSize(const std::string& baseName);

// Whether the data file `baseName` is there at all (empty, unreadable or too
// large included): tells "not found" from "empty".
bool dataFileExists(const std::string& baseName);

// What is wrong with the data file `path` when openDataFile gives nothing:
// "not found", or "is empty or cannot be read".
const char* dataFileFault(const std::string& path);

// Reads at most `size` bytes of the data file `baseName` into `buffer`.
// Returns the count read, or 0 or a negative value when the file is missing
// or cannot be read whole and intact.
int readDataFile(const std::string& baseName, void* buffer, std::uint32_t size);

// The archives of the current directory may have changed: the next use of
// the data files indexes them again.
void rescanDataArchives();

// Opens the data file named by `path`: only the text after the last '\'
// (or, when there is none, after the last '/') counts. Returns null when the
// file is missing, empty or unreadable.
std::unique_ptr<MemoryFile> openDataFile(const std::string& path);

// Copies up to elementSize * count bytes from the file's read position to
// `destination` and advances the position past them. Returns the number of
// whole elements copied; a trailing partial element is copied but not
// counted. Returns 0 at the end of the file and when elementSize is 0.
std::size_t readData(void* destination, std::size_t elementSize, std::size_t count,
                     MemoryFile& file);

// Releases the file; a null file is ignored.
void closeDataFile(std::unique_ptr<MemoryFile> file);
