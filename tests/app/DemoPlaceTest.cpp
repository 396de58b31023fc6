// Where the player finds the demo it is given, and the installed example.
#include "DemoPlace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class DemoPlaceTest : public testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("dp_demoplace_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        if (const char* dirs = std::getenv("XDG_DATA_DIRS")) savedDataDirs_ = dirs;
    }
    void TearDown() override {
        if (savedDataDirs_) ::setenv("XDG_DATA_DIRS", savedDataDirs_->c_str(), 1);
        else ::unsetenv("XDG_DATA_DIRS");
        fs::remove_all(root_);
    }
    // A folder holding an example demo's script.
    fs::path example(const fs::path& dataFolder) {
        const fs::path folder = dataFolder / "demoplayer" / "examples" / "demo";
        fs::create_directories(folder);
        std::ofstream(folder / "demo.qsc") << "event e0 timer time=0\n";
        return folder;
    }
    fs::path root_;
    std::optional<std::string> savedDataDirs_;
};

}  // namespace

TEST_F(DemoPlaceTest, AFolderOrAScriptNamesTheFolderAndTheScript) {
    fs::create_directories(root_ / "my demo");
    std::ofstream(root_ / "my demo" / "party.qsc") << "\n";
    std::string error;

    std::optional<DemoPlace> place = demoPlaceOf((root_ / "my demo").string(), error);
    ASSERT_TRUE(place) << error;
    EXPECT_EQ(place->folder, root_ / "my demo");
    EXPECT_EQ(place->scriptName, "demo.qsc");

    place = demoPlaceOf((root_ / "my demo" / "party.qsc").string(), error);
    ASSERT_TRUE(place) << error;
    EXPECT_EQ(place->folder, root_ / "my demo");
    EXPECT_EQ(place->scriptName, "party.qsc");

    // A bare name lies in the current folder.
    const fs::path before = fs::current_path();
    fs::current_path(root_ / "my demo");
    place = demoPlaceOf("party.qsc", error);
    fs::current_path(before);
    ASSERT_TRUE(place) << error;
    EXPECT_EQ(place->folder, fs::path("."));
}

TEST_F(DemoPlaceTest, WhatIsNoDemoIsRefusedWithTheReason) {
    std::string error;
    EXPECT_FALSE(demoPlaceOf((root_ / "missing").string(), error));
    EXPECT_NE(error.find("no demo at"), std::string::npos) << error;
    EXPECT_FALSE(demoPlaceOf("/dev/null", error));
    EXPECT_NE(error.find("neither a demo's folder nor its script"), std::string::npos) << error;
    // The data files would cut such a name at its backslash.
    std::ofstream(root_ / "a\\b.qsc") << "\n";
    EXPECT_FALSE(demoPlaceOf((root_ / "a\\b.qsc").string(), error));
}

TEST_F(DemoPlaceTest, TheExampleBesideTheProgramWinsOverTheDataFolders) {
    const fs::path prefix = root_ / "moved prefix";
    const fs::path program = prefix / "bin" / "demoplayer";
    const fs::path besideProgram = example(prefix / "bin" / DP_DATA_FROM_BIN);
    const fs::path inDataFolder = example(root_ / "xdg");

    ::setenv("XDG_DATA_DIRS", ("relative/ignored:" + (root_ / "xdg").string()).c_str(), 1);
    EXPECT_EQ(installedExample(program), fs::weakly_canonical(besideProgram));
    // A program elsewhere (a build folder) finds the data folders' example.
    EXPECT_EQ(installedExample(root_ / "build" / "demoplayer"), fs::weakly_canonical(inDataFolder));

    // A folder without the script is no example.
    fs::remove(inDataFolder / "demo.qsc");
    ::setenv("XDG_DATA_DIRS", (root_ / "xdg").string().c_str(), 1);
    const fs::path found = installedExample(root_ / "build" / "demoplayer");
    EXPECT_NE(found, fs::weakly_canonical(inDataFolder));
}
