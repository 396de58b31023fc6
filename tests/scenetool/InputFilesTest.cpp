// What the scene tool reads is a regular file, read no further than its size
// when opened: a device, a FIFO nobody writes to, a folder or a socket is
// refused at once wherever it is named (on the command line, by a model's
// materials), and a report that cannot be written fails its command. Every
// run of the tool is killed after a generous time, so one that waits on a
// FIFO fails instead of holding the suite.
#include "SceneToolRun.h"

#include "base/RegularFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace scenetooltest;

namespace {

constexpr int kGuardSeconds = 60;
constexpr auto npos = std::string::npos;

class InputFiles : public ::testing::Test {
protected:
    testsupport::ScratchDir scratch{"sceneinputs"};
    const fs::path& dir() const { return scratch.path(); }

    // A FIFO nobody writes to.
    void makeFifo(const std::string& name) const {
        ASSERT_EQ(mkfifo((dir() / name).c_str(), 0600), 0) << name;
    }

    // tri.obj and tri.mtl: one triangle whose material names `picture`.
    void writeTriangle(const std::string& picture) const {
        std::ofstream(dir() / "tri.mtl") << "newmtl paint\nKd 1 1 1\nmap_Kd " << picture << "\n";
        std::ofstream(dir() / "tri.obj")
            << "mtllib tri.mtl\nusemtl paint\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/1 3/1\n";
    }
};

}  // namespace

TEST_F(InputFiles, DevicesFifosAndFoldersAreRefusedAtOnceByEveryCommand) {
    makeFifo("waiting.scene");
    fs::create_directories(dir() / "folder.scene");
    const struct {
        const char* path;
        const char* kind;
    } inputs[] = {{"/dev/zero", "a character device"},
                  {"waiting.scene", "a FIFO"},
                  {"folder.scene", "a folder"}};
    for (const auto& input : inputs) {
        for (const std::string args : {"info ", "import -o out.scene ", "preview -o out.png "}) {
            const ToolRun r = runToolWithin(kGuardSeconds, args + input.path, dir());
            EXPECT_EQ(r.status, 1) << args << input.path << ": " << r.err;
            EXPECT_NE(r.err.find(std::string("demoplayer-scene: cannot read ") + input.path +
                                 ": it is " + input.kind + ", not a regular file"),
                      npos)
                << args << input.path << ": " << r.err;
            EXPECT_EQ(r.err.find("model reader"), npos) << "no reader was started: " << r.err;
        }
    }
    EXPECT_FALSE(fs::exists(dir() / "out.scene"));
    EXPECT_FALSE(fs::exists(dir() / "out.png"));
}

TEST_F(InputFiles, AReportThatCannotBeWrittenFailsTheCommand) {
    writeTriangle("none.png");
    ToolRun r = runToolWithin(kGuardSeconds, "import tri.obj -o tri.scene", dir());
    ASSERT_EQ(r.status, 0) << r.err;
    r = runToolWithin(kGuardSeconds, "info tri.scene", dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("meshes: "), npos) << r.out;

    for (const char* args : {"--help", "--version", "info tri.scene"}) {
        r = runToolWithin(kGuardSeconds, args, dir(), "/dev/full");
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_NE(r.err.find("demoplayer-scene: cannot write standard output"), npos)
            << args << ": " << r.err;
    }
}

// A model's own files are the library's to open: one that is a FIFO fails
// only itself, as a missing one does, and the import goes on without it.
TEST_F(InputFiles, AModelsMaterialsOrPictureThatIsAFifoIsLeftOutWithAWarning) {
    writeTriangle("pipe.png");
    makeFifo("pipe.png");
    ToolRun r = runToolWithin(kGuardSeconds, "import tri.obj -o pictured.scene", dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: texture pipe.png"), npos) << r.err;
    Scene pictured;
    RecordedTextures textures;
    ASSERT_TRUE(readBack(dir() / "pictured.scene", pictured, textures));
    EXPECT_TRUE(textures.names.empty()) << "the material stays untextured";

    fs::remove(dir() / "tri.mtl");
    makeFifo("tri.mtl");
    r = runToolWithin(kGuardSeconds, "import tri.obj -o plain.scene", dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: cannot read tri.mtl: it is a FIFO, not a regular file"), npos)
        << r.err;
    Scene plain;
    EXPECT_TRUE(readBack(dir() / "plain.scene", plain, textures));
}

TEST(RegularFile, ReadsAsFarAsTheSizeAtTheOpenAndRefusesWhatIsNotAFile) {
    const testsupport::ScratchDir scratch("regularfile");
    const fs::path path = scratch.path() / "grows.bin";
    std::ofstream(path, std::ios::binary) << "first";
    RegularFile file;
    std::string error;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(file.open(path.string(), error)) << error;
    std::ofstream(path, std::ios::binary | std::ios::app) << " and more";
    ASSERT_TRUE(file.readAll(bytes, error)) << error;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "first") << "grown since the open";

    ASSERT_TRUE(file.open(path.string(), error)) << error;
    EXPECT_EQ(file.size(), 14u);
    fs::resize_file(path, 3);
    ASSERT_TRUE(file.readAll(bytes, error)) << error;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "fir") << "shrunk since the open";

    EXPECT_FALSE(readRegularFile(path.string(), 2, bytes, error));
    EXPECT_NE(error.find("3 bytes, more than the 2"), npos) << error;
    EXPECT_TRUE(bytes.empty());
    // /proc's files claim no size: they read as empty instead of for ever.
    EXPECT_TRUE(readRegularFile("/proc/self/status", 1 << 20, bytes, error)) << error;
    EXPECT_TRUE(bytes.empty());

    // A socket cannot even be opened; the message says what it is.
    const fs::path socketPath = scratch.path() / "socket";
    const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listening, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.string().copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_FALSE(readRegularFile(socketPath.string(), 1 << 20, bytes, error));
    EXPECT_EQ(error, "cannot read " + socketPath.string() + ": it is a socket, not a regular file");
    close(listening);

    const std::string missing = (scratch.path() / "missing").string();
    EXPECT_FALSE(file.open(missing, error));
    EXPECT_EQ(error.rfind("cannot open " + missing + ": ", 0), 0u) << error;
    EXPECT_FALSE(file.readAll(bytes, error)) << "a failed open leaves nothing open";
}
