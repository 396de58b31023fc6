// demoplayer-scene as an author uses it: models nobody here wrote are
// imported and read back by the player's own reader; a hand-made model pins
// where a turned camera looks; broken input leaves no output behind.
#include "PlayedDemo.h"
#include "SceneToolRun.h"

#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "data/TextureSource.h"

#include <map>
#include <memory>

using namespace pixeltest;
using namespace scenetooltest;

namespace {

const fs::path kModels = DP_ASSIMP_MODELS;

class SceneTool : public ::testing::Test {
protected:
    testsupport::ScratchDir scratch{"scenetool"};
    const fs::path& dir() const { return scratch.path(); }
};

}  // namespace

TEST_F(SceneTool, ObjBoxGetsDefaultCameraAndLightAndReadsBack) {
    const ToolRun r = runTool(
        "import '" + (kModels / "OBJ/box.obj").string() + "' -o box.scene --name Front", dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("no camera"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no light"), std::string::npos) << r.err;
    Scene scene;
    RecordedTextures textures;
    ASSERT_TRUE(readBack(dir() / "box.scene", scene, textures));
    EXPECT_EQ(faceCount(scene), 12u) << "six quads, triangulated";
    ASSERT_EQ(scene.views.size(), 1u);
    EXPECT_EQ(scene.views[0].name, "Front");
    ASSERT_EQ(scene.lights.size(), 2u) << "a key and a fill";
    EXPECT_TRUE(scene.lights[0].castsShadows);
    EXPECT_FALSE(scene.lights[1].castsShadows) << "one shadow per object is enough";
    ASSERT_EQ(scene.trees.size(), 1u);
    EXPECT_EQ(scene.trees[0].triangles.size(), 12u);
    EXPECT_LE(scene.trees[0].depth(), kBspMaxDepth);
    for (const Mesh& mesh : scene.meshes) EXPECT_TRUE(mesh.castsShadows);

    // --no-shadows and --no-default-light.
    ASSERT_EQ(runTool("import '" + (kModels / "OBJ/box.obj").string() +
                          "' -o plain.scene --no-shadows --no-default-light",
                      dir())
                  .status,
              0);
    Scene plain;
    ASSERT_TRUE(readBack(dir() / "plain.scene", plain, textures));
    EXPECT_TRUE(plain.lights.empty());
    for (const Mesh& mesh : plain.meshes) EXPECT_FALSE(mesh.castsShadows);
}

TEST_F(SceneTool, GltfTexturesAreFoundBesideTheOutputWhetherFilesOrEmbedded) {
    ASSERT_EQ(runTool("import '" + (kModels / "glTF2/BoxTextured-glTF/BoxTextured.gltf").string() +
                          "' -o box.scene",
                      dir())
                  .status,
              0);
    ASSERT_EQ(
        runTool("import '" + (kModels / "glTF2/BoxTextured-glTF-Binary/BoxTextured.glb").string() +
                    "' -o boxbin.scene",
                dir())
            .status,
        0);
    for (const char* file : {"box.scene", "boxbin.scene"}) {
        Scene scene;
        RecordedTextures textures;
        ASSERT_TRUE(readBack(dir() / file, scene, textures)) << file;
        EXPECT_EQ(faceCount(scene), 12u) << file;
        ASSERT_EQ(textures.names.size(), 1u) << file;
        EXPECT_TRUE(fs::exists(dir() / textures.names[0])) << textures.names[0];
        EXPECT_TRUE(std::any_of(scene.materials.begin(), scene.materials.end(),
                                [](const Material& m) { return m.texture == 0; }))
            << file;
    }
    // A Half-Life model's skin is embedded as raw texels: written as PNG.
    ASSERT_EQ(runTool("import '" + (kModels / "MDL/MDL (HL1)/chrome_sphere.mdl").string() +
                          "' -o sphere.scene",
                      dir())
                  .status,
              0);
    EXPECT_EQ(testsupport::slurp(dir() / "chrome_sphere-texture0.png").substr(1, 3), "PNG");
    // info finds both pictures from the output's folder.
    const ToolRun info = runTool("info box.scene", dir());
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("CesiumLogoFlat.png: found"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("meshes: 1 (12 faces)"), std::string::npos) << info.out;
}

// The Collada duck's skin is a TGA file: converted to PNG beside the output
// (the right way up), so the played duck is yellow, not white or black.
TEST_F(SceneTool, PicturesThePlayerCannotReadAreConvertedToPng) {
    PlayedDemo demo("scenetool_duck");
    const ToolRun r = runTool(
        "import '" + (kModels / "Collada/duck.dae").string() + "' -o duck.scene", demo.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("converted texture duckCM.tga to duckCM.png"), std::string::npos) << r.err;
    Scene scene;
    RecordedTextures textures;
    ASSERT_TRUE(readBack(demo.dir() / "duck.scene", scene, textures));
    EXPECT_EQ(textures.names, std::vector<std::string>{"duckCM.png"});
    // The leaves the import reports are those the player's insertion fills.
    const BspTree& tree = scene.trees.at(0);
    std::size_t largest = 0;
    for (const BspLeaf& leaf : tree.leaves) largest = std::max(largest, leaf.triangles.size());
    EXPECT_NE(r.err.find(std::to_string(tree.leaves.size()) + " leaves (largest " +
                         std::to_string(largest) + ","),
              std::string::npos)
        << r.err;
    Frame skin;
    ASSERT_TRUE(readFrame(demo.dir() / "duckCM.png", skin));
    EXPECT_TRUE(near(skin.at(390, 120), kBlack, 0)) << "the eye, near the top";
    EXPECT_TRUE(near(skin.at(50, 450), {255, 216, 0}, 0)) << "yellow, near the bottom";
    ASSERT_EQ(demo.play("event e0 timer time=0\nw at e0 scene start file=duck.scene\n", "160x120",
                        4, 0.3),
              0)
        << demo.log();
    const Rgb body = demo.frame(0).at(77, 55);
    EXPECT_TRUE(body[0] > 180 && body[1] > 130 && body[2] < 90)
        << body[0] << "," << body[1] << "," << body[2];
}

TEST_F(SceneTool, ColladaCamerasAndLightsKeepNamesAndKinds) {
    ASSERT_EQ(
        runTool("import '" + (kModels / "Collada/cameras.dae").string() + "' -o c.scene", dir())
            .status,
        0);
    Scene cameras;
    RecordedTextures textures;
    ASSERT_TRUE(readBack(dir() / "c.scene", cameras, textures));
    ASSERT_EQ(cameras.views.size(), 3u);
    EXPECT_EQ(cameras.views[0].name, "Camera");
    // xfov 49.13434 degrees at 16:9 is 28.84 degrees vertically.
    EXPECT_NEAR(cameras.views[0].fieldOfView.value * 180.0f / 3.14159265f, 28.84f, 0.05f);
    for (const View& view : cameras.views) {
        EXPECT_GT(view.fieldOfView.value, 0.0f) << view.name;
        EXPECT_LT(view.fieldOfView.value, 3.1416f) << view.name;
    }

    const ToolRun r =
        runTool("import '" + (kModels / "Collada/lights.dae").string() + "' -o l.scene", dir());
    ASSERT_EQ(r.status, 0) << r.err;
    Scene lights;
    ASSERT_TRUE(readBack(dir() / "l.scene", lights, textures));
    // Point, directional, spot and point; the hemisphere light is skipped with a note.
    ASSERT_EQ(lights.lights.size(), 4u);
    EXPECT_NE(r.err.find("Hemi"), std::string::npos) << r.err;
    EXPECT_EQ(lights.lights[1].kind, 3);
    EXPECT_LT(lights.lights[2].spotCutoff, 1.6f) << "a spot cone";
    EXPECT_FLOAT_EQ(lights.lights[0].spotCutoff, 3.14159274f) << "a point light";
    // Four full lamps that do not fade with distance would wash the model
    // out: together they give what one full light gives, and a little
    // ambient light so that nothing is black.
    float diffuse = 0, ambient = 0;
    for (const Light& light : lights.lights) {
        diffuse += light.diffuse.red;
        ambient += light.ambient.red;
    }
    EXPECT_NEAR(diffuse + ambient, 1.0f, 1e-3f);
    EXPECT_GT(ambient, 0.0f);
    EXPECT_NE(r.err.find("dimmed"), std::string::npos) << r.err;
}

TEST_F(SceneTool, BrokenInputAndOutputGiveClearErrorsAndNoFile) {
    // Points only: no triangle at all.
    ToolRun r =
        runTool("import '" + (kModels / "OBJ/testpoints.obj").string() + "' -o p.scene", dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no triangles"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir() / "p.scene"));

    std::ofstream(dir() / "huge.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 999999999\n";
    r = runTool("import huge.obj -o h.scene", dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("out of range"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir() / "h.scene"));

    // A missing picture still makes a scene the player plays, untextured,
    // with one warning naming it and where it was looked for.
    std::ofstream(dir() / "painted.mtl") << "newmtl paint\nKd 1 1 1\nmap_Kd gone.png\n";
    std::ofstream(dir() / "painted.obj")
        << "mtllib painted.mtl\nusemtl paint\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/1 3/1\n";
    r = runTool("import painted.obj -o painted.scene", dir());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("texture gone.png is not found (looked as named beside " + dir().string()),
              std::string::npos)
        << r.err;
    EXPECT_NE(runTool("info painted.scene", dir()).out.find("textures: 0"), std::string::npos);
    // A picture to convert that does not decode leaves the material plain.
    std::ofstream(dir() / "broken.tga") << "\x00\x00\x02 truncated";
    std::ofstream(dir() / "painted.mtl") << "newmtl paint\nKd 1 1 1\nmap_Kd broken.tga\n";
    r = runTool("import painted.obj -o painted.scene", dir());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("broken.tga does not decode"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir() / "broken.png"));

    std::ofstream(dir() / "junk.obj") << "\x01\x02 not a model \xff\n";
    r = runTool("import junk.obj -o j.scene", dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("junk.obj"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir() / "j.scene"));

    r = runTool("import '" + (kModels / "OBJ/box.obj").string() + "' -o missing/dir/b.scene",
                dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;

    // info refuses what the player refuses.
    std::ofstream(dir() / "bad.scene") << "not a scene";
    r = runTool("info bad.scene", dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("fileRead: Wrong file version"), std::string::npos) << r.out;
    std::size_t leftovers = 0;
    for (const auto& entry : fs::directory_iterator(dir()))
        leftovers += entry.path().filename().string().rfind(".", 0) == 0;
    EXPECT_EQ(leftovers, 0u) << "no temporary file is left";
}

// A red quad at +x and a green one at -x, both glowing and facing the
// origin; the model's camera at the origin is turned -90 degrees about y,
// which turns its view from -z to +x: the player must show red. The green
// quad slides along z for a second: its keys are resampled at 30 Hz.
TEST_F(SceneTool, CameraTurnedAboutTheVerticalSeesTheObjectOnThatSide) {
    PlayedDemo demo("scenetool_turn");
    const float corners[4][3] = {{5, -2, -2}, {5, -2, 2}, {5, 2, 2}, {5, 2, -2}};
    const std::uint16_t indices[12] = {0, 1, 2, 0, 2, 3, 0, 2, 1, 0, 3, 2};  // both sides
    {
        std::ofstream bin(demo.dir() / "quad.bin", std::ios::binary);
        bin.write(reinterpret_cast<const char*>(corners), sizeof corners);
        bin.write(reinterpret_cast<const char*>(indices), sizeof indices);
        const float times[2] = {0, 1}, slide[2][3] = {{-10, 0, 0}, {-10, 0, -3}};
        bin.write(reinterpret_cast<const char*>(times), sizeof times);
        bin.write(reinterpret_cast<const char*>(slide), sizeof slide);
    }
    std::ofstream(demo.dir() / "turn.gltf") << R"({
  "asset": {"version": "2.0"},
  "scene": 0,
  "scenes": [{"nodes": [0, 1, 2]}],
  "nodes": [
    {"mesh": 0},
    {"mesh": 1, "translation": [-10, 0, 0]},
    {"camera": 0, "rotation": [0, -0.70710678, 0, 0.70710678]}],
  "cameras": [{"type": "perspective",
               "perspective": {"yfov": 1.2, "aspectRatio": 1, "znear": 0.1, "zfar": 100}}],
  "meshes": [
    {"primitives": [{"attributes": {"POSITION": 0}, "indices": 1, "material": 0}]},
    {"primitives": [{"attributes": {"POSITION": 0}, "indices": 1, "material": 1}]}],
  "materials": [
    {"pbrMetallicRoughness": {"baseColorFactor": [0, 0, 0, 1]}, "emissiveFactor": [1, 0, 0]},
    {"pbrMetallicRoughness": {"baseColorFactor": [0, 0, 0, 1]}, "emissiveFactor": [0, 1, 0]}],
  "animations": [{"channels": [{"sampler": 0, "target": {"node": 1, "path": "translation"}}],
                  "samplers": [{"input": 2, "output": 3, "interpolation": "LINEAR"}]}],
  "buffers": [{"uri": "quad.bin", "byteLength": 104}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 48},
                  {"buffer": 0, "byteOffset": 48, "byteLength": 24},
                  {"buffer": 0, "byteOffset": 72, "byteLength": 8},
                  {"buffer": 0, "byteOffset": 80, "byteLength": 24}],
  "accessors": [
    {"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3",
     "min": [5, -2, -2], "max": [5, 2, 2]},
    {"bufferView": 1, "componentType": 5123, "count": 12, "type": "SCALAR"},
    {"bufferView": 2, "componentType": 5126, "count": 2, "type": "SCALAR", "min": [0], "max": [1]},
    {"bufferView": 3, "componentType": 5126, "count": 2, "type": "VEC3"}]
})";
    const ToolRun r = runTool(
        "import turn.gltf -o turn.scene --no-default-light --scale 1 --single-sided", demo.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    Scene scene;
    RecordedTextures textures;
    ASSERT_TRUE(readBack(demo.dir() / "turn.scene", scene, textures));
    ASSERT_EQ(scene.meshes.size(), 2u);
    EXPECT_FALSE(scene.meshes[0].isAnimated());
    const VectorTrack& slide = scene.meshes[1].transform.position;
    ASSERT_TRUE(slide.isAnimated());
    EXPECT_EQ(slide.keys.size(), 31u);
    EXPECT_NEAR(slide.keys[15].value.z, -1.5f, 1e-3f) << "linear between the model's keys";
    EXPECT_NEAR(slide.keys.back().value.z, -3.0f, 1e-4f);
    EXPECT_EQ(scene.trees.size(), 2u) << "the moving quad gets a tree of its own";
    EXPECT_NEAR(scene.views[0].fieldOfView.value, 1.2f, 1e-4f) << "the model's yfov";
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "w at e0 scene start file=turn.scene shadows=0\n",
                        "64x64", 4, 0.5),
              0)
        << demo.log();
    EXPECT_TRUE(near(demo.frame(0).at(32, 32), kRed, 8)) << "the +x quad in the middle";
    EXPECT_TRUE(near(demo.frame(0).at(2, 2), kBlack, 8)) << "around it";
}

