#include "Gles2Backend.h"

#include "GlEnums.h"

#include "data/MipmapChain.h"
#include "gfx/Gfx.h"
#include "gfx/Renderer.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace gfx {

using namespace glenums;

namespace {

GLenum glCapOf(Cap cap) {
    switch (cap) {
    case Cap::blend: return GL_BLEND;
    case Cap::depthTest: return GL_DEPTH_TEST;
    case Cap::stencilTest: return GL_STENCIL_TEST;
    case Cap::cullFace: return GL_CULL_FACE;
    case Cap::scissorTest: return GL_SCISSOR_TEST;
    default: return 0;  // kept here only
    }
}

int channelsOf(PixelFormat f) {
    switch (f) {
    case PixelFormat::rgb: return 3;
    case PixelFormat::rgba: return 4;
    case PixelFormat::luminance: return 1;
    case PixelFormat::luminanceAlpha: return 2;
    case PixelFormat::alpha: return 1;
    }
    return 4;
}

bool hasColour(PixelFormat f) {
    return f != PixelFormat::alpha;
}
bool hasAlpha(PixelFormat f) {
    return f == PixelFormat::rgba || f == PixelFormat::luminanceAlpha || f == PixelFormat::alpha;
}

bool mipmapped(Filter f) {
    return f == Filter::linearMipmapLinear || f == Filter::linearMipmapNearest ||
           f == Filter::nearestMipmapNearest;
}

bool powerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

// Expands pixels to RGBA the way the fixed-function pipeline reads each
// format: luminance into all three colours, missing alpha as 1.
std::vector<std::uint8_t> toRgba(const std::uint8_t* in, int count, PixelFormat format) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(count) * 4);
    for (int i = 0; i < count; ++i) {
        std::uint8_t* o = &out[static_cast<std::size_t>(i) * 4];
        switch (format) {
        case PixelFormat::rgba: std::memcpy(o, in + i * 4, 4); break;
        case PixelFormat::rgb:
            std::memcpy(o, in + i * 3, 3);
            o[3] = 255;
            break;
        case PixelFormat::luminance: o[0] = o[1] = o[2] = in[i], o[3] = 255; break;
        case PixelFormat::luminanceAlpha:
            o[0] = o[1] = o[2] = in[i * 2];
            o[3] = in[i * 2 + 1];
            break;
        case PixelFormat::alpha: o[0] = o[1] = o[2] = 0, o[3] = in[i]; break;
        }
    }
    return out;
}

// RGBA pixels as `format` keeps them; luminance from the red channel, as a
// texture of that format made from a picture takes it.
std::vector<std::uint8_t> fromRgba(const std::uint8_t* in, int count, PixelFormat format) {
    const int n = channelsOf(format);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(count) * static_cast<std::size_t>(n));
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* p = in + i * 4;
        std::uint8_t* o = &out[static_cast<std::size_t>(i) * static_cast<std::size_t>(n)];
        switch (format) {
        case PixelFormat::rgba: std::memcpy(o, p, 4); break;
        case PixelFormat::rgb: std::memcpy(o, p, 3); break;
        case PixelFormat::luminance: o[0] = p[0]; break;
        case PixelFormat::luminanceAlpha:
            o[0] = p[0];
            o[1] = p[3];
            break;
        case PixelFormat::alpha: o[0] = p[3]; break;
        }
    }
    return out;
}

void setUniform4(GLint at, const Rgba& c) {
    if (at >= 0) glUniform4f(at, c.r, c.g, c.b, c.a);
}

// The inverse transpose of the upper 3 x 3 of `m`, column-major: how
// normals go into eye space.
std::array<float, 9> normalMatrixOf(const Matrix4& m) {
    const double a = m.at(0, 0), b = m.at(0, 1), c = m.at(0, 2);
    const double d = m.at(1, 0), e = m.at(1, 1), f = m.at(1, 2);
    const double g = m.at(2, 0), h = m.at(2, 1), i = m.at(2, 2);
    const double det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    const double s = det != 0.0 ? 1.0 / det : 0.0;
    // The inverse transpose is the cofactor matrix over the determinant;
    // laid out column by column.
    const double inv[9] = {(e * i - f * h) * s,  -(b * i - c * h) * s, (b * f - c * e) * s,
                           -(d * i - f * g) * s, (a * i - c * g) * s,  -(a * f - c * d) * s,
                           (d * h - e * g) * s,  -(a * h - b * g) * s, (a * e - b * d) * s};
    std::array<float, 9> out{};
    for (int k = 0; k < 9; ++k) out[static_cast<std::size_t>(k)] = static_cast<float>(inv[k]);
    return out;
}

void normalise(float* v) {
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length > 0.0f)
        for (int i = 0; i < 3; ++i) v[i] /= length;
}

}  // namespace

