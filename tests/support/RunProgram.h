// Runs the demoplayer binary headless from a test, with standard output and
// standard error captured, and makes demo directories for it to play.
#pragma once

#include "TestRenderer.h"

#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace testsupport {

struct RunResult {
    int status = -1;  // exit status, -1 when killed by a signal
    std::string out;
    std::string err;
};

inline std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The shell words that start the player headless (the offscreen video and
// dummy audio drivers) drawing with the test renderer; its own arguments
// follow. Every test that runs the player starts it so.
inline std::string playerCommand() {
    return "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy '" + std::string(DP_BINARY) + "' " +
           playerRendererArguments();
}

// Runs the player with `args` (shell words); scratch files go to `scratch`.
inline RunResult runDemoplayer(const std::string& args, const std::filesystem::path& scratch) {
    const auto out = scratch / "stdout.txt", err = scratch / "stderr.txt";
    const std::string cmd =
        playerCommand() + args + " >'" + out.string() + "' 2>'" + err.string() + "' </dev/null";
    RunResult r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

// A fresh directory for one test, removed with the object.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& tag) {
        path_ = std::filesystem::temp_directory_path() /
                ("dp_" + tag + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Makes `dir` a demo directory: the script and the loading-screen picture.
inline void writeDemo(const std::filesystem::path& dir, const std::string& script) {
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "demo.qsc", std::ios::binary) << script;
    std::filesystem::copy_file(
        std::filesystem::path(DP_SOURCE_DIR) / "tests/support/data/minimal/LoadingScreen.jpg",
        dir / "LoadingScreen.jpg", std::filesystem::copy_options::overwrite_existing);
}

}  // namespace testsupport
