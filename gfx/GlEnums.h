// The door's vocabulary in the numbers OpenGL and OpenGL ES share: include
// after the API's own header (GL/gl.h or GLES2/gl2.h), whose constants these
// use. What only one API has stays with its backend.
#pragma once

#include "gfx/Types.h"

namespace gfx::glenums {

inline GLenum glBlendFactor(BlendFactor f) {
    switch (f) {
    case BlendFactor::zero: return GL_ZERO;
    case BlendFactor::one: return GL_ONE;
    case BlendFactor::srcColor: return GL_SRC_COLOR;
    case BlendFactor::oneMinusSrcColor: return GL_ONE_MINUS_SRC_COLOR;
    case BlendFactor::srcAlpha: return GL_SRC_ALPHA;
    case BlendFactor::oneMinusSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    case BlendFactor::dstAlpha: return GL_DST_ALPHA;
    case BlendFactor::oneMinusDstAlpha: return GL_ONE_MINUS_DST_ALPHA;
    case BlendFactor::dstColor: return GL_DST_COLOR;
    case BlendFactor::oneMinusDstColor: return GL_ONE_MINUS_DST_COLOR;
    }
    return GL_ONE;
}

// The API's primitive; quads where the API has them (OpenGL ES does not:
// its backend draws them as triangles).
inline GLenum glPrimitive(Primitive p) {
    switch (p) {
    case Primitive::points: return GL_POINTS;
    case Primitive::lines: return GL_LINES;
    case Primitive::lineStrip: return GL_LINE_STRIP;
    case Primitive::lineLoop: return GL_LINE_LOOP;
    case Primitive::triangles: return GL_TRIANGLES;
    case Primitive::triangleStrip: return GL_TRIANGLE_STRIP;
    case Primitive::triangleFan: return GL_TRIANGLE_FAN;
#ifdef GL_QUADS
    case Primitive::quads: return GL_QUADS;
#else
    case Primitive::quads: return GL_TRIANGLES;
#endif
    }
    return GL_TRIANGLES;
}

// Indexed by Compare.
inline constexpr GLenum kCompares[] = {GL_NEVER,   GL_LESS,     GL_EQUAL,  GL_LEQUAL,
                                       GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
inline GLenum glCompare(Compare c) {
    return kCompares[static_cast<int>(c)];
}

inline GLenum glStencilAction(StencilAction a) {
    switch (a) {
    case StencilAction::keep: return GL_KEEP;
    case StencilAction::zero: return GL_ZERO;
    case StencilAction::replace: return GL_REPLACE;
    case StencilAction::increment: return GL_INCR;
    case StencilAction::decrement: return GL_DECR;
    case StencilAction::invert: return GL_INVERT;
    }
    return GL_KEEP;
}

inline GLenum glFace(Face f) {
    switch (f) {
    case Face::front: return GL_FRONT;
    case Face::back: return GL_BACK;
    case Face::frontAndBack: return GL_FRONT_AND_BACK;
    }
    return GL_BACK;
}

inline GLint glFilter(Filter f) {
    switch (f) {
    case Filter::nearest: return GL_NEAREST;
    case Filter::linear: return GL_LINEAR;
    case Filter::linearMipmapLinear: return GL_LINEAR_MIPMAP_LINEAR;
    case Filter::linearMipmapNearest: return GL_LINEAR_MIPMAP_NEAREST;
    case Filter::nearestMipmapNearest: return GL_NEAREST_MIPMAP_NEAREST;
    }
    return GL_LINEAR;
}

inline GLenum glPixelFormat(PixelFormat f) {
    switch (f) {
    case PixelFormat::rgb: return GL_RGB;
    case PixelFormat::rgba: return GL_RGBA;
    case PixelFormat::luminance: return GL_LUMINANCE;
    case PixelFormat::luminanceAlpha: return GL_LUMINANCE_ALPHA;
    case PixelFormat::alpha: return GL_ALPHA;
    }
    return GL_RGBA;
}

inline GLbitfield glClearMask(unsigned bits) {
    GLbitfield mask = 0;
    if (bits & colourBuffer) mask |= GL_COLOR_BUFFER_BIT;
    if (bits & depthBuffer) mask |= GL_DEPTH_BUFFER_BIT;
    if (bits & stencilBuffer) mask |= GL_STENCIL_BUFFER_BIT;
    return mask;
}

// The driver's first error code since the last call (0: none); drivers keep
// one flag per kind of error, so all are drained.
inline GLenum takeGlError() {
    const GLenum first = glGetError();
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {}
    return first;
}

}  // namespace gfx::glenums
