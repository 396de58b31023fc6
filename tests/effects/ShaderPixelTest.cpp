// Authors' shaders as a viewer sees them: the player's uniforms, script
// parameters, picture and routed channels, the music's spectrum and the
// faults an author meets, from frames the real binary captured headless.
#include "PlayedDemo.h"

#include <cmath>
#include <cstdint>

using namespace pixeltest;

namespace {

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A mono 16-bit WAV of `seconds` of a sine of `frequency` at `rate`.
void writeSine(const fs::path& path, double frequency, double seconds, int rate) {
    const std::uint32_t frames = static_cast<std::uint32_t>(seconds * rate);
    std::ofstream out(path, std::ios::binary);
    const auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + frames * 2);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(static_cast<std::uint32_t>(rate));
    u32(static_cast<std::uint32_t>(rate) * 2);
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(frames * 2);
    for (std::uint32_t i = 0; i < frames; ++i)
        u16(static_cast<std::uint16_t>(
            static_cast<std::int16_t>(16000.0 * std::sin(2.0 * M_PI * frequency * i / rate))));
}

int channel(const Rgb& c, int i) {
    return c[static_cast<std::size_t>(i)];
}

}  // namespace

TEST(ShaderPixels, ClockFrameAndResolutionReachTheShader) {
    PlayedDemo demo("shader_uniforms");
    // Left half: the clock and the frame count; right half: the viewport.
    writeText(demo.dir() / "probe.frag",
              "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
              "    if (fragCoord.x < iResolution.x * 0.5)\n"
              "        fragColor = vec4(iTime / 8.0, float(iFrame) / 16.0, 0.0, 1.0);\n"
              "    else\n"
              "        fragColor = vec4(iResolution.x / 256.0, iResolution.y / 256.0,\n"
              "                         iResolution.z, 1.0);\n"
              "}\n");
    // The old dialect: iGlobalTime, texture2D.
    writeText(
        demo.dir() / "old.frag",
        "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
        "    fragColor = vec4(iGlobalTime / 8.0, texture2D(iChannel0, vec2(0.5)).b, 0.0, 1.0);\n"
        "}\n");
    ASSERT_EQ(demo.play("event e0 timer time=1\n"
                        "event e1 timer time=3\n"
                        "s at e0 shader start file=probe.frag\n"
                        "s at e1 shader start file=old.frag iChannel0=blue.png\n",
                        "64x48", 4, 4),
              0)
        << demo.log();
    // Four frames a second, the command at frame 4: frame 8 is one second
    // and four frames after it.
    const Frame f = demo.frame(8);
    EXPECT_TRUE(near(f.at(8, 24), {32, 64, 0})) << "iTime 1, iFrame 4";
    EXPECT_TRUE(near(f.at(56, 24), {64, 48, 255})) << "iResolution 64 x 48 x 1";
    EXPECT_TRUE(near(demo.frame(10).at(8, 24), {48, 96, 0})) << "iTime 1.5, iFrame 6";
    EXPECT_TRUE(near(demo.frame(14).at(32, 24), {16, 255, 0})) << "the old dialect";
}

TEST(ShaderPixels, ValuesReadBeforeTheyAreSetAreAsInABrowser) {
    PlayedDemo demo("shader_locals");
    // Shadertoy's colour comes in as opaque black, and golfed shaders add
    // to it.
    writeText(demo.dir() / "add.frag",
              "void mainImage(out vec4 o, vec2 i) { o += vec4(0.25, 0.5, 0.0, -0.5); }\n");
    writeText(demo.dir() / "sum.frag",
              "float bump(float x) { float sum; for (int i = 0; i < 4; ++i) sum += x; "
              "return sum; }\n"
              "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
              "    vec3 c;\n"
              "    c.g += 0.5;\n"
              "    fragColor = vec4(bump(0.125), c.g, c.b, 1.0);\n"
              "}\n");
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e1 timer time=1\n"
                        "back at e0 image start bitmap=red.png\n"
                        "s at e0 shader start file=sum.frag\n"
                        "s at e1 shader start file=add.frag transparent=1\n",
                        "32x32", 4, 2),
              0)
        << demo.log();
    for (int frame = 0; frame < 4; ++frame)
        EXPECT_TRUE(near(demo.frame(frame).at(16, 16), {128, 128, 0})) << frame;
    // Its alpha 1 - 0.5 over red.
    EXPECT_TRUE(near(demo.frame(5).at(16, 16), {159, 64, 0})) << "added to opaque black";
    // The driver is asked quietly: standard error is the player's alone.
    EXPECT_EQ(demo.log().find("ATTENTION"), std::string::npos) << demo.log();
}

