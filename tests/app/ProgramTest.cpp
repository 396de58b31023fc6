// Runs the demoplayer binary headless, as authors and automation do.
#include "RunProgram.h"

#include <gtest/gtest.h>
#include <png.h>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

using testsupport::RunResult;

namespace {

class Program : public testing::Test {
protected:
    RunResult run(const std::string& args) {
        return testsupport::runDemoplayer(args, work_.path());
    }
    std::string demoDir() const {
        return std::string(DP_SOURCE_DIR) + "/tests/support/data/minimal";
    }
    testsupport::ScratchDir work_{testing::UnitTest::GetInstance()->current_test_info()->name()};
    const std::filesystem::path& workPath() const { return work_.path(); }
};

int countFrames(const fs::path& dir) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ".png") ++n;
    return n;
}

bool pngSize(const fs::path& file, png_uint_32& w, png_uint_32& h) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    bool ok = false;
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        png_read_info(png, info);
        w = png_get_image_width(png, info);
        h = png_get_image_height(png, info);
        ok = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return ok;
}

}  // namespace

TEST_F(Program, BatchRunEndsNormallyAtUntil) {
    RunResult r = run("-C '" + demoDir() + "' --batch --until 0.5");
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(Program, CaptureWritesOneFramePerStepBeforeUntil) {
    const fs::path cap = workPath() / "frames" / "nested";
    // 30 fps: frames at 0, 1/30, ... 14/30 are drawn; 15/30 = 0.5 is not.
    RunResult r = run("-C '" + demoDir() + "' --capture '" + cap.string() + "' --until 0.5");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(countFrames(cap), 15);
    EXPECT_TRUE(fs::exists(cap / "frame_000000.png"));
    EXPECT_TRUE(fs::exists(cap / "frame_000014.png"));
    png_uint_32 w = 0, h = 0;
    ASSERT_TRUE(pngSize(cap / "frame_000014.png", w, h));
    EXPECT_EQ(w, 640u);
    EXPECT_EQ(h, 480u);

    // The window size follows --mode; --start shifts the clock, not the numbering.
    const fs::path small = workPath() / "small";
    r = run("-C '" + demoDir() + "' --mode 320x200x16 --capture '" + small.string() +
            "' --fixed-fps 10 --start 3 --until 3.25");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(countFrames(small), 3);
    ASSERT_TRUE(pngSize(small / "frame_000002.png", w, h));
    EXPECT_EQ(w, 320u);
    EXPECT_EQ(h, 200u);
}

TEST_F(Program, UsageErrorsSayWhatWasWrongInOneLineAndExitWithTwo) {
    for (const char* args : {"--bogus", "--mode 640", "--fixed-fps 0", "--until", "stray",
                             "-C /nonexistent/dir --batch", "--quiet=1"}) {
        RunResult r = run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.err.rfind("demoplayer: ", 0), 0u) << args;
        const std::size_t firstLineEnd = r.err.find('\n');
        EXPECT_EQ(r.err.substr(firstLineEnd + 1), "Try 'demoplayer --help'\n") << args;
        EXPECT_TRUE(r.out.empty()) << args;
    }
}

