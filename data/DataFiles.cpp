#include "DataFiles.h"
#include "base/Log.h"
#include "data/DataFile.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace fs = std::filesystem;

namespace {

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string asciiLower(std::string text) {
    for (char& c : text) c = asciiLower(c);
    return text;
}

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    }
    return true;
}

// Case-insensitive name order, ties broken bytewise, so every machine picks
// the same file whatever order its directory listing has.
bool nameOrder(const std::string& a, const std::string& b) {
    std::string la = asciiLower(a), lb = asciiLower(b);
    return la != lb ? la < lb : a < b;
}

bool isRegularFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// Names of the regular files in `directory`, in name order.
std::vector<std::string> regularFiles(const fs::path& directory) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError)) names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end(), nameOrder);
    return names;
}

bool hasExtension(const std::string& name, const char* extension) {
    std::string lower = asciiLower(name);
    std::string suffix = std::string(".") + extension;
    return lower.size() > suffix.size() &&
           lower.compare(lower.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::string dataFileBaseName(const std::string& path) {
    std::size_t cut = path.rfind('\\');
    if (cut == std::string::npos) cut = path.rfind('/');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::uint32_t dataFileNameHash(const std::string& name) {
    std::uint32_t hash = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<std::int32_t>(static_cast<signed char>(asciiLower(name[i])));
        hash += static_cast<std::uint32_t>(c) << (8 * (i % 4));
    }
    return hash;
}

bool DataFiles::NameEqual::operator()(const std::string& a, const std::string& b) const {
    return equalIgnoringCase(a, b);
}

DataFiles::DataFiles(fs::path directory) : directory_(std::move(directory)) {
    std::vector<std::string> files = regularFiles(directory_);
    std::vector<std::string> opened;
    for (const char* extension : {"krn", "zip"}) {
        for (const std::string& name : files) {
            if (!hasExtension(name, extension)) continue;
            bool seen = std::any_of(opened.begin(), opened.end(), [&](const std::string& other) {
                return equalIgnoringCase(other, name);
            });
            if (seen) continue;
            const char* reason = nullptr;
            auto archive = ZipArchive::open(directory_ / name, &reason);
            if (!archive) {
                // Its files will be missing: say which archive and why.
                logMessage("DataFiles - archive %s skipped: %s\n",
                           (directory_ / name).string().c_str(), reason);
                continue;
            }
            opened.push_back(name);
            addArchive(std::move(archive));
        }
    }
}

DataFiles::~DataFiles() = default;

void DataFiles::addArchive(std::unique_ptr<ZipArchive> archive) {
    std::size_t archiveNumber = archives_.size();
    const std::vector<ZipMember>& members = archive->members();
    for (std::size_t i = 0; i < members.size(); ++i) {
        IndexEntry entry{archiveNumber, i, members[i].dateTime};
        auto [it, added] = index_.emplace(members[i].name, entry);
        // The later stamp wins; on equal stamps the member seen first stays.
        if (!added && entry.dateTime > it->second.dateTime) it->second = entry;
    }
    archives_.push_back(std::move(archive));
}

// The plain file `baseName` in the directory: the exact name, or else the
// first file in name order whose name equals it without regard to case.
// Names that would leave the directory are never plain files.
std::optional<fs::path> DataFiles::plainFile(const std::string& baseName) const {
    if (baseName.empty() || baseName == "." || baseName == ".." ||
        baseName.find_first_of(std::string("/\0", 2)) != std::string::npos)
        return std::nullopt;
    fs::path exact = directory_ / baseName;
    if (isRegularFile(exact)) return exact;
    for (const std::string& name : regularFiles(directory_)) {
        if (equalIgnoringCase(name, baseName)) return directory_ / name;
    }
    return std::nullopt;
}

const DataFiles::IndexEntry* DataFiles::findMember(const std::string& baseName) const {
    auto it = index_.find(baseName);
    return it == index_.end() ? nullptr : &it->second;
}

std::uint32_t DataFiles::size(const std::string& baseName) {
    if (auto path = plainFile(baseName)) {
        std::error_code ec;
        std::uintmax_t n = fs::file_size(*path, ec);
        return ec || n > kMaxDataFileSize ? 0 : static_cast<std::uint32_t>(n);
    }
    if (const IndexEntry* entry = findMember(baseName)) {
        // Only a size the archive can back is ever allocated.
        std::uint32_t n = archives_[entry->archive]->readableSize(entry->member);
        return n > kMaxDataFileSize ? 0 : n;
    }
    return 0;
}

bool DataFiles::exists(const std::string& baseName) const {
    return plainFile(baseName).has_value() || findMember(baseName) != nullptr;
}

int DataFiles::read(const std::string& baseName, void* buffer, std::uint32_t size) {
    if (auto path = plainFile(baseName)) {
        FilePtr file(std::fopen(path->c_str(), "rb"));
        if (!file) return -1;
        std::size_t r = std::fread(buffer, 1, std::min(size, kMaxDataFileSize), file.get());
        return std::ferror(file.get()) ? -1 : static_cast<int>(r);
    }
    if (const IndexEntry* entry = findMember(baseName))
        return static_cast<int>(archives_[entry->archive]->read(entry->member, buffer, size));
    return -1;
}

namespace {
std::unique_ptr<DataFiles>& instance() {
    static std::unique_ptr<DataFiles> files;
    return files;
}
}  // namespace

DataFiles& dataFiles() {
    auto& files = instance();
    if (!files) files = std::make_unique<DataFiles>(".");
    return *files;
}

void resetDataFiles() {
    instance().reset();
}
