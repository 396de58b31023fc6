// The shader renderer against the fixed-function one: the same drawing
// through the door, once in a compatibility context with gl1 and once in an
// OpenGL ES 2.0 context with gles2, must give the same pixels (within a
// rounding step here and there). Each case exercises state the player uses:
// lights of every kind with materials and colour tracking, fog, texture
// combine modes with pictures of every channel layout, mipmaps, the alpha
// test, quads' diagonals, text bitmaps, stencil and blending, static meshes.
#include "GLWindow.h"
#include "Gles2Programs.h"
#include "gfx/Gfx.h"
#include "gfx/Renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 96;

using Pixels = std::vector<std::uint8_t>;

// Draws with `draw` in a fresh hidden window and context of the renderer's
// kind and returns the RGBA frame; empty when no such context can be had.
Pixels render(gfx::Renderer renderer, const std::function<void()>& draw) {
    GLWindow window(kSize, kSize, renderer, true);
    if (!window.ok()) return {};
    gfx::viewport(0, 0, kSize, kSize);
    gfx::clearColour(0.1f, 0.1f, 0.15f, 1.0f);
    gfx::clearStencil(0);
    gfx::clear(gfx::colourBuffer | gfx::depthBuffer | gfx::stencilBuffer);
    draw();
    Pixels pixels(kSize * kSize * 4);
    gfx::readPixels(0, 0, kSize, kSize, gfx::PixelFormat::rgba, pixels.data());
    EXPECT_EQ(gfx::takeError(), 0u) << gfx::rendererName(renderer);
    return pixels;
}

// How two frames differ: pixels with a channel off by more than `slack`,
// and the largest difference.
struct Difference {
    int pixelsOff = 0;
    int largest = 0;
};

Difference compare(const Pixels& a, const Pixels& b, int slack) {
    Difference d;
    for (std::size_t i = 0; i + 3 < a.size(); i += 4) {
        int worst = 0;
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(a[i + c] - b[i + c]));
        d.largest = std::max(d.largest, worst);
        if (worst > slack) ++d.pixelsOff;
    }
    return d;
}

// Both renderers draw `draw`; at most `allowed` pixels may differ by more
// than two steps. The frames must also not be empty of what was drawn.
void expectSame(const std::function<void()>& draw, int allowed = kSize * kSize / 200) {
    const Pixels fixed = render(gfx::Renderer::gl1, draw);
    const Pixels shaders = render(gfx::Renderer::gles2, draw);
    ASSERT_FALSE(fixed.empty()) << "no compatibility context";
    ASSERT_FALSE(shaders.empty()) << "no OpenGL ES 2.0 context";
    const Difference d = compare(fixed, shaders, 2);
    EXPECT_LE(d.pixelsOff, allowed) << "largest difference " << d.largest;
    const Pixels blank = render(gfx::Renderer::gl1, [] {});
    EXPECT_GT(compare(fixed, blank, 8).pixelsOff, kSize * kSize / 50) << "nothing was drawn";
}

void perspectiveCamera() {
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::loadIdentity();
    gfx::perspective(50.0, 1.0, 0.5, 50.0);
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::loadIdentity();
    gfx::translate(0.0f, 0.0f, -4.0f);
}

void orthoCamera() {
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::loadIdentity();
    gfx::ortho(0.0f, kSize, 0.0f, kSize, -1.0f, 1.0f);
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::loadIdentity();
}

