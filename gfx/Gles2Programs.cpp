#include "Gles2Programs.h"

#include "GlProgramBuild.h"
#include "gfx/Renderer.h"

#include <vector>

namespace gfx {

using glenums::linkProgram;
using glenums::shaderLog;

namespace {

// The fixed-function vertex stage for the state the player uses: positions
// through the combined matrix; lighting per vertex in eye space as the
// lighting equations put it (emission, the global ambient, then each light's
// ambient, diffuse and specular with an infinite viewer, attenuation and
// spot); unnormalised normals, as no normalisation is asked for; colours
// clamped; fog on the eye plane distance |z|. Positions are invariant so
// that passes drawn with different variants meet at equal depths.
const char* const kVertexShader = R"(
invariant gl_Position;  // every pass puts a vertex at the same depth
attribute vec4 a_position;
attribute vec4 a_colour;
attribute vec2 a_texCoord;
attribute vec3 a_normal;
uniform mat4 u_mvp;
varying vec4 v_colour;
#if defined(LIGHTING) || defined(FOG)
uniform mat4 u_modelView;
#endif
#ifdef TEXTURE
varying vec2 v_texCoord;
#ifdef TEXTURE_MATRIX
uniform mat4 u_textureMatrix;
#endif
#endif
#ifdef FOG
varying float v_fogCoord;
#endif
#ifdef LIGHTING
uniform mat3 u_normalMatrix;
uniform vec4 u_modelAmbient;
uniform vec4 u_materialAmbient;
uniform vec4 u_materialDiffuse;
uniform vec4 u_materialSpecular;
uniform vec4 u_materialEmission;
uniform float u_shininess;
uniform vec4 u_lightPosition[8];    // eye space; w 0: a unit direction
uniform vec3 u_lightHalf[8];        // directional lights: the half vector
uniform vec4 u_lightAmbient[8];
uniform vec4 u_lightDiffuse[8];
uniform vec4 u_lightSpecular[8];
uniform vec4 u_lightSpot[8];        // unit direction, cosine of the cut-off (-2: no spot)
uniform vec4 u_lightAttenuation[8]; // constant, linear, quadratic, spot exponent

void addLight(int i, vec3 eye, vec3 n, vec3 ambientM, vec3 diffuseM, vec3 specularM,
              inout vec3 colour, inout vec3 specular) {
    vec4 p = u_lightPosition[i];
    vec3 L;
    vec3 H;
    float att = 1.0;
    if (p.w == 0.0) {
        L = p.xyz;
        H = u_lightHalf[i];
    } else {
        vec3 d = p.xyz - eye;
        float distance2 = dot(d, d);
        float inverse = inversesqrt(distance2);
        L = d * inverse;
        vec4 k = u_lightAttenuation[i];
        att = 1.0 / (k.x + k.y * distance2 * inverse + k.z * distance2);
        H = normalize(L + vec3(0.0, 0.0, 1.0));
    }
    vec4 spot = u_lightSpot[i];
    if (spot.w > -1.5) {
        float s = dot(-L, spot.xyz);
        att *= s >= spot.w ? pow(max(s, 0.0), u_lightAttenuation[i].w) : 0.0;
    }
    float nDotL = dot(n, L);
    float diffuse = max(nDotL, 0.0);
    float shine = 0.0;
    if (nDotL > 0.0)
        shine = u_shininess == 0.0 ? 1.0 : pow(max(dot(n, H), 0.0), u_shininess);
    colour += att * (u_lightAmbient[i].rgb * ambientM + diffuse * u_lightDiffuse[i].rgb * diffuseM);
    specular += att * shine * u_lightSpecular[i].rgb * specularM;
}
#endif

void main() {
    gl_Position = u_mvp * a_position;
#ifdef POINTS
    gl_PointSize = 1.0;
#endif
#if defined(LIGHTING) || defined(FOG)
    vec4 eye = u_modelView * a_position;
#endif
#ifdef LIGHTING
    vec4 ambientM = u_materialAmbient;
    vec4 diffuseM = u_materialDiffuse;
    vec4 specularM = u_materialSpecular;
    vec4 emissionM = u_materialEmission;
#if TRACKED == 0
    ambientM = a_colour;
#elif TRACKED == 1
    diffuseM = a_colour;
#elif TRACKED == 2
    ambientM = a_colour;
    diffuseM = a_colour;
#elif TRACKED == 3
    specularM = a_colour;
#elif TRACKED == 4
    emissionM = a_colour;
#endif
    vec3 n = u_normalMatrix * a_normal;
    vec3 colour = emissionM.rgb + ambientM.rgb * u_modelAmbient.rgb;
    vec3 specular = vec3(0.0);
#define LIGHT(i) addLight(i, eye.xyz, n, ambientM.rgb, diffuseM.rgb, specularM.rgb, colour, specular)
#ifdef LIGHT0
    LIGHT(0);
#endif
#ifdef LIGHT1
    LIGHT(1);
#endif
#ifdef LIGHT2
    LIGHT(2);
#endif
#ifdef LIGHT3
    LIGHT(3);
#endif
#ifdef LIGHT4
    LIGHT(4);
#endif
#ifdef LIGHT5
    LIGHT(5);
#endif
#ifdef LIGHT6
    LIGHT(6);
#endif
#ifdef LIGHT7
    LIGHT(7);
#endif
    v_colour = clamp(vec4(colour + specular, diffuseM.a), 0.0, 1.0);
#else
    v_colour = clamp(a_colour, 0.0, 1.0);
#endif
#ifdef TEXTURE
#ifdef TEXTURE_MATRIX
    vec4 t = u_textureMatrix * vec4(a_texCoord, 0.0, 1.0);
    v_texCoord = t.xy / t.w;
#else
    v_texCoord = a_texCoord;
#endif
#endif
#ifdef FOG
    v_fogCoord = abs(eye.z);
#endif
}
)";

// Texturing as the texture environment combines, for the picture's own
// channels (CHANNELS 0: colour and alpha, 1: colour alone, 2: alpha alone;
// what a picture lacks the fragment keeps), fog per fragment from the
// interpolated distance, then the alpha test.
const char* const kFragmentShader = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
varying vec4 v_colour;
#ifdef TEXTURE
uniform sampler2D u_texture;
varying vec2 v_texCoord;
#endif
#ifdef FOG
uniform vec4 u_fogColour;
uniform vec3 u_fogParameters;  // end, 1 / (end - start), density
varying float v_fogCoord;
#endif
#ifdef ALPHA_TEST
uniform float u_alphaReference;
#endif

void main() {
    vec4 c = v_colour;
#ifdef TEXTURE
    vec4 t = texture2D(u_texture, v_texCoord);
#if TEXTURE == 0
#if CHANNELS == 2
    c.a *= t.a;
#else
    c *= t;
#endif
#elif TEXTURE == 1
#if CHANNELS == 0
    c = t;
#elif CHANNELS == 1
    c.rgb = t.rgb;
#else
    c.a = t.a;
#endif
#elif TEXTURE == 2
#if CHANNELS == 0
    c.rgb = mix(c.rgb, t.rgb, t.a);
#else
    c.rgb = t.rgb;
#endif
#else
    c = vec4(c.rgb * (vec3(1.0) - t.rgb), c.a * t.a);
#endif
#endif
#ifdef FOG
#if FOG == 0
    float f = (u_fogParameters.x - v_fogCoord) * u_fogParameters.y;
#elif FOG == 1
    float f = exp(-u_fogParameters.z * v_fogCoord);
#else
    float d = u_fogParameters.z * v_fogCoord;
    float f = exp(-d * d);
#endif
    c.rgb = mix(u_fogColour.rgb, c.rgb, clamp(f, 0.0, 1.0));
#endif
#ifdef ALPHA_TEST
    if (!(c.a ALPHA_TEST u_alphaReference)) discard;
#endif
    gl_FragColor = c;
}
)";

