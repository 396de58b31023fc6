// Pictures found as modelling tools find them: a model the test writes names
// its textures each way real models do (Windows separators, the author's
// absolute folders, Blender's "//", the wrong letter case, a game's root,
// another extension), and the import hands every one of them on; what cannot
// be had leaves its material untextured, never a scene the player refuses.
#include "SceneToolRun.h"

#include "scene/Scene.h"
#include "scenetool/PictureConversion.h"
#include "scenetool/TextureSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A 2x2 PNG of one colour; `shade` tells pictures apart by their bytes.
void writePicture(const fs::path& path, std::uint8_t shade) {
    fs::create_directories(path.parent_path());
    const std::vector<std::uint8_t> rgba(16, shade);
    const std::vector<std::uint8_t> png = pngOfRgba(rgba.data(), 2, 2);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
}

// An OBJ with one triangle per material, material k named "m<k>" with the
// texture `names[k]` and diffuse colour (k/10, 0.5, 0.25).
void writeModel(const fs::path& obj, const std::vector<std::string>& names) {
    fs::create_directories(obj.parent_path());
    std::ofstream mtl(fs::path(obj).replace_extension(".mtl"));
    std::ofstream out(obj);
    out << "mtllib " << fs::path(obj).replace_extension(".mtl").filename().string() << "\n";
    out << "vt 0 0\n";
    for (std::size_t k = 0; k < names.size(); ++k) {
        mtl << "newmtl m" << k << "\nKd " << float(k) / 10.0f << " 0.5 0.25\nmap_Kd " << names[k]
            << "\n";
        const float x = float(k) * 2.0f;
        out << "v " << x << " 0 0\nv " << x + 1 << " 0 0\nv " << x << " 1 0\n";
        out << "usemtl m" << k << "\nf " << 3 * k + 1 << "/1 " << 3 * k + 2 << "/1 " << 3 * k + 3
            << "/1\n";
    }
}

struct Imported {
    bool ok = false;
    std::string log;  // what the import said on standard error
    Scene scene;
    // The data-file name each material got ("" = untextured), by material.
    std::vector<std::string> textureOf;
};

// Imports `model` into `out`/m.scene at the model's own size, with `flags`
// (shell words) added, and reads the scene back.
void import(const fs::path& model, const fs::path& out, const std::string& flags,
            Imported& result) {
    fs::create_directories(out);
    const scenetooltest::ToolRun run = scenetooltest::runTool(
        "import '" + model.string() + "' -o m.scene --scale 1 " + flags, out);
    result.log = run.err;
    scenetooltest::RecordedTextures textures;
    result.ok = run.status == 0 && scenetooltest::readBack(out / "m.scene", result.scene, textures);
    // Material k is known by its colour: the importer may add a default one.
    for (std::size_t k = 0;; ++k) {
        const auto mine = std::find_if(
            result.scene.materials.begin(), result.scene.materials.end(), [k](const Material& m) {
                return std::fabs(m.ambientDiffuse.red - float(k) / 10.0f) < 1e-4f &&
                       m.ambientDiffuse.green == 0.5f && m.ambientDiffuse.blue == 0.25f;
            });
        if (mine == result.scene.materials.end()) break;
        result.textureOf.push_back(mine->texture < 0
                                       ? std::string()
                                       : result.scene.textureNames[std::size_t(mine->texture)]);
    }
}

class TextureFinding : public ::testing::Test {
protected:
    testsupport::ScratchDir scratch{"texsearch"};
    const fs::path& dir() const { return scratch.path(); }
};

}  // namespace

