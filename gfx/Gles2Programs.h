// The OpenGL ES 2.0 backend's shader programs: one pair of GLSL ES 1.00
// shaders written once, compiled in variants for the fixed-function state
// they stand in for (which lights, colour tracking, texture combine, fog,
// alpha test), each variant made when first needed and kept. A variant that
// does not compile or link is a BackendError naming it, with the driver's
// log.
#pragma once

#include "Gles2Variant.h"
#include "gfx/Types.h"

#include <GLES2/gl2.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace gfx {

// Attribute locations every program binds.
enum Gles2Attribute : GLuint {
    positionAttribute,
    colourAttribute,
    texCoordAttribute,
    normalAttribute
};

// Uniform locations of one variant (-1: not in it), and the values it was
// last given, so only values that changed are handed over again.
struct Gles2Program {
    GLuint id = 0;
    GLint mvp = -1, modelView = -1, normalMatrix = -1, textureMatrix = -1;
    GLint modelAmbient = -1, materialAmbient = -1, materialDiffuse = -1, materialSpecular = -1,
          materialEmission = -1, shininess = -1;
    GLint lightPosition = -1, lightHalf = -1, lightAmbient = -1, lightDiffuse = -1,
          lightSpecular = -1, lightSpot = -1, lightAttenuation = -1;
    GLint texture = -1;
    GLint fogColour = -1, fogParameters = -1, alphaReference = -1;
    // What each uniform holds (floats as laid out in it); a vector is empty
    // until the uniform is first given.
    struct Held {
        std::vector<float> mvp, modelView, normalMatrix, textureMatrix, modelAmbient,
            materialAmbient, materialDiffuse, materialSpecular, materialEmission, shininess,
            lightPosition, lightHalf, lightAmbient, lightDiffuse, lightSpecular, lightSpot,
            lightAttenuation, fogColour, fogParameters, alphaReference;
        bool textureUnit = false;
    } held;
};

// The program that draws one-bit pictures (text) at window positions.
struct Gles2BitmapProgram {
    GLuint id = 0;
    GLint viewport = -1, depth = -1, colour = -1, picture = -1;
};

// Compiles and links a program from GLSL ES 1.00 sources (`defines` put
// before each), binding the attribute locations above. Throws BackendError
// naming the vertex or fragment shader (or the program) `name` and holding
// the driver's log.
GLuint buildProgram(const std::string& defines, const char* vertexSource,
                    const char* fragmentSource, const std::string& name);

class Gles2Programs {
public:
    Gles2Programs() = default;
    ~Gles2Programs();
    Gles2Programs(const Gles2Programs&) = delete;
    Gles2Programs& operator=(const Gles2Programs&) = delete;

    // Compiles the variant with every feature on, and the text program, so
    // a driver that cannot take the shaders says so before anything draws.
    void check();
    // The variant for `key`, made at its first use. Throws BackendError.
    Gles2Program& get(const ProgramKey& key);
    Gles2BitmapProgram& bitmapProgram();

private:
    std::unordered_map<std::uint32_t, std::unique_ptr<Gles2Program>> programs_;
    Gles2BitmapProgram bitmap_;
};

}  // namespace gfx