// A sphere of triangles with unit normals; per-vertex colours when asked.
void sphere(float radius, bool colours) {
    constexpr int kRings = 16, kSegments = 24;
    const auto point = [&](int ring, int segment) {
        const float theta = 3.14159265f * ring / kRings;
        const float phi = 2.0f * 3.14159265f * segment / kSegments;
        const float x = std::sin(theta) * std::cos(phi), y = std::cos(theta),
                    z = std::sin(theta) * std::sin(phi);
        if (colours) gfx::colour(0.5f + 0.5f * x, 0.5f + 0.5f * y, 0.5f + 0.5f * z, 1.0f);
        gfx::normal(x, y, z);
        gfx::vertex(radius * x, radius * y, radius * z);
    };
    gfx::begin(gfx::Primitive::triangles);
    for (int r = 0; r < kRings; ++r)
        for (int s = 0; s < kSegments; ++s) {
            point(r, s);
            point(r + 1, s + 1);
            point(r + 1, s);
            point(r, s);
            point(r, s + 1);
            point(r + 1, s + 1);
        }
    gfx::end();
}

void lights() {
    gfx::LightParams directional;
    directional.position = {{-1.0f, 1.0f, 1.0f, 0.0f}};
    directional.diffuse = {0.6f, 0.5f, 0.4f, 1.0f};
    directional.specular = {1.0f, 1.0f, 1.0f, 1.0f};
    gfx::light(0, directional);
    gfx::LightParams point;
    point.position = {{1.5f, -0.5f, 1.5f, 1.0f}};
    point.ambient = {0.05f, 0.0f, 0.1f, 1.0f};
    point.diffuse = {0.2f, 0.6f, 0.9f, 1.0f};
    point.specular = {0.5f, 0.5f, 0.5f, 1.0f};
    point.constantAttenuation = 0.5f;
    point.quadraticAttenuation = 0.2f;
    gfx::light(1, point);
    gfx::LightParams spot;
    spot.position = {{0.0f, 2.0f, 1.0f, 1.0f}};
    spot.spotDirection = {{0.0f, -1.0f, -0.3f}};
    spot.spotCutoffDegrees = 35.0f;
    spot.spotExponent = 8.0f;
    spot.diffuse = {0.9f, 0.3f, 0.2f, 1.0f};
    gfx::light(2, spot);
    for (int i = 0; i < 3; ++i) gfx::enable(gfx::lightCap(i));
    gfx::lightModelAmbient(0.1f, 0.1f, 0.1f);
}

// A picture of `format` whose channels vary across it.
std::vector<std::uint8_t> picture(int w, int h, gfx::PixelFormat format) {
    const int channels = format == gfx::PixelFormat::rgba             ? 4
                         : format == gfx::PixelFormat::rgb            ? 3
                         : format == gfx::PixelFormat::luminanceAlpha ? 2
                                                                      : 1;
    std::vector<std::uint8_t> p(static_cast<std::size_t>(w * h * channels));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c)
                p[static_cast<std::size_t>((y * w + x) * channels + c)] =
                    static_cast<std::uint8_t>((x * 255 / w + y * 97 / h * (c + 1) + c * 60) % 256);
    return p;
}

gfx::TextureId texture(int w, int h, gfx::PixelFormat format, bool mipmaps) {
    const gfx::TextureId id = gfx::createTexture();
    gfx::bindTexture(id);
    const std::vector<std::uint8_t> pixels = picture(w, h, format);
    if (mipmaps) {
        gfx::textureFilter(gfx::Filter::linearMipmapLinear, gfx::Filter::linear);
        gfx::buildMipmaps(format, w, h, format, pixels.data());
    } else {
        gfx::textureFilter(gfx::Filter::linear, gfx::Filter::linear);
        gfx::textureImage(0, format, w, h, format, pixels.data());
    }
    return id;
}

void texturedQuad(float x0, float y0, float x1, float y1, float repeat = 1.0f) {
    gfx::begin(gfx::Primitive::quads);
    gfx::texCoord(0, 0);
    gfx::vertex(x0, y0);
    gfx::texCoord(repeat, 0);
    gfx::vertex(x1, y0);
    gfx::texCoord(repeat, repeat);
    gfx::vertex(x1, y1);
    gfx::texCoord(0, repeat);
    gfx::vertex(x0, y1);
    gfx::end();
}

}  // namespace

