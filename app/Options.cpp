#include "app/Options.h"
#include "base/FloatChars.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

// Whole-string, locale-independent number parsing: "1.5x" is not a number.
bool parseDouble(std::string_view text, double& out) {
    if (text.empty()) return false;
    const char* first = text.data();
    const char* last = first + text.size();
    if (*first == '+') ++first;
    auto [end, ec] = base::floatFromChars(first, last, out);
    return ec == std::errc() && end == last && out == out;  // rejects NaN
}

bool parseInt(std::string_view text, int& out) {
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

// "WxH" or "WxHxBPP" with BPP 16 or 32.
bool parseMode(std::string_view text, ScreenMode& mode) {
    auto x1 = text.find('x');
    if (x1 == std::string_view::npos) return false;
    auto x2 = text.find('x', x1 + 1);
    std::string_view w = text.substr(0, x1);
    std::string_view h = text.substr(x1 + 1, x2 == std::string_view::npos ? x2 : x2 - x1 - 1);
    int bpp = 32;
    if (x2 != std::string_view::npos && !parseInt(text.substr(x2 + 1), bpp)) return false;
    if (!parseInt(w, mode.width) || !parseInt(h, mode.height)) return false;
    if (mode.width < 1 || mode.height < 1 || mode.width > 16384 || mode.height > 16384)
        return false;
    if (bpp != 16 && bpp != 32) return false;
    mode.bitsPerPixel = bpp;
    return true;
}

}  // namespace

ScreenMode Options::batchMode() const {
    ScreenMode m = mode.value_or(ScreenMode{});
    m.fullScreen = fullScreen.value_or(false);
    m.samples = samples();
    m.renderer = renderer.value_or(gfx::Renderer::gl1);
    return m;
}

int Options::samples() const {
    return msaa.value_or(videoFile.empty() ? 0 : 4);
}

