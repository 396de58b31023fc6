// The blending of a layer that honours fades, set up for the lifetime of one
// object: the image, distort, tunnel and text modules draw through it.
#pragma once

class TextureSource;
class TrackModule;

class LayerBlending {
public:
    // Blending stays off only for an opaque layer: `alpha` exactly 1, no
    // picture or one without an alpha channel, `module` not fading, not
    // additive. Otherwise it is on, adding the layer (`additive`) or laying
    // it over what is drawn; while `module` fades, the layer draws at the
    // fade amount in place of `alpha` (replaced, not multiplied).
    LayerBlending(float alpha, const TextureSource* picture, const TrackModule& module,
                  bool additive);
    // The same for a layer whose own alpha counts when `hasAlpha`.
    LayerBlending(float alpha, bool hasAlpha, const TrackModule& module, bool additive);
    // Turns blending off again when the constructor turned it on.
    ~LayerBlending();
    LayerBlending(const LayerBlending&) = delete;
    LayerBlending& operator=(const LayerBlending&) = delete;

    bool enabled() const { return enabled_; }
    // The opacity to draw the layer with.
    float alpha() const { return alpha_; }

private:
    float alpha_;
    bool enabled_;
};
