// Scene files: the writer and the reader as each other's inverse, the
// reader's walk over cut and mistagged files (where it stops, what stays
// filled, which message), the look-up through the data files, and the
// refusal of malformed files before anything is allocated or indexed from
// them. Files come from the writer; only malformed input is patched by hand.
#include "PeakMemory.h"
#include "TestDirectory.h"

#include "data/DataFile.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "data/TextureSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>

namespace {

using Bytes = std::vector<std::uint8_t>;

class FakeTexture : public TextureSource {
public:
    void bind() override {}
};

class FakeTextures : public SceneTextures {
public:
    TextureSource* texture(const std::string& name) override {
        requested.push_back(name);
        if (missing.count(name)) return nullptr;
        std::unique_ptr<FakeTexture>& texture = made[name];
        if (!texture) texture = std::make_unique<FakeTexture>();
        return texture.get();
    }

    std::vector<std::string> requested;
    std::set<std::string> missing;
    std::map<std::string, std::unique_ptr<FakeTexture>> made;
};

template <typename Value>
KeyframeTrack<Value> keyed(Value value, std::vector<Key<Value>> keys) {
    KeyframeTrack<Value> track;
    track.value = value;
    track.animated = true;
    track.keys = std::move(keys);
    return track;
}

BspTriangle triangle(Vec3 corner0, Vec3 corner1, Vec3 corner2, std::int16_t vector) {
    BspTriangle t;
    t.corner0 = corner0;
    t.edge1 = corner1 - corner0;
    t.edge2 = corner2 - corner0;
    t.normal = normalized(cross(t.edge1, t.edge2));
    t.vectorIndex[0] = vector;
    t.vectorIndex[1] = -2;  // all 16 bits go through
    t.vectorIndex[2] = 300;
    prepareTriangle(t);
    return t;
}

Face face(std::array<std::int32_t, 3> corners, std::int32_t material, std::int32_t kept) {
    Face f;
    f.position = corners;
    f.texCoord = corners;
    f.normal = {0, 0, 0};
    f.material = material;
    f.kept = kept;
    return f;
}

// Two lights (the first with twelve position keys), a textured and two
// untextured materials, one texture, two views, a static quad (whose scale
// is marked animated but has no keys, so it counts as static) and an
// animated textured triangle, and two trees: one split across x holding two
// triangles, one a single empty leaf.
std::unique_ptr<Scene> sampleScene() {
    auto scene = std::make_unique<Scene>();

    Light sun;
    std::vector<Key<Vec3>> path;
    for (int i = 0; i < 12; ++i) path.push_back({float(i), {float(i), 2.0f * i, -1.0f}});
    sun.transform.position = keyed(Vec3{1, 2, 3}, path);
    sun.kind = 3;
    sun.flag = 9;
    sun.ambient = {0.1f, 0.2f, 0.3f};
    sun.diffuse = {0.4f, 0.5f, 0.6f};
    sun.specular = {0.7f, 0.8f, 0.9f};
    sun.spotCutoff = 0.5f;
    sun.spotExponent = 12;
    sun.kept = {1.5f, -2.5f, 3.5f};
    sun.castsShadows = false;
    Light lamp;
    lamp.transform.rotation.value = {0.0f, 1.0f, 0.0f, 0.0f};
    lamp.kind = 1;
    lamp.diffuse = {1, 1, 1};
    scene->lights = {sun, lamp};

    Material textured;
    textured.kept0 = 4;
    textured.shininess = 32.0f;
    textured.kept1 = 5;
    textured.emission = {0.01f, 0.02f, 0.03f};
    textured.kept2 = {6, 7, 8};
    textured.texture = 0;
    Material plain;
    plain.ambientDiffuse = {0.9f, 0.1f, 0.1f};
    scene->materials = {textured, plain, plain};
    scene->textureNames = {"stone.png"};

    View front;
    front.name = "front";
    front.fieldOfView = keyed(0.8f, {{0.0f, 0.8f}, {2.0f, 1.2f}});
    front.transform.position = keyed(Vec3{0, 0, 10}, {{0, {0, 0, 10}},
                                                      {1, {0, 1, 10}},
                                                      {2, {0, 2, 10}},
                                                      {3, {0, 3, 10}},
                                                      {4, {0, 4, 10}},
                                                      {5, {0, 5, 10}}});
    View top;
    top.name = "top";
    top.fieldOfView.value = 1.0f;
    top.transform.rotation =
        keyed(Quat{}, {{0.0f, {1, 0, 0, 0}}, {1.0f, {0.7071068f, 0.7071068f, 0, 0}}});
    scene->views = {front, top};

    Mesh quad;
    quad.transform.position.value = {5, 0, 0};
    quad.transform.scale.animated = true;
    quad.positions = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    quad.normals = {{0, 0, 1}};
    quad.faces = {face({0, 1, 2}, 1, -1), face({0, 2, 3}, 2, 7)};
    quad.flag = 5;
    Mesh spinner;
    spinner.transform.rotation = keyed(Quat{}, {{0.0f, {1, 0, 0, 0}}, {4.0f, {0, 0, 1, 0}}});
    spinner.transform.scale.value = {2, 2, 2};
    spinner.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    spinner.texCoords = {{0, 0}, {1, 0}, {0, 1}};
    spinner.normals = {{0, 0, 1}, {0, 0, -1}};
    spinner.faces = {face({0, 1, 2}, 0, 3)};
    spinner.faces[0].normal = {0, 1, 1};
    spinner.castsShadows = false;
    scene->meshes = {quad, spinner};

    BspTree split;
    split.split(0, 0, 0.0f);
    split.addTriangle(triangle({-3, 0, 0}, {-2, 0, 0}, {-3, 1, 0}, 0));
    split.addTriangle(triangle({-1, 0, 2}, {1, 0, 2}, {0, 1, 2}, 1));
    split.vectors = {{0, 0, 1}, {1, 0, 0}};
    split.transform.position.value = {0, 0, -4};
    BspTree empty;
    empty.transform.scale.value = {3, 3, 3};
    scene->trees = {split, empty};
    return scene;
}

struct ReadResult {
    std::unique_ptr<Scene> scene = std::make_unique<Scene>();
    SceneChunksRead walk;
    bool read = false;  // readScene's result, when the whole read ran
    std::string out;    // standard output
    std::string log;    // standard error
};

// The walk alone: neither the index check nor the post-load pass.
ReadResult walk(const Bytes& bytes, FakeTextures& textures) {
    ReadResult result;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    result.walk =
        readSceneChunks(bytes.data(), bytes.size(), "test.scn", *result.scene, textures, 640, 480);
    result.log = testing::internal::GetCapturedStderr();
    result.out = testing::internal::GetCapturedStdout();
    return result;
}

ReadResult walk(const Bytes& bytes) {
    FakeTextures textures;
    return walk(bytes, textures);
}

// The whole read, post-load pass included.
ReadResult read(const Bytes& bytes) {
    FakeTextures textures;
    ReadResult result;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    result.read =
        readScene(bytes.data(), bytes.size(), "test.scn", *result.scene, textures, 640, 480);
    result.log = testing::internal::GetCapturedStderr();
    result.out = testing::internal::GetCapturedStdout();
    return result;
}

// Offset of the n-th (0-based) occurrence of a 4-byte tag.
std::size_t findTag(const Bytes& bytes, const char* tag, int n = 0) {
    for (std::size_t i = 0; i + 4 <= bytes.size(); ++i)
        if (std::memcmp(bytes.data() + i, tag, 4) == 0 && n-- == 0) return i;
    ADD_FAILURE() << "no tag " << tag;
    return 0;
}

void put32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

Bytes cut(const Bytes& bytes, std::size_t size) {
    return Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(size));
}

