// The light an imported model is shown in: a studio's key and fill for a
// model that brings no lamps, and the model's own lamps brought within what
// the player's lights (which do not fade with distance) can show.
#pragma once

#include "scene/Scene.h"
#include "scenetool/ModelFraming.h"

#include <functional>
#include <string>

// The largest of a colour's channels.
float colourBrightness(const Colour& colour);

// How much stronger than for a white model the default lights are made: 1
// over the brightest channel of the colours the scene's faces show (a
// texture's by `texturePeak` of its name), within 1 and 2.
float lightExposure(const Scene& scene,
                    const std::function<float(const std::string&)>& texturePeak);

// Appends a point key light above and left of `camera` (casting shadows when
// `shadows`) and a weaker fill light from the other side, both 4 radii of
// `sphere` away, with a little ambient light, all `exposure` times their
// strength for a white model (which they light short of full white).
void addStudioLights(Scene& scene, const BoundingSphere& sphere, const CameraPlacement& camera,
                     float exposure, bool shadows);

// The model's own lamps, as the player can show them: a little ambient
// light on the first when none gives any (so sides they miss are not
// black), and all dimmed alike when together they give more than one full
// light. Says what it changed on standard error. `scene` has lights.
void balanceModelLights(Scene& scene);
