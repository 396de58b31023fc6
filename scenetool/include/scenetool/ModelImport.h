// Model files (through the Open Asset Import Library) into scene records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Scene;

struct ImportOptions {
    // Applied to every position; 0 chooses it: the model's units in metres
    // where it says, then scaled up so the player's near plane cannot cut it.
    float scale = 0.0f;
    bool shadows = true;       // castsShadows of meshes and lights
    float resampleHz = 30.0f;  // key rate of resampled animation tracks
    std::string cameraName;    // name of the first view; empty keeps the model's
    bool defaultLight = true;  // add a key and a fill light when the model has none
    bool singleSided = false;  // keep double-sided materials' faces one-sided
    std::string upAxis;        // "x", "y", "z", "-x", "-y" or "-z"; empty: the model's own
    std::vector<std::string> textureDirs;  // searched for pictures after the model's own folders
    // Where the output goes: embedded pictures are written there, and the
    // model's own PNG and JPEG pictures copied there when missing.
    std::string pictureDir = ".";
};

// Reads `modelPath` into the freshly constructed `scene`: meshes with their
// world transforms, materials, texture names, lights, views and the splits
// of BSP tree 0. Notes (defaults added, scaling, textures found elsewhere or
// not at all, normals mended) go to standard error. The scene never names a
// picture the player cannot load. False with
// `error` set when the model cannot be read or holds no triangle.
bool importModel(const std::string& modelPath, const ImportOptions& options, Scene& scene,
                 std::string& error);

// The same from a model in memory; `hint` is its file extension ("obj",
// "gltf", "glb"). Files the model names are looked for in the current
// directory, and embedded pictures are written to options.pictureDir.
bool importModelFromMemory(const std::uint8_t* data, std::size_t size, const std::string& hint,
                           const ImportOptions& options, Scene& scene, std::string& error);

// Writes the scene's file to `outPath` through a temporary file in the same
// folder, renamed into place, so a failed write leaves no partial output.
bool writeSceneFile(const Scene& scene, const std::string& outPath, std::string& error);