namespace {

// A B3D file (chunks of a tag, the body's length and the body, nested): a
// tetrahedron whose node is keyed at frames 1 and `lastKey`, moving 5 units
// along x, in an animation said to last `statedFrames` frames at 25 a second.
std::string keyedB3d(std::int32_t lastKey, std::int32_t statedFrames) {
    std::string bytes;
    auto ints = [&](std::initializer_list<std::int32_t> values) {
        for (std::int32_t v : values) bytes.append(reinterpret_cast<const char*>(&v), 4);
    };
    auto floats = [&](std::initializer_list<float> values) {
        for (float v : values) bytes.append(reinterpret_cast<const char*>(&v), 4);
    };
    std::vector<std::size_t> open;
    auto begin = [&](const char* tag) {
        bytes += tag;
        open.push_back(bytes.size());
        ints({0});
    };
    auto end = [&] {
        const std::int32_t length = std::int32_t(bytes.size() - open.back() - 4);
        bytes.replace(open.back(), 4, reinterpret_cast<const char*>(&length), 4);
        open.pop_back();
    };
    begin("BB3D"), ints({1});
    begin("NODE"), bytes += std::string("box", 4), floats({0, 0, 0, 1, 1, 1, 1, 0, 0, 0});
    begin("MESH"), ints({-1});
    begin("VRTS"), ints({0, 0, 0}), floats({0, 0, 0, 10, 0, 0, 0, 10, 0, 0, 0, 10}), end();
    begin("TRIS"), ints({-1, 0, 1, 2, 0, 2, 3, 0, 3, 1, 1, 3, 2}), end();
    end();
    begin("KEYS"), ints({1, 1}), floats({0, 0, 0}), ints({lastKey}), floats({5, 0, 0}), end();
    begin("ANIM"), ints({0, statedFrames}), floats({25}), end();
    end();
    end();
    return bytes;
}

}  // namespace

