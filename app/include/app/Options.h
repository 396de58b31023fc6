// The command line. With no options the program behaves as a viewer expects
// (screen-mode dialog, window, presentation against the music clock); the
// options serve authors, tests and automation.
#pragma once

#include "gfx/Renderer.h"

#include <optional>
#include <string>

struct ScreenMode {
    int width = 640;
    int height = 480;
    int bitsPerPixel = 32;
    bool fullScreen = false;
    int samples = 0;  // multisample anti-aliasing: samples per pixel, 0 off
    gfx::Renderer renderer = gfx::Renderer::gl1;  // which drawing backend
};

struct Options {
    std::string directory;               // -C / --dir: change here before anything else
    std::string demoPath;                // the argument: a demo's folder or script (after -C)
    std::string scriptName = "demo.qsc";  // the script played; another name when DEMO names one
    std::optional<ScreenMode> mode;      // --mode: skips the dialog
    std::optional<bool> fullScreen;      // --windowed / --fullscreen
    bool switchMode = false;             // full screen changes the display's mode
    bool nearestScaling = false;         // --scale nearest: the frame scaled by nearest pixels
    bool batch = false;                  // never wait for a person
    std::optional<double> fixedFps;      // presentation time steps 1/N per frame
    double start = 0.0;                  // presentation begins at this music time
    std::optional<double> until;         // end normally before the first frame at >= this time
    std::string captureDirectory;        // write every presentation frame as PNG
    std::string videoFile;               // write the presentation and its music as one video
    std::optional<double> videoQuality;  // the video encoder's constant-quality value
    std::string videoCodec;              // the video encoder by name; empty: the container's choice
    std::optional<int> msaa;             // --msaa: samples per pixel (0 off); unset: samples()
    std::optional<gfx::Renderer> renderer;  // --renderer; unset: gl1 (the dialog may choose)
    bool check = false;                     // check the script and exit
    bool verify = false;                    // check the script and every file it names, and exit
    bool quiet = false;                     // hide plain progress and order messages
    bool watch = false;  // reload changed files while playing; the author overlay
    bool help = false;
    bool version = false;

    // The mode a run without the dialog uses: --mode, else 640x480x32,
    // full screen only when asked for.
    ScreenMode batchMode() const;
    // Multisampling samples: --msaa, else 4 for --video and 0 otherwise.
    int samples() const;
    // The script as the data files name it.
    std::string scriptPath() const { return "data\\" + scriptName; }
};

enum class ParseStatus { ok, error };

// Reads argv[1..argc-1]. On error, `error` says in one line what was wrong
// with which option or value; the caller prints it and exits with status 2. Implied settings
// (--capture implies --batch and --fixed-fps 30, --video --batch and
// --fixed-fps 60) are applied here.
ParseStatus parseOptions(int argc, const char* const* argv, Options& options, std::string& error);

// The --help text: options, keys and exit statuses.
const char* usageText();
// The line after a command-line error, pointing at --help.
inline constexpr const char* kTryHelpText = "Try 'demoplayer --help'\n";
const char* versionText();
