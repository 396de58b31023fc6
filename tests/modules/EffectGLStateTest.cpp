// Effects chain: each one, drawn in a real GL context after a module that
// left depth testing, culling, blending, its own depth function and colour
// behind, draws and then leaves that state as it found it, with its
// matrices popped, texturing off and its picture wrapping again.
#include "GLContext.h"
#include "PlayedDemo.h"

#include "assets/Texture.h"
#include "modules/EffectModules.h"
#include "script/ArgumentList.h"
#include "shell/OverlayFont.h"
#include "timeline/LoadingScreen.h"
#include "timeline/MusicClock.h"
#include "timeline/Timeline.h"
#include "timeline/Track.h"
#include "timeline/TrackModule.h"

#include <GL/gl.h>

namespace {

class StillClock : public MusicClock {
public:
    bool setMusic(const std::string&) override { return true; }
    void startIfNeeded() override {}
    double time() override { return 1.0; }
    bool ended() override { return false; }
};

class SilentProgress : public LoadingScreen {
public:
    int draw(float) override { return 0; }
    void addProgress(float) override {}
};

// What the previous module left behind, as the next one must find it again.
struct LeftState {
    GLboolean depthTest, cull, blend, depthMask;
    GLint depthFunc, hint, matrixMode, projectionDepth, modelviewDepth;
    GLfloat colour[4];

    static LeftState read() {
        LeftState s{};
        s.depthTest = glIsEnabled(GL_DEPTH_TEST);
        s.cull = glIsEnabled(GL_CULL_FACE);
        s.blend = glIsEnabled(GL_BLEND);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &s.depthMask);
        glGetIntegerv(GL_DEPTH_FUNC, &s.depthFunc);
        glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &s.hint);
        glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &s.projectionDepth);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &s.modelviewDepth);
        glGetFloatv(GL_CURRENT_COLOR, s.colour);
        return s;
    }
};

void expectSame(const LeftState& before, const LeftState& after, const std::string& what) {
    EXPECT_EQ(before.depthTest, after.depthTest) << what;
    EXPECT_EQ(before.cull, after.cull) << what;
    EXPECT_EQ(before.blend, after.blend) << what;
    EXPECT_EQ(before.depthMask, after.depthMask) << what;
    EXPECT_EQ(before.depthFunc, after.depthFunc) << what;
    EXPECT_EQ(before.hint, after.hint) << what;
    EXPECT_EQ(before.matrixMode, after.matrixMode) << what;
    EXPECT_EQ(before.projectionDepth, after.projectionDepth) << what;
    EXPECT_EQ(before.modelviewDepth, after.modelviewDepth) << what;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(before.colour[i], after.colour[i]) << what;
}

}  // namespace

TEST(EffectGLState, EveryEffectLeavesTheStateItFound) {
    GLContext gl(64, 64);
    ASSERT_TRUE(gl.ok());
    registerEffectModules();
    OverlayFont::instance().build(64);
    pixeltest::PlayedDemo demo("glstate");
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(demo.dir());

    StillClock clock;
    Timeline timeline(&clock);
    setCurrentTimeline(&timeline);
    SilentProgress progress;
    for (const std::string type : {"identityDistort", "waveDistort", "tunnel", "blur", "text"}) {
        Track& track = *timeline.tracks().getOrCreate(type);
        TrackModule* module = track.moduleFor(type);
        ASSERT_NE(module, nullptr) << type;
        ArgumentList arguments;
        arguments.addToken(type == "text" ? "string=\"%s 100%\"" : "bitmap=quad.png");
        arguments.addToken("alpha=0.5");
        module->checkCommand("start", arguments, track);
        ASSERT_TRUE(module->load(progress));
        track.selectModule(module);
        ASSERT_TRUE(module->command("start", arguments, track));

        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_GREATER);
        glDepthMask(GL_FALSE);
        glEnable(GL_CULL_FACE);
        glEnable(GL_BLEND);
        glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
        glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
        const LeftState before = LeftState::read();
        EXPECT_EQ(module->render(1.0f, nullptr, nullptr, nullptr), 0) << type;
        expectSame(before, LeftState::read(), type);
        EXPECT_EQ(boundTexture(), nullptr) << type;
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << type;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << type;
    }

    // The distort grids clamp their picture only while they draw.
    BitmapTexture* quad = TextureRegistry::instance().getOrCreate("quad.png");
    ASSERT_NE(quad, nullptr);
    quad->bind();
    GLint wrapS = 0, wrapT = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    unbindTexture();
    EXPECT_EQ(wrapS, GL_REPEAT);
    EXPECT_EQ(wrapT, GL_REPEAT);

    setCurrentTimeline(nullptr);
    OverlayFont::instance().destroy();
    std::filesystem::current_path(home);
}
