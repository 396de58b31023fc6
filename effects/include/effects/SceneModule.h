// The "scene" track module: an animated 3D scene on a track. "start" names
// a scene file of the scene registry, a camera (a view, by name) and the
// scene time to start from; "setParam" changes the camera, the scene time,
// the shadow switches and the fog while it runs; "stop" lets the scene go.
// Each frame the module copies its fog and shadow settings into the scene,
// lets the keys fly a free camera when switched on, and draws the view.
#pragma once

#include "script/AnimatedParameter.h"
#include "timeline/ResourceList.h"
#include "timeline/TrackModule.h"

#include <initializer_list>
#include <string>
#include <vector>

class Scene;
struct FreeCameraKeys;
struct View;

class SceneModule : public TrackModule {
public:
    SceneModule();

    // "scene".
    const std::string& name() const override;
    // Accepts "start" (with a required string "file", kept for load),
    // "stop" and "setParam"; checks "time", "shadows", "accurateShadows",
    // "camera", "fogtype" and the seven fog parameters.
    bool checkCommand(const std::string& commandName, ArgumentList& arguments,
                      Track& track) override;
    // Reads the next kept scene file through the scene registry, 100
    // progress; a file that cannot be read ends the process ("Cannot find
    // scene", status 1).
    bool loadNext(LoadingScreen& progress, bool& ok) override;
    // 100 per distinct scene file named by a "start" of this module.
    float loadWeight() const override;
    // The kept scene files, with the statements that first named them.
    void listResources(ResourceList& out) const override;
    // "start" binds the scene and a view and sets the scene clock; a scene
    // without any view ends the process (status 1). "setParam" changes fog,
    // camera and clock; without a bound scene the track keeps no view.
    // "stop" unbinds and clears both shadow switches. Then the base handling.
    bool command(const std::string& commandName, ArgumentList& arguments, Track& track) override;
    // Draws the current view at scene time `time` - time offset into
    // `destination`. Without a view logs "scene: No current view, this is
    // bad" and returns 1; otherwise 0.
    int render(float time, Destination* destination, TextureSource* source,
               TextureSource* secondSource) override;
    // Scenes draw under pictures and text.
    int drawPriority() const override { return 50; }

    // Writes the fog type, the fog parameters' values at music time `time`
    // and both shadow switches into the bound scene; nothing without one.
    void copySettings(float time) const;

    Scene* scene() const { return scene_; }
    View* view() const { return view_; }
    // Scene time at music time `time`.
    float sceneTime(float time) const { return time - timeOffset_; }
    float lastTime() const { return lastTime_; }
    bool shadows() const { return shadows_; }
    bool accurateShadows() const { return accurateShadows_; }
    int fogType() const { return fogType_; }

private:
    // Calls `f` on the seven fog parameters in their fixed order: density,
    // near, far, red, green, blue, alpha.
    template <typename F>
    void forEachFogParameter(F f) {
        for (AnimatedParameter* p :
             {&fogDensity_, &fogNear_, &fogFar_, &fogRed_, &fogGreen_, &fogBlue_, &fogAlpha_})
            f(*p);
    }
    // The view named by "camera" (ignoring case), the first one when the
    // name is absent, not a text or matches none. Ends the process when the
    // bound scene has no view at all.
    View* chooseView(ArgumentList& arguments) const;
    // Scene time `t` from "time" (0 when not a number) as of music time `m`.
    void setClock(ArgumentList& arguments, float m);

    std::vector<NamedResource> sceneFiles_;  // distinct, in order of first "start"
    std::size_t loaded_ = 0;                  // of sceneFiles_, read
    Scene* scene_ = nullptr;                 // non-owning: the scene registry's
    View* view_ = nullptr;                   // non-owning: a view of scene_
    float timeOffset_ = 0.0f;                // music time minus scene time
    float lastTime_ = 0.0f;                  // music time of the previous render
    bool shadows_ = false;
    bool accurateShadows_ = false;
    int fogType_ = 0;  // 0 none, 1 linear, 2 exp, 3 exp2
    AnimatedParameter fogDensity_{"fogDensity", 1.0f};
    AnimatedParameter fogNear_{"fogNear", 0.0f};
    AnimatedParameter fogFar_{"fogFar", 1.0f};
    AnimatedParameter fogRed_{"fogRed", 0.0f};
    AnimatedParameter fogGreen_{"fogGreen", 0.0f};
    AnimatedParameter fogBlue_{"fogBlue", 0.0f};
    AnimatedParameter fogAlpha_{"fogAlpha", 0.0f};
};

// Switches the view's free camera by the keys: on while I is held or was
// pressed since the last frame, then off likewise for U, so U wins when both
// are. Takes both keys' latched presses.
void switchFreeCamera(View& view);

// The turning and moving keys held now: the arrows, W, S, A and D.
FreeCameraKeys heldFreeCameraKeys();
