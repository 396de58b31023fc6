// Model bytes through the whole import and the scene writer: no crash, no
// undefined behaviour, and any scene made is one the player's reader takes.
#include "data/TextureSource.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scenetool/ModelImport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class AnyTexture : public TextureSource {
public:
    void bind() override {}
};

class AnyTextures : public SceneTextures {
public:
    TextureSource* texture(const std::string&) override { return &texture_; }

private:
    AnyTexture texture_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Embedded pictures go to a scratch folder, never the working directory.
    static const std::string scratch = [] {
        const auto dir = std::filesystem::temp_directory_path() / "dp_fuzz_model_import";
        std::filesystem::create_directories(dir);
        return dir.string();
    }();
    ImportOptions options;
    options.pictureDir = scratch;
    Scene scene;
    std::string error;
    if (!importModelFromMemory(data, size, DP_MODEL_HINT, options, scene, error)) return 0;
    const std::vector<std::uint8_t> bytes = writeScene(scene);
    Scene back;
    AnyTextures textures;
    if (!readScene(bytes.data(), bytes.size(), "fuzz.scene", back, textures, 64, 64)) {
        std::fprintf(stderr, "the reader refused an imported scene\n");
        std::abort();
    }
    return 0;
}
