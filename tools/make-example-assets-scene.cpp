#include "make-example-assets-scene.h"

#include "scene/Scene.h"
#include "scene/SceneFile.h"

#include <cmath>
#include <string>

namespace {

constexpr float kPi = 3.14159265f;
// Animations are sampled this often: the player eases position keys in and
// out, so keys must be close together for a smooth glide.
constexpr float kKeyRate = 20.0f;

// Builds a mesh from corners that each carry their own normal and texture
// coordinate (the three index lists of a face are the same).
class MeshBuilder {
public:
    explicit MeshBuilder(Mesh& mesh) : mesh_(mesh) {}

    std::int32_t vertex(Vec3 p, Vec3 n, TexCoord uv = {}) {
        mesh_.positions.push_back(p);
        mesh_.normals.push_back(normalized(n));
        mesh_.texCoords.push_back(uv);
        return static_cast<std::int32_t>(mesh_.positions.size()) - 1;
    }
    // Triangle a, b, c counter-clockwise seen from its front.
    void face(std::int32_t a, std::int32_t b, std::int32_t c, int material) {
        Face f;
        f.position = f.normal = f.texCoord = {a, b, c};
        f.material = material;
        mesh_.faces.push_back(f);
    }

private:
    Mesh& mesh_;
};

int addMaterial(Scene& scene, Colour diffuse, Colour specular, float shininess,
                Colour emission = {}, int texture = -1) {
    Material m;
    m.ambientDiffuse = diffuse;
    m.specular = specular;
    m.shininess = shininess;
    m.emission = emission;
    m.texture = texture;
    scene.materials.push_back(m);
    return static_cast<int>(scene.materials.size()) - 1;
}

// The floor: a square of cells x cells quads at z = 0 facing up (lighting is
// per corner, so the lamps need the cells), the texture repeated `repeat`
// times across.
Mesh floorMesh(float half, int cells, float repeat, int material) {
    Mesh mesh;
    mesh.castsShadows = false;
    MeshBuilder b(mesh);
    const float step = 2.0f * half / cells;
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i)
            b.vertex({-half + step * i, -half + step * j, 0.0f}, {0, 0, 1},
                     {repeat * i / cells, repeat * j / cells});
    for (int j = 0; j < cells; ++j) {
        for (int i = 0; i < cells; ++i) {
            const std::int32_t a = j * (cells + 1) + i, c = a + cells + 2;
            b.face(a, a + 1, c, material);
            b.face(a, c, c - 1, material);
        }
    }
    return mesh;
}

// A closed surface of revolution about z, given as a profile of (radius, z,
// normal r, normal z) rows from bottom to top, with `sides` segments.
struct ProfilePoint {
    float r, z, nr, nz;
};
void lathe(MeshBuilder& b, const std::vector<ProfilePoint>& profile, int sides, Vec3 at,
           int material) {
    std::vector<std::int32_t> first;
    for (const ProfilePoint& p : profile) {
        first.push_back(-1);
        for (int s = 0; s < sides; ++s) {
            const float a = 2.0f * kPi * s / sides, c = std::cos(a), d = std::sin(a);
            const std::int32_t v =
                b.vertex(at + Vec3{p.r * c, p.r * d, p.z}, {p.nr * c, p.nr * d, p.nz});
            if (s == 0) first.back() = v;
        }
    }
    for (std::size_t row = 0; row + 1 < profile.size(); ++row) {
        // Two rows at one place only turn the normal (a hard edge): no faces.
        if (profile[row].r == profile[row + 1].r && profile[row].z == profile[row + 1].z) continue;
        for (int s = 0; s < sides; ++s) {
            const int t = (s + 1) % sides;
            const std::int32_t a = first[row] + s, bb = first[row] + t;
            const std::int32_t c = first[row + 1] + t, d = first[row + 1] + s;
            if (profile[row].r > 0.0f) b.face(a, bb, c, material);
            if (profile[row + 1].r > 0.0f) b.face(a, c, d, material);
        }
    }
}

// An octagonal pillar with a wider base and capital, closed at both ends.
void addPillar(MeshBuilder& b, Vec3 at, float height, int material) {
    const float r = 0.55f, R = 0.85f;
    lathe(b,
          {{0.0f, 0.0f, 0, -1},
           {R, 0.0f, 0, -1},
           {R, 0.0f, 1, 0},
           {R, 0.5f, 1, 0},
           {R, 0.5f, 0, 1},
           {r, 0.5f, 0, 1},
           {r, 0.5f, 1, 0},
           {r, height - 0.5f, 1, 0},
           {r, height - 0.5f, 0, -1},
           {R, height - 0.5f, 0, -1},
           {R, height - 0.5f, 1, 0},
           {R, height, 1, 0},
           {R, height, 0, 1},
           {0.0f, height, 0, 1}},
          8, at, material);
}

