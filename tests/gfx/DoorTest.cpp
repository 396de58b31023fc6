// Drawing through the door against drawing straight to the fixed-function
// driver: the same primitives, attributes set before, between and after the
// vertices, must give the same pixels and leave the same current colour;
// state set through the door reads back as set. The driver's reference is
// drawn in a context of its own, so the door's side runs with either
// renderer.
#include "GLWindow.h"
#include "Gl1Backend.h"
#include "gfx/Gfx.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int kSize = 48;

// The fixed-function driver draws the reference itself, and the door's
// drawing must equal it bit for bit; a shader renderer interpolates and
// blends in its own arithmetic, so its pixels may differ by rounding.
int tolerance() {
    return testsupport::fixedFunctionDriver() ? 0 : 2;
}

// Why two frames differ (empty when they do not, within `within`).
std::string difference(const std::vector<std::uint8_t>& expected,
                       const std::vector<std::uint8_t>& seen, int within) {
    if (expected.size() != seen.size()) return "sizes differ";
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (std::abs(int(expected[i]) - int(seen[i])) > within) {
            const std::size_t pixel = i / 4;
            return "pixel (" + std::to_string(pixel % kSize) + ", " +
                   std::to_string(pixel / kSize) + ") channel " + std::to_string(i % 4) +
                   ": expected " + std::to_string(expected[i]) + ", saw " + std::to_string(seen[i]);
        }
    return {};
}

