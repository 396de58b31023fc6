#include "Gl1Backend.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "GlEnums.h"
#include "SharedDriverState.h"

namespace gfx {

using namespace glenums;

namespace {

GLint glWrap(Wrap w) {
    switch (w) {
    case Wrap::repeat: return GL_REPEAT;
    case Wrap::clampToEdge: return GL_CLAMP_TO_EDGE;
    case Wrap::clamp: return GL_CLAMP;
    }
    return GL_REPEAT;
}

GLenum glMaterial(MaterialColour m) {
    switch (m) {
    case MaterialColour::ambient: return GL_AMBIENT;
    case MaterialColour::diffuse: return GL_DIFFUSE;
    case MaterialColour::ambientAndDiffuse: return GL_AMBIENT_AND_DIFFUSE;
    case MaterialColour::specular: return GL_SPECULAR;
    case MaterialColour::emission: return GL_EMISSION;
    }
    return GL_AMBIENT_AND_DIFFUSE;
}

GLint glTextureEnv(TextureEnv mode) {
    switch (mode) {
    case TextureEnv::modulate: return GL_MODULATE;
    case TextureEnv::replace: return GL_REPLACE;
    case TextureEnv::decal: return GL_DECAL;
    case TextureEnv::blend: return GL_BLEND;
    }
    return GL_MODULATE;
}

constexpr GLenum kMatrixModes[] = {GL_MODELVIEW, GL_PROJECTION, GL_TEXTURE};

// The switches only the fixed-function pipeline has.
struct FixedCap {
    Cap cap;
    GLenum name;
};
constexpr FixedCap kFixedCaps[] = {
    {Cap::lighting, GL_LIGHTING},       {Cap::fog, GL_FOG},
    {Cap::texture2D, GL_TEXTURE_2D},    {Cap::lineStipple, GL_LINE_STIPPLE},
    {Cap::alphaTest, GL_ALPHA_TEST},    {Cap::light0, GL_LIGHT0},
    {Cap::light1, GL_LIGHT1},           {Cap::light2, GL_LIGHT2},
    {Cap::light3, GL_LIGHT3},           {Cap::light4, GL_LIGHT4},
    {Cap::light5, GL_LIGHT5},           {Cap::light6, GL_LIGHT6},
    {Cap::light7, GL_LIGHT7}};

// The five switches ES 2.0 shares (SharedDriverState.h), colour tracking
// (applied with the colour), and these: every one of them.
static_assert(sizeof kFixedCaps / sizeof kFixedCaps[0] + 6 == kCapCount,
              "every switch reaches the driver");

void putColour(const Rgba& c) {
    glColor4f(c.r, c.g, c.b, c.a);
}

}  // namespace

Gl1Backend::Gl1Backend() {
    GLint v[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, v);
    initialViewport_ = {{v[0], v[1], v[2], v[3]}};
    GLint side = 64;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    maxTextureSize_ = side;
}

Gl1Backend::~Gl1Backend() {
    for (const auto& entry : kept_) glDeleteLists(entry.second.list, 1);
}

void Gl1Backend::apply(const State& want, const Matrices* matrices) {
    const bool all = !haveAll_;
    State& have = have_;
    std::uint64_t& calls = counts_.stateCalls;
    calls += applySharedState(want, have, all, [](double d) { glClearDepth(d); });

    // The current colour first, then what tracks it: the driver moves the
    // tracked material colours with each, as followColour does here.
    if (all || want.colour != have.colour) {
        putColour(want.colour);
        have.colour = want.colour;
        followColour(have);
        ++calls;
    }
    if (all || want.texCoord != have.texCoord) {
        glTexCoord2f(want.texCoord[0], want.texCoord[1]);
        have.texCoord = want.texCoord;
        ++calls;
    }
    if (all || want.normal != have.normal) {
        glNormal3f(want.normal[0], want.normal[1], want.normal[2]);
        have.normal = want.normal;
        ++calls;
    }
    if (all || want.trackedFace != have.trackedFace || want.tracked != have.tracked) {
        glColorMaterial(glFace(want.trackedFace), glMaterial(want.tracked));
        have.trackedFace = want.trackedFace;
        have.tracked = want.tracked;
        followColour(have);
        ++calls;
    }
    const std::size_t tracking = static_cast<std::size_t>(Cap::colorMaterial);
    if (all || want.enabled[tracking] != have.enabled[tracking]) {
        if (want.enabled[tracking])
            glEnable(GL_COLOR_MATERIAL);
        else
            glDisable(GL_COLOR_MATERIAL);
        have.enabled[tracking] = want.enabled[tracking];
        followColour(have);
        ++calls;
    }
    for (const FixedCap& c : kFixedCaps) {
        const std::size_t i = static_cast<std::size_t>(c.cap);
        if (!all && want.enabled[i] == have.enabled[i]) continue;
        if (want.enabled[i])
            glEnable(c.name);
        else
            glDisable(c.name);
        have.enabled[i] = want.enabled[i];
        ++calls;
    }
    applyMaterials(want);
    if (all || want.alphaCompare != have.alphaCompare ||
        want.alphaReference != have.alphaReference) {
        glAlphaFunc(glCompare(want.alphaCompare), want.alphaReference);
        have.alphaCompare = want.alphaCompare;
        have.alphaReference = want.alphaReference;
        ++calls;
    }
    if (all || want.shading != have.shading) {
        glShadeModel(want.shading == Shading::flat ? GL_FLAT : GL_SMOOTH);
        have.shading = want.shading;
        ++calls;
    }
    if (all || want.hint != have.hint) {
        glHint(GL_PERSPECTIVE_CORRECTION_HINT, want.hint == Hint::nicest    ? GL_NICEST
                                               : want.hint == Hint::fastest ? GL_FASTEST
                                                                            : GL_DONT_CARE);
        have.hint = want.hint;
        ++calls;
    }
    if (all || want.stippleFactor != have.stippleFactor ||
        want.stipplePattern != have.stipplePattern) {
        glLineStipple(want.stippleFactor, want.stipplePattern);
        have.stippleFactor = want.stippleFactor;
        have.stipplePattern = want.stipplePattern;
        ++calls;
    }
    if (all || want.fogColour != have.fogColour) {
        const GLfloat colour[4] = {want.fogColour.r, want.fogColour.g, want.fogColour.b,
                                   want.fogColour.a};
        glFogfv(GL_FOG_COLOR, colour);
        have.fogColour = want.fogColour;
        ++calls;
    }
    if (all || want.fogMode != have.fogMode) {
        glFogi(GL_FOG_MODE, want.fogMode == FogMode::linear ? GL_LINEAR
                            : want.fogMode == FogMode::exp  ? GL_EXP
                                                            : GL_EXP2);
        have.fogMode = want.fogMode;
        ++calls;
    }
    if (all || want.fogStart != have.fogStart) {
        glFogf(GL_FOG_START, want.fogStart);
        have.fogStart = want.fogStart;
        ++calls;
    }
    if (all || want.fogEnd != have.fogEnd) {
        glFogf(GL_FOG_END, want.fogEnd);
        have.fogEnd = want.fogEnd;
        ++calls;
    }
    if (all || want.fogDensity != have.fogDensity) {
        glFogf(GL_FOG_DENSITY, want.fogDensity);
        have.fogDensity = want.fogDensity;
        ++calls;
    }
    if (all || want.textureEnv != have.textureEnv) {
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, glTextureEnv(want.textureEnv));
        have.textureEnv = want.textureEnv;
        ++calls;
    }
    if (all || want.modelAmbient != have.modelAmbient) {
        const GLfloat v[4] = {want.modelAmbient.r, want.modelAmbient.g, want.modelAmbient.b,
                              want.modelAmbient.a};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, v);
        have.modelAmbient = want.modelAmbient;
        ++calls;
    }
    applyLights(want);
    haveAll_ = true;
    if (matrices) applyMatrices(*matrices);
}

