#include "ZipArchive.h"

#include "base/Log.h"

#include <zlib.h>

#include <unistd.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <mutex>

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;        // "PK\5\6"
constexpr std::uint32_t kDirectorySignature = 0x02014b50;  // "PK\1\2"
constexpr std::uint32_t kLocalSignature = 0x04034b50;      // "PK\3\4"
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kDirectoryRecordSize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
// The end record sits in the last 64 KiB: its comment is at most 65535
// bytes long.
constexpr std::uint64_t kEndSearchSpan = 65535;
constexpr std::size_t kChunkSize = 16384;

constexpr std::uint16_t kFlagEncrypted = 1u << 0;
constexpr std::uint16_t kFlagDataDescriptor = 1u << 3;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;

std::uint16_t get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

}  // namespace

ZipArchive::ZipArchive(Key, FilePtr file, std::string label)
    : file_(std::move(file)), label_(std::move(label)) {}

std::unique_ptr<ZipArchive> ZipArchive::open(const std::filesystem::path& path,
                                             const char** reason) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        if (reason) *reason = "cannot be opened";
        return nullptr;
    }
    return open(std::move(file), path.string(), reason);
}

std::unique_ptr<ZipArchive> ZipArchive::open(FilePtr file, std::string label, const char** reason) {
    const char* fault = file ? nullptr : "cannot be opened";
    std::unique_ptr<ZipArchive> archive;
    if (!fault) {
        archive = std::make_unique<ZipArchive>(Key{}, std::move(file), std::move(label));
        fault = archive->readDirectory();
        if (!fault) fault = archive->checkMembers();
    }
    if (reason) *reason = fault;
    if (fault) return nullptr;
    // Only an archive that is kept has its unreadable members reported.
    for (const ZipMember& member : archive->members_) {
        if (member.fault) archive->reject(member, member.fault);
    }
    return archive;
}

