// Textures in a real GL context: the bound-texture record, uploads and
// their filters, patch-cable captures, loss of the context. What a texture
// holds is seen by drawing it; the fixed-function driver is also asked
// directly for its sizes and levels.
#include "GLContext.h"
#include "data/Bitmap.h"
#include "render/BitmapTexture.h"
#include "render/PatchCable.h"
#include "render/Texture.h"
#include "render/TextureRegistry.h"

#include <GL/glu.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>

#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// Writes a w x h PNG of one colour (with an alpha channel when `alpha`).
void writePng(const std::string& path, int w, int h, bool alpha) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, 8, alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const int channels = alpha ? 4 : 3;
    std::vector<png_byte> row(static_cast<size_t>(w) * channels);
    for (int x = 0; x < w; ++x) {
        png_byte* p = &row[static_cast<size_t>(x) * channels];
        p[0] = 200;
        p[1] = 40;
        p[2] = 10;
        if (alpha) p[3] = 128;
    }
    for (int y = 0; y < h; ++y) png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

// The texture drawing samples, as the door's state has it (the driver is
// given it with the next draw).
GLint boundName() {
    return static_cast<GLint>(gfx::state().bound);
}

// The driver's own value of a parameter of `t`; its binding is put back,
// so the backend's knowledge of it stays true.
GLint parameterOf(const Texture& t, GLenum parameter) {
    GLint was = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &was);
    glBindTexture(GL_TEXTURE_2D, t.id());
    GLint v = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &v);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(was));
    return v;
}

// Draws `t` on black over the lower left `w` x `h` pixels, one texel to a
// pixel when it is that size, bottom row at the bottom, blended by its
// alpha. Nothing is left bound.
void drawTexture(const GLContext& gl, Texture& t, int w, int h) {
    gfx::viewport(0, 0, gl.width(), gl.height());
    gfx::clearColour(0, 0, 0, 1);
    gfx::clear(gfx::colourBuffer);
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::loadIdentity();
    gfx::ortho(0, static_cast<float>(gl.width()), 0, static_cast<float>(gl.height()), -1, 1);
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::loadIdentity();
    gfx::enable(gfx::Cap::blend);
    gfx::blendFunc(gfx::BlendFactor::srcAlpha, gfx::BlendFactor::oneMinusSrcAlpha);
    gfx::textureEnv(gfx::TextureEnv::modulate);
    gfx::colour(1, 1, 1, 1);
    t.bindTexture();
    gfx::begin(gfx::Primitive::quads);
    const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const auto& c : corners) {
        gfx::texCoord(c[0], c[1]);
        gfx::vertex(c[0] * static_cast<float>(w), c[1] * static_cast<float>(h));
    }
    gfx::end();
    unbindTexture();
    gfx::disable(gfx::Cap::blend);
}

testing::AssertionResult near(const std::array<int, 3>& seen, const std::array<int, 3>& expected) {
    for (int i = 0; i < 3; ++i)
        if (std::abs(seen[i] - expected[i]) > 2)
            return testing::AssertionFailure()
                   << "saw (" << seen[0] << ", " << seen[1] << ", " << seen[2] << "), expected ("
                   << expected[0] << ", " << expected[1] << ", " << expected[2] << ")";
    return testing::AssertionSuccess();
}

// The pictures' colour, without and with their alpha of 128 on black.
constexpr std::array<int, 3> kPicture{200, 40, 10};
constexpr std::array<int, 3> kHalfPicture{100, 20, 5};

GLint minFilterOf(const Texture& t) {
    return parameterOf(t, GL_TEXTURE_MIN_FILTER);
}