// One-bit pictures: a quad in window pixels over the picture's texels,
// drawn in one colour where a bit is set.
const char* const kBitmapVertexShader = R"(
attribute vec4 a_position;
attribute vec2 a_texCoord;
uniform vec4 u_viewport;
uniform float u_depth;
varying vec2 v_texCoord;
void main() {
    vec2 ndc = (a_position.xy - u_viewport.xy) / u_viewport.zw * 2.0 - 1.0;
    gl_Position = vec4(ndc, u_depth, 1.0);
    v_texCoord = a_texCoord;
}
)";

const char* const kBitmapFragmentShader = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform sampler2D u_picture;
uniform vec4 u_colour;
varying vec2 v_texCoord;
void main() {
    if (texture2D(u_picture, v_texCoord).a < 0.5) discard;
    gl_FragColor = u_colour;
}
)";

// Indexed by Compare; never and always are handled apart.
const char* const kCompareOperators[] = {"", "<", "==", "<=", ">", "!=", ">=", ""};

GLuint compile(GLenum type, const std::string& defines, const char* source,
               const std::string& name) {
    const GLuint shader = glCreateShader(type);
    const std::string header = "#version 100\n" + defines + "#line 1\n";
    const char* parts[] = {header.c_str(), source};
    glShaderSource(shader, 2, parts, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        const std::string log = shaderLog(shader);
        glDeleteShader(shader);
        throw BackendError("The " + name + " did not compile:\n" + log);
    }
    return shader;
}

}  // namespace

