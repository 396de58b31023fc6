// The scene module's rules without drawing: what its statements may say,
// which scene files it loads and how the registry shares them, the scene
// clock, the camera, the fog and shadow settings a frame would copy into the
// scene, and the faults it mends (no view to start with, setParam unbound).
#include "ModuleRulesFixture.h"

#include "base/KeyCodes.h"
#include "base/Screen.h"
#include "effects/SceneModule.h"
#include "render/SceneRegistry.h"
#include "scene/SceneFile.h"
#include "timeline/LoadingScreen.h"
#include "timeline/ResourceList.h"
#include "timeline/TimelineParser.h"

#include <unistd.h>
#include <filesystem>
#include <fstream>

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

namespace fs = std::filesystem;

// A scene file with views of the given names and nothing to draw.
void writeViews(const std::string& file, const std::vector<std::string>& names) {
    Scene scene;
    scene.views.resize(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) scene.views[i].name = names[i];
    const std::vector<std::uint8_t> bytes = writeScene(scene);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class CountingProgress : public LoadingScreen {
public:
    int draw(float) override { return 0; }
    void addProgress(float amount) override { total += amount; }
    float total = 0.0f;
};

class SceneRules : public ModuleRules {
protected:
    static void SetUpTestSuite() {
        ModuleRules::SetUpTestSuite();
        registerTrackModule("scene", [] { return std::make_unique<SceneModule>(); });
        previous_ = fs::current_path();
        dir_ = fs::temp_directory_path() / ("dp_scene_rules_" + std::to_string(getpid()));
        fs::create_directories(dir_);
        fs::current_path(dir_);
        writeViews("rooms.scn", {"Front", "Side"});
        writeViews("blind.scn", {});
    }
    static void TearDownTestSuite() {
        fs::current_path(previous_);
        fs::remove_all(dir_);
        // The other suites of this program draw scene tracks as stand-ins.
        ModuleRules::SetUpTestSuite();
    }

    SceneModule& sceneOn(const std::string& trackName) {
        return static_cast<SceneModule&>(*track(trackName).moduleFor("scene"));
    }
    // The music time of the next command.
    void at(double t) { clock_.now = t; }

    static fs::path previous_;
    static fs::path dir_;
};

fs::path SceneRules::previous_;
fs::path SceneRules::dir_;

}  // namespace

TEST_F(SceneRules, StatementsAreCheckedAndEachFileIsKeptOnceAtItsFirstStatement) {
    std::ofstream("rules.qsc", std::ios::binary)
        << "event e timer time=0\n"
           "w at e scene start file=rooms.scn camera=Side\n"
           "w at e scene start file=other.scn time=2\n"
           "w at e scene start file=rooms.scn\n"
           "w at e scene start\n"
           "w at e scene start file=5\n"
           "w at e scene jump\n"
           "w at e scene setParam fogtype=EXP2 fogDensityVel=fast shadows=1\n"
           "w at e scene stop fogtype=fuzzy colour=1\n"
           "v at e scene setParam fogtype=3 camera=2\n";
    CaptureStderr();
    std::unique_ptr<Timeline> parsed =
        parseTimeline("data\\rules.qsc", &clock_, ScriptFaults::list);
    const std::string log = GetCapturedStderr();
    setCurrentTimeline(&timeline_);
    EXPECT_TRUE(scriptErrorFlag());
    setScriptErrorFlag(false);
    const std::string expected =
        "Error in data\\rules.qsc, line 5, pos 13: scene: must specify parameter \"file\"\n"
        "Error in data\\rules.qsc, line 6, pos 19: scene: parameter \"file\" must have data type "
        "string\n"
        "Error in data\\rules.qsc, line 7, pos 13: scene: command jump not supported\n"
        "Error in data\\rules.qsc, line 8, pos 54: Optional parameter \"fogDensityVel\" is not a "
        "number\n"
        "Error in data\\rules.qsc, line 9, pos 32: scene: parameter fogtype must be \"none\", "
        "\"linear\", \"exp\" or \"exp2\"\n"
        "Warning in data\\rules.qsc, line 9, pos 32: Argument list: key \"colour\", value \"1\" "
        "not "
        "recognized, will be ignored\n"
        "Error in data\\rules.qsc, line 10, pos 32: Optional parameter \"camera\" is not a string\n"
        "Error in data\\rules.qsc, line 10, pos 32: scene: parameter fogtype must be \"none\", "
        "\"linear\", \"exp\" or \"exp2\"\n";
    const std::size_t first = log.find("Error in");
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.substr(first), expected);

    Track& w = *parsed->tracks().getOrCreate("w");
    EXPECT_EQ(w.moduleFor("scene")->loadWeight(), 200.0f);
    EXPECT_EQ(w.moduleFor("scene")->drawPriority(), 50);
    ResourceList resources;
    parsed->tracks().listResources(resources);
    ASSERT_EQ(resources.scenes.size(), 2u);
    EXPECT_EQ(resources.scenes[0].name, "rooms.scn");
    EXPECT_EQ(resources.scenes[0].line, 2);
    EXPECT_EQ(resources.scenes[1].name, "other.scn");
    EXPECT_EQ(resources.scenes[1].line, 3);
    EXPECT_TRUE(resources.pictures.empty());
}

