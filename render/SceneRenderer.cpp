#include "render/SceneRenderer.h"

#include "gfx/Gfx.h"

#include "render/Texture.h"
#include "scene/Scene.h"
#include "scene/SceneTrees.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace {

bool gStencilShadows = true;

// The material last applied while compiling a mesh list; null = none.
const Material* gLastMaterial = nullptr;

constexpr unsigned kAllStencilBits = 0xFF;

// What the renderer compiled for one scene: a static mesh per mesh, and
// per light the static casters' shadow volumes with the light position and
// counting method they were made for (a moved light makes them again).
struct LightVolumes {
    gfx::StaticMesh volumes;
    bool caps = false;
    Vec3 position;
};
struct SceneCache {
    std::uint64_t serial = 0;  // the scene's; another scene at the same address has another
    std::vector<gfx::StaticMesh> meshes;
    std::vector<LightVolumes> lights;
};

std::unordered_map<const Scene*, SceneCache>& caches() {
    static std::unordered_map<const Scene*, SceneCache> all;
    return all;
}

SceneCache& cacheOf(const Scene& scene) {
    SceneCache& cache = caches()[&scene];
    if (cache.serial != scene.serial()) {
        // A scene gone without its compiled drawing released: not this one's.
        for (gfx::StaticMesh& mesh : cache.meshes) mesh.release(true);
        for (LightVolumes& light : cache.lights) light.volumes.release(true);
        cache = SceneCache{};
        cache.serial = scene.serial();
    }
    cache.meshes.resize(scene.meshes.size());
    cache.lights.resize(scene.lights.size());
    return cache;
}

void resetMaterialCache() {
    gLastMaterial = nullptr;
}

// Texturing off in the door and in the bound record, whatever a compiled
// mesh's replay left enabled (replays do not update the record).
void forceUnbind() {
    gfx::disable(gfx::Cap::texture2D);
    unbindTexture();
}

void setMaterial(gfx::MaterialColour which, const Colour& c) {
    gfx::material(gfx::Face::frontAndBack, which, gfx::Rgba{c.red, c.green, c.blue, 1.0f});
}

void applyMaterial(const Scene& scene, const Material& material) {
    setMaterial(gfx::MaterialColour::specular, material.specular);
    setMaterial(gfx::MaterialColour::emission, material.emission);
    gfx::shininess(gfx::Face::frontAndBack, material.shininess);
    if (material.texture < 0) {
        setMaterial(gfx::MaterialColour::ambientAndDiffuse, material.ambientDiffuse);
        unbindTexture();
    } else {
        setMaterial(gfx::MaterialColour::ambientAndDiffuse, Colour{1.0f, 1.0f, 1.0f});
        scene.textures[static_cast<std::size_t>(material.texture)]->bind();
    }
}

const Material* materialOf(const Scene& scene, const Face& face) {
    if (face.material < 0 || static_cast<std::size_t>(face.material) >= scene.materials.size())
        return nullptr;
    return &scene.materials[static_cast<std::size_t>(face.material)];
}

void emitFaces(const Mesh& mesh, const Scene& scene) {
    for (const Face& face : mesh.faces) {
        const Material* material = materialOf(scene, face);
        if (material && material != gLastMaterial) {
            gLastMaterial = material;
            applyMaterial(scene, *material);
        }
        const bool textured = material && material->texture >= 0;
        gfx::begin(gfx::Primitive::triangles);
        for (int k = 0; k < 3; ++k) {
            const Vec3& n = mesh.normals[static_cast<std::size_t>(face.normal[k])];
            gfx::normal(n.x, n.y, n.z);
            if (textured) {
                const TexCoord& t = mesh.texCoords[static_cast<std::size_t>(face.texCoord[k])];
                gfx::texCoord(t.u, t.v);
            }
            const Vec3& p = mesh.positions[static_cast<std::size_t>(face.position[k])];
            gfx::vertex(p.x, p.y, p.z);
        }
        gfx::end();
    }
}