Mesh sphereMesh(float radius, int sides, int rings, int material) {
    Mesh mesh;
    MeshBuilder b(mesh);
    std::vector<ProfilePoint> profile;
    for (int i = 0; i <= rings; ++i) {
        const float a = -kPi / 2 + kPi * i / rings;
        const float c = (i == 0 || i == rings) ? 0.0f : std::cos(a);
        profile.push_back({radius * c, radius * std::sin(a), c, std::sin(a)});
    }
    lathe(b, profile, sides, {0, 0, 0}, material);
    return mesh;
}

// A torus about its local z axis.
Mesh torusMesh(float major, float minor, int around, int tube, int material) {
    Mesh mesh;
    MeshBuilder b(mesh);
    for (int i = 0; i < around; ++i) {
        const float u = 2.0f * kPi * i / around;
        const Vec3 centre{major * std::cos(u), major * std::sin(u), 0.0f};
        for (int j = 0; j < tube; ++j) {
            const float v = 2.0f * kPi * j / tube;
            const Vec3 n{std::cos(v) * std::cos(u), std::cos(v) * std::sin(u), std::sin(v)};
            b.vertex(centre + minor * n, n);
        }
    }
    for (int i = 0; i < around; ++i) {
        for (int j = 0; j < tube; ++j) {
            const int i1 = (i + 1) % around, j1 = (j + 1) % tube;
            const std::int32_t a = i * tube + j, c = i1 * tube + j1;
            b.face(a, i1 * tube + j, c, material);
            b.face(a, c, i * tube + j1, material);
        }
    }
    return mesh;
}

// Scene tools write the conjugate of a rotation: a transform turns by the
// transpose of its quaternion's matrix.
Quat stored(const Quat& q) {
    return {q.w, -q.x, -q.y, -q.z};
}

// The rotation of a camera at `eye` looking at `target` with +z up (cameras
// look down their local -z, local +y up).
Quat lookAt(Vec3 eye, Vec3 target) {
    const Vec3 d = target - eye;
    const float yaw = std::atan2(-d.x, d.y);
    const float pitch = std::atan2(d.z, std::hypot(d.x, d.y));
    const Quat upright = quatFromAxisAngle({1, 0, 0}, kPi / 2);  // -z to +y, +y to +z
    return stored(quatFromAxisAngle({0, 0, 1}, yaw) * quatFromAxisAngle({1, 0, 0}, pitch) *
                  upright);
}

float smooth(float a, float b, float t) {
    t = std::fmin(1.0f, std::fmax(0.0f, (t - a) / (b - a)));
    return t * t * (3.0f - 2.0f * t);
}

// Keys every 1 / kKeyRate seconds over the whole scene length.
template <typename F>
void keyPositions(VectorTrack& track, F at) {
    track.animated = true;
    const int n = static_cast<int>(kExampleSceneLength * kKeyRate);
    for (int i = 0; i <= n; ++i) track.keys.push_back({i / kKeyRate, at(i / kKeyRate)});
    track.value = track.keys.front().value;
}

// The camera: from high and far it glides down towards the torus while
// circling it, skims low past the pillars, and rises again at the end.
Vec3 cameraEye(float t) {
    const float angle = -kPi / 2 - 0.16f * t + 0.9f * smooth(0.0f, 8.0f, t);
    const float radius = 26.0f - 15.0f * smooth(0.0f, 7.0f, t) + 2.0f * smooth(20.0f, 28.0f, t);
    const float height = 15.0f - 10.5f * smooth(2.0f, 11.0f, t) +
                         1.5f * std::sin(t * 0.5f) * smooth(10.0f, 14.0f, t) +
                         6.0f * smooth(21.0f, 29.0f, t);
    return {radius * std::cos(angle), radius * std::sin(angle), height};
}
Vec3 cameraTarget(float t) {
    return {0.0f, 0.0f, 2.2f + 0.6f * smooth(6.0f, 12.0f, t)};
}

// The blue lamp circles the middle above everything it lights, so that all
// shadows fall towards the floor (a shadow volume reaching into the empty
// sky would darken it) and the pillars' shadows end on the floor, yet low
// enough for long pillar shadows.
Vec3 lampAt(float t) {
    const float a = 0.45f * t;
    return {6.5f * std::cos(a), 6.5f * std::sin(a), 9.5f + 0.6f * std::sin(t * 0.9f)};
}

}  // namespace

