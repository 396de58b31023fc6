#include "music/MusicDecoder.h"

#include "MusicFormat.h"

#include "base/RegularFile.h"

#include <filesystem>
#include <system_error>

#ifndef __EMSCRIPTEN__
bool musicDecodePending(const std::string&) {
    return false;
}
#endif

std::unique_ptr<MusicDecoder> openMusicDecoder(const std::string& path, std::string* fault,
                                               [[maybe_unused]] bool* pending) {
    // Before any decoder opens it: a FIFO would block the opening, a device
    // would be decoded for ever.
    const std::string notRegular = notRegularFileReason(path);
    if (!notRegular.empty()) {
        if (fault) {
            std::error_code error;
            const auto status = std::filesystem::status(path, error);
            if (!std::filesystem::exists(status))
                *fault = "not found";
            else if (std::filesystem::is_directory(status))
                *fault = "is a directory";
            else
                *fault = notRegular;
        }
        return nullptr;
    }
    std::string sndfileFault, browserFault, moduleFault;
    if (auto decoder = openSndfileDecoder(path, &sndfileFault)) return decoder;
#ifdef __EMSCRIPTEN__
    // The page's libsndfile has its own formats only (WAV and its ADPCM
    // codecs, AIFF, ...); the browser decodes the compressed ones.
    bool browserPending = false;
    if (auto decoder = openBrowserDecoder(path, &browserFault, &browserPending)) return decoder;
    if (browserPending) {
        // Whether libopenmpt is to be asked depends on the browser's answer.
        if (fault) *fault = browserFault;
        if (pending) *pending = true;
        return nullptr;
    }
#endif
    if (auto decoder = openModuleDecoder(path, kOutputRate, &moduleFault)) return decoder;
    if (fault)
        *fault = "libsndfile: \"" + sndfileFault + "\"; " +
                 (browserFault.empty() ? "" : "the browser: \"" + browserFault + "\"; ") +
                 "libopenmpt: \"" + moduleFault + "\"";
    return nullptr;
}