TEST_F(TextureFinding, EveryWayModelsNamePicturesIsFoundAndHandedOn) {
    // A game's tree: the model three folders down names pictures from the
    // root, from the author's machine, and as Windows and Blender write them.
    const fs::path root = dir() / "game";
    const fs::path modelDir = root / "models" / "weapons" / "gun";
    writePicture(modelDir / "dots.png", 10);
    writePicture(root / "textures" / "shared" / "wall.png", 20);
    writePicture(modelDir / "Upper.png", 30);
    writePicture(modelDir / "Sub" / "Dir" / "x.png", 40);
    writePicture(modelDir / "stone.png", 50);
    writePicture(modelDir / "skins" / "deep" / "abs.png", 60);
    writePicture(modelDir / "blend.png", 70);
    writePicture(modelDir / "hidden" / "further" / "buried.png", 80);
    writePicture(root / "textures" / "shared" / "dup.png", 90);
    writePicture(modelDir / "dup.png", 91);
    const std::vector<std::string> names = {
        ".\\dots.png",                           // Windows, beside the model
        "textures/shared/wall.png",              // from the game's root
        "UPPER.PNG",                             // letter case from Windows
        "sub\\DIR\\X.png",                       // every component's case
        "stone.tga",                             // converted since: .png shipped
        "D:\\work\\proj\\skins\\deep\\abs.png",  // the author's absolute folders
        "//blend.png",                           // Blender: the model's folder
        "C:/Users/someone/Desktop/buried.png",   // only the file name is left
        "textures/shared/dup.png",               // same file name, other picture
        "dup.png",
    };
    writeModel(modelDir / "gun.obj", names);

    Imported got;
    import(modelDir / "gun.obj", dir() / "out", "", got);
    ASSERT_TRUE(got.ok) << got.log;
    ASSERT_EQ(got.textureOf.size(), names.size()) << got.log;
    const std::vector<std::uint8_t> shades = {10, 20, 30, 40, 50, 60, 70, 80, 90, 91};
    for (std::size_t k = 0; k < names.size(); ++k) {
        SCOPED_TRACE(names[k]);
        ASSERT_FALSE(got.textureOf[k].empty()) << got.log;
        // The picture beside the output is the one the model meant.
        const std::string bytes = testsupport::slurp(dir() / "out" / got.textureOf[k]);
        ASSERT_FALSE(bytes.empty());
        const std::string want = testsupport::slurp(k == 4   ? modelDir / "stone.png"
                                                    : k == 8 ? root / "textures/shared/dup.png"
                                                    : k == 9 ? modelDir / "dup.png"
                                                             : fs::path());
        if (!want.empty()) {
            EXPECT_EQ(bytes, want);
        }
    }
    EXPECT_NE(got.textureOf[8], got.textureOf[9]) << "two pictures, two names";
    // Where a picture was not where the model said, the author is told.
    EXPECT_NE(got.log.find("texture textures/shared/wall.png found at"), std::string::npos)
        << got.log;
    EXPECT_NE(got.log.find("texture stone.tga found at stone.png"), std::string::npos) << got.log;
    EXPECT_NE(got.log.find("found at hidden/further/buried.png"), std::string::npos) << got.log;
    EXPECT_EQ(got.log.find("texture .\\dots.png found"), std::string::npos)
        << "found as named: nothing to say\n"
        << got.log;
    EXPECT_EQ(got.log.find("warning"), std::string::npos) << got.log;
}

TEST_F(TextureFinding, WhatCannotBeHadLeavesTheMaterialPlainAndTheExtraFoldersAreSearched) {
    const fs::path modelDir = dir() / "model";
    fs::create_directories(dir() / "library" / "woods");
    writePicture(dir() / "library" / "woods" / "oak.png", 33);
    writeModel(modelDir / "m.obj", {"gone.png", "broken.png", "oak.png"});
    std::ofstream(modelDir / "broken.png") << "not a picture at all";

    Imported plain;
    import(modelDir / "m.obj", dir() / "out1", "", plain);
    ASSERT_TRUE(plain.ok) << plain.log;
    ASSERT_EQ(plain.textureOf.size(), 3u);
    // Each keeps its own colour (that is how they were told apart), so the
    // model is not white.
    for (const std::string& name : plain.textureOf) EXPECT_EQ(name, "") << plain.log;
    EXPECT_TRUE(plain.scene.textureNames.empty()) << "nothing the player would refuse";
    EXPECT_NE(plain.log.find("warning: texture gone.png is not found (looked as named beside " +
                             modelDir.string()),
              std::string::npos)
        << plain.log;
    EXPECT_NE(plain.log.find("with the extensions .png .jpg"), std::string::npos) << plain.log;
    EXPECT_NE(plain.log.find("warning: texture broken.png does not decode"), std::string::npos)
        << plain.log;
    EXPECT_FALSE(fs::exists(dir() / "out1" / "broken.png")) << "nothing undecodable is copied";

    Imported found;
    import(modelDir / "m.obj", dir() / "out2", "--textures '" + (dir() / "library").string() + "'",
           found);
    ASSERT_TRUE(found.ok) << found.log;
    EXPECT_EQ(found.textureOf[2], "oak.png") << found.log;
    EXPECT_EQ(testsupport::slurp(dir() / "out2" / "oak.png"),
              testsupport::slurp(dir() / "library" / "woods" / "oak.png"));
}