// A material colour the driver's tracking owns is left to the current
// colour (the driver would ignore the call); the others are set where they
// differ.
void Gl1Backend::applyMaterials(const State& want) {
    const bool all = !haveAll_;
    for (Face face : {Face::front, Face::back}) {
        const Material& w = face == Face::front ? want.front : want.back;
        Material& h = face == Face::front ? have_.front : have_.back;
        const GLenum f = face == Face::front ? GL_FRONT : GL_BACK;
        const auto colour = [&](MaterialColour which, const Rgba& wanted, Rgba& had) {
            if (!all && wanted == had) return;
            const GLfloat v[4] = {wanted.r, wanted.g, wanted.b, wanted.a};
            glMaterialfv(f, glMaterial(which), v);
            ++counts_.stateCalls;
            had = wanted;
        };
        colour(MaterialColour::ambient, w.ambient, h.ambient);
        colour(MaterialColour::diffuse, w.diffuse, h.diffuse);
        colour(MaterialColour::specular, w.specular, h.specular);
        colour(MaterialColour::emission, w.emission, h.emission);
        if (all || w.shininess != h.shininess) {
            glMaterialf(f, GL_SHININESS, w.shininess);
            h.shininess = w.shininess;
            ++counts_.stateCalls;
        }
    }
    // Tracking overrides whatever the calls above did to its colours.
    followColour(have_);
}