std::size_t lineCount(const std::string& text) {
    return std::size_t(std::count(text.begin(), text.end(), '\n'));
}

template <typename Value>
void expectSameTrack(const KeyframeTrack<Value>& actual, const KeyframeTrack<Value>& expected) {
    EXPECT_EQ(actual.animated, expected.animated);
    ASSERT_EQ(actual.keys.size(), expected.keys.size());
    for (std::size_t i = 0; i < expected.keys.size(); ++i) {
        EXPECT_EQ(actual.keys[i].time, expected.keys[i].time);
        EXPECT_TRUE(actual.keys[i].value == expected.keys[i].value) << "key " << i;
    }
    EXPECT_TRUE(actual.value == expected.value);
}

void expectSameTransform(const Transform& actual, const Transform& expected) {
    expectSameTrack(actual.position, expected.position);
    expectSameTrack(actual.scale, expected.scale);
    expectSameTrack(actual.rotation, expected.rotation);
    Transform recomputed = expected;
    recomputed.recomputeMatrices();
    for (int i = 0; i < 16; ++i) EXPECT_EQ(actual.linear.m[i], recomputed.linear.m[i]);
}

void expectSameColour(const Colour& actual, const Colour& expected) {
    EXPECT_EQ(actual.red, expected.red);
    EXPECT_EQ(actual.green, expected.green);
    EXPECT_EQ(actual.blue, expected.blue);
}

