// The GL state every drawing context of the player starts from: shared by
// the presentation window and the scene tool's preview, so a preview shows
// what the player shows.
#pragma once

// Viewport and projection for a target of this size in pixels (a height of 0
// counts as 1): orthographic 0..width x 0..height, identity model-view. Also
// stores the screen size for the other subsystems. The context must be
// current.
void setTargetProjection(int width, int height);

// The presentation's clear values and defaults: black clear colour (alpha
// one half), depth 1, stencil 0, depth test less-or-equal, smooth shading,
// nicest perspective correction.
void setPresentationDefaults();