// A light is set under the model-view matrix it was given with, so the
// driver takes its position and direction into eye space as it always did.
void Gl1Backend::applyLights(const State& want) {
    const bool all = !haveAll_;
    for (int index = 0; index < kMaxLights; ++index) {
        const Light& light = want.lights[static_cast<std::size_t>(index)];
        Light& had = have_.lights[static_cast<std::size_t>(index)];
        if (!all && light == had) continue;
        loadMatrix(0, light.modelView);
        const LightParams& p = light.params;
        const GLenum id = static_cast<GLenum>(GL_LIGHT0 + index);
        glLightfv(id, GL_POSITION, p.position.data());
        const GLfloat diffuse[4] = {p.diffuse.r, p.diffuse.g, p.diffuse.b, p.diffuse.a};
        glLightfv(id, GL_DIFFUSE, diffuse);
        const GLfloat specular[4] = {p.specular.r, p.specular.g, p.specular.b, p.specular.a};
        glLightfv(id, GL_SPECULAR, specular);
        glLightfv(id, GL_SPOT_DIRECTION, p.spotDirection.data());
        glLightf(id, GL_SPOT_CUTOFF, p.spotCutoffDegrees);
        glLightf(id, GL_SPOT_EXPONENT, p.spotExponent);
        const GLfloat ambient[4] = {p.ambient.r, p.ambient.g, p.ambient.b, p.ambient.a};
        glLightfv(id, GL_AMBIENT, ambient);
        glLightf(id, GL_CONSTANT_ATTENUATION, p.constantAttenuation);
        glLightf(id, GL_LINEAR_ATTENUATION, p.linearAttenuation);
        glLightf(id, GL_QUADRATIC_ATTENUATION, p.quadraticAttenuation);
        counts_.stateCalls += 10;
        had = light;
    }
}

void Gl1Backend::loadMatrix(int mode, const Matrix4& matrix) {
    const std::size_t i = static_cast<std::size_t>(mode);
    if (haveMatrix_[i] && haveMatrices_[i] == matrix) return;
    if (haveMode_ != mode) {
        glMatrixMode(kMatrixModes[i]);
        haveMode_ = mode;
        ++counts_.stateCalls;
    }
    glLoadMatrixf(matrix.m.data());
    haveMatrices_[i] = matrix;
    haveMatrix_[i] = true;
    ++counts_.stateCalls;
}

void Gl1Backend::applyMatrices(const Matrices& m) {
    loadMatrix(0, m.modelView);
    loadMatrix(1, m.projection);
    loadMatrix(2, m.texture);
}