Gles2Backend::Gles2Backend() {
    programs_.check();
    GLint side = 64;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    maxTextureSize_ = side;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 2;
    if (version) std::sscanf(version, "OpenGL ES %d", &major);
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    fullNpot_ = major >= 3 || (extensions && std::strstr(extensions, "GL_OES_texture_npot"));
    GLint box[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, box);
    state_.viewport = {{box[0], box[1], box[2], box[3]}};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    state_.scissor = {{box[0], box[1], box[2], box[3]}};
    // Light 0 shines white unless told otherwise; the others are dark.
    state_.lights[0].diffuse = state_.lights[0].specular = Rgba{1, 1, 1, 1};
    glGenBuffers(1, &streamBuffer_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    applyDriverState();
}

Gles2Backend::~Gles2Backend() {
    for (auto& entry : kept_) glDeleteBuffers(1, &entry.second.buffer);
    for (auto& entry : glyphs_) glDeleteTextures(1, &entry.second.texture);
    if (streamBuffer_) glDeleteBuffers(1, &streamBuffer_);
}

void Gles2Backend::applyCap(Cap cap, bool on) {
    const GLenum name = glCapOf(cap);
    if (name == 0) return;
    if (on)
        glEnable(name);
    else
        glDisable(name);
}

// Puts the driver's own state where state_ says, after a pop.
void Gles2Backend::applyDriverState() {
    const State& s = state_;
    for (int c = 0; c < static_cast<int>(s.enabled.size()); ++c)
        applyCap(static_cast<Cap>(c), s.enabled[static_cast<std::size_t>(c)]);
    glBlendFunc(glBlendFactor(s.blendSource), glBlendFactor(s.blendDestination));
    glDepthFunc(glCompare(s.depthFunc));
    glDepthMask(s.depthMask ? GL_TRUE : GL_FALSE);
    glColorMask(s.colourMask[0], s.colourMask[1], s.colourMask[2], s.colourMask[3]);
    glStencilFunc(glCompare(s.stencilCompare), s.stencilReference, s.stencilValueMask);
    glStencilOp(glStencilAction(s.stencilFail), glStencilAction(s.stencilDepthFail),
                glStencilAction(s.stencilPass));
    glStencilMask(s.stencilWriteMask);
    glCullFace(glFace(s.cull));
    glLineWidth(s.lineWidth);
    glClearColor(s.clearColour.r, s.clearColour.g, s.clearColour.b, s.clearColour.a);
    glClearDepthf(s.clearDepth);
    glClearStencil(s.clearStencil);
    glViewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
    glScissor(s.scissor[0], s.scissor[1], s.scissor[2], s.scissor[3]);
    glBindTexture(GL_TEXTURE_2D, s.bound);
    changed();
}

void Gles2Backend::setEnabled(Cap cap, bool on) {
    bool& enabled = state_.enabled[static_cast<std::size_t>(cap)];
    if (enabled == on) return;
    enabled = on;
    applyCap(cap, on);
    if (cap == Cap::colorMaterial && on) track();
    changed();
}
bool Gles2Backend::isEnabled(Cap cap) const {
    return state_.enabled[static_cast<std::size_t>(cap)];
}
void Gles2Backend::blendFunc(BlendFactor source, BlendFactor destination) {
    state_.blendSource = source;
    state_.blendDestination = destination;
    glBlendFunc(glBlendFactor(source), glBlendFactor(destination));
}
void Gles2Backend::depthFunc(Compare compare) {
    state_.depthFunc = compare;
    glDepthFunc(glCompare(compare));
}
void Gles2Backend::depthMask(bool write) {
    state_.depthMask = write;
    glDepthMask(write ? GL_TRUE : GL_FALSE);
}
void Gles2Backend::colorMask(bool red, bool green, bool blue, bool alpha) {
    state_.colourMask = {{red, green, blue, alpha}};
    glColorMask(red, green, blue, alpha);
}
void Gles2Backend::stencilFunc(Compare compare, int reference, unsigned mask) {
    state_.stencilCompare = compare;
    state_.stencilReference = reference;
    state_.stencilValueMask = mask;
    glStencilFunc(glCompare(compare), reference, mask);
}
void Gles2Backend::stencilOp(StencilAction fail, StencilAction depthFail, StencilAction pass) {
    state_.stencilFail = fail;
    state_.stencilDepthFail = depthFail;
    state_.stencilPass = pass;
    glStencilOp(glStencilAction(fail), glStencilAction(depthFail), glStencilAction(pass));
}
void Gles2Backend::stencilMask(unsigned mask) {
    state_.stencilWriteMask = mask;
    glStencilMask(mask);
}
void Gles2Backend::alphaFunc(Compare compare, float reference) {
    state_.alphaCompare = compare;
    state_.alphaReference = std::min(std::max(reference, 0.0f), 1.0f);
    changed();
}
void Gles2Backend::cullFace(Face face) {
    state_.cull = face;
    glCullFace(glFace(face));
}
void Gles2Backend::lineWidth(float width) {
    state_.lineWidth = width;
    glLineWidth(width);
}
void Gles2Backend::lineStipple(int, unsigned short) {}
void Gles2Backend::fogColour(const Rgba& colour) {
    state_.fogColour = colour;
    changed();
}
void Gles2Backend::fogLinear(float start, float end) {
    state_.fogMode = FogMode::linear;
    state_.fogStart = start;
    state_.fogEnd = end;
    changed();
}
void Gles2Backend::fogExponential(bool squared, float density) {
    state_.fogMode = squared ? FogMode::exp2 : FogMode::exp;
    state_.fogDensity = density;
    changed();
}

// The light's position and spot direction go into eye space through the
// model-view matrix current now, as they do in the fixed-function pipeline.
void Gles2Backend::light(int index, const LightParams& p) {
    LightState& l = state_.lights[static_cast<std::size_t>(index)];
    const Matrix4& modelView = matrix(MatrixMode::modelView);
    const std::array<float, 4> eye = transform(modelView, p.position);
    l.eyePosition = eye;
    if (eye[3] == 0.0f) {
        normalise(l.eyePosition.data());
        l.half = {{l.eyePosition[0], l.eyePosition[1], l.eyePosition[2] + 1.0f}};
        normalise(l.half.data());
    } else {
        for (int i = 0; i < 3; ++i) l.eyePosition[static_cast<std::size_t>(i)] /= eye[3];
        l.eyePosition[3] = 1.0f;
    }
    const std::array<float, 4> spot =
        transform(modelView, {{p.spotDirection[0], p.spotDirection[1], p.spotDirection[2], 0.0f}});
    const float cosCutoff = l.spot[3];
    l.spot = {{spot[0], spot[1], spot[2], cosCutoff}};
    normalise(l.spot.data());
    // Values the fixed-function API refuses (a cut-off between 90 and 180
    // degrees, an exponent outside 0..128, negative attenuation) leave the
    // previous one, as the refused call there does.
    const float cutoff = p.spotCutoffDegrees;
    if (cutoff == 180.0f)
        l.spot[3] = -2.0f;
    else if (cutoff >= 0.0f && cutoff <= 90.0f)
        l.spot[3] = static_cast<float>(std::cos(cutoff * 3.14159265358979323846 / 180.0));
    if (p.spotExponent >= 0.0f && p.spotExponent <= 128.0f) l.attenuation[3] = p.spotExponent;
    const float factors[3] = {p.constantAttenuation, p.linearAttenuation, p.quadraticAttenuation};
    for (int k = 0; k < 3; ++k)
        if (factors[k] >= 0.0f) l.attenuation[static_cast<std::size_t>(k)] = factors[k];
    l.ambient = p.ambient;
    l.diffuse = p.diffuse;
    l.specular = p.specular;
    changed();
}
void Gles2Backend::lightModelAmbient(const Rgba& colour) {
    state_.modelAmbient = colour;
    changed();
}

namespace {

bool tracks(MaterialColour tracked, MaterialColour which) {
    if (tracked == which) return true;
    if (tracked == MaterialColour::ambientAndDiffuse)
        return which == MaterialColour::ambient || which == MaterialColour::diffuse;
    return false;
}

}  // namespace

// While colour tracking is on, material calls leave the tracked colours
// alone: the current colour owns them.
void Gles2Backend::material(Face face, MaterialColour which, const Rgba& colour) {
    const bool tracking = state_.enabled[static_cast<std::size_t>(Cap::colorMaterial)];
    for (MaterialState* m : {&state_.front, &state_.back}) {
        const Face own = m == &state_.front ? Face::front : Face::back;
        if (face != Face::frontAndBack && face != own) continue;
        const bool trackedHere =
            tracking && (state_.trackedFace == Face::frontAndBack || state_.trackedFace == own);
        for (MaterialColour c : {MaterialColour::ambient, MaterialColour::diffuse,
                                 MaterialColour::specular, MaterialColour::emission}) {
            if (!tracks(which, c)) continue;
            if (trackedHere && tracks(state_.tracked, c)) continue;
            switch (c) {
            case MaterialColour::ambient: m->ambient = colour; break;
            case MaterialColour::diffuse: m->diffuse = colour; break;
            case MaterialColour::specular: m->specular = colour; break;
            default: m->emission = colour; break;
            }
        }
    }
    changed();
}
// An exponent outside 0..128 is refused, as the fixed-function call refuses
// it: the previous one stays.
void Gles2Backend::shininess(Face face, float exponent) {
    if (!(exponent >= 0.0f && exponent <= 128.0f)) return;
    if (face != Face::back) state_.front.shininess = exponent;
    if (face != Face::front) state_.back.shininess = exponent;
    changed();
}
void Gles2Backend::colorMaterial(Face face, MaterialColour which) {
    state_.trackedFace = face;
    state_.tracked = which;
    track();
    changed();
}

void Gles2Backend::track() {
    if (!state_.enabled[static_cast<std::size_t>(Cap::colorMaterial)]) return;
    for (MaterialState* m : {&state_.front, &state_.back}) {
        const Face own = m == &state_.front ? Face::front : Face::back;
        if (state_.trackedFace != Face::frontAndBack && state_.trackedFace != own) continue;
        if (tracks(state_.tracked, MaterialColour::ambient)) m->ambient = state_.colour;
        if (tracks(state_.tracked, MaterialColour::diffuse)) m->diffuse = state_.colour;
        if (state_.tracked == MaterialColour::specular) m->specular = state_.colour;
        if (state_.tracked == MaterialColour::emission) m->emission = state_.colour;
    }
}

void Gles2Backend::pushState() {
    saved_.push_back(state_);
}
void Gles2Backend::popState() {
    if (saved_.empty()) return;
    state_ = saved_.back();
    saved_.pop_back();
    applyDriverState();
}

// The current colour is a vertex attribute; only a material tracking it
// is a uniform.
void Gles2Backend::currentColour(const Rgba& colour) {
    state_.colour = colour;
    if (state_.enabled[static_cast<std::size_t>(Cap::colorMaterial)]) {
        track();
        changed();
    }
}
void Gles2Backend::currentTexCoord(float u, float v) {
    state_.texCoord = {{u, v}};
}
void Gles2Backend::currentNormal(float x, float y, float z) {
    state_.normal = {{x, y, z}};
}

// Picks the variant for the state and hands it what changed since it last
// drew.
void Gles2Backend::useProgramForState(GLenum mode) {
    const State& s = state_;
    const auto on = [&s](Cap c) { return s.enabled[static_cast<std::size_t>(c)]; };
    ProgramKey key;
    key.lighting = on(Cap::lighting);
    if (key.lighting) {
        for (int i = 0; i < kMaxLights; ++i)
            if (on(lightCap(i))) key.lights |= 1u << i;
        if (on(Cap::colorMaterial)) key.trackedColour = static_cast<int>(s.tracked);
    }
    const TextureInfo* texture = nullptr;
    if (on(Cap::texture2D) && s.bound != 0) {
        const auto found = textures_.find(s.bound);
        // An incomplete texture switches texturing off, as in the
        // fixed-function pipeline.
        if (found != textures_.end() && textureComplete(found->second)) texture = &found->second;
    }
    const Matrix4& textureMatrix = matrix(MatrixMode::texture);
    if (texture) {
        key.textureEnv = static_cast<int>(s.textureEnv);
        key.textureChannels = !hasColour(texture->format) ? 2 : hasAlpha(texture->format) ? 0 : 1;
        key.textureMatrix = !(textureMatrix == Matrix4{});
    }
    key.points = mode == GL_POINTS;
    if (on(Cap::fog)) key.fog = static_cast<int>(s.fogMode);
    if (on(Cap::alphaTest) && s.alphaCompare != Compare::always)
        key.alphaTest = static_cast<int>(s.alphaCompare);

    Gles2Program& p = programs_.get(key);
    if (currentProgram_ != p.id) {
        glUseProgram(p.id);
        currentProgram_ = p.id;
    }
    const Matrix4& modelView = matrix(MatrixMode::modelView);
    const Matrix4 mvp = multiply(matrix(MatrixMode::projection), modelView);
    const bool matricesChanged =
        !p.haveMvp || std::memcmp(p.lastMvp, mvp.m.data(), sizeof p.lastMvp) != 0;
    if (matricesChanged || p.uniformSerial != serial_) {
        // The model-view matrix can change under an unchanged product only
        // with the projection; both are handed over together.
        glUniformMatrix4fv(p.mvp, 1, GL_FALSE, mvp.m.data());
        if (p.modelView >= 0) glUniformMatrix4fv(p.modelView, 1, GL_FALSE, modelView.m.data());
        if (p.normalMatrix >= 0) {
            const std::array<float, 9> n = normalMatrixOf(modelView);
            glUniformMatrix3fv(p.normalMatrix, 1, GL_FALSE, n.data());
        }
        std::memcpy(p.lastMvp, mvp.m.data(), sizeof p.lastMvp);
        p.haveMvp = true;
    }
    if (p.textureMatrix >= 0)
        glUniformMatrix4fv(p.textureMatrix, 1, GL_FALSE, textureMatrix.m.data());
    if (p.uniformSerial == serial_) return;
    p.uniformSerial = serial_;
    if (key.lighting) {
        setUniform4(p.modelAmbient, s.modelAmbient);
        setUniform4(p.materialAmbient, s.front.ambient);
        setUniform4(p.materialDiffuse, s.front.diffuse);
        setUniform4(p.materialSpecular, s.front.specular);
        setUniform4(p.materialEmission, s.front.emission);
        glUniform1f(p.shininess, s.front.shininess);
        float position[kMaxLights * 4], half[kMaxLights * 3], ambient[kMaxLights * 4],
            diffuse[kMaxLights * 4], specular[kMaxLights * 4], spot[kMaxLights * 4],
            attenuation[kMaxLights * 4];
        for (int i = 0; i < kMaxLights; ++i) {
            const LightState& l = s.lights[static_cast<std::size_t>(i)];
            std::memcpy(position + i * 4, l.eyePosition.data(), 4 * sizeof(float));
            std::memcpy(half + i * 3, l.half.data(), 3 * sizeof(float));
            std::memcpy(ambient + i * 4, &l.ambient, 4 * sizeof(float));
            std::memcpy(diffuse + i * 4, &l.diffuse, 4 * sizeof(float));
            std::memcpy(specular + i * 4, &l.specular, 4 * sizeof(float));
            std::memcpy(spot + i * 4, l.spot.data(), 4 * sizeof(float));
            std::memcpy(attenuation + i * 4, l.attenuation.data(), 4 * sizeof(float));
        }
        glUniform4fv(p.lightPosition, kMaxLights, position);
        if (p.lightHalf >= 0) glUniform3fv(p.lightHalf, kMaxLights, half);
        glUniform4fv(p.lightAmbient, kMaxLights, ambient);
        glUniform4fv(p.lightDiffuse, kMaxLights, diffuse);
        glUniform4fv(p.lightSpecular, kMaxLights, specular);
        glUniform4fv(p.lightSpot, kMaxLights, spot);
        glUniform4fv(p.lightAttenuation, kMaxLights, attenuation);
    }
    if (p.texture >= 0) glUniform1i(p.texture, 0);
    if (key.fog >= 0) {
        setUniform4(p.fogColour, s.fogColour);
        const float range = s.fogEnd - s.fogStart;
        glUniform3f(p.fogParameters, s.fogEnd, range != 0.0f ? 1.0f / range : 0.0f, s.fogDensity);
    }
    if (p.alphaReference >= 0) glUniform1f(p.alphaReference, s.alphaReference);
}

namespace {

// Whether a vertex of the batch lies outside the view volume under the
// current matrices.
bool needsClipping(const VertexBatch& b) {
    const Matrix4 mvp = multiply(matrix(MatrixMode::projection), matrix(MatrixMode::modelView));
    for (const std::array<float, 4>& p : b.positions) {
        const std::array<float, 4> clip = transform(mvp, p);
        for (int i = 0; i < 3; ++i)
            if (!(clip[static_cast<std::size_t>(i)] >= -clip[3] &&
                  clip[static_cast<std::size_t>(i)] <= clip[3]))
                return true;
    }
    return false;
}

}  // namespace

GLenum Gles2Backend::interleave(const VertexBatch& b, std::vector<float>& out, bool& colours,
                                bool& texCoords, bool& normals) {
    colours = b.hasColours;
    texCoords = b.hasTexCoords;
    normals = b.hasNormals;
    const std::size_t stride = 4 + (colours ? 4 : 0) + (texCoords ? 2 : 0) + (normals ? 3 : 0);
    const auto put = [&](std::size_t i) {
        out.insert(out.end(), b.positions[i].begin(), b.positions[i].end());
        if (colours) {
            const Rgba& c = i >= b.firstColour ? b.colours[i] : state_.colour;
            out.insert(out.end(), {c.r, c.g, c.b, c.a});
        }
        if (texCoords) {
            const std::array<float, 2>& t = i >= b.firstTexCoord ? b.texCoords[i] : state_.texCoord;
            out.insert(out.end(), t.begin(), t.end());
        }
        if (normals) {
            const std::array<float, 3>& n = i >= b.firstNormal ? b.normals[i] : state_.normal;
            out.insert(out.end(), n.begin(), n.end());
        }
    };
    out.clear();
    if (b.primitive == Primitive::quads) {
        // The diagonal decides how colours and texture coordinates spread
        // over a quad that is no parallelogram. Mesa's fixed-function quads
        // take 0 1 2 and 0 2 3, except in a draw with a vertex outside the
        // view volume, where its clipper splits every quad into 0 1 3 and
        // 1 2 3: the same here, so the pictures match. Mesa also joins
        // quads given one batch after another, with nothing changed between
        // them, into one draw: a batch that follows a clipped one under the
        // same state and matrices is split as clipped too.
        bool clipped = needsClipping(b);
        if (quadsRun_) {
            const Matrix4 mvp =
                multiply(matrix(MatrixMode::projection), matrix(MatrixMode::modelView));
            clipped = clipped || (quadsRun_->clipped && quadsRun_->serial == serial_ &&
                                  quadsRun_->bound == state_.bound && quadsRun_->mvp == mvp);
            quadsRun_ = QuadsRun{clipped, serial_, state_.bound, mvp};
        }
        out.reserve(b.size() / 4 * 6 * stride);
        for (std::size_t q = 0; q + 3 < b.size(); q += 4) {
            if (clipped)
                for (std::size_t k : {0, 1, 3, 1, 2, 3}) put(q + k);
            else
                for (std::size_t k : {0, 1, 2, 0, 2, 3}) put(q + k);
        }
        return GL_TRIANGLES;
    }
    out.reserve(b.size() * stride);
    for (std::size_t i = 0; i < b.size(); ++i) put(i);
    switch (b.primitive) {
    case Primitive::points: return GL_POINTS;
    case Primitive::lines: return GL_LINES;
    case Primitive::lineStrip: return GL_LINE_STRIP;
    case Primitive::lineLoop: return GL_LINE_LOOP;
    case Primitive::triangles: return GL_TRIANGLES;
    case Primitive::triangleStrip: return GL_TRIANGLE_STRIP;
    case Primitive::triangleFan: return GL_TRIANGLE_FAN;
    case Primitive::quads: break;
    }
    return GL_TRIANGLES;
}

// Draws `count` interleaved vertices from `buffer`; attributes not in it
// take the current values.
void Gles2Backend::drawArrays(GLuint buffer, GLenum mode, GLsizei count, bool colours,
                              bool texCoords, bool normals) {
    useProgramForState(mode);
    const GLsizei stride = static_cast<GLsizei>(
        (4 + (colours ? 4 : 0) + (texCoords ? 2 : 0) + (normals ? 3 : 0)) * sizeof(float));
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    std::size_t offset = 0;
    const auto attribute = [&](GLuint index, bool present, int size, const float* current) {
        if (present) {
            glEnableVertexAttribArray(index);
            glVertexAttribPointer(index, size, GL_FLOAT, GL_FALSE, stride,
                                  reinterpret_cast<const void*>(offset * sizeof(float)));
            offset += static_cast<std::size_t>(size);
        } else {
            glDisableVertexAttribArray(index);
            if (size == 4)
                glVertexAttrib4fv(index, current);
            else if (size == 3)
                glVertexAttrib3fv(index, current);
            else
                glVertexAttrib2fv(index, current);
        }
    };
    attribute(positionAttribute, true, 4, nullptr);
    attribute(colourAttribute, colours, 4, &state_.colour.r);
    attribute(texCoordAttribute, texCoords, 2, state_.texCoord.data());
    attribute(normalAttribute, normals, 3, state_.normal.data());
    glDrawArrays(mode, 0, count);
}

void Gles2Backend::drawBatch(const VertexBatch& batch) {
    bool colours = false, texCoords = false, normals = false;
    // Only drawn quads continue a run (kept batches are drawn later).
    if (batch.primitive == Primitive::quads) {
        if (!quadsRun_) quadsRun_ = QuadsRun{};
    } else {
        quadsRun_.reset();
    }
    const GLenum mode = interleave(batch, scratch_, colours, texCoords, normals);
    if (scratch_.empty()) return;
    const std::size_t stride = 4 + (colours ? 4 : 0) + (texCoords ? 2 : 0) + (normals ? 3 : 0);
    glBindBuffer(GL_ARRAY_BUFFER, streamBuffer_);
    // A new store each time: the driver need not wait for the last draw.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(scratch_.size() * sizeof(float)),
                 scratch_.data(), GL_STREAM_DRAW);
    drawArrays(streamBuffer_, mode, static_cast<GLsizei>(scratch_.size() / stride), colours,
               texCoords, normals);
}