class Textures : public testing::Test {
protected:
    static void SetUpTestSuite() {
        namespace fs = std::filesystem;
        const fs::path dir = fs::temp_directory_path() / ("dp_render_" + std::to_string(getpid()));
        fs::create_directories(dir);
        fs::current_path(dir);
        writePng("npot.png", 300, 200, false);
        writePng("pot.png", 256, 256, false);
        writePng("wide.png", 256, 128, false);
        writePng("narrow.png", 100, 128, false);
        writePng("alpha.png", 64, 64, true);
    }
    void SetUp() override { ASSERT_TRUE(gl_.ok()); }
    void TearDown() override { unbindTexture(); }

    GLContext gl_{1024, 768};
};

}  // namespace

TEST_F(Textures, BindingKeepsRecordAndGLStateInStep) {
    BitmapTexture* a = TextureRegistry::instance().getOrCreate("pot.png");
    BitmapTexture* b = TextureRegistry::instance().getOrCreate("data\\wide.png");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(TextureRegistry::instance().getOrCreate("pot.png"), a);  // shared by name
    EXPECT_EQ(boundTexture(), nullptr);
    EXPECT_FALSE(gfx::isEnabled(gfx::Cap::texture2D));
    a->bind();
    EXPECT_TRUE(gfx::isEnabled(gfx::Cap::texture2D));
    EXPECT_EQ(boundName(), static_cast<GLint>(a->id()));
    b->bind();
    EXPECT_TRUE(gfx::isEnabled(gfx::Cap::texture2D));
    EXPECT_EQ(boundName(), static_cast<GLint>(b->id()));
    EXPECT_EQ(boundTexture(), static_cast<Texture*>(b));
    unbindTexture();
    EXPECT_FALSE(gfx::isEnabled(gfx::Cap::texture2D));
    EXPECT_EQ(boundTexture(), nullptr);

    // Uploading a new texture while another is recorded as bound must not
    // leave GL bound to the new one behind the record's back.
    a->bind();
    BitmapTexture* c = TextureRegistry::instance().getOrCreate("narrow.png");
    ASSERT_TRUE(c);
    a->bind();
    EXPECT_EQ(boundName(), static_cast<GLint>(a->id()));
}

TEST_F(Textures, UploadsChooseFiltersAndFormats) {
    BitmapTexture* npot = TextureRegistry::instance().getOrCreate("npot.png");
    EXPECT_EQ(npot->filterMode(), mipmap);
    EXPECT_EQ(minFilterOf(*npot), GL_LINEAR_MIPMAP_NEAREST);
    EXPECT_EQ(parameterOf(*npot, GL_TEXTURE_MAG_FILTER), GL_LINEAR);

    BitmapTexture wide("wide.png", linear);
    EXPECT_EQ(wide.filterMode(), linear);
    EXPECT_EQ(minFilterOf(wide), GL_LINEAR);
    BitmapTexture narrow("narrow.png", linear);
    EXPECT_EQ(narrow.filterMode(), mipmap);

    // Nearest filtering for one draw, then back.
    wide.bind();
    wide.setNearestFilter();
    EXPECT_EQ(minFilterOf(wide), GL_NEAREST);
    wide.restoreFilter();
    EXPECT_EQ(minFilterOf(wide), GL_LINEAR);

    // A picture's alpha is kept only where it has one.
    BitmapTexture* withAlpha = TextureRegistry::instance().getOrCreate("alpha.png");
    EXPECT_TRUE(withAlpha->hasAlpha());
    drawTexture(gl_, *withAlpha, 64, 64);
    EXPECT_TRUE(near(gl_.pixel(32, 32), kHalfPicture));
    drawTexture(gl_, *npot, 64, 64);
    EXPECT_TRUE(near(gl_.pixel(32, 32), kPicture));
    if (testsupport::fixedFunctionDriver()) {
        const auto alphaBits = [](const Texture& t) {
            GLint was = 0, bits = -1;
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &was);
            glBindTexture(GL_TEXTURE_2D, t.id());
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &bits);
            glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(was));
            return bits;
        };
        EXPECT_GT(alphaBits(*withAlpha), 0);
        EXPECT_EQ(alphaBits(*npot), 0);
    }
}