TEST(RendererEquivalence, LightsOfEveryKindWithMaterials) {
    expectSame([] {
        perspectiveCamera();
        gfx::enable(gfx::Cap::depthTest);
        gfx::enable(gfx::Cap::lighting);
        lights();
        gfx::material(gfx::Face::frontAndBack, gfx::MaterialColour::ambientAndDiffuse,
                      {0.8f, 0.7f, 0.6f, 1.0f});
        gfx::material(gfx::Face::frontAndBack, gfx::MaterialColour::specular,
                      {0.7f, 0.7f, 0.7f, 1.0f});
        gfx::material(gfx::Face::frontAndBack, gfx::MaterialColour::emission,
                      {0.05f, 0.0f, 0.0f, 1.0f});
        gfx::shininess(gfx::Face::frontAndBack, 24.0f);
        gfx::rotate(30.0f, 0.3f, 1.0f, 0.0f);
        gfx::scale(1.0f, 0.8f, 1.0f);
        sphere(1.3f, false);
    });
}

TEST(RendererEquivalence, ColourTrackingAndItsLastingMaterial) {
    expectSame([] {
        perspectiveCamera();
        gfx::enable(gfx::Cap::depthTest);
        gfx::enable(gfx::Cap::lighting);
        lights();
        gfx::colorMaterial(gfx::Face::frontAndBack, gfx::MaterialColour::ambientAndDiffuse);
        gfx::enable(gfx::Cap::colorMaterial);
        gfx::translate(-0.7f, 0.0f, 0.0f);
        sphere(0.8f, true);
        // Tracking stops: the material keeps the last colour, and material
        // calls made while it tracked did not count.
        gfx::colour(0.2f, 0.9f, 0.3f);
        gfx::material(gfx::Face::frontAndBack, gfx::MaterialColour::diffuse,
                      {1.0f, 0.0f, 1.0f, 1.0f});
        gfx::disable(gfx::Cap::colorMaterial);
        gfx::translate(1.4f, 0.0f, 0.0f);
        sphere(0.8f, false);
    });
}

TEST(RendererEquivalence, FogOfEachKindOnATexturedFloor) {
    for (int mode = 0; mode < 3; ++mode) {
        SCOPED_TRACE(mode);
        expectSame([mode] {
            perspectiveCamera();
            gfx::enable(gfx::Cap::fog);
            gfx::fogColour(0.3f, 0.35f, 0.5f, 1.0f);
            if (mode == 0)
                gfx::fogLinear(3.0f, 12.0f);
            else
                gfx::fogExponential(mode == 2, 0.15f);
            gfx::enable(gfx::Cap::texture2D);
            texture(64, 64, gfx::PixelFormat::rgb, true);
            gfx::textureWrap(gfx::Wrap::repeat, gfx::Wrap::repeat);
            gfx::rotate(-70.0f, 1.0f, 0.0f, 0.0f);
            gfx::colour(1.0f, 0.9f, 0.8f);
            texturedQuad(-4.0f, -1.0f, 4.0f, 16.0f, 4.0f);
        });
    }
}