// Batches whose early vertices wait for the value current at drawing are
// left to the door to replay.
std::uint32_t Gles2Backend::keepBatch(const VertexBatch& batch) {
    if ((batch.hasColours && batch.firstColour > 0) ||
        (batch.hasTexCoords && batch.firstTexCoord > 0) ||
        (batch.hasNormals && batch.firstNormal > 0))
        return 0;
    Kept k;
    std::vector<float> data;
    const std::optional<QuadsRun> run = std::exchange(quadsRun_, std::nullopt);
    k.mode = interleave(batch, data, k.colours, k.texCoords, k.normals);
    quadsRun_ = run;
    const std::size_t stride =
        4 + (k.colours ? 4 : 0) + (k.texCoords ? 2 : 0) + (k.normals ? 3 : 0);
    k.count = static_cast<GLsizei>(data.size() / stride);
    glGenBuffers(1, &k.buffer);
    glBindBuffer(GL_ARRAY_BUFFER, k.buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size() * sizeof(float)), data.data(),
                 GL_STATIC_DRAW);
    const std::uint32_t handle = nextKept_++;
    kept_.emplace(handle, k);
    return handle;
}
void Gles2Backend::drawKept(std::uint32_t handle) {
    const auto found = kept_.find(handle);
    if (found == kept_.end() || found->second.count == 0) return;
    const Kept& k = found->second;
    drawArrays(k.buffer, k.mode, k.count, k.colours, k.texCoords, k.normals);
}
void Gles2Backend::releaseKept(std::uint32_t handle) {
    const auto found = kept_.find(handle);
    if (found == kept_.end()) return;
    glDeleteBuffers(1, &found->second.buffer);
    kept_.erase(found);
}

