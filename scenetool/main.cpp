// demoplayer-scene: makes the player's scene files from model files and
// says what a scene file holds and what it shows.
#include "ScenePreview.h"
#include "scene/Scene.h"
#include "scenetool/ModelImport.h"
#include "scenetool/SceneSummary.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: demoplayer-scene import MODEL -o OUT.scene [--scale F] [--no-shadows]\n"
                 "                        [--resample HZ] [--name NAME] [--no-default-light]\n"
                 "                        [--textures DIR]... [--single-sided] [--up AXIS]\n"
                 "       demoplayer-scene info FILE.scene\n"
                 "       demoplayer-scene preview FILE.scene -o SHOT.png [--size WxH] [--time T]\n"
                 "                        [--camera NAME] [--shadows]\n");
    return 2;
}

bool number(const char* text, float& value)
{
    char* end = nullptr;
    value = std::strtof(text, &end);
    return end != text && *end == '\0' && value > 0.0f && value < 1e30f;
}

int import(int argc, char** argv)
{
    ImportOptions options;
    std::string model, out;
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

    Scene scene;
    std::string error;
    if (!importModel(model, options, scene, error) || !writeSceneFile(scene, out, error)) {
        std::fprintf(stderr, "demoplayer-scene: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "wrote %s\n", out.c_str());
    return 0;
}

int info(int argc, char** argv)
{
    if (argc != 3) return usage();
    std::string error;
    if (!summariseScene(argv[2], std::cout, error)) {
        std::fprintf(stderr, "demoplayer-scene: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

// Draws one still of a scene file with the player's renderer into a PNG.
int preview(int argc, char** argv)
{
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

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return usage();
    const std::string command = argv[1];
    if (command == "import") return import(argc, argv);
    if (command == "info") return info(argc, argv);
    if (command == "preview") return preview(argc, argv);
    return usage();
}