// Draws one mesh in local coordinates under the current modelview. The mesh
// is compiled at the first draw; each is self-contained (it opens with its
// first material and texture binding) because replays update neither the
// material cache nor the bound record.
void drawMesh(const Mesh& mesh, const Scene& scene, gfx::StaticMesh& compiled) {
    if (!compiled.compiled()) {
        // Uploads happen now, before compiling: a mesh keeps the binding, not
        // the upload.
        for (const Face& face : mesh.faces) {
            const Material* material = materialOf(scene, face);
            if (material && material->texture >= 0)
                scene.textures[static_cast<std::size_t>(material->texture)]->bind();
        }
        forceUnbind();
        resetMaterialCache();
        gfx::beginStaticMesh(compiled);
        emitFaces(mesh, scene);
        gfx::endStaticMesh();
    }
    forceUnbind();
    gfx::drawStaticMesh(compiled);
}

void multiplyMeshMatrix(const Mesh& mesh) {
    const Vec3& p = mesh.transform.position.value;
    gfx::translate(p.x, p.y, p.z);
    gfx::Matrix4 linear;
    std::copy(mesh.transform.linear.m, mesh.transform.linear.m + 16, linear.m.begin());
    gfx::multMatrix(linear);
}

void drawAllMeshes(const Scene& scene) {
    SceneCache& cache = cacheOf(scene);
    for (std::size_t i = 0; i < scene.meshes.size(); ++i) {
        gfx::pushMatrix();
        multiplyMeshMatrix(scene.meshes[i]);
        drawMesh(scene.meshes[i], scene, cache.meshes[i]);
        gfx::popMatrix();
    }
    forceUnbind();
}

void loadProjection(const View& view) {
    const float fov = view.fieldOfView.value;
    const float f = 1.0f / std::tan(fov / 2.0f);
    const float aspect =
        static_cast<float>(view.width) / static_cast<float>(std::max(1, view.height));
    gfx::Matrix4 m;
    m.m.fill(0.0f);
    m.m[0] = f / aspect;
    m.m[5] = f;
    m.m[10] = -1.0f;
    m.m[11] = -1.0f;
    m.m[14] = -2.0f;
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::loadMatrix(m);
    gfx::matrixMode(gfx::MatrixMode::modelView);
}

void loadViewMatrix(const View& view) {
    gfx::Matrix4 inverse;
    std::copy(view.transform.inverseLinear.m, view.transform.inverseLinear.m + 16,
              inverse.m.begin());
    gfx::loadMatrix(inverse);
    const Vec3& p = view.transform.position.value;
    gfx::translate(-p.x, -p.y, -p.z);
}

bool isDirectional(const Light& light) {
    return light.kind == 3;
}

void setUpLight(int i, const Light& light, Colour& ambientSum) {
    ambientSum.red += light.ambient.red;
    ambientSum.green += light.ambient.green;
    ambientSum.blue += light.ambient.blue;
    const Vec3& p = light.transform.position.value;
    gfx::LightParams params;
    params.position = {{p.x, p.y, p.z, isDirectional(light) ? 0.0f : 1.0f}};
    params.diffuse = {light.diffuse.red, light.diffuse.green, light.diffuse.blue, 1.0f};
    params.specular = {light.specular.red, light.specular.green, light.specular.blue, 1.0f};
    params.spotDirection = {{light.direction.x, light.direction.y, light.direction.z}};
    params.spotCutoffDegrees = light.spotCutoff * 57.295776f;
    params.spotExponent = static_cast<float>(light.spotExponent);
    gfx::light(i, params);
}

void setAmbient(float r, float g, float b) {
    gfx::lightModelAmbient(r, g, b);
}

void setUpFog(const Scene& scene) {
    gfx::enable(gfx::Cap::fog);
    const auto& c = scene.fogColour;
    gfx::clearColour(c[0], c[1], c[2], c[3]);
    gfx::clear(gfx::colourBuffer);
    gfx::fogColour(c[0], c[1], c[2], c[3]);
    switch (scene.fogType) {
    case 1: gfx::fogLinear(scene.fogStart, scene.fogEnd); break;
    case 2: gfx::fogExponential(false, scene.fogDensity); break;
    case 3: gfx::fogExponential(true, scene.fogDensity); break;
    default: break;
    }
}

// The light position in the mesh's local space: a point through the
// world-to-local transform; a direction (w = 0) through the inverse linear
// matrix alone, since a translation does not move a direction.
Vec3 lightInMeshSpace(const Light& light, const Mesh& mesh) {
    const Vec3& p = light.transform.position.value;
    if (isDirectional(light)) return linearTimes(mesh.transform.inverseLinear, p);
    return mesh.transform.worldToLocal(p);
}