// As the fixed-function bitmap: the pen starts at the window position of
// (x, y) and nothing is drawn when that lies outside the view; each picture's
// lower left lands on the pixel grid where the driver puts it.
void Gles2Backend::drawBitmaps(float x, float y, const Bitmap* const* bitmaps, std::size_t count) {
    std::array<float, 3> window{};
    if (count == 0 || !windowPosition(x, y, 0.0f, window)) return;
    Gles2BitmapProgram& program = programs_.bitmapProgram();
    glUseProgram(program.id);
    currentProgram_ = program.id;
    const std::array<int, 4>& v = state_.viewport;
    glUniform4f(program.viewport, static_cast<float>(v[0]), static_cast<float>(v[1]),
                static_cast<float>(v[2]), static_cast<float>(v[3]));
    glUniform1f(program.depth, window[2] * 2.0f - 1.0f);
    setUniform4(program.colour, state_.colour);
    glUniform1i(program.picture, 0);
    glDisableVertexAttribArray(colourAttribute);
    glDisableVertexAttribArray(normalAttribute);
    glBindBuffer(GL_ARRAY_BUFFER, streamBuffer_);
    if (glyphs_.size() > 4096) {
        for (auto& entry : glyphs_) glDeleteTextures(1, &entry.second.texture);
        glyphs_.clear();
    }
    float penX = window[0], penY = window[1];
    for (std::size_t i = 0; i < count; ++i) {
        const Bitmap& b = *bitmaps[i];
        if (b.width > 0 && b.rows > 0) {
            Glyph& g = glyphs_[&b];
            if (g.texture == 0 || g.width != b.width || g.rows != b.rows || g.bits != b.bits) {
                // One byte of alpha per bit.
                const int rowBytes = (b.width + 7) / 8;
                std::vector<std::uint8_t> alpha(static_cast<std::size_t>(b.width * b.rows));
                for (int r = 0; r < b.rows; ++r)
                    for (int c = 0; c < b.width; ++c) {
                        const std::size_t byte = static_cast<std::size_t>(r * rowBytes + c / 8);
                        const bool set = byte < b.bits.size() && (b.bits[byte] & (0x80 >> (c % 8)));
                        alpha[static_cast<std::size_t>(r * b.width + c)] = set ? 255 : 0;
                    }
                if (g.texture == 0) glGenTextures(1, &g.texture);
                glBindTexture(GL_TEXTURE_2D, g.texture);
                glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, b.width, b.rows, 0, GL_ALPHA,
                             GL_UNSIGNED_BYTE, alpha.data());
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
                g.width = b.width;
                g.rows = b.rows;
                g.bits = b.bits;
            } else {
                glBindTexture(GL_TEXTURE_2D, g.texture);
            }
            const float epsilon = 0.0001f;
            const float left = std::floor(penX + epsilon - b.originX);
            const float bottom = std::floor(penY + epsilon - b.originY);
            const float right = left + static_cast<float>(b.width);
            const float top = bottom + static_cast<float>(b.rows);
            const float quad[] = {left,  bottom, 0, 1, 0, 0, right, bottom, 0, 1, 1, 0,
                                  right, top,    0, 1, 1, 1, left,  bottom, 0, 1, 0, 0,
                                  right, top,    0, 1, 1, 1, left,  top,    0, 1, 0, 1};
            glBufferData(GL_ARRAY_BUFFER, sizeof quad, quad, GL_STREAM_DRAW);
            glEnableVertexAttribArray(positionAttribute);
            glVertexAttribPointer(positionAttribute, 4, GL_FLOAT, GL_FALSE, 6 * sizeof(float),
                                  nullptr);
            glEnableVertexAttribArray(texCoordAttribute);
            glVertexAttribPointer(texCoordAttribute, 2, GL_FLOAT, GL_FALSE, 6 * sizeof(float),
                                  reinterpret_cast<const void*>(4 * sizeof(float)));
            glDrawArrays(GL_TRIANGLES, 0, 6);
        }
        penX += b.advance;
    }
    glBindTexture(GL_TEXTURE_2D, state_.bound);
}

