#include "Gl1Backend.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "GlEnums.h"

namespace gfx {

using namespace glenums;

namespace {

GLenum glCap(Cap cap) {
    switch (cap) {
    case Cap::blend: return GL_BLEND;
    case Cap::depthTest: return GL_DEPTH_TEST;
    case Cap::stencilTest: return GL_STENCIL_TEST;
    case Cap::cullFace: return GL_CULL_FACE;
    case Cap::lighting: return GL_LIGHTING;
    case Cap::fog: return GL_FOG;
    case Cap::texture2D: return GL_TEXTURE_2D;
    case Cap::colorMaterial: return GL_COLOR_MATERIAL;
    case Cap::scissorTest: return GL_SCISSOR_TEST;
    case Cap::lineStipple: return GL_LINE_STIPPLE;
    case Cap::alphaTest: return GL_ALPHA_TEST;
    default: break;
    }
    return static_cast<GLenum>(GL_LIGHT0 + (static_cast<int>(cap) - static_cast<int>(Cap::light0)));
}

GLenum glPrimitive(Primitive p) {
    switch (p) {
    case Primitive::points: return GL_POINTS;
    case Primitive::lines: return GL_LINES;
    case Primitive::lineStrip: return GL_LINE_STRIP;
    case Primitive::lineLoop: return GL_LINE_LOOP;
    case Primitive::triangles: return GL_TRIANGLES;
    case Primitive::triangleStrip: return GL_TRIANGLE_STRIP;
    case Primitive::triangleFan: return GL_TRIANGLE_FAN;
    case Primitive::quads: return GL_QUADS;
    }
    return GL_TRIANGLES;
}

GLint glWrap(Wrap w) {
    switch (w) {
    case Wrap::repeat: return GL_REPEAT;
    case Wrap::clampToEdge: return GL_CLAMP_TO_EDGE;
    case Wrap::clamp: return GL_CLAMP;
    }
    return GL_REPEAT;
}

GLboolean glBool(bool b) {
    return b ? GL_TRUE : GL_FALSE;
}

}  // namespace

void Gl1Backend::setEnabled(Cap cap, bool on) {
    if (on)
        glEnable(glCap(cap));
    else
        glDisable(glCap(cap));
}
bool Gl1Backend::isEnabled(Cap cap) const {
    return glIsEnabled(glCap(cap)) == GL_TRUE;
}
void Gl1Backend::blendFunc(BlendFactor source, BlendFactor destination) {
    glBlendFunc(glBlendFactor(source), glBlendFactor(destination));
}
void Gl1Backend::depthFunc(Compare compare) {
    glDepthFunc(glCompare(compare));
}
Compare Gl1Backend::depthFuncState() const {
    GLint f = GL_LESS;
    glGetIntegerv(GL_DEPTH_FUNC, &f);
    for (int i = 0; i < 8; ++i)
        if (kCompares[i] == static_cast<GLenum>(f)) return static_cast<Compare>(i);
    return Compare::less;
}
void Gl1Backend::depthMask(bool write) {
    glDepthMask(glBool(write));
}
bool Gl1Backend::depthMaskState() const {
    GLboolean write = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &write);
    return write == GL_TRUE;
}
void Gl1Backend::colorMask(bool red, bool green, bool blue, bool alpha) {
    glColorMask(glBool(red), glBool(green), glBool(blue), glBool(alpha));
}
void Gl1Backend::stencilFunc(Compare compare, int reference, unsigned mask) {
    glStencilFunc(glCompare(compare), reference, mask);
}
void Gl1Backend::stencilOp(StencilAction fail, StencilAction depthFail, StencilAction pass) {
    glStencilOp(glStencilAction(fail), glStencilAction(depthFail), glStencilAction(pass));
}
void Gl1Backend::stencilMask(unsigned mask) {
    glStencilMask(mask);
}
void Gl1Backend::alphaFunc(Compare compare, float reference) {
    glAlphaFunc(glCompare(compare), reference);
}
void Gl1Backend::cullFace(Face face) {
    glCullFace(glFace(face));
}
void Gl1Backend::shadeModel(Shading shading) {
    glShadeModel(shading == Shading::flat ? GL_FLAT : GL_SMOOTH);
}
void Gl1Backend::perspectiveHint(Hint hint) {
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, hint == Hint::nicest    ? GL_NICEST
                                           : hint == Hint::fastest ? GL_FASTEST
                                                                   : GL_DONT_CARE);
}
Hint Gl1Backend::perspectiveHintState() const {
    GLint hint = GL_DONT_CARE;
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &hint);
    return hint == GL_NICEST ? Hint::nicest : hint == GL_FASTEST ? Hint::fastest : Hint::dontCare;
}
void Gl1Backend::lineWidth(float width) {
    glLineWidth(width);
}
void Gl1Backend::lineStipple(int factor, unsigned short pattern) {
    glLineStipple(factor, pattern);
}
void Gl1Backend::fogColour(const Rgba& c) {
    const GLfloat colour[4] = {c.r, c.g, c.b, c.a};
    glFogfv(GL_FOG_COLOR, colour);
}
void Gl1Backend::fogLinear(float start, float end) {
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, start);
    glFogf(GL_FOG_END, end);
}
void Gl1Backend::fogExponential(bool squared, float density) {
    glFogi(GL_FOG_MODE, squared ? GL_EXP2 : GL_EXP);
    glFogf(GL_FOG_DENSITY, density);
}
void Gl1Backend::textureEnv(TextureEnv mode) {
    GLint m = GL_MODULATE;
    switch (mode) {
    case TextureEnv::modulate: m = GL_MODULATE; break;
    case TextureEnv::replace: m = GL_REPLACE; break;
    case TextureEnv::decal: m = GL_DECAL; break;
    case TextureEnv::blend: m = GL_BLEND; break;
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, m);
}