class Door : public testing::Test {
protected:
    static void SetUpTestSuite() {
        reference_ = std::make_unique<GLWindow>(kSize, kSize, gfx::Renderer::gl1, false);
        window_ = std::make_unique<GLWindow>(kSize, kSize);
    }
    static void TearDownTestSuite() {
        window_.reset();
        reference_.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(reference_->ok()) << reference_->error();
        ASSERT_TRUE(window_->ok()) << window_->error();
        reference_->makeCurrent();
        glViewport(0, 0, kSize, kSize);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kSize, 0, kSize, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        window_->makeCurrent();
        ASSERT_TRUE(window_->installBackend()) << window_->error();
        camera();
    }
    // A new backend starts the door's state and matrices afresh.
    static void install(std::unique_ptr<gfx::Backend> backend) {
        gfx::setBackend(std::move(backend));
        camera();
    }
    static void camera() {
        gfx::viewport(0, 0, kSize, kSize);
        gfx::matrixMode(gfx::MatrixMode::projection);
        gfx::loadIdentity();
        gfx::ortho(0, kSize, 0, kSize, -1, 1);
        gfx::matrixMode(gfx::MatrixMode::modelView);
        gfx::loadIdentity();
    }
    // The pixels the driver's `draw` leaves on a grey frame, and the current
    // colour after; drawn in the reference context.
    static std::vector<std::uint8_t> drawnByDriver(const std::function<void()>& draw,
                                                   gfx::Rgba& colour) {
        reference_->makeCurrent();
        glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor4f(0.1f, 0.2f, 0.3f, 1.0f);
        draw();
        GLfloat current[4];
        glGetFloatv(GL_CURRENT_COLOR, current);
        colour = {current[0], current[1], current[2], current[3]};
        std::vector<std::uint8_t> rgba(kSize * kSize * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        window_->makeCurrent();
        return rgba;
    }
    // The same through the door, in the test renderer's context.
    static std::vector<std::uint8_t> drawn(const std::function<void()>& draw, gfx::Rgba& colour) {
        gfx::clearColour(0.25f, 0.25f, 0.25f, 1.0f);
        gfx::clear(gfx::colourBuffer);
        gfx::colour(0.1f, 0.2f, 0.3f, 1.0f);
        draw();
        colour = gfx::currentColour();
        std::vector<std::uint8_t> rgba(kSize * kSize * 4);
        gfx::readPixels(0, 0, kSize, kSize, gfx::PixelFormat::rgba, rgba.data());
        return rgba;
    }
    static std::unique_ptr<GLWindow> reference_;
    static std::unique_ptr<GLWindow> window_;
};

std::unique_ptr<GLWindow> Door::reference_;
std::unique_ptr<GLWindow> Door::window_;

// The OpenGL 1.1 backend taken as a backend without immediate mode or
// driver objects for kept batches: the door then gathers batches and keeps
// what static meshes are given itself.
class GatheringBackend : public gfx::Gl1Backend {
public:
    bool streamsVertices() const override { return false; }
    std::uint32_t keepBatch(const gfx::VertexBatch&) override { return 0; }
};

// The backends a drawing is checked with: the test renderer's own, and with
// gl1 also that one taken as a gathering backend.
std::vector<bool> gatheringCases() {
    if (testsupport::fixedFunctionDriver()) return {false, true};
    return {false};
}

TEST_F(Door, BatchesDrawWhatImmediateModeDraws) {
    // A triangle fan with the colour set only after its first vertex (which
    // takes the current colour), blended quads, and a smooth-shaded strip.
    const auto direct = [] {
        glBegin(GL_TRIANGLE_FAN);
        glVertex2f(4, 4);
        glColor4f(1, 0, 0, 1);
        glVertex2f(30, 6);
        glColor4f(0, 1, 0, 1);
        glVertex2f(20, 30);
        glEnd();
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glBegin(GL_QUADS);
        glColor4f(0, 0, 1, 0.5f);
        glVertex3f(10, 10, 0);
        glVertex3f(40, 12, 0);
        glVertex3f(44, 40, 0);
        glVertex3f(12, 38, 0);
        glEnd();
        glDisable(GL_BLEND);
        glBegin(GL_TRIANGLE_STRIP);
        glColor3f(1, 1, 0);
        glVertex2f(0, 44);
        glColor3f(0, 1, 1);
        glVertex2f(0, 48);
        glVertex2f(48, 44);
        glColor3f(1, 0, 1);
        glVertex2f(48, 48);
        glEnd();
    };
    const auto door = [] {
        gfx::begin(gfx::Primitive::triangleFan);
        gfx::vertex(4, 4);
        gfx::colour(1, 0, 0, 1);
        gfx::vertex(30, 6);
        gfx::colour(0, 1, 0, 1);
        gfx::vertex(20, 30);
        gfx::end();
        gfx::enable(gfx::Cap::blend);
        gfx::blendFunc(gfx::BlendFactor::srcAlpha, gfx::BlendFactor::oneMinusSrcAlpha);
        gfx::begin(gfx::Primitive::quads);
        gfx::colour(0, 0, 1, 0.5f);
        gfx::vertex(10, 10, 0);
        gfx::vertex(40, 12, 0);
        gfx::vertex(44, 40, 0);
        gfx::vertex(12, 38, 0);
        gfx::end();
        gfx::disable(gfx::Cap::blend);
        gfx::begin(gfx::Primitive::triangleStrip);
        gfx::colour(1, 1, 0);
        gfx::vertex(0, 44);
        gfx::colour(0, 1, 1);
        gfx::vertex(0, 48);
        gfx::vertex(48, 44);
        gfx::colour(1, 0, 1);
        gfx::vertex(48, 48);
        gfx::end();
    };
    gfx::Rgba directColour, doorColour;
    const std::vector<std::uint8_t> expected = drawnByDriver(direct, directColour);
    for (bool gathering : gatheringCases()) {
        if (gathering) install(std::make_unique<GatheringBackend>());
        const std::vector<std::uint8_t> seen = drawn(door, doorColour);
        EXPECT_EQ(difference(expected, seen, tolerance()), "") << "gathering " << gathering;
        EXPECT_EQ(directColour.r, doorColour.r);
        EXPECT_EQ(directColour.g, doorColour.g);
        EXPECT_EQ(directColour.b, doorColour.b);
        EXPECT_EQ(directColour.a, doorColour.a);
        EXPECT_EQ(gfx::currentColour().b, 1.0f);
        EXPECT_EQ(gfx::takeError(), 0u);
    }
}

TEST_F(Door, TexturedBatchesAndTheirCurrentValues) {
    // A 2 x 2 texture, nearest filtered, on a quad with texture coordinates
    // given per vertex, without a colour of its own: the current colour
    // modulates it. A triangle after it gives no texture coordinates: it
    // takes the last one given, (0, 1), the blue texel, all over.
    const std::uint8_t texels[] = {255, 0, 0,   255, 0,   255, 0,   255,
                                   0,   0, 255, 255, 255, 255, 255, 255};
    const float corners[4][4] = {{8, 8, 0, 0}, {40, 8, 1, 0}, {40, 40, 1, 1}, {8, 40, 0, 1}};
    const float after[3][2] = {{42, 2}, {47, 2}, {47, 7}};
    const auto direct = [&] {
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        glEnable(GL_TEXTURE_2D);
        glBegin(GL_QUADS);
        for (const auto& c : corners) {
            glTexCoord2f(c[2], c[3]);
            glVertex2f(c[0], c[1]);
        }
        glEnd();
        glBegin(GL_TRIANGLES);
        for (const auto& v : after) glVertex2f(v[0], v[1]);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        glDeleteTextures(1, &name);
    };
    const gfx::TextureId texture = gfx::createTexture();
    gfx::bindTexture(texture);
    gfx::textureFilter(gfx::Filter::nearest, gfx::Filter::nearest);
    gfx::textureWrap(gfx::Wrap::clampToEdge, gfx::Wrap::clampToEdge);
    gfx::textureImage(0, gfx::PixelFormat::rgba, 2, 2, gfx::PixelFormat::rgba, texels);
    const auto door = [&] {
        gfx::enable(gfx::Cap::texture2D);
        gfx::begin(gfx::Primitive::quads);
        for (const auto& c : corners) {
            gfx::texCoord(c[2], c[3]);
            gfx::vertex(c[0], c[1]);
        }
        gfx::end();
        gfx::begin(gfx::Primitive::triangles);
        for (const auto& v : after) gfx::vertex(v[0], v[1]);
        gfx::end();
        gfx::disable(gfx::Cap::texture2D);
    };
    gfx::Rgba directColour, doorColour;
    const std::vector<std::uint8_t> expected = drawnByDriver(direct, directColour);
    const std::vector<std::uint8_t> seen = drawn(door, doorColour);
    EXPECT_EQ(difference(expected, seen, tolerance()), "");
    const std::size_t blue = (4 * kSize + 45) * 4;  // inside the triangle
    EXPECT_GT(seen[blue + 2], 0) << "the last texture coordinate is current";
    EXPECT_EQ(seen[blue], 0);
    if (testsupport::fixedFunctionDriver()) {
        GLfloat texCoord[4];
        glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texCoord);
        EXPECT_EQ(texCoord[0], 0.0f);
        EXPECT_EQ(texCoord[1], 1.0f) << "the driver's current texture coordinate";
    }
    gfx::deleteTexture(texture);
    EXPECT_EQ(gfx::takeError(), 0u);
}