TextureId Gles2Backend::createTexture() {
    GLuint name = 0;
    glGenTextures(1, &name);
    if (name) textures_[name] = TextureInfo{};
    return name;
}
void Gles2Backend::deleteTexture(TextureId id) {
    const GLuint name = id;
    glDeleteTextures(1, &name);
    textures_.erase(id);
    if (state_.bound == id) state_.bound = 0;
}
void Gles2Backend::bindTexture(TextureId id) {
    state_.bound = id;
    glBindTexture(GL_TEXTURE_2D, id);
    if (id != 0 && textures_.find(id) == textures_.end()) textures_[id] = TextureInfo{};
}

bool Gles2Backend::textureComplete(const TextureInfo& info) const {
    if (!(info.levels & 1u) || info.width <= 0 || info.height <= 0) return false;
    if (!mipmapped(info.minify)) return true;
    int side = std::max(info.width, info.height);
    for (int level = 0; side >= 1; ++level, side /= 2)
        if (!(info.levels & (1u << level))) return false;
    return true;
}

// ES 2.0 samples a texture whose sides are not powers of two only clamped
// and without mipmaps: such a texture is given those where the driver has
// no more. Its pixels stay as they are.
void Gles2Backend::applyTextureParameters(TextureId id) {
    const auto found = textures_.find(id);
    if (found == textures_.end()) return;
    const TextureInfo& t = found->second;
    const bool restricted = !fullNpot_ && !(powerOfTwo(t.width) && powerOfTwo(t.height));
    Filter minify = t.minify;
    if (restricted && mipmapped(minify))
        minify = minify == Filter::nearestMipmapNearest ? Filter::nearest : Filter::linear;
    const auto wrap = [restricted](Wrap w) {
        return restricted || w != Wrap::repeat ? GL_CLAMP_TO_EDGE : GL_REPEAT;
    };
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, glFilter(minify));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, glFilter(t.magnify));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap(t.wrapS));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap(t.wrapT));
}