TEST_F(Program, HelpListsOptionsKeysAndStatuses) {
    RunResult r = run("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* part : {"--capture DIR", "--verify", "--quiet", "--watch", "Escape", "F1",
                             "Page Up", "Home", "130"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part;
    r = run("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("demoplayer ", 0), 0u);
}

TEST_F(Program, TheDemoIsNamedByItsFolderOrByAScriptOfAnyName) {
    RunResult r = run("--batch --until 0.5 '" + demoDir() + "'");
    EXPECT_EQ(r.status, 0) << r.err;

    // A script named otherwise plays as the demo of its folder; the argument
    // is taken inside -C's folder, as other relative paths are.
    const fs::path party = workPath() / "party";
    fs::create_directories(party);
    for (const auto& entry : fs::directory_iterator(demoDir()))
        fs::copy(entry.path(), party / entry.path().filename());
    fs::rename(party / "demo.qsc", party / "Party Version.qsc");
    r = run("-C '" + workPath().string() + "' --batch --until 0.5 'party/Party Version.qsc'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Party Version.qsc"), std::string::npos) << r.err;
    r = run("--check '" + (party / "Party Version.qsc").string() + "'");
    EXPECT_EQ(r.status, 0) << r.err;

    // The folder alone has no demo.qsc: the player says the script is not there.
    r = run("--batch --until 0.5 '" + party.string() + "'");
    EXPECT_EQ(r.status, 245) << r.err;
    EXPECT_NE(r.err.find("demo.qsc\" not found"), std::string::npos) << r.err;

    // Two demos, or one that is not there, are command-line faults.
    for (const std::string& args : {"'" + demoDir() + "' '" + party.string() + "'",
                                     "--batch '" + (party / "missing.qsc").string() + "'"}) {
        r = run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("Try 'demoplayer --help'"), std::string::npos) << r.err;
    }
}

TEST_F(Program, WithoutADisplayTheDialogIsNotAwaitedForever) {
    // The offscreen driver shows nothing: a run that would ask for the mode
    // says how to run headless and ends as a run without a window does.
    RunResult r = run("-C '" + demoDir() + "'");
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.err.find("--batch"), std::string::npos) << r.err;
}

TEST_F(Program, AnInterruptedCaptureEndsWithTheSignalsStatus) {
    for (int signal : {SIGINT, SIGTERM}) {
        const fs::path cap = workPath() / ("sig" + std::to_string(signal));
        const std::string dir = "--dir=" + demoDir(), capture = "--capture=" + cap.string();
        // The player's arguments, made before the fork for the child to exec.
        std::vector<std::string> args = testsupport::playerRendererArgumentList();
        args.insert(args.end(), {dir, "--mode", "32x24", capture});
        std::vector<char*> argv{const_cast<char*>(DP_BINARY)};
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        // The presentation runs for three minutes: it is still running when
        // the signal arrives.
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            setenv("SDL_VIDEODRIVER", "offscreen", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            // In sanitized builds: LeakSanitizer's exit-time scan of a run
            // stopped mid-frame trips over the dynamic TLS of threads that are
            // still exiting (a fault of the sanitizer runtime, not of the
            // program). Normal and fatal exits keep their leak check.
            setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
            std::freopen("/dev/null", "w", stderr);
            execv(DP_BINARY, argv.data());
            _exit(99);
        }
        for (int i = 0; i < 2000 && !fs::exists(cap / "frame_000003.png"); ++i) usleep(5000);
        kill(pid, signal);
        int raw = 0;
        ASSERT_EQ(waitpid(pid, &raw, 0), pid);
        ASSERT_TRUE(WIFEXITED(raw)) << "killed instead of stopping, signal " << signal;
        EXPECT_EQ(WEXITSTATUS(raw), 128 + signal);
    }
}

