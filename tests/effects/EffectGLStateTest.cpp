// Effects chain: each one, drawn in a real GL context after a module that
// left depth testing, culling, blending, its own depth function and colour
// behind, leaves that state as it found it, with its matrices popped,
// texturing off and its picture wrapping again. The state is read from the
// door, which every effect draws through, so either renderer is checked.
#include "GLContext.h"
#include "ModuleRulesFixture.h"
#include "PlayedDemo.h"

#include "render/OverlayFont.h"
#include "render/Texture.h"
#include "render/TextureRegistry.h"
#include "timeline/LoadingScreen.h"

#include <GL/gl.h>

#include <vector>

namespace {

class SilentProgress : public LoadingScreen {
public:
    int draw(float) override { return 0; }
    void addProgress(float) override {}
};

// Whether the door's `mode` stack holds a single matrix: a pop of the last
// one is refused. A single matrix is left as it was; a deeper stack loses
// its top.
bool singleMatrix(gfx::MatrixMode mode) {
    const gfx::MatrixMode current = gfx::currentMatrixMode();
    gfx::matrixMode(mode);
    const gfx::Matrix4 top = gfx::matrix(mode);
    gfx::Matrix4 marker;
    marker.m[12] = 12345.0f;
    gfx::loadMatrix(marker);
    gfx::popMatrix();
    const bool single = gfx::matrix(mode) == marker;
    if (single) gfx::loadMatrix(top);
    gfx::matrixMode(current);
    return single;
}

// The state a module may change and must put back, as the door reads it.
std::vector<float> leftState() {
    std::vector<float> s;
    for (gfx::Cap on :
         {gfx::Cap::depthTest, gfx::Cap::cullFace, gfx::Cap::blend, gfx::Cap::texture2D})
        s.push_back(gfx::isEnabled(on));
    const gfx::State& state = gfx::state();
    s.push_back(state.depthMask);
    s.push_back(static_cast<float>(state.depthFunc));
    s.push_back(static_cast<float>(state.hint));
    s.push_back(static_cast<float>(gfx::currentMatrixMode()));
    s.push_back(singleMatrix(gfx::MatrixMode::projection));
    s.push_back(singleMatrix(gfx::MatrixMode::modelView));
    for (gfx::MatrixMode mode : {gfx::MatrixMode::projection, gfx::MatrixMode::modelView})
        s.insert(s.end(), gfx::matrix(mode).m.begin(), gfx::matrix(mode).m.end());
    const gfx::Rgba colour = gfx::currentColour();
    s.insert(s.end(), {colour.r, colour.g, colour.b, colour.a});
    return s;
}

}  // namespace

TEST(EffectGLState, EveryEffectLeavesTheStateItFound) {
    GLContext gl(64, 64);
    ASSERT_TRUE(gl.ok()) << gl.error();
    registerEffectModules();
    OverlayFont::instance().build(64);
    pixeltest::PlayedDemo demo("glstate");
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(demo.dir());
    FakeMusic clock;
    Timeline timeline(&clock);
    setCurrentTimeline(&timeline);
    SilentProgress progress;
    gfx::pushMatrix();
    ASSERT_FALSE(singleMatrix(gfx::MatrixMode::modelView)) << "the probe sees a pushed matrix";
    ASSERT_TRUE(singleMatrix(gfx::MatrixMode::modelView));
    ASSERT_TRUE(singleMatrix(gfx::MatrixMode::projection));

    for (const std::string type : {"identityDistort", "waveDistort", "tunnel", "blur", "text"}) {
        Track& track = *timeline.tracks().getOrCreate(type);
        TrackModule* module = track.moduleFor(type);
        ArgumentList arguments;
        arguments.addToken(type == "text" ? "string=\"%s 100%\"" : "bitmap=quad.png");
        arguments.addToken("alpha=0.5");
        module->checkCommand("start", arguments, track);
        ASSERT_TRUE(module->load(progress));
        track.selectModule(module);
        ASSERT_TRUE(module->command("start", arguments, track));

        gfx::enable(gfx::Cap::depthTest);
        gfx::depthFunc(gfx::Compare::greater);
        gfx::depthMask(false);
        gfx::enable(gfx::Cap::cullFace);
        gfx::enable(gfx::Cap::blend);
        gfx::perspectiveHint(gfx::Hint::fastest);
        gfx::colour(0.25f, 0.5f, 0.75f, 1.0f);
        const std::vector<float> before = leftState();
        EXPECT_EQ(module->render(1.0f, nullptr, nullptr, nullptr), 0) << type;
        EXPECT_EQ(leftState(), before) << type;
        EXPECT_EQ(boundTexture(), nullptr) << type;
        EXPECT_EQ(gfx::takeError(), 0u) << type;
    }

    // The distort grids clamp their picture only while they draw.
    // The wrap mode has no query at the door; the driver keeps it for either
    // renderer.
    TextureRegistry::instance().getOrCreate("quad.png")->bind();
    GLint wrap[2] = {};
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap[0]);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap[1]);
    unbindTexture();
    EXPECT_EQ(wrap[0], GL_REPEAT);
    EXPECT_EQ(wrap[1], GL_REPEAT);

    setCurrentTimeline(nullptr);
    OverlayFont::instance().destroy();
    std::filesystem::current_path(home);
}
