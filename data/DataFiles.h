// The data-file directory: the plain files of one directory, then the
// members of the zip-format archives found there, all looked up by name.
#pragma once

#include "ZipArchive.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// Plain files larger than this count as unreadable, like oversized members.
inline constexpr std::uint32_t kMaxDataFileSize = ZipArchive::kMaxMemberSize;

// Name hash of the archive index: byte i of the name, lower-cased (A-Z
// only) and sign-extended, is added shifted left by 8 * (i mod 4) bits.
// Names equal without regard to case hash alike.
std::uint32_t dataFileNameHash(const std::string& name);

class DataFiles {
public:
    // Indexes the archives of `directory`: "*.krn" files, then "*.zip"
    // files (extensions in any case), each group in case-insensitive name
    // order. Files that are not readable zip archives are skipped, each
    // with one log line naming it.
    explicit DataFiles(std::filesystem::path directory);
    ~DataFiles();
    DataFiles(const DataFiles&) = delete;
    DataFiles& operator=(const DataFiles&) = delete;

    // Size of the plain file or archive member `baseName`; 0 when missing or
    // unreadable. A plain file hides any member of the same name.
    std::uint32_t size(const std::string& baseName);
    // Whether a plain file or an archive member of that name is there, of
    // whatever size.
    bool exists(const std::string& baseName) const;
    // Reads at most `size` bytes of `baseName` into `buffer`: the count
    // read, or -1 when it is missing or unreadable.
    int read(const std::string& baseName, void* buffer, std::uint32_t size);

    // The archives in scan order, for inspection.
    const std::vector<std::unique_ptr<ZipArchive>>& archives() const { return archives_; }

private:
    struct IndexEntry {
        std::size_t archive;  // into archives_
        std::size_t member;   // into that archive's members()
        std::uint32_t dateTime;
    };
    struct NameHash {
        std::size_t operator()(const std::string& name) const { return dataFileNameHash(name); }
    };
    struct NameEqual {
        bool operator()(const std::string& a, const std::string& b) const;
    };

    void addArchive(std::unique_ptr<ZipArchive> archive);
    std::optional<std::filesystem::path> plainFile(const std::string& baseName) const;
    const IndexEntry* findMember(const std::string& baseName) const;

    std::filesystem::path directory_;
    std::vector<std::unique_ptr<ZipArchive>> archives_;
    // One entry per distinct member name (without regard to case), keyed by
    // the name of the member that first had it.
    std::unordered_map<std::string, IndexEntry, NameHash, NameEqual> index_;
};

// The process-wide data files of the current directory, built at first use
// (after the command line may have changed directory).
DataFiles& dataFiles();
// Drops the process-wide data files, so the next use indexes the current
// directory again. For tests that change directory.
void resetDataFiles();
