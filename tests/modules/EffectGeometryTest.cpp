// The geometry of the grid effects without graphics: the texture-coordinate
// rules of the distort modules, the tunnel's grids, the perspective aspect
// and the blur's copies, with the module commanded as firing events would.
#include "ModuleRulesFixture.h"

#include "modules/BlurModule.h"
#include "modules/DistortModule.h"
#include "modules/TunnelModule.h"
#include "modules/WaveDistortModule.h"

#include <cmath>
#include <limits>

namespace {

template <typename M>
M& moduleOn(Track& t, const char* type) {
    return dynamic_cast<M&>(*t.moduleFor(type));
}

void expectCoordinate(const TexCoord& seen, float u, float v, const char* what) {
    EXPECT_NEAR(seen.u, u, 1e-6f) << what;
    EXPECT_NEAR(seen.v, v, 1e-6f) << what;
}

}  // namespace

TEST_F(ModuleRules, WaveRuleAtItsExamplePointsAndItsDegenerateParameters) {
    WaveDistortModule& wave = moduleOn<WaveDistortModule>(track("w"), "waveDistort");
    // Defaults at time 0: rows slide by xAmp sin(2 pi xRipples t).
    wave.beginGrid(0.0f);
    expectCoordinate(wave.textureCoordinate(0.0f, 0.0f), 0.0f, 0.0f, "origin");
    expectCoordinate(wave.textureCoordinate(0.0f, 0.05f), 0.01f, 0.05f, "quarter wave up");
    // Columns slide by yAmp sin(2 pi yRipples s): a quarter wave at s = 1/24.
    expectCoordinate(wave.textureCoordinate(1.0f / 24.0f, 0.0f), 1.0f / 24.0f, 0.01f,
                     "quarter wave across");

    // A negative amplitude stills the wave instead of inverting it.
    ASSERT_TRUE(command("w", "waveDistort", "start", {{"xAmp", "-0.1"}, {"yAmp", "-0.1"}}));
    wave.beginGrid(0.3f);
    expectCoordinate(wave.textureCoordinate(0.2f, 0.05f), 0.2f, 0.05f, "negative amplitudes");

    // Without xchange and ychange the ripple stands still; without
    // xRipples every row moves by the same amount.
    ASSERT_TRUE(command("w", "waveDistort", "start",
                        {{"xchange", "0"}, {"ychange", "0"}, {"xRipples", "0"}, {"xAmp", "0.1"}}));
    wave.beginGrid(0.0f);
    const TexCoord early = wave.textureCoordinate(0.3f, 0.7f);
    wave.beginGrid(7.3f);
    const TexCoord late = wave.textureCoordinate(0.3f, 0.7f);
    EXPECT_EQ(early.u, late.u);
    EXPECT_EQ(early.v, late.v);
    EXPECT_EQ(wave.textureCoordinate(0.5f, 0.1f).u - 0.5f,
              wave.textureCoordinate(0.5f, 0.9f).u - 0.5f);

    // The wave travels: xchange 0.25 turns the rows' phase a quarter per second.
    ASSERT_TRUE(command("w", "waveDistort", "start",
                        {{"xchange", "0.25"}, {"xRipples", "0"}, {"xAmp", "0.1"}, {"yAmp", "0"}}));
    wave.beginGrid(1.0f);
    expectCoordinate(wave.textureCoordinate(0.5f, 0.5f), 0.6f, 0.5f, "a quarter turn later");

    IdentityDistortModule& identity =
        moduleOn<IdentityDistortModule>(track("i"), "identityDistort");
    identity.beginGrid(3.0f);
    expectCoordinate(identity.textureCoordinate(0.25f, 0.75f), 0.25f, 0.75f, "identity");
}

TEST_F(ModuleRules, TunnelGridKeepsItsMouthCentredAndTwistsTheFarEnd) {
    TunnelModule& tunnel = moduleOn<TunnelModule>(track("t"), "tunnel");
    constexpr int last = TunnelModule::kGridSize - 1;
    // Radius 3 at the mouth, 1/3 at the far end; a = 8 is a quarter turn.
    EXPECT_NEAR(tunnel.basePoint(0, 0).x, 3.0f, 1e-5f);
    EXPECT_NEAR(tunnel.basePoint(8, 0).x, 0.0f, 1e-5f);
    EXPECT_NEAR(tunnel.basePoint(8, 0).y, 3.0f, 1e-5f);
    EXPECT_NEAR(tunnel.basePoint(16, last).x, -1.0f / 3.0f, 1e-5f);
    EXPECT_EQ(tunnel.basePoint(16, last).z, -32.0f);
    // Closed: the last ring point meets the first.
    EXPECT_NEAR(tunnel.basePoint(last, 5).x, tunnel.basePoint(0, 5).x, 1e-5f);
    EXPECT_NEAR(tunnel.basePoint(last, 5).y, tunnel.basePoint(0, 5).y, 1e-5f);

    // The mouth stays centred at every time; the far end swings, each
    // axis by its own twist.
    for (float t : {0.0f, 5.0f}) {
        tunnel.computeGrid(t);
        for (int a = 0; a <= last; ++a) {
            EXPECT_EQ(tunnel.movedPoint(a, 0).x, tunnel.basePoint(a, 0).x) << t;
            EXPECT_EQ(tunnel.movedPoint(a, 0).y, tunnel.basePoint(a, 0).y) << t;
        }
        EXPECT_GT(std::fabs(tunnel.movedPoint(0, last).x - tunnel.basePoint(0, last).x), 0.1f);
    }
    const float swingX = tunnel.movedPoint(3, last).x - tunnel.basePoint(3, last).x;
    const float swingY = tunnel.movedPoint(3, last).y - tunnel.basePoint(3, last).y;
    ASSERT_TRUE(command("t", "tunnel", "start", {{"twistX", "2"}, {"twistY", "0"}}));
    tunnel.computeGrid(5.0f);
    EXPECT_NEAR(tunnel.movedPoint(3, last).x - tunnel.basePoint(3, last).x, 2.0f * swingX, 1e-4f);
    EXPECT_EQ(tunnel.movedPoint(3, last).y, tunnel.basePoint(3, last).y);
    EXPECT_NE(swingY, 0.0f);

    // u: half a cosine plus a sixteenth per step around; v at t = 0: 0 at
    // the mouth, about 2.27 at the far end.
    ASSERT_TRUE(command("t", "tunnel", "start"));
    tunnel.computeGrid(0.0f);
    EXPECT_NEAR(tunnel.texCoord(0, 0).u, 0.5f, 1e-6f);
    EXPECT_NEAR(tunnel.texCoord(4, 0).u, 0.75f, 1e-6f);
    EXPECT_EQ(tunnel.texCoord(7, 0).v, 0.0f);
    EXPECT_NEAR(tunnel.texCoord(7, last).v, 32.0f / 120.0f + 2.0f, 1e-4f);

    // Without twists the tube is straight at any time; only the texture flows.
    ASSERT_TRUE(command("t", "tunnel", "start", {{"twistX", "0"}, {"twistY", "0"}}));
    tunnel.computeGrid(5.0f);
    EXPECT_EQ(tunnel.movedPoint(3, last).x, tunnel.basePoint(3, last).x);
    EXPECT_EQ(tunnel.movedPoint(3, last).y, tunnel.basePoint(3, last).y);
    EXPECT_GT(tunnel.texCoord(3, 0).v, 1.0f);
}

