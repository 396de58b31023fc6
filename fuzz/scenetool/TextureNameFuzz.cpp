// Texture names from untrusted models through the name splitter and the
// search on disk: the split keeps the promises TextureName makes in both
// decode modes, and the search answers only with a file that is there,
// named as asked (ignoring letter case, or in another picture format).
#include "scenetool/PictureConversion.h"
#include "scenetool/TextureSearch.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "%s (name of %zu bytes: \"%s\")\n", what, text.size(), text.c_str());
    std::abort();
}

std::string lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool operator==(const TextureName& a, const TextureName& b) {
    return a.absolute == b.absolute && a.components == b.components;
}

// The name written back so a second split reads it component for
// component: "./" (or "/./") in front keeps a first component such as "C:"
// or "file:" from being taken for a prefix, "/." at the end keeps white
// space or quotes at either end from being trimmed.
std::string rejoined(const TextureName& name) {
    std::string text = name.absolute ? "/./" : "./";
    for (const std::string& component : name.components) text += component + "/";
    return text + ".";
}

void checkSplit(const std::string& text, bool decodePercent) {
    const TextureName name = splitTextureName(text, decodePercent);
    const auto nulsIn = [](const std::string& s) { return std::count(s.begin(), s.end(), '\0'); };
    std::ptrdiff_t nuls = 0;
    bool leading = true;  // still among the ".." at the front
    for (const std::string& part : name.components) {
        if (part.empty()) fail("empty component", text);
        if (part == ".") fail("\".\" component", text);
        if (part.find_first_of("/\\") != std::string::npos) fail("separator in a component", text);
        if (part == "..") {
            if (name.absolute) fail("\"..\" in an absolute name", text);
            if (!leading) fail("\"..\" after a folder", text);
        } else {
            leading = false;
        }
        // Without decoding a component is a piece of the name between
        // separators, as written.
        if (!decodePercent && text.find(part) == std::string::npos)
            fail("component not in the name", text);
        nuls += nulsIn(part);
    }
    // An escaped NUL stays escaped: every NUL comes from the name itself.
    if (nuls > nulsIn(text)) fail("NUL made up by the split", text);
    if (!(splitTextureName(rejoined(name), false) == name))
        fail("split of the split differs", text);
    if (decodePercent && text.find('%') == std::string::npos &&
        !(name == splitTextureName(text, false)))
        fail("decoding changed a name without escapes", text);
}

// A scratch tree made once per process, deep under the temporary folder so
// a few ".." stay inside it: a model folder among differently-cased
// folders, pictures named as models name them, a folder and links named
// like pictures, and an extra folder as --textures gives.
struct Tree {
    fs::path modelDir;
    fs::path extraDir;
};

const Tree& tree() {
    static const Tree made = [] {
        const fs::path root = fs::temp_directory_path() / "dp_fuzz_texture_name" / "a" / "b" / "c";
        Tree t{root / "game" / "models" / "weapons2" / "shotgun", root / "extra"};
        const char* files[] = {
            "game/models/weapons2/shotgun/shotgun.tga",
            "game/models/weapons2/shotgun/Skin.PNG",
            "game/models/weapons2/shotgun/skin.png",
            "game/models/weapons2/shotgun/100%.png",
            "game/models/weapons2/shotgun/a%20b.jpg",
            "game/models/weapons2/shotgun/.png",
            "game/models/weapons2/shotgun/My Models/skin.png",
            "game/models/weapons2/shotgun/Textures/Sub/IMAGE1.JPG",
            "game/models/weapons2/shotgun/textures/earth.jpg",
            "game/models/weapons2/shotgun/dir.png/inner.jpg",
            "game/models/weapons2/shotgun/deep/er/still/texture.jpg",
            "game/textures/wal67ar_small.jpg",
            "game/LWO/LWO2/MappingModes/earthSpherical.jpg",
            "game/OBJ/drkwood2.jpg",
            "extra/SpiderTex.jpg",
            "extra/Deep/wal69ar_small.JPG",
        };
        std::error_code ec;
        for (const char* file : files) {
            const fs::path path = root / file;
            fs::create_directories(path.parent_path(), ec);
            if (!fs::exists(path, ec)) std::ofstream(path) << "not a picture";
        }
        // Links named like pictures: a loop, one to a folder, one to nothing.
        fs::create_directory_symlink(".", t.modelDir / "loop", ec);
        fs::create_directory_symlink("dir.png", t.modelDir / "link.jpg", ec);
        fs::create_symlink("nothing-there.png", t.modelDir / "gone.png", ec);
        return t;
    }();
    return made;
}

void checkSearch(const std::string& text) {
    const Tree& t = tree();
    const std::vector<std::string> extensions = pictureExtensions();
    TextureSearch search(t.modelDir, {t.extraDir});
    const TextureSearch::Result result = search.find(text, extensions);
    if (result.tried.empty()) fail("nothing said about where it looked", text);
    if (!result.found) return;
    const fs::path& found = *result.found;
    std::error_code ec;
    if (!found.is_absolute()) fail("a relative path found", text);
    if (!fs::is_regular_file(found, ec)) fail("found something that is not a file", text);

    // The file bears the name asked for, or its stem with another extension.
    const std::string got = lower(found.filename().string());
    bool named = false;
    for (const bool decode : {false, true}) {
        const TextureName name = splitTextureName(text, decode);
        if (name.components.empty()) continue;
        const fs::path file = name.components.back();
        named = named || got == lower(file.string());
        for (const std::string& extension : extensions)
            named = named || got == lower(file.stem().string() + "." + extension);
    }
    if (!named) fail("found a file of another name", text);

    // Asked again, the folder listings cached by the first search answer alike.
    const TextureSearch::Result again = search.find(text, extensions);
    if (again.found != result.found || again.asNamed != result.asNamed)
        fail("a second search answered otherwise", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkSplit(text, false);
    checkSplit(text, true);
    checkSearch(text);
    return 0;
}
