#include "script/MusicTempo.h"

#include <limits>

namespace {

const MusicTempo kDefaultTempo{};
const MusicTempo* gCurrentTempo = nullptr;

}  // namespace

bool MusicTempo::usableBpm() const {
    return musicBpm > 0.0f && musicBpm <= std::numeric_limits<float>::max();
}

const MusicTempo& currentTempo() {
    return gCurrentTempo ? *gCurrentTempo : kDefaultTempo;
}

void setCurrentTempo(const MusicTempo* tempo) {
    gCurrentTempo = tempo;
}
