// What an imported model looks like in the player when the model says
// little: a small model is scaled clear of the near plane, normals it lacks
// are made, sheets show from both sides, and a model without camera or
// lights is framed from a three-quarter view and lit so its shading shows.
#include "SceneToolRun.h"

#include "scene/Scene.h"
#include "scenetool/MeshRepair.h"
#include "scenetool/PictureConversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

using namespace scenetooltest;

namespace {

constexpr float kPi = 3.14159265f;

class ImportLook : public ::testing::Test {
protected:
    testsupport::ScratchDir scratch{"importlook"};
    const fs::path& dir() const { return scratch.path(); }

    // Imports `model` (a file in dir()) with `flags` into `scene`.
    ToolRun import(const std::string& model, const std::string& flags, Scene& scene) {
        const ToolRun run = runTool("import " + model + " -o out.scene " + flags, dir());
        RecordedTextures textures;
        if (run.status == 0) {
            EXPECT_TRUE(readBack(dir() / "out.scene", scene, textures));
        }
        return run;
    }
};

// Every vertex of the scene in world coordinates.
std::vector<Vec3> worldCorners(const Scene& scene) {
    std::vector<Vec3> corners;
    for (const Mesh& mesh : scene.meshes)
        for (const Vec3& p : mesh.positions)
            corners.push_back(mesh.transform.position.value +
                              linearTimes(mesh.transform.linear, p));
    return corners;
}

Vec3 forwardOf(const View& view) {
    return normalized(linearTimes(view.transform.linear, {0, 0, -1}));
}

}  // namespace

TEST_F(ImportLook, ASmallModelIsScaledClearOfTheNearPlaneUnlessTheAuthorSaysNot) {
    // A tetrahedron 2 cm across, as many STL and centimetre Collada files are.
    std::ofstream(dir() / "tiny.obj") << "v 0 0 0\nv 0.02 0 0\nv 0 0.02 0\nv 0 0 0.02\n"
                                         "f 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n";
    Scene scaled;
    const ToolRun run = import("tiny.obj", "", scaled);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("scaled by 1000 so the player's near plane"), std::string::npos)
        << run.err;
    const std::vector<Vec3> corners = worldCorners(scaled);
    float largest = 0;
    for (const Vec3& c : corners) largest = std::max({largest, c.x, c.y, c.z});
    EXPECT_NEAR(largest, 20.0f, 1e-3f);
    // The camera stands well beyond the near plane (1 unit) from every corner.
    ASSERT_EQ(scaled.views.size(), 1u);
    const View& view = scaled.views[0];
    for (const Vec3& c : corners)
        EXPECT_GT(dot(c - view.transform.position.value, forwardOf(view)), 5.0f);
    // Lighting does not depend on the scale: the mesh itself is not scaled.
    for (const Mesh& mesh : scaled.meshes) EXPECT_FLOAT_EQ(mesh.transform.scale.value.x, 1.0f);

    Scene kept;
    const ToolRun own = import("tiny.obj", "--scale 1", kept);
    ASSERT_EQ(own.status, 0) << own.err;
    EXPECT_EQ(own.err.find("scaled by"), std::string::npos) << own.err;
    largest = 0;
    for (const Vec3& c : worldCorners(kept)) largest = std::max({largest, c.x, c.y, c.z});
    EXPECT_NEAR(largest, 0.02f, 1e-6f);
}

TEST_F(ImportLook, ZeroNormalsAreMadeFromTheFaces) {
    // An STL-like facet whose stored normal is zero, beside one that is sound.
    std::ofstream(dir() / "flat.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 2 0 0\nv 3 0 0\nv 2 1 0\n"
                                         "vn 0 0 0\nvn 0 0 1\n"
                                         "f 1//1 2//1 3//1\nf 4//2 5//2 6//2\n";
    Scene scene;
    const ToolRun run = import("flat.obj", "--scale 10 --single-sided", scene);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("normals were zero"), std::string::npos) << run.err;
    for (const Mesh& mesh : scene.meshes)
        for (const Face& face : mesh.faces)
            for (std::int32_t n : face.normal) {
                const Vec3 normal = mesh.normals[std::size_t(n)];
                EXPECT_NEAR(normal.z, 1.0f, 1e-5f) << "facing the way its corners wind";
            }
}

TEST(MeshRepair, FacesSharingABadNormalButFacingApartEachGetTheirOwn) {
    Mesh mesh;
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh.normals = {{NAN, 0, 0}};
    Face front, back;
    front.position = {0, 1, 2};
    back.position = {0, 2, 1};
    front.normal = back.normal = {0, 0, 0};
    mesh.faces = {front, back};
    EXPECT_EQ(regenerateBadNormals(mesh), 1u);
    EXPECT_NEAR(mesh.normals[std::size_t(mesh.faces[0].normal[0])].z, 1.0f, 1e-6f);
    EXPECT_NEAR(mesh.normals[std::size_t(mesh.faces[1].normal[0])].z, -1.0f, 1e-6f);
}