namespace {

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

}  // namespace

void Gl1Backend::light(int index, const LightParams& p) {
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
}
void Gl1Backend::lightModelAmbient(const Rgba& c) {
    const GLfloat v[4] = {c.r, c.g, c.b, c.a};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, v);
}
void Gl1Backend::material(Face face, MaterialColour which, const Rgba& c) {
    const GLfloat v[4] = {c.r, c.g, c.b, c.a};
    glMaterialfv(glFace(face), glMaterial(which), v);
}
void Gl1Backend::shininess(Face face, float exponent) {
    glMaterialf(glFace(face), GL_SHININESS, exponent);
}
void Gl1Backend::colorMaterial(Face face, MaterialColour which) {
    glColorMaterial(glFace(face), glMaterial(which));
}
void Gl1Backend::pushState() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
}
void Gl1Backend::popState() {
    glPopAttrib();
}
// Display lists: what the player always drew its static meshes with.
std::uint32_t Gl1Backend::beginCompile() {
    const GLuint list = glGenLists(1);
    if (list != 0) glNewList(list, GL_COMPILE);
    return list;
}
void Gl1Backend::endCompile() {
    glEndList();
}
void Gl1Backend::drawCompiled(std::uint32_t object) {
    glCallList(object);
}
void Gl1Backend::deleteCompiled(std::uint32_t object) {
    glDeleteLists(object, 1);
}

void Gl1Backend::currentColour(const Rgba& c) {
    glColor4f(c.r, c.g, c.b, c.a);
}
Rgba Gl1Backend::currentColourState() const {
    GLfloat c[4] = {1, 1, 1, 1};
    glGetFloatv(GL_CURRENT_COLOR, c);
    return Rgba{c[0], c[1], c[2], c[3]};
}
void Gl1Backend::currentTexCoord(float u, float v) {
    glTexCoord2f(u, v);
}
void Gl1Backend::currentNormal(float x, float y, float z) {
    glNormal3f(x, y, z);
}

void Gl1Backend::matrixMode(MatrixMode mode) {
    switch (mode) {
    case MatrixMode::modelView: glMatrixMode(GL_MODELVIEW); break;
    case MatrixMode::projection: glMatrixMode(GL_PROJECTION); break;
    case MatrixMode::texture: glMatrixMode(GL_TEXTURE); break;
    }
}
void Gl1Backend::loadIdentity() {
    glLoadIdentity();
}
void Gl1Backend::loadMatrix(const Matrix4& matrix) {
    glLoadMatrixf(matrix.m.data());
}
void Gl1Backend::multMatrix(const Matrix4& matrix) {
    glMultMatrixf(matrix.m.data());
}
void Gl1Backend::pushMatrix() {
    glPushMatrix();
}
void Gl1Backend::popMatrix() {
    glPopMatrix();
}
void Gl1Backend::translate(float x, float y, float z) {
    glTranslatef(x, y, z);
}
void Gl1Backend::rotate(float degrees, float x, float y, float z) {
    glRotatef(degrees, x, y, z);
}
void Gl1Backend::scale(float x, float y, float z) {
    glScalef(x, y, z);
}
void Gl1Backend::ortho(float left, float right, float bottom, float top, float zNear, float zFar) {
    glOrtho(left, right, bottom, top, zNear, zFar);
}
void Gl1Backend::perspective(double fovyDegrees, double aspect, double zNear, double zFar) {
    gluPerspective(fovyDegrees, aspect, zNear, zFar);
}