TEST_F(ModuleRules, TunnelStretchNearZeroKeepsTheGridFinite) {
    TunnelModule& tunnel = moduleOn<TunnelModule>(track("t"), "tunnel");
    const float smallest = TunnelModule::kMinStretch;
    for (const char* stretch : {"0", "-0", "0.0000001"}) {
        ASSERT_TRUE(command("t", "tunnel", "start", {{"stretch", stretch}}));
        tunnel.computeGrid(2.0f);
        for (int d = 0; d < TunnelModule::kGridSize; ++d)
            EXPECT_TRUE(std::isfinite(tunnel.texCoord(5, d).v)) << stretch << " at " << d;
        // Held at the smallest magnitude: v grows by about 0.07 / bound per ring.
        EXPECT_NEAR(tunnel.texCoord(5, 1).v - tunnel.texCoord(5, 0).v,
                    (0.008333334f + 0.0625f) / smallest, 1.0f)
            << stretch;
    }
    // A small negative stretch keeps its direction.
    ASSERT_TRUE(command("t", "tunnel", "start", {{"stretch", "-0.0000001"}}));
    tunnel.computeGrid(2.0f);
    EXPECT_LT(tunnel.texCoord(5, 1).v, tunnel.texCoord(5, 0).v);
    // A stretch moving through 0 never yields a non-finite coordinate.
    ASSERT_TRUE(command("t", "tunnel", "start", {{"stretch", "-1"}, {"stretchVel", "1"}}));
    for (float t : {0.0f, 0.999f, 1.0f, 1.001f, 2.0f}) {
        tunnel.computeGrid(t);
        EXPECT_TRUE(std::isfinite(tunnel.texCoord(0, TunnelModule::kGridSize - 1).v)) << t;
    }
}

TEST(TunnelAspect, IntegerQuotientNeverBelowOne) {
    EXPECT_EQ(TunnelModule::aspectFor(640, 480), 1.0f);
    EXPECT_EQ(TunnelModule::aspectFor(512, 256), 2.0f);
    EXPECT_EQ(TunnelModule::aspectFor(1024, 512), 2.0f);
    EXPECT_EQ(TunnelModule::aspectFor(480, 640), 1.0f);  // the quotient 0 would be infinite
    EXPECT_EQ(TunnelModule::aspectFor(640, 0), 1.0f);
}

TEST(BlurCopies, CountAndOpacity) {
    EXPECT_EQ(BlurModule::copyCount(4.0f), 4);
    EXPECT_EQ(BlurModule::copyCount(4.9f), 4);
    EXPECT_EQ(BlurModule::copyCount(0.99f), 0);
    EXPECT_EQ(BlurModule::copyCount(-3.0f), 0);
    EXPECT_EQ(BlurModule::copyCount(std::numeric_limits<float>::quiet_NaN()), 0);
    // Beyond the int range the conversion would be undefined.
    EXPECT_EQ(BlurModule::copyCount(1e12f), BlurModule::kMaxCopies);
    EXPECT_EQ(BlurModule::copyCount(std::numeric_limits<float>::infinity()),
              BlurModule::kMaxCopies);

    // Defaults: 0.2, 0.18, 0.16, 0.14, scaled by the layer's alpha.
    EXPECT_FLOAT_EQ(BlurModule::copyAlpha(1, 0.2f, -0.02f, 1.0f), 0.2f);
    EXPECT_FLOAT_EQ(BlurModule::copyAlpha(4, 0.2f, -0.02f, 1.0f), 0.14f);
    EXPECT_FLOAT_EQ(BlurModule::copyAlpha(2, 0.2f, -0.02f, 0.5f), 0.09f);
    // Held to 0..1.
    EXPECT_EQ(BlurModule::copyAlpha(3, 0.2f, -0.5f, 1.0f), 0.0f);
    EXPECT_EQ(BlurModule::copyAlpha(3, 0.9f, 0.5f, 1.0f), 1.0f);
}
