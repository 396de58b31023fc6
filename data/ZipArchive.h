// Reader for zip-format archives: the end-of-central-directory record, the
// central directory, and stored or deflated members. Everything the archive
// says about itself is untrusted: counts, sizes and offsets are checked
// against the file before they are used, and a member is handed out only
// when it decodes to exactly its declared size with its declared CRC-32.
// Sizes are checked before anything is allocated from them: what a member
// may expand to is bounded by the bytes it really occupies in the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// One record of the central directory.
struct ZipMember {
    // The name as stored, directory parts included, cut at 255 bytes.
    std::string name;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    // DOS modification time in the low 16 bits, DOS date in the high 16.
    std::uint32_t dateTime = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    // The stored name length, before any cut; the local header must agree.
    std::uint16_t nameLength = 0;
    std::uint32_t localHeaderOffset = 0;
    // Offset of this record within the archive, not counting bytes that
    // precede the archive in the file.
    std::uint32_t directoryPosition = 0;
    // File offset of the member's data, just past its local header.
    std::uint64_t dataStart = 0;
    // Why the member can never be read, found when the archive was opened
    // (and logged then); null when it may be read.
    const char* fault = nullptr;
};

class ZipArchive {
public:
    // Members larger than this are refused: no presentation needs them, and
    // every buffer is sized from the archive's own word.
    static constexpr std::uint32_t kMaxMemberSize = 1u << 30;
    static constexpr std::size_t kMaxNameLength = 255;
    // Deflate emits at most 258 bytes for a 2-bit length and distance pair:
    // no stream expands more than 1032 times its size. The slack covers the
    // first literals and rounding of a very short stream.
    static constexpr std::uint64_t kMaxDeflateRatio = 1032;
    static constexpr std::uint64_t kDeflateSlack = 1024;

    // Opens the archive at `path`; null when it is not a readable zip
    // archive, with `reason` (when given) set to why. The file stays open
    // for the archive's lifetime. Members that can never be read are kept,
    // with their fault, and logged once here.
    static std::unique_ptr<ZipArchive> open(const std::filesystem::path& path,
                                            const char** reason = nullptr);
    // Same, over an already opened stream; `label` names the archive in
    // messages.
    static std::unique_ptr<ZipArchive> open(FilePtr file, std::string label,
                                            const char** reason = nullptr);

    const std::string& label() const { return label_; }
    // The central directory, in stored order.
    const std::vector<ZipMember>& members() const { return members_; }
    // The uncompressed size of member `index` when it may be read, 0 when it
    // was refused at open: the most a caller need allocate for it.
    std::uint32_t readableSize(std::size_t index) const;

    // Decodes member `index` whole and copies its first `size` bytes (at
    // most its uncompressed size) to `buffer`. Returns the count copied, or
    // -1 when the member was refused at open, or its data is damaged or does
    // not match its CRC-32 or declared size; damage is logged with the
    // member's and the archive's names. Safe to call from several threads at
    // once: the archive is not changed after open.
    long read(std::size_t index, void* buffer, std::size_t size) const;

private:
    struct Key {
        explicit Key() = default;
    };

public:
    // Use open(); the key keeps construction inside this class.
    ZipArchive(Key, FilePtr file, std::string label);

private:
    const char* readDirectory();
    const char* checkMembers();
    const char* memberFault(ZipMember& member);
    bool readAt(std::uint64_t offset, void* buffer, std::size_t size) const;
    const char* copyStored(const ZipMember& member, std::uint64_t dataStart, std::uint8_t* buffer,
                           std::size_t size) const;
    const char* inflateMember(const ZipMember& member, std::uint64_t dataStart,
                              std::uint8_t* buffer, std::size_t size) const;
    void reject(const ZipMember& member, const char* reason) const;

    FilePtr file_;
    mutable std::mutex streamLock_;  // only for a stream without a descriptor
    std::string label_;
    std::uint64_t fileSize_ = 0;
    // Bytes in front of the archive (a self-extractor stub, say); added to
    // every offset the archive states.
    std::uint64_t prefix_ = 0;
    std::vector<ZipMember> members_;
};
