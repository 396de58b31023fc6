// A model's pictures handed on to the player: every texture a material names
// becomes a data-file name the player finds beside the scene file, or none
// (the material then stays untextured) when the picture cannot be had. A
// scene the tool writes never names a picture the player would refuse.
#pragma once

#include "scenetool/TextureSearch.h"

#include <assimp/scene.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

class ModelTextures {
public:
    // `model` (not owned) outlives this; pictures are written to
    // `pictureDir`; the model's own picture files are searched for from
    // `modelPath`'s folder and in `extraDirs`, and embedded ones named after
    // its stem.
    ModelTextures(const aiScene& model, std::string pictureDir,
                  const std::filesystem::path& modelPath,
                  std::vector<std::filesystem::path> extraDirs);

    // The data-file name of the texture at `path` (as the model names it),
    // written beside the output as the player reads it: its own PNG and
    // JPEG files copied, other formats (and files its loaders refuse)
    // converted to PNG. Empty, with one warning, for a picture that cannot
    // be found or decoded. False with `error` set only when a picture cannot
    // be written. Each path is handed on once.
    bool name(const aiString& path, std::string& name, std::string& error);

    // How bright the picture handed on as `name` gets (see picturePeak);
    // 1 for a name this did not hand on.
    float peak(const std::string& name) const;

private:
    bool embeddedTexture(const std::string& text, std::string& name, std::string& error);
    bool fileTexture(const std::string& text, std::string& name, std::string& error);
    // Hands on picture file `bytes` in the format `extension` names, under
    // `wanted` (or its PNG name when converted); `what` names it in
    // messages. Empty `name` when it does not decode.
    bool handOn(const std::vector<std::uint8_t>& bytes, const std::string& extension,
                const std::string& wanted, const std::string& what, std::string& name,
                std::string& error);
    // The name under which `bytes` lie beside the output: `wanted`, unless
    // this run already wrote other bytes there (then a numbered name).
    // Writes them unless the same bytes, or a picture the author put
    // there, are already there.
    bool place(const std::vector<std::uint8_t>& bytes, std::string wanted, std::string& name,
               std::string& error);

    const aiScene& model_;
    std::string pictureDir_;
    std::filesystem::path modelDir_;
    std::string modelName_;  // names the embedded pictures written out
    TextureSearch search_;
    int embeddedCount_ = 0;
    std::map<std::string, std::string> handedOn_;          // model's texture path -> data-file name
    std::map<std::filesystem::path, std::string> byFile_;  // picture found -> data-file name
    std::map<std::string, std::uint64_t> written_;  // data-file name -> its bytes' fingerprint
    std::map<std::string, float> peaks_;            // data-file name -> peak
};
