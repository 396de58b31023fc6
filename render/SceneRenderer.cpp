#include "render/SceneRenderer.h"

#include "render/Texture.h"
#include "scene/Scene.h"
#include "scene/SceneTrees.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace {

bool gStencilShadows = true;

// The material last applied while compiling a mesh list; null = none.
const Material* gLastMaterial = nullptr;

// Whether each light's shadow list was compiled with caps, so a change of
// quality at run time recompiles a list made for the other counting method.
std::unordered_map<const Light*, bool>& listHasCaps() {
    static std::unordered_map<const Light*, bool> caps;
    return caps;
}

constexpr GLuint kAllStencilBits = 0xFF;

void resetMaterialCache() {
    gLastMaterial = nullptr;
}

// Texturing off in GL and in the bound record, whatever a replayed list
// left enabled (replays do not update the record).
void forceUnbind() {
    glDisable(GL_TEXTURE_2D);
    unbindTexture();
}

void setMaterial(GLenum pname, const Colour& c) {
    const GLfloat v[4] = {c.red, c.green, c.blue, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, pname, v);
}

void applyMaterial(const Scene& scene, const Material& material) {
    setMaterial(GL_SPECULAR, material.specular);
    setMaterial(GL_EMISSION, material.emission);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, material.shininess);
    if (material.texture < 0) {
        setMaterial(GL_AMBIENT_AND_DIFFUSE, material.ambientDiffuse);
        unbindTexture();
    } else {
        setMaterial(GL_AMBIENT_AND_DIFFUSE, Colour{1.0f, 1.0f, 1.0f});
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
        glBegin(GL_TRIANGLES);
        for (int k = 0; k < 3; ++k) {
            const Vec3& n = mesh.normals[static_cast<std::size_t>(face.normal[k])];
            glNormal3f(n.x, n.y, n.z);
            if (textured) {
                const TexCoord& t = mesh.texCoords[static_cast<std::size_t>(face.texCoord[k])];
                glTexCoord2f(t.u, t.v);
            }
            const Vec3& p = mesh.positions[static_cast<std::size_t>(face.position[k])];
            glVertex3f(p.x, p.y, p.z);
        }
        glEnd();
    }
}

// Draws one mesh in local coordinates under the current modelview. The list
// is compiled at the first draw; each list is self-contained (it opens with
// its first material and texture binding) because replays update neither the
// material cache nor the bound record.
void drawMesh(Mesh& mesh, const Scene& scene) {
    if (!mesh.listAllocated) {
        mesh.list = glGenLists(1);
        mesh.listAllocated = true;
    }
    if (mesh.listStale) {
        mesh.listStale = false;
        // Uploads happen now, not inside the list: a texture made again after
        // a context change would otherwise be uploaded at every replay.
        for (const Face& face : mesh.faces) {
            const Material* material = materialOf(scene, face);
            if (material && material->texture >= 0)
                scene.textures[static_cast<std::size_t>(material->texture)]->bind();
        }
        forceUnbind();
        resetMaterialCache();
        glNewList(mesh.list, GL_COMPILE);
        emitFaces(mesh, scene);
        glEndList();
    }
    forceUnbind();
    glCallList(mesh.list);
}

void multiplyMeshMatrix(const Mesh& mesh) {
    const Vec3& p = mesh.transform.position.value;
    glTranslatef(p.x, p.y, p.z);
    glMultMatrixf(mesh.transform.linear.m);
}

void drawAllMeshes(Scene& scene) {
    for (Mesh& mesh : scene.meshes) {
        glPushMatrix();
        multiplyMeshMatrix(mesh);
        drawMesh(mesh, scene);
        glPopMatrix();
    }
    forceUnbind();
}

void loadProjection(const View& view) {
    const float fov = view.fieldOfView.value;
    const float f = 1.0f / std::tan(fov / 2.0f);
    const float aspect =
        static_cast<float>(view.width) / static_cast<float>(std::max(1, view.height));
    GLfloat m[16] = {};
    m[0] = f / aspect;
    m[5] = f;
    m[10] = -1.0f;
    m[11] = -1.0f;
    m[14] = -2.0f;
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(m);
    glMatrixMode(GL_MODELVIEW);
}

void loadViewMatrix(const View& view) {
    glLoadMatrixf(view.transform.inverseLinear.m);
    const Vec3& p = view.transform.position.value;
    glTranslatef(-p.x, -p.y, -p.z);
}

