// The drawing door: the only way the player's drawing reaches the graphics
// API. Free functions on the current context's backend. The door owns the
// state (State.h) and the matrix stacks as values: setters change them,
// getters read them and never reach the driver. Immediate-mode vertices
// are gathered into one batch per primitive, and each draw hands the
// backend the batch with the state and matrices it is drawn under.
// Single-threaded: the thread that owns the GL context calls.
#pragma once

#include "gfx/Backend.h"
#include "gfx/Matrix.h"
#include "gfx/State.h"
#include "gfx/StaticMesh.h"
#include "gfx/Types.h"

#include <memory>

namespace gfx {

// The backend the door uses from now on (null: the platform's default
// one, made at the first call). The state and the matrix stacks start
// again from their initial values. The backend it replaces is destroyed:
// its context must still be current.
void setBackend(std::unique_ptr<Backend> backend);
// How often the backend reached the driver so far, for measuring.
DriverCounts driverCounts();

// State. The whole value, as drawing will see it.
const State& state();
void enable(Cap cap);
void disable(Cap cap);
void setEnabled(Cap cap, bool on);
bool isEnabled(Cap cap);
void blendFunc(BlendFactor source, BlendFactor destination);
void depthFunc(Compare compare);
void depthMask(bool write);
void colorMask(bool red, bool green, bool blue, bool alpha);
void stencilFunc(Compare compare, int reference, unsigned mask);
void stencilOp(StencilAction fail, StencilAction depthFail, StencilAction pass);
void stencilMask(unsigned mask);
void alphaFunc(Compare compare, float reference);
void cullFace(Face face);
void shadeModel(Shading shading);
void perspectiveHint(Hint hint);
void lineWidth(float width);
void lineStipple(int factor, unsigned short pattern);
void fogColour(float red, float green, float blue, float alpha);
void fogLinear(float start, float end);
void fogExponential(bool squared, float density);
void textureEnv(TextureEnv mode);
void light(int index, const LightParams& params);
void lightModelAmbient(float red, float green, float blue, float alpha = 1.0f);
void material(Face face, MaterialColour which, const Rgba& colour);
void shininess(Face face, float exponent);
void colorMaterial(Face face, MaterialColour which);

// Saves the state (State.h) for its lifetime and puts it back after;
// scopes nest.
class StateScope {
public:
    StateScope();
    ~StateScope();
    StateScope(const StateScope&) = delete;
    StateScope& operator=(const StateScope&) = delete;
};

// Matrices: the stack `matrixMode` selected (model-view at first). Pops
// below the bottom and pushes beyond the depth a driver keeps (32 for the
// model-view stack, 4 for the others) are refused and leave the stack.
void matrixMode(MatrixMode mode);
MatrixMode currentMatrixMode();
void loadIdentity();
void loadMatrix(const Matrix4& matrix);
void multMatrix(const Matrix4& matrix);
void pushMatrix();
void popMatrix();
void translate(float x, float y, float z);
void rotate(float degrees, float x, float y, float z);
void scale(float x, float y, float z);
void ortho(float left, float right, float bottom, float top, float zNear, float zFar);
void perspective(double fovyDegrees, double aspect, double zNear, double zFar);
// The top of a stack as the door keeps it.
const Matrix4& matrix(MatrixMode mode);

// Immediate mode: vertices between begin and end make one primitive.
// Attributes set between them apply to the vertices that follow; set
// outside, they become the current values.
void begin(Primitive primitive);
void end();
void vertex(float x, float y);
void vertex(float x, float y, float z);
void vertex(float x, float y, float z, float w);
void colour(float red, float green, float blue, float alpha = 1.0f);
void texCoord(float u, float v);
void normal(float x, float y, float z);
// One-bit pictures (text) from the point (x, y) of the current matrices,
// in the current colour, the pen moving by each one's advance.
void drawBitmaps(float x, float y, const Bitmap* const* bitmaps, std::size_t count);
// The current colour (the last set outside a primitive, or by one).
Rgba currentColour();

// Textures.
TextureId createTexture();
void deleteTexture(TextureId id);
void bindTexture(TextureId id);
void textureFilter(Filter minify, Filter magnify);
void textureWrap(Wrap s, Wrap t);
int maxTextureSize();
void textureImage(int level, PixelFormat internal, int width, int height, PixelFormat format,
                  const void* pixels);
void buildMipmaps(PixelFormat internal, int width, int height, PixelFormat format,
                  const void* pixels);
void copyFrameToTexture(PixelFormat internal, int x, int y, int width, int height);
void readPixels(int x, int y, int width, int height, PixelFormat format, void* out);

// Programs: the caller's fragment stage (GLSL ES 3.00, reading the
// uniforms it declares) drawn over the whole viewport. Carried out at once,
// never kept in a mesh. Empty when the renderer can make programs;
// otherwise why not, in words for the author.
std::string programSupport();
// Compiles and links; 0, with the driver's log in `log`, when it fails.
ProgramId createProgram(const std::string& fragmentSource, std::string& log);
void deleteProgram(ProgramId program);
// -1 when the program has no uniform `name` that anything reads.
int uniformLocation(ProgramId program, const std::string& name);
// Draws under the current state (blending, masks, viewport, scissor) with
// `textures` on units 0..3 (0: none); the bound texture is unchanged after.
void drawProgram(ProgramId program, const UniformValue* uniforms, std::size_t count,
                 const std::array<ProgramTexture, 4>& textures);

// Texture targets: RGBA textures drawing can go into in place of the
// frame, sampled like any texture through targetTexture. Made all 0,
// filtered linearly, clamped; with `half`, 16-bit floats a channel where
// the driver can draw into them (`half` says whether it could), otherwise
// 8 bits. 0 when the renderer has no framebuffers. Leaves the target's
// texture bound in the driver; the state's bound texture is unchanged.
TargetId createTarget(int width, int height, bool& half);
// Frees a target; drawing into it goes back to the frame.
void deleteTarget(TargetId target);
// The target's texture; 0 for a target deleted or never made here.
TextureId targetTexture(TargetId target);
// Sets every channel of every pixel to 0, whatever the state.
void clearTarget(TargetId target);

// For its lifetime, draws (and reads) go into `target` (0: the frame), at
// the state's viewport, which the caller sets; then back to where they went
// before. Scopes nest.
class TargetScope {
public:
    explicit TargetScope(TargetId target);
    ~TargetScope();
    TargetScope(const TargetScope&) = delete;
    TargetScope& operator=(const TargetScope&) = delete;

private:
    TargetId previous_;
};

// The frame.
void clearColour(float red, float green, float blue, float alpha);
void clearDepth(double depth);
void clearStencil(int value);
void clear(unsigned bits);
void viewport(int x, int y, int width, int height);
std::array<int, 4> viewportState();
// Where the point (x, y, z) of the current matrices lands in the window:
// x and y in pixels, z the depth 0..1. False when it lies outside the view
// volume.
bool windowPosition(float x, float y, float z, std::array<float, 3>& window);
void scissor(int x, int y, int width, int height);
void flush();
// The driver's first error code since the last call (0: none); clears them.
unsigned takeError();

}  // namespace gfx