void Gles2Backend::textureFilter(Filter minify, Filter magnify) {
    TextureInfo& t = textures_[state_.bound];
    t.minify = minify;
    t.magnify = magnify;
    applyTextureParameters(state_.bound);
    changed();
}
void Gles2Backend::textureWrap(Wrap s, Wrap t) {
    TextureInfo& info = textures_[state_.bound];
    info.wrapS = s;
    info.wrapT = t;
    applyTextureParameters(state_.bound);
}

// ES 2.0 stores a texture in the format its pixels come in: pixels of
// another format are converted to the one asked for first.
void Gles2Backend::textureImage(int level, PixelFormat internal, int width, int height,
                                PixelFormat format, const void* pixels) {
    if (width <= 0 || height <= 0 || level < 0 || level > 31) return;
    std::vector<std::uint8_t> converted;
    const void* data = pixels;
    if (internal != format && pixels) {
        const int count = width * height;
        const std::vector<std::uint8_t> rgba =
            format == PixelFormat::rgba
                ? std::vector<std::uint8_t>()
                : toRgba(static_cast<const std::uint8_t*>(pixels), count, format);
        converted = fromRgba(rgba.empty() ? static_cast<const std::uint8_t*>(pixels) : rgba.data(),
                             count, internal);
        data = converted.data();
    }
    const GLenum f = glPixelFormat(internal);
    glTexImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(f), width, height, 0, f, GL_UNSIGNED_BYTE,
                 data);
    TextureInfo& t = textures_[state_.bound];
    if (level == 0) {
        t.width = width;
        t.height = height;
        t.format = internal;
        t.levels = 1u;
        applyTextureParameters(state_.bound);
    } else {
        t.levels |= 1u << level;
    }
    changed();
}

