#include "effects/EffectModules.h"

#include "effects/BlurModule.h"
#include "effects/DistortModule.h"
#include "effects/FadeModule.h"
#include "effects/ImageModule.h"
#include "effects/RouteModule.h"
#include "effects/SceneModule.h"
#include "effects/ShaderModule.h"
#include "effects/TextModule.h"
#include "effects/TunnelModule.h"
#include "effects/WaveDistortModule.h"
#include "timeline/TrackModuleFactory.h"

void registerEffectModules() {
    // One line per module: registerTrackModule("image", [] { return
    // std::make_unique<ImageModule>(); });
    registerTrackModule("image", [] { return std::make_unique<ImageModule>(); });
    registerTrackModule("fade", [] { return std::make_unique<FadeModule>(); });
    registerTrackModule("route", [] { return std::make_unique<RouteModule>(); });
    registerTrackModule("identityDistort",
                        [] { return std::make_unique<IdentityDistortModule>(); });
    registerTrackModule("waveDistort", [] { return std::make_unique<WaveDistortModule>(); });
    registerTrackModule("tunnel", [] { return std::make_unique<TunnelModule>(); });
    registerTrackModule("blur", [] { return std::make_unique<BlurModule>(); });
    registerTrackModule("text", [] { return std::make_unique<TextModule>(); });
    registerTrackModule("scene", [] { return std::make_unique<SceneModule>(); });
    registerTrackModule("shader", [] { return std::make_unique<ShaderModule>(); });
}
