#include "scenetool/SceneSummary.h"

#include "base/RegularFile.h"
#include "data/DataFile.h"
#include "data/TextureSource.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

namespace {

class NamedTexture : public TextureSource {
public:
    void bind() override {}
};

// Every requested texture is handed out, so a scene whose pictures are
// missing is still summarised; the summary says which are missing.
class SummaryTextures : public SceneTextures {
public:
    TextureSource* texture(const std::string& name) override {
        std::unique_ptr<NamedTexture>& made = textures_[name];
        if (!made) made = std::make_unique<NamedTexture>();
        return made.get();
    }

private:
    std::map<std::string, std::unique_ptr<NamedTexture>> textures_;
};

const char* lightKind(const Light& light) {
    if (light.kind == 3) return "directional";
    return light.spotCutoff < 3.14f ? "spot" : "point";
}

}  // namespace

bool summariseScene(const std::string& path, std::ostream& out, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!readRegularFile(path, kLargestSceneFile, bytes, error)) return false;
    Scene scene;
    SummaryTextures textures;
    if (!readScene(bytes.data(), bytes.size(), dataFileBaseName(path), scene, textures, 640, 480)) {
        error = path + " is not a scene file the player reads (the reader's message is above)";
        return false;
    }

    out << "lights: " << scene.lights.size() << "\n";
    for (std::size_t i = 0; i < scene.lights.size(); ++i) {
        const Light& light = scene.lights[i];
        out << "  " << i << ": " << lightKind(light)
            << (light.castsShadows ? ", casts shadows" : ", no shadows") << "\n";
    }
    out << "materials: " << scene.materials.size() << "\n";
    out << "textures: " << scene.textureNames.size() << "\n";
    for (const std::string& name : scene.textureNames)
        out << "  " << name << (dataFileSize(name) > 0 ? ": found" : ": NOT FOUND") << "\n";
    out << "views: " << scene.views.size() << "\n";
    for (std::size_t i = 0; i < scene.views.size(); ++i) {
        const View& view = scene.views[i];
        out << "  " << i << ": \"" << view.name << "\", vertical field of view "
            << view.fieldOfView.value * 180.0f / 3.14159265f << " degrees"
            << (view.transform.isAnimated() ? ", animated" : "") << "\n";
    }
    std::size_t faces = 0;
    for (const Mesh& mesh : scene.meshes) faces += mesh.faces.size();
    out << "meshes: " << scene.meshes.size() << " (" << faces << " faces)\n";
    for (std::size_t i = 0; i < scene.meshes.size(); ++i) {
        const Transform& t = scene.meshes[i].transform;
        out << "  " << i << ": " << scene.meshes[i].faces.size() << " faces";
        if (t.isAnimated())
            out << ", animated tracks:" << (t.position.isAnimated() ? " position" : "")
                << (t.rotation.isAnimated() ? " rotation" : "")
                << (t.scale.isAnimated() ? " scale" : "");
        out << "\n";
    }
    out << "BSP trees: " << scene.trees.size() << "\n";
    for (std::size_t i = 0; i < scene.trees.size(); ++i) {
        const BspTree& tree = scene.trees[i];
        std::size_t leaves = 0, largest = 0;
        for (const BspNode& node : tree.nodes) {
            if (node.kind != kBspLeafKind) continue;
            ++leaves;
            if (node.leaf >= 0)
                largest = std::max(largest, tree.leaves[std::size_t(node.leaf)].triangles.size());
        }
        out << "  " << i << ": " << tree.triangles.size() << " triangles, depth " << tree.depth()
            << ", " << leaves << " leaves, largest leaf " << largest << " triangles\n";
    }
    return true;
}
