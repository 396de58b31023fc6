// Scenes drawn in a real GL context: materials, lighting, fog, stencil
// shadows in both qualities, the state left behind, display lists across a
// lost context, and the scene registry.
#include "GLContext.h"
#include "data/FramePng.h"
#include "gfx/Frame.h"
#include "render/SceneRegistry.h"
#include "render/SceneRenderer.h"
#include "render/Texture.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/SceneTrees.h"

#include <GL/gl.h>

#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr int kSize = 64;

// A 1 x 1 texture of one colour, for materials that bind a scene texture.
class ColourTexture : public TextureSource, public Texture {
public:
    ColourTexture(std::uint8_t r, std::uint8_t g, std::uint8_t b)
        : Texture(nearest), rgb_{r, g, b} {}
    void bind() override { bindTexture(); }
    void create() override {
        createObject(nearest);
        gfx::textureImage(0, gfx::PixelFormat::rgb, 1, 1, gfx::PixelFormat::rgb, rgb_);
    }

private:
    std::uint8_t rgb_[3];
};

int addMaterial(Scene& scene, Colour emission, Colour ambientDiffuse, int texture = -1) {
    Material m;
    m.emission = emission;
    m.ambientDiffuse = ambientDiffuse;
    m.specular = {0.0f, 0.0f, 0.0f};
    m.texture = texture;
    scene.materials.push_back(m);
    return static_cast<int>(scene.materials.size()) - 1;
}

// Appends triangle a, b, c (counter-clockwise seen from its front) with the
// face normal at every corner.
void addTriangle(Mesh& mesh, Vec3 a, Vec3 b, Vec3 c, int material) {
    const auto base = static_cast<std::int32_t>(mesh.positions.size());
    mesh.positions.insert(mesh.positions.end(), {a, b, c});
    mesh.normals.push_back(normalized(cross(b - a, c - a)));
    mesh.texCoords.push_back({0.5f, 0.5f});
    Face face;
    face.position = {base, base + 1, base + 2};
    const auto n = static_cast<std::int32_t>(mesh.normals.size()) - 1;
    face.normal = {n, n, n};
    face.texCoord = {0, 0, 0};
    const auto t = static_cast<std::int32_t>(mesh.texCoords.size()) - 1;
    face.texCoord = {t, t, t};
    face.material = material;
    mesh.faces.push_back(face);
}

// Quad a, b, c, d counter-clockwise seen from its front.
void addQuad(Mesh& mesh, Vec3 a, Vec3 b, Vec3 c, Vec3 d, int material) {
    addTriangle(mesh, a, b, c, material);
    addTriangle(mesh, a, c, d, material);
}

// A horizontal square at height z facing up, x and y in [-h, h], of
// cells x cells quads (lighting is per corner).
Mesh floorMesh(float h, float z, int material, int cells = 1) {
    Mesh mesh;
    const float step = 2.0f * h / static_cast<float>(cells);
    for (int i = 0; i < cells; ++i) {
        for (int j = 0; j < cells; ++j) {
            const float x0 = -h + step * static_cast<float>(i),
                        y0 = -h + step * static_cast<float>(j);
            addQuad(mesh, {x0, y0, z}, {x0 + step, y0, z}, {x0 + step, y0 + step, z},
                    {x0, y0 + step, z}, material);
        }
    }
    return mesh;
}

