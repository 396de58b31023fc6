// The scene tool run as an author runs it, and its output read back as the
// player reads it: shared by the scene tool's tests.
#pragma once

#include "RunProgram.h"

#include "data/TextureSource.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace scenetooltest {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string out, err;
};

// Runs the tool with `args` (shell words) in `dir`.
inline ToolRun runTool(const std::string& args, const fs::path& dir) {
    const std::string cmd = "cd '" + dir.string() + "' && '" + std::string(DP_SCENE_TOOL) + "' " +
                            args + " >tool.out 2>tool.err </dev/null";
    const int raw = std::system(cmd.c_str());
    ToolRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = testsupport::slurp(dir / "tool.out");
    r.err = testsupport::slurp(dir / "tool.err");
    return r;
}

// Runs the tool as runTool does, killed after `seconds` (status 124 then),
// so a tool that waits for ever fails its test instead of holding the
// suite; standard output goes to `out` (tool.out in `dir` is read back,
// anything else, such as /dev/full, is not).
inline ToolRun runToolWithin(int seconds, const std::string& args, const fs::path& dir,
                             const std::string& out = "tool.out") {
    const std::string cmd = "cd '" + dir.string() + "' && timeout -k 5 " + std::to_string(seconds) +
                            " '" + std::string(DP_SCENE_TOOL) + "' " + args + " >'" + out +
                            "' 2>tool.err </dev/null";
    const int raw = std::system(cmd.c_str());
    ToolRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (out == "tool.out") r.out = testsupport::slurp(dir / "tool.out");
    r.err = testsupport::slurp(dir / "tool.err");
    return r;
}

class AnyTexture : public TextureSource {
public:
    void bind() override {}
};

// Hands every texture out and records the names asked for.
class RecordedTextures : public SceneTextures {
public:
    TextureSource* texture(const std::string& name) override {
        names.push_back(name);
        return &texture_;
    }
    std::vector<std::string> names;

private:
    AnyTexture texture_;
};

// The scene file at `path` read back as the player reads it.
inline ::testing::AssertionResult readBack(const fs::path& path, Scene& scene,
                                           RecordedTextures& textures) {
    const std::string bytes = testsupport::slurp(path);
    if (bytes.empty()) return ::testing::AssertionFailure() << "no file " << path;
    if (!readScene(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                   path.filename().string(), scene, textures, 64, 64))
        return ::testing::AssertionFailure() << "the reader refused " << path;
    return ::testing::AssertionSuccess();
}

inline std::size_t faceCount(const Scene& scene) {
    std::size_t faces = 0;
    for (const Mesh& mesh : scene.meshes) faces += mesh.faces.size();
    return faces;
}

}  // namespace scenetooltest
