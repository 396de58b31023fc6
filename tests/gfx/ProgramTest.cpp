// The door's programs in a real context under each renderer: what a program
// draws with its uniforms and textures, that only changed values reach the
// driver, that the fixed-function state drawn after is untouched, and what
// a program that does not compile says; texture targets keep what a
// program writes, beyond 0..1 in half floats, and drawing returns to the
// frame after them.
#include "GLWindow.h"
#include "gfx/Gfx.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 16;

const char* const kProbe =
    "#version 300 es\n"
    "precision highp float;\n"
    "uniform vec4 colour;\n"
    "uniform float scale[2];\n"
    "uniform int mode;\n"
    "uniform sampler2D picture;\n"
    "uniform sampler2D second;\n"
    "out vec4 result;\n"
    "void main() {\n"
    "    if (mode == 1) result = texture(picture, vec2(1.25, 0.5));\n"
    "    else if (mode == 2) result = texture(second, vec2(0.5));\n"
    "    else result = colour * scale[1];\n"
    "}\n";

class Programs : public testing::Test {
protected:
    static void SetUpTestSuite() { window_ = std::make_unique<GLWindow>(kSize, kSize); }
    static void TearDownTestSuite() { window_.reset(); }
    void SetUp() override {
        ASSERT_TRUE(window_->ok()) << window_->error();
        window_->makeCurrent();
        ASSERT_TRUE(window_->installBackend()) << window_->error();
        gfx::viewport(0, 0, kSize, kSize);
        ASSERT_EQ(gfx::programSupport(), "");
        std::string log;
        program_ = gfx::createProgram(kProbe, log);
        ASSERT_NE(program_, 0u) << log;
    }
    void TearDown() override { gfx::deleteProgram(program_); }

