// Scene files: tagged chunks, little-endian, no padding, version 268. The
// reader is a parser of untrusted bytes: counts and indices are checked
// before anything is allocated or indexed with them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Scene;
class TextureSource;

// How the reader gets the shared texture a "Text" chunk names. The rendering
// layer implements it with its texture registry; tests pass a fake.
class SceneTextures {
public:
    virtual ~SceneTextures() = default;
    // Called once per "Text" chunk with the name up to its first zero byte:
    // the shared texture of that name (made on first request), or null when
    // it cannot be had, which fails the read.
    virtual TextureSource* texture(const std::string& name) = 0;
};

// Reads the scene file `fileName` (found by its base name among the data
// files) into the freshly constructed `scene`, then runs the post-load pass
// (face planes and adjacency, BSP trees) whenever the version was accepted.
// Views get the window size `windowWidth` x `windowHeight`. True when the
// whole scene chunk was read and every index in it is in range. Messages go
// to standard output ("fileRead: Error while opening input file",
// "fileRead: Wrong file version", "Scene: Error while loading texture",
// "numfaces: N" per mesh); a malformed file is refused with one log line.
bool fileRead(const std::string& fileName, Scene& scene, SceneTextures& textures, int windowWidth,
              int windowHeight);

// The same from file content in memory (`name` is kept as the scene's name).
bool readScene(const std::uint8_t* data, std::size_t size, const std::string& name, Scene& scene,
               SceneTextures& textures, int windowWidth, int windowHeight);

// The two halves of readScene, for tests and tools that look at a scene as
// its file has it. readSceneChunks checks the version and walks the scene
// chunk (with the messages and the count checks); checkSceneIndices checks
// every index the post-load pass and the renderer use (texture coordinates
// only on faces whose material is textured) and logs the first bad one.
// readScene is: walk; unless the version was refused or the file is
// malformed, check the indices, and only if they hold run the post-load pass.
struct SceneChunksRead {
    bool versionAccepted = false;  // at least 4 bytes, version 268
    bool complete = false;         // the whole scene chunk was read
    bool malformed = false;        // a count was refused (logged); nothing was allocated from it
};
SceneChunksRead readSceneChunks(const std::uint8_t* data, std::size_t size, const std::string& name,
                                Scene& scene, SceneTextures& textures, int windowWidth,
                                int windowHeight);
bool checkSceneIndices(const Scene& scene);

// The exact inverse of the reader: the bytes of a scene file (version,
// "Scen" chunk, BSP chunks) from the records. Derived values (face planes,
// neighbours, light directions, triangle plane constants and projection
// axes) are not written; the reader computes them again. Textures are
// written by their names (Scene::textureNames); a texture or view name keeps
// its first 256 or 128 bytes, of which the reader keeps all but the last.
std::vector<std::uint8_t> writeScene(const Scene& scene);