void Gl1Backend::bind(TextureId id) {
    if (haveAll_ && have_.bound == id) return;
    glBindTexture(GL_TEXTURE_2D, id);
    have_.bound = id;
    ++counts_.stateCalls;
}

void Gl1Backend::tookValues(const Kept& k) {
    if (k.colours) {
        have_.colour = k.colour;
        followColour(have_);
    }
    if (k.texCoords) have_.texCoord = k.texCoord;
    if (k.normals) have_.normal = k.normal;
}

// Vertex by vertex, as immediate mode: Mesa merges consecutive primitives
// of one mode into one draw and then rasterises some pixels differently
// from separate array draws, so replaying keeps every picture as the
// player drew it before the door, bit for bit (and costs what it did).
void Gl1Backend::emit(const VertexBatch& batch, Kept& k) {
    glBegin(glPrimitive(batch.primitive));
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (batch.hasColours && i >= batch.firstColour) {
            putColour(batch.colours[i]);
            k.colour = batch.colours[i];
            k.colours = true;
        }
        if (batch.hasTexCoords && i >= batch.firstTexCoord) {
            glTexCoord2f(batch.texCoords[i][0], batch.texCoords[i][1]);
            k.texCoord = batch.texCoords[i];
            k.texCoords = true;
        }
        if (batch.hasNormals && i >= batch.firstNormal) {
            glNormal3f(batch.normals[i][0], batch.normals[i][1], batch.normals[i][2]);
            k.normal = batch.normals[i];
            k.normals = true;
        }
        const std::array<float, 4>& p = batch.positions[i];
        switch (batch.positionSize) {
        case 2: glVertex2f(p[0], p[1]); break;
        case 3: glVertex3f(p[0], p[1], p[2]); break;
        default: glVertex4f(p[0], p[1], p[2], p[3]); break;
        }
    }
    glEnd();
}

void Gl1Backend::drawBatch(const VertexBatch& batch, const State& state, const Matrices& matrices) {
    apply(state, &matrices);
    Kept values;
    emit(batch, values);
    tookValues(values);
    ++counts_.draws;
}

void Gl1Backend::beginPrimitive(Primitive primitive, const State& state,
                                const Matrices& matrices) {
    apply(state, &matrices);
    streamed_ = Kept{};
    glBegin(glPrimitive(primitive));
}
void Gl1Backend::streamColour(const Rgba& c) {
    putColour(c);
    streamed_.colour = c;
    streamed_.colours = true;
}
void Gl1Backend::streamTexCoord(float u, float v) {
    glTexCoord2f(u, v);
    streamed_.texCoord = {{u, v}};
    streamed_.texCoords = true;
}
void Gl1Backend::streamNormal(float x, float y, float z) {
    glNormal3f(x, y, z);
    streamed_.normal = {{x, y, z}};
    streamed_.normals = true;
}
void Gl1Backend::streamVertex(float x, float y, float z, float w, int given) {
    switch (given) {
    case 2: glVertex2f(x, y); break;
    case 3: glVertex3f(x, y, z); break;
    default: glVertex4f(x, y, z, w); break;
    }
}
void Gl1Backend::endPrimitive() {
    glEnd();
    tookValues(streamed_);
    ++counts_.draws;
}

// Display lists: what the player always drew its static meshes with. A
// batch whose first vertices wait for the value current at drawing is left
// to the door.
std::uint32_t Gl1Backend::keepBatch(const VertexBatch& batch) {
    if ((batch.hasColours && batch.firstColour > 0) ||
        (batch.hasTexCoords && batch.firstTexCoord > 0) ||
        (batch.hasNormals && batch.firstNormal > 0))
        return 0;
    Kept k;
    k.list = glGenLists(1);
    if (k.list == 0) return 0;
    glNewList(k.list, GL_COMPILE);
    emit(batch, k);
    glEndList();
    const std::uint32_t handle = nextKept_++;
    kept_.emplace(handle, k);
    return handle;
}
void Gl1Backend::drawKept(std::uint32_t handle, const State& state, const Matrices& matrices) {
    const auto found = kept_.find(handle);
    if (found == kept_.end()) return;
    apply(state, &matrices);
    glCallList(found->second.list);
    tookValues(found->second);
    ++counts_.draws;
}
void Gl1Backend::releaseKept(std::uint32_t handle) {
    const auto found = kept_.find(handle);
    if (found == kept_.end()) return;
    glDeleteLists(found->second.list, 1);
    kept_.erase(found);
}