// A face is lit when the light lies strictly in front of its plane: for a
// point, n . L + d > 0; for a direction (w = 0), n . L > 0, since the plane
// offset scales with w. One flag per face.
const std::vector<char>& classifyFaces(const Mesh& mesh, Vec3 light, bool directional) {
    // One buffer for every mesh and frame: the renderer runs on one thread.
    static std::vector<char> lit;
    const float w = directional ? 0.0f : 1.0f;
    lit.resize(mesh.faces.size());
    for (std::size_t i = 0; i < mesh.faces.size(); ++i) {
        const Face& face = mesh.faces[i];
        lit[i] = dot(face.planeNormal, light) + w * face.planeOffset > 0.0f;
    }
    return lit;
}

// Emits the mesh's shadow volume for the light at `light` (mesh space).
void drawShadowVolume(const Mesh& mesh, Vec3 light, bool directional, bool caps) {
    const std::vector<char>& lit = classifyFaces(mesh, light, directional);
    const float x = directional ? 0.0f : 1.0f;
    gfx::begin(gfx::Primitive::quads);
    for (std::size_t i = 0; i < mesh.faces.size(); ++i) {
        const Face& face = mesh.faces[i];
        if (!lit[i]) continue;
        for (int j = 0; j < 3; ++j) {
            const int neighbour = face.neighbour[j];
            if (neighbour >= 0 && lit[static_cast<std::size_t>(neighbour)]) continue;
            const Vec3& a = mesh.positions[static_cast<std::size_t>(face.position[(j + 1) % 3])];
            const Vec3& b = mesh.positions[static_cast<std::size_t>(face.position[j])];
            const Vec3 bFar = x * b - light;
            const Vec3 aFar = x * a - light;
            gfx::vertex(a.x, a.y, a.z, 1.0f);
            gfx::vertex(b.x, b.y, b.z, 1.0f);
            gfx::vertex(bFar.x, bFar.y, bFar.z, 0.0f);
            gfx::vertex(aFar.x, aFar.y, aFar.z, 0.0f);
        }
    }
    gfx::end();
    if (!caps) return;
    gfx::begin(gfx::Primitive::triangles);
    for (std::size_t i = 0; i < mesh.faces.size(); ++i) {
        const Face& face = mesh.faces[i];
        for (int k = 0; k < 3; ++k) {
            const Vec3& p = mesh.positions[static_cast<std::size_t>(face.position[k])];
            if (lit[i]) {
                gfx::vertex(p.x, p.y, p.z, 1.0f);
            } else {
                const Vec3 far = x * p - light;
                gfx::vertex(far.x, far.y, far.z, 0.0f);
            }
        }
    }
    gfx::end();
}

// The shadow volumes of every caster whose shadow moves only with the light,
// under the current model-view.
void drawStaticVolumes(const Light& light, const Scene& scene, bool caps) {
    for (const Mesh& mesh : scene.meshes) {
        if (!mesh.castsShadows || mesh.isAnimated()) continue;
        gfx::pushMatrix();
        multiplyMeshMatrix(mesh);
        drawShadowVolume(mesh, lightInMeshSpace(light, mesh), isDirectional(light), caps);
        gfx::popMatrix();
    }
}

