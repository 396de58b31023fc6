// demoplayer: plays the presentation (demo.qsc and its files) of the current
// directory, or of the demo folder or script its argument names.
#include "Application.h"
#ifndef __EMSCRIPTEN__
#include "DemoPlace.h"
#include "VideoEncoder.h"
#endif
#include "app/Options.h"
#include "base/Interrupt.h"
#include "base/Log.h"
#include "data/DataFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif
#include <filesystem>
#include <optional>
#include <system_error>

namespace {

// Usage and version go to standard output: a write that fails (a full disk,
// /dev/full) is said, not reported as success.
int printToStandardOutput(const char* text) {
    errno = 0;
    if (std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0) return 0;
    std::fprintf(stderr, "demoplayer: cannot write to standard output: %s\n",
                 std::strerror(errno ? errno : EIO));
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    // First: a signal at any later moment ends the run its documented way,
    // and a closed standard error or output never ends it.
    installInterruptHandlers();
#ifndef __EMSCRIPTEN__
    // Authors' shaders often add to a local they never set: browsers set
    // such locals to 0, and Mesa's drivers do so when asked, so that a frame
    // does not depend on what a register last held. A viewer's own setting
    // wins. Before any context is made. Mesa announces on standard error
    // every setting taken from the environment unless told to be silent
    // (which changes nothing else in a release build): this one is the
    // player's, not the viewer's, and its output stays the player's own.
    if (!std::getenv("glsl_zero_init")) {
        setenv("glsl_zero_init", "true", 1);
        if (!std::getenv("MESA_DEBUG")) setenv("MESA_DEBUG", "silent", 1);
    }
#endif
    Options options;
    std::string error;
    if (parseOptions(argc, argv, options, error) != ParseStatus::ok) {
        std::fprintf(stderr, "demoplayer: %s\n%s", error.c_str(), kTryHelpText);
        return 2;
    }
    if (options.help) return printToStandardOutput(usageText());
    if (options.version) return printToStandardOutput(versionText());

#ifndef __EMSCRIPTEN__
    if (!options.videoCodec.empty()) {
        const std::string fault = checkVideoCodecName(options.videoCodec);
        if (!fault.empty()) {
            std::fprintf(stderr, "demoplayer: %s\n%s", fault.c_str(), kTryHelpText);
            return 2;
        }
    }
#endif

    std::error_code ec;
    if (!options.directory.empty()) {
        std::filesystem::current_path(options.directory, ec);
        if (ec) {
            std::fprintf(stderr, "demoplayer: cannot change to directory \"%s\": %s\n%s",
                         options.directory.c_str(), ec.message().c_str(), kTryHelpText);
            return 2;
        }
    }
#ifndef __EMSCRIPTEN__
    if (!options.demoPath.empty()) {
        const std::optional<DemoPlace> place = demoPlaceOf(options.demoPath, error);
        if (!place) {
            std::fprintf(stderr, "demoplayer: %s\n%s", error.c_str(), kTryHelpText);
            return 2;
        }
        std::filesystem::current_path(place->folder, ec);
        if (ec) {
            std::fprintf(stderr, "demoplayer: cannot change to the demo's folder \"%s\": %s\n",
                         place->folder.c_str(), ec.message().c_str());
            return 2;
        }
        options.scriptName = place->scriptName;
    } else if (options.directory.empty() && !options.batch && !options.check && !options.verify &&
               !dataFileExists(options.scriptName)) {
        // A viewer who starts the player from a menu, or without knowing
        // where a demo is, sees the example rather than an error.
        const std::filesystem::path example = installedExample(runningProgram());
        if (!example.empty()) {
            const std::filesystem::path here = std::filesystem::current_path(ec);
            std::filesystem::current_path(example, ec);
            if (!ec) {
                rescanDataArchives();
                std::fprintf(stderr, "demoplayer: no demo.qsc in %s: playing the example %s\n",
                             here.c_str(), example.c_str());
            }
        }
    }
#endif
    if (!options.captureDirectory.empty()) {
        std::filesystem::create_directories(options.captureDirectory, ec);
        if (ec || !std::filesystem::is_directory(options.captureDirectory)) {
            std::fprintf(stderr, "demoplayer: cannot create capture directory \"%s\": %s\n",
                         options.captureDirectory.c_str(),
                         ec ? ec.message().c_str() : "not a directory");
            return 2;
        }
    }
    // An export shows its progress line and nothing else unless something goes
    // wrong (Application.cpp also keeps standard output quiet then).
    setQuietLog(options.quiet || !options.videoFile.empty());
    if (options.verify) return runVerify(options);
    if (options.check) return runScriptCheck(options);
#ifdef __EMSCRIPTEN__
    // Once the presentation runs, main gives its stack up and the browser
    // calls the steps, which end the run themselves; runApplication returns
    // only when the run could not begin. The page hears the status only
    // from an explicit end.
    emscripten_force_exit(runApplication(options));
#endif
    return runApplication(options);
}
