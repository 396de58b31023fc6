// Finding the picture a model names, as modelling tools do: models carry the
// paths of the machine they were made on (Windows separators, drive letters,
// absolute folders, Blender's "//", letter case that only Windows forgives,
// names from a game's root folder, pictures since converted to another
// format). Nothing here reads a picture: only names and folders.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The parts of a texture name once the author's machine is taken out of it.
struct TextureName {
    // Folder and file components, in order; "." dropped, ".." kept only at
    // the front of a relative name.
    std::vector<std::string> components;
    bool absolute = false;  // a drive letter, a leading '/' or '\', file://
};

// Splits a texture name as a model stores it: '\' and '/' alike; "file://"
// and a drive letter dropped (the rest counts as absolute); Blender's "//"
// means the model's folder; percent escapes decoded when `decodePercent`;
// surrounding white space and quotes dropped.
TextureName splitTextureName(const std::string& text, bool decodePercent);

class TextureSearch {
public:
    // Where the search looks: `modelDir` (the model's folder, and each folder
    // above it) and `extraDirs` (the author's --textures folders).
    TextureSearch(std::filesystem::path modelDir, std::vector<std::filesystem::path> extraDirs);

    struct Result {
        std::optional<std::filesystem::path> found;
        bool asNamed = false;  // found exactly where the name says
        // Where it looked, for the warning when nothing is found.
        std::string tried;
    };

    // Looks for the picture the model names `text`, in this order: as named
    // (relative to the model's folder, or the absolute path itself); the
    // name's trailing folders and file relative to the model's folder, each
    // folder above it and each extra folder, longest first; the file name
    // anywhere under the model's folder and the extra folders; then all of
    // that again with the same stem and each extension in `otherExtensions`.
    // Every component matches ignoring letter case when no exact match is
    // there.
    Result find(const std::string& text, const std::vector<std::string>& otherExtensions);

private:
    // `dir`'s entry matching `name` exactly, else ignoring letter case (the
    // first in name order); empty when none.
    std::string entryOf(const std::filesystem::path& dir, const std::string& name);
    // The file `components` name under `base`, matching each as entryOf does,
    // with the last component taken from `fileNames` (lower case).
    std::optional<std::filesystem::path> resolve(const std::filesystem::path& base,
                                                 const std::vector<std::string>& folders,
                                                 const std::vector<std::string>& fileNames);
    // A file named one of `fileNames` (lower case) under the model's folder
    // or an extra folder, the shallowest first.
    std::optional<std::filesystem::path> anywhere(const std::vector<std::string>& fileNames);
    std::optional<std::filesystem::path> search(const TextureName& name,
                                                const std::vector<std::string>& fileNames);

    std::filesystem::path modelDir_;
    std::vector<std::filesystem::path> extraDirs_;
    std::vector<std::filesystem::path> bases_;  // the model's folder, those above, the extra ones
    // A folder's entries: exact names, and by lower-case name the first in
    // name order.
    struct Listing {
        std::vector<std::string> names;  // sorted
        std::map<std::string, std::string> byLowerCase;
    };
    std::map<std::filesystem::path, Listing> listings_;
    bool indexed_ = false;
    std::map<std::string, std::filesystem::path> byFileName_;  // lower-case name -> shallowest
};