TEST(RendererEquivalence, TextureCombineForEachPictureLayout) {
    const gfx::PixelFormat formats[] = {gfx::PixelFormat::rgb, gfx::PixelFormat::rgba,
                                        gfx::PixelFormat::luminance,
                                        gfx::PixelFormat::luminanceAlpha, gfx::PixelFormat::alpha};
    for (gfx::TextureEnv env :
         {gfx::TextureEnv::modulate, gfx::TextureEnv::replace, gfx::TextureEnv::decal}) {
        for (gfx::PixelFormat format : formats) {
            // Decal is defined for colour pictures only.
            if (env == gfx::TextureEnv::decal && format != gfx::PixelFormat::rgb &&
                format != gfx::PixelFormat::rgba)
                continue;
            SCOPED_TRACE(static_cast<int>(env) * 10 + static_cast<int>(format));
            expectSame([env, format] {
                orthoCamera();
                gfx::enable(gfx::Cap::blend);
                gfx::blendFunc(gfx::BlendFactor::srcAlpha, gfx::BlendFactor::oneMinusSrcAlpha);
                gfx::enable(gfx::Cap::texture2D);
                gfx::textureEnv(env);
                texture(32, 16, format, false);
                gfx::begin(gfx::Primitive::quads);
                gfx::colour(1.0f, 0.2f, 0.2f, 0.9f);
                gfx::texCoord(0, 0);
                gfx::vertex(8, 8);
                gfx::colour(0.2f, 1.0f, 0.2f, 0.6f);
                gfx::texCoord(1, 0);
                gfx::vertex(88, 8);
                gfx::colour(0.2f, 0.2f, 1.0f, 0.3f);
                gfx::texCoord(1, 1);
                gfx::vertex(88, 88);
                gfx::colour(1.0f, 1.0f, 1.0f, 1.0f);
                gfx::texCoord(0, 1);
                gfx::vertex(8, 88);
                gfx::end();
            });
        }
    }
}

// Pictures whose sides are not powers of two are scaled for their mipmaps,
// as the fixed-function utility library does.
TEST(RendererEquivalence, MipmapsOfAnOddSizedPictureMinified) {
    expectSame([] {
        orthoCamera();
        gfx::enable(gfx::Cap::texture2D);
        texture(100, 60, gfx::PixelFormat::rgba, true);
        texturedQuad(4, 4, 40, 30);
        texturedQuad(50, 10, 90, 90, 3.0f);
    });
}

TEST(RendererEquivalence, AlphaTestAndTheQuadsDiagonal) {
    expectSame([] {
        orthoCamera();
        gfx::enable(gfx::Cap::alphaTest);
        gfx::alphaFunc(gfx::Compare::greater, 0.45f);
        // A quad that is no parallelogram: which diagonal splits it shows
        // in how the colours spread.
        gfx::begin(gfx::Primitive::quads);
        gfx::colour(1, 0, 0, 0.0f);
        gfx::vertex(4, 10);
        gfx::colour(0, 1, 0, 1.0f);
        gfx::vertex(90, 4);
        gfx::colour(0, 0, 1, 0.6f);
        gfx::vertex(70, 92);
        gfx::colour(1, 1, 1, 1.0f);
        gfx::vertex(20, 60);
        gfx::end();
    });
}

TEST(RendererEquivalence, TextBitmapsAtTheirPixels) {
    // A glyph-like picture: a frame with a diagonal, 9 x 11 bits.
    gfx::Bitmap glyph;
    glyph.width = 9;
    glyph.rows = 11;
    glyph.originX = 1.0f;
    glyph.originY = 2.0f;
    glyph.advance = 10.5f;
    glyph.bits.assign(2 * 11, 0);
    for (int r = 0; r < 11; ++r)
        for (int c = 0; c < 9; ++c)
            if (r == 0 || r == 10 || c == 0 || c == 8 || c == r * 8 / 10)
                glyph.bits[static_cast<std::size_t>(r * 2 + c / 8)] |=
                    static_cast<std::uint8_t>(0x80 >> (c % 8));
    gfx::Bitmap space;
    space.advance = 6.0f;
    const gfx::Bitmap* line[] = {&glyph, &glyph, &space, &glyph, &glyph, &glyph};
    expectSame(
        [&line] {
            orthoCamera();
            gfx::colour(1.0f, 0.8f, 0.2f);
            gfx::drawBitmaps(5.3f, 70.6f, line, 6);
            gfx::colour(0.3f, 0.9f, 1.0f);
            gfx::drawBitmaps(12.0f, 20.0f, line, 6);
            gfx::drawBitmaps(200.0f, 20.0f, line, 6);  // outside: nothing
        },
        0);
}