TEST(ShaderPixels, ScriptParametersDriveUniformsAndClock) {
    PlayedDemo demo("shader_parameters");
    writeText(demo.dir() / "params.frag",
              "uniform float level;\n"
              "uniform vec2 spot = vec2(0.25, 0.5);\n"
              "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
              "    fragColor = vec4(level, spot.x, spot.y, 1.0);\n"
              "    if (fragCoord.y < 8.0) fragColor = vec4(iTime / 4.0, 0.0, 0.0, 1.0);\n"
              "}\n");
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e1 timer time=2\n"
                        "s at e0 shader start file=params.frag levelVel=0.25 timeVel=0.5 "
                        "spot.x=keys(0:0,2:1)\n"
                        "s at e1 shader setParam spot.g=1 time=0\n",
                        "64x48", 2, 4),
              0)
        << demo.log();
    const Frame one = demo.frame(2);  // 1 s
    EXPECT_TRUE(near(one.at(32, 24), {64, 128, 128})) << "velocity, keys and initialisers";
    EXPECT_TRUE(near(one.at(32, 44), {32, 0, 0})) << "the clock at half speed";
    const Frame three = demo.frame(6);  // 3 s
    EXPECT_TRUE(near(three.at(32, 24), {191, 255, 255})) << "setParam on one component, by its colour name";
    EXPECT_TRUE(near(three.at(32, 44), {0, 0, 0})) << "the clock set back, held";
}

TEST(ShaderPixels, PictureChannelsSampleWithTheirFilterAndWrap) {
    PlayedDemo demo("shader_channels");
    // Two texels, red | green.
    writePng(demo.dir() / "pair.png", 2, 1, false, [](int x, int) {
        return x == 0 ? Rgba{255, 0, 0, 255} : Rgba{0, 255, 0, 255};
    });
    // Left: past the right edge (repeat: the first texel again); right:
    // between the texels (nearest: one of them; linear: a mixture).
    writeText(demo.dir() / "sample.frag",
              "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
              "    vec2 at = fragCoord.x < 32.0 ? vec2(1.2, 0.5) : vec2(0.45, 0.5);\n"
              "    fragColor = texture(iChannel1, at);\n"
              "}\n");
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e1 timer time=1\n"
                        "s at e0 shader start file=sample.frag iChannel1=pair.png "
                        "iChannel1Filter=nearest iChannel1Wrap=repeat\n"
                        "s at e1 shader start file=sample.frag iChannel1=pair.png "
                        "iChannel1Filter=linear iChannel1Wrap=clamp\n",
                        "64x32", 2, 2),
              0)
        << demo.log();
    const Frame nearest = demo.frame(1);
    EXPECT_TRUE(near(nearest.at(8, 16), kRed)) << "repeat";
    EXPECT_TRUE(near(nearest.at(48, 16), kRed)) << "nearest";
    const Frame linear = demo.frame(3);
    EXPECT_TRUE(near(linear.at(8, 16), kGreen)) << "clamp";
    const Rgb mixed = linear.at(48, 16);
    EXPECT_GT(channel(mixed, 0), 60) << "linear";
    EXPECT_GT(channel(mixed, 1), 60) << "linear";
}