// A closed box from `lo` to `hi`, faces outward.
Mesh boxMesh(Vec3 lo, Vec3 hi, int material) {
    Mesh m;
    const Vec3 p[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z},
                       {lo.x, hi.y, lo.z}, {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z},
                       {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
    addQuad(m, p[4], p[5], p[6], p[7], material);  // top
    addQuad(m, p[3], p[2], p[1], p[0], material);  // bottom
    addQuad(m, p[0], p[1], p[5], p[4], material);  // -y
    addQuad(m, p[2], p[3], p[7], p[6], material);  // +y
    addQuad(m, p[1], p[2], p[6], p[5], material);  // +x
    addQuad(m, p[3], p[0], p[4], p[7], material);  // -x
    return m;
}

Light pointLight(Vec3 position, Colour diffuse, Colour ambient) {
    Light light;
    light.transform.position.value = position;
    light.diffuse = diffuse;
    light.specular = {0.0f, 0.0f, 0.0f};
    light.ambient = ambient;
    return light;
}

// The view looks down -z from `eye` with the full vertical angle `fov`.
void placeView(Scene& scene, Vec3 eye, float fov = 1.5707964f) {
    View& view = scene.views.front();
    view.transform.position.value = eye;
    view.transform.recomputeMatrices();
    view.fieldOfView.value = fov;
    view.width = kSize;
    view.height = kSize;
}

// Planes, neighbours and trees, as after reading.
void finish(Scene& scene) {
    for (Mesh& mesh : scene.meshes) mesh.transform.recomputeMatrices();
    buildSceneTrees(scene);
}

using Rgb = std::array<int, 3>;

void expectNear(const Rgb& actual, const Rgb& expected, int tolerance, const char* what) {
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(actual[c], expected[c], tolerance) << what << " channel " << c;
}

// Writes the back buffer as PNG when DP_SCENE_PNG names a folder, to look at.
void dumpFrame(const GLContext& context, const std::string& name) {
    const char* dir = std::getenv("DP_SCENE_PNG");
    if (!dir) return;
    writeFramePng(std::string(dir) + "/" + name + ".png", kSize, kSize,
                  context.pixels(0, 0, kSize, kSize));
}

class SceneRender : public testing::Test {
protected:
    static void SetUpTestSuite() { context_ = std::make_unique<GLContext>(kSize, kSize); }
    static void TearDownTestSuite() { context_.reset(); }
    void SetUp() override {
        ASSERT_TRUE(context_->ok()) << context_->error();
        GLint stencilBits = 0;
        glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
        ASSERT_GE(stencilBits, 8);
        setStencilShadowsAvailable(true);
    }
    void TearDown() override { releaseSceneLists(scene_, true); }

    // Clears to black and draws the scene's first view at time 0.
    void draw(bool shadows, bool accurate = false) {
        gfx::clearColour(0.0f, 0.0f, 0.0f, 1.0f);
        gfx::clear(gfx::colourBuffer | gfx::depthBuffer | gfx::stencilBuffer);
        scene_.shadows = shadows;
        scene_.accurateShadows = accurate;
        renderScene(scene_.views.front(), kSize, kSize, 0.0f);
    }
    Rgb pixel(int x, int y) const { return context_->pixel(x, y); }

    // Floor at z = 0 (not casting), a box over it, one light at (4, 0, 6):
    // the shadow falls on the floor at x in about [-4.5, 0] around y = 0.
    // Box and light are placed `k` times as far from the origin.
    void buildShadowScene(Vec3 eye, float fov, float k = 1.0f) {
        const int grey = addMaterial(scene_, {}, {0.8f, 0.8f, 0.8f});
        scene_.meshes.push_back(floorMesh(40.0f, 0.0f, grey, 32));
        scene_.meshes.back().castsShadows = false;
        scene_.meshes.push_back(boxMesh(k * Vec3{-1, -1, 1.5f}, k * Vec3{1, 1, 2.5f}, grey));
        scene_.lights.push_back(pointLight(k * Vec3{4, 0, 6}, {1, 1, 1}, {0.2f, 0.2f, 0.2f}));
        placeView(scene_, eye, fov);
        finish(scene_);
    }

    static std::unique_ptr<GLContext> context_;
    Scene scene_;
};

std::unique_ptr<GLContext> SceneRender::context_;

// Materials and lights without shadows: emission alone, then one
// directional light on a known material, then the same frame after the
// display lists and textures went with a context.
TEST_F(SceneRender, EmissionLightingAndMaterialsOnOneMesh) {
    const int glow = addMaterial(scene_, {0.2f, 0.6f, 0.4f}, {0.0f, 0.0f, 0.0f});
    scene_.meshes.push_back(floorMesh(2.0f, 0.0f, glow));
    placeView(scene_, {0, 0, 10});
    finish(scene_);
    draw(false);
    expectNear(pixel(32, 32), {51, 153, 102}, 1, "emission");
    expectNear(pixel(2, 2), {0, 0, 0}, 0, "background");

    // Directional light from +z: ambient sum x material + diffuse x material.
    scene_.materials[0] = Material{};
    scene_.materials[0].emission = {};
    scene_.materials[0].ambientDiffuse = {0.5f, 0.5f, 1.0f};
    scene_.materials[0].specular = {};
    Light sun = pointLight({0, 0, 1}, {0.8f, 0.4f, 0.2f}, {0.1f, 0.1f, 0.1f});
    sun.kind = 3;
    scene_.lights.push_back(sun);
    releaseSceneLists(scene_, true);
    draw(false);
    expectNear(pixel(32, 32), {115, 64, 77}, 2, "lit face");

    // One mesh: a textured face (red texture, white emission) left of an
    // untextured blue one. The list must turn texturing off between them,
    // and a replay must draw the same.
    ColourTexture red(255, 0, 0);
    scene_.lights.clear();
    scene_.materials.clear();
    scene_.textures = {&red};
    const int textured = addMaterial(scene_, {1, 1, 1}, {}, 0);
    const int blue = addMaterial(scene_, {0, 0, 1}, {});
    Mesh mesh;
    addQuad(mesh, {-4, -2, 0}, {0, -2, 0}, {0, 2, 0}, {-4, 2, 0}, textured);
    addQuad(mesh, {0, -2, 0}, {4, -2, 0}, {4, 2, 0}, {0, 2, 0}, blue);
    scene_.meshes = {mesh};
    finish(scene_);
    releaseSceneLists(scene_, true);
    for (int frame = 0; frame < 2; ++frame) {
        draw(false);
        expectNear(pixel(24, 32), {255, 0, 0}, 1, "textured face");
        expectNear(pixel(40, 32), {0, 0, 255}, 1, "untextured face");
    }
    dumpFrame(*context_, "materials");
    // A lost context: lists and textures are made again at the next draw.
    releaseSceneLists(scene_, true);
    Texture::releaseAll();
    draw(false);
    expectNear(pixel(24, 32), {255, 0, 0}, 1, "textured face after release");
    expectNear(pixel(40, 32), {0, 0, 255}, 1, "untextured face after release");
    draw(false);
    expectNear(pixel(24, 32), {255, 0, 0}, 1, "textured face, replayed");
    scene_.textures.clear();
}

// Linear fog half way (eye depth 10 between 5 and 15) blends the face with
// the fog colour, and the background is cleared to the fog colour.
// What the renderer compiled for a scene belongs to that scene alone: a new
// scene made where a gone one lay (never released) draws itself.
TEST_F(SceneRender, ANewSceneAtAGoneOnesAddressDrawsItself) {
    std::optional<Scene> place;
    const auto drawGlowing = [&](Colour emission) {
        place.emplace();
        Scene& scene = *place;
        const int glow = addMaterial(scene, emission, {0, 0, 0});
        scene.meshes.push_back(floorMesh(2.0f, 0.0f, glow));
        placeView(scene, {0, 0, 10});
        finish(scene);
        scene.shadows = false;
        gfx::clear(gfx::colourBuffer | gfx::depthBuffer);
        renderScene(scene.views.front(), kSize, kSize, 0.0f);
        return pixel(32, 32);
    };
    expectNear(drawGlowing({1, 0, 0}), {255, 0, 0}, 1, "the first scene");
    const Scene* first = &*place;
    place.reset();  // gone without its drawing released
    expectNear(drawGlowing({0, 0, 1}), {0, 0, 255}, 1, "the second scene, same address");
    EXPECT_EQ(&*place, first);
    releaseSceneLists(*place, true);
}

TEST_F(SceneRender, LinearFogAndItsClear) {
    const int red = addMaterial(scene_, {1.0f, 0.0f, 0.0f}, {0, 0, 0});
    scene_.meshes.push_back(floorMesh(2.0f, 0.0f, red));
    placeView(scene_, {0, 0, 10});
    finish(scene_);
    scene_.fogType = 1;
    scene_.fogStart = 5.0f;
    scene_.fogEnd = 15.0f;
    scene_.fogColour = {0.0f, 0.0f, 1.0f, 1.0f};
    draw(false);
    expectNear(pixel(32, 32), {128, 0, 128}, 3, "fogged face");
    expectNear(pixel(2, 2), {0, 0, 255}, 0, "fog clear");
    dumpFrame(*context_, "fog");
    // The accurate quality fogs its base pass the same way.
    draw(true, true);
    expectNear(pixel(32, 32), {128, 0, 128}, 3, "fogged face, accurate");
}

// The fast quality darkens each shadowing light's shadow by 40 percent; the
// accurate one leaves the shadow without that light's contribution.
TEST_F(SceneRender, ShadowOfOneLightInBothQualities) {
    buildShadowScene({0, 0, 10}, 1.5707964f);
    const int shadowX = 24, litX = 48, y = 32;  // floor x = -2.5 and x = 5
    draw(false);
    const Rgb litInShadow = pixel(shadowX, y), lit = pixel(litX, y);
    ASSERT_GT(litInShadow[0], 100);
    draw(true);
    dumpFrame(*context_, "shadow_fast");
    expectNear(pixel(shadowX, y),
               {litInShadow[0] * 6 / 10, litInShadow[1] * 6 / 10, litInShadow[2] * 6 / 10}, 2,
               "fast shadow");
    expectNear(pixel(litX, y), lit, 1, "fast lit floor");
    draw(true, true);
    dumpFrame(*context_, "shadow_accurate");
    const int ambientOnly = static_cast<int>(std::lround(0.2 * 0.8 * 255));
    expectNear(pixel(shadowX, y), {ambientOnly, ambientOnly, ambientOnly}, 2, "accurate shadow");
    expectNear(pixel(litX, y), lit, 2, "accurate lit floor");
    // Switching quality: the light's list is compiled again with or without
    // caps, so each quality draws what it draws from fresh lists.
    auto row = [this, y] {
        std::vector<Rgb> r;
        for (int x = 0; x < kSize; ++x) r.push_back(pixel(x, y));
        return r;
    };
    releaseSceneLists(scene_, true);
    draw(true, true);
    const std::vector<Rgb> accurateRow = row();
    draw(true);
    const std::vector<Rgb> fastRow = row();
    draw(true, true);
    EXPECT_EQ(row(), accurateRow);
    releaseSceneLists(scene_, true);
    draw(true);
    EXPECT_EQ(row(), fastRow);
    // An emissive floor glows once, not once more per light pass.
    scene_.materials[0].emission = {0.2f, 0.0f, 0.0f};
    scene_.lights[0].diffuse = {0.5f, 0.5f, 0.5f};
    releaseSceneLists(scene_, true);
    draw(false);
    const Rgb glowing = pixel(litX, y);
    draw(true, true);
    expectNear(pixel(litX, y), glowing, 2, "accurate lit emissive floor");
    expectNear(pixel(shadowX, y), {ambientOnly + 51, ambientOnly, ambientOnly}, 2,
               "accurate emissive shadow");
    scene_.materials[0].emission = {};
    scene_.lights[0].diffuse = {1, 1, 1};
    releaseSceneLists(scene_, true);

    // A caster moved away under a directional light from +x+z: its shadow
    // moves with it in both qualities (the direction carries no translation).
    scene_.lights[0].kind = 3;
    scene_.lights[0].transform.position.value = {1, 0, 1};
    Mesh& box = scene_.meshes[1];
    box.transform.position.value = {6, 0, 0};
    box.transform.position.animated = true;
    box.transform.position.keys = {{0.0f, {6, 0, 0}}};
    for (bool accurate : {false, true}) {
        draw(false);
        // Floor x = -2 (the box's old shadow) and x = 3.5 (its new one).
        const Rgb before = pixel(26, 32), open = pixel(43, 32);
        draw(true, accurate);
        expectNear(pixel(26, 32), before, 2, "floor where the shadow was");
        EXPECT_LT(pixel(43, 32)[0], open[0] * 7 / 10) << "shadow of the moved box";
    }
}

// Stencil shadows count per sample: with four samples a pixel well inside
// the shadow and one well outside it are what they are without them.
TEST_F(SceneRender, ShadowsUnderMultisampling) {
    buildShadowScene({0, 0, 10}, 1.5707964f);
    const int shadowX = 24, litX = 48, y = 32;
    std::array<Rgb, 2> single[2];
    for (int accurate = 0; accurate < 2; ++accurate) {
        draw(true, accurate != 0);
        single[accurate] = {pixel(shadowX, y), pixel(litX, y)};
    }
    const gfx::MultisampleGrant grant = gfx::beginMultisampledFrame(kSize, kSize, 4);
    ASSERT_GE(grant.samples, 2) << grant.note;
    for (int accurate = 0; accurate < 2; ++accurate) {
        draw(true, accurate != 0);
        dumpFrame(*context_, accurate ? "shadow_accurate_msaa" : "shadow_fast_msaa");
        expectNear(pixel(shadowX, y), single[accurate][0], 2, "shadow, multisampled");
        expectNear(pixel(litX, y), single[accurate][1], 2, "lit floor, multisampled");
    }
    gfx::endMultisampledFrame();
}

// Two lights whose shadows overlap: 0.6 x 0.6 in the fast quality.
TEST_F(SceneRender, OverlappingShadowsOfTwoLights) {
    buildShadowScene({0, 0, 10}, 1.5707964f);
    scene_.lights[0].diffuse = {0.4f, 0.4f, 0.4f};
    scene_.lights.push_back(pointLight({4, 0.5f, 6}, {0.4f, 0.4f, 0.4f}, {0.1f, 0.1f, 0.1f}));
    draw(false);
    const Rgb open = pixel(24, 32);
    draw(true);
    const int expected = open[0] * 36 / 100;
    expectNear(pixel(24, 32), {expected, expected, expected}, 2, "both shadows");
}

// The camera stands between the box and the floor, inside the light's
// shadow volume (its faces in view lie beyond the near plane): the shadowed
// floor is still darkened and the lit floor still is not (the stencil
// starts at 129).
TEST_F(SceneRender, CameraInsideShadowVolume) {
    // Box and light ten times as high; the floor shadow is x in [-45, 0].
    buildShadowScene({-5, 0, 12}, 1.5707964f, 10.0f);
    draw(false);
    const Rgb shadowed = pixel(19, 32), lit = pixel(56, 32);  // floor x = -10, x = 4
    draw(true);
    dumpFrame(*context_, "camera_in_shadow");
    expectNear(pixel(19, 32), {shadowed[0] * 6 / 10, shadowed[1] * 6 / 10, shadowed[2] * 6 / 10}, 2,
               "shadow around the camera");
    expectNear(pixel(56, 32), lit, 1, "lit floor seen from inside");

    // Inside the volume with the floor 1.5 below: nearer than the depth of
    // the darkening quad, and all of it in shadow.
    placeView(scene_, {-5, 0, 1.5f});
    draw(false);
    const Rgb near = pixel(32, 32);
    draw(true);
    expectNear(pixel(32, 32), {near[0] * 6 / 10, near[1] * 6 / 10, near[2] * 6 / 10}, 2,
               "near shadowed floor");

    // A directional light from +x+z: the camera is in shadow when the box
    // lies between it and the light, wherever the light's position vector
    // points from (here beside the box).
    scene_.lights[0].kind = 3;
    scene_.lights[0].transform.position.value = {20, 0, 20};
    // A static light moved by hand: its compiled volumes are made again.
    placeView(scene_, {-15, 0, 12});
    draw(false);
    const Rgb under = pixel(32, 32), open = pixel(62, 32);  // floor x = -15, x = -3.75
    draw(true);
    expectNear(pixel(32, 32), {under[0] * 6 / 10, under[1] * 6 / 10, under[2] * 6 / 10}, 2,
               "directional shadow around the camera");
    expectNear(pixel(62, 32), open, 1, "floor lit by the directional light");
}

// What every quality leaves for the next track, and the switch that turns
// shadows off when the stencil buffer is too small.
TEST_F(SceneRender, StateLeftBehind) {
    ColourTexture white(255, 255, 255);
    buildShadowScene({0, 0, 10}, 1.5707964f);
    scene_.textures = {&white};
    scene_.materials[0].texture = 0;
    scene_.fogType = 2;
    struct Case {
        bool shadows, accurate;
    };
    for (const Case c : {Case{false, false}, Case{true, false}, Case{true, true}}) {
        draw(c.shadows, c.accurate);
        for (gfx::Cap cap :
             {gfx::Cap::depthTest, gfx::Cap::lighting, gfx::Cap::stencilTest, gfx::Cap::blend,
              gfx::Cap::cullFace, gfx::Cap::texture2D, gfx::Cap::fog, gfx::Cap::light0})
            EXPECT_FALSE(gfx::isEnabled(cap))
                << "cap " << static_cast<int>(cap) << " quality " << c.shadows << c.accurate;
        EXPECT_EQ(boundTexture(), nullptr);
        // The colour mask has no query at the door; the driver keeps it for
        // either renderer.
        GLboolean mask[4] = {};
        glGetBooleanv(GL_COLOR_WRITEMASK, mask);
        EXPECT_TRUE(mask[0] && mask[1] && mask[2] && mask[3]);
        EXPECT_TRUE(gfx::state().depthMask);
        const gfx::Matrix4& projection = gfx::matrix(gfx::MatrixMode::projection);
        const gfx::Matrix4& modelview = gfx::matrix(gfx::MatrixMode::modelView);
        // Shadows off: the perspective stays; otherwise the view's ortho.
        EXPECT_FLOAT_EQ(projection.m[11], c.shadows ? 0.0f : -1.0f);
        if (c.shadows) {
            EXPECT_FLOAT_EQ(projection.m[0], 2.0f / kSize);
        }
        for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(modelview.m[i], i % 5 == 0 ? 1.0f : 0.0f);
        EXPECT_EQ(gfx::takeError(), 0u);
    }
    // Without 8 stencil bits the shadows are left out.
    scene_.fogType = 0;
    scene_.materials[0].texture = -1;
    releaseSceneLists(scene_, true);
    draw(false);
    const Rgb open = pixel(24, 32);
    setStencilShadowsAvailable(false);
    draw(true);
    expectNear(pixel(24, 32), open, 0, "no stencil, no shadow");
    scene_.textures.clear();
}

// The registry reads a scene file once, shares it, and makes nothing (so a
// later look-up tries again) for a file that cannot be read.
TEST_F(SceneRender, RegistryReadsOnceAndRefusesMissingFiles) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("dp_scene_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::current_path(dir);
    Scene source;
    const int glow = addMaterial(source, {0, 1, 0}, {});
    source.meshes.push_back(floorMesh(2.0f, 0.0f, glow));
    const std::vector<std::uint8_t> bytes = writeScene(source);
    std::ofstream("room.scn", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));

    SceneRegistry& registry = SceneRegistry::instance();
    Scene* scene = registry.getOrCreate("room.scn");
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->name(), "room.scn");
    EXPECT_EQ(registry.getOrCreate("room.scn"), scene);
    EXPECT_EQ(scene->views.front().width, kSize);
    testing::internal::CaptureStderr();
    EXPECT_EQ(registry.getOrCreate("absent.scn"), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Scene absent.scn not found"),
              std::string::npos);
    EXPECT_EQ(registry.find("absent.scn"), nullptr);

    // Drawn, released with the context, drawn again: the lists come back.
    View& view = scene->views.front();
    view.transform.position.value = {0, 0, 10};
    view.transform.recomputeMatrices();
    view.fieldOfView.value = 1.5707964f;
    scene->shadows = false;
    renderScene(view, kSize, kSize, 0.0f);
    registry.releaseGLResources();
    gfx::clear(gfx::colourBuffer | gfx::depthBuffer);
    renderScene(view, kSize, kSize, 0.0f);
    expectNear(pixel(32, 32), {0, 255, 0}, 1, "registry scene after release");
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(dir);
}

}  // namespace