ParseStatus parseOptions(int argc, const char* const* argv, Options& options, std::string& error) {
    bool fixedFpsGiven = false;
    bool optionsEnded = false;  // after "--" every argument is the demo
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-') {
            // The one argument that is not an option: a demo's folder or script.
            if (!options.demoPath.empty()) {
                error = "one demo at a time: \"" + options.demoPath + "\" and \"" +
                        std::string(arg) + "\" were given";
                return ParseStatus::error;
            }
            if (arg.empty()) {
                error = "an empty demo path was given";
                return ParseStatus::error;
            }
            options.demoPath = std::string(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // Options that take a value accept it as the next argument or after '='.
        std::string_view name = arg;
        std::optional<std::string_view> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            auto eq = arg.find('=');
            if (eq != std::string_view::npos) {
                name = arg.substr(0, eq);
                inlineValue = arg.substr(eq + 1);
            }
        }
        auto takeValue = [&](std::string_view& value) {
            if (inlineValue) {
                value = *inlineValue;
                return true;
            }
            if (i + 1 >= argc) {
                error = "option " + std::string(name) + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        auto badValue = [&](std::string_view value) {
            error = "bad value \"" + std::string(value) + "\" for " + std::string(name);
            return ParseStatus::error;
        };
        auto noValueAllowed = [&] {
            if (!inlineValue) return true;
            error = "option " + std::string(name) + " takes no value";
            return false;
        };

        std::string_view value;
        if (name == "-C" || name == "--dir") {
            if (!takeValue(value)) return ParseStatus::error;
            if (value.empty()) return badValue(value);
            options.directory = std::string(value);
        } else if (name == "--mode") {
            if (!takeValue(value)) return ParseStatus::error;
            ScreenMode mode;
            if (!parseMode(value, mode)) return badValue(value);
            options.mode = mode;
        } else if (name == "--windowed" || name == "--fullscreen") {
            if (!noValueAllowed()) return ParseStatus::error;
            options.fullScreen = (name == "--fullscreen");
        } else if (name == "--batch") {
            if (!noValueAllowed()) return ParseStatus::error;
            options.batch = true;
        } else if (name == "--fixed-fps") {
            if (!takeValue(value)) return ParseStatus::error;
            double fps = 0;
            if (!parseDouble(value, fps) || fps <= 0 || fps > 100000) return badValue(value);
            options.fixedFps = fps;
            fixedFpsGiven = true;
        } else if (name == "--start") {
            if (!takeValue(value)) return ParseStatus::error;
            double s = 0;
            if (!parseDouble(value, s) || s < 0 || s > 1e7) return badValue(value);
            options.start = s;
        } else if (name == "--until") {
            if (!takeValue(value)) return ParseStatus::error;
            double s = 0;
            if (!parseDouble(value, s) || s > 1e7 || s < -1e7) return badValue(value);
            options.until = s;
        } else if (name == "--capture") {
            if (!takeValue(value)) return ParseStatus::error;
            if (value.empty()) return badValue(value);
            options.captureDirectory = std::string(value);
        } else if (name == "--video") {
            if (!takeValue(value)) return ParseStatus::error;
            if (value.empty()) return badValue(value);
            options.videoFile = std::string(value);
        } else if (name == "--video-quality") {
            if (!takeValue(value)) return ParseStatus::error;
            double q = 0;
            if (!parseDouble(value, q) || q < 0 || q > 63) return badValue(value);
            options.videoQuality = q;
        } else if (name == "--video-codec") {
            if (!takeValue(value)) return ParseStatus::error;
            if (value.empty()) return badValue(value);
            options.videoCodec = std::string(value);
        } else if (name == "--msaa") {
            if (!takeValue(value)) return ParseStatus::error;
            int n = -1;
            if (!parseInt(value, n) || (n != 0 && n != 2 && n != 4 && n != 8 && n != 16))
                return badValue(value);
            options.msaa = n;
        } else if (name == "--switch-mode") {
            if (!noValueAllowed()) return ParseStatus::error;
            options.switchMode = true;
        } else if (name == "--scale") {
            if (!takeValue(value)) return ParseStatus::error;
            if (value != "smooth" && value != "nearest") return badValue(value);
            options.nearestScaling = value == "nearest";
        } else if (name == "--renderer") {
            if (!takeValue(value)) return ParseStatus::error;
            const std::optional<gfx::Renderer> renderer = gfx::rendererNamed(std::string(value));
            if (!renderer) return badValue(value);
            options.renderer = renderer;
        } else if (name == "--check") {
            if (!noValueAllowed()) return ParseStatus::error;
            options.check = true;
        } else if (name == "--verify") {
            if (!noValueAllowed()) return ParseStatus::error;
            options.verify = true;
        } else if (name == "--watch") {
            if (!noValueAllowed()) return ParseStatus::error;
            options.watch = true;
        } else if (name == "-q" || name == "--quiet") {
            if (!noValueAllowed()) return ParseStatus::error;
            options.quiet = true;
        } else if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
        } else {
            error = "unknown option " + std::string(arg);
            return ParseStatus::error;
        }
    }
    // A run that would end before its first frame is a mistake in the
    // command, not an export or a capture of nothing.
    if (options.until && *options.until <= options.start) {
        char text[96];
        std::snprintf(text, sizeof text,
                      "--until %g is not after the start (%g): nothing would be drawn",
                      *options.until, options.start);
        error = text;
        return ParseStatus::error;
    }
    if (!options.captureDirectory.empty()) {
        options.batch = true;
        if (!fixedFpsGiven) options.fixedFps = 30.0;
    }
    if (!options.videoFile.empty()) {
        options.batch = true;
        if (!fixedFpsGiven) options.fixedFps = 60.0;
    }
    return ParseStatus::ok;
}