// A static mesh draws what was given while it was compiled, and nothing
// then: as a driver object, or replayed by the door.
TEST_F(Door, StaticMeshesDrawWhatTheyWereGiven) {
    const auto give = [] {
        gfx::pushMatrix();
        gfx::translate(8.0f, 0.0f, 0.0f);
        gfx::colour(1, 0, 0, 1);
        gfx::begin(gfx::Primitive::triangles);
        gfx::vertex(2, 2);
        gfx::colour(0, 0, 1, 1);
        gfx::vertex(30, 4);
        gfx::vertex(16, 30);
        gfx::end();
        gfx::popMatrix();
    };
    gfx::Rgba colour;
    const std::vector<std::uint8_t> expected = drawn(give, colour);
    for (bool gathering : gatheringCases()) {
        if (gathering) install(std::make_unique<GatheringBackend>());
        gfx::StaticMesh mesh;
        const std::vector<std::uint8_t> whileCompiling = drawn(
            [&] {
                gfx::beginStaticMesh(mesh);
                give();
                gfx::endStaticMesh();
            },
            colour);
        const std::vector<std::uint8_t> empty = drawn([] {}, colour);
        EXPECT_TRUE(whileCompiling == empty)
            << "nothing drawn while compiling, gathering " << gathering;
        EXPECT_TRUE(mesh.compiled());
        EXPECT_TRUE(drawn([&] { gfx::drawStaticMesh(mesh); }, colour) == expected)
            << "gathering " << gathering;
        EXPECT_TRUE(drawn([&] { gfx::drawStaticMesh(mesh); }, colour) == expected)
            << "again, gathering " << gathering;
        mesh.release(true);
        EXPECT_FALSE(mesh.compiled());
        EXPECT_EQ(gfx::matrix(gfx::MatrixMode::modelView), gfx::Matrix4{});
        EXPECT_EQ(gfx::takeError(), 0u);
    }
}

