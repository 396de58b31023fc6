#include "effects/LayerBlending.h"

#include "timeline/RenderTarget.h"
#include "timeline/TrackModule.h"

#include <GL/gl.h>

LayerBlending::LayerBlending(float alpha, const TextureSource* picture, const TrackModule& module,
                             bool additive)
    : alpha_(alpha),
      enabled_(!(alpha == 1.0f && (!picture || !picture->hasAlpha()) && !module.fading &&
                 !additive)) {
    if (!enabled_) return;
    if (module.fading) alpha_ = module.fadeAmount;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, additive ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
}

LayerBlending::~LayerBlending() {
    if (enabled_) glDisable(GL_BLEND);
}
