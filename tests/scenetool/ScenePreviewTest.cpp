// demoplayer-scene preview as an author uses it: scenes made here in code,
// written as scene files and drawn by the tool into PNG files that are read
// back as pixels a viewer would see.
#include "PlayedDemo.h"
#include "SceneToolRun.h"

#include "scene/Scene.h"
#include "scene/SceneFile.h"

#include <fstream>
#include <memory>
#include <utility>

using namespace pixeltest;
using namespace scenetooltest;

namespace {

// Appends a box of half sides `half` around `centre` to `mesh`: outward
// normals, corners counter-clockwise seen from outside, material 0, each
// face's texture coordinates spanning the whole picture.
void addBox(Mesh& mesh, Vec3 centre, Vec3 half) {
    if (mesh.texCoords.empty()) mesh.texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    // Each side: its outward axis and sign, and two in-plane axes.
    for (int axis = 0; axis < 3; ++axis)
        for (const float sign : {1.0f, -1.0f}) {
            const int u = (axis + 1) % 3, v = (axis + 2) % 3;
            auto corner = [&](float a, float b) {
                float p[3] = {centre.x, centre.y, centre.z};
                const float h[3] = {half.x, half.y, half.z};
                p[axis] += sign * h[axis];
                p[u] += a * h[u];
                p[v] += b * sign * h[v];  // mirrored on the far side: stays counter-clockwise
                return Vec3{p[0], p[1], p[2]};
            };
            const auto first = std::int32_t(mesh.positions.size());
            mesh.positions.insert(mesh.positions.end(),
                                  {corner(-1, -1), corner(1, -1), corner(1, 1), corner(-1, 1)});
            float n[3] = {0, 0, 0};
            n[axis] = sign;
            const auto normal = std::int32_t(mesh.normals.size());
            mesh.normals.push_back({n[0], n[1], n[2]});
            for (const auto& tri : {std::array<int, 3>{0, 1, 2}, std::array<int, 3>{0, 2, 3}}) {
                Face face;
                face.material = 0;
                for (int k = 0; k < 3; ++k) {
                    face.position[std::size_t(k)] = first + tri[std::size_t(k)];
                    face.texCoord[std::size_t(k)] = tri[std::size_t(k)];
                    face.normal[std::size_t(k)] = normal;
                }
                mesh.faces.push_back(face);
            }
        }
}

// A scene of one material of grey `grey`, one positional light at `light`
// with a little ambient, no meshes yet and the views `views`, which look
// down -z from where they are.
std::unique_ptr<Scene> litScene(float grey, Vec3 light,
                                const std::vector<std::pair<std::string, Vec3>>& views) {
    auto scene = std::make_unique<Scene>();
    Material material;
    material.ambientDiffuse = {grey, grey, grey};
    material.specular = {0, 0, 0};
    scene->materials.push_back(material);
    Light lamp;
    lamp.transform.position.value = light;
    lamp.ambient = {0.1f, 0.1f, 0.1f};
    lamp.diffuse = {1, 1, 1};
    lamp.specular = {0, 0, 0};
    scene->lights.push_back(lamp);
    scene->meshes.emplace_back();
    scene->views.clear();
    for (const auto& [name, position] : views) {
        scene->views.emplace_back();
        scene->views.back().name = name;
        scene->views.back().transform.position.value = position;
        scene->views.back().fieldOfView.value = 0.9f;
    }
    return scene;
}

void writeSceneBytes(const Scene& scene, const fs::path& path) {
    const std::vector<std::uint8_t> bytes = writeScene(scene);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A grey cube of side 2 at the origin with the light at (-4, 0, 6): its
// front (+z) side faces the light, its +x side faces away, its -x side
// faces it. "Front" looks from (3, 0, 9), so it sees the front and the unlit
// +x side left of the middle; "Left" looks from (-3, 0, 9) and sees the cube
// right of the middle. The cube rises out of sight in its first second.
// `texture`, when given, paints the cube.
void writeCubeScene(const fs::path& path, const std::string& texture = "") {
    const auto scene = litScene(0.8f, {-4, 0, 6}, {{"Front", {3, 0, 9}}, {"Left", {-3, 0, 9}}});
    if (!texture.empty()) {
        scene->materials[0].texture = 0;
        scene->textureNames.push_back(texture);
    }
    addBox(scene->meshes[0], {0, 0, 0}, {1, 1, 1});
    scene->meshes[0].transform.position = {{0, 0, 0}, true, {{0, {0, 0, 0}}, {1, {0, 10, 0}}}};
    writeSceneBytes(*scene, path);
}

// A cube hovering 0.9 above a wide floor slab, the light 6 above the cube,
// seen from the side at the cube's height: the floor fills the lower half of
// the picture, and the cube's shadow on it is wider than the cube.
void writeFloorScene(const fs::path& path) {
    const auto scene = litScene(1.0f, {0, 6, 0}, {{"Side", {0, 0, 9}}});
    addBox(scene->meshes[0], {0, 0, 0}, {1, 1, 1});
    addBox(scene->meshes[0], {0, -2, 0}, {6, 0.1f, 6});
    writeSceneBytes(*scene, path);
}

int brightness(const Rgb& c) {
    return c[0] + c[1] + c[2];
}

class ScenePreview : public ::testing::Test {
protected:
    void SetUp() override {
        if (testsupport::testRendererName() != "gl1")
            GTEST_SKIP() << "the scene tool's preview cannot be told a renderer: it always "
                            "draws with gl1, which the gl1 run checks";
    }
    testsupport::ScratchDir scratch{"scenepreview"};
    const fs::path& dir() const { return scratch.path(); }

    // The picture at `name` in the scratch folder.
    Frame shot(const std::string& name) const {
        Frame f;
        EXPECT_TRUE(readFrame(dir() / name, f)) << name;
        return f;
    }
};

}  // namespace

TEST_F(ScenePreview, DrawsTheLitAndUnlitSidesFromTheChosenCamera) {
    writeCubeScene(dir() / "cube.scene");
    ToolRun r = runTool("preview cube.scene -o front.png", dir());
    ASSERT_EQ(r.status, 0) << r.err;
    const Frame front = shot("front.png");
    ASSERT_EQ(front.width, 640);
    ASSERT_EQ(front.height, 480);
    // From "Front" the cube's front side spans about x 72 to 196, then its
    // +x side, turned away from the light, to about x 221.
    const Rgb lit = front.at(130, 240), unlit = front.at(208, 240);
    EXPECT_GT(brightness(lit), brightness(unlit) + 150)
        << "lit " << lit[0] << ", unlit " << unlit[0];
    EXPECT_GT(brightness(unlit), 0) << "the light's ambient reaches the turned side";
    EXPECT_TRUE(near(front.at(500, 240), kBlack, 0)) << "nothing right of the cube";
    EXPECT_TRUE(near(front.at(5, 5), kBlack, 0)) << "nor in the corner";

    // Another view by name, ignoring case: the cube moves right of the middle.
    r = runTool("preview cube.scene -o left.png --camera left --size 320x240", dir());
    ASSERT_EQ(r.status, 0) << r.err;
    const Frame left = shot("left.png");
    ASSERT_EQ(left.width, 320);
    ASSERT_EQ(left.height, 240);
    EXPECT_TRUE(near(left.at(65, 120), kBlack, 0)) << "where Front showed the cube";
    EXPECT_GT(brightness(left.at(253, 120)), 150) << "the lit front, seen from the left";

    // The scene's clock: by its second the cube has risen out of the picture.
    r = runTool("preview cube.scene -o later.png --time 1", dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(near(shot("later.png").at(130, 240), kBlack, 0));
    EXPECT_NE(r.err.find("all black"), std::string::npos) << r.err;

    // A name no view has is refused with the names there are.
    r = runTool("preview cube.scene -o none.png --camera Back", dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("\"Back\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\"Front\", \"Left\""), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir() / "none.png"));
}

// The picture is the right way up, and shadows are drawn only when asked
// for.
TEST_F(ScenePreview, FloorIsBelowAndTheCubeShadowsItOnlyWithShadows) {
    writeFloorScene(dir() / "floor.scene");
    ToolRun r = runTool("preview floor.scene -o plain.png", dir());
    ASSERT_EQ(r.status, 0) << r.err;
    r = runTool("preview floor.scene -o shadow.png --shadows", dir());
    ASSERT_EQ(r.status, 0) << r.err;
    const Frame plain = shot("plain.png"), shadow = shot("shadow.png");
    EXPECT_GT(brightness(plain.at(320, 450)), 300) << "the lit floor near the camera";
    EXPECT_TRUE(near(plain.at(320, 30), kBlack, 0)) << "nothing above";
    // Just in front of the cube: the light is so close that the shadow
    // reaches out beyond the cube's foot.
    const Rgb under = plain.at(320, 340), shaded = shadow.at(320, 340);
    EXPECT_GT(brightness(under), 300) << "lit without shadows";
    EXPECT_LT(brightness(shaded), brightness(under) / 3) << "in the cube's shadow";
    EXPECT_GT(brightness(shadow.at(320, 450)), 300) << "the floor in front stays lit";
}

// Texture names are data-file names found beside the scene, wherever the
// tool runs from; the picture goes where -o says from where the tool runs.
TEST_F(ScenePreview, TexturesAreFoundBesideTheSceneAndAMissingOneFails) {
    fs::create_directories(dir() / "out");
    writePng(dir() / "out" / "red.png", 8, 8, false, [](int, int) { return Rgba{255, 0, 0, 255}; });
    writeCubeScene(dir() / "out" / "painted.scene", "red.png");
    ToolRun r = runTool("preview out/painted.scene -o painted.png --size 160x120", dir());
    ASSERT_EQ(r.status, 0) << r.err;
    const Rgb front = shot("painted.png").at(33, 60);
    EXPECT_GT(front[0], 120) << "the lit red side";
    EXPECT_LT(front[1] + front[2], 20) << front[1] << ", " << front[2];

    writeCubeScene(dir() / "out" / "bare.scene", "gone.png");
    r = runTool("preview out/bare.scene -o bare.png", dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("gone.png not found"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir() / "bare.png"));
    EXPECT_FALSE(fs::exists(dir() / "out" / "bare.png"));
}

TEST_F(ScenePreview, BadArgumentsAndFilesAreRefused) {
    writeCubeScene(dir() / "cube.scene");
    for (const char* size : {"0x10", "64", "64x48x2", "9000x10"})
        EXPECT_EQ(runTool(std::string("preview cube.scene -o s.png --size ") + size, dir()).status,
                  2)
            << size;
    EXPECT_EQ(runTool("preview cube.scene -o s.png --time soon", dir()).status, 2);
    EXPECT_EQ(runTool("preview cube.scene", dir()).status, 2) << "no -o";

    std::ofstream(dir() / "bad.scene") << "not a scene";
    ToolRun r = runTool("preview bad.scene -o s.png", dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Wrong file version"), std::string::npos) << r.err;
    r = runTool("preview missing.scene -o s.png", dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.scene"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir() / "s.png"));
}