TEST(ShaderPixels, ARoutedTrackArrivesInChannelZero) {
    PlayedDemo demo("shader_route");
    writeText(demo.dir() / "swap.frag",
              "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
              "    fragColor = vec4(texture(iChannel0, fragCoord / iResolution.xy).bgr, 1.0);\n"
              "}\n");
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "src at e0 image start bitmap=red.png\n"
                        "dst at e0 shader start file=swap.frag\n"
                        "r at e0 route start source=src destination=dst\n",
                        "64x64", 2, 1),
              0)
        << demo.log();
    EXPECT_TRUE(near(demo.frame(1).at(32, 32), kBlue)) << "red, its channels swapped";
}

TEST(ShaderPixels, TheMusicSpectrumLightsTheSinesBinTheSameAfterAStart) {
    PlayedDemo demo("shader_music");
    // 1 kHz at 44.1 kHz: bin 1000 * 2048 / 44100 = 46.4 of 1024.
    writeSine(demo.dir() / "tone.wav", 1000.0, 4.0, 44100);
    writeText(
        demo.dir() / "spectrum.frag",
        "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
        "    float bin = texture(iChannel0, vec2(46.5 / 512.0, 0.25)).x;\n"
        "    float far = texture(iChannel0, vec2(300.5 / 512.0, 0.25)).x;\n"
        "    float wave = texture(iChannel0, vec2(0.5, 0.75)).x;\n"
        "    fragColor = vec4(bin, far, fragCoord.x < 32.0 ? iChannelTime[0] / 4.0 : wave, 1.0);\n"
        "}\n");
    const std::string script =
        "globalSettings music=tone.wav\n"
        "event e0 timer time=0\n"
        "s at e0 shader start file=spectrum.frag iChannel0=music\n";
    ASSERT_EQ(demo.play(script, "64x32", 4, 3), 0) << demo.log();
    const Frame full = demo.frame(8);  // 2 s
    EXPECT_GT(channel(full.at(48, 16), 0), 200) << "the tone's bin";
    EXPECT_LT(channel(full.at(48, 16), 1), 40) << "far from it";
    EXPECT_TRUE(near(full.at(8, 16), {channel(full.at(8, 16), 0), channel(full.at(8, 16), 1), 128}))
        << "iChannelTime is the music's time";
    const Rgb seen = full.at(48, 16);

    // Started at 1.5 s, the frame at 2 s is the same.
    ASSERT_EQ(demo.run(script, "--mode 64x32 --fixed-fps 4 --start 1.5 --until 3 --capture '" +
                                   (demo.dir() / "frames").string() + "'"),
              0)
        << demo.log();
    EXPECT_EQ(demo.frame(2).at(48, 16), seen) << "2 s after a start at 1.5 s";

    // Seeking from 1 s to 2 s, the same again.
    setenv("DEMOPLAYER_TEST_ACTIONS", "4:seek+1", 1);
    const int status = demo.play(script, "64x32", 4, 3);
    unsetenv("DEMOPLAYER_TEST_ACTIONS");
    ASSERT_EQ(status, 0) << demo.log();
    EXPECT_EQ(demo.frame(4).at(48, 16), seen) << "2 s after a seek from 1 s";
}

TEST(ShaderPixels, FaultsNameTheScriptPlaceAndTheShadersOwnLine) {
    PlayedDemo demo("shader_faults");
    writeText(demo.dir() / "bad.frag",
              "// a comment\n"
              "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
              "    fragColor = vec4(undeclaredThing, 1.0);\n"
              "}\n");
    writeText(demo.dir() / "none.frag", "void main() {}\n");
    EXPECT_NE(demo.play("event e0 timer time=0\n"
                        "\n"
                        "s at e0 shader start file=bad.frag\n",
                        "64x32", 2, 1),
              0);
    EXPECT_NE(demo.log().find("line 3, pos"), std::string::npos) << demo.log();
    EXPECT_NE(demo.log().find("Shader bad.frag, line 3: "), std::string::npos) << demo.log();
    EXPECT_NE(demo.log().find("undeclaredThing"), std::string::npos) << demo.log();

    EXPECT_NE(demo.play("event e0 timer time=0\n"
                        "s at e0 shader start file=none.frag\n"
                        "t at e0 shader start file=missing.frag\n"
                        "u at e0 shader start file=bad.frag iChannel0=7\n"
                        "v at e0 shader start file=bad.frag format=float\n",
                        "64x32", 2, 1),
              0);
    EXPECT_NE(demo.log().find("line 2, pos"), std::string::npos) << demo.log();
    EXPECT_NE(demo.log().find("no function mainImage"), std::string::npos) << demo.log();
    EXPECT_NE(demo.log().find("Shader missing.frag not found"), std::string::npos) << demo.log();
    EXPECT_NE(demo.log().find("\"iChannel0\" must be"), std::string::npos) << demo.log();
    EXPECT_NE(demo.log().find("\"format\" must be half or byte"), std::string::npos)
        << demo.log();
}

