#include "ScenePreview.h"

#include "base/CaseInsensitive.h"
#include "base/Log.h"
#include "base/RegularFile.h"
#include "data/DataFile.h"
#include "data/FramePng.h"
#include "data/PictureCheck.h"
#include "data/TextureSource.h"
#include "render/FrameSetup.h"
#include "render/SceneRenderer.h"
#include "render/Texture.h"
#include "render/TextureRegistry.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scenetool/SceneSummary.h"

#include <SDL.h>
#include "gfx/Gfx.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// SDL's video and one hidden window with the player's kind of GL context,
// current while the object lives.
class HiddenContext {
public:
    HiddenContext() = default;
    ~HiddenContext() {
        if (context_) {
            SDL_GL_MakeCurrent(window_, nullptr);
            SDL_GL_DeleteContext(context_);
        }
        if (window_) SDL_DestroyWindow(window_);
        if (videoStarted_) SDL_Quit();
    }
    HiddenContext(const HiddenContext&) = delete;
    HiddenContext& operator=(const HiddenContext&) = delete;

    // Starts the video (SDL's offscreen driver when there is no display and
    // no driver was chosen, or when the chosen one fails) and makes the
    // window of `width` x `height` with its context current.
    bool open(int width, int height, std::string& error) {
        // Ctrl-C must end the tool, not become a quit event nobody reads.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        const bool driverChosen = std::getenv("SDL_VIDEODRIVER") != nullptr;
        const bool haveDisplay = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
        if (!driverChosen && !haveDisplay) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        videoStarted_ = SDL_Init(SDL_INIT_VIDEO) == 0;
        if (!videoStarted_) {
            SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
            videoStarted_ = SDL_Init(SDL_INIT_VIDEO) == 0;
        }
        if (!videoStarted_) {
            error = std::string("no video to draw with: ") + SDL_GetError();
            return false;
        }
        // The attributes of the player's window in 32-bit colour.
        SDL_GL_ResetAttributes();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
        window_ = SDL_CreateWindow("demoplayer-scene preview", 0, 0, width, height,
                                   SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window_) context_ = SDL_GL_CreateContext(window_);
        if (!context_) {
            error = "no " + std::to_string(width) + "x" + std::to_string(height) +
                    " GL window: " + SDL_GetError();
            return false;
        }
        SDL_GL_MakeCurrent(window_, context_);
        gfx::setBackend(nullptr);  // the door starts afresh in the new context
        int drawableWidth = 0, drawableHeight = 0;
        SDL_GL_GetDrawableSize(window_, &drawableWidth, &drawableHeight);
        if (drawableWidth < width || drawableHeight < height) {
            error = "the GL window is " + std::to_string(drawableWidth) + "x" +
                    std::to_string(drawableHeight) + " pixels, not the " + std::to_string(width) +
                    "x" + std::to_string(height) + " asked for";
            return false;
        }
        return true;
    }

    int stencilBits() const {
        int bits = 0;
        SDL_GL_GetAttribute(SDL_GL_STENCIL_SIZE, &bits);
        return bits;
    }

private:
    bool videoStarted_ = false;
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
};

// Makes `dir` the current directory while it lives.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const fs::path& dir) : saved_(fs::current_path(changed_)) {
        if (!changed_) fs::current_path(dir, changed_);
    }
    ~CurrentDirectory() {
        std::error_code ignored;
        if (!changed_) fs::current_path(saved_, ignored);
    }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

    // Empty when the change worked.
    const std::error_code& failure() const { return changed_; }

private:
    std::error_code changed_;
    fs::path saved_;
};

// The texture registry's textures, each picture first checked as the
// loaders would decode it: the registry hands out a texture for anything
// (a missing JPEG ends the process, a missing PNG is drawn white), which
// would make a picture that misleads the author. A faulty picture gets a
// stand-in so the whole scene is read and every fault can be listed.
class CheckedTextures : public SceneTextures {
public:
    TextureSource* texture(const std::string& name) override {
        const std::string fault = pictureFault(name);
        if (!fault.empty()) {
            faults.push_back(name + " " + fault);
            return &standIn_;
        }
        return TextureRegistry::instance().getOrCreate(name);
    }

    std::vector<std::string> faults;

private:
    class StandIn : public TextureSource {
    public:
        void bind() override {}
    };
    StandIn standIn_;
};

std::string joined(const std::vector<std::string>& parts, const char* separator = "; ") {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
    return text;
}