// Every call a mesh can keep, made once directly and once kept in a mesh
// and drawn: the same pixels, and the same state and matrices after. The
// state and matrix calls are made between the draws and outside batches
// too, where a mesh must keep them in order.
void everyKeptCall(gfx::TextureId texture, const gfx::Bitmap& glyph) {
    gfx::clearColour(0.0f, 0.1f, 0.2f, 1.0f);
    gfx::clearDepth(1.0);
    gfx::clearStencil(0);
    gfx::clear(gfx::colourBuffer | gfx::depthBuffer | gfx::stencilBuffer);
    gfx::viewport(0, 0, kSize, kSize);
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::pushMatrix();
    gfx::loadIdentity();
    gfx::perspective(60.0, 1.0, 0.5, 50.0);
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::pushMatrix();
    gfx::Matrix4 back;
    back.m[14] = -6.0f;
    gfx::loadMatrix(back);
    gfx::rotate(25.0f, 0.3f, 1.0f, 0.1f);
    gfx::scale(1.2f, 0.9f, 1.0f);
    gfx::LightParams light;
    light.position = {{1.0f, 2.0f, 3.0f, 0.0f}};
    light.diffuse = {0.9f, 0.7f, 0.4f, 1.0f};
    gfx::light(1, light);
    gfx::lightModelAmbient(0.3f, 0.3f, 0.3f);
    gfx::enable(gfx::Cap::lighting);
    gfx::enable(gfx::lightCap(1));
    gfx::material(gfx::Face::frontAndBack, gfx::MaterialColour::specular, {1, 1, 1, 1});
    gfx::shininess(gfx::Face::frontAndBack, 20.0f);
    gfx::colorMaterial(gfx::Face::frontAndBack, gfx::MaterialColour::ambientAndDiffuse);
    gfx::setEnabled(gfx::Cap::colorMaterial, true);
    gfx::colour(0.8f, 0.8f, 1.0f, 1.0f);
    gfx::enable(gfx::Cap::depthTest);
    gfx::depthFunc(gfx::Compare::lessOrEqual);
    gfx::enable(gfx::Cap::fog);
    gfx::fogColour(0.2f, 0.0f, 0.0f, 1.0f);
    gfx::fogLinear(4.0f, 12.0f);
    gfx::bindTexture(texture);
    gfx::enable(gfx::Cap::texture2D);
    gfx::textureEnv(gfx::TextureEnv::modulate);
    gfx::perspectiveHint(gfx::Hint::nicest);
    // A lit, textured, fogged quad whose normal and texture coordinate are
    // given before the batch and hold for its first corner.
    gfx::normal(0.0f, 0.0f, 1.0f);
    gfx::texCoord(0.0f, 0.0f);
    gfx::begin(gfx::Primitive::quads);
    gfx::vertex(-2.0f, -2.0f, 0.0f);
    gfx::texCoord(1.0f, 0.0f);
    gfx::vertex(2.0f, -2.0f, 0.0f);
    gfx::normal(0.3f, 0.3f, 0.9f);
    gfx::texCoord(1.0f, 1.0f);
    gfx::vertex(2.0f, 2.0f, -1.0f);
    gfx::texCoord(0.0f, 1.0f);
    gfx::vertex(-2.0f, 2.0f, 0.0f);
    gfx::end();
    gfx::disable(gfx::Cap::texture2D);
    gfx::disable(gfx::Cap::fog);
    gfx::disable(gfx::Cap::lighting);
    {
        // Blended triangles through a stencil mask, in a state scope.
        const gfx::StateScope scope;
        gfx::fogExponential(true, 0.3f);
        gfx::enable(gfx::Cap::stencilTest);
        gfx::stencilFunc(gfx::Compare::always, 1, 0xff);
        gfx::stencilOp(gfx::StencilAction::keep, gfx::StencilAction::keep,
                       gfx::StencilAction::replace);
        gfx::stencilMask(0xff);
        gfx::colorMask(false, false, false, false);
        gfx::depthMask(false);
        gfx::begin(gfx::Primitive::triangles);
        gfx::vertex(-1.5f, -1.5f, 0.5f);
        gfx::vertex(1.5f, -1.5f, 0.5f);
        gfx::vertex(0.0f, 1.5f, 0.5f);
        gfx::end();
        gfx::colorMask(true, true, true, true);
        gfx::stencilFunc(gfx::Compare::equal, 1, 0xff);
        gfx::enable(gfx::Cap::blend);
        gfx::blendFunc(gfx::BlendFactor::srcAlpha, gfx::BlendFactor::one);
        gfx::enable(gfx::Cap::cullFace);
        gfx::cullFace(gfx::Face::front);
        gfx::shadeModel(gfx::Shading::smooth);
        gfx::enable(gfx::Cap::alphaTest);
        gfx::alphaFunc(gfx::Compare::greater, 0.2f);
        gfx::multMatrix(back);
        gfx::translate(0.0f, 0.0f, 6.0f);
        gfx::begin(gfx::Primitive::triangleStrip);
        gfx::colour(0.0f, 1.0f, 0.0f, 0.6f);
        gfx::vertex(-3.0f, -3.0f, 0.0f);
        gfx::vertex(-3.0f, 3.0f, 0.0f);
        gfx::colour(0.0f, 0.0f, 1.0f, 0.1f);
        gfx::vertex(3.0f, -3.0f, 0.0f);
        gfx::vertex(3.0f, 3.0f, 0.0f);
        gfx::end();
    }
    gfx::lineWidth(1.0f);
    gfx::lineStipple(1, 0xffff);
    gfx::enable(gfx::Cap::scissorTest);
    gfx::scissor(0, 0, kSize / 2, kSize);
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::popMatrix();
    gfx::pushMatrix();
    gfx::loadIdentity();
    gfx::ortho(0, kSize, 0, kSize, -1, 1);
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::loadIdentity();
    gfx::colour(1.0f, 1.0f, 0.0f, 1.0f);
    const gfx::Bitmap* text[] = {&glyph, &glyph};
    gfx::drawBitmaps(4.0f, 4.0f, text, 2);
    gfx::disable(gfx::Cap::scissorTest);
    gfx::popMatrix();
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::popMatrix();
    gfx::matrixMode(gfx::MatrixMode::modelView);
    // Left current for the state compared after.
    gfx::texCoord(0.25f, 0.75f);
    gfx::normal(0.0f, 1.0f, 0.0f);
    gfx::colour(0.5f, 0.5f, 0.5f, 1.0f);
    gfx::disable(gfx::Cap::depthTest);
}

