// The model reader runs in a child process under limits: files on which the
// library crashes, asserts or allocates without bound end the import with
// one clear line and status 1, and leave nothing behind.
#include "SceneToolRun.h"

#include "scenetool/ChildRun.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <csignal>
#include <thread>
#include <vector>

using namespace scenetooltest;

namespace {

const fs::path kCrashers = fs::path(DP_TEST_DATA) / "data" / "model-import";

class ReaderIsolation : public ::testing::Test {
protected:
    testsupport::ScratchDir scratch{"isolation"};
    const fs::path& dir() const { return scratch.path(); }
};

}  // namespace

TEST(ChildRun, EveryWayAChildEndsIsToldApart) {
    const ChildLimits none;
    ChildOutcome o = runInChild([] { return 7; }, none);
    EXPECT_EQ(o.kind, ChildOutcome::finished);
    EXPECT_EQ(o.status, 7);

    // As a failed assertion in the library ends (a segmentation fault is
    // the sanitizers' to report, and they end without a signal).
    o = runInChild(
        []() -> int {
            std::raise(SIGABRT);
            return 0;
        },
        none);
    EXPECT_EQ(o.kind, ChildOutcome::signalled);
    EXPECT_EQ(o.signal, SIGABRT);

    // Ending without a result is not finishing, whatever the exit status
    // (a sanitizer's report ends so).
    o = runInChild([]() -> int { _exit(0); }, none);
    EXPECT_EQ(o.kind, ChildOutcome::died);
    EXPECT_EQ(o.status, 0);

    ChildLimits tight;
    tight.memoryBytes = 256ull << 20;
    o = runInChild(
        [] {
            std::vector<std::vector<char>> hoard;
            for (;;) hoard.emplace_back(std::size_t(64) << 20, char(1));
            return 0;
        },
        tight);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // The sanitizer's allocator reports running out and ends the child.
    EXPECT_TRUE(o.kind == ChildOutcome::outOfMemory || o.kind == ChildOutcome::died) << o.kind;
#else
    EXPECT_EQ(o.kind, ChildOutcome::outOfMemory);
#endif

    ChildLimits brief;
    brief.seconds = 1;
    o = runInChild(
        [] {
            for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            return 0;
        },
        brief);
    EXPECT_EQ(o.kind, ChildOutcome::outOfTime);
}

TEST_F(ReaderIsolation, FilesTheLibraryDiesOnEndWithOneLineAndNothingWritten) {
    for (const char* name : {"gltf-segv.gltf", "gltf-segv-strcmp.gltf", "gltf-assert.gltf",
                             "dae-assert.dae", "dae-memory-bomb.dae", "gltf-huge-accessor.gltf"}) {
        SCOPED_TRACE(name);
        const fs::path model = kCrashers / name;
        const ToolRun r =
            runTool("import '" + model.string() + "' -o out.scene --max-memory 1", dir());
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("demoplayer-scene: the model reader "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(model.string() + " ("), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("; nothing was written"), std::string::npos) << r.err;
        std::size_t left = 0;
        for (const auto& entry : fs::directory_iterator(dir()))
            left += entry.path().filename() != "tool.out" && entry.path().filename() != "tool.err";
        EXPECT_EQ(left, 0u) << "no scene, no temporary file";
    }
    // The author's limits: too little time is said as such.
    const ToolRun slow = runTool("import '" + (kCrashers / "dae-memory-bomb.dae").string() +
                                     "' -o out.scene --max-time 0.001 --max-memory 100",
                                 dir());
    EXPECT_EQ(slow.status, 1);
    EXPECT_NE(slow.err.find("took longer than 1 s"), std::string::npos) << slow.err;
    EXPECT_EQ(runTool("import x.obj -o o.scene --max-memory lots", dir()).status, 2);
}
