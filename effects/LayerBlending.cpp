#include "effects/LayerBlending.h"

#include "timeline/RenderTarget.h"
#include "timeline/TrackModule.h"

#include "gfx/Gfx.h"

LayerBlending::LayerBlending(float alpha, const TextureSource* picture, const TrackModule& module,
                             bool additive)
    : LayerBlending(alpha, picture && picture->hasAlpha(), module, additive) {}

LayerBlending::LayerBlending(float alpha, bool hasAlpha, const TrackModule& module, bool additive)
    : alpha_(alpha), enabled_(!(alpha == 1.0f && !hasAlpha && !module.fading && !additive)) {
    if (!enabled_) return;
    if (module.fading) alpha_ = module.fadeAmount;
    gfx::enable(gfx::Cap::blend);
    gfx::blendFunc(gfx::BlendFactor::srcAlpha,
                   additive ? gfx::BlendFactor::one : gfx::BlendFactor::oneMinusSrcAlpha);
}

LayerBlending::~LayerBlending() {
    if (enabled_) gfx::disable(gfx::Cap::blend);
}
