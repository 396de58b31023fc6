#include "base/CaseInsensitive.h"
#include "scene/Scene.h"

#include <atomic>

namespace {
std::atomic<std::uint64_t> gSceneSerial{0};
}  // namespace

Scene::Scene() : trees(1), views(1), serial_(++gSceneSerial) {
    views.front().scene = this;
}

void updateLight(Light& light, float t) {
    light.transform.sample(t);
    light.transform.recomputeMatrices();
    light.direction = linearTimes(light.transform.linear, Vec3{0.0f, 0.0f, -1.0f});
}

void updateView(View& view, float t) {
    if (!view.freeCamera) {
        view.transform.sample(t);
        sampleTrack(view.fieldOfView, t);
    }
    view.transform.recomputeMatrices();
}

void updateScene(View& view, float t) {
    updateView(view, t);
    if (!view.scene) return;
    for (Light& light : view.scene->lights) updateLight(light, t);
    // The trees keep the pose they were built in: nothing to update there.
    for (Mesh& mesh : view.scene->meshes) mesh.transform.sample(t);
}

int findView(const Scene& scene, const std::string& name) {
    if (name.empty()) return 0;
    for (std::size_t i = 0; i < scene.views.size(); ++i)
        if (equalsIgnoreCase(scene.views[i].name, name)) return static_cast<int>(i);
    return 0;
}

void freeCameraStep(View& view, float dt, const FreeCameraKeys& keys) {
    if (!view.freeCamera) return;
    const float yaw = (keys.right ? dt : 0.0f) - (keys.left ? dt : 0.0f);
    const float pitch = (keys.down ? dt : 0.0f) - (keys.up ? dt : 0.0f);
    Transform& transform = view.transform;
    transform.rotation.value = quatFromAxisAngle({1.0f, 0.0f, 0.0f}, pitch) *
                               quatFromAxisAngle({0.0f, 1.0f, 0.0f}, yaw) *
                               transform.rotation.value;
    transform.recomputeMatrices();
    const float forwardStep = (keys.forward ? 50.0f * dt : 0.0f) - (keys.back ? 50.0f * dt : 0.0f);
    const float sideStep =
        (keys.strafeRight ? 50.0f * dt : 0.0f) - (keys.strafeLeft ? 50.0f * dt : 0.0f);
    transform.position.value =
        transform.position.value + linearTimes(transform.linear, {sideStep, 0.0f, -forwardStep});
    transform.recomputeMatrices();
}