// The subtree under `actual` has the shape, splits and leaf lists of the one
// under `expected`, compared by position in the tree.
void expectSameNodes(const BspTree& actual, std::int32_t a, const BspTree& expected,
                     std::int32_t e) {
    const BspNode& an = actual.nodes[std::size_t(a)];
    const BspNode& en = expected.nodes[std::size_t(e)];
    ASSERT_EQ(an.kind, en.kind);
    if (en.kind == kBspLeafKind) {
        std::vector<std::int32_t> none;
        const auto& at = an.leaf < 0 ? none : actual.leaves[std::size_t(an.leaf)].triangles;
        const auto& et = en.leaf < 0 ? none : expected.leaves[std::size_t(en.leaf)].triangles;
        EXPECT_EQ(at, et);
        return;
    }
    EXPECT_EQ(an.split, en.split);
    expectSameNodes(actual, an.lower, expected, en.lower);
    expectSameNodes(actual, an.upper, expected, en.upper);
}

void expectSameRecords(const Scene& actual, const Scene& expected) {
    ASSERT_EQ(actual.lights.size(), expected.lights.size());
    for (std::size_t i = 0; i < expected.lights.size(); ++i) {
        const Light& a = actual.lights[i];
        const Light& e = expected.lights[i];
        expectSameTransform(a.transform, e.transform);
        EXPECT_EQ(a.kind, e.kind);
        EXPECT_EQ(a.flag, e.flag);
        expectSameColour(a.ambient, e.ambient);
        expectSameColour(a.diffuse, e.diffuse);
        expectSameColour(a.specular, e.specular);
        EXPECT_EQ(a.spotCutoff, e.spotCutoff);
        EXPECT_EQ(a.spotExponent, e.spotExponent);
        EXPECT_EQ(a.kept, e.kept);
        EXPECT_EQ(a.castsShadows, e.castsShadows);
    }
    ASSERT_EQ(actual.materials.size(), expected.materials.size());
    for (std::size_t i = 0; i < expected.materials.size(); ++i) {
        const Material& a = actual.materials[i];
        const Material& e = expected.materials[i];
        EXPECT_EQ(a.kept0, e.kept0);
        EXPECT_EQ(a.shininess, e.shininess);
        EXPECT_EQ(a.kept1, e.kept1);
        expectSameColour(a.emission, e.emission);
        expectSameColour(a.ambientDiffuse, e.ambientDiffuse);
        expectSameColour(a.specular, e.specular);
        EXPECT_EQ(a.kept2, e.kept2);
        EXPECT_EQ(a.texture, e.texture);
    }
    EXPECT_EQ(actual.textureNames, expected.textureNames);
    ASSERT_EQ(actual.views.size(), expected.views.size());
    for (std::size_t i = 0; i < expected.views.size(); ++i) {
        expectSameTransform(actual.views[i].transform, expected.views[i].transform);
        expectSameTrack(actual.views[i].fieldOfView, expected.views[i].fieldOfView);
        EXPECT_EQ(actual.views[i].name, expected.views[i].name);
    }
    ASSERT_EQ(actual.meshes.size(), expected.meshes.size());
    for (std::size_t i = 0; i < expected.meshes.size(); ++i) {
        const Mesh& a = actual.meshes[i];
        const Mesh& e = expected.meshes[i];
        expectSameTransform(a.transform, e.transform);
        EXPECT_TRUE(a.positions == e.positions);
        ASSERT_EQ(a.texCoords.size(), e.texCoords.size());
        for (std::size_t k = 0; k < e.texCoords.size(); ++k) {
            EXPECT_EQ(a.texCoords[k].u, e.texCoords[k].u);
            EXPECT_EQ(a.texCoords[k].v, e.texCoords[k].v);
        }
        EXPECT_TRUE(a.normals == e.normals);
        ASSERT_EQ(a.faces.size(), e.faces.size());
        for (std::size_t k = 0; k < e.faces.size(); ++k) {
            EXPECT_EQ(a.faces[k].position, e.faces[k].position);
            EXPECT_EQ(a.faces[k].texCoord, e.faces[k].texCoord);
            EXPECT_EQ(a.faces[k].normal, e.faces[k].normal);
            EXPECT_EQ(a.faces[k].material, e.faces[k].material);
            EXPECT_EQ(a.faces[k].kept, e.faces[k].kept);
        }
        EXPECT_EQ(a.flag, e.flag);
        EXPECT_EQ(a.castsShadows, e.castsShadows);
    }
    ASSERT_EQ(actual.trees.size(), expected.trees.size());
    for (std::size_t i = 0; i < expected.trees.size(); ++i) {
        const BspTree& a = actual.trees[i];
        const BspTree& e = expected.trees[i];
        expectSameTransform(a.transform, e.transform);
        EXPECT_TRUE(a.boxMin == e.boxMin);
        EXPECT_TRUE(a.boxMax == e.boxMax);
        ASSERT_EQ(a.triangles.size(), e.triangles.size());
        for (std::size_t k = 0; k < e.triangles.size(); ++k) {
            const BspTriangle& at = a.triangles[k];
            const BspTriangle& et = e.triangles[k];
            EXPECT_TRUE(at.normal == et.normal && at.corner0 == et.corner0 &&
                        at.edge1 == et.edge1 && at.edge2 == et.edge2);
            EXPECT_EQ(at.planeConstant, -dot(et.normal, et.corner0));
            EXPECT_EQ(at.axisA, et.axisA);
            EXPECT_EQ(at.axisB, et.axisB);
            for (int c = 0; c < 3; ++c) EXPECT_EQ(at.vectorIndex[c], et.vectorIndex[c]);
        }
        EXPECT_TRUE(a.vectors == e.vectors);
        expectSameNodes(a, 0, e, 0);
    }
}