TEST_F(Textures, CableCapturesThePowerOfTwoRectangleAndClears) {
    for (auto [w, h, cw, ch] : {std::array<int, 4>{1024, 768, 1024, 512}, {800, 600, 512, 512}}) {
        setScreenSize(w, h);
        PatchCable cable("PatchCable");
        // Sky blue, with a red square just inside the far corner of the
        // rectangle the cable takes.
        gfx::clearColour(0.0f, 0.5f, 1.0f, 1.0f);
        gfx::clear(gfx::colourBuffer);
        gfx::enable(gfx::Cap::scissorTest);
        gfx::scissor(cw - 8, ch - 8, 8, 8);
        gfx::clearColour(1.0f, 0.0f, 0.0f, 1.0f);
        gfx::clear(gfx::colourBuffer);
        gfx::disable(gfx::Cap::scissorTest);
        gfx::clearColour(0, 0, 0, 1);
        cable.endDraw();
        EXPECT_FALSE(gfx::isEnabled(gfx::Cap::texture2D));
        EXPECT_EQ(boundTexture(), nullptr);
        EXPECT_EQ(gl_.pixel(10, 10), (std::array<int, 3>{0, 0, 0}));  // cleared
        if (testsupport::fixedFunctionDriver()) {
            GLint was = 0, tw = 0, th = 0;
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &was);
            glBindTexture(GL_TEXTURE_2D, cable.id());
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
            EXPECT_EQ(tw, cw);
            EXPECT_EQ(th, ch);
            glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(was));
        }
        // The captured picture is what was drawn there: drawn back one
        // texel to a pixel, the red square is where it was.
        drawTexture(gl_, cable, cw, ch);
        EXPECT_TRUE(near(gl_.pixel(10, 10), {0, 128, 255}));
        EXPECT_TRUE(near(gl_.pixel(cw - 4, ch - 4), {255, 0, 0}));
        EXPECT_TRUE(near(gl_.pixel(cw - 12, ch - 12), {0, 128, 255}));
        EXPECT_TRUE(near(gl_.pixel(cw - 4, ch + 4), {0, 0, 0})) << "nothing above the rectangle";
    }
}

TEST_F(Textures, ReleasedTexturesComeBackAtTheirNextBind) {
    BitmapTexture* t = TextureRegistry::instance().getOrCreate("pot.png");
    t->bind();
    Texture::releaseAll();
    EXPECT_FALSE(t->created());
    EXPECT_EQ(boundTexture(), nullptr);
    EXPECT_FALSE(gfx::isEnabled(gfx::Cap::texture2D));
    t->bind();
    EXPECT_TRUE(t->created());
    if (testsupport::fixedFunctionDriver()) {
        GLint w = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        EXPECT_EQ(w, 256);
    }
    drawTexture(gl_, *t, 64, 64);
    EXPECT_TRUE(near(gl_.pixel(32, 32), kPicture)) << "the picture is back";
}

TEST_F(Textures, EmptyBitmapGetsAWhitePixel) {
    {
        std::FILE* f = std::fopen("broken.png", "wb");
        std::fputs("not a png at all", f);
        std::fclose(f);
    }
    // A PNG that cannot be decoded and one that does not exist both make a
    // texture, never uploaded from an absent buffer; decoded ahead on the
    // workers just as on the spot.
    BitmapRegistry::instance().beginPrefetch({"broken.png", "missing.png"}, 2);
    for (const char* name : {"broken.png", "missing.png"}) {
        SCOPED_TRACE(name);
        testing::internal::CaptureStderr();
        BitmapTexture* t = TextureRegistry::instance().getOrCreate(name);
        testing::internal::GetCapturedStderr();
        ASSERT_TRUE(t);
        EXPECT_FALSE(t->hasAlpha());
        if (testsupport::fixedFunctionDriver()) {
            t->bind();
            GLint w = 0;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
            EXPECT_EQ(w, 1);
            unbindTexture();
        }
        // Opaque white, drawn on black.
        drawTexture(gl_, *t, 8, 8);
        EXPECT_EQ(gl_.pixel(4, 4), (std::array<int, 3>{255, 255, 255}));
    }
    BitmapRegistry::instance().endPrefetch();
}

