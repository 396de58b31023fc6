// Draws a view of a 3D scene through the drawing door: perspective with the
// far plane at infinity, up to eight lights, materials and textures drawn
// from meshes compiled once (static meshes), fog, and stencil shadow
// volumes in a fast and an accurate quality. The GL context must be current.
#pragma once

class Scene;
struct View;

// Brings the view's scene to `sceneTime` and draws the view into the current
// render target of `targetWidth` x `targetHeight` pixels (the darkening quad
// of the fast quality covers it), in the quality the scene's switches ask
// for. Leaves depth test, stencil test, lighting, blending, culling and 2D
// texturing off, the projection as the quality leaves it (the view's
// orthographic projection, or the perspective one when shadows are off) and
// an identity modelview.
void renderScene(View& view, int targetWidth, int targetHeight, float sceneTime);

// Whether the window's stencil buffer can hold the shadow counts (8 bits or
// more). The window sets it when it is made; without it scenes are drawn
// without shadows.
void setStencilShadowsAvailable(bool available);
bool stencilShadowsAvailable();

// Forgets the compiled meshes of `scene` (its meshes' and its lights' shadow
// volumes), deleting their driver objects when `deleteLists` (the context is
// still current), so they are compiled again in the next GL context.
void releaseSceneLists(Scene& scene, bool deleteLists);