TEST(SceneFileRoundTrip, ReaderGivesBackWhatTheWriterWrote) {
    const auto original = sampleScene();
    const Bytes bytes = writeScene(*original);
    FakeTextures textures;
    const ReadResult result = walk(bytes, textures);
    EXPECT_TRUE(result.walk.versionAccepted);
    EXPECT_TRUE(result.walk.complete);
    EXPECT_FALSE(result.walk.malformed);
    EXPECT_EQ(result.out, "numfaces: 2\nnumfaces: 1\n");
    EXPECT_EQ(result.log, "");
    expectSameRecords(*result.scene, *original);

    const Scene& scene = *result.scene;
    EXPECT_EQ(textures.requested, std::vector<std::string>{"stone.png"});
    ASSERT_EQ(scene.textures.size(), 1u);
    EXPECT_EQ(scene.textures[0], textures.made["stone.png"].get());
    for (const View& view : scene.views) {
        EXPECT_EQ(view.scene, &scene);
        EXPECT_EQ(view.width, 640);
        EXPECT_EQ(view.height, 480);
    }
    EXPECT_FALSE(scene.meshes[0].isAnimated());  // marked animated, but no keys
    EXPECT_TRUE(checkSceneIndices(scene));
    // Writing what was read gives the same bytes again.
    EXPECT_EQ(writeScene(scene), bytes);
}

