#include "music/MusicDecoder.h"

#include "MusicFormat.h"

#include <filesystem>
#include <system_error>

std::unique_ptr<MusicDecoder> openMusicDecoder(const std::string& path, std::string* fault) {
    std::string sndfileFault, browserFault, moduleFault;
    if (auto decoder = openSndfileDecoder(path, &sndfileFault)) return decoder;
#ifdef __EMSCRIPTEN__
    // The page's libsndfile has its own formats only (WAV and its ADPCM
    // codecs, AIFF, ...); the browser decodes the compressed ones.
    if (auto decoder = openBrowserDecoder(path, &browserFault)) return decoder;
#endif
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
            *fault = "libsndfile: \"" + sndfileFault + "\"; " +
                     (browserFault.empty() ? "" : "the browser: \"" + browserFault + "\"; ") +
                     "libopenmpt: \"" + moduleFault + "\"";
    }
    return nullptr;
}
