// What the shader module adds to a full-screen shader: whole frames (clear,
// draw, swap, glFinish so the rasteriser's work is counted) of one shader
// drawn by the module through a timeline, against a minimal program of our
// own drawing the same wrapped text in the same context (one program, its
// uniforms, one quad), frame for frame in turn. A light shader (a plasma) shows the module's own
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
#include <chrono>
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

// The module's frames: the shader on a timeline, as a demo draws it.
class ModuleFrames {
public:
    explicit ModuleFrames(const char* file) {
        std::ofstream("shader.qsc") << "event e0 timer time=0\ns at e0 shader start file=" << file
                                    << "\n";
        timeline_ = parseTimeline("data\\shader.qsc", &clock_);
        setCurrentTimeline(timeline_.get());
        timeline_->tracks().setViewportSetter(
            [](int x, int y, int vw, int vh) { glViewport(x, y, vw, vh); });
        SilentProgress progress;
        ok_ = timeline_->load(progress);
    }
    ~ModuleFrames() { setCurrentTimeline(nullptr); }
    bool ok() const { return ok_; }
    bool draw() { return timeline_->frame(t_ += 0.016f); }

private:
    StillClock clock_;  // outlives the timeline
    std::unique_ptr<Timeline> timeline_;
    bool ok_ = false;
    float t_ = 1.0f;
};

// A minimal program of our own: the same wrapped text, one quad, the
// uniforms the text needs; its state set and put back at each frame, as
// any well-behaved drawing in a shared context must.
class MinimalFrames {
public:
    MinimalFrames(const char* source, int width, int height) {
        shadersource::Wrapped wrapped;
        shadersource::SourceError error;
        if (!shadersource::wrap(source, wrapped, error)) return;
        const char* vertex =
            "#version 300 es\nin vec2 p;\nvoid main() { gl_Position = vec4(p, 0.0, 1.0); }\n";
        const auto stage = [](GLenum kind, const char* text) {
            const GLuint s = glCreateShader(kind);
            glShaderSource(s, 1, &text, nullptr);
            glCompileShader(s);
            return s;
        };
        program_ = glCreateProgram();
        glAttachShader(program_, stage(GL_VERTEX_SHADER, vertex));
        glAttachShader(program_, stage(GL_FRAGMENT_SHADER, wrapped.text.c_str()));
        glBindAttribLocation(program_, 0, "p");
        glLinkProgram(program_);
        GLint linked = 0;
        glGetProgramiv(program_, GL_LINK_STATUS, &linked);
        if (!linked) return;
        const float corners[] = {-1, -1, 1, -1, -1, 1, 1, 1};
        glGenBuffers(1, &buffer_);
        glBindBuffer(GL_ARRAY_BUFFER, buffer_);
        glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glUseProgram(program_);
        glUniform3f(glGetUniformLocation(program_, "iResolution"), float(width), float(height),
                    1.0f);
        glUniform1f(glGetUniformLocation(program_, "dp_opaque"), 1.0f);
        glUniform1f(glGetUniformLocation(program_, "dp_alpha"), 1.0f);
        time_ = glGetUniformLocation(program_, "iTime");
        glUseProgram(0);
        width_ = width;
        height_ = height;
        ok_ = true;
    }
    ~MinimalFrames() {
        glDeleteBuffers(1, &buffer_);
        glDeleteProgram(program_);
    }
    bool ok() const { return ok_; }
    bool draw() {
        glViewport(0, 0, width_, height_);
        glUseProgram(program_);
        glUniform1f(time_, t_ += 0.016f);
        glBindBuffer(GL_ARRAY_BUFFER, buffer_);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        glDisableVertexAttribArray(0);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glUseProgram(0);
        return true;
    }

private:
    GLuint program_ = 0, buffer_ = 0;
    GLint time_ = -1;
    int width_ = 0, height_ = 0;
    float t_ = 1.0f;
    bool ok_ = false;
};

// Whole frames of each, alternating within one run (the machine's load
// drifts; frames side by side see the same), timed apart. Real time: the
// software rasteriser works on threads of its own. Reports each one's
// time a frame and the module's against the minimal program's.
void pair(benchmark::State& state, const char* source, const char* file) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    benchsupport::HiddenGLWindow& w = window(width, height);
    if (!w.ok()) return state.SkipWithError("no GL context");
    enterWorkDirectory();
    ModuleFrames module(file);
    MinimalFrames minimal(source, width, height);
    if (!module.ok() || !minimal.ok()) return state.SkipWithError("shader did not load");
    using Clock = std::chrono::steady_clock;
    const auto timed = [&](auto& frames, double& seconds) {
        const Clock::time_point start = Clock::now();
        glClear(GL_COLOR_BUFFER_BIT);
        const bool ok = frames.draw();
        w.swap();
        glFinish();
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        return ok;
    };
    double moduleSeconds = 0.0, minimalSeconds = 0.0;
    bool moduleFirst = true;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        // Neither always follows the other.
        const bool ok = moduleFirst ? timed(module, moduleSeconds) && timed(minimal, minimalSeconds)
                                    : timed(minimal, minimalSeconds) && timed(module, moduleSeconds);
        moduleFirst = !moduleFirst;
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!ok) {
            state.SkipWithError("draw failed");
            break;
        }
    }
    const double n = static_cast<double>(state.iterations());
    if (n > 0 && minimalSeconds > 0.0) {
        state.counters["module_us"] = moduleSeconds / n * 1e6;
        state.counters["minimal_us"] = minimalSeconds / n * 1e6;
        state.counters["ratio"] = moduleSeconds / minimalSeconds;
    }
}

}  // namespace

BENCHMARK_CAPTURE(pair, plasma, kPlasma, "plasma.frag")
    ->Args({640, 480})
    ->Args({1280, 720})
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(pair, march, kMarch, "march.frag")
    ->Args({640, 480})
    ->Args({1280, 720})
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime();

int main(int argc, char** argv) {
    return benchsupport::runBenchmarksWithVideo(argc, argv);
}