TEST(SceneFileRoundTrip, WholeReadRunsThePostLoadPass) {
    const auto original = sampleScene();
    const ReadResult result = read(writeScene(*original));
    ASSERT_TRUE(result.read) << result.log;
    const Scene& scene = *result.scene;
    EXPECT_EQ(scene.name(), "test.scn");
    // The static quad joins tree 0; the animated triangle gets a third tree.
    ASSERT_EQ(scene.trees.size(), 3u);
    EXPECT_EQ(scene.trees[0].triangles.size(), 4u);
    EXPECT_EQ(scene.trees[1].triangles.size(), 0u);
    EXPECT_EQ(scene.trees[2].triangles.size(), 1u);
    EXPECT_EQ(scene.meshes[0].faces[0].neighbour[2], 1);
}

TEST(SceneFileRoundTrip, FileLayoutOfFacesNamesAndVersion) {
    auto scene = sampleScene();
    scene->textureNames = {std::string(256, 'n')};
    scene->views[1].name = std::string(200, 'v');
    const Bytes bytes = writeScene(*scene);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8),
              (Bytes{0x0C, 0x01, 0, 0, 'S', 'c', 'e', 'n'}));

    // The second face of the quad: kept value 7, then material index 2.
    const auto face = bytes.begin() + std::ptrdiff_t(findTag(bytes, "Face", 1));
    EXPECT_EQ(Bytes(face + 40, face + 48), (Bytes{7, 0, 0, 0, 2, 0, 0, 0}));

    FakeTextures textures;
    const ReadResult result = walk(bytes, textures);
    ASSERT_TRUE(result.walk.complete);
    EXPECT_EQ(result.scene->meshes[0].faces[1].kept, 7);
    EXPECT_EQ(result.scene->meshes[0].faces[1].material, 2);
    // A 256-byte texture name without a zero byte is cut to 255 characters;
    // a view name to 127.
    EXPECT_EQ(textures.requested, std::vector<std::string>{std::string(255, 'n')});
    EXPECT_EQ(result.scene->textureNames[0], std::string(255, 'n'));
    EXPECT_EQ(result.scene->views[1].name, std::string(127, 'v'));
}

TEST(SceneFileWalk, VersionIsChecked) {
    Bytes bytes = writeScene(*sampleScene());
    ReadResult accepted = read(bytes);
    EXPECT_TRUE(accepted.read);

    bytes[0] = 0x0B;
    ReadResult wrong = read(bytes);
    EXPECT_FALSE(wrong.read);
    EXPECT_EQ(wrong.out, "fileRead: Wrong file version\n");
    // Nothing was read and no post-load pass ran.
    EXPECT_TRUE(wrong.scene->lights.empty());
    EXPECT_EQ(wrong.scene->trees.size(), 1u);
    EXPECT_EQ(wrong.scene->views.size(), 1u);

    ReadResult shortFile = read(cut(bytes, 3));
    EXPECT_FALSE(shortFile.read);
    EXPECT_EQ(shortFile.out, "");
    EXPECT_EQ(shortFile.log, "");
}

