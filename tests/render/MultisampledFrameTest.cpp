// Multisampled frames: edges get partial coverage, everything that reads the
// frame (pixel reads, patch cables) sees the resolved picture whatever state
// the drawing left, and asking for more samples than the driver has takes
// what it has and says so.
#include "GLContext.h"
#include "gfx/Frame.h"
#include "render/PatchCable.h"
#include "render/Texture.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 64;

// A white square, half the frame wide, turned 30 degrees, on black.
void drawTurnedSquare() {
    gfx::clearColour(0.0f, 0.0f, 0.0f, 1.0f);
    gfx::clear(gfx::colourBuffer);
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::loadIdentity();
    gfx::ortho(-1, 1, -1, 1, -1, 1);
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::loadIdentity();
    gfx::rotate(30.0f, 0.0f, 0.0f, 1.0f);
    gfx::colour(1.0f, 1.0f, 1.0f);
    gfx::begin(gfx::Primitive::quads);
    gfx::vertex(-0.5f, -0.5f);
    gfx::vertex(0.5f, -0.5f);
    gfx::vertex(0.5f, 0.5f);
    gfx::vertex(-0.5f, 0.5f);
    gfx::end();
    gfx::loadIdentity();
}

std::vector<std::uint8_t> readFrame() {
    std::vector<std::uint8_t> rgb(kSize * kSize * 3);
    const gfx::ResolvedFrameRead read;
    gfx::readPixels(0, 0, kSize, kSize, gfx::PixelFormat::rgb, rgb.data());
    return rgb;
}

// The texture `t` drawn over the whole frame, one texel to a pixel, as the
// frame reads it back.
std::vector<std::uint8_t> drawnTexture(Texture& t) {
    gfx::clear(gfx::colourBuffer);
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::loadIdentity();
    gfx::ortho(0, 1, 0, 1, -1, 1);
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::loadIdentity();
    gfx::textureEnv(gfx::TextureEnv::replace);
    t.bindTexture();
    gfx::begin(gfx::Primitive::quads);
    const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const auto& c : corners) {
        gfx::texCoord(c[0], c[1]);
        gfx::vertex(c[0], c[1]);
    }
    gfx::end();
    unbindTexture();
    gfx::textureEnv(gfx::TextureEnv::modulate);
    return readFrame();
}

// Pixels neither black nor white: an edge's partial coverage.
int partlyCovered(const std::vector<std::uint8_t>& rgb) {
    int n = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) n += rgb[i] > 16 && rgb[i] < 240;
    return n;
}

long brightness(const std::vector<std::uint8_t>& rgb) {
    long sum = 0;
    for (std::uint8_t v : rgb) sum += v;
    return sum;
}

std::uint8_t red(const std::vector<std::uint8_t>& rgb, int x, int y) {
    return rgb[(static_cast<size_t>(y) * kSize + x) * 3];
}

GLint boundFramebuffer() {
    GLint name = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &name);
    return name;
}

}  // namespace

class MultisampledFrame : public testing::Test {
protected:
    static void SetUpTestSuite() { context_ = std::make_unique<GLContext>(kSize, kSize); }
    static void TearDownTestSuite() { context_.reset(); }
    void SetUp() override { ASSERT_TRUE(context_->ok()); }
    void TearDown() override { gfx::endMultisampledFrame(); }

    static std::unique_ptr<GLContext> context_;
};

std::unique_ptr<GLContext> MultisampledFrame::context_;

TEST_F(MultisampledFrame, TurnedSquareHasSoftEdgesOnlyWhenMultisampled) {
    drawTurnedSquare();
    const std::vector<std::uint8_t> plain = readFrame();
    EXPECT_EQ(partlyCovered(plain), 0) << "single samples cover a pixel or not";

    const gfx::MultisampleGrant grant = gfx::beginMultisampledFrame(kSize, kSize, 4);
    ASSERT_EQ(grant.samples, 4) << grant.note;
    EXPECT_TRUE(grant.note.empty()) << grant.note;
    EXPECT_EQ(gfx::multisampledFrameSamples(), 4);
    drawTurnedSquare();
    // Reads see the whole frame even when the drawing left a scissor box.
    gfx::enable(gfx::Cap::scissorTest);
    gfx::scissor(0, 0, 8, 8);
    const std::vector<std::uint8_t> smooth = readFrame();
    EXPECT_TRUE(gfx::isEnabled(gfx::Cap::scissorTest)) << "the drawing's state is left as it was";
    gfx::disable(gfx::Cap::scissorTest);
    EXPECT_GT(partlyCovered(smooth), 40) << "the square's four edges";
    // The same picture, only smoother: the square where it was, as bright.
    EXPECT_EQ(red(smooth, 32, 32), 255);
    EXPECT_EQ(red(smooth, 2, 2), 0);
    EXPECT_NEAR(static_cast<double>(brightness(smooth)) / brightness(plain), 1.0, 0.03);

    // Showing a frame leaves drawing in the multisampled buffer; ending goes
    // back to the window.
    gfx::resolveFrame();
    EXPECT_NE(boundFramebuffer(), 0);
    gfx::endMultisampledFrame();
    EXPECT_EQ(boundFramebuffer(), 0);
    EXPECT_EQ(gfx::multisampledFrameSamples(), 0);
    EXPECT_EQ(gfx::takeError(), 0u);
}

// Routing copies the frame into a texture: the copy is the resolved
// picture, and the cable clears the multisampled frame for the next track.
TEST_F(MultisampledFrame, PatchCableReceivesTheResolvedFrame) {
    ASSERT_EQ(gfx::beginMultisampledFrame(kSize, kSize, 4).samples, 4);
    drawTurnedSquare();
    const std::vector<std::uint8_t> frame = readFrame();
    PatchCable cable("test cable");
    ASSERT_EQ(cable.width(), kSize);
    ASSERT_EQ(cable.height(), kSize);
    cable.endDraw();
    EXPECT_EQ(brightness(readFrame()), 0) << "cleared after the copy";
    // What the cable holds, drawn back into the window's own buffer.
    gfx::endMultisampledFrame();
    const std::vector<std::uint8_t> texels = drawnTexture(cable);
    EXPECT_EQ(texels, frame);
    EXPECT_GT(partlyCovered(texels), 40);
    EXPECT_EQ(gfx::takeError(), 0u);
}

TEST_F(MultisampledFrame, MoreSamplesThanTheDriverHasTakeItsMostAndSaySo) {
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    const gfx::MultisampleGrant grant = gfx::beginMultisampledFrame(kSize, kSize, 16);
    if (most >= 16) {
        EXPECT_EQ(grant.samples, 16);
        EXPECT_TRUE(grant.note.empty());
    } else {
        EXPECT_EQ(grant.samples, most);
        EXPECT_NE(grant.note.find("16 samples asked for"), std::string::npos) << grant.note;
        EXPECT_NE(grant.note.find("using " + std::to_string(most)), std::string::npos)
            << grant.note;
    }
    // Beginning again replaces the frame; none or one sample is off, quietly.
    for (int off : {0, 1}) {
        const gfx::MultisampleGrant none = gfx::beginMultisampledFrame(kSize, kSize, off);
        EXPECT_EQ(none.samples, 0);
        EXPECT_TRUE(none.note.empty());
        EXPECT_EQ(boundFramebuffer(), 0);
    }
}
