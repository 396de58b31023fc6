// The vocabulary of the drawing door: what can be switched on, compared,
// blended, drawn and stored, named for what it means rather than by a
// graphics API's numbers. Free of any graphics header.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace gfx {

// Switches of the fixed-function pipeline the player uses.
enum class Cap {
    blend,
    depthTest,
    stencilTest,
    cullFace,
    lighting,
    fog,
    texture2D,
    colorMaterial,
    scissorTest,
    lineStipple,
    alphaTest,
    light0,  // light0 + i for light i, i < kMaxLights; the lights come last
    light1,
    light2,
    light3,
    light4,
    light5,
    light6,
    light7,
};
inline constexpr int kMaxLights = 8;
inline Cap lightCap(int i) {
    return static_cast<Cap>(static_cast<int>(Cap::light0) + i);
}

enum class Primitive {
    points,
    lines,
    lineStrip,
    lineLoop,
    triangles,
    triangleStrip,
    triangleFan,
    quads
};

enum class MatrixMode { modelView, projection, texture };

enum class BlendFactor {
    zero,
    one,
    srcColor,
    oneMinusSrcColor,
    srcAlpha,
    oneMinusSrcAlpha,
    dstAlpha,
    oneMinusDstAlpha,
    dstColor,
    oneMinusDstColor,
};

enum class Compare { never, less, equal, lessOrEqual, greater, notEqual, greaterOrEqual, always };

enum class StencilAction { keep, zero, replace, increment, decrement, invert };

enum class Face { front, back, frontAndBack };

enum class Shading { flat, smooth };

enum class FogMode { linear, exp, exp2 };

// How hard the driver should try for perspective-correct interpolation.
enum class Hint { dontCare, fastest, nicest };

// What a material colour call sets, and what colour tracking follows.
enum class MaterialColour { ambient, diffuse, ambientAndDiffuse, specular, emission };

// How a texture's colour combines with the fragment's.
enum class TextureEnv { modulate, replace, decal, blend };

enum class Filter {
    nearest,
    linear,
    linearMipmapLinear,
    linearMipmapNearest,
    nearestMipmapNearest
};

enum class Wrap { repeat, clampToEdge, clamp };

// Pixel layouts for uploads, copies and read-back (8 bits per channel).
enum class PixelFormat { rgb, rgba, luminance, luminanceAlpha, alpha };

// Buffers `clear` may clear, or-ed together.
enum ClearBits : unsigned { colourBuffer = 1, depthBuffer = 2, stencilBuffer = 4 };

// A texture object's name in the current context; 0 is none.
using TextureId = std::uint32_t;

// A program (the caller's fragment stage) in the current context; 0 is none.
using ProgramId = std::uint32_t;

// A texture target: an RGBA texture drawing can go into in place of the
// frame; 0 is none. Never reused within a process, so a target deleted, or
// made in an earlier context, is found by nothing.
using TargetId = std::uint32_t;

// A value for one uniform of a program: `elements` values (an array's, or
// 1) of `components` numbers each (1..4), 16 numbers at most; `integer`
// for an int (a sampler's texture unit), given in values[0].
struct UniformValue {
    int location = -1;
    int components = 1;
    int elements = 1;
    bool integer = false;
    std::array<float, 16> values{};
};
inline bool operator==(const UniformValue& a, const UniformValue& b) {
    return a.location == b.location && a.components == b.components &&
           a.elements == b.elements && a.integer == b.integer && a.values == b.values;
}

// A texture a program samples on one unit, and how: the sampling given
// here holds for that draw only, whatever the texture's own filter and wrap.
struct ProgramTexture {
    TextureId id = 0;  // 0: none
    Filter minify = Filter::linear;
    Filter magnify = Filter::linear;
    Wrap wrap = Wrap::clampToEdge;
};

// A one-bit picture drawn in the current colour where its bits are set,
// one bit to a pixel, as text glyphs are: rows bottom first, each row's
// bits from the most significant down, rows padded to whole bytes.
struct Bitmap {
    int width = 0;
    int rows = 0;
    float originX = 0.0f;  // the pen's place in the picture, from its lower left
    float originY = 0.0f;
    float advance = 0.0f;  // how far the pen moves to the right after it
    std::vector<std::uint8_t> bits;
};

struct Rgba {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;
};

}  // namespace gfx