bool isDirectional(const Light& light) {
    return light.kind == 3;
}

void setUpLight(int i, const Light& light, Colour& ambientSum) {
    ambientSum.red += light.ambient.red;
    ambientSum.green += light.ambient.green;
    ambientSum.blue += light.ambient.blue;
    const GLenum id = static_cast<GLenum>(GL_LIGHT0 + i);
    const Vec3& p = light.transform.position.value;
    const GLfloat position[4] = {p.x, p.y, p.z, isDirectional(light) ? 0.0f : 1.0f};
    glLightfv(id, GL_POSITION, position);
    const GLfloat diffuse[4] = {light.diffuse.red, light.diffuse.green, light.diffuse.blue, 1.0f};
    glLightfv(id, GL_DIFFUSE, diffuse);
    const GLfloat specular[4] = {light.specular.red, light.specular.green, light.specular.blue,
                                 1.0f};
    glLightfv(id, GL_SPECULAR, specular);
    const GLfloat direction[3] = {light.direction.x, light.direction.y, light.direction.z};
    glLightfv(id, GL_SPOT_DIRECTION, direction);
    glLightf(id, GL_SPOT_CUTOFF, light.spotCutoff * 57.295776f);
    glLightf(id, GL_SPOT_EXPONENT, static_cast<float>(light.spotExponent));
}

void setAmbient(float r, float g, float b) {
    const GLfloat v[4] = {r, g, b, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, v);
}