void Gl1Backend::beginPrimitive(Primitive primitive) {
    glBegin(glPrimitive(primitive));
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
}

// Vertex by vertex, as immediate mode: Mesa merges consecutive primitives
// of one mode into one draw and then rasterises some pixels differently
// from separate array draws, so replaying keeps every picture as the
// player drew it before the door, bit for bit (and costs what it did).
void Gl1Backend::drawBatch(const VertexBatch& batch) {
    glBegin(glPrimitive(batch.primitive));
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (batch.hasColours && i >= batch.firstColour) {
            const Rgba& c = batch.colours[i];
            glColor4f(c.r, c.g, c.b, c.a);
        }
        if (batch.hasTexCoords && i >= batch.firstTexCoord)
            glTexCoord2f(batch.texCoords[i][0], batch.texCoords[i][1]);
        if (batch.hasNormals && i >= batch.firstNormal)
            glNormal3f(batch.normals[i][0], batch.normals[i][1], batch.normals[i][2]);
        const std::array<float, 4>& p = batch.positions[i];
        switch (batch.positionSize) {
        case 2: glVertex2f(p[0], p[1]); break;
        case 3: glVertex3f(p[0], p[1], p[2]); break;
        default: glVertex4f(p[0], p[1], p[2], p[3]); break;
        }
    }
    glEnd();
}

// The fixed-function bitmaps: the raster position takes the current colour
// and moves by each bitmap's advance, so text looks as it always has.
void Gl1Backend::drawBitmaps(float x, float y, const Bitmap* const* bitmaps, std::size_t count) {
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
}

TextureId Gl1Backend::createTexture() {
    GLuint name = 0;
    glGenTextures(1, &name);
    return name;
}
void Gl1Backend::deleteTexture(TextureId id) {
    const GLuint name = id;
    glDeleteTextures(1, &name);
}
void Gl1Backend::bindTexture(TextureId id) {
    glBindTexture(GL_TEXTURE_2D, id);
}
void Gl1Backend::textureFilter(Filter minify, Filter magnify) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, glFilter(minify));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, glFilter(magnify));
}
void Gl1Backend::textureWrap(Wrap s, Wrap t) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, glWrap(s));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, glWrap(t));
}

int Gl1Backend::maxTextureSize() const {
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side;
}
// Rows are always tightly packed: the alignment is set to 1 and left so.
void Gl1Backend::textureImage(int level, PixelFormat internal, int width, int height,
                              PixelFormat format, const void* pixels) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(glPixelFormat(internal)), width, height,
                 0, glPixelFormat(format), GL_UNSIGNED_BYTE, pixels);
}
void Gl1Backend::buildMipmaps(PixelFormat internal, int width, int height, PixelFormat format,
                              const void* pixels) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(glPixelFormat(internal)), width, height,
                      glPixelFormat(format), GL_UNSIGNED_BYTE, pixels);
}
void Gl1Backend::copyFrameToTexture(PixelFormat internal, int x, int y, int width, int height) {
    glCopyTexImage2D(GL_TEXTURE_2D, 0, glPixelFormat(internal), x, y, width, height, 0);
}
void Gl1Backend::readPixels(int x, int y, int width, int height, PixelFormat format, void* out) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, width, height, glPixelFormat(format), GL_UNSIGNED_BYTE, out);
}

void Gl1Backend::clearColour(const Rgba& c) {
    glClearColor(c.r, c.g, c.b, c.a);
}
void Gl1Backend::clearDepth(double depth) {
    glClearDepth(depth);
}
void Gl1Backend::clearStencil(int value) {
    glClearStencil(value);
}
void Gl1Backend::clear(unsigned bits) {
    glClear(glClearMask(bits));
}
void Gl1Backend::viewport(int x, int y, int width, int height) {
    glViewport(x, y, width, height);
}
std::array<int, 4> Gl1Backend::viewportState() const {
    GLint v[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, v);
    return {{v[0], v[1], v[2], v[3]}};
}
void Gl1Backend::scissor(int x, int y, int width, int height) {
    glScissor(x, y, width, height);
}
void Gl1Backend::flush() {
    glFlush();
}

unsigned Gl1Backend::takeError() {
    return takeGlError();
}

}  // namespace gfx
