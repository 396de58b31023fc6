#include "music/MusicDecoder.h"

#include "MusicFormat.h"

#include <filesystem>
#include <system_error>

std::unique_ptr<MusicDecoder> openMusicDecoder(const std::string& path, std::string* fault) {
    std::string sndfileFault, moduleFault;
    if (auto decoder = openSndfileDecoder(path, &sndfileFault)) return decoder;
    if (auto decoder = openModuleDecoder(path, kOutputRate, &moduleFault)) return decoder;
    if (fault) {
        // What the file system says comes first: both decoders would only
        // dress it up.
        std::error_code error;
        const auto status = std::filesystem::status(path, error);
        if (!std::filesystem::exists(status))
            *fault = "not found";
        else if (std::filesystem::is_directory(status))
            *fault = "is a directory";
        else
            *fault = "libsndfile: \"" + sndfileFault + "\"; libopenmpt: \"" + moduleFault + "\"";
    }
    return nullptr;
}