bool samePosition(Vec3 a, Vec3 b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// Compiles the static casters' volumes for the light, unless compiled for
// this light position and counting method already.
void prepareShadowVolumes(LightVolumes& volumes, const Light& light, const Scene& scene,
                          bool caps) {
    const Vec3 position = light.transform.position.value;
    if (volumes.volumes.compiled() && volumes.caps == caps &&
        samePosition(volumes.position, position))
        return;
    volumes.caps = caps;
    volumes.position = position;
    gfx::beginStaticMesh(volumes.volumes);
    drawStaticVolumes(light, scene, caps);
    gfx::endStaticMesh();
}

void drawAnimatedVolumes(const Light& light, const Scene& scene, bool caps) {
    for (const Mesh& mesh : scene.meshes) {
        if (!mesh.castsShadows || !mesh.isAnimated()) continue;
        gfx::pushMatrix();
        multiplyMeshMatrix(mesh);
        drawShadowVolume(mesh, lightInMeshSpace(light, mesh), isDirectional(light), caps);
        gfx::popMatrix();
    }
}

// One stencil counting pass over the light's shadow volumes (the compiled
// static casters', then the animated ones): faces `cull` drops are skipped;
// the others change the stencil by `onDepthFail` where the depth test fails
// and by `onDepthPass` where it passes.
void countVolumes(const LightVolumes& volumes, const Light& light, const Scene& scene, bool caps,
                  gfx::Face cull, gfx::StencilAction onDepthFail, gfx::StencilAction onDepthPass) {
    gfx::cullFace(cull);
    gfx::stencilOp(gfx::StencilAction::keep, onDepthFail, onDepthPass);
    gfx::drawStaticMesh(volumes.volumes);
    drawAnimatedVolumes(light, scene, caps);
}

// Whether the camera stands inside the light's shadow: a surface lies
// between the light and the view position. For a directional light (its
// position is the direction towards it) the ray runs from the view position
// towards the light, without end.
bool cameraInShadow(const Light& light, const View& view, const Scene& scene) {
    const Vec3 eye = view.transform.position.value;
    const Vec3 lightPosition = light.transform.position.value;
    Vec3 origin, direction;
    float length = 0.0f;
    if (isDirectional(light)) {
        origin = eye;
        direction = normalized(lightPosition);
        length = 1e20f;
    } else {
        origin = lightPosition;
        const Vec3 toEye = eye - lightPosition;
        length = std::sqrt(lengthSquared(toEye));
        direction = normalized(toEye);
    }
    if (lengthSquared(direction) == 0.0f) return false;
    BspHit hit;
    return queryScene(scene, makeRay(origin, direction), 1e-20f, length - 0.001f, hit);
}

void loadOrtho(int width, int height) {
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::loadIdentity();
    gfx::ortho(0.0f, width, 0.0f, height, -1.0f, 1.0f);
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::loadIdentity();
}

void finishState(const View& view) {
    gfx::disable(gfx::Cap::depthTest);
    gfx::disable(gfx::Cap::stencilTest);
    gfx::disable(gfx::Cap::lighting);
    gfx::disable(gfx::Cap::blend);
    gfx::disable(gfx::Cap::cullFace);
    loadOrtho(view.width, view.height);
}

void renderFast(View& view, Scene& scene, int targetWidth, int targetHeight, bool shadows) {
    const bool fog = scene.fogType != 0;
    if (fog) {
        setUpFog(scene);
        gfx::clearColour(0.0f, 0.0f, 0.0f, 0.5f);
    }
    loadProjection(view);
    loadViewMatrix(view);
    gfx::enable(gfx::Cap::depthTest);
    gfx::enable(gfx::Cap::lighting);
    const int n = static_cast<int>(std::min<std::size_t>(scene.lights.size(), 8));
    Colour ambient;
    for (int i = n - 1; i >= 0; --i) {
        gfx::enable(gfx::lightCap(i));
        setUpLight(i, scene.lights[static_cast<std::size_t>(i)], ambient);
    }
    gfx::cullFace(gfx::Face::back);
    gfx::enable(gfx::Cap::cullFace);
    setAmbient(ambient.red, ambient.green, ambient.blue);
    drawAllMeshes(scene);

    gfx::disable(gfx::Cap::lighting);
    for (int i = 0; i < n; ++i) gfx::disable(gfx::lightCap(i));
    gfx::disable(gfx::Cap::depthTest);
    gfx::disable(gfx::Cap::cullFace);
    gfx::disable(gfx::Cap::texture2D);
    setAmbient(0.2f, 0.2f, 0.2f);
    resetMaterialCache();
    unbindTexture();
    if (fog) gfx::disable(gfx::Cap::fog);
    gfx::loadIdentity();
    if (!shadows) return;

    gfx::enable(gfx::Cap::depthTest);
    gfx::cullFace(gfx::Face::back);
    gfx::enable(gfx::Cap::cullFace);
    SceneCache& cache = cacheOf(scene);
    for (std::size_t l = 0; l < scene.lights.size(); ++l) {
        const Light& light = scene.lights[l];
        LightVolumes& volumes = cache.lights[l];
        if (!light.castsShadows) continue;
        gfx::clearStencil(cameraInShadow(light, view, scene) ? 129 : 128);
        gfx::clear(gfx::stencilBuffer);
        gfx::shadeModel(gfx::Shading::flat);
        gfx::loadIdentity();
        loadViewMatrix(view);
        prepareShadowVolumes(volumes, light, scene, false);

        gfx::disable(gfx::Cap::lighting);
        gfx::depthMask(false);
        gfx::depthFunc(gfx::Compare::lessOrEqual);
        gfx::enable(gfx::Cap::stencilTest);
        gfx::colorMask(false, false, false, false);
        gfx::stencilFunc(gfx::Compare::always, 1, kAllStencilBits);
        // z-pass: front faces count up, back faces down.
        countVolumes(volumes, light, scene, false, gfx::Face::back, gfx::StencilAction::keep,
                     gfx::StencilAction::increment);
        countVolumes(volumes, light, scene, false, gfx::Face::front, gfx::StencilAction::keep,
                     gfx::StencilAction::decrement);

        // The stencil alone selects the shadowed pixels; with the depth test
        // on, the quad at depth 0.5 would miss every surface nearer than 2.
        gfx::colorMask(true, true, true, true);
        gfx::cullFace(gfx::Face::back);
        gfx::enable(gfx::Cap::blend);
        gfx::blendFunc(gfx::BlendFactor::srcAlpha, gfx::BlendFactor::oneMinusSrcAlpha);
        gfx::stencilOp(gfx::StencilAction::keep, gfx::StencilAction::keep,
                       gfx::StencilAction::keep);
        gfx::disable(gfx::Cap::depthTest);
        gfx::matrixMode(gfx::MatrixMode::projection);
        gfx::pushMatrix();
        gfx::loadIdentity();
        gfx::ortho(0.0f, targetWidth, 0.0f, targetHeight, -1.0f, 1.0f);
        gfx::matrixMode(gfx::MatrixMode::modelView);
        gfx::pushMatrix();
        gfx::loadIdentity();
        gfx::colour(0.0f, 0.0f, 0.0f, 0.4f);
        gfx::stencilFunc(gfx::Compare::notEqual, 128, kAllStencilBits);
        gfx::begin(gfx::Primitive::quads);
        const float w = static_cast<float>(targetWidth), h = static_cast<float>(targetHeight);
        gfx::vertex(0.0f, 0.0f);
        gfx::vertex(w, 0.0f);
        gfx::vertex(w, h);
        gfx::vertex(0.0f, h);
        gfx::end();
        gfx::matrixMode(gfx::MatrixMode::projection);
        gfx::popMatrix();
        gfx::matrixMode(gfx::MatrixMode::modelView);
        gfx::popMatrix();
        gfx::disable(gfx::Cap::blend);
        gfx::depthFunc(gfx::Compare::lessOrEqual);
        gfx::depthMask(true);
        gfx::enable(gfx::Cap::lighting);
        gfx::enable(gfx::Cap::depthTest);
        gfx::disable(gfx::Cap::stencilTest);
        gfx::shadeModel(gfx::Shading::smooth);
    }
    gfx::colour(1.0f, 1.0f, 1.0f, 1.0f);
    finishState(view);
}

void renderAccurate(View& view, Scene& scene) {
    const int n = static_cast<int>(std::min<std::size_t>(scene.lights.size(), 8));
    const bool fog = scene.fogType != 0;
    if (fog) setUpFog(scene);
    loadProjection(view);
    loadViewMatrix(view);
    Colour ambient;
    gfx::enable(gfx::Cap::depthTest);
    gfx::enable(gfx::Cap::lighting);
    for (int i = n - 1; i >= 0; --i) {
        const Light& light = scene.lights[static_cast<std::size_t>(i)];
        if (!light.castsShadows) gfx::enable(gfx::lightCap(i));
        setUpLight(i, light, ambient);
    }
    gfx::enable(gfx::Cap::cullFace);
    gfx::cullFace(gfx::Face::back);
    gfx::depthFunc(gfx::Compare::less);
    setAmbient(ambient.red, ambient.green, ambient.blue);
    drawAllMeshes(scene);
    for (int i = 7; i >= 0; --i) gfx::disable(gfx::lightCap(i));
    setAmbient(0.0f, 0.0f, 0.0f);
    if (fog) {
        gfx::clearColour(0.0f, 0.0f, 0.0f, 0.5f);
        gfx::disable(gfx::Cap::fog);
    }
    gfx::depthMask(false);
    gfx::enable(gfx::Cap::blend);
    gfx::blendFunc(gfx::BlendFactor::one, gfx::BlendFactor::one);
    gfx::clearStencil(128);

    for (int k = 0; k < n; ++k) {
        const Light& light = scene.lights[static_cast<std::size_t>(k)];
        LightVolumes& volumes = cacheOf(scene).lights[static_cast<std::size_t>(k)];
        if (!light.castsShadows) continue;
        const gfx::StateScope saved;
        gfx::clear(gfx::stencilBuffer);
        gfx::shadeModel(gfx::Shading::flat);
        gfx::enable(gfx::Cap::stencilTest);
        gfx::stencilFunc(gfx::Compare::always, 1, kAllStencilBits);
        gfx::stencilMask(kAllStencilBits);
        gfx::colorMask(false, false, false, false);
        loadViewMatrix(view);
        prepareShadowVolumes(volumes, light, scene, true);

        // z-fail: hidden back faces count up, hidden front faces down.
        countVolumes(volumes, light, scene, true, gfx::Face::front, gfx::StencilAction::increment,
                     gfx::StencilAction::keep);
        countVolumes(volumes, light, scene, true, gfx::Face::back, gfx::StencilAction::decrement,
                     gfx::StencilAction::keep);

        gfx::colorMask(true, true, true, true);
        gfx::enable(gfx::Cap::blend);
        gfx::blendFunc(gfx::BlendFactor::one, gfx::BlendFactor::one);
        gfx::enable(gfx::Cap::lighting);
        gfx::depthFunc(gfx::Compare::equal);
        gfx::depthMask(true);
        gfx::enable(gfx::lightCap(k));
        gfx::stencilFunc(gfx::Compare::equal, 128, kAllStencilBits);
        gfx::stencilOp(gfx::StencilAction::keep, gfx::StencilAction::keep,
                       gfx::StencilAction::increment);
        gfx::shadeModel(gfx::Shading::smooth);
        // The base pass gave every surface its emission; tracking the
        // emission to black here keeps each light pass from adding it again
        // (the lists' material calls do not change a tracked property).
        gfx::colorMaterial(gfx::Face::frontAndBack, gfx::MaterialColour::emission);
        gfx::colour(0.0f, 0.0f, 0.0f, 1.0f);
        gfx::enable(gfx::Cap::colorMaterial);
        drawAllMeshes(scene);
        gfx::disable(gfx::Cap::colorMaterial);
        gfx::disable(gfx::lightCap(k));
        gfx::depthFunc(gfx::Compare::less);
        gfx::disable(gfx::Cap::blend);
    }

    gfx::depthFunc(gfx::Compare::lessOrEqual);
    gfx::depthMask(true);
    resetMaterialCache();
    forceUnbind();
    setAmbient(0.2f, 0.2f, 0.2f);
    for (int i = 0; i < n; ++i) gfx::disable(gfx::lightCap(i));
    finishState(view);
}

}  // namespace

void setStencilShadowsAvailable(bool available) {
    gStencilShadows = available;
}
bool stencilShadowsAvailable() {
    return gStencilShadows;
}

void renderScene(View& view, int targetWidth, int targetHeight, float sceneTime) {
    if (!view.scene) return;
    Scene& scene = *view.scene;
    updateScene(view, sceneTime);
    const bool shadows = scene.shadows && gStencilShadows;
    if (shadows && scene.accurateShadows) {
        renderAccurate(view, scene);
    } else {
        renderFast(view, scene, targetWidth, targetHeight, shadows);
    }
    resetMaterialCache();
}

void releaseSceneLists(Scene& scene, bool deleteLists) {
    const auto found = caches().find(&scene);
    if (found == caches().end()) return;
    for (gfx::StaticMesh& mesh : found->second.meshes) mesh.release(deleteLists);
    for (LightVolumes& light : found->second.lights) light.volumes.release(deleteLists);
    caches().erase(found);
}
