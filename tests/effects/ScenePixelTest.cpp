// Scene tracks as a viewer and an author see them: the real binary plays a
// script with a scene track headless, and reviews scripts that name scene
// files it could not load or start.
#include "PlayedDemo.h"

#include "scene/Scene.h"
#include "scene/SceneFile.h"

using namespace pixeltest;

namespace {

// A 4 x 4 quad facing +z at z = 0 in material `material`.
Mesh quad(int material) {
    Mesh mesh;
    mesh.positions = {{-2, -2, 0}, {2, -2, 0}, {2, 2, 0}, {-2, 2, 0}};
    mesh.normals = {{0, 0, 1}};
    mesh.texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const std::array<std::int32_t, 3>& corners :
         {std::array<std::int32_t, 3>{0, 1, 2}, std::array<std::int32_t, 3>{0, 2, 3}}) {
        Face face;
        face.position = corners;
        face.texCoord = corners;
        face.normal = {0, 0, 0};
        face.material = material;
        mesh.faces.push_back(face);
    }
    return mesh;
}

// A scene of one quad glowing in `emission`, seen from (0, 0, 10) with a
// right angle of view by the views named in `views`; with `texture` the
// quad's material names that picture.
void writeQuadScene(const fs::path& file, Colour emission, std::vector<std::string> views,
                    const std::string& texture = {}) {
    Scene scene;
    Material glow;
    glow.emission = emission;
    glow.ambientDiffuse = {0, 0, 0};
    glow.specular = {0, 0, 0};
    if (!texture.empty()) {
        scene.textureNames.push_back(texture);
        glow.texture = 0;
    }
    scene.materials.push_back(glow);
    scene.meshes.push_back(quad(0));
    scene.views.resize(views.size());
    for (std::size_t i = 0; i < views.size(); ++i) {
        View& view = scene.views[i];
        view.name = views[i];
        view.transform.position.value = {0, 0, 10};
        view.fieldOfView.value = 1.5707964f;
    }
    const std::vector<std::uint8_t> bytes = writeScene(scene);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace

TEST(ScenePixels, SceneTrackDrawsItsViewUnderPicturesUntilStopped) {
    PlayedDemo demo("scene");
    writeQuadScene(demo.dir() / "glow.scn", {1, 0, 0}, {"Front"});
    // The picture track is written first but draws over the scene (50 < 100).
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e1 timer time=1\n"
                        "pic at e0 image start bitmap=blue.png width=0.25 height=0.25 x=0.25\n"
                        "w at e0 scene start file=glow.scn camera=FRONT shadows=1\n"
                        "w at e1 scene stop\n",
                        "64x64", 4, 2),
              0)
        << demo.log();
    // The quad fills the middle fifth of the view.
    EXPECT_TRUE(near(demo.frame(0).at(32, 32), kRed)) << "emission only";
    EXPECT_TRUE(near(demo.frame(0).at(4, 4), kBlack)) << "around the quad";
    EXPECT_TRUE(near(demo.frame(0).at(48, 32), kBlue)) << "the picture over the scene";
    EXPECT_TRUE(near(demo.frame(6).at(32, 32), kBlack)) << "after stop";
    EXPECT_NE(demo.log().find("Progress bar: 100"), std::string::npos) << demo.log();
}

// F1 makes the window and its context again: the scene, its compiled meshes
// and the picture are drawn in the new context as before the switch (the
// old context's renderer must not take the new one's objects with it).
TEST(ScenePixels, AFullScreenSwitchDrawsTheSameFramesInTheNewContext) {
    PlayedDemo demo("switch");
    writeQuadScene(demo.dir() / "glow.scn", {1, 0, 0}, {"Front"});
    const std::string script =
        "event e0 timer time=0\n"
        "pic at e0 image start bitmap=blue.png width=0.25 height=0.25 x=0.25\n"
        "w at e0 scene start file=glow.scn camera=FRONT shadows=1\n";
    ::setenv("DEMOPLAYER_TEST_ACTIONS", "2:fullscreen,4:fullscreen", 1);
    const int status = demo.play(script, "64x64", 4, 2);
    ::unsetenv("DEMOPLAYER_TEST_ACTIONS");
    ASSERT_EQ(status, 0) << demo.log();
    for (int k : {1, 3, 5, 7}) {
        SCOPED_TRACE(k);
        EXPECT_TRUE(near(demo.frame(k).at(32, 32), kRed)) << demo.log();
        EXPECT_TRUE(near(demo.frame(k).at(48, 32), kBlue));
        EXPECT_TRUE(near(demo.frame(k).at(4, 4), kBlack));
    }
}

TEST(SceneReview, VerifyNamesMissingAndUnloadableScenesAtTheirStatements) {
    PlayedDemo demo("scenereview");
    writeQuadScene(demo.dir() / "glow.scn", {1, 0, 0}, {"Front"});
    writeQuadScene(demo.dir() / "walled.scn", {1, 0, 0}, {"Front"}, "wall.png");
    writeQuadScene(demo.dir() / "painted.scn", {1, 0, 0}, {"Front"}, "red.png");
    writeQuadScene(demo.dir() / "blind.scn", {1, 0, 0}, {});
    const int status = demo.run(
        "event a timer time=0\n"
        "t1 at a scene start file=glow.scn\n"
        "t2 at a scene start file=absent.scn\n"
        "t3 at a scene start file=walled.scn\n"
        "t4 at a scene start file=painted.scn\n"
        "t5 at a scene start file=blind.scn\n"
        "t6 at a scene start file=absent.scn\n",
        "--verify --quiet");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(demo.log(),
              "Error in data\\demo.qsc, line 3, pos 20: Scene absent.scn not found\n"
              "Error in data\\demo.qsc, line 4, pos 20: Scene walled.scn cannot be read: picture "
              "wall.png not found\n"
              "Error in data\\demo.qsc, line 6, pos 20: Scene blind.scn has no camera to look "
              "through\n"
              "Presentation has faults\n");
}