// The reader's held lines, one text.
std::string readerSaid(const std::vector<HeldMessage>& held) {
    std::vector<std::string> lines;
    for (const HeldMessage& message : held) {
        std::string line = message.text;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines.empty() ? "the reader gave no reason" : joined(lines);
}

// The view named `name` as the player's "camera" finds it, or null.
View* namedView(Scene& scene, const std::string& name) {
    if (name.empty()) return &scene.views.front();
    View& found = scene.views[std::size_t(findView(scene, name))];
    // findView falls back to the first view: only a real match counts here.
    return equalsIgnoreCase(found.name, name) ? &found : nullptr;
}

std::string viewNames(const Scene& scene) {
    std::vector<std::string> names;
    for (const View& view : scene.views) names.push_back("\"" + view.name + "\"");
    return joined(names, ", ");
}

// GL as the player's window and demo start leave it, then the frame's
// clears: the view sized to the whole target.
void beginFrame(int width, int height) {
    setTargetProjection(width, height);
    setPresentationDefaults();
    gfx::clear(gfx::colourBuffer | gfx::depthBuffer);
    gfx::loadIdentity();
}

// What a scene track's first frame does after "start": its default fog and
// shadow switches copied into the scene, depth cleared, the view drawn.
void drawLikeSceneTrack(Scene& scene, View& view, const PreviewOptions& options) {
    scene.fogType = 0;
    scene.fogDensity = 1.0f;
    scene.fogStart = 0.0f;
    scene.fogEnd = 1.0f;
    scene.fogColour = {0.0f, 0.0f, 0.0f, 0.0f};
    scene.shadows = options.shadows;
    scene.accurateShadows = options.shadows;
    gfx::clear(gfx::depthBuffer);
    renderScene(view, options.width, options.height, options.sceneTime);
    unbindTexture();
    gfx::disable(gfx::Cap::texture2D);
    gfx::flush();
}

// Reads the scene file `bytes` (from `scenePath`) and draws it into the
// current context's back buffer; the GL objects it made are released
// before it returns.
bool drawScene(const PreviewOptions& options, const fs::path& scenePath,
               const std::vector<std::uint8_t>& bytes, std::vector<std::uint8_t>& rgb,
               std::string& error) {
    const fs::path folder = scenePath.parent_path();
    const std::string baseName = scenePath.filename().string();
    CurrentDirectory inFolder(folder);
    if (inFolder.failure()) {
        error = "cannot enter " + folder.string() + ": " + inFolder.failure().message();
        return false;
    }
    // The data files are found from the current directory: index its
    // archives, not those of wherever the tool started.
    rescanDataArchives();

    Scene scene;
    scene.setName(baseName);
    CheckedTextures textures;
    bool read = false;
    std::vector<HeldMessage> held;
    {
        LogCapture capture;
        read = readScene(bytes.data(), bytes.size(), baseName, scene, textures, options.width,
                         options.height);
        held = capture.take();
    }
    // Whatever happens next, the scene's lists and the textures go while
    // the context is still current.
    struct ReleaseGL {
        Scene& scene;
        ~ReleaseGL() {
            releaseSceneLists(scene, true);
            Texture::releaseAll();
        }
    } releaseGL{scene};
    if (!read) {
        error =
            scenePath.string() + " is not a scene file the player reads (" + readerSaid(held) + ")";
        return false;
    }
    if (!textures.faults.empty()) {
        error = "the player cannot use the textures of " + scenePath.string() + " (looked for in " +
                folder.string() + "): " + joined(textures.faults);
        return false;
    }
    if (scene.views.empty()) {
        error = scenePath.string() + " has no camera to look through";
        return false;
    }
    View* view = namedView(scene, options.camera);
    if (!view) {
        error = "no view named \"" + options.camera + "\" in " + scenePath.string() +
                "; its views: " + viewNames(scene);
        return false;
    }

    beginFrame(options.width, options.height);
    drawLikeSceneTrack(scene, *view, options);
    // The player never asks GL for errors while drawing: neither does the
    // preview. Only a failed read-back fails it.
    gfx::takeError();
    rgb.resize(std::size_t(options.width) * std::size_t(options.height) * 3);
    gfx::readPixels(0, 0, options.width, options.height, gfx::PixelFormat::rgb, rgb.data());
    const unsigned readError = gfx::takeError();
    if (readError != 0) {
        error = "cannot read the drawn picture back (GL error " + std::to_string(readError) + ")";
        return false;
    }
    return true;
}

}  // namespace

bool previewScene(const PreviewOptions& options, std::string& error) {
    if (options.width < 1 || options.height < 1 || options.width > kMaxPreviewSide ||
        options.height > kMaxPreviewSide) {
        error = "a preview is 1 to " + std::to_string(kMaxPreviewSide) + " pixels on a side";
        return false;
    }
    // Both paths are made absolute before the read changes the current
    // directory.
    std::error_code failure;
    const fs::path scenePath = fs::absolute(options.scenePath, failure);
    const fs::path outPath = fs::absolute(options.outPath, failure);
    if (failure) {
        error = "cannot resolve the paths: " + failure.message();
        return false;
    }
    // Read before any window is made, so what is not a scene file's kind of
    // file is refused at once.
    std::vector<std::uint8_t> bytes;
    if (!readRegularFile(options.scenePath, kLargestSceneFile, bytes, error)) return false;

    HiddenContext context;
    if (!context.open(options.width, options.height, error)) return false;
    const int stencil = context.stencilBits();
    setStencilShadowsAvailable(stencil >= 8);
    if (options.shadows && stencil < 8)
        std::fprintf(stderr, "demoplayer-scene: only %d stencil bits, drawn without shadows\n",
                     stencil);

    std::vector<std::uint8_t> rgb;
    if (!drawScene(options, scenePath, bytes, rgb, error)) return false;
    // What the player would show too, so not a failure; but an author
    // looking at a black file deserves a hint where to look.
    if (std::all_of(rgb.begin(), rgb.end(), [](std::uint8_t v) { return v == 0; }))
        std::fprintf(stderr,
                     "demoplayer-scene: note: the picture is all black: nothing lit is in view "
                     "(check the camera, its field of view and the lights)\n");
    if (!writeFramePng(outPath.string(), options.width, options.height, rgb)) {
        error = "cannot write " + options.outPath;
        return false;
    }
    return true;
}
