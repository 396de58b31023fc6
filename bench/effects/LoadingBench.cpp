// The whole load of a presentation as demo start runs it: 30 pictures of
// 1024 x 1024 (half PNG, half JPEG) from a zip archive and one scene file,
// each image track asking for one picture, with a loading-screen frame drawn
// and swapped for every progress report. Pictures decoded on the spot (no
// workers), by one worker thread, and by a pool of one per core, side by
// side; each load runs in a fresh child process, because the registries are
// process-wide and keep what they loaded. Runs in a hidden window; without a
// display server on the offscreen driver.
#include "BenchSupport.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "base/QuietStandardOutput.h"
#include "base/Screen.h"
#include "effects/EffectModules.h"
#include "render/PictureLoadingScreen.h"
#include "render/PatchCable.h"
#include "render/TextureRegistry.h"
#include "render/Texture.h"
#include "timeline/MusicClock.h"
#include "timeline/ResourceList.h"
#include "timeline/Timeline.h"
#include "timeline/TimelineParser.h"
#include "timeline/TrackList.h"

#include <GL/gl.h>
#include <SDL.h>
#include <png.h>
#include <turbojpeg.h>

#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kSide = 1024;
constexpr int kPictures = 30;
constexpr int kRounds = 3;

class StillClock : public MusicClock {
public:
    bool setMusic(const std::string&) override { return true; }
    void startIfNeeded() override {}
    double time() override { return 0.0; }
    bool ended() override { return false; }
};

std::vector<unsigned char> picture(int seed) {
    return benchsupport::picture(kSide, seed);
}

bool writePicture(const fs::path& path, bool png, int seed) {
    const std::vector<unsigned char> rgb = picture(seed);
    if (png) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = kSide;
        image.height = kSide;
        image.format = PNG_FORMAT_RGB;
        return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
    }
    tjhandle tj = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const bool ok =
        tjCompress2(tj, rgb.data(), kSide, 0, kSide, TJPF_RGB, &out, &size, TJSAMP_420, 85, 0) == 0;
    if (ok) std::ofstream(path, std::ios::binary).write(reinterpret_cast<char*>(out), long(size));
    tjFree(out);
    tjDestroy(tj);
    return ok;
}

// The demo directory: pictures and the scene (with its texture) in one zip,
// the script and the loading screen as plain files.
bool makeDemo(const fs::path& dir) {
    const fs::path src = dir / "src";
    fs::create_directories(src);
    const fs::path example = fs::path(DP_SOURCE_DIR) / "examples/demo";
    std::string script = "event e0 timer time=0\n";
    for (int i = 0; i < kPictures; ++i) {
        const std::string name = "pic" + std::to_string(i) + (i % 2 == 0 ? ".png" : ".jpg");
        if (!writePicture(src / name, i % 2 == 0, i)) return false;
        script += "t" + std::to_string(i) + " at e0 image start bitmap=data\\" + name + "\n";
    }
    script += "s at e0 scene start file=courtyard.scn\n";
    for (const char* name : {"courtyard.scn", "flagstones.jpg"})
        fs::copy_file(example / name, src / name);
    fs::copy_file(example / "LoadingScreen.jpg", dir / "LoadingScreen.jpg");
    std::ofstream(dir / "demo.qsc") << script;
    const std::string zip = "cd '" + src.string() + "' && zip -q -0 ../demo.zip *";
    if (std::system(zip.c_str()) != 0) return false;
    fs::remove_all(src);
    return true;
}

// One load in this process, as demo start does it; prints its milliseconds
// and the frames drawn on standard output. The process ends afterwards.
int loadOnce(unsigned workers) {
    setenv("SDL_VIDEODRIVER", std::getenv("DISPLAY") ? "x11" : "offscreen", 0);
    SDL_Init(SDL_INIT_VIDEO);
    benchsupport::HiddenGLWindow window(640, 480);
    if (!window.ok()) return 1;
    setScreenSize(640, 480);
    registerEffectModules();
    installGLEndpoints();
    setQuietLog(true);

    StillClock clock;
    int frames = 0;
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<Timeline> timeline;
    {
        QuietStandardOutput quiet;  // the scene reader's lines
        // Log lines (progress) go to the void as well: only the time counts.
        std::FILE* err = std::freopen("/dev/null", "w", stderr);
        (void)err;
        timeline = parseTimeline("data\\demo.qsc", &clock);
        setCurrentTimeline(timeline.get());
        ResourceList resources;
        timeline->tracks().listResources(resources);
        std::vector<std::string> names{kLoadingScreenPicture};
        for (const NamedResource& r : resources.pictures) names.push_back(r.name);
        BitmapRegistry::instance().beginPrefetch(names, workers);
        std::unique_ptr<PictureLoadingScreen> screen;
        auto frame = [&] {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glLoadIdentity();
            screen->draw(0.0f);
            window.swap();
            ++frames;
        };
        screen = std::make_unique<PictureLoadingScreen>(timeline->totalLoadWeight(),
                                                        float(clockSeconds()));
        frame();
        timeline->beginLoading();
        while (timeline->loadStep(*screen)) frame();
        BitmapRegistry::instance().endPrefetch();
        glFinish();
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.1f %d\n", ms, frames);
    std::fflush(stdout);
    // Straight out: tearing the registries down is not part of the load.
    std::_Exit(0);
}

// Runs one load in a child process; its milliseconds, or a negative value.
double childLoad(const char* self, unsigned workers, int& frames) {
    const std::string command = "'" + std::string(self) + "' --load " + std::to_string(workers);
    std::FILE* child = popen(command.c_str(), "r");
    if (!child) return -1.0;
    double ms = -1.0;
    if (std::fscanf(child, "%lf %d", &ms, &frames) != 2) ms = -1.0;
    pclose(child);
    return ms;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--load")
        return loadOnce(static_cast<unsigned>(std::atoi(argv[2])));

    const std::string self = fs::absolute(argv[0]).string();
    const fs::path dir = fs::temp_directory_path() / ("dp_loadbench_" + std::to_string(getpid()));
    if (!makeDemo(dir)) {
        std::fprintf(stderr, "cannot make the demo directory\n");
        return 1;
    }
    fs::current_path(dir);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const unsigned configs[] = {0, 1, cores};
    std::vector<double> times[3];
    int frames[3] = {};
    for (int round = 0; round < kRounds; ++round)
        for (int c = 0; c < 3; ++c)
            times[c].push_back(childLoad(self.c_str(), configs[c], frames[c]));

    std::printf(
        "%d pictures of %dx%d (half PNG, half JPEG) and one scene, from a zip; "
        "median of %d loads each\n",
        kPictures, kSide, kSide, kRounds);
    const char* labels[] = {"decoded on the spot (no workers)", "one worker",
                            "pool (one worker per core)"};
    const double one = median(times[1]);
    for (int c = 0; c < 3; ++c) {
        const double m = median(times[c]);
        std::printf("%-34s %8.1f ms  %4.2fx one worker  (%d workers, %d loading frames)\n",
                    labels[c], m, m / one, configs[c], frames[c]);
    }
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(dir);
    return 0;
}
