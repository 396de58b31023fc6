// The geometry of the grid effects without graphics: the wave's texture
// coordinates, the tunnel's grids and perspective, the blur's copies.
#include "ModuleRulesFixture.h"

#include "effects/BlurModule.h"
#include "effects/TunnelModule.h"
#include "effects/WaveDistortModule.h"

#include <cmath>
#include <limits>

namespace {

void expectCoordinate(const TexCoord& seen, float u, float v) {
    EXPECT_NEAR(seen.u, u, 1e-6f);
    EXPECT_NEAR(seen.v, v, 1e-6f);
}

}  // namespace

TEST_F(ModuleRules, WaveCoordinatesAtTheExamplePoints) {
    auto& wave = dynamic_cast<WaveDistortModule&>(*track("w").moduleFor("waveDistort"));
    // Defaults at time 0: a quarter wave up the rows (t = 0.05) and across
    // the columns (s = 1/24).
    wave.beginGrid(0.0f);
    expectCoordinate(wave.textureCoordinate(0.0f, 0.0f), 0.0f, 0.0f);
    expectCoordinate(wave.textureCoordinate(0.0f, 0.05f), 0.01f, 0.05f);
    expectCoordinate(wave.textureCoordinate(1.0f / 24.0f, 0.0f), 1.0f / 24.0f, 0.01f);
    // A negative amplitude stills the wave instead of inverting it.
    ASSERT_TRUE(command("w", "waveDistort", "start", {{"xAmp", "-0.1"}, {"yAmp", "-0.1"}}));
    wave.beginGrid(0.3f);
    expectCoordinate(wave.textureCoordinate(0.2f, 0.05f), 0.2f, 0.05f);
    // The wave travels: xchange 0.25 turns the rows' phase a quarter per second.
    ASSERT_TRUE(command("w", "waveDistort", "start",
                        {{"xchange", "0.25"}, {"xRipples", "0"}, {"xAmp", "0.1"}, {"yAmp", "0"}}));
    wave.beginGrid(1.0f);
    expectCoordinate(wave.textureCoordinate(0.5f, 0.5f), 0.6f, 0.5f);
}

TEST_F(ModuleRules, TunnelGridKeepsItsMouthCentredAndTwistsTheFarEnd) {
    auto& tunnel = dynamic_cast<TunnelModule&>(*track("t").moduleFor("tunnel"));
    constexpr int last = TunnelModule::kGridSize - 1;
    // Radius 3 at the mouth, 1/3 at z = -32; a = 8 is a quarter turn.
    EXPECT_NEAR(tunnel.basePoint(8, 0).y, 3.0f, 1e-5f);
    EXPECT_NEAR(tunnel.basePoint(16, last).x, -1.0f / 3.0f, 1e-5f);
    EXPECT_EQ(tunnel.basePoint(16, last).z, -32.0f);
    for (float t : {0.0f, 5.0f}) {
        tunnel.computeGrid(t);
        for (int a = 0; a <= last; ++a)
            EXPECT_EQ(tunnel.movedPoint(a, 0).x, tunnel.basePoint(a, 0).x);
        EXPECT_GT(std::fabs(tunnel.movedPoint(0, last).x - tunnel.basePoint(0, last).x), 0.1f);
    }
    // u: half a cosine plus a sixteenth per step around; v at t = 0: 0 at
    // the mouth, about 2.27 at the far end.
    tunnel.computeGrid(0.0f);
    EXPECT_NEAR(tunnel.texCoord(4, 0).u, 0.75f, 1e-6f);
    EXPECT_EQ(tunnel.texCoord(7, 0).v, 0.0f);
    EXPECT_NEAR(tunnel.texCoord(7, last).v, 32.0f / 120.0f + 2.0f, 1e-4f);

    // Each axis swings by its own twist.
    tunnel.computeGrid(5.0f);
    const float swingX = tunnel.movedPoint(3, last).x - tunnel.basePoint(3, last).x;
    ASSERT_TRUE(command("t", "tunnel", "start", {{"twistX", "2"}, {"twistY", "0"}}));
    tunnel.computeGrid(5.0f);
    EXPECT_NEAR(tunnel.movedPoint(3, last).x - tunnel.basePoint(3, last).x, 2.0f * swingX, 1e-4f);
    EXPECT_EQ(tunnel.movedPoint(3, last).y, tunnel.basePoint(3, last).y);
}

TEST_F(ModuleRules, TunnelStretchNearZeroKeepsTheGridFinite) {
    auto& tunnel = dynamic_cast<TunnelModule&>(*track("t").moduleFor("tunnel"));
    // Held at the smallest magnitude, keeping its sign: v changes by about
    // 0.07 / bound per ring.
    const float perRing = (0.008333334f + 0.0625f) / TunnelModule::kMinStretch;
    for (auto [stretch, sign] :
         {std::pair{"0", 1.0f}, {"0.0000001", 1.0f}, {"-0.0000001", -1.0f}}) {
        ASSERT_TRUE(command("t", "tunnel", "start", {{"stretch", stretch}}));
        tunnel.computeGrid(2.0f);
        EXPECT_NEAR(tunnel.texCoord(5, 1).v - tunnel.texCoord(5, 0).v, sign * perRing, 1.0f);
    }
    // Moving through 0, it never yields a coordinate that is not finite.
    ASSERT_TRUE(command("t", "tunnel", "start", {{"stretch", "-1"}, {"stretchVel", "1"}}));
    for (float t : {0.999f, 1.0f, 1.001f}) {
        tunnel.computeGrid(t);
        EXPECT_TRUE(std::isfinite(tunnel.texCoord(0, TunnelModule::kGridSize - 1).v)) << t;
    }
}

TEST(TunnelAspect, IntegerQuotientNeverBelowOne) {
    EXPECT_EQ(TunnelModule::aspectFor(640, 480), 1.0f);
    EXPECT_EQ(TunnelModule::aspectFor(512, 256), 2.0f);
    EXPECT_EQ(TunnelModule::aspectFor(480, 640), 1.0f);  // 0 would make the projection infinite
    EXPECT_EQ(TunnelModule::aspectFor(640, 0), 1.0f);
}

TEST(BlurCopies, CountAndOpacity) {
    EXPECT_EQ(BlurModule::copyCount(4.9f), 4);
    EXPECT_EQ(BlurModule::copyCount(0.99f), 0);
    EXPECT_EQ(BlurModule::copyCount(std::numeric_limits<float>::quiet_NaN()), 0);
    // Beyond the int range the conversion would be undefined.
    EXPECT_EQ(BlurModule::copyCount(1e12f), BlurModule::kMaxCopies);
    // Defaults 0.2 falling by 0.02 per copy, scaled by alpha, held to 0..1.
    EXPECT_FLOAT_EQ(BlurModule::copyAlpha(4, 0.2f, -0.02f, 1.0f), 0.14f);
    EXPECT_FLOAT_EQ(BlurModule::copyAlpha(2, 0.2f, -0.02f, 0.5f), 0.09f);
    EXPECT_EQ(BlurModule::copyAlpha(3, 0.2f, -0.5f, 1.0f), 0.0f);
    EXPECT_EQ(BlurModule::copyAlpha(3, 0.9f, 0.5f, 1.0f), 1.0f);
}
