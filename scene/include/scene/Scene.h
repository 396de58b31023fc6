// A loaded 3D scene: lights, meshes and their BSP trees, materials, textures,
// cameras, and the render settings. GL-free: textures are shared objects of
// the rendering layer, reached through the TextureSource interface.
#pragma once

#include "scene/BspTree.h"
#include "scene/SceneMath.h"
#include "scene/Transform.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class TextureSource;

struct Colour {
    float red = 0.0f, green = 0.0f, blue = 0.0f;
};

struct Material {
    std::int32_t kept0 = 0;  // kept for the file, not used by rendering
    float shininess = 0.0f;  // GL specular exponent
    std::int32_t kept1 = -1;
    Colour emission;
    Colour ambientDiffuse{0.5f, 0.5f, 0.5f};  // used only without a texture
    Colour specular{0.5f, 0.5f, 0.5f};
    std::array<std::int32_t, 3> kept2 = {0, 0, 0};  // the file's three later kept words, as read
    std::int32_t texture = -1;                      // index into Scene::textures; -1 untextured
};

struct Light {
    Transform transform;
    std::int32_t kind = 0;  // 3 directional, any other value positional
    std::uint8_t flag = 0;  // kept, not used by rendering
    Colour ambient, diffuse, specular;
    Vec3 direction;                  // derived: linear x (0, 0, -1), not normalised
    float spotCutoff = 3.14159274f;  // radians
    std::int32_t spotExponent = 0;
    std::array<float, 3> kept = {0.0f, 0.0f, 0.0f};
    bool castsShadows = true;
};

class Scene;

struct View {
    Transform transform;
    Scene* scene = nullptr;         // non-owning: the scene that holds the view
    int width = 320, height = 200;  // window size at load time
    bool freeCamera = false;
    std::string name;         // compared ignoring case
    ScalarTrack fieldOfView;  // radians, vertical full angle
};

struct Face {
    std::array<std::int32_t, 3> position = {0, 0, 0};
    std::array<std::int32_t, 3> texCoord = {0, 0, 0};
    std::array<std::int32_t, 3> normal = {0, 0, 0};
    std::int32_t material = -1;
    std::int32_t kept = -1;
    Vec3 planeNormal;  // unit normal; planeNormal . p + planeOffset = 0 on the face
    float planeOffset = 0.0f;
    std::array<std::int32_t, 3> neighbour = {-1, -1, -1};  // per edge j (corner j to j + 1)
};

struct Mesh {
    Transform transform;
    std::vector<Vec3> positions;
    std::vector<TexCoord> texCoords;
    std::vector<Face> faces;
    std::vector<Vec3> normals;
    std::uint8_t flag = 0;  // kept, not used by rendering
    bool castsShadows = true;

    bool isAnimated() const { return transform.isAnimated(); }
};

class Scene {
public:
    // One default view and one default BSP tree, as the reader expects.
    Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // The file name it was loaded from (the scene registry's key).
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    // A number no other scene of this process has had: what other layers
    // keep for a scene is keyed on it, since a gone scene's address may be
    // reused.
    std::uint64_t serial() const { return serial_; }

    std::vector<Light> lights;
    std::vector<Mesh> meshes;
    std::vector<BspTree> trees;
    std::vector<Material> materials;
    std::vector<TextureSource*> textures;   // non-owning: the texture registry's
    std::vector<std::string> textureNames;  // as the file names them, for writing
    bool shadows = true;
    std::vector<View> views;
    int fogType = 0;
    float fogDensity = 1.0f;
    float fogStart = 0.0f;
    float fogEnd = 1.0f;
    std::array<float, 4> fogColour = {0.0f, 0.0f, 0.0f, 0.0f};
    bool accurateShadows = false;

private:
    std::string name_;
    std::uint64_t serial_;
};

// The animation of a frame, for view `view` of its scene at scene time t:
// the view, then every light in order, then every mesh's transform.
void updateLight(Light& light, float t);
void updateView(View& view, float t);
void updateScene(View& view, float t);

// The first view whose name equals `name` ignoring case; 0 when there is
// none or `name` is empty.
int findView(const Scene& scene, const std::string& name);

// The keys that fly a free camera in one frame.
struct FreeCameraKeys {
    bool left = false, right = false, up = false, down = false;
    bool forward = false, back = false, strafeLeft = false, strafeRight = false;
};
// Turns (1 radian per second) and moves (50 units per second) the view by
// `dt` seconds of held keys; only while its free-camera flag is set.
void freeCameraStep(View& view, float dt, const FreeCameraKeys& keys);