TEST(ShaderPixels, SelfFeedbackAccumulatesOverFrames) {
    PlayedDemo demo("shader_self");
    // Each frame adds 16 to what the last one left, from black.
    writeText(demo.dir() / "grow.frag",
              "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
              "    vec3 last = texture(iChannel0, fragCoord / iResolution.xy).rgb;\n"
              "    fragColor = vec4(last + vec3(16.0 / 255.0), 1.0);\n"
              "}\n");
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e1 timer time=2\n"
                        "s at e0 shader start file=grow.frag iChannel0=self\n"
                        "s at e1 shader start file=grow.frag iChannel0=self\n",
                        "48x32", 4, 3),
              0)
        << demo.log();
    EXPECT_TRUE(near(demo.frame(0).at(24, 16), {16, 16, 16}, 1)) << "black before the first";
    EXPECT_TRUE(near(demo.frame(4).at(24, 16), {80, 80, 80}, 1)) << "five frames in";
    EXPECT_TRUE(near(demo.frame(8).at(24, 16), {16, 16, 16}, 1)) << "a start begins again";
    EXPECT_TRUE(near(demo.frame(9).at(3, 29), {32, 32, 32}, 1)) << "every pixel its own";
}

TEST(ShaderPixels, AReloadThatDoesNotCompileKeepsThePreviousShader) {
    PlayedDemo demo("shader_reload");
    const auto solid = [](const char* colour) {
        return std::string(
                   "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
                   "    fragColor = vec4(") +
               colour + ", 1.0);\n}\n";
    };
    writeText(demo.dir() / "look.frag", solid("1.0, 0.0, 0.0"));
    writeText(demo.dir() / "broken.frag", solid("1.0, 0.0, nothing"));
    writeText(demo.dir() / "blue.frag", solid("0.0, 0.0, 1.0"));
    const std::string script =
        "event e0 timer time=0\n"
        "s at e0 shader start file=look.frag\n";
    setenv("DEMOPLAYER_TEST_ACTIONS",
           "2:copy=broken.frag>look.frag,2:reload,4:copy=blue.frag>look.frag,4:reload", 1);
    const int status = demo.play(script, "32x32", 4, 1.5);
    unsetenv("DEMOPLAYER_TEST_ACTIONS");
    ASSERT_EQ(status, 0) << demo.log();
    EXPECT_TRUE(near(demo.frame(1).at(16, 16), kRed));
    EXPECT_TRUE(near(demo.frame(3).at(16, 16), kRed)) << "the edit does not compile";
    EXPECT_NE(demo.log().find("Shader look.frag, line 2: "), std::string::npos) << demo.log();
    EXPECT_NE(demo.log().find("nothing"), std::string::npos) << demo.log();
    EXPECT_TRUE(near(demo.frame(5).at(16, 16), kBlue)) << "the next edit does";
}