TEST_F(Program, VerifyListsEveryFaultFoundWithoutDrawing) {
    const fs::path demo = workPath() / "demo";
    testsupport::writeDemo(demo,
                           "event a timer time=0\n"
                           "event b relativeTimer relativeTo=nothere deltaTime=1\n"
                           "t1 at a image start bitmap=missing.png\n"
                           "t2 at a image start bitmap=gone.jpg\n"
                           "t3 at a image start bitmap=LoadingScreen.jpg\n"
                           "t4 at a image start bitmap=missing.png\n");
    RunResult r = run("-C '" + demo.string() + "' --verify --quiet");
    EXPECT_EQ(r.status, 1);
    // Every fault, each once, at its statement; a faulty picture does not
    // end the review as it ends a run.
    EXPECT_EQ(
        r.err,
        "Error in data\\demo.qsc, line 2, pos 6: relativetimer: event \"nothere\" does not exist\n"
        "Error in data\\demo.qsc, line 3, pos 20: Picture missing.png not found\n"
        "Error in data\\demo.qsc, line 4, pos 20: Picture gone.jpg not found\n"
        "Presentation has faults\n");
    fs::remove(demo / "LoadingScreen.jpg");
    r = run("-C '" + demo.string() + "' --verify --quiet");
    EXPECT_NE(r.err.find("Loading screen - picture data//LoadingScreen.jpg not found"),
              std::string::npos);
    r = run("-C '" + std::string(DP_SOURCE_DIR) + "/examples/demo' --verify --quiet");
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(Program, QuietHidesProgressButNotFaults) {
    RunResult r = run("-C '" + demoDir() + "' --batch --until 0.2 --quiet");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err.find("Parsing script file"), std::string::npos) << r.err;
    r = run("-C '" + demoDir() + "' --batch --until 0.2");
    EXPECT_NE(r.err.find("Parsing script file"), std::string::npos) << r.err;
}

TEST_F(Program, FullScreenNeedsNoDisplayModeAndCapturesKeepTheChosenSize) {
    // The offscreen display has no 123x77 mode: full screen covers its
    // desktop without one, with no box, and even a mode switch asked for
    // falls back so; the frames are drawn and captured at 123x77.
    for (const std::string& how :
         {std::string("--fullscreen"), std::string("--fullscreen --switch-mode")}) {
        SCOPED_TRACE(how);
        const fs::path cap = workPath() / "fs";
        fs::remove_all(cap);
        RunResult r = run("-C '" + demoDir() + "' --mode 123x77 " + how + " --capture '" +
                          cap.string() + "' --until 0.05");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err.find("Mode Switch Failed"), std::string::npos) << r.err;
        png_uint_32 w = 0, h = 0;
        ASSERT_TRUE(pngSize(cap / "frame_000000.png", w, h));
        EXPECT_EQ(w, 123u);
        EXPECT_EQ(h, 77u);
    }
}

TEST_F(Program, StartingLateShowsWhatAFullRunShowsThen) {
    // The example's layers fade and move from the times of their events; a
    // run that starts at 12 s must show the frame a whole run shows at 12 s.
    const std::string example = std::string(DP_SOURCE_DIR) + "/examples/demo";
    const fs::path whole = workPath() / "whole", late = workPath() / "late";
    RunResult r = run("-C '" + example + "' --mode 320x240 --capture '" + whole.string() +
                      "' --fixed-fps 4 --until 12.1");
    ASSERT_EQ(r.status, 0) << r.err;
    r = run("-C '" + example + "' --mode 320x240 --capture '" + late.string() +
            "' --fixed-fps 4 --start 12 --until 12.1");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(countFrames(late), 1);
    EXPECT_EQ(testsupport::slurp(whole / "frame_000048.png"),
              testsupport::slurp(late / "frame_000000.png"));
}

namespace {

// Runs the program with the test hook's scripted author actions.
RunResult runWithActions(const std::string& actions, const std::string& args,
                         const fs::path& scratch) {
    ::setenv("DEMOPLAYER_TEST_ACTIONS", actions.c_str(), 1);
    RunResult r = testsupport::runDemoplayer(args, scratch);
    ::unsetenv("DEMOPLAYER_TEST_ACTIONS");
    return r;
}

}  // namespace

