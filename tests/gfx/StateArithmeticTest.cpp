// The parts of the door and of the shader renderer that need no context:
// the fixed-function rules a state value follows (colour tracking, refused
// light values), where a point lands in the window, the variant a state
// asks for, the lights and normals in eye space, and pixel layouts.
#include "Gles2Lighting.h"
#include "Gles2Variant.h"
#include "PixelConversion.h"
#include "gfx/State.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

const gfx::Rgba kRed{1, 0, 0, 1};
const gfx::Rgba kBlue{0, 0, 1, 1};

TEST(StateRules, ColourTrackingOwnsTheTrackedColoursOfTheTrackedFaces) {
    gfx::State s;
    // Without tracking a material call sets what it names, on the faces named.
    gfx::setMaterial(s, gfx::Face::front, gfx::MaterialColour::ambientAndDiffuse, kRed);
    EXPECT_EQ(s.front.ambient, kRed);
    EXPECT_EQ(s.front.diffuse, kRed);
    EXPECT_EQ(s.back.diffuse, (gfx::Rgba{0.8f, 0.8f, 0.8f, 1}));
    // Tracking the back's diffuse: the current colour is taken at once, and
    // material calls leave it alone while the others still change.
    s.trackedFace = gfx::Face::back;
    s.tracked = gfx::MaterialColour::diffuse;
    s.enabled[static_cast<std::size_t>(gfx::Cap::colorMaterial)] = true;
    s.colour = kBlue;
    gfx::followColour(s);
    EXPECT_EQ(s.back.diffuse, kBlue);
    EXPECT_EQ(s.front.diffuse, kRed) << "the front is not tracked";
    gfx::setMaterial(s, gfx::Face::frontAndBack, gfx::MaterialColour::ambientAndDiffuse, kRed);
    EXPECT_EQ(s.back.diffuse, kBlue) << "tracked: the call leaves it";
    EXPECT_EQ(s.back.ambient, kRed) << "not tracked: the call sets it";
    // Tracking off: the last tracked colour stays, and calls set it again.
    s.enabled[static_cast<std::size_t>(gfx::Cap::colorMaterial)] = false;
    s.colour = kRed;
    gfx::followColour(s);
    EXPECT_EQ(s.back.diffuse, kBlue);
    gfx::setMaterial(s, gfx::Face::back, gfx::MaterialColour::diffuse, kRed);
    EXPECT_EQ(s.back.diffuse, kRed);
    EXPECT_TRUE(gfx::materialCovers(gfx::MaterialColour::ambientAndDiffuse,
                                    gfx::MaterialColour::ambient));
    EXPECT_FALSE(gfx::materialCovers(gfx::MaterialColour::diffuse,
                                     gfx::MaterialColour::ambientAndDiffuse));
}

TEST(StateRules, RefusedLightValuesKeepThePreviousAndTheMatrixIsTheOneGiven) {
    gfx::Light light;
    gfx::LightParams p;
    p.spotCutoffDegrees = 30.0f;
    p.spotExponent = 5.0f;
    p.linearAttenuation = 0.5f;
    gfx::Matrix4 moved;
    gfx::translate(moved, 1.0f, 2.0f, 3.0f);
    gfx::setLight(light, p, moved);
    EXPECT_EQ(light.params.spotCutoffDegrees, 30.0f);
    EXPECT_EQ(light.modelView, moved);
    // Between 90 and 180 degrees, an exponent past 128, negative
    // attenuation: refused one by one, the rest taken.
    p.spotCutoffDegrees = 120.0f;
    p.spotExponent = 200.0f;
    p.linearAttenuation = -1.0f;
    p.diffuse = kRed;
    gfx::setLight(light, p, gfx::Matrix4{});
    EXPECT_EQ(light.params.spotCutoffDegrees, 30.0f);
    EXPECT_EQ(light.params.spotExponent, 5.0f);
    EXPECT_EQ(light.params.linearAttenuation, 0.5f);
    EXPECT_EQ(light.params.diffuse, kRed);
    p.spotCutoffDegrees = 180.0f;
    gfx::setLight(light, p, gfx::Matrix4{});
    EXPECT_EQ(light.params.spotCutoffDegrees, 180.0f) << "180: no spot, taken";
    // The initial lights: 0 white, the others dark.
    const gfx::State s;
    EXPECT_EQ(s.lights[0].params.diffuse, (gfx::Rgba{1, 1, 1, 1}));
    EXPECT_EQ(s.lights[5].params.specular, (gfx::Rgba{0, 0, 0, 1}));
}

