#include "scenetool/TextureSearch.h"

#include <algorithm>
#include <cctype>

namespace fs = std::filesystem;

namespace {

// A whole folder tree is indexed by file name at most this far, so a model
// lying in a home folder or at the root cannot make the search endless.
constexpr std::size_t kLargestIndex = 200000;

std::string lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = char(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string percentDecoded(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            const char decoded = char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            // An escaped NUL would end the name early; keep it as written.
            if (decoded != '\0') {
                out.push_back(decoded);
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

bool startsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && lower(text.substr(0, prefix.size())) == prefix;
}

bool isDrive(const std::string& text) {
    return text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':';
}

}  // namespace

TextureName splitTextureName(const std::string& text, bool decodePercent) {
    std::string s = text;
    const auto junk = [](char c) {
        return std::isspace(static_cast<unsigned char>(c)) || c == '"' || c == '\'';
    };
    while (!s.empty() && junk(s.back())) s.pop_back();
    s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), junk));
    if (decodePercent) s = percentDecoded(s);
    std::replace(s.begin(), s.end(), '\\', '/');

    TextureName name;
    if (startsWithNoCase(s, "file://")) {
        s.erase(0, 7);
        name.absolute = true;
    } else if (startsWithNoCase(s, "file:")) {
        s.erase(0, 5);
    }
    if (!name.absolute && s.rfind("//", 0) == 0) {
        s.erase(0, 2);  // Blender: relative to the model's own file
    } else {
        if (!s.empty() && s[0] == '/') {
            name.absolute = true;
            s.erase(0, s.find_first_not_of('/'));
        }
        if (isDrive(s)) {
            name.absolute = true;
            s.erase(0, 2);
        }
    }

    std::size_t start = 0;
    while (start <= s.size()) {
        std::size_t end = s.find('/', start);
        if (end == std::string::npos) end = s.size();
        const std::string part = s.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!name.components.empty() && name.components.back() != "..")
                name.components.pop_back();
            else if (!name.absolute)
                name.components.push_back(part);
            continue;
        }
        name.components.push_back(part);
    }
    return name;
}

TextureSearch::TextureSearch(fs::path modelDir, std::vector<fs::path> extraDirs)
    : extraDirs_(std::move(extraDirs)) {
    std::error_code ec;
    modelDir_ = fs::absolute(modelDir.empty() ? fs::path(".") : modelDir, ec).lexically_normal();
    if (modelDir_.has_filename() == false && modelDir_.has_parent_path() &&
        modelDir_ != modelDir_.root_path())
        modelDir_ = modelDir_.parent_path();
    for (fs::path dir = modelDir_;; dir = dir.parent_path()) {
        bases_.push_back(dir);
        if (dir == dir.parent_path() || dir.empty()) break;
    }
    for (fs::path& dir : extraDirs_) {
        dir = fs::absolute(dir, ec).lexically_normal();
        bases_.push_back(dir);
    }
}

std::string TextureSearch::entryOf(const fs::path& dir, const std::string& name) {
    auto listing = listings_.find(dir);
    if (listing == listings_.end()) {
        Listing made;
        std::error_code ec;
        for (fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec), end;
             !ec && it != end; it.increment(ec))
            made.names.push_back(it->path().filename().string());
        std::sort(made.names.begin(), made.names.end());
        for (const std::string& entry : made.names) made.byLowerCase.emplace(lower(entry), entry);
        listing = listings_.emplace(dir, std::move(made)).first;
    }
    const Listing& entries = listing->second;
    if (std::binary_search(entries.names.begin(), entries.names.end(), name)) return name;
    const auto folded = entries.byLowerCase.find(lower(name));
    return folded == entries.byLowerCase.end() ? std::string() : folded->second;
}

std::optional<fs::path> TextureSearch::resolve(const fs::path& base,
                                               const std::vector<std::string>& folders,
                                               const std::vector<std::string>& fileNames) {
    std::error_code ec;
    fs::path dir = base;
    for (const std::string& folder : folders) {
        if (folder == "..") {
            dir = dir.parent_path();
            continue;
        }
        const std::string entry = entryOf(dir, folder);
        if (entry.empty() || !fs::is_directory(dir / entry, ec)) return std::nullopt;
        dir /= entry;
    }
    for (const std::string& fileName : fileNames) {
        const std::string entry = entryOf(dir, fileName);
        if (!entry.empty() && fs::is_regular_file(dir / entry, ec)) return dir / entry;
    }
    return std::nullopt;
}

