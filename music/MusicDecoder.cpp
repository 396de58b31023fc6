#include "MusicDecoder.h"

#include "MusicFormat.h"

std::unique_ptr<MusicDecoder> openMusicDecoder(const std::string& path) {
    if (auto decoder = openSndfileDecoder(path)) return decoder;
    return openModuleDecoder(path, kOutputRate);
}