TEST(ShaderPixels, ABlendsOverTheLayersBelowLikeAPicture) {
    PlayedDemo demo("shader_blend");
    // Blue, its own alpha 0: Shadertoy shows it opaque.
    writeText(demo.dir() / "blue.frag",
              "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
              "    fragColor = vec4(0.0, 0.0, 1.0, 0.0);\n"
              "}\n");
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e1 timer time=1\n"
                        "event e2 timer time=2\n"
                        "event e3 timer time=3\n"
                        "back at e0 image start bitmap=red.png\n"
                        "s at e0 shader start file=blue.frag\n"
                        "s at e1 shader start file=blue.frag alpha=0.5\n"
                        "s at e2 shader start file=blue.frag additiveBlending=1\n"
                        "s at e3 shader start file=blue.frag transparent=1\n",
                        "32x32", 2, 4),
              0)
        << demo.log();
    EXPECT_TRUE(near(demo.frame(1).at(16, 16), kBlue)) << "opaque";
    EXPECT_TRUE(near(demo.frame(3).at(16, 16), {128, 0, 128})) << "half";
    EXPECT_TRUE(near(demo.frame(5).at(16, 16), {255, 0, 255})) << "added";
    EXPECT_TRUE(near(demo.frame(7).at(16, 16), kRed)) << "its own alpha";
}

TEST(ShaderPixels, HalfFloatTracksHandOnWhatEightBitsLose) {
    PlayedDemo demo("shader_half_route");
    // A buffer adding 1/1024 a frame, with a negative value and its own
    // alpha; the image pass shows them scaled into view.
    writeText(demo.dir() / "buffer.frag",
              "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
              "    vec4 last = texture(iChannel0, fragCoord / iResolution.xy);\n"
              "    fragColor = vec4(last.r + 1.0 / 1024.0, -0.5, 0.0, 0.25);\n"
              "}\n");
    writeText(demo.dir() / "image.frag",
              "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
              "    vec4 b = texture(iChannel0, fragCoord / iResolution.xy);\n"
              "    fragColor = vec4(b.r * 16.0, -b.g, b.a, 1.0);\n"
              "}\n");
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e1 timer time=2\n"
                        "buf at e0 shader start file=buffer.frag iChannel0=self format=half\n"
                        "img at e0 shader start file=image.frag\n"
                        "r at e0 route start source=buf destination=img\n"
                        "buf at e1 shader start file=buffer.frag iChannel0=self format=byte\n",
                        "32x32", 8, 4),
              0)
        << demo.log();
    // 16 frames of 1/1024, times 16: a quarter.
    EXPECT_TRUE(near(demo.frame(15).at(16, 16), {64, 128, 64}, 2))
        << "the sum, the negative value and the alpha";
    EXPECT_TRUE(near(demo.frame(31).at(16, 16), {0, 0, 255}, 2)) << "8 bits: lost";
}

TEST(ShaderPixels, AHalfFloatTrackOnTheScreenAccumulatesAndBlends) {
    PlayedDemo demo("shader_half_screen");
    // Red adds 1/1024 a frame; green shows it 16 times over.
    writeText(demo.dir() / "sum.frag",
              "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
              "    float sum = texture(iChannel0, fragCoord / iResolution.xy).r + 1.0 / 1024.0;\n"
              "    fragColor = vec4(sum, sum * 16.0, 0.0, 1.0);\n"
              "}\n");
    writeText(demo.dir() / "blue.frag",
              "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
              "    fragColor = vec4(0.0, 0.0, 1.0, 0.0);\n"
              "}\n");
    ASSERT_EQ(demo.play("event e0 timer time=0\n"
                        "event e1 timer time=2\n"
                        "event e2 timer time=3\n"
                        "back at e2 image start bitmap=red.png\n"
                        "s at e0 shader start file=sum.frag iChannel0=self format=half\n"
                        "s at e1 shader start file=sum.frag iChannel0=self format=half\n"
                        "s at e2 shader start file=blue.frag format=half alpha=0.5\n",
                        "32x32", 8, 3.5),
              0)
        << demo.log();
    EXPECT_TRUE(near(demo.frame(15).at(16, 16), {4, 64, 0}, 2)) << "16 frames summed";
    EXPECT_TRUE(near(demo.frame(16).at(3, 29), {0, 4, 0}, 2)) << "a start begins from black";
    EXPECT_TRUE(near(demo.frame(25).at(16, 16), {128, 0, 128})) << "half over red";
}