TEST_F(Program, ReloadsAndSeeksLandOnTheFrameAStartRunShows) {
    // Frame k of a run at 4 fps from S is drawn at S + k/4; each action acts
    // before its frame is drawn, and the timeline built there must fire
    // every event due by then with its own time, as --start does.
    const std::string example = std::string(DP_SOURCE_DIR) + "/examples/demo";
    const auto runAt = [&](const std::string& actions, const std::string& name,
                           const std::string& times) {
        return runWithActions(actions,
                              "-C '" + example + "' --mode 160x120 --capture '" +
                                  (workPath() / name).string() + "' --fixed-fps 4 " + times,
                              workPath());
    };
    ASSERT_EQ(runAt("", "at12", "--start 12 --until 12.1").status, 0);
    ASSERT_EQ(runAt("", "at2", "--start 2 --until 2.1").status, 0);
    const std::string at12 = testsupport::slurp(workPath() / "at12/frame_000000.png");
    const std::string at2 = testsupport::slurp(workPath() / "at2/frame_000000.png");

    // --watch turns the author overlay on: it must not reach the captured frames.
    RunResult r = runAt("8:reload", "reload", "--watch --start 10 --until 12.1");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Reload: done at 12.000 s"), std::string::npos) << r.err;
    EXPECT_EQ(testsupport::slurp(workPath() / "reload/frame_000008.png"), at12);

    r = runAt("1:seek+1.75", "forward", "--start 10 --until 12.1");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(countFrames(workPath() / "forward"), 2);
    EXPECT_EQ(testsupport::slurp(workPath() / "forward/frame_000001.png"), at12);

    // Back to 2 s, then past the end: the presentation ends normally there.
    r = runAt("1:seek-10.25,3:seek+100", "back", "--start 12");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(countFrames(workPath() / "back"), 4);
    EXPECT_EQ(testsupport::slurp(workPath() / "back/frame_000001.png"), at2);
    EXPECT_NE(r.err.find("STREAM ENDED"), std::string::npos);

    // Paused at 12 s, the picture holds; resumed, time goes on from there
    // (12.25 s is past --until, so the run ends after frame 3).
    r = runAt("1:pause,3:pause", "pause", "--start 11.75 --until 12.1");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(countFrames(workPath() / "pause"), 4);
    for (const char* frame : {"pause/frame_000001.png", "pause/frame_000003.png"})
        EXPECT_EQ(testsupport::slurp(workPath() / frame), at12) << frame;
}