// The parts of two states that differ, named.
std::string stateDifference(const gfx::State& a, const gfx::State& b) {
    std::string d;
    const auto part = [&d](bool same, const char* name) {
        if (!same) d += std::string(d.empty() ? "" : ", ") + name;
    };
    part(a.enabled == b.enabled, "switches");
    part(a.blendSource == b.blendSource && a.blendDestination == b.blendDestination, "blending");
    part(a.depthFunc == b.depthFunc, "depth");
    part(a.colour == b.colour, "colour");
    part(a.texCoord == b.texCoord, "texture coordinate");
    part(a.normal == b.normal, "normal");
    part(a.lights == b.lights, "lights");
    part(a.front == b.front && a.back == b.back, "material");
    part(a.fogMode == b.fogMode && a.fogEnd == b.fogEnd, "fog");
    part(a.bound == b.bound, "texture");
    part(a.scissor == b.scissor && a.viewport == b.viewport, "viewport");
    part(a.clearColour == b.clearColour, "clear colour");
    part(a.matrixMode == b.matrixMode, "matrix mode");
    return d;
}

// A mesh keeps every call, with either renderer: drawn, it gives what the
// calls made directly give.
TEST_F(Door, AMeshKeepsEveryCallAndDrawsWhatTheCallsDraw) {
    const std::uint8_t texels[] = {255, 255, 255, 255, 60,  60,  60,  255,
                                   60,  60,  60,  255, 255, 255, 255, 255};
    gfx::Bitmap glyph;
    glyph.width = 8;
    glyph.rows = 3;
    glyph.advance = 10.0f;
    glyph.bits = {0xff, 0x81, 0xff};
    const auto run = [&](bool kept) {
        install(gfx::makeBackend(testsupport::testRenderer()));
        const gfx::TextureId texture = gfx::createTexture();
        gfx::bindTexture(texture);
        gfx::textureFilter(gfx::Filter::nearest, gfx::Filter::nearest);
        gfx::textureImage(0, gfx::PixelFormat::rgba, 2, 2, gfx::PixelFormat::rgba, texels);
        gfx::bindTexture(0);
        gfx::StaticMesh mesh;
        if (kept) {
            gfx::beginStaticMesh(mesh);
            everyKeptCall(texture, glyph);
            EXPECT_TRUE(gfx::endStaticMesh()) << "the mesh keeps the contract on matrices";
            EXPECT_EQ(gfx::state().bound, 0u) << "nothing carried out while compiling";
            EXPECT_FALSE(gfx::isEnabled(gfx::Cap::lighting));
            gfx::drawStaticMesh(mesh);
        } else {
            everyKeptCall(texture, glyph);
        }
        std::vector<std::uint8_t> pixels(kSize * kSize * 4);
        gfx::readPixels(0, 0, kSize, kSize, gfx::PixelFormat::rgba, pixels.data());
        gfx::State after = gfx::state();
        // The runs' textures have names of their own.
        EXPECT_EQ(after.bound, texture);
        after.bound = 1;
        const gfx::Matrix4 modelView = gfx::matrix(gfx::MatrixMode::modelView);
        mesh.release(true);
        gfx::deleteTexture(texture);
        EXPECT_EQ(gfx::takeError(), 0u);
        return std::make_tuple(pixels, after, modelView);
    };
    const auto [direct, directState, directMatrix] = run(false);
    const auto [kept, keptState, keptMatrix] = run(true);
    EXPECT_EQ(difference(direct, kept, 0), "");
    EXPECT_EQ(stateDifference(directState, keptState), "");
    EXPECT_EQ(directMatrix, keptMatrix);
    // The drawing shows: the lit quad, the stencilled triangle and the text.
    EXPECT_GT(difference(direct, std::vector<std::uint8_t>(direct.size(), 0), 0).size(), 0u);
    camera();
}