// The fixed-function bitmaps: the raster position takes the current colour
// and moves by each bitmap's advance, so text looks as it always has.
void Gl1Backend::drawBitmaps(float x, float y, const Bitmap* const* bitmaps, std::size_t count,
                             const State& state, const Matrices& matrices) {
    apply(state, &matrices);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glRasterPos2f(x, y);
    static const GLubyte kNoBits = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Bitmap& b = *bitmaps[i];
        // An empty picture (a space) still needs a pointer to move the pen.
        glBitmap(b.width, b.rows, b.originX, b.originY, b.advance, 0.0f,
                 b.bits.empty() ? &kNoBits : b.bits.data());
    }
    glPopClientAttrib();
    ++counts_.draws;
}

// The compatibility context's GL 2.0+ entry points draw programs; none is
// left in use, so the fixed-function pipeline draws what follows.
std::string Gl1Backend::programSupport() const {
    const std::string why = GlPrograms::support();
    return why.empty() ? why : "the gl1 renderer cannot draw shaders: " + why;
}

void Gl1Backend::drawProgram(ProgramId program, const UniformValue* uniforms, std::size_t count,
                             const std::array<ProgramTexture, 4>& textures, const State& state) {
    apply(state, nullptr);
    counts_.uniformUploads += programs_.draw(program, uniforms, count, textures);
    GlPrograms::useNone();
    have_.bound = textures[0].id;
    ++counts_.draws;
}

void Gl1Backend::clear(unsigned bits, const State& state) {
    apply(state, nullptr);
    glClear(glClearMask(bits));
}

TextureId Gl1Backend::createTexture() {
    GLuint name = 0;
    glGenTextures(1, &name);
    return name;
}
void Gl1Backend::deleteTexture(TextureId id) {
    const GLuint name = id;
    glDeleteTextures(1, &name);
    // The driver binds none in its place.
    if (have_.bound == id) have_.bound = 0;
}
void Gl1Backend::textureFilter(TextureId id, Filter minify, Filter magnify) {
    bind(id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, glFilter(minify));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, glFilter(magnify));
}
void Gl1Backend::textureWrap(TextureId id, Wrap s, Wrap t) {
    bind(id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, glWrap(s));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, glWrap(t));
}
// Rows are always tightly packed: the alignment is set to 1 and left so.
void Gl1Backend::textureImage(TextureId id, int level, PixelFormat internal, int width, int height,
                              PixelFormat format, const void* pixels) {
    bind(id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(glPixelFormat(internal)), width, height,
                 0, glPixelFormat(format), GL_UNSIGNED_BYTE, pixels);
}
void Gl1Backend::buildMipmaps(TextureId id, PixelFormat internal, int width, int height,
                              PixelFormat format, const void* pixels) {
    bind(id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(glPixelFormat(internal)), width, height,
                      glPixelFormat(format), GL_UNSIGNED_BYTE, pixels);
}
void Gl1Backend::copyFrameToTexture(TextureId id, PixelFormat internal, int x, int y, int width,
                                    int height) {
    bind(id);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, glPixelFormat(internal), x, y, width, height, 0);
}
void Gl1Backend::readPixels(int x, int y, int width, int height, PixelFormat format, void* out) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, width, height, glPixelFormat(format), GL_UNSIGNED_BYTE, out);
}
void Gl1Backend::flush() {
    glFlush();
}
unsigned Gl1Backend::takeError() {
    return takeGlError();
}

}  // namespace gfx