TEST_F(Program, AScriptBeingRewrittenIsNotReadyAndNeverStopsThePlayer) {
    const fs::path demo = workPath() / "demo";
    const std::string script = "; a sound script\nevent intro timer time=0\n";
    testsupport::writeDemo(demo, script);
    std::ofstream(demo / "good.qsc") << script;
    std::ofstream(demo / "empty.qsc");
    // An editor caught between truncating the script and writing it: the
    // reload finds nothing to read, says so and plays on; the script is read
    // again shortly and the good one is taken.
    RunResult r = runWithActions(
        "1:copy=empty.qsc>demo.qsc,1:reload,2:copy=good.qsc>demo.qsc",
        "-C '" + demo.string() + "' --mode 64x48 --watch --batch --until 1.5", workPath());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::size_t notReady =
        r.err.find("Reload: the script cannot be read; the previous script plays on");
    ASSERT_NE(notReady, std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Reload: done", notReady), std::string::npos) << r.err;

    // Hundreds of rewrites in place and by rename while the player reloads
    // on its own: it survives every one.
    std::ofstream(workPath() / "stress.sh")
        << "cd '" << demo.string() << "'\n"
        << testsupport::playerCommand()
        << "-C . --mode 64x48 --watch --batch --until 6 >player.log 2>&1 &\n"
           "p=$!; n=0\n"
           "while kill -0 $p 2>/dev/null; do\n"
           "  if [ $((n % 2)) -eq 0 ]; then : > demo.qsc; cat good.qsc > demo.qsc\n"
           "  else cat good.qsc > .next; mv .next demo.qsc; fi\n"
           "  n=$((n + 1)); sleep $(printf '0.%02d' $((RANDOM % 7 + 8)))\n"
           "done\n"
           "wait $p; echo \"status=$? rewrites=$n\"\n";
    std::FILE* pipe = ::popen(("bash '" + (workPath() / "stress.sh").string() + "'").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[256] = {};
    const std::string said = std::fgets(line, sizeof line, pipe) ? line : "";
    ::pclose(pipe);
    int status = -1, rewrites = 0;
    ASSERT_EQ(std::sscanf(said.c_str(), "status=%d rewrites=%d", &status, &rewrites), 2) << said;
    EXPECT_EQ(status, 0) << testsupport::slurp(demo / "player.log");
    EXPECT_GT(rewrites, 20);
    EXPECT_NE(testsupport::slurp(demo / "player.log").find("Reload: done"), std::string::npos);
}

TEST_F(Program, AFileAReloadCannotLoadIsListedAndThePreviousScriptPlaysOn) {
    // Each edit names files a first start would stop on: a missing scene, a
    // missing JPEG and BMP, a picture of no known kind, a JPEG that does not
    // decode, a scene whose picture is missing. A reload lists each at its
    // statement and plays on; the run ends as it would have.
    const std::string example = std::string(DP_SOURCE_DIR) + "/examples/demo/";
    const fs::path demo = workPath() / "demo";
    const std::string script =
        "event intro timer time=0\n"
        "pic at intro image start bitmap=pic.jpg\n";
    testsupport::writeDemo(demo, script);
    fs::copy_file(example + "dawn.jpg", demo / "pic.jpg");
    fs::copy_file(example + "courtyard.scn", demo / "courtyard.scn");
    std::ofstream(demo / "broken.jpg") << "not a picture";
    std::ofstream(demo / "empty.scn");
    std::ofstream(demo / "bad.qsc") << script
                                    << "w1 at intro scene start file=missing.scn camera=Orbit\n"
                                       "w2 at intro image start bitmap=missing.jpg\n"
                                       "w3 at intro image start bitmap=missing.bmp\n"
                                       "w4 at intro image start bitmap=tile\n"
                                       "w5 at intro image start bitmap=broken.jpg\n"
                                       "w6 at intro scene start file=courtyard.scn camera=Orbit\n"
                                       "w7 at intro scene start file=empty.scn\n";
    RunResult r = runWithActions("1:copy=bad.qsc>demo.qsc,2:reload",
                                 "-C '" + demo.string() + "' --mode 64x48 --capture '" +
                                     (workPath() / "edit").string() + "' --fixed-fps 4 --until 1.5",
                                 workPath());
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* fault :
         {"line 3, pos 41: Scene missing.scn not found",
          "line 4, pos 24: Picture missing.jpg not found",
          "line 5, pos 24: Picture missing.bmp not found",
          "line 6, pos 24: Picture tile is not a picture the player loads",
          "line 7, pos 24: Picture broken.jpg is not a JPEG or BMP picture",
          "line 8, pos 43: Scene courtyard.scn cannot be read: picture flagstones.jpg not found",
          "line 9, pos 24: Scene empty.scn is empty or cannot be read"})
        EXPECT_NE(r.err.find(fault), std::string::npos) << fault << "\n" << r.err;
    EXPECT_NE(r.err.find("the script has 7 faults; the previous script plays on"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(countFrames(workPath() / "edit"), 6);

    // A first start still stops on such a file, saying what is wrong with it.
    std::ofstream(demo / "demo.qsc") << script << "w7 at intro scene start file=empty.scn\n";
    r = run("-C '" + demo.string() + "' --mode 64x48 --batch --until 1");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("Scene empty.scn is empty or cannot be read"), std::string::npos) << r.err;
}

TEST_F(Program, AFaultyEditKeepsThePreviousScriptAndAChangedPictureShowsAfterTheFix) {
    const std::string example = std::string(DP_SOURCE_DIR) + "/examples/demo/";
    const fs::path demo = workPath() / "demo", fixed = workPath() / "fixed";
    const std::string script =
        "event intro timer time=0\n"
        "pic at intro image start bitmap=pic.jpg\n"
        "keep at intro image start bitmap=keep.png width=0.5 height=0.2\n";
    testsupport::writeDemo(demo, script);
    testsupport::writeDemo(fixed, script);
    fs::copy_file(example + "dawn.jpg", demo / "pic.jpg");
    fs::copy_file(example + "rings.jpg", demo / "rings.jpg");
    fs::copy_file(example + "title.png", demo / "keep.png");
    fs::copy_file(example + "rings.jpg", fixed / "pic.jpg");
    fs::copy_file(example + "title.png", fixed / "keep.png");
    std::ofstream(demo / "good.qsc") << script;
    // Faults that would stop a normal run at once, or when first met while
    // playing, are listed like any other.
    std::ofstream(demo / "bad.qsc") << "event intro timer time=0\n"
                                       "pic at intro image start bitmap=pic.jpg bogus\n"
                                       "keep at nowhere image start bitmap=keep.png\n"
                                       "keep at intro fog start\n";
    std::ofstream(demo / "bad2.qsc")
        << script << "event late relativeTimer relativeTo=gone deltaTime=1\n";

    RunResult r = runWithActions(
        "2:copy=bad.qsc>demo.qsc,3:reload,4:copy=bad2.qsc>demo.qsc,4:reload,"
        "5:copy=rings.jpg>pic.jpg,6:copy=good.qsc>demo.qsc,6:reload",
        "-C '" + demo.string() + "' --mode 64x48 --capture '" + (workPath() / "edit").string() +
            "' --fixed-fps 4 --until 2",
        workPath());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("\"bogus\" has no equals-sign"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\"nowhere\", not defined"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Event module \"fog\" unknown"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("the script has 3 faults; the previous script plays on"),
              std::string::npos);
    EXPECT_NE(r.err.find("\"gone\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("the script has 1 fault; the previous script plays on"),
              std::string::npos);
    // Only the picture whose content changed is decoded again.
    EXPECT_NE(r.err.find("Picture pic.jpg decoded again"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("keep.png decoded again"), std::string::npos) << r.err;
    const fs::path edit = workPath() / "edit";
    ASSERT_EQ(countFrames(edit), 8);
    // The previous timeline played on through the faulty script: nothing moves.
    for (const char* frame : {"frame_000003.png", "frame_000005.png"})
        EXPECT_EQ(testsupport::slurp(edit / frame), testsupport::slurp(edit / "frame_000000.png"));

    r = run("-C '" + fixed.string() + "' --mode 64x48 --capture '" +
            (workPath() / "fresh").string() + "' --fixed-fps 4 --start 1.5 --until 1.6");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testsupport::slurp(edit / "frame_000006.png"),
              testsupport::slurp(workPath() / "fresh/frame_000000.png"));
    EXPECT_NE(testsupport::slurp(edit / "frame_000006.png"),
              testsupport::slurp(edit / "frame_000000.png"));
}

TEST_F(Program, AChangedSceneIsReadAgainAndDrawsAsAFreshRunDoes) {
    const fs::path demo = workPath() / "demo";
    fs::copy(std::string(DP_SOURCE_DIR) + "/examples/demo", demo);
    // The same scene with a byte more: changed content, the same picture.
    fs::copy_file(demo / "courtyard.scn", demo / "touched.scn");
    std::ofstream(demo / "touched.scn", std::ios::app) << 'x';
    RunResult r = runWithActions("1:copy=touched.scn>courtyard.scn,1:reload",
                                 "-C '" + demo.string() + "' --mode 160x120 --capture '" +
                                     (workPath() / "edit").string() +
                                     "' --fixed-fps 4 --start 24 --until 24.3",
                                 workPath());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Scene courtyard.scn read again"), std::string::npos) << r.err;
    r = run("-C '" + std::string(DP_SOURCE_DIR) + "/examples/demo' --mode 160x120 --capture '" +
            (workPath() / "fresh").string() + "' --fixed-fps 4 --start 24.25 --until 24.3");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testsupport::slurp(workPath() / "edit/frame_000001.png"),
              testsupport::slurp(workPath() / "fresh/frame_000000.png"));
}
