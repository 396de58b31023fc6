// Effects chain: each one, drawn in a real GL context after a module that
// left depth testing, culling, blending, its own depth function and colour
// behind, leaves that state as it found it, with its matrices popped,
// texturing off and its picture wrapping again.
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

std::vector<float> leftState() {
    std::vector<float> s;
    for (GLenum on : {GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND, GL_TEXTURE_2D})
        s.push_back(glIsEnabled(on));
    for (GLenum value : {GL_DEPTH_WRITEMASK, GL_DEPTH_FUNC, GL_PERSPECTIVE_CORRECTION_HINT,
                         GL_MATRIX_MODE, GL_PROJECTION_STACK_DEPTH, GL_MODELVIEW_STACK_DEPTH}) {
        GLint v = 0;
        glGetIntegerv(value, &v);
        s.push_back(static_cast<float>(v));
    }
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    s.insert(s.end(), colour, colour + 4);
    return s;
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
    FakeMusic clock;
    Timeline timeline(&clock);
    setCurrentTimeline(&timeline);
    SilentProgress progress;

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

        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_GREATER);
        glDepthMask(GL_FALSE);
        glEnable(GL_CULL_FACE);
        glEnable(GL_BLEND);
        glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
        glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
        const std::vector<float> before = leftState();
        EXPECT_EQ(module->render(1.0f, nullptr, nullptr, nullptr), 0) << type;
        EXPECT_EQ(leftState(), before) << type;
        EXPECT_EQ(boundTexture(), nullptr) << type;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << type;
    }

    // The distort grids clamp their picture only while they draw.
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