    std::array<int, 3> pixel(int x, int y) {
        std::uint8_t rgba[4];
        gfx::readPixels(x, y, 1, 1, gfx::PixelFormat::rgba, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }
    gfx::UniformValue value(const char* name, int components, std::vector<float> values,
                            bool integer = false) {
        gfx::UniformValue v;
        v.location = gfx::uniformLocation(program_, name);
        v.components = components;
        v.elements = static_cast<int>(values.size()) / components;
        v.integer = integer;
        for (std::size_t i = 0; i < values.size(); ++i) v.values[i] = values[i];
        return v;
    }
    // Two texels, red | green.
    gfx::TextureId pair() {
        const gfx::TextureId id = gfx::createTexture();
        const gfx::TextureId was = gfx::state().bound;
        gfx::bindTexture(id);
        const std::uint8_t texels[] = {255, 0, 0, 255, 0, 255, 0, 255};
        gfx::textureImage(0, gfx::PixelFormat::rgba, 2, 1, gfx::PixelFormat::rgba, texels);
        gfx::textureFilter(gfx::Filter::linear, gfx::Filter::linear);
        gfx::bindTexture(was);
        return id;
    }

    static std::unique_ptr<GLWindow> window_;
    gfx::ProgramId program_ = 0;
};

std::unique_ptr<GLWindow> Programs::window_;

TEST_F(Programs, DrawWithTheirUniformsAndEachChannelsOwnSampling) {
    const gfx::TextureId texture = pair();
    std::vector<gfx::UniformValue> uniforms = {
        value("colour", 4, {1.0f, 0.5f, 0.25f, 1.0f}), value("scale", 1, {0.0f, 0.5f}),
        value("mode", 1, {0.0f}, true), value("picture", 1, {0.0f}, true),
        value("second", 1, {3.0f}, true)};
    for (const gfx::UniformValue& u : uniforms) EXPECT_GE(u.location, 0);
    const std::array<gfx::ProgramTexture, 4> none{};
    gfx::drawProgram(program_, uniforms.data(), uniforms.size(), none);
    EXPECT_EQ(pixel(8, 8), (std::array<int, 3>{128, 64, 32})) << "the second array element";

    // Past the right edge: repeat finds the first texel, clamp the last,
    // whatever the texture's own sampling; nearest picks one of them.
    uniforms[2].values[0] = 1.0f;
    std::array<gfx::ProgramTexture, 4> textures{};
    textures[0] = {texture, gfx::Filter::nearest, gfx::Filter::nearest, gfx::Wrap::repeat};
    gfx::drawProgram(program_, uniforms.data(), uniforms.size(), textures);
    EXPECT_EQ(pixel(8, 8), (std::array<int, 3>{255, 0, 0})) << "repeat";
    textures[0].wrap = gfx::Wrap::clampToEdge;
    gfx::drawProgram(program_, uniforms.data(), uniforms.size(), textures);
    EXPECT_EQ(pixel(8, 8), (std::array<int, 3>{0, 255, 0})) << "clamp";

    // Unit 3 is the one the sampler was given.
    uniforms[2].values[0] = 2.0f;
    textures[3] = {texture, gfx::Filter::linear, gfx::Filter::linear, gfx::Wrap::clampToEdge};
    gfx::drawProgram(program_, uniforms.data(), uniforms.size(), textures);
    const std::array<int, 3> mixed = pixel(8, 8);
    EXPECT_NEAR(mixed[0], 128, 2);
    EXPECT_NEAR(mixed[1], 128, 2);
    EXPECT_EQ(gfx::takeError(), 0u);
    gfx::deleteTexture(texture);
}

TEST_F(Programs, OnlyChangedValuesReachTheDriverAndTheFixedStateIsKept) {
    const gfx::TextureId texture = pair();
    // A textured quad drawn by the fixed-function path, before and after.
    const auto quad = [&] {
        gfx::bindTexture(texture);
        gfx::enable(gfx::Cap::texture2D);
        gfx::colour(1, 1, 1, 1);
        gfx::begin(gfx::Primitive::quads);
        gfx::texCoord(0.25f, 0.5f);
        gfx::vertex(-1, -1);
        gfx::vertex(1, -1);
        gfx::vertex(1, 1);
        gfx::vertex(-1, 1);
        gfx::end();
        gfx::disable(gfx::Cap::texture2D);
    };
    quad();
    const std::array<int, 3> before = pixel(8, 8);

    std::vector<gfx::UniformValue> uniforms = {value("colour", 4, {0.0f, 0.0f, 1.0f, 1.0f}),
                                               value("scale", 1, {1.0f, 1.0f}),
                                               value("mode", 1, {0.0f}, true)};
    const std::array<gfx::ProgramTexture, 4> none{};
    gfx::drawProgram(program_, uniforms.data(), uniforms.size(), none);
    const gfx::DriverCounts first = gfx::driverCounts();
    gfx::drawProgram(program_, uniforms.data(), uniforms.size(), none);
    const gfx::DriverCounts second = gfx::driverCounts();
    EXPECT_EQ(second.uniformUploads, first.uniformUploads) << "nothing changed";
    uniforms[0].values[1] = 1.0f;
    gfx::drawProgram(program_, uniforms.data(), uniforms.size(), none);
    EXPECT_EQ(gfx::driverCounts().uniformUploads, second.uniformUploads + 1) << "one changed";
    EXPECT_EQ(pixel(8, 8), (std::array<int, 3>{0, 255, 255}));

    EXPECT_EQ(gfx::state().bound, texture) << "the door's binding is its own";
    quad();
    EXPECT_EQ(pixel(8, 8), before) << "the fixed-function draw after a program";
    EXPECT_EQ(gfx::takeError(), 0u);
    gfx::deleteTexture(texture);
}

TEST_F(Programs, WhatDoesNotCompileIsSaidAndNothingIsDrawn) {
    std::string log;
    const gfx::ProgramId broken = gfx::createProgram(
        "#version 300 es\nprecision highp float;\nout vec4 o;\nvoid main() { o = vec4(missing); "
        "}\n",
        log);
    EXPECT_EQ(broken, 0u);
    EXPECT_NE(log.find("missing"), std::string::npos) << log;
    EXPECT_EQ(gfx::uniformLocation(program_, "noSuchUniform"), -1);
    EXPECT_EQ(gfx::uniformLocation(broken, "colour"), -1);

    gfx::clearColour(0.0f, 0.0f, 0.0f, 1.0f);
    gfx::clear(gfx::colourBuffer);
    gfx::drawProgram(broken, nullptr, 0, {});
    EXPECT_EQ(pixel(8, 8), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(gfx::takeError(), 0u);
}

TEST_F(Programs, TargetsKeepHalfFloatsAndDrawingReturnsToTheFrame) {
    std::string log;
    // Shows the target's centre as t / 4 + 0.5, so values past 0..1 are seen.
    const gfx::ProgramId show = gfx::createProgram(
        "#version 300 es\nprecision highp float;\nuniform sampler2D picture;\nout vec4 o;\n"
        "void main() { o = texture(picture, vec2(0.5)) * 0.25 + 0.5; }\n",
        log);
    ASSERT_NE(show, 0u) << log;
    const gfx::TextureId boundBefore = gfx::state().bound;
    bool half = true;
    const gfx::TargetId target = gfx::createTarget(4, 4, half);
    ASSERT_NE(target, 0u);
    EXPECT_TRUE(half) << "Mesa draws into half floats under both renderers";
    EXPECT_EQ(gfx::state().bound, boundBefore);
    bool eight = false;
    const gfx::TargetId bytes = gfx::createTarget(4, 4, eight);
    ASSERT_NE(bytes, 0u);
    EXPECT_NE(bytes, target);

    gfx::clearColour(0.0f, 0.0f, 1.0f, 1.0f);
    gfx::clear(gfx::colourBuffer);
    std::vector<gfx::UniformValue> uniforms = {value("colour", 4, {1.5f, -0.5f, 0.25f, 1.0f}),
                                               value("scale", 1, {1.0f, 1.0f}),
                                               value("mode", 1, {0.0f}, true)};
    for (const gfx::TargetId into : {target, bytes}) {
        gfx::StateScope state;
        gfx::viewport(0, 0, 4, 4);
        const gfx::TargetScope scope(into);
        gfx::drawProgram(program_, uniforms.data(), uniforms.size(), {});
        {
            // A scope for the frame inside one for a target.
            const gfx::TargetScope frame(0);
            EXPECT_EQ(pixel(2, 2), (std::array<int, 3>{0, 0, 255}));
        }
    }
    EXPECT_EQ(pixel(2, 2), (std::array<int, 3>{0, 0, 255})) << "the frame was not drawn into";

    const auto shown = [&](gfx::TargetId t) {
        std::array<gfx::ProgramTexture, 4> textures{};
        textures[0] = {gfx::targetTexture(t), gfx::Filter::nearest, gfx::Filter::nearest,
                       gfx::Wrap::clampToEdge};
        gfx::drawProgram(show, nullptr, 0, textures);
        return pixel(8, 8);
    };
    const std::array<int, 3> halves = shown(target);
    EXPECT_NEAR(halves[0], 223, 1);
    EXPECT_NEAR(halves[1], 96, 1);
    EXPECT_NEAR(halves[2], 143, 1);
    const std::array<int, 3> clamped = shown(bytes);
    EXPECT_NEAR(clamped[0], 191, 1) << "8 bits keep 0..1";
    EXPECT_NEAR(clamped[1], 128, 1);

    gfx::clearTarget(target);
    EXPECT_EQ(shown(target), (std::array<int, 3>{128, 128, 128}));
    gfx::deleteTarget(target);
    gfx::deleteTarget(bytes);
    EXPECT_EQ(gfx::targetTexture(target), 0u) << "a deleted target is found by nothing";
    gfx::deleteProgram(show);
    EXPECT_EQ(gfx::takeError(), 0u);
}

}  // namespace