namespace {

// Every level of the texture bound now, as RGBA.
std::vector<MipmapLevel> readLevels() {
    std::vector<MipmapLevel> levels;
    for (GLint level = 0;; ++level) {
        MipmapLevel l;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &l.width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &l.height);
        if (l.width == 0 || l.height == 0) return levels;
        l.pixels.resize(static_cast<size_t>(l.width) * l.height * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, l.pixels.data());
        levels.push_back(std::move(l));
    }
}

// The largest difference of one channel between levels made here and GLU's.
int worstDifference(const std::vector<MipmapLevel>& ours, const std::vector<MipmapLevel>& glu,
                    const std::uint8_t* picture) {
    EXPECT_EQ(ours.size(), glu.size());
    int worst = 0;
    for (size_t i = 0; i < std::min(ours.size(), glu.size()); ++i) {
        EXPECT_EQ(ours[i].width, glu[i].width) << "level " << i;
        EXPECT_EQ(ours[i].height, glu[i].height) << "level " << i;
        if (ours[i].width != glu[i].width || ours[i].height != glu[i].height) return 255;
        const std::uint8_t* p = ours[i].pixels.empty() ? picture : ours[i].pixels.data();
        for (size_t k = 0; k < glu[i].pixels.size(); ++k)
            worst = std::max(worst, std::abs(int(p[k]) - int(glu[i].pixels[k])));
    }
    return worst;
}

}  // namespace

// Levels built off the GL thread stand in for gluBuild2DMipmaps only if they
// come out as GLU makes them: power-of-two sides and sides GLU first scales,
// down and up, thin pictures included, on noise (the worst case for rounding).
TEST_F(Textures, MipmapLevelsMatchGlu) {
    if (!testsupport::fixedFunctionDriver())
        GTEST_SKIP() << "GLU and the read-back of a texture's levels need the fixed-function "
                        "driver; the levels are made off the GL thread alike for either renderer";
    std::uint32_t seed = 12345;
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{
             {256, 256}, {64, 16}, {300, 200}, {100, 128}, {1000, 700}, {7, 3}, {1, 5}, {513, 1}}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        std::vector<std::uint8_t> picture(static_cast<size_t>(w) * h * 4);
        for (std::uint8_t& b : picture) {
            seed = seed * 1664525u + 1013904223u;
            b = static_cast<std::uint8_t>(seed >> 24);
        }
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, w, h, GL_RGBA, GL_UNSIGNED_BYTE, picture.data());
        const std::vector<MipmapLevel> glu = readLevels();
        glDeleteTextures(1, &name);
        EXPECT_LE(
            worstDifference(buildMipmapChain(picture.data(), w, h).levels, glu, picture.data()), 1);
    }

    // Through the registry: a prefetched picture's texture carries the levels.
    writePng("prefetched.png", 300, 200, true);
    BitmapRegistry::instance().beginPrefetch({"prefetched.png"}, 2);
    BitmapTexture* t = TextureRegistry::instance().getOrCreate("prefetched.png");
    BitmapRegistry::instance().endPrefetch();
    ASSERT_TRUE(t && t->bitmap());
    t->bind();
    const std::vector<MipmapLevel> uploaded = readLevels();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, 300, 200, GL_RGBA, GL_UNSIGNED_BYTE,
                      t->bitmap()->pixels());
    const std::vector<MipmapLevel> glu = readLevels();
    glDeleteTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, t->id());
    ASSERT_EQ(uploaded.size(), 9u);  // 256 x 256 down to 1 x 1
    EXPECT_LE(worstDifference(uploaded, glu, nullptr), 1);
}
