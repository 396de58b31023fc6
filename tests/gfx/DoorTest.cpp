// Drawing through the door against drawing straight to the driver: the
// same primitives, attributes set before, between and after the vertices,
// must give the same pixels and leave the same current colour; state set
// through the door reads back as set.
#include "GLWindow.h"
#include "Gl1Backend.h"
#include "gfx/Gfx.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace {

constexpr int kSize = 48;

std::vector<std::uint8_t> frame() {
    std::vector<std::uint8_t> rgba(kSize * kSize * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

class Door : public testing::Test {
protected:
    static void SetUpTestSuite() { window_ = std::make_unique<GLWindow>(kSize, kSize); }
    static void TearDownTestSuite() { window_.reset(); }
    void SetUp() override {
        ASSERT_TRUE(window_->ok());
        gfx::setBackend(nullptr);
        glViewport(0, 0, kSize, kSize);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kSize, 0, kSize, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    // The pixels `draw` leaves on a grey frame, and the current colour after.
    static std::vector<std::uint8_t> drawn(const std::function<void()>& draw, GLfloat* colour) {
        glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor4f(0.1f, 0.2f, 0.3f, 1.0f);
        draw();
        glGetFloatv(GL_CURRENT_COLOR, colour);
        return frame();
    }
    static std::unique_ptr<GLWindow> window_;
};

std::unique_ptr<GLWindow> Door::window_;

// The OpenGL 1.1 backend taken as a backend without immediate mode or
// compiled objects, as a shader backend is: the door then gathers batches
// and replays what static meshes recorded.
class GatheringBackend : public gfx::Gl1Backend {
public:
    bool streamsVertices() const override { return false; }
    std::uint32_t beginCompile() override { return 0; }
};

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
    GLfloat directColour[4], doorColour[4];
    const std::vector<std::uint8_t> expected = drawn(direct, directColour);
    for (bool gathering : {false, true}) {
        if (gathering) gfx::setBackend(std::make_unique<GatheringBackend>());
        const std::vector<std::uint8_t> seen = drawn(door, doorColour);
        EXPECT_TRUE(expected == seen) << "the frames differ, gathering " << gathering;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(directColour[i], doorColour[i]) << i;
        EXPECT_EQ(gfx::currentColour().b, 1.0f);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

TEST_F(Door, TexturedBatchesAndTheirCurrentValues) {
    // A 2 x 2 texture, nearest filtered, on a quad with texture coordinates
    // given per vertex, without a colour of its own: the current colour
    // modulates it.
    const std::uint8_t texels[] = {255, 0, 0,   255, 0,   255, 0,   255,
                                   0,   0, 255, 255, 255, 255, 255, 255};
    const gfx::TextureId texture = gfx::createTexture();
    gfx::bindTexture(texture);
    gfx::textureFilter(gfx::Filter::nearest, gfx::Filter::nearest);
    gfx::textureWrap(gfx::Wrap::clampToEdge, gfx::Wrap::clampToEdge);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    const auto quad = [](bool door) {
        const float corners[4][4] = {{8, 8, 0, 0}, {40, 8, 1, 0}, {40, 40, 1, 1}, {8, 40, 0, 1}};
        if (door) {
            gfx::enable(gfx::Cap::texture2D);
            gfx::begin(gfx::Primitive::quads);
            for (const auto& c : corners) {
                gfx::texCoord(c[2], c[3]);
                gfx::vertex(c[0], c[1]);
            }
            gfx::end();
            gfx::disable(gfx::Cap::texture2D);
        } else {
            glEnable(GL_TEXTURE_2D);
            glBegin(GL_QUADS);
            for (const auto& c : corners) {
                glTexCoord2f(c[2], c[3]);
                glVertex2f(c[0], c[1]);
            }
            glEnd();
            glDisable(GL_TEXTURE_2D);
        }
    };
    GLfloat directColour[4], doorColour[4];
    const std::vector<std::uint8_t> expected = drawn([&] { quad(false); }, directColour);
    const std::vector<std::uint8_t> seen = drawn([&] { quad(true); }, doorColour);
    EXPECT_TRUE(expected == seen);
    GLfloat texCoord[4];
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texCoord);
    EXPECT_EQ(texCoord[0], 0.0f);
    EXPECT_EQ(texCoord[1], 1.0f) << "the last texture coordinate is current";
    gfx::deleteTexture(texture);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
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
    GLfloat colour[4];
    const std::vector<std::uint8_t> expected = drawn(give, colour);
    for (bool gathering : {false, true}) {
        if (gathering) gfx::setBackend(std::make_unique<GatheringBackend>());
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
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

TEST_F(Door, StateReadsBackAsSet) {
    gfx::depthFunc(gfx::Compare::greaterOrEqual);
    EXPECT_EQ(gfx::backend().depthFuncState(), gfx::Compare::greaterOrEqual);
    gfx::depthMask(false);
    EXPECT_FALSE(gfx::backend().depthMaskState());
    gfx::depthMask(true);
    gfx::perspectiveHint(gfx::Hint::nicest);
    EXPECT_EQ(gfx::backend().perspectiveHintState(), gfx::Hint::nicest);
    for (int i = 0; i < gfx::kMaxLights; ++i) {
        gfx::enable(gfx::lightCap(i));
        EXPECT_TRUE(glIsEnabled(GL_LIGHT0 + i));
        gfx::disable(gfx::lightCap(i));
    }
    gfx::colour(0.5f, 0.25f, 1.0f, 0.75f);
    EXPECT_EQ(gfx::currentColour().g, 0.25f);
    glColor4f(0, 0, 0, 1);  // drawing outside the door is seen too
    EXPECT_EQ(gfx::currentColour().g, 0.0f);
    gfx::depthFunc(gfx::Compare::less);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