TEST(StateRules, APointLandsInTheWindowAsTheDriverPlacesIt) {
    gfx::Matrix4 projection, modelView, texture;
    gfx::ortho(projection, 0, 100, 0, 50, -1, 1);
    const gfx::Matrices m{modelView, projection, texture};
    std::array<float, 3> window{};
    ASSERT_TRUE(gfx::windowPosition(m, {{10, 20, 200, 100}}, 25.0f, 10.0f, 0.0f, window));
    EXPECT_FLOAT_EQ(window[0], 60.0f);  // a quarter across the 200 pixels, after 10
    EXPECT_FLOAT_EQ(window[1], 40.0f);  // a fifth up the 100, after 20
    EXPECT_FLOAT_EQ(window[2], 0.5f);
    EXPECT_FALSE(gfx::windowPosition(m, {{0, 0, 200, 100}}, 101.0f, 10.0f, 0.0f, window));
    EXPECT_FALSE(gfx::windowPosition(m, {{0, 0, 200, 100}}, 50.0f, 10.0f, 2.0f, window))
        << "beyond the far plane";
}

TEST(ShaderVariant, TheKeyFollowsWhatTheStateSwitchesOn) {
    gfx::State s;
    const gfx::Matrix4 identity;
    EXPECT_EQ(gfx::programKeyFor(s, std::nullopt, identity, false).packed(),
              gfx::ProgramKey{}.packed());
    // Lights count only with lighting; tracking only with both.
    s.enabled[static_cast<std::size_t>(gfx::lightCap(2))] = true;
    s.enabled[static_cast<std::size_t>(gfx::Cap::colorMaterial)] = true;
    EXPECT_FALSE(gfx::programKeyFor(s, std::nullopt, identity, false).lighting);
    s.enabled[static_cast<std::size_t>(gfx::Cap::lighting)] = true;
    gfx::ProgramKey k = gfx::programKeyFor(s, std::nullopt, identity, false);
    EXPECT_EQ(k.lights, 1u << 2);
    EXPECT_EQ(k.trackedColour, static_cast<int>(gfx::MaterialColour::ambientAndDiffuse));
    // A texture only when one is sampled; its channels and the matrix.
    s.textureEnv = gfx::TextureEnv::decal;
    EXPECT_EQ(gfx::programKeyFor(s, std::nullopt, identity, false).textureEnv, -1);
    gfx::Matrix4 shifted;
    shifted.m[12] = 0.5f;
    k = gfx::programKeyFor(s, gfx::PixelFormat::alpha, shifted, false);
    EXPECT_EQ(k.textureEnv, static_cast<int>(gfx::TextureEnv::decal));
    EXPECT_EQ(k.textureChannels, 2);
    EXPECT_TRUE(k.textureMatrix);
    EXPECT_EQ(gfx::programKeyFor(s, gfx::PixelFormat::rgb, identity, false).textureChannels, 1);
    // An alpha test that always passes is no test.
    s.enabled[static_cast<std::size_t>(gfx::Cap::alphaTest)] = true;
    EXPECT_EQ(gfx::programKeyFor(s, std::nullopt, identity, false).alphaTest, -1);
    s.alphaCompare = gfx::Compare::never;
    EXPECT_EQ(gfx::programKeyFor(s, std::nullopt, identity, true).alphaTest,
              static_cast<int>(gfx::Compare::never));
    s.enabled[static_cast<std::size_t>(gfx::Cap::fog)] = true;
    s.fogMode = gfx::FogMode::exp2;
    k = gfx::programKeyFor(s, std::nullopt, identity, true);
    EXPECT_EQ(k.fog, static_cast<int>(gfx::FogMode::exp2));
    EXPECT_TRUE(k.points);
    // Different state, different variants; the description names them.
    EXPECT_NE(k.packed(), gfx::programKeyFor(s, std::nullopt, identity, false).packed());
    EXPECT_EQ(k.describe(), "for lighting (lights 2, tracking ambient and diffuse), fog exp2, "
                            "alpha test");
}