TEST(SceneFileWalk, CutFileStopsWhereItsDataEnds) {
    const auto original = sampleScene();
    const Bytes bytes = writeScene(*original);

    // Inside the second light: both lights are there, the first whole, and
    // the walk fails at the material count.
    ReadResult inLights = walk(cut(bytes, findTag(bytes, "Lite", 1) + 40));
    EXPECT_TRUE(inLights.walk.versionAccepted);
    EXPECT_FALSE(inLights.walk.complete);
    EXPECT_FALSE(inLights.walk.malformed);
    ASSERT_EQ(inLights.scene->lights.size(), 2u);
    EXPECT_EQ(inLights.scene->lights[0].spotExponent, 12);
    expectSameTrack(inLights.scene->lights[0].transform.position,
                    original->lights[0].transform.position);
    EXPECT_TRUE(inLights.scene->materials.empty());
    EXPECT_EQ(inLights.scene->views.size(), 1u);
    EXPECT_EQ(inLights.out, "");

    // Inside the texture list: textures have a fixed size, so the count
    // cannot fit in what is left and the file is malformed; lights and
    // materials stay.
    ReadResult inTextures = walk(cut(bytes, findTag(bytes, "Text") + 100));
    EXPECT_FALSE(inTextures.walk.complete);
    EXPECT_TRUE(inTextures.walk.malformed);
    EXPECT_EQ(inTextures.out, "");
    EXPECT_NE(inTextures.log.find("texture count 1 does not fit in the 100 bytes left"),
              std::string::npos)
        << inTextures.log;
    EXPECT_EQ(inTextures.scene->lights.size(), 2u);
    ASSERT_EQ(inTextures.scene->materials.size(), 3u);
    EXPECT_EQ(inTextures.scene->materials[0].kept2, (std::array<std::int32_t, 3>{6, 7, 8}));
    EXPECT_EQ(inTextures.scene->views.size(), 1u);

    // Inside the views: every view of the list belongs to the scene, also
    // the one that could not be read.
    ReadResult inViews = walk(cut(bytes, findTag(bytes, "View", 1) + 20));
    ASSERT_EQ(inViews.scene->views.size(), 2u);
    EXPECT_EQ(inViews.scene->views[0].name, "front");
    EXPECT_EQ(inViews.scene->views[1].scene, inViews.scene.get());
    EXPECT_EQ(inViews.scene->views[1].width, 320);
    EXPECT_TRUE(inViews.scene->meshes.empty());

    // Inside the last tree: its read fails, but the tree list's counts were
    // read, so the scene chunk counts as whole.
    ReadResult inTrees = walk(cut(bytes, findTag(bytes, "BTre", 1) + 30));
    EXPECT_TRUE(inTrees.walk.complete);
    EXPECT_EQ(inTrees.out, "numfaces: 2\nnumfaces: 1\n");
    ASSERT_EQ(inTrees.scene->trees.size(), 2u);
    EXPECT_EQ(inTrees.scene->trees[0].triangles.size(), 2u);
    EXPECT_EQ(inTrees.scene->trees[1].nodes.size(), 1u);
}