const char* usageText() {
    return "Usage: demoplayer [options] [DEMO]\n"
           "Plays the presentation demo.qsc (script, pictures, scenes, archives, music)\n"
           "of the current directory, or of DEMO: a demo's folder or its script, whose\n"
           "folder the player changes to (after -C). Without either, where the current\n"
           "directory holds no demo, a run that is not --batch plays the installed\n"
           "example demo.\n"
           "\n"
           "  -C, --dir DIR       change to DIR before anything else\n"
           "  --mode WxH[xBPP]    skip the screen-mode dialog (BPP 16 or 32, default 32)\n"
           "  --windowed          window for --mode (the default)\n"
           "  --fullscreen        full screen for --mode: the desktop's size, the frame\n"
           "                      scaled to it with its aspect kept\n"
           "  --switch-mode       full screen changes the display's mode to the frame's\n"
           "                      size (the desktop's way when the display has none)\n"
           "  --scale HOW         how the frame is scaled to a full screen or resized\n"
           "                      window: smooth (the default) or nearest (crisp pixels)\n"
           "  --batch             never wait for a person: no dialog, no message boxes;\n"
           "                      falls back to an offscreen GL context without a display\n"
           "  --fixed-fps N       presentation time advances exactly 1/N s per frame\n"
           "  --start S           begin the presentation at music time S\n"
           "  --until S           end normally before the first frame at time >= S\n"
           "                      (S after the start)\n"
           "  --capture DIR       write every frame as DIR/frame_NNNNNN.png\n"
           "                      (implies --batch and --fixed-fps 30)\n"
           "  --video FILE        write the presentation with its music as one video;\n"
           "                      .mp4, .mkv or .webm (implies --batch, --fixed-fps 60)\n"
           "  --video-quality Q   the encoder's constant quality, lower is better\n"
           "                      (default 18 for H.264, 24 for VP9, 3 for MPEG-4)\n"
           "  --video-codec NAME  the video encoder by name (e.g. libx264, mpeg4)\n"
           "  --msaa N            smooth edges: N samples per pixel (0 off, 2, 4, 8, 16;\n"
           "                      fewer when the driver has fewer); default 0, 4 for\n"
           "                      --video\n"
           "  --renderer NAME     the drawing backend: gl1 (OpenGL 1.1 fixed function, the\n"
           "                      default) or gles2 (OpenGL ES 2.0 shaders)\n"
           "  --check             check the script alone and exit (0 sound, 1 faulty)\n"
           "  --verify            check the script and every picture, scene and music\n"
           "                      file it names, without drawing; exit 0 or 1\n"
           "  --watch             reload the script, pictures, scenes and music when they\n"
           "                      change, going on at the current time; a faulty script\n"
           "                      is listed and the previous one plays on; shows the\n"
           "                      author overlay\n"
           "  -q, --quiet         hide progress and order messages (not warnings, errors)\n"
           "  -h, --help          this text\n"
           "  --version           the version\n"
           "\n"
           "Keys while playing: Escape ends, F1 switches full screen and windowed,\n"
           "Space shows the frame rate; in a scene, I frees the camera and U ties it\n"
           "again, the arrows turn it and W/S/A/D move it. P pauses and resumes, Page Up\n"
           "and Page Down seek back and forward 10 s (1 s with Shift), Home goes back to\n"
           "the start (or to --start), O shows or hides the author overlay (music time,\n"
           "bar:beat:tick and row, frame rate, the last reload's result). In the\n"
           "screen-mode dialog Escape or closing the window ends without playing.\n"
           "\n"
           "Exit statuses: 0 normal end; 1 script faults, a scene that cannot be read or\n"
           "a picture of an unknown kind; 2 bad command line or video settings; 5 a\n"
           "captured frame or the video not written; 7 a JPEG or BMP picture not found;\n"
           "15 drawing failed; 128+N ended by signal N (130 SIGINT, 143 SIGTERM, 129\n"
           "SIGHUP, ...); 255 no window, OpenGL context or display, or the display lost.\n"
           "Other statuses name the fault that stopped the presentation (see the\n"
           "README); the shell sees them modulo 256.\n";
}

const char* versionText() {
    return "demoplayer " DEMOPLAYER_VERSION "\n";
}
