// The readable summary of a scene file that `demoplayer-scene info` prints.
#pragma once

#include <ostream>
#include <string>

// Reads the scene file at `path` as the player does (texture names are
// looked up among the data files from the current directory) and prints
// counts of lights, materials, textures, views, meshes and BSP trees to
// `out`. False with the reader's message in `error` for a file the player
// refuses.
bool summariseScene(const std::string& path, std::ostream& out, std::string& error);