TEST_F(ImportLook, DoubleSidedSheetsAreWrittenAgainFacingTheOtherWay) {
    // One triangle in the z = 0 plane, its glTF material double-sided.
    std::ofstream(dir() / "sheet.gltf") << R"({"asset":{"version":"2.0"},"scene":0,
      "scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],
      "meshes":[{"primitives":[{"attributes":{"POSITION":0},"material":0}]}],
      "materials":[{"doubleSided":true}],
      "buffers":[{"byteLength":36,
        "uri":"data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}],
      "bufferViews":[{"buffer":0,"byteLength":36}],
      "accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3",
                    "min":[0,0,0],"max":[1,1,0]}]})";
    Scene scene;
    const ToolRun run = import("sheet.gltf", "--scale 10", scene);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(scene.meshes.size(), 2u) << run.err;
    const Mesh& front = scene.meshes[0];
    const Mesh& back = scene.meshes[1];
    ASSERT_EQ(back.faces.size(), 1u);
    const auto planeZ = [](const Mesh& m) {
        const Face& f = m.faces[0];
        const Vec3 a = m.positions[std::size_t(f.position[0])];
        const Vec3 b = m.positions[std::size_t(f.position[1])];
        const Vec3 c = m.positions[std::size_t(f.position[2])];
        return cross(b - a, c - a).z;
    };
    EXPECT_GT(planeZ(front), 0.0f);
    EXPECT_LT(planeZ(back), 0.0f) << "wound the other way";
    EXPECT_LT(back.normals[std::size_t(back.faces[0].normal[0])].z, -0.99f) << "lit from behind";
    EXPECT_TRUE(front.castsShadows);
    EXPECT_FALSE(back.castsShadows) << "its volume would cancel the front's";

    Scene single;
    ASSERT_EQ(import("sheet.gltf", "--scale 10 --single-sided", single).status, 0);
    EXPECT_EQ(single.meshes.size(), 1u);

    // Modelling programs show an open sheet from behind whatever its
    // material says; a closed body needs no second side.
    std::ofstream(dir() / "open.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 4\nf 1 4 3\n";
    std::ofstream(dir() / "closed.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
                                           "f 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n";
    Scene open, closed;
    ASSERT_EQ(import("open.obj", "--scale 10", open).status, 0);
    EXPECT_EQ(open.meshes.size(), 2u);
    ASSERT_EQ(import("closed.obj", "--scale 10", closed).status, 0);
    EXPECT_EQ(closed.meshes.size(), 1u);
}

TEST_F(ImportLook, AModelWithoutCameraOrLightsIsFramedFromAboveAtAnAngleAndLitToShowShape) {
    // A box 4 x 2 x 2 around (10, 1, 0): y up, as OBJ files are.
    std::ofstream(dir() / "box.obj")
        << "v 8 0 -1\nv 12 0 -1\nv 12 2 -1\nv 8 2 -1\nv 8 0 1\nv 12 0 1\nv 12 2 1\nv 8 2 1\n"
           "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 4 8 7 3\nf 1 5 8 4\nf 2 3 7 6\n";
    Scene scene;
    const ToolRun run = import("box.obj", "", scene);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(scene.views.size(), 1u);
    const View& view = scene.views[0];
    const Vec3 eye = view.transform.position.value;
    const std::vector<Vec3> corners = worldCorners(scene);
    Vec3 low = corners[0], high = corners[0];
    for (const Vec3& c : corners) {
        low = {std::min(low.x, c.x), std::min(low.y, c.y), std::min(low.z, c.z)};
        high = {std::max(high.x, c.x), std::max(high.y, c.y), std::max(high.z, c.z)};
    }
    const Vec3 centre = 0.5f * (low + high);
    const Vec3 toCentre = normalized(centre - eye);
    EXPECT_GT(dot(forwardOf(view), toCentre), 0.9999f) << "looks at the middle";
    const Vec3 away = normalized(eye - centre);
    EXPECT_GT(away.y, 0.4f) << "from above";
    EXPECT_GT(std::fabs(away.x), 0.3f) << "turned from the front";
    EXPECT_GT(away.z, 0.3f) << "but on the front's side";
    // Every corner fits the view, and the sphere is not lost in the middle.
    const float half = 0.5f * view.fieldOfView.value;
    float widest = 0;
    for (const Vec3& c : corners)
        widest =
            std::max(widest, std::acos(std::min(1.0f, dot(normalized(c - eye), forwardOf(view)))));
    EXPECT_LT(widest, half);
    EXPECT_GT(widest, 0.5f * half);
    const Vec3 up = normalized(linearTimes(view.transform.linear, {0, 1, 0}));
    EXPECT_GT(up.y, 0.5f) << "upright";

    // A key light that casts the shadow and a weaker fill from the other
    // side.
    ASSERT_EQ(scene.lights.size(), 2u);
    const Light& key = scene.lights[0];
    const Light& fill = scene.lights[1];
    EXPECT_TRUE(key.castsShadows);
    EXPECT_FALSE(fill.castsShadows);
    EXPECT_LT(fill.diffuse.red, 0.5f * key.diffuse.red);
    const float ambient = key.ambient.red + fill.ambient.red;
    EXPECT_GT(ambient, 0.05f) << "shadowed sides are not black";
    // The brightest a white face can be, over every way it may face.
    const Vec3 toKey = normalized(key.transform.position.value - centre);
    const Vec3 toFill = normalized(fill.transform.position.value - centre);
    float brightest = 0;
    for (int i = 0; i < 64; ++i)
        for (int j = 0; j <= 32; ++j) {
            const float a = 2 * kPi * float(i) / 64, b = kPi * float(j) / 32;
            const Vec3 n{std::sin(b) * std::cos(a), std::cos(b), std::sin(b) * std::sin(a)};
            brightest =
                std::max(brightest, ambient + key.diffuse.red * std::max(0.0f, dot(n, toKey)) +
                                        fill.diffuse.red * std::max(0.0f, dot(n, toFill)));
        }
    // The box's own grey, lit as brightly as it can be, stays short of full
    // white and is not left grey.
    const Face& face = scene.meshes[0].faces[0];
    const float grey = scene.materials[std::size_t(face.material)].ambientDiffuse.red;
    EXPECT_LT(grey * brightest, 0.95f);
    EXPECT_GT(grey * brightest, 0.7f);
    const Vec3 right = normalized(cross(forwardOf(view), up));
    EXPECT_LT(dot(key.transform.position.value - centre, right), 0.0f) << "key on the left";
    EXPECT_GT(dot(fill.transform.position.value - centre, right), 0.0f) << "fill on the right";
    EXPECT_GT(dot(key.transform.position.value - centre, up), 0.0f) << "key from above";
}

TEST_F(ImportLook, AFlatModelIsNotFramedAlongItsEdge) {
    // A sign standing in the plane the three-quarter view would graze: its
    // normal lies across the view direction.
    const float turn = 35.0f * kPi / 180.0f;
    const Vec3 n{std::cos(turn), 0.0f, -std::sin(turn)};  // across the camera's way
    const Vec3 a{std::sin(turn), 0.0f, std::cos(turn)}, b{0, 1, 0};
    std::ofstream obj(dir() / "sign.obj");
    for (const Vec3& p : {Vec3{0, 0, 0}, 20.0f * a, 20.0f * a + 10.0f * b, 10.0f * b})
        obj << "v " << p.x << " " << p.y << " " << p.z << "\n";
    obj << "f 1 2 3 4\n";
    obj.close();
    Scene scene;
    const ToolRun run = import("sign.obj", "", scene);
    ASSERT_EQ(run.status, 0) << run.err;
    const float onto = std::fabs(dot(forwardOf(scene.views[0]), n));
    EXPECT_GT(onto, 0.49f) << "at least 30 degrees onto the sign";
}

TEST(PictureBrightness, RealPicturesDecodeWholeAndTheirBrightestHundredthIsMeasured) {
    // A JPEG decodes to YUV, which the scaler turns into RGBA with vector
    // code: a row width that is no multiple of its block (249 pixels here)
    // must not overrun the picture (the sanitizers watch).
    const std::string jpeg =
        testsupport::slurp(fs::path(DP_ASSIMP_MODELS) / "OBJ" / "SpiderTex.jpg");
    ASSERT_FALSE(jpeg.empty());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(jpeg.data());
    std::string why;
    EXPECT_FALSE(convertPictureToPng(bytes, jpeg.size(), "jpg", why).empty()) << why;
    const float peak = picturePeak(bytes, jpeg.size(), "jpg");
    EXPECT_GT(peak, 0.2f);
    EXPECT_LE(peak, 1.0f);

    // A dark picture with a few glints: the glints do not decide.
    std::vector<std::uint8_t> rgba(4 * 100 * 100, 255);
    for (std::size_t i = 0; i < rgba.size(); i += 4) rgba[i] = rgba[i + 1] = rgba[i + 2] = 100;
    for (int glint = 0; glint < 20; ++glint) rgba[std::size_t(glint) * 4 * 37] = 255;
    const std::vector<std::uint8_t> png = pngOfRgba(rgba.data(), 100, 100);
    EXPECT_NEAR(picturePeak(png.data(), png.size(), "png"), 100.0f / 255.0f, 1e-3f);
}