TEST(SceneFileWalk, MistaggedChunks) {
    const Bytes bytes = writeScene(*sampleScene());

    Bytes badScen = bytes;
    badScen[4] = 'X';
    ReadResult noScene = walk(badScen);
    EXPECT_FALSE(noScene.walk.complete);
    EXPECT_TRUE(noScene.scene->lights.empty());

    // A wrong "BArr" tag stops before the meshes; everything before stays.
    Bytes badArray = bytes;
    badArray[findTag(bytes, "BArr")] = 'X';
    ReadResult noArray = walk(badArray);
    EXPECT_FALSE(noArray.walk.complete);
    EXPECT_EQ(noArray.scene->views.size(), 2u);
    EXPECT_EQ(noArray.scene->views[1].name, "top");
    EXPECT_TRUE(noArray.scene->meshes.empty());
    EXPECT_EQ(noArray.out, "");

    // A wrong "BTre" tag fails only that tree, which stays new.
    Bytes badTree = bytes;
    badTree[findTag(bytes, "BTre", 1)] = 'X';
    ReadResult lastTree = walk(badTree);
    EXPECT_TRUE(lastTree.walk.complete);
    EXPECT_EQ(lastTree.scene->trees[1].transform.scale.value.x, 1.0f);

    // A wrong "Text" tag fails the texture.
    Bytes badText = bytes;
    badText[findTag(bytes, "Text")] = 'X';
    EXPECT_EQ(walk(badText).out, "Scene: Error while loading texture\n");

    // A view whose field-of-view chunk is not "Keyf" keeps the default field
    // of view and takes the 128 bytes after those 4 as its name.
    Bytes noKeyf = bytes;
    const std::size_t view = findTag(noKeyf, "View", 1);
    const auto fieldOfView = noKeyf.begin() + std::ptrdiff_t(view) + 4;
    noKeyf.insert(noKeyf.erase(fieldOfView, fieldOfView + 9), {'K', 'e', 'y', 'x'});
    ReadResult defaultFov = walk(noKeyf);
    EXPECT_TRUE(defaultFov.walk.complete);
    EXPECT_EQ(defaultFov.scene->views[1].name, "top");
    EXPECT_EQ(defaultFov.scene->views[1].fieldOfView.value, View().fieldOfView.value);
    EXPECT_FALSE(defaultFov.scene->views[1].fieldOfView.animated);
}

TEST(SceneFileWalk, UnresolvedTextureFailsTheScene) {
    FakeTextures textures;
    textures.missing = {"stone.png"};
    const ReadResult result = walk(writeScene(*sampleScene()), textures);
    EXPECT_FALSE(result.walk.complete);
    EXPECT_EQ(result.out, "Scene: Error while loading texture\n");
    EXPECT_EQ(result.scene->lights.size(), 2u);
    EXPECT_EQ(result.scene->materials.size(), 3u);
    EXPECT_EQ(result.scene->views.size(), 1u);
    EXPECT_TRUE(result.scene->views[0].name.empty());
}

class SceneFileLookUp : public TestDirectory {};

TEST_F(SceneFileLookUp, ByBaseNameAsPlainFileOrArchiveMember) {
    const Bytes bytes = writeScene(*sampleScene());
    const std::string text(bytes.begin(), bytes.end());
    writeFile("lobby.scn", text);
    writeFile("packed.scn", text);
    run("zip -q scenes.zip packed.scn");
    std::filesystem::remove("packed.scn");
    writeFile("empty.scn", "");
    rescanDataArchives();

    for (const std::string name : {"data\\lobby.scn", "models/lobby.scn", "x/y\\packed.scn"}) {
        Scene scene;
        FakeTextures textures;
        testing::internal::CaptureStdout();
        EXPECT_TRUE(fileRead(name, scene, textures, 800, 600)) << name;
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(scene.name(), name);
        EXPECT_EQ(scene.views[0].width, 800);
        EXPECT_EQ(scene.trees.size(), 3u);
    }
    for (const std::string name : {"absent.scn", "data\\empty.scn"}) {
        Scene scene;
        FakeTextures textures;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(fileRead(name, scene, textures, 800, 600)) << name;
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "fileRead: Error while opening input file\n");
        EXPECT_TRUE(scene.name().empty());
        EXPECT_EQ(scene.trees.size(), 1u);
    }
}

void expectRefused(const Bytes& bytes, const std::string& reason) {
    const std::uint64_t before = testsupport::peakResident();
    const ReadResult result = read(bytes);
    EXPECT_FALSE(result.read);
    EXPECT_EQ(lineCount(result.log), 1u) << result.log;
    EXPECT_NE(result.log.find("Scene file test.scn is malformed: " + reason), std::string::npos)
        << result.log;
    // No post-load pass: the animated mesh got no tree of its own.
    EXPECT_LE(result.scene->trees.size(), 2u);
    EXPECT_LT(testsupport::peakResident() - before, std::uint64_t(64) << 20);
}

