#include "script/MusicTempo.h"

namespace {

const MusicTempo kDefaultTempo{};
const MusicTempo* gCurrentTempo = nullptr;

}  // namespace

const MusicTempo& currentTempo() { return gCurrentTempo ? *gCurrentTempo : kDefaultTempo; }

void setCurrentTempo(const MusicTempo* tempo) { gCurrentTempo = tempo; }