// Positioned reads on the descriptor: no shared file position, so members
// may be read from several threads at once. A stream without a descriptor
// (one in memory) is read under a lock instead.
bool ZipArchive::readAt(std::uint64_t offset, void* buffer, std::size_t size) const {
    if (offset > fileSize_ || size > fileSize_ - offset) return false;
    const int fd = fileno(file_.get());
    if (fd < 0) {
        std::lock_guard<std::mutex> lock(streamLock_);
        if (fseeko(file_.get(), static_cast<off_t>(offset), SEEK_SET) != 0) return false;
        return std::fread(buffer, 1, size, file_.get()) == size;
    }
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (size > 0) {
        const ssize_t n = pread(fd, out, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        out += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

const char* ZipArchive::readDirectory() {
    if (fseeko(file_.get(), 0, SEEK_END) != 0) return "cannot be read";
    off_t end = ftello(file_.get());
    if (end < 0) return "cannot be read";
    fileSize_ = static_cast<std::uint64_t>(end);

    // The end record nearest the end of the file wins.
    std::uint64_t span = std::min(fileSize_, kEndSearchSpan);
    std::uint64_t tailStart = fileSize_ - span;
    std::vector<std::uint8_t> tail(span);
    if (span < 4 || !readAt(tailStart, tail.data(), tail.size())) return "not a zip archive";
    std::size_t at = tail.size() - 4 + 1;
    bool found = false;
    while (at-- > 0) {
        if (get32(&tail[at]) == kEndSignature) {
            found = true;
            break;
        }
    }
    if (!found) return "not a zip archive";
    std::uint64_t recordPosition = tailStart + at;
    std::array<std::uint8_t, kEndRecordSize> record;
    if (!readAt(recordPosition, record.data(), record.size()))
        return "end of central directory cut short";
    std::uint16_t disk = get16(&record[4]);
    std::uint16_t directoryDisk = get16(&record[6]);
    std::uint16_t entriesOnDisk = get16(&record[8]);
    std::uint16_t entries = get16(&record[10]);
    std::uint32_t directorySize = get32(&record[12]);
    std::uint32_t directoryOffset = get32(&record[16]);
    if (disk != 0 || directoryDisk != 0 || entriesOnDisk != entries) return "spans several disks";
    if (recordPosition < std::uint64_t(directoryOffset) + directorySize)
        return "central directory lies outside the file";
    prefix_ = recordPosition - directoryOffset - directorySize;
    // Every record takes at least its fixed part: a count the directory
    // cannot hold is a lie, found out before anything is allocated from it.
    if (std::uint64_t(entries) * kDirectoryRecordSize > directorySize)
        return "more entries than the central directory holds";

    // The directory ends where the end record begins, so it lies inside the
    // file and its size is bounded by the file's.
    std::vector<std::uint8_t> directory(directorySize);
    if (!readAt(prefix_ + directoryOffset, directory.data(), directory.size()))
        return "central directory cannot be read";
    std::size_t pos = 0;
    for (std::uint32_t i = 0; i < entries; ++i) {
        if (directory.size() - pos < kDirectoryRecordSize) return "central directory is damaged";
        const std::uint8_t* r = &directory[pos];
        if (get32(r) != kDirectorySignature) return "central directory is damaged";
        ZipMember member;
        member.flags = get16(r + 8);
        member.method = get16(r + 10);
        member.dateTime = get32(r + 12);
        member.crc = get32(r + 16);
        member.compressedSize = get32(r + 20);
        member.uncompressedSize = get32(r + 24);
        member.nameLength = get16(r + 28);
        std::size_t extraLength = get16(r + 30);
        std::size_t commentLength = get16(r + 32);
        member.localHeaderOffset = get32(r + 42);
        member.directoryPosition = static_cast<std::uint32_t>(directoryOffset + pos);
        std::size_t recordSize =
            kDirectoryRecordSize + member.nameLength + extraLength + commentLength;
        if (directory.size() - pos < recordSize) return "central directory is damaged";
        const char* name = reinterpret_cast<const char*>(r + kDirectoryRecordSize);
        member.name.assign(name, std::min<std::size_t>(member.nameLength, kMaxNameLength));
        members_.push_back(std::move(member));
        pos += recordSize;
    }
    return nullptr;
}

// Finds each member's data through its local header and checks what it
// declares against what it occupies, so no size is believed that the file
// cannot back. Returns null, or why the archive as a whole is malformed.
const char* ZipArchive::checkMembers() {
    // [start, end) of each member's local header and data in the file.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> extents;
    extents.reserve(members_.size());
    for (ZipMember& member : members_) {
        member.fault = memberFault(member);
        if (member.dataStart != 0)
            extents.emplace_back(prefix_ + member.localHeaderOffset,
                                 member.dataStart + member.compressedSize);
    }
    // Members sharing bytes are how a few kilobytes pose as gigabytes: every
    // entry would inflate the same stream again. No archiver writes them.
    std::sort(extents.begin(), extents.end());
    for (std::size_t i = 1; i < extents.size(); ++i) {
        if (extents[i].first < extents[i - 1].second) return "members overlap";
    }
    return nullptr;
}

// Reads the member's local header (setting dataStart) and checks the
// member's sizes. Returns null when the member may be read, else why not.
const char* ZipArchive::memberFault(ZipMember& member) {
    if (member.uncompressedSize > kMaxMemberSize) return "too large";
    if (member.flags & kFlagEncrypted) return "encrypted";
    if (member.method != kMethodStored && member.method != kMethodDeflated)
        return "unsupported compression method";

    std::array<std::uint8_t, kLocalHeaderSize> local;
    std::uint64_t headerStart = prefix_ + member.localHeaderOffset;
    if (!readAt(headerStart, local.data(), local.size()) || get32(&local[0]) != kLocalSignature)
        return "local header missing";
    std::uint16_t localFlags = get16(&local[6]);
    bool headerAgrees = get16(&local[8]) == member.method && get16(&local[26]) == member.nameLength;
    if (!(localFlags & kFlagDataDescriptor)) {
        headerAgrees = headerAgrees && get32(&local[14]) == member.crc &&
                       get32(&local[18]) == member.compressedSize &&
                       get32(&local[22]) == member.uncompressedSize;
    }
    member.dataStart = headerStart + kLocalHeaderSize + member.nameLength + get16(&local[28]);
    if (!headerAgrees) return "local header disagrees with the directory";
    if (member.dataStart > fileSize_ || member.compressedSize > fileSize_ - member.dataStart)
        return "data runs past the end of the archive";
    if (member.method == kMethodStored && member.compressedSize != member.uncompressedSize)
        return "stored sizes differ";
    if (member.method == kMethodDeflated &&
        member.uncompressedSize >
            std::uint64_t(member.compressedSize) * kMaxDeflateRatio + kDeflateSlack)
        return "declares more than its compressed data can hold";
    return nullptr;
}

void ZipArchive::reject(const ZipMember& member, const char* reason) const {
    logMessage("ZipArchive - %s in %s: %s, not read\n", member.name.c_str(), label_.c_str(),
               reason);
}

std::uint32_t ZipArchive::readableSize(std::size_t index) const {
    if (index >= members_.size() || members_[index].fault) return 0;
    return members_[index].uncompressedSize;
}

long ZipArchive::read(std::size_t index, void* buffer, std::size_t size) const {
    // A member refused at open was reported then.
    if (index >= members_.size() || members_[index].fault) return -1;
    const ZipMember& member = members_[index];
    std::size_t wanted = std::min<std::size_t>(size, member.uncompressedSize);
    auto* out = static_cast<std::uint8_t*>(buffer);
    const char* failure = member.method == kMethodStored
                              ? copyStored(member, member.dataStart, out, wanted)
                              : inflateMember(member, member.dataStart, out, wanted);
    if (failure) {
        reject(member, failure);
        return -1;
    }
    return static_cast<long>(wanted);
}

// Copies the stored member's first `size` bytes to `buffer` and runs the
// rest through the CRC only. Returns null on success, else the reason.
const char* ZipArchive::copyStored(const ZipMember& member, std::uint64_t dataStart,
                                   std::uint8_t* buffer, std::size_t size) const {
    if (!readAt(dataStart, buffer, size)) return "read failed";
    std::uint64_t at = dataStart + size;
    uLong crc = crc32_z(0, buffer, size);
    std::vector<std::uint8_t> scratch;
    std::size_t left = member.uncompressedSize - size;
    if (left > 0) scratch.resize(std::min(left, kChunkSize));
    while (left > 0) {
        std::size_t n = std::min(left, scratch.size());
        if (!readAt(at, scratch.data(), n)) return "read failed";
        at += n;
        crc = crc32_z(crc, scratch.data(), n);
        left -= n;
    }
    return crc == member.crc ? nullptr : "CRC-32 mismatch";
}

namespace {
struct InflateStream {
    z_stream stream{};
    bool live = false;
    ~InflateStream() {
        if (live) inflateEnd(&stream);
    }
};
}  // namespace

// Inflates the member as a raw deflate stream into `buffer` (its first
// `size` bytes) and then into a scratch chunk, so the whole member is always
// checked against its declared size and CRC-32 while no write ever goes past
// either buffer. Returns null on success, else the reason.
const char* ZipArchive::inflateMember(const ZipMember& member, std::uint64_t dataStart,
                                      std::uint8_t* buffer, std::size_t size) const {
    std::uint64_t at = dataStart;
    InflateStream z;
    if (inflateInit2(&z.stream, -MAX_WBITS) != Z_OK) return "inflate could not start";
    z.live = true;

    std::vector<std::uint8_t> input(std::min<std::size_t>(member.compressedSize, kChunkSize));
    std::vector<std::uint8_t> scratch;
    std::uint64_t inputLeft = member.compressedSize;
    std::uint64_t produced = 0;
    uLong crc = crc32_z(0, nullptr, 0);
    z.stream.next_out = buffer;
    z.stream.avail_out = static_cast<uInt>(size);
    bool inCallerBuffer = true;
    for (;;) {
        if (z.stream.avail_in == 0 && inputLeft > 0) {
            std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(inputLeft, input.size()));
            if (!readAt(at, input.data(), n)) return "read failed";
            at += n;
            z.stream.next_in = input.data();
            z.stream.avail_in = static_cast<uInt>(n);
            inputLeft -= n;
        }
        if (z.stream.avail_out == 0) {
            // The caller's part is full; whatever follows is only checked.
            if (inCallerBuffer) {
                inCallerBuffer = false;
                scratch.resize(kChunkSize);
            }
            z.stream.next_out = scratch.data();
            z.stream.avail_out = static_cast<uInt>(scratch.size());
        }
        std::uint8_t* before = z.stream.next_out;
        int status = inflate(&z.stream, Z_NO_FLUSH);
        std::size_t made = static_cast<std::size_t>(z.stream.next_out - before);
        crc = crc32_z(crc, before, made);
        produced += made;
        if (produced > member.uncompressedSize) return "inflates to more than its declared size";
        if (status == Z_STREAM_END) break;
        if (status == Z_BUF_ERROR && z.stream.avail_in == 0 && inputLeft == 0)
            return "compressed data ends early";
        if ((status != Z_OK && status != Z_BUF_ERROR) ||
            (status == Z_BUF_ERROR && z.stream.avail_in != 0 && z.stream.avail_out != 0))
            return "compressed data is damaged";
    }
    if (produced != member.uncompressedSize) return "inflates to fewer bytes than declared";
    return crc == member.crc ? nullptr : "CRC-32 mismatch";
}