void setUpFog(const Scene& scene) {
    glEnable(GL_FOG);
    const auto& c = scene.fogColour;
    glClearColor(c[0], c[1], c[2], c[3]);
    glClear(GL_COLOR_BUFFER_BIT);
    glFogfv(GL_FOG_COLOR, c.data());
    switch (scene.fogType) {
    case 1:
        glFogi(GL_FOG_MODE, GL_LINEAR);
        glFogf(GL_FOG_START, scene.fogStart);
        glFogf(GL_FOG_END, scene.fogEnd);
        break;
    case 2:
        glFogi(GL_FOG_MODE, GL_EXP);
        glFogf(GL_FOG_DENSITY, scene.fogDensity);
        break;
    case 3:
        glFogi(GL_FOG_MODE, GL_EXP2);
        glFogf(GL_FOG_DENSITY, scene.fogDensity);
        break;
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
// offset scales with w.
void classifyFaces(Mesh& mesh, Vec3 light, bool directional) {
    const float w = directional ? 0.0f : 1.0f;
    for (Face& face : mesh.faces)
        face.litFlag = dot(face.planeNormal, light) + w * face.planeOffset > 0.0f;
}

// Emits the mesh's shadow volume for the light at `light` (mesh space);
// faces must be classified against it.
void drawShadowVolume(const Mesh& mesh, Vec3 light, bool directional, bool caps) {
    const float x = directional ? 0.0f : 1.0f;
    glBegin(GL_QUADS);
    for (const Face& face : mesh.faces) {
        if (!face.litFlag) continue;
        for (int j = 0; j < 3; ++j) {
            const int neighbour = face.neighbour[j];
            if (neighbour >= 0 && mesh.faces[static_cast<std::size_t>(neighbour)].litFlag) continue;
            const Vec3& a = mesh.positions[static_cast<std::size_t>(face.position[(j + 1) % 3])];
            const Vec3& b = mesh.positions[static_cast<std::size_t>(face.position[j])];
            const Vec3 bFar = x * b - light;
            const Vec3 aFar = x * a - light;
            glVertex4f(a.x, a.y, a.z, 1.0f);
            glVertex4f(b.x, b.y, b.z, 1.0f);
            glVertex4f(bFar.x, bFar.y, bFar.z, 0.0f);
            glVertex4f(aFar.x, aFar.y, aFar.z, 0.0f);
        }
    }
    glEnd();
    if (!caps) return;
    glBegin(GL_TRIANGLES);
    for (const Face& face : mesh.faces) {
        for (int k = 0; k < 3; ++k) {
            const Vec3& p = mesh.positions[static_cast<std::size_t>(face.position[k])];
            if (face.litFlag) {
                glVertex4f(p.x, p.y, p.z, 1.0f);
            } else {
                const Vec3 far = x * p - light;
                glVertex4f(far.x, far.y, far.z, 0.0f);
            }
        }
    }
    glEnd();
}

// Allocates the light's list and, when stale or made for the other counting
// method, compiles the static casters' volumes into it.
void prepareShadowList(Light& light, Scene& scene, bool caps) {
    if (!light.shadowListAllocated) {
        light.shadowList = glGenLists(1);
        light.shadowListAllocated = true;
    }
    auto& capsOf = listHasCaps();
    const auto known = capsOf.find(&light);
    if (known == capsOf.end() || known->second != caps) light.shadowListStale = true;
    if (!light.shadowListStale) return;
    light.shadowListStale = false;
    capsOf[&light] = caps;
    for (Mesh& mesh : scene.meshes)
        if (mesh.castsShadows && !mesh.isAnimated())
            classifyFaces(mesh, lightInMeshSpace(light, mesh), isDirectional(light));
    glNewList(light.shadowList, GL_COMPILE);
    for (Mesh& mesh : scene.meshes) {
        if (!mesh.castsShadows || mesh.isAnimated()) continue;
        glPushMatrix();
        multiplyMeshMatrix(mesh);
        drawShadowVolume(mesh, lightInMeshSpace(light, mesh), isDirectional(light), caps);
        glPopMatrix();
    }
    glEndList();
}

void classifyAnimated(const Light& light, Scene& scene) {
    for (Mesh& mesh : scene.meshes)
        if (mesh.castsShadows && mesh.isAnimated())
            classifyFaces(mesh, lightInMeshSpace(light, mesh), isDirectional(light));
}

void drawAnimatedVolumes(const Light& light, Scene& scene, bool caps) {
    for (Mesh& mesh : scene.meshes) {
        if (!mesh.castsShadows || !mesh.isAnimated()) continue;
        glPushMatrix();
        multiplyMeshMatrix(mesh);
        drawShadowVolume(mesh, lightInMeshSpace(light, mesh), isDirectional(light), caps);
        glPopMatrix();
    }
}

// One stencil counting pass over the light's shadow volumes (its list of
// static casters, then the animated ones): faces `cull` drops are skipped;
// the others change the stencil by `onDepthFail` where the depth test fails
// and by `onDepthPass` where it passes.
void countVolumes(const Light& light, Scene& scene, bool caps, GLenum cull, GLenum onDepthFail,
                  GLenum onDepthPass) {
    glCullFace(cull);
    glStencilOp(GL_KEEP, onDepthFail, onDepthPass);
    glCallList(light.shadowList);
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
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void finishState(const View& view) {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    loadOrtho(view.width, view.height);
}

void renderFast(View& view, Scene& scene, int targetWidth, int targetHeight, bool shadows) {
    const bool fog = scene.fogType != 0;
    if (fog) {
        setUpFog(scene);
        glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    }
    loadProjection(view);
    loadViewMatrix(view);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    const int n = static_cast<int>(std::min<std::size_t>(scene.lights.size(), 8));
    Colour ambient;
    for (int i = n - 1; i >= 0; --i) {
        glEnable(static_cast<GLenum>(GL_LIGHT0 + i));
        setUpLight(i, scene.lights[static_cast<std::size_t>(i)], ambient);
    }
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    setAmbient(ambient.red, ambient.green, ambient.blue);
    drawAllMeshes(scene);

    glDisable(GL_LIGHTING);
    for (int i = 0; i < n; ++i) glDisable(static_cast<GLenum>(GL_LIGHT0 + i));
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    setAmbient(0.2f, 0.2f, 0.2f);
    resetMaterialCache();
    unbindTexture();
    if (fog) glDisable(GL_FOG);
    glLoadIdentity();
    if (!shadows) return;

    glEnable(GL_DEPTH_TEST);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    for (Light& light : scene.lights) {
        if (!light.castsShadows) continue;
        glClearStencil(cameraInShadow(light, view, scene) ? 129 : 128);
        glClear(GL_STENCIL_BUFFER_BIT);
        glShadeModel(GL_FLAT);
        glLoadIdentity();
        loadViewMatrix(view);
        prepareShadowList(light, scene, false);
        classifyAnimated(light, scene);

        glDisable(GL_LIGHTING);
        glDepthMask(GL_FALSE);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_STENCIL_TEST);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glStencilFunc(GL_ALWAYS, 1, kAllStencilBits);
        // z-pass: front faces count up, back faces down.
        countVolumes(light, scene, false, GL_BACK, GL_KEEP, GL_INCR);
        countVolumes(light, scene, false, GL_FRONT, GL_KEEP, GL_DECR);

        // The stencil alone selects the shadowed pixels; with the depth test
        // on, the quad at depth 0.5 would miss every surface nearer than 2.
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glCullFace(GL_BACK);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
        glDisable(GL_DEPTH_TEST);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0.0, targetWidth, 0.0, targetHeight, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glColor4f(0.0f, 0.0f, 0.0f, 0.4f);
        glStencilFunc(GL_NOTEQUAL, 128, kAllStencilBits);
        glBegin(GL_QUADS);
        glVertex2i(0, 0);
        glVertex2i(targetWidth, 0);
        glVertex2i(targetWidth, targetHeight);
        glVertex2i(0, targetHeight);
        glEnd();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glDisable(GL_BLEND);
        glDepthFunc(GL_LEQUAL);
        glDepthMask(GL_TRUE);
        glEnable(GL_LIGHTING);
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_STENCIL_TEST);
        glShadeModel(GL_SMOOTH);
    }
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    finishState(view);
}

void renderAccurate(View& view, Scene& scene) {
    const int n = static_cast<int>(std::min<std::size_t>(scene.lights.size(), 8));
    const bool fog = scene.fogType != 0;
    if (fog) setUpFog(scene);
    loadProjection(view);
    loadViewMatrix(view);
    Colour ambient;
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    for (int i = n - 1; i >= 0; --i) {
        const Light& light = scene.lights[static_cast<std::size_t>(i)];
        if (!light.castsShadows) glEnable(static_cast<GLenum>(GL_LIGHT0 + i));
        setUpLight(i, light, ambient);
    }
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glDepthFunc(GL_LESS);
    setAmbient(ambient.red, ambient.green, ambient.blue);
    drawAllMeshes(scene);
    for (int i = 7; i >= 0; --i) glDisable(static_cast<GLenum>(GL_LIGHT0 + i));
    setAmbient(0.0f, 0.0f, 0.0f);
    if (fog) {
        glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
        glDisable(GL_FOG);
    }
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glClearStencil(128);

    for (int k = 0; k < n; ++k) {
        Light& light = scene.lights[static_cast<std::size_t>(k)];
        if (!light.castsShadows) continue;
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glClear(GL_STENCIL_BUFFER_BIT);
        glShadeModel(GL_FLAT);
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_ALWAYS, 1, kAllStencilBits);
        glStencilMask(kAllStencilBits);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        loadViewMatrix(view);
        prepareShadowList(light, scene, true);
        classifyAnimated(light, scene);

        // z-fail: hidden back faces count up, hidden front faces down.
        countVolumes(light, scene, true, GL_FRONT, GL_INCR, GL_KEEP);
        countVolumes(light, scene, true, GL_BACK, GL_DECR, GL_KEEP);

        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        glEnable(GL_LIGHTING);
        glDepthFunc(GL_EQUAL);
        glDepthMask(GL_TRUE);
        glEnable(static_cast<GLenum>(GL_LIGHT0 + k));
        glStencilFunc(GL_EQUAL, 128, kAllStencilBits);
        glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
        glShadeModel(GL_SMOOTH);
        // The base pass gave every surface its emission; tracking the
        // emission to black here keeps each light pass from adding it again
        // (the lists' material calls do not change a tracked property).
        glColorMaterial(GL_FRONT_AND_BACK, GL_EMISSION);
        glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
        glEnable(GL_COLOR_MATERIAL);
        drawAllMeshes(scene);
        glDisable(GL_COLOR_MATERIAL);
        glDisable(static_cast<GLenum>(GL_LIGHT0 + k));
        glDepthFunc(GL_LESS);
        glDisable(GL_BLEND);
        glPopAttrib();
    }

    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    resetMaterialCache();
    forceUnbind();
    setAmbient(0.2f, 0.2f, 0.2f);
    for (int i = 0; i < n; ++i) glDisable(static_cast<GLenum>(GL_LIGHT0 + i));
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
    for (Mesh& mesh : scene.meshes) {
        if (deleteLists && mesh.listAllocated) glDeleteLists(mesh.list, 1);
        mesh.list = 0;
        mesh.listAllocated = false;
        mesh.listStale = true;
    }
    auto& capsOf = listHasCaps();
    for (Light& light : scene.lights) {
        if (deleteLists && light.shadowListAllocated) glDeleteLists(light.shadowList, 1);
        light.shadowList = 0;
        light.shadowListAllocated = false;
        light.shadowListStale = true;
        capsOf.erase(&light);
    }
}
