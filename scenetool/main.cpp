// demoplayer-scene: makes the player's scene files from model files and
// says what a scene file holds and what it shows.
#include "ScenePreview.h"
#include "base/RegularFile.h"
#include "scene/Scene.h"
#include "scenetool/ChildRun.h"
#include "scenetool/ModelImport.h"
#include "scenetool/SceneSummary.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <new>
#include <string>

namespace {

// The synopsis alone, after a command-line fault: standard error, status 2.
constexpr const char* kSynopsis =
    "usage: demoplayer-scene import MODEL -o OUT.scene [--scale F] [--no-shadows]\n"
    "                        [--resample HZ] [--name NAME] [--no-default-light]\n"
    "                        [--textures DIR]... [--single-sided] [--up AXIS]\n"
    "                        [--max-memory GB] [--max-time S]\n"
    "       demoplayer-scene info FILE.scene\n"
    "       demoplayer-scene preview FILE.scene -o SHOT.png [--size WxH] [--time T]\n"
    "                        [--camera NAME] [--shadows]\n"
    "       demoplayer-scene --help | --version\n";

int usage() {
    std::fputs(kSynopsis, stderr);
    return 2;
}

// --help: the synopsis and what every option does, on standard output.
int help() {
    std::fputs(kSynopsis, stdout);
    std::fputs(
        "\n"
        "Makes the player's scene files from model files (glTF, OBJ, Collada, FBX,\n"
        "3DS, PLY, STL and the other formats the Open Asset Import Library reads),\n"
        "says what a scene file holds, and draws a still of one.\n"
        "\n"
        "import MODEL -o OUT.scene\n"
        "  -o OUT.scene        the scene file to write; pictures go beside it\n"
        "  --scale F           multiply every position by F (default: a small model\n"
        "                      is scaled up by a power of ten, and said so)\n"
        "  --no-shadows        meshes and lights cast no shadows\n"
        "  --resample HZ       animation keys per second (default 30)\n"
        "  --name NAME         rename the first camera\n"
        "  --no-default-light  add no lights to a model that has none\n"
        "  --textures DIR      also look for pictures in DIR (may be repeated)\n"
        "  --single-sided      write one side only of double-sided and open meshes\n"
        "  --up AXIS           the model's up axis: x, y, z, -x, -y or -z\n"
        "  --max-memory GB     the model reader's memory limit\n"
        "  --max-time S        the model reader's time limit\n"
        "info FILE.scene\n"
        "  lights, materials, textures (found or not), cameras, meshes and their\n"
        "  tracks, BSP trees, on standard output\n"
        "preview FILE.scene -o SHOT.png\n"
        "  -o SHOT.png         the picture to write\n"
        "  --size WxH          its size (default 640x480)\n"
        "  --time T            the scene time to draw, in seconds (default 0)\n"
        "  --camera NAME       the camera to look through (default the first)\n"
        "  --shadows           draw the stencil shadows\n"
        "  -h, --help          this text\n"
        "  --version           the version\n"
        "\n"
        "Models and scene files are read from regular files only: a FIFO, a device,\n"
        "a folder or a socket is refused.\n"
        "\n"
        "Exit statuses: 0 done; 1 a model, scene or picture that cannot be read or\n"
        "written (or is not a regular file), a model reader that crashed or ran out\n"
        "of memory or time, or standard output that cannot be written; 2 bad\n"
        "command line.\n",
        stdout);
    return 0;
}

// The reader's limits for a model of `fileBytes`: memory sized from the
// file (at least 2 GB, some formats expand fifty-fold and more) but never
// most of the machine, and minutes, more for large files; either as the
// author sets them.
ChildLimits readerLimits(std::uint64_t fileBytes, float maxMemoryGb, float maxSeconds) {
    ChildLimits limits;
    if (maxMemoryGb > 0.0f) {
        limits.memoryBytes = std::uint64_t(double(maxMemoryGb) * 1e9);
    } else {
        limits.memoryBytes = std::max<std::uint64_t>(2'000'000'000ull, 64 * fileBytes);
        if (const std::uint64_t machine = physicalMemory())
            limits.memoryBytes = std::min(limits.memoryBytes, machine / 4 * 3);
    }
    limits.seconds = maxSeconds > 0.0f ? int(std::ceil(maxSeconds))
                                       : int(std::max<std::uint64_t>(300, fileBytes / 100'000));
    return limits;
}

// Removes what a child killed in the middle of a write left: the hidden
// temporary files named with its process id.
void removeTemporaries(const std::string& dir, int pid) {
    const std::string suffix = "." + std::to_string(pid);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > suffix.size() && name[0] == '.' &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            std::filesystem::remove(it->path(), ec);
    }
}

bool number(const char* text, float& value) {
    char* end = nullptr;
    value = std::strtof(text, &end);
    return end != text && *end == '\0' && value > 0.0f && value < 1e30f;
}

int import(int argc, char** argv) {
    ImportOptions options;
    std::string model, out;
    float maxMemoryGb = 0.0f, maxSeconds = 0.0f;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "-o" && hasValue) {
            out = argv[++i];
        } else if (arg == "--scale" && hasValue) {
            if (!number(argv[++i], options.scale)) {
                std::fprintf(stderr, "demoplayer-scene: --scale needs a positive number\n");
                return 2;
            }
        } else if (arg == "--resample" && hasValue) {
            if (!number(argv[++i], options.resampleHz)) {
                std::fprintf(stderr, "demoplayer-scene: --resample needs a positive rate\n");
                return 2;
            }
        } else if (arg == "--name" && hasValue) {
            options.cameraName = argv[++i];
        } else if (arg == "--no-shadows") {
            options.shadows = false;
        } else if (arg == "--no-default-light") {
            options.defaultLight = false;
        } else if (arg == "--max-memory" && hasValue) {
            if (!number(argv[++i], maxMemoryGb)) {
                std::fprintf(stderr, "demoplayer-scene: --max-memory needs a size in GB\n");
                return 2;
            }
        } else if (arg == "--max-time" && hasValue) {
            if (!number(argv[++i], maxSeconds)) {
                std::fprintf(stderr, "demoplayer-scene: --max-time needs seconds\n");
                return 2;
            }
        } else if (arg == "--single-sided") {
            options.singleSided = true;
        } else if (arg == "--up" && hasValue) {
            const std::string axis = argv[++i];
            if (axis != "x" && axis != "y" && axis != "z" && axis != "-x" && axis != "-y" &&
                axis != "-z") {
                std::fprintf(stderr, "demoplayer-scene: --up needs x, y, z, -x, -y or -z\n");
                return 2;
            }
            options.upAxis = axis;
        } else if (arg == "--textures" && hasValue) {
            const std::string dir = argv[++i];
            std::error_code ec;
            if (!std::filesystem::is_directory(dir, ec)) {
                std::fprintf(stderr, "demoplayer-scene: --textures %s is not a folder\n",
                             dir.c_str());
                return 2;
            }
            options.textureDirs.push_back(dir);
        } else if (!arg.empty() && arg[0] != '-' && model.empty()) {
            model = arg;
        } else {
            return usage();
        }
    }
    if (model.empty() || out.empty()) return usage();
    const std::filesystem::path outDir = std::filesystem::path(out).parent_path();
    options.pictureDir = outDir.empty() ? "." : outDir.string();

    // What is not a regular file is refused here, before a child waits on
    // it (a FIFO) or reads it without end (a device) until its limits.
    std::uint64_t modelBytes = 0;
    {
        RegularFile file;
        std::string error;
        if (!file.open(model, error)) {
            std::fprintf(stderr, "demoplayer-scene: %s\n", error.c_str());
            return 1;
        }
        modelBytes = file.size();
    }

    // The model reader is a library fed files from anywhere: it runs in a
    // child process under limits, so its crashes and runaway allocations
    // end with a message instead of taking the tool (or the machine) down.
    const ChildLimits limits = readerLimits(modelBytes, maxMemoryGb, maxSeconds);
    const ChildOutcome outcome = runInChild(
        [&] {
            Scene scene;
            std::string error;
            if (!importModel(model, options, scene, error) || !writeSceneFile(scene, out, error)) {
                // The library turns a failed allocation into an error text.
                if (error.find("bad_alloc") != std::string::npos) throw std::bad_alloc();
                std::fprintf(stderr, "demoplayer-scene: %s\n", error.c_str());
                return 1;
            }
            std::fprintf(stderr, "wrote %s\n", out.c_str());
            return 0;
        },
        limits);
    if (outcome.kind == ChildOutcome::finished) return outcome.status;
    removeTemporaries(options.pictureDir, outcome.pid);
    const char* file = model.c_str();
    switch (outcome.kind) {
    case ChildOutcome::outOfMemory:
        std::fprintf(stderr,
                     "demoplayer-scene: the model reader ran out of memory on %s (more "
                     "than %.1f GB; --max-memory raises the limit); nothing was written\n",
                     file, double(limits.memoryBytes) / 1e9);
        break;
    case ChildOutcome::outOfTime:
        std::fprintf(stderr,
                     "demoplayer-scene: the model reader took longer than %d s on %s "
                     "(--max-time raises the limit); nothing was written\n",
                     limits.seconds, file);
        break;
    case ChildOutcome::signalled:
        std::fprintf(stderr,
                     "demoplayer-scene: the model reader crashed on %s (a fault in the "
                     "Open Asset Import Library, signal %d); nothing was written\n",
                     file, outcome.signal);
        break;
    case ChildOutcome::died:
        std::fprintf(stderr,
                     "demoplayer-scene: the model reader died on %s (exit status %d, "
                     "its report above); nothing was written\n",
                     file, outcome.status);
        break;
    default:
        std::fprintf(stderr, "demoplayer-scene: cannot start the model reader: %s\n",
                     std::strerror(outcome.status));
        break;
    }
    return 1;
}

int info(int argc, char** argv) {
    if (argc != 3) return usage();
    std::string error;
    if (!summariseScene(argv[2], std::cout, error)) {
        std::fprintf(stderr, "demoplayer-scene: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

// Draws one still of a scene file with the player's renderer into a PNG.
int preview(int argc, char** argv) {
    PreviewOptions options;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "-o" && hasValue) {
            options.outPath = argv[++i];
        } else if (arg == "--size" && hasValue) {
            char tail = 0;
            if (std::sscanf(argv[++i], "%dx%d%c", &options.width, &options.height, &tail) != 2 ||
                options.width < 1 || options.height < 1 || options.width > kMaxPreviewSide ||
                options.height > kMaxPreviewSide) {
                std::fprintf(stderr, "demoplayer-scene: --size needs WxH, 1 to %d pixels a side\n",
                             kMaxPreviewSide);
                return 2;
            }
        } else if (arg == "--time" && hasValue) {
            char* end = nullptr;
            const char* text = argv[++i];
            options.sceneTime = std::strtof(text, &end);
            if (end == text || *end != '\0' || !std::isfinite(options.sceneTime)) {
                std::fprintf(stderr, "demoplayer-scene: --time needs a number of seconds\n");
                return 2;
            }
        } else if (arg == "--camera" && hasValue) {
            options.camera = argv[++i];
        } else if (arg == "--shadows") {
            options.shadows = true;
        } else if (!arg.empty() && arg[0] != '-' && options.scenePath.empty()) {
            options.scenePath = arg;
        } else {
            return usage();
        }
    }
    if (options.scenePath.empty() || options.outPath.empty()) return usage();
    std::string error;
    if (!previewScene(options, error)) {
        std::fprintf(stderr, "demoplayer-scene: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "wrote %s\n", options.outPath.c_str());
    return 0;
}

int command(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string name = argv[1];
    if (name == "--help" || name == "-h") return help();
    if (name == "--version") {
        std::fputs("demoplayer-scene " DEMOPLAYER_VERSION "\n", stdout);
        return 0;
    }
    if (name == "import") return import(argc, argv);
    if (name == "info") return info(argc, argv);
    if (name == "preview") return preview(argc, argv);
    return usage();
}

// Whether everything written to standard output (through stdio or
// std::cout) got there. The exit would flush it silently: a full disk or a
// closed pipe must fail the command instead of ending it with success.
bool standardOutputWritten() {
    errno = 0;
    std::cout.flush();  // flushes stdout too, where a write error shows first
    const bool flushed = std::fflush(stdout) == 0;
    const int flushError = errno;
    if (flushed && !std::ferror(stdout) && std::cout) return true;
    std::fprintf(stderr, "demoplayer-scene: cannot write standard output%s%s\n",
                 flushError ? ": " : "", flushError ? std::strerror(flushError) : "");
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const int status = command(argc, argv);
    if (!standardOutputWritten()) return status == 0 ? 1 : status;
    return status;
}
