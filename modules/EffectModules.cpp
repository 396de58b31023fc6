#include "modules/EffectModules.h"

#include "modules/BlurModule.h"
#include "modules/DistortModule.h"
#include "modules/FadeModule.h"
#include "modules/ImageModule.h"
#include "modules/RouteModule.h"
#include "modules/TextModule.h"
#include "modules/TunnelModule.h"
#include "modules/WaveDistortModule.h"
#include "timeline/TrackModuleFactory.h"

void registerEffectModules() {
    // One line per module: registerTrackModule("image", [] { return std::make_unique<ImageModule>(); });
    registerTrackModule("image", [] { return std::make_unique<ImageModule>(); });
    registerTrackModule("fade", [] { return std::make_unique<FadeModule>(); });
    registerTrackModule("route", [] { return std::make_unique<RouteModule>(); });
    registerTrackModule("identityDistort",
                        [] { return std::make_unique<IdentityDistortModule>(); });
    registerTrackModule("waveDistort", [] { return std::make_unique<WaveDistortModule>(); });
    registerTrackModule("tunnel", [] { return std::make_unique<TunnelModule>(); });
    registerTrackModule("blur", [] { return std::make_unique<BlurModule>(); });
    registerTrackModule("text", [] { return std::make_unique<TextModule>(); });
}
