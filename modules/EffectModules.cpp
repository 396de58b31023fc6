#include "modules/EffectModules.h"

#include "modules/FadeModule.h"
#include "modules/ImageModule.h"
#include "modules/RouteModule.h"
#include "timeline/TrackModuleFactory.h"

void registerEffectModules() {
    // One line per module: registerTrackModule("image", [] { return std::make_unique<ImageModule>(); });
    registerTrackModule("image", [] { return std::make_unique<ImageModule>(); });
    registerTrackModule("fade", [] { return std::make_unique<FadeModule>(); });
    registerTrackModule("route", [] { return std::make_unique<RouteModule>(); });
}