std::optional<fs::path> TextureSearch::anywhere(const std::vector<std::string>& fileNames) {
    if (!indexed_) {
        indexed_ = true;
        std::map<std::string, std::size_t> depthOf;
        std::vector<fs::path> roots{modelDir_};
        roots.insert(roots.end(), extraDirs_.begin(), extraDirs_.end());
        std::size_t seen = 0;
        for (const fs::path& root : roots) {
            std::error_code ec;
            for (fs::recursive_directory_iterator
                     it(root, fs::directory_options::skip_permission_denied, ec),
                 end;
                 !ec && it != end && seen < kLargestIndex; it.increment(ec), ++seen) {
                std::error_code typeError;
                if (!it->is_regular_file(typeError)) continue;
                const std::string key = lower(it->path().filename().string());
                const std::size_t depth = std::size_t(it.depth());
                const auto known = depthOf.find(key);
                // The shallowest wins; among equals the first in walk order.
                if (known != depthOf.end() && known->second <= depth) continue;
                depthOf[key] = depth;
                byFileName_[key] = it->path();
            }
        }
    }
    for (const std::string& fileName : fileNames) {
        const auto found = byFileName_.find(lower(fileName));
        if (found != byFileName_.end()) return found->second;
    }
    return std::nullopt;
}

std::optional<fs::path> TextureSearch::search(const TextureName& name,
                                              const std::vector<std::string>& fileNames) {
    const std::vector<std::string>& parts = name.components;
    // As named: the absolute path on this machine, or relative to the model.
    const std::vector<std::string> folders(parts.begin(), parts.end() - 1);
    if (auto found = resolve(name.absolute ? modelDir_.root_path() : modelDir_, folders, fileNames))
        return found;

    // The name's trailing folders from each base, longest first: an
    // author's absolute folders fall away, and a game's root is one of the
    // folders above the model.
    const auto firstFolder = std::find_if(parts.begin(), parts.end() - 1,
                                          [](const std::string& p) { return p != ".."; });
    // No real folder tree is deeper than this; a longer name keeps its last
    // folders, so a hostile one cannot make the search quadratic.
    constexpr std::ptrdiff_t kDeepestTail = 16;
    const auto tailStart = std::max(firstFolder, parts.end() - 1 - kDeepestTail);
    const std::vector<std::string> tail(tailStart, parts.end() - 1);
    for (std::size_t keep = tail.size(); keep >= 1; --keep) {
        const std::vector<std::string> suffix(tail.end() - std::ptrdiff_t(keep), tail.end());
        for (const fs::path& base : bases_)
            if (auto found = resolve(base, suffix, fileNames)) return found;
    }
    // The file name alone: beside the model or in an extra folder, then
    // anywhere beneath them.
    if (auto found = resolve(modelDir_, {}, fileNames)) return found;
    for (const fs::path& dir : extraDirs_)
        if (auto found = resolve(dir, {}, fileNames)) return found;
    return anywhere(fileNames);
}

TextureSearch::Result TextureSearch::find(const std::string& text,
                                          const std::vector<std::string>& otherExtensions) {
    Result result;
    // A glTF URI may carry percent escapes; a file may also really be named
    // with a '%' in it, so the name as written is tried first.
    std::vector<TextureName> names{splitTextureName(text, false)};
    if (text.find('%') != std::string::npos) names.push_back(splitTextureName(text, true));
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const TextureName& n) {
                                   return n.components.empty() || n.components.back() == "..";
                               }),
                names.end());

    const std::string shown = names.empty() ? text : names.front().components.back();
    result.tried = "as named beside " + modelDir_.string() + ", its folders from there and the " +
                   std::to_string(bases_.size() - 1 - extraDirs_.size()) +
                   " folders above, by name anywhere under it";
    for (const fs::path& dir : extraDirs_) result.tried += " and " + dir.string();

    for (const TextureName& name : names) {
        if (auto found = search(name, {name.components.back()})) {
            result.found = found;
            std::string asWritten = text;
            std::replace(asWritten.begin(), asWritten.end(), '\\', '/');
            std::error_code ec;
            result.asNamed = !name.absolute && fs::equivalent(modelDir_ / asWritten, *found, ec) &&
                             !ec && (modelDir_ / asWritten).filename() == found->filename();
            return result;
        }
    }
    // The same stem in another format: a model saved before its pictures
    // were converted (Quake's .tga named, .jpg shipped).
    for (const TextureName& name : names) {
        const fs::path file = name.components.back();
        const std::string own = lower(file.extension().string());
        std::vector<std::string> fileNames;
        for (const std::string& extension : otherExtensions)
            if ("." + extension != own) fileNames.push_back(file.stem().string() + "." + extension);
        if (auto found = search(name, fileNames)) {
            result.found = found;
            return result;
        }
    }
    if (!otherExtensions.empty()) {
        result.tried += ", and as " + fs::path(shown).stem().string() + " with the extensions";
        for (const std::string& extension : otherExtensions) result.tried += " ." + extension;
    }
    return result;
}
