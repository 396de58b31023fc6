// The example demo's 3D scene: a fogged courtyard with a tiled floor, a ring
// of pillars, a turning torus on a plinth, three orbiting spheres, a warm
// key light and a blue lamp that circles the middle (both cast shadows), and
// one camera that swoops in and circles the torus.
#pragma once

#include <cstdint>
#include <vector>

// Seconds of scene time the camera path and the animations cover.
inline constexpr float kExampleSceneLength = 30.0f;

// The scene file's bytes; its floor is textured with the picture named
// `floorTexture` (found among the data files by that name).
std::vector<std::uint8_t> exampleSceneBytes(const char* floorTexture);