TEST(SceneFileMalformed, CountsThatCannotFitAreRefusedBeforeAllocating) {
    const Bytes bytes = writeScene(*sampleScene());
    Bytes negative = bytes;
    put32(negative, 8, 0xFFFFFFFF);
    expectRefused(negative, "light count -1 is negative");

    Bytes faces = bytes;
    put32(faces, findTag(bytes, "Face") - 4, 0x7FFFFFFF);
    expectRefused(faces, "face count 2147483647 does not fit in the");

    Bytes keys = bytes;
    put32(keys, findTag(bytes, "Keyf") + 4 + 12 + 1, 100000000);
    expectRefused(keys, "key count 100000000 does not fit in the");

    Bytes leaf = bytes;
    put32(leaf, findTag(bytes, "BLea") + 4, 50000000);
    expectRefused(leaf, "leaf triangle count 50000000 does not fit in the");

    Bytes kind = bytes;
    put32(kind, findTag(bytes, "BNod") + 4, 7);
    expectRefused(kind, "node kind 7 is not 0 to 3");
}

TEST(SceneFileMalformed, IndicesOutOfRangeAreRefused) {
    struct Case {
        std::function<void(Scene&)> change;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {[](Scene& s) { s.meshes[0].faces[1].position[2] = 4; },
         "mesh 0, face 1: position index 4 is out of range (4 positions)"},
        {[](Scene& s) { s.meshes[1].faces[0].texCoord[1] = 3; },
         "mesh 1, face 0: texture coordinate index 3 is out of range (3 texture coordinates)"},
        {[](Scene& s) { s.meshes[0].faces[0].normal[0] = -1; },
         "mesh 0, face 0: normal index -1 is out of range (1 normals)"},
        {[](Scene& s) { s.meshes[1].faces[0].material = 3; },
         "mesh 1, face 0: material index 3 is out of range (3 materials)"},
        {[](Scene& s) { s.materials[2].texture = 1; },
         "material 2: texture index 1 is out of range (1 textures)"},
        {[](Scene& s) { s.trees[0].leaves[0].triangles.push_back(2); },
         "tree 0, leaf 0: triangle index 2 is out of range (2 triangles)"},
    };
    for (const Case& c : cases) {
        auto scene = sampleScene();
        c.change(*scene);
        expectRefused(writeScene(*scene), c.reason);
    }

    // Texture coordinates of a face with an untextured material are never
    // used, so they are not checked.
    auto scene = sampleScene();
    scene->meshes[0].faces[0].texCoord = {-5, 99, 4};
    EXPECT_TRUE(read(writeScene(*scene)).read);
}

// A chain of `levels` interior nodes, each split below its lower child.
BspTree chain(int levels) {
    BspTree tree;
    std::int32_t node = 0;
    for (int i = 0; i < levels; ++i) {
        tree.split(node, i % 3, float(i));
        node = tree.nodes[std::size_t(node)].lower;
    }
    return tree;
}

TEST(SceneFileMalformed, TreesDeeperThanTheRayWalkAreRefused) {
    auto scene = sampleScene();
    scene->trees[1] = chain(kBspMaxDepth);
    const ReadResult deepest = read(writeScene(*scene));
    ASSERT_TRUE(deepest.read) << deepest.log;
    EXPECT_EQ(deepest.scene->trees[1].depth(), kBspMaxDepth);

    scene->trees[1] = chain(kBspMaxDepth + 1);
    expectRefused(writeScene(*scene), "a tree has more than 50 split levels");
    // Far deeper than the stack of a recursive reader could bear.
    scene->trees[1] = chain(200000);
    expectRefused(writeScene(*scene), "a tree has more than 50 split levels");
}

}  // namespace