// A mesh whose pushes and pops do not balance, or that leaves another
// matrix stack selected, breaks the contract: it is said, and kept anyway.
TEST_F(Door, AMeshThatLeavesTheMatricesUnbalancedIsSaid) {
    gfx::StaticMesh mesh;
    gfx::beginStaticMesh(mesh);
    gfx::pushMatrix();
    gfx::translate(1.0f, 0.0f, 0.0f);
    EXPECT_FALSE(gfx::endStaticMesh());
    gfx::beginStaticMesh(mesh);
    gfx::popMatrix();
    gfx::pushMatrix();
    EXPECT_FALSE(gfx::endStaticMesh()) << "a pop of the caller's matrix";
    gfx::beginStaticMesh(mesh);
    gfx::matrixMode(gfx::MatrixMode::projection);
    EXPECT_FALSE(gfx::endStaticMesh());
    EXPECT_EQ(gfx::currentMatrixMode(), gfx::MatrixMode::modelView);
    gfx::beginStaticMesh(mesh);
    gfx::matrixMode(gfx::MatrixMode::texture);
    gfx::pushMatrix();
    gfx::rotate(10.0f, 0.0f, 0.0f, 1.0f);
    gfx::popMatrix();
    gfx::matrixMode(gfx::MatrixMode::modelView);
    EXPECT_TRUE(gfx::endStaticMesh());
    EXPECT_TRUE(mesh.compiled());
    mesh.release(true);
}

