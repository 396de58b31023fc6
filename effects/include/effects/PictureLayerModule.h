// The base of the track modules that draw one picture layer (image, the
// distort grids, tunnel, blur): the bitmaps their "start" statements name,
// made textures while the demo loads, and the picture chosen per frame (the
// routed texture over the own bitmap). Picture layers share a draw priority.
#pragma once

#include "effects/LayerPicture.h"
#include "timeline/TrackModule.h"

class PictureLayerModule : public TrackModule {
public:
    // Pictures draw over scenes and under text.
    int drawPriority() const override { return 100; }
    // 10 per bitmap named by a "start" of this module.
    float loadWeight() const override { return picture_.loadWeight(); }
    // Makes the next named bitmap a texture, 10 progress; a missing JPEG
    // or BMP ends the process (status 7), a missing PNG is drawn white.
    bool loadNext(LoadingScreen& progress, bool& ok) override;
    // The bitmaps named by this module's "start" statements.
    void listResources(ResourceList& out) const override { picture_.listResources(out); }

    // The own picture of the last "start"; null when none.
    TextureSource* texture() const { return picture_.texture(); }

protected:
    LayerPicture picture_;
};