// The levels as the utility library builds them (the same arithmetic the
// picture loader uses), halved further while level 0 is larger than the
// driver takes.
void Gles2Backend::buildMipmaps(PixelFormat internal, int width, int height, PixelFormat format,
                                const void* pixels) {
    if (width <= 0 || height <= 0 || !pixels) return;
    const std::vector<std::uint8_t> rgba =
        format == PixelFormat::rgba
            ? std::vector<std::uint8_t>(static_cast<const std::uint8_t*>(pixels),
                                        static_cast<const std::uint8_t*>(pixels) +
                                            static_cast<std::size_t>(width) * height * 4)
            : toRgba(static_cast<const std::uint8_t*>(pixels), width * height, format);
    const MipmapChain chain = buildMipmapChain(rgba.data(), width, height);
    std::size_t first = 0;
    while (first + 1 < chain.levels.size() && (chain.levels[first].width > maxTextureSize_ ||
                                               chain.levels[first].height > maxTextureSize_))
        ++first;
    for (std::size_t i = first; i < chain.levels.size(); ++i) {
        const MipmapLevel& l = chain.levels[i];
        const std::uint8_t* data = l.pixels.empty() ? rgba.data() : l.pixels.data();
        textureImage(static_cast<int>(i - first), internal, l.width, l.height, PixelFormat::rgba,
                     data);
    }
}