TEST_F(SceneRules, TracksShareTheRegistrysSceneAndLoadFailsOnAMissingFile) {
    command("a", "scene", "start", {{"file", "rooms.scn"}});
    command("b", "scene", "start", {{"file", "rooms.scn"}, {"camera", "side"}});
    Scene* shared = sceneOn("a").scene();
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared, sceneOn("b").scene());
    EXPECT_EQ(shared->name(), "rooms.scn");
    EXPECT_EQ(sceneOn("a").view(), &shared->views[0]);
    EXPECT_EQ(sceneOn("b").view(), &shared->views[1]) << "camera names ignore case";

    // Read once: with the file gone, a third track still finds it, and a
    // module that names it loads without reading it again.
    fs::rename("rooms.scn", "rooms.kept");
    command("c", "scene", "start", {{"file", "rooms.scn"}, {"camera", "nowhere"}});
    EXPECT_EQ(sceneOn("c").view(), &shared->views[0]) << "an unknown camera is the first";
    SceneModule loader;
    ArgumentList list;
    list.addToken("file=rooms.scn");
    loader.checkCommand("start", list, track("c"));
    CountingProgress progress;
    EXPECT_TRUE(loader.load(progress));
    EXPECT_EQ(progress.total, 100.0f);
    fs::rename("rooms.kept", "rooms.scn");

    ArgumentList missing;
    missing.addToken("file=nothere.scn");
    loader.checkCommand("start", missing, track("c"));
    EXPECT_EQ(loader.loadWeight(), 200.0f);
    EXPECT_EXIT(loader.load(progress), testing::ExitedWithCode(1),
                "Scene nothere.scn not found\n.*Cannot find scene \"nothere.scn\"\n");
}

TEST_F(SceneRules, TheSceneClockRunsFromStartAndSetParamResetsIt) {
    at(40.0);
    command("w", "scene", "start", {{"file", "rooms.scn"}, {"time", "12.5"}});
    SceneModule& m = sceneOn("w");
    EXPECT_FLOAT_EQ(m.sceneTime(40.0f), 12.5f);
    EXPECT_FLOAT_EQ(m.sceneTime(41.0f), 13.5f);
    EXPECT_FLOAT_EQ(m.lastTime(), 40.0f);

    // setParam without "time" leaves the clock; with it the clock restarts.
    at(45.0);
    command("w", "scene", "setParam", {{"shadows", "1"}});
    EXPECT_FLOAT_EQ(m.sceneTime(45.0f), 17.5f);
    EXPECT_FLOAT_EQ(m.lastTime(), 40.0f);
    at(50.0);
    command("w", "scene", "setParam", {{"time", "0"}});
    EXPECT_FLOAT_EQ(m.sceneTime(51.0f), 1.0f);
    EXPECT_FLOAT_EQ(m.lastTime(), 50.0f);

    // A start without "time" starts the scene at 0.
    at(60.0);
    command("w", "scene", "start", {{"file", "rooms.scn"}});
    EXPECT_FLOAT_EQ(m.sceneTime(60.0f), 0.0f);
}