// The door's state is a value of its own: set, it reads back at once; the
// driver gets it with the next draw, and only what changed since the last.
TEST_F(Door, StateReadsBackAsSetAndReachesTheDriverWithADraw) {
    gfx::depthFunc(gfx::Compare::greaterOrEqual);
    EXPECT_EQ(gfx::state().depthFunc, gfx::Compare::greaterOrEqual);
    gfx::depthMask(false);
    EXPECT_FALSE(gfx::state().depthMask);
    gfx::depthMask(true);
    gfx::perspectiveHint(gfx::Hint::nicest);
    EXPECT_EQ(gfx::state().hint, gfx::Hint::nicest);
    for (int i = 0; i < gfx::kMaxLights; ++i) {
        gfx::enable(gfx::lightCap(i));
        EXPECT_TRUE(gfx::isEnabled(gfx::lightCap(i))) << i;
        gfx::disable(gfx::lightCap(i));
        EXPECT_FALSE(gfx::isEnabled(gfx::lightCap(i))) << i;
    }
    gfx::enable(gfx::lightCap(3));
    gfx::colour(0.5f, 0.25f, 1.0f, 0.75f);
    EXPECT_EQ(gfx::currentColour().g, 0.25f);
    const auto point = [] {
        gfx::begin(gfx::Primitive::points);
        gfx::vertex(1, 1);
        gfx::end();
    };
    point();
    if (testsupport::fixedFunctionDriver()) {
        GLint depthFunc = 0;
        glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
        EXPECT_EQ(depthFunc, GL_GEQUAL);
        EXPECT_TRUE(glIsEnabled(GL_LIGHT3));
        EXPECT_FALSE(glIsEnabled(GL_LIGHT2));
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_EQ(colour[1], 0.25f);
    }
    // Nothing changed: the next draws set nothing, and hand no uniform over.
    const gfx::DriverCounts before = gfx::driverCounts();
    point();
    point();
    const gfx::DriverCounts after = gfx::driverCounts();
    EXPECT_EQ(after.stateCalls, before.stateCalls);
    EXPECT_EQ(after.uniformUploads, before.uniformUploads);
    EXPECT_EQ(after.draws, before.draws + 2);
    // One change: one call, or one uniform.
    gfx::depthFunc(gfx::Compare::less);
    point();
    gfx::DriverCounts changed = gfx::driverCounts();
    EXPECT_EQ(changed.stateCalls, after.stateCalls + 1);
    gfx::disable(gfx::lightCap(3));
    EXPECT_EQ(gfx::takeError(), 0u);
}

}  // namespace