TEST(ShaderLighting, LightsGoIntoEyeSpaceAsTheFixedFunctionPipelinePutsThem) {
    gfx::Light light;
    light.params.position = {{0.0f, 3.0f, 4.0f, 0.0f}};  // a direction
    gfx::LightUniforms u = gfx::lightUniforms(light);
    EXPECT_FLOAT_EQ(u.position[1], 0.6f);
    EXPECT_FLOAT_EQ(u.position[2], 0.8f);
    EXPECT_EQ(u.position[3], 0.0f);
    // The half vector of an infinite viewer: between the light and +z.
    const float h = 1.0f / std::sqrt(0.36f + 3.24f);
    EXPECT_NEAR(u.half[1], 0.6f * h, 1e-6);
    EXPECT_NEAR(u.half[2], 1.8f * h, 1e-6);
    EXPECT_EQ(u.spot[3], -2.0f) << "no spot";
    // A positional light under a model-view matrix: moved, divided by w.
    light.params.position = {{1.0f, 2.0f, 3.0f, 2.0f}};
    light.params.spotCutoffDegrees = 60.0f;
    light.params.spotDirection = {{0.0f, 0.0f, -2.0f}};
    gfx::translate(light.modelView, 10.0f, 0.0f, 0.0f);
    gfx::rotate(light.modelView, 90.0f, 0.0f, 0.0f, 1.0f);
    u = gfx::lightUniforms(light);
    EXPECT_NEAR(u.position[0], 10.0f - 1.0f, 1e-5);
    EXPECT_NEAR(u.position[1], 0.5f, 1e-5);
    EXPECT_NEAR(u.position[2], 1.5f, 1e-5);
    EXPECT_EQ(u.position[3], 1.0f);
    EXPECT_NEAR(u.spot[2], -1.0f, 1e-6) << "the spot direction, normalised, not moved";
    EXPECT_NEAR(u.spot[3], 0.5f, 1e-6) << "the cosine of the cut-off";
    // Normals: the inverse transpose, so a squashed sphere's normals stay
    // at right angles to it.
    gfx::Matrix4 squash;
    gfx::scale(squash, 2.0f, 0.5f, 1.0f);
    const std::array<float, 9> n = gfx::normalMatrixOf(squash);
    EXPECT_FLOAT_EQ(n[0], 0.5f);
    EXPECT_FLOAT_EQ(n[4], 2.0f);
    EXPECT_FLOAT_EQ(n[8], 1.0f);
    EXPECT_EQ(n[1], 0.0f);
}

TEST(PixelConversion, LayoutsConvertAsTheFixedFunctionPipelineReadsThem) {
    const std::vector<std::uint8_t> la = {10, 200, 30, 40};
    EXPECT_EQ(gfx::toRgba(la.data(), 2, gfx::PixelFormat::luminanceAlpha),
              (std::vector<std::uint8_t>{10, 10, 10, 200, 30, 30, 30, 40}));
    EXPECT_EQ(gfx::toRgba(la.data(), 2, gfx::PixelFormat::alpha),
              (std::vector<std::uint8_t>{0, 0, 0, 10, 0, 0, 0, 200}));
    EXPECT_EQ(gfx::toRgba(la.data(), 1, gfx::PixelFormat::rgb),
              (std::vector<std::uint8_t>{10, 200, 30, 255}));
    const std::vector<std::uint8_t> rgba = {100, 150, 200, 50};
    EXPECT_EQ(gfx::fromRgba(rgba.data(), 1, gfx::PixelFormat::luminance),
              (std::vector<std::uint8_t>{100}));
    EXPECT_EQ(gfx::fromRgba(rgba.data(), 1, gfx::PixelFormat::luminanceAlpha),
              (std::vector<std::uint8_t>{100, 50}));
    // Read back, luminance is the colours' sum, clamped.
    std::vector<std::uint8_t> frame = {100, 150, 200, 50, 10, 20, 30, 255};
    std::uint8_t luminance[2] = {};
    gfx::readBackAs(frame, 2, gfx::PixelFormat::luminance, luminance);
    EXPECT_EQ(luminance[0], 255);
    EXPECT_EQ(luminance[1], 60);
    frame = {1, 2, 3, 4, 5, 6, 7, 8};
    std::uint8_t rgb[6] = {};
    gfx::readBackAs(frame, 2, gfx::PixelFormat::rgb, rgb);
    EXPECT_EQ(std::vector<std::uint8_t>(rgb, rgb + 6), (std::vector<std::uint8_t>{1, 2, 3, 5, 6, 7}));
    for (gfx::PixelFormat f : {gfx::PixelFormat::rgb, gfx::PixelFormat::rgba,
                               gfx::PixelFormat::luminance, gfx::PixelFormat::luminanceAlpha,
                               gfx::PixelFormat::alpha})
        EXPECT_EQ(gfx::fromRgba(gfx::toRgba(la.data(), 1, f).data(), 1, f).size(),
                  static_cast<std::size_t>(gfx::channelsOf(f)));
}

}  // namespace
