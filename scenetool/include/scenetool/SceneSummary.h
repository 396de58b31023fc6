// The readable summary of a scene file that `demoplayer-scene info` prints.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

// The largest scene file the tool reads: the player reads no data file
// larger than 1 GiB.
inline constexpr std::uint64_t kLargestSceneFile = std::uint64_t(1) << 30;

// Reads the scene file at `path` as the player does (texture names are
// looked up among the data files from the current directory) and prints
// counts of lights, materials, textures, views, meshes and BSP trees to
// `out`. False with `error` set for a path that is not a regular file (see
// RegularFile) or is larger than kLargestSceneFile, and with the reader's
// message for a file the player refuses.
bool summariseScene(const std::string& path, std::ostream& out, std::string& error);