TEST_F(TextureFinding, GltfUrisArePercentDecoded) {
    // A textured triangle whose picture's URI escapes the space in its name.
    writePicture(dir() / "model" / "my skin.png", 77);
    std::ofstream(dir() / "model" / "skin.gltf")
        << R"({"asset":{"version":"2.0"},"scene":0,
      "scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],
      "meshes":[{"primitives":[{"attributes":{"POSITION":0,"TEXCOORD_0":1},"material":0}]}],
      "materials":[{"pbrMetallicRoughness":{"baseColorTexture":{"index":0}}}],
      "textures":[{"source":0}],"images":[{"uri":"my%20skin.png"}],
      "buffers":[{"byteLength":60,"uri":"data:application/octet-stream;base64,)"
           "AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAAAAAAAAAAAAIA/AAAAAAAAAAAAAIA/"
           R"("}],
      "bufferViews":[{"buffer":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":24}],
      "accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3",
                    "min":[0,0,0],"max":[1,1,0]},
                   {"bufferView":1,"componentType":5126,"count":3,"type":"VEC2"}]})";
    Imported got;
    import(dir() / "model" / "skin.gltf", dir() / "out", "", got);
    ASSERT_TRUE(got.ok) << got.log;
    ASSERT_EQ(got.scene.textureNames.size(), 1u) << got.log;
    EXPECT_EQ(testsupport::slurp(dir() / "out" / got.scene.textureNames[0]),
              testsupport::slurp(dir() / "model" / "my skin.png"));
}

TEST(TextureNames, TheAuthorsMachineIsTakenOutOfTheName) {
    using Parts = std::vector<std::string>;
    const auto parts = [](const std::string& text, bool decode = false) {
        return splitTextureName(text, decode).components;
    };
    EXPECT_EQ(parts("..\\..\\LWO\\.\\LWo2\\earth.jpg"),
              (Parts{"..", "..", "LWO", "LWo2", "earth.jpg"}));
    EXPECT_EQ(parts("a/b/../c.png"), (Parts{"a", "c.png"}));
    EXPECT_EQ(parts("  \"quoted name.png\" "), (Parts{"quoted name.png"}));
    EXPECT_EQ(parts("//tex/wood.jpg"), (Parts{"tex", "wood.jpg"}));
    EXPECT_FALSE(splitTextureName("//tex/wood.jpg", false).absolute) << "Blender's own folder";

    const TextureName drive = splitTextureName("Q:/ASSIMP/models/earth.jpg", false);
    EXPECT_TRUE(drive.absolute);
    EXPECT_EQ(drive.components, (Parts{"ASSIMP", "models", "earth.jpg"}));
    const TextureName uri = splitTextureName("file:///C:/My%20Models/skin%2Fa.png", true);
    EXPECT_TRUE(uri.absolute);
    EXPECT_EQ(uri.components, (Parts{"My Models", "skin", "a.png"}));
    EXPECT_EQ(parts("100%.png", true), (Parts{"100%.png"})) << "not an escape";
    EXPECT_EQ(parts("/../../etc/x.png"), (Parts{"etc", "x.png"})) << "nothing above the root";
}