GLuint buildProgram(const std::string& defines, const char* vertexSource,
                    const char* fragmentSource, const std::string& name) {
    const GLuint vertex = compile(GL_VERTEX_SHADER, defines, vertexSource, "vertex shader " + name);
    GLuint fragment = 0;
    try {
        fragment = compile(GL_FRAGMENT_SHADER, defines, fragmentSource, "fragment shader " + name);
    } catch (...) {
        glDeleteShader(vertex);
        throw;
    }
    std::string log;
    const GLuint program = linkProgram(vertex, fragment,
                                       {{positionAttribute, "a_position"},
                                        {colourAttribute, "a_colour"},
                                        {texCoordAttribute, "a_texCoord"},
                                        {normalAttribute, "a_normal"}},
                                       log);
    if (!program) throw BackendError("The shader program " + name + " did not link:\n" + log);
    return program;
}

namespace {

std::string definesOf(const ProgramKey& key) {
    std::string d;
    if (key.lighting) {
        d += "#define LIGHTING\n";
        for (int i = 0; i < kMaxLights; ++i)
            if (key.lights & (1u << i)) d += "#define LIGHT" + std::to_string(i) + "\n";
        d += "#define TRACKED " + std::to_string(key.trackedColour) + "\n";
    }
    if (key.textureEnv >= 0) {
        d += "#define TEXTURE " + std::to_string(key.textureEnv) + "\n";
        d += "#define CHANNELS " + std::to_string(key.textureChannels) + "\n";
        if (key.textureMatrix) d += "#define TEXTURE_MATRIX\n";
    }
    if (key.fog >= 0) d += "#define FOG " + std::to_string(key.fog) + "\n";
    if (key.points) d += "#define POINTS\n";
    if (key.alphaTest >= 0) {
        // Never passing: a comparison no alpha in 0..1 meets.
        d += "#define ALPHA_TEST ";
        d += key.alphaTest == static_cast<int>(Compare::never) ? "< -1.0 + 0.0 *"
                                                               : kCompareOperators[key.alphaTest];
        d += "\n";
    }
    return d;
}

}  // namespace

Gles2Programs::~Gles2Programs() {
    // The context may be gone with the window; deleting is left to it then.
    for (auto& entry : programs_) glDeleteProgram(entry.second->id);
    if (bitmap_.id) glDeleteProgram(bitmap_.id);
}

void Gles2Programs::check() {
    ProgramKey all;
    all.lighting = true;
    all.lights = 0xff;
    all.trackedColour = static_cast<int>(MaterialColour::ambientAndDiffuse);
    all.textureEnv = static_cast<int>(TextureEnv::modulate);
    all.textureMatrix = true;
    all.fog = static_cast<int>(FogMode::exp2);
    all.alphaTest = static_cast<int>(Compare::greater);
    get(all);
    get(ProgramKey{});
    bitmapProgram();
}

Gles2Program& Gles2Programs::get(const ProgramKey& key) {
    const std::uint32_t packed = key.packed();
    const auto found = programs_.find(packed);
    if (found != programs_.end()) return *found->second;

    auto p = std::make_unique<Gles2Program>();
    p->id = buildProgram(definesOf(key), kVertexShader, kFragmentShader, key.describe());
    const GLuint id = p->id;
    const auto at = [id](const char* name) { return glGetUniformLocation(id, name); };
    p->mvp = at("u_mvp");
    p->modelView = at("u_modelView");
    p->normalMatrix = at("u_normalMatrix");
    p->textureMatrix = at("u_textureMatrix");
    p->modelAmbient = at("u_modelAmbient");
    p->materialAmbient = at("u_materialAmbient");
    p->materialDiffuse = at("u_materialDiffuse");
    p->materialSpecular = at("u_materialSpecular");
    p->materialEmission = at("u_materialEmission");
    p->shininess = at("u_shininess");
    p->lightPosition = at("u_lightPosition");
    p->lightHalf = at("u_lightHalf");
    p->lightAmbient = at("u_lightAmbient");
    p->lightDiffuse = at("u_lightDiffuse");
    p->lightSpecular = at("u_lightSpecular");
    p->lightSpot = at("u_lightSpot");
    p->lightAttenuation = at("u_lightAttenuation");
    p->texture = at("u_texture");
    p->fogColour = at("u_fogColour");
    p->fogParameters = at("u_fogParameters");
    p->alphaReference = at("u_alphaReference");
    Gles2Program& program = *p;
    programs_.emplace(packed, std::move(p));
    return program;
}

Gles2BitmapProgram& Gles2Programs::bitmapProgram() {
    if (bitmap_.id) return bitmap_;
    bitmap_.id = buildProgram("", kBitmapVertexShader, kBitmapFragmentShader, "for text");
    bitmap_.viewport = glGetUniformLocation(bitmap_.id, "u_viewport");
    bitmap_.depth = glGetUniformLocation(bitmap_.id, "u_depth");
    bitmap_.colour = glGetUniformLocation(bitmap_.id, "u_colour");
    bitmap_.picture = glGetUniformLocation(bitmap_.id, "u_picture");
    return bitmap_;
}

}  // namespace gfx
