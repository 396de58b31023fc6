// What the shader module adds to a full-screen shader: whole frames (clear,
// draw, swap, glFinish so the rasteriser's work is counted) of one shader
// drawn by the module through a timeline, against a minimal program of our
// own drawing the same wrapped text in the same context (one program, two
// uniforms, one quad). A light shader (a plasma) shows the module's own
// cost per frame; a heavy one (a ray-marched field) what a demo would run.
// Runs in a hidden window; without a display server on the offscreen driver.
#include "BenchSupport.h"
#include "StillTimeline.h"
#include "base/Screen.h"
#include "effects/EffectModules.h"
#include "effects/ShaderSource.h"
#include "render/PatchCable.h"
#include "timeline/LoadingScreen.h"
#include "timeline/MusicClock.h"
#include "timeline/Timeline.h"
#include "timeline/TimelineParser.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

const char* const kPlasma =
    "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
    "    vec2 uv = fragCoord / iResolution.xy;\n"
    "    float v = sin(uv.x * 10.0 + iTime) + sin(uv.y * 7.0 - iTime * 1.3)\n"
    "            + sin((uv.x + uv.y) * 5.0 + iTime * 0.7);\n"
    "    fragColor = vec4(0.5 + 0.5 * sin(v * 3.0 + vec3(0.0, 2.0, 4.0)), 1.0);\n"
    "}\n";

const char* const kMarch =
    "float field(vec3 p) {\n"
    "    vec3 q = mod(p, 2.0) - 1.0;\n"
    "    return length(q) - 0.35 - 0.1 * sin(p.z + iTime);\n"
    "}\n"
    "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
    "    vec2 p = (2.0 * fragCoord - iResolution.xy) / iResolution.y;\n"
    "    vec3 dir = normalize(vec3(p, 1.5));\n"
    "    vec3 at = vec3(0.0, 0.0, iTime);\n"
    "    float travelled = 0.0;\n"
    "    for (int i = 0; i < 48; ++i) {\n"
    "        float d = field(at + dir * travelled);\n"
    "        if (d < 0.001) break;\n"
    "        travelled += d;\n"
    "    }\n"
    "    fragColor = vec4(vec3(1.0 / (1.0 + travelled * travelled * 0.05)), 1.0);\n"
    "}\n";

using benchsupport::SilentProgress;
using benchsupport::StillClock;

// One hidden window per size, kept for the run and sharing the first
// one's objects, so the programs the module keeps stay valid in each.
benchsupport::HiddenGLWindow& window(int width, int height) {
    static std::map<std::pair<int, int>, std::unique_ptr<benchsupport::HiddenGLWindow>> windows;
    auto& w = windows[{width, height}];
    if (!w) w = std::make_unique<benchsupport::HiddenGLWindow>(width, height, true);
    w->makeCurrent();
    setScreenSize(width, height);
    return *w;
}

void enterWorkDirectory() {
    static bool done = false;
    if (done) return;
    const fs::path dir =
        fs::temp_directory_path() / ("dp_shader_bench_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::current_path(dir);
    std::ofstream("plasma.frag") << kPlasma;
    std::ofstream("march.frag") << kMarch;
    installGLEndpoints();
    registerEffectModules();
    done = true;
}

template <class Draw>
void frames(benchmark::State& state, benchsupport::HiddenGLWindow& w, Draw draw) {
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        if (!draw()) {
            state.SkipWithError("draw failed");
            break;
        }
        w.swap();
        glFinish();
    }
}

void module(benchmark::State& state, const char* file) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    benchsupport::HiddenGLWindow& w = window(width, height);
    if (!w.ok()) return state.SkipWithError("no GL context");
    enterWorkDirectory();
    StillClock clock;
    std::ofstream("shader.qsc") << "event e0 timer time=0\ns at e0 shader start file=" << file
                                << "\n";
    std::unique_ptr<Timeline> timeline = parseTimeline("data\\shader.qsc", &clock);
    setCurrentTimeline(timeline.get());
    timeline->tracks().setViewportSetter(
        [](int x, int y, int vw, int vh) { glViewport(x, y, vw, vh); });
    SilentProgress progress;
    if (!timeline->load(progress)) return state.SkipWithError("shader did not load");
    glViewport(0, 0, width, height);
    float t = 1.0f;
    frames(state, w, [&] { return timeline->frame(t += 0.016f); });
    setCurrentTimeline(nullptr);
}

void minimal(benchmark::State& state, const char* source) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    benchsupport::HiddenGLWindow& w = window(width, height);
    if (!w.ok()) return state.SkipWithError("no GL context");
    shadersource::Wrapped wrapped;
    shadersource::SourceError error;
    if (!shadersource::wrap(source, wrapped, error)) return state.SkipWithError("no wrap");
    const char* vertex =
        "#version 300 es\nin vec2 p;\nvoid main() { gl_Position = vec4(p, 0.0, 1.0); }\n";
    const auto stage = [](GLenum kind, const char* text) {
        const GLuint s = glCreateShader(kind);
        glShaderSource(s, 1, &text, nullptr);
        glCompileShader(s);
        return s;
    };
    const GLuint program = glCreateProgram();
    glAttachShader(program, stage(GL_VERTEX_SHADER, vertex));
    glAttachShader(program, stage(GL_FRAGMENT_SHADER, wrapped.text.c_str()));
    glBindAttribLocation(program, 0, "p");
    glLinkProgram(program);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) return state.SkipWithError("did not link");
    const float corners[] = {-1, -1, 1, -1, -1, 1, 1, 1};
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
    glUseProgram(program);
    glUniform3f(glGetUniformLocation(program, "iResolution"), float(width), float(height), 1.0f);
    glUniform1f(glGetUniformLocation(program, "dp_opaque"), 1.0f);
    glUniform1f(glGetUniformLocation(program, "dp_alpha"), 1.0f);
    const GLint time = glGetUniformLocation(program, "iTime");
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glViewport(0, 0, width, height);
    float t = 0.0f;
    frames(state, w, [&] {
        glUniform1f(time, t += 0.016f);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        return true;
    });
    glDisableVertexAttribArray(0);
    glUseProgram(0);
    glDeleteBuffers(1, &buffer);
    glDeleteProgram(program);
}

}  // namespace

// Real time: the software rasteriser works on threads of its own. Each
// pair runs side by side so their ratio is read from one run.
#define DP_SHADER_BENCHMARK(name, source, file) \
    BENCHMARK_CAPTURE(minimal, name, source)    \
        ->Args({640, 480})                      \
        ->Args({1280, 720})                     \
        ->Unit(benchmark::kMicrosecond)         \
        ->UseRealTime();                        \
    BENCHMARK_CAPTURE(module, name, file)       \
        ->Args({640, 480})                      \
        ->Args({1280, 720})                     \
        ->Unit(benchmark::kMicrosecond)         \
        ->UseRealTime()
DP_SHADER_BENCHMARK(plasma, kPlasma, "plasma.frag");
DP_SHADER_BENCHMARK(march, kMarch, "march.frag");

int main(int argc, char** argv) {
    return benchsupport::runBenchmarksWithVideo(argc, argv);
}
