#include "modules/EffectModules.h"

#include "timeline/TrackModuleFactory.h"

void registerEffectModules() {
    // One line per module: registerTrackModule("image", [] { return std::make_unique<ImageModule>(); });
}