std::vector<std::uint8_t> exampleSceneBytes(const char* floorTexture) {
    Scene scene;
    scene.textureNames.push_back(floorTexture);
    scene.textures.push_back(nullptr);

    const int tiles = addMaterial(scene, {1, 1, 1}, {0.35f, 0.35f, 0.4f}, 24.0f, {}, 0);
    const int stone = addMaterial(scene, {0.78f, 0.74f, 0.70f}, {0.1f, 0.1f, 0.1f}, 8.0f);
    const int gold =
        addMaterial(scene, {0.95f, 0.68f, 0.25f}, {1.0f, 0.9f, 0.6f}, 40.0f, {0.06f, 0.03f, 0.0f});
    const int coral = addMaterial(scene, {0.95f, 0.35f, 0.3f}, {0.8f, 0.8f, 0.8f}, 60.0f);
    const int teal = addMaterial(scene, {0.2f, 0.8f, 0.75f}, {0.8f, 0.8f, 0.8f}, 60.0f);
    const int violet = addMaterial(scene, {0.6f, 0.4f, 0.95f}, {0.8f, 0.8f, 0.8f}, 60.0f);
    const int lamp = addMaterial(scene, {0, 0, 0}, {0, 0, 0}, 1.0f, {0.6f, 0.8f, 1.0f});

    // Wide enough that its edge lies deep in the fog.
    scene.meshes.push_back(floorMesh(48.0f, 20, 18.0f, tiles));

    // Pillars in a ring and the plinth under the torus, one static mesh.
    Mesh stoneWork;
    MeshBuilder b(stoneWork);
    for (int i = 0; i < 7; ++i) {
        const float a = 2.0f * kPi * i / 7 + 0.3f;
        addPillar(b, {14.0f * std::cos(a), 14.0f * std::sin(a), 0.0f}, 6.5f, stone);
    }
    lathe(b,
          {{0.0f, 0.0f, 0, -1},
           {2.2f, 0.0f, 0, -1},
           {2.2f, 0.0f, 1, 0},
           {2.2f, 0.5f, 1, 0},
           {2.2f, 0.5f, 0, 1},
           {1.2f, 0.5f, 0, 1},
           {0.7f, 0.9f, 0, 1},
           {0.0f, 0.9f, 0, 1}},
          16, {0, 0, 0}, stone);
    scene.meshes.push_back(std::move(stoneWork));

    // The torus stands on edge above the plinth, turning about the vertical
    // and slowly rocking.
    Mesh torus = torusMesh(2.0f, 0.6f, 30, 12, gold);
    torus.transform.position.value = {0.0f, 0.0f, 3.5f};
    torus.transform.rotation.animated = true;
    for (int i = 0; i <= static_cast<int>(kExampleSceneLength * 4); ++i) {
        const float t = i / 4.0f;
        const Quat q = quatFromAxisAngle({0, 0, 1}, 0.7f * t) *
                       quatFromAxisAngle({1, 0, 0}, kPi / 2 + 0.35f * std::sin(0.6f * t));
        torus.transform.rotation.keys.push_back({t, stored(q)});
    }
    torus.transform.rotation.value = torus.transform.rotation.keys.front().value;
    scene.meshes.push_back(std::move(torus));

    // Three spheres orbit the torus at different heights, bobbing.
    const int colours[3] = {coral, teal, violet};
    for (int k = 0; k < 3; ++k) {
        Mesh ball = sphereMesh(0.75f, 14, 9, colours[k]);
        keyPositions(ball.transform.position, [k](float t) {
            const float a = -0.8f * t + 2.0f * kPi * k / 3;
            return Vec3{4.2f * std::cos(a), 4.2f * std::sin(a),
                        2.4f + 1.2f * std::sin(1.6f * t + 2.0f * k)};
        });
        scene.meshes.push_back(std::move(ball));
    }

    // The lamp's glowing bulb; it casts no shadow (the light is inside it).
    Mesh bulb = sphereMesh(0.25f, 8, 6, lamp);
    bulb.castsShadows = false;
    keyPositions(bulb.transform.position, lampAt);
    scene.meshes.push_back(std::move(bulb));

    // A warm key light high up, and the moving blue lamp.
    Light key;
    key.transform.position.value = {-9.0f, -7.0f, 16.0f};
    key.ambient = {0.16f, 0.14f, 0.2f};
    key.diffuse = {1.0f, 0.86f, 0.66f};
    key.specular = {1.0f, 0.9f, 0.8f};
    scene.lights.push_back(key);
    Light blue;
    keyPositions(blue.transform.position, lampAt);
    blue.ambient = {0.0f, 0.0f, 0.0f};
    blue.diffuse = {0.35f, 0.55f, 1.0f};
    blue.specular = {0.6f, 0.8f, 1.0f};
    scene.lights.push_back(blue);

    View& view = scene.views.front();
    view.name = "Orbit";
    view.fieldOfView.value = 0.95f;
    keyPositions(view.transform.position, cameraEye);
    view.transform.rotation.animated = true;
    const int n = static_cast<int>(kExampleSceneLength * kKeyRate);
    for (int i = 0; i <= n; ++i) {
        const float t = i / kKeyRate;
        Quat q = lookAt(cameraEye(t), cameraTarget(t));
        // Successive keys on the same side of the sphere, for the short way.
        if (i > 0 && dot(q, view.transform.rotation.keys.back().value) < 0.0f) q = -q;
        view.transform.rotation.keys.push_back({t, q});
    }
    view.transform.rotation.value = view.transform.rotation.keys.front().value;
    return writeScene(scene);
}
