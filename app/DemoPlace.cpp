#include "DemoPlace.h"

#include <cstdlib>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Where the example lies below a data folder (share/).
const fs::path kExampleBelowData = fs::path("demoplayer") / "examples" / "demo";

bool holdsExample(const fs::path& folder) {
    std::error_code ec;
    return fs::is_regular_file(folder / "demo.qsc", ec);
}

}  // namespace

std::optional<DemoPlace> demoPlaceOf(const std::string& argument, std::string& error) {
    std::error_code ec;
    const fs::path path(argument);
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) {
        error = "no demo at \"" + argument + "\": " +
                (ec ? ec.message() : std::string("no such file or folder"));
        return std::nullopt;
    }
    DemoPlace place;
    if (fs::is_directory(status)) {
        place.folder = path;
        return place;
    }
    if (!fs::is_regular_file(status)) {
        error = "\"" + argument + "\" is neither a demo's folder nor its script";
        return std::nullopt;
    }
    // "demo.qsc" alone: its folder is the current one.
    place.folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    place.scriptName = path.filename().string();
    // The data files name a script by the text after its last '\' or '/'.
    if (place.scriptName.find('\\') != std::string::npos) {
        error = "a script's name cannot hold '\\': \"" + argument + "\"";
        return std::nullopt;
    }
    return place;
}

fs::path installedExample(const fs::path& program) {
    std::vector<fs::path> candidates;
    if (!program.empty())
        candidates.push_back(program.parent_path() / DEMOPLAYER_DATA_FROM_BIN / kExampleBelowData);
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    const std::string dirs = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
    for (std::size_t begin = 0; begin <= dirs.size();) {
        std::size_t end = dirs.find(':', begin);
        if (end == std::string::npos) end = dirs.size();
        // Relative entries of $XDG_DATA_DIRS are to be ignored.
        if (end > begin && dirs[begin] == '/')
            candidates.push_back(fs::path(dirs.substr(begin, end - begin)) / kExampleBelowData);
        begin = end + 1;
    }
    candidates.push_back(fs::path(DEMOPLAYER_DATA_DIR) / kExampleBelowData);
    for (const fs::path& folder : candidates) {
        if (!holdsExample(folder)) continue;
        std::error_code ec;
        const fs::path clean = fs::weakly_canonical(folder, ec);
        return ec ? folder : clean;
    }
    return {};
}

fs::path runningProgram() {
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : program;
}