// Counting in the stencil, then a blended quad where it counted: the shadow
// passes' pattern.
TEST(RendererEquivalence, StencilCountsAndBlending) {
    expectSame([] {
        orthoCamera();
        gfx::enable(gfx::Cap::stencilTest);
        gfx::colorMask(false, false, false, false);
        gfx::stencilFunc(gfx::Compare::always, 1, 0xff);
        gfx::stencilOp(gfx::StencilAction::keep, gfx::StencilAction::keep,
                       gfx::StencilAction::increment);
        gfx::begin(gfx::Primitive::triangles);
        gfx::vertex(10, 10);
        gfx::vertex(80, 20);
        gfx::vertex(40, 85);
        gfx::vertex(20, 60);
        gfx::vertex(90, 50);
        gfx::vertex(60, 90);
        gfx::end();
        gfx::colorMask(true, true, true, true);
        gfx::stencilFunc(gfx::Compare::equal, 2, 0xff);
        gfx::stencilOp(gfx::StencilAction::keep, gfx::StencilAction::keep,
                       gfx::StencilAction::keep);
        gfx::enable(gfx::Cap::blend);
        gfx::blendFunc(gfx::BlendFactor::srcAlpha, gfx::BlendFactor::oneMinusSrcAlpha);
        gfx::colour(1.0f, 1.0f, 0.0f, 0.5f);
        gfx::begin(gfx::Primitive::quads);
        gfx::vertex(0, 0);
        gfx::vertex(kSize, 0);
        gfx::vertex(kSize, kSize);
        gfx::vertex(0, kSize);
        gfx::end();
    });
}

// A static mesh of many small batches with material changes between them,
// drawn twice under different matrices, and a state scope around it.
TEST(RendererEquivalence, StaticMeshesReplayWithTheirMaterials) {
    expectSame([] {
        perspectiveCamera();
        gfx::enable(gfx::Cap::depthTest);
        gfx::enable(gfx::Cap::lighting);
        lights();
        gfx::StaticMesh mesh;
        gfx::beginStaticMesh(mesh);
        for (int i = 0; i < 6; ++i) {
            gfx::material(gfx::Face::frontAndBack, gfx::MaterialColour::ambientAndDiffuse,
                          {0.2f + 0.13f * i, 0.9f - 0.1f * i, 0.5f, 1.0f});
            for (int k = 0; k < 4; ++k) {
                const float x = -1.2f + 0.4f * i, y = -0.8f + 0.4f * k;
                gfx::begin(gfx::Primitive::triangles);
                gfx::normal(0.0f, 0.3f, 1.0f);
                gfx::vertex(x, y, 0.0f);
                gfx::vertex(x + 0.38f, y, 0.0f);
                gfx::normal(0.3f, 0.0f, 1.0f);
                gfx::vertex(x + 0.19f, y + 0.38f, 0.1f);
                gfx::end();
            }
        }
        gfx::endStaticMesh();
        {
            const gfx::StateScope scope;
            gfx::pushMatrix();
            gfx::rotate(20.0f, 0.0f, 1.0f, 0.0f);
            gfx::drawStaticMesh(mesh);
            gfx::popMatrix();
            gfx::disable(gfx::Cap::lighting);
        }
        gfx::translate(0.3f, -0.2f, -1.0f);
        gfx::drawStaticMesh(mesh);
        mesh.release(true);
    });
}

// A shader the driver refuses is an error naming the shader and quoting the
// driver's log, never a program that draws nothing.
TEST(RendererEquivalence, ShaderFaultsNameTheShaderAndQuoteTheDriver) {
    std::string message;
    render(gfx::Renderer::gles2, [&message] {
        const char* fine = "void main() { gl_Position = vec4(0.0); }";
        const char* broken = "void main() { gl_FragColor = undeclared; }";
        try {
            gfx::buildProgram("", fine, broken, "for the test");
        } catch (const gfx::BackendError& e) {
            message = e.what();
        }
    });
    EXPECT_NE(message.find("fragment shader for the test did not compile"), std::string::npos)
        << message;
    EXPECT_NE(message.find("undeclared"), std::string::npos) << message;
}
