// demoplayer: plays the presentation (demo.qsc and its files) of the current directory.
#include "Application.h"
#ifndef __EMSCRIPTEN__
#include "VideoEncoder.h"
#endif
#include "app/Options.h"
#include "base/Log.h"

#include <cstdio>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif
#include <filesystem>
#include <system_error>

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (parseOptions(argc, argv, options, error) != ParseStatus::ok) {
        std::fprintf(stderr, "demoplayer: %s\n%s", error.c_str(), kTryHelpText);
        return 2;
    }
    if (options.help) {
        std::fputs(usageText(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(versionText(), stdout);
        return 0;
    }

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
    // main returned to the page long ago, at its first wait for a frame:
    // only an explicit end reports the status to the page.
    emscripten_force_exit(runApplication(options));
#endif
    return runApplication(options);
}