// Blender's B3D exporter, as games ship its files, keys an animation one
// frame past the length it states; the library's validation refuses that.
// The import stretches the length to the last key and keeps the motion.
TEST_F(SceneTool, AnAnimationKeyedPastItsStatedLengthIsImportedWhole) {
    std::ofstream(dir() / "keyed.b3d", std::ios::binary) << keyedB3d(4, 3);
    const ToolRun r = runTool("import keyed.b3d -o keyed.scene --scale 1", dir());
    ASSERT_EQ(r.status, 0) << r.err;
    Scene scene;
    RecordedTextures textures;
    ASSERT_TRUE(readBack(dir() / "keyed.scene", scene, textures));
    ASSERT_EQ(scene.meshes.size(), 1u);
    const VectorTrack& slide = scene.meshes[0].transform.position;
    ASSERT_TRUE(slide.isAnimated());
    EXPECT_NEAR(std::fabs(slide.keys.back().value.x - slide.keys.front().value.x), 5.0f, 1e-3f)
        << "the motion up to the last key is kept";

    // A key months away is kept to the first hour, not resampled into
    // billions of keys.
    std::ofstream(dir() / "long.b3d", std::ios::binary) << keyedB3d(2'000'000'000, 3);
    const ToolRun longer = runTool("import long.b3d -o long.scene --scale 1", dir());
    ASSERT_EQ(longer.status, 0) << longer.err;
    EXPECT_NE(longer.err.find("only its first 3600 s are kept"), std::string::npos) << longer.err;
    ASSERT_TRUE(readBack(dir() / "long.scene", scene, textures));
    EXPECT_EQ(scene.meshes[0].transform.position.keys.size(), 108'001u);
}

// A white floor of 20 x 20 quads (lit per vertex, so it needs the vertices)
// seen from straight above, and a spot light at (3, 5, 0) aimed down with a
// 0.3 radian cone: the right side of the picture is lit, its mirror is not.
TEST_F(SceneTool, SpotLightConeLandsWhereTheModelAimsIt) {
    PlayedDemo demo("scenetool_spot");
    constexpr int kSide = 20;
    std::vector<float> corners;
    std::vector<std::uint16_t> indices;
    for (int j = 0; j <= kSide; ++j)
        for (int i = 0; i <= kSide; ++i)
            corners.insert(corners.end(), {float(i - 10), 0.0f, float(j - 10)});
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) {
            const auto a = std::uint16_t(j * (kSide + 1) + i), b = std::uint16_t(a + kSide + 1);
            indices.insert(indices.end(), {a, b, std::uint16_t(b + 1), a, std::uint16_t(b + 1),
                                           std::uint16_t(a + 1)});  // facing +y
        }
    const std::size_t cornerBytes = corners.size() * 4, indexBytes = indices.size() * 2;
    {
        std::ofstream bin(demo.dir() / "floor.bin", std::ios::binary);
        bin.write(reinterpret_cast<const char*>(corners.data()), std::streamsize(cornerBytes));
        bin.write(reinterpret_cast<const char*>(indices.data()), std::streamsize(indexBytes));
    }
    std::ofstream(demo.dir() / "spot.gltf")
        << R"({"asset": {"version": "2.0"}, "scene": 0,
  "extensionsUsed": ["KHR_lights_punctual"],
  "extensions": {"KHR_lights_punctual": {"lights": [
    {"type": "spot", "color": [1, 1, 1], "intensity": 1,
     "spot": {"innerConeAngle": 0.25, "outerConeAngle": 0.3}}]}},
  "scenes": [{"nodes": [0, 1, 2]}],
  "nodes": [
    {"mesh": 0},
    {"camera": 0, "translation": [0, 10, 0], "rotation": [-0.70710678, 0, 0, 0.70710678]},
    {"translation": [3, 5, 0], "rotation": [-0.70710678, 0, 0, 0.70710678],
     "extensions": {"KHR_lights_punctual": {"light": 0}}}],
  "cameras": [{"type": "perspective",
               "perspective": {"yfov": 1.2, "aspectRatio": 1, "znear": 0.1, "zfar": 100}}],
  "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "indices": 1, "material": 0}]}],
  "materials": [{"pbrMetallicRoughness": {"baseColorFactor": [1, 1, 1, 1]}}],
  "buffers": [{"uri": "floor.bin", "byteLength": )"
        << cornerBytes + indexBytes << R"(}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": )"
        << cornerBytes << R"(},
                  {"buffer": 0, "byteOffset": )"
        << cornerBytes << R"(, "byteLength": )" << indexBytes << R"(}],
  "accessors": [
    {"bufferView": 0, "componentType": 5126, "count": )"
        << corners.size() / 3 << R"(, "type": "VEC3",
     "min": [-10, 0, -10], "max": [10, 0, 10]},
    {"bufferView": 1, "componentType": 5123, "count": )"
        << indices.size() << R"(, "type": "SCALAR"}]})";
    const ToolRun r = runTool("import spot.gltf -o spot.scene --no-shadows", demo.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    Scene scene;
    RecordedTextures textures;
    ASSERT_TRUE(readBack(demo.dir() / "spot.scene", scene, textures));
    ASSERT_EQ(scene.lights.size(), 1u);
    EXPECT_EQ(scene.lights[0].kind, 2);
    EXPECT_FLOAT_EQ(scene.lights[0].spotCutoff, 0.3f);
    EXPECT_NEAR(scene.views[0].transform.position.value.y, 10.0f, 1e-4f) << "the node's height";
    EXPECT_NEAR(scene.views[0].transform.position.value.z, 0.0f, 1e-4f) << "counted once";
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "w at e0 scene start file=spot.scene\n",
                        "64x64", 4, 0.5),
              0)
        << demo.log();
    const Frame frame = demo.frame(0);
    // x = +3 is 3 / (10 tan 0.6) of the half width right of the middle.
    const Rgb lit = frame.at(46, 32), mirror = frame.at(18, 32);
    EXPECT_GT(lit[0], mirror[0] + 60)
        << "lit (" << lit[0] << ") against mirror (" << mirror[0] << ")";
    EXPECT_GT(lit[0], frame.at(46, 8)[0] + 60) << "outside the cone, above";
}