TEST_F(SceneRules, FogAndShadowSettingsReachTheSceneAndStopClearsThem) {
    at(20.0);
    command("w", "scene", "start",
            {{"file", "rooms.scn"},
             {"fogDensity", "0.5"},
             {"fogDensityVel", "0.1"},
             {"fogRed", "2"},
             {"fogtype", "EXP2"},
             {"shadows", "1"},
             {"accurateShadows", "0"}});
    SceneModule& m = sceneOn("w");
    Scene& scene = *m.scene();
    m.copySettings(21.0f);
    EXPECT_EQ(scene.fogType, 3);
    EXPECT_FLOAT_EQ(scene.fogDensity, 0.6f);
    EXPECT_FLOAT_EQ(scene.fogColour[0], 2.0f) << "fog parameters are not clamped";
    EXPECT_FLOAT_EQ(scene.fogEnd, 1.0f) << "default";
    EXPECT_TRUE(scene.shadows);
    EXPECT_FALSE(scene.accurateShadows);

    // setParam continues the motion from where it is; an unknown fog type
    // leaves the type as it was.
    at(22.0);
    command("w", "scene", "setParam",
            {{"fogDensityAcc", "2"}, {"fogtype", "linear"}, {"accurateShadows", "1"}});
    m.copySettings(23.0f);
    EXPECT_FLOAT_EQ(scene.fogDensity, 0.7f + 1.0f);
    EXPECT_EQ(scene.fogType, 1);
    EXPECT_TRUE(scene.accurateShadows);
    command("w", "scene", "setParam", {{"fogtype", "fuzzy"}, {"shadows", "x"}});
    EXPECT_EQ(m.fogType(), 1);
    EXPECT_FALSE(m.shadows()) << "a shadows value that is not a number switches off";

    // Stop forgets scene, view and switches; a new start sets them from its
    // own arguments only, with the fog type back at none.
    command("w", "scene", "setParam", {{"shadows", "1"}});
    command("w", "scene", "stop");
    EXPECT_EQ(m.scene(), nullptr);
    EXPECT_EQ(m.view(), nullptr);
    EXPECT_FALSE(m.shadows());
    EXPECT_FALSE(m.accurateShadows());
    EXPECT_EQ(selected("w"), nullptr);
    command("w", "scene", "start", {{"file", "rooms.scn"}});
    EXPECT_FALSE(m.shadows());
    EXPECT_EQ(m.fogType(), 0);
    EXPECT_NE(m.view(), nullptr);
}

TEST_F(SceneRules, WithoutABoundSceneThereIsNoViewAndRenderSaysSo) {
    // setParam before any start: nothing to choose a camera from.
    command("w", "scene", "setParam", {{"camera", "Side"}, {"time", "3"}});
    SceneModule& m = sceneOn("w");
    EXPECT_EQ(m.view(), nullptr);
    CaptureStderr();
    EXPECT_EQ(m.render(1.0f, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(GetCapturedStderr(), "scene: No current view, this is bad\n");

    // After stop, likewise.
    command("w", "scene", "start", {{"file", "rooms.scn"}});
    command("w", "scene", "stop");
    command("w", "scene", "setParam", {{"camera", "Side"}});
    EXPECT_EQ(m.view(), nullptr);

    // Camera selection follows setParam while bound, the first view when
    // the name is absent.
    command("w", "scene", "start", {{"file", "rooms.scn"}, {"camera", "SIDE"}});
    EXPECT_EQ(m.view(), &m.scene()->views[1]);
    command("w", "scene", "setParam", {{"fogRed", "1"}});
    EXPECT_EQ(m.view(), &m.scene()->views[0]);
}

TEST_F(SceneRules, StartingASceneWithoutViewsEndsThePresentationNamingTheFile) {
    EXPECT_EXIT(command("w", "scene", "start", {{"file", "blind.scn"}}), testing::ExitedWithCode(1),
                "blind.scn");
}

TEST(SceneFreeCamera, IAndUSwitchItWithUWinningAndPressesCountOnce) {
    View view;
    std::int32_t* keys = mutableKeyState();
    keys[vk::letterI] = 1;
    switchFreeCamera(view);
    EXPECT_TRUE(view.freeCamera);
    keys[vk::letterU] = 1;
    switchFreeCamera(view);
    EXPECT_FALSE(view.freeCamera) << "U wins";
    keys[vk::letterI] = keys[vk::letterU] = 0;

    // A tap shorter than a frame still counts, once.
    latchKeyPress(vk::letterI);
    switchFreeCamera(view);
    EXPECT_TRUE(view.freeCamera);
    switchFreeCamera(view);
    EXPECT_TRUE(view.freeCamera);
    latchKeyPress(vk::letterU);
    latchKeyPress(vk::letterI);
    switchFreeCamera(view);
    EXPECT_FALSE(view.freeCamera);

    keys[vk::left] = keys[vk::letterD] = 1;
    const FreeCameraKeys held = heldFreeCameraKeys();
    EXPECT_TRUE(held.left && held.strafeRight);
    EXPECT_FALSE(held.right || held.up || held.down || held.forward || held.back ||
                 held.strafeLeft);
    keys[vk::left] = keys[vk::letterD] = 0;
}
