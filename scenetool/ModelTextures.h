// A model's pictures handed on to the player: every texture a material names
// becomes a data-file name the player finds beside the scene file.
#pragma once

#include <assimp/scene.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

class ModelTextures {
public:
    // `model` (not owned) outlives this; pictures are written to
    // `pictureDir`; the model's own picture files are looked for beside
    // `modelPath`, and embedded ones named after its stem.
    ModelTextures(const aiScene& model, std::string pictureDir,
                  const std::filesystem::path& modelPath);

    // The data-file name of the texture at `path` (as the model names it).
    // Embedded pictures are written beside the output; pictures in formats
    // the player does not read are converted to PNG there; the model's own
    // PNG and JPEG files are copied there. Empty (with a note) for a picture
    // the tool cannot hand on. False with `error` set when a picture cannot
    // be written or its name is longer than the scene file holds. Each path
    // is handed on once.
    bool name(const aiString& path, std::string& name, std::string& error);

private:
    bool embeddedTexture(const std::string& text, std::string& name, std::string& error);
    bool fileTexture(const std::string& text, std::string& name, std::string& error);
    void copyBeside(const std::filesystem::path& source, const std::string& name) const;

    const aiScene& model_;
    std::string pictureDir_;
    std::filesystem::path modelDir_;
    std::string modelName_;  // names the embedded pictures written out
    int embeddedCount_ = 0;
    std::map<std::string, std::string> handedOn_;  // model's texture path -> data-file name
    std::vector<std::string> convertedNames_;      // PNG files written by conversion
};
