// Feeds arbitrary bytes through the scene reader and the post-load pass,
// then animates and ray-queries whatever was accepted, as a scene track
// would. A scene that was read is written and read again: the writer must
// give back bytes that read whole and write the same. Run with
// -close_fd_mask=2 -dict=scene.dict: refused files are logged to standard
// error, which would otherwise slow the fuzzer down.
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/SceneTrees.h"
#include "data/TextureSource.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

class NoTexture : public TextureSource {
public:
    void bind() override {}
};

// Every name gives the same texture, except names starting with "missing".
class FuzzTextures : public SceneTextures {
public:
    TextureSource* texture(const std::string& name) override {
        return name.rfind("missing", 0) == 0 ? nullptr : &texture_;
    }

private:
    NoTexture texture_;
};

void query(const Scene& scene, Vec3 from, Vec3 to) {
    const Vec3 direction = normalized(to - from);
    const float length = std::sqrt(lengthSquared(to - from));
    BspHit hit;
    queryScene(scene, makeRay(from, direction), 0.0f, length - 0.001f, hit);
    queryScene(scene, makeRay(from, direction), 0.0f, 1e30f, hit);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The reader's "numfaces" lines.
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzTextures textures;
    Scene scene;
    if (!readScene(data, size, "fuzz.scn", scene, textures, 320, 200)) return 0;

    const float times[] = {-1.0f, 0.0f, 0.37f, 2.5f, 1e6f};
    for (std::size_t i = 0; i < sizeof times / sizeof times[0]; ++i) {
        if (scene.views.empty()) break;
        View& view = scene.views[i % scene.views.size()];
        updateScene(view, times[i]);
        const Vec3 camera = view.transform.position.value;
        for (std::size_t l = 0; l < scene.lights.size() && l < 4; ++l)
            query(scene, scene.lights[l].transform.position.value, camera);
    }
    query(scene, {0, 0, 10}, {0, 0, -10});
    query(scene, {-100, 0.5f, 0.25f}, {100, 0.5f, 0.25f});
    query(scene, {1, 1, 1}, {1, 1, 1.5f});

    // Written again, the scene reads whole, with every record in place. A
    // slot the reader could not fill keeps defaults whose derived values (a
    // default triangle's axis bytes) the reader computes anew, so bytes are
    // compared from the second writing on.
    std::vector<std::uint8_t> bytes = writeScene(scene);
    for (int generation = 0; generation < 2; ++generation) {
        Scene again;
        const SceneChunksRead read =
            readSceneChunks(bytes.data(), bytes.size(), "again.scn", again, textures, 320, 200);
        if (!read.complete || read.malformed || !checkSceneIndices(again)) std::abort();
        std::vector<std::uint8_t> rewritten = writeScene(again);
        if (rewritten.size() != bytes.size() || (generation == 1 && rewritten != bytes))
            std::abort();
        bytes = std::move(rewritten);
    }
    return 0;
}