void Gles2Backend::copyFrameToTexture(PixelFormat internal, int x, int y, int width, int height) {
    glCopyTexImage2D(GL_TEXTURE_2D, 0, glPixelFormat(internal), x, y, width, height, 0);
    TextureInfo& t = textures_[state_.bound];
    t.width = width;
    t.height = height;
    t.format = internal;
    t.levels = 1u;
    applyTextureParameters(state_.bound);
    changed();
}

// ES 2.0 reads RGBA bytes; other layouts are made from them.
void Gles2Backend::readPixels(int x, int y, int width, int height, PixelFormat format, void* out) {
    if (width <= 0 || height <= 0) return;
    if (format == PixelFormat::rgba) {
        glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, out);
        return;
    }
    // Captures read every frame: the buffer is kept.
    std::vector<std::uint8_t>& rgba = readBuffer_;
    rgba.resize(static_cast<std::size_t>(width) * height * 4);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    auto* o = static_cast<std::uint8_t*>(out);
    if (format == PixelFormat::rgb) {
        for (std::size_t i = 0, n = rgba.size() / 4; i < n; ++i)
            std::memcpy(o + i * 3, &rgba[i * 4], 3);
        return;
    }
    if (format == PixelFormat::luminance || format == PixelFormat::luminanceAlpha) {
        // Read-back luminance is the sum of the colours, clamped.
        for (std::size_t i = 0; i < rgba.size(); i += 4)
            rgba[i] = static_cast<std::uint8_t>(std::min(255, rgba[i] + rgba[i + 1] + rgba[i + 2]));
    }
    const std::vector<std::uint8_t> converted = fromRgba(rgba.data(), width * height, format);
    std::memcpy(out, converted.data(), converted.size());
}

void Gles2Backend::clearColour(const Rgba& colour) {
    state_.clearColour = colour;
    glClearColor(colour.r, colour.g, colour.b, colour.a);
}
void Gles2Backend::clearDepth(double depth) {
    state_.clearDepth = static_cast<float>(depth);
    glClearDepthf(state_.clearDepth);
}
void Gles2Backend::clearStencil(int value) {
    state_.clearStencil = value;
    glClearStencil(value);
}
void Gles2Backend::clear(unsigned bits) {
    glClear(glClearMask(bits));
}
void Gles2Backend::viewport(int x, int y, int width, int height) {
    state_.viewport = {{x, y, width, height}};
    glViewport(x, y, width, height);
}
void Gles2Backend::scissor(int x, int y, int width, int height) {
    state_.scissor = {{x, y, width, height}};
    glScissor(x, y, width, height);
}
void Gles2Backend::flush() {
    glFlush();
}
unsigned Gles2Backend::takeError() {
    return takeGlError();
}

}  // namespace gfx
