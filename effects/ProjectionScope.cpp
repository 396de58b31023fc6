#include "effects/ProjectionScope.h"

#include "gfx/Gfx.h"

namespace {

// Pushes the projection and loads the identity into it; leaves the
// projection matrix current for the caller's own factor.
void pushIdentityProjection() {
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::pushMatrix();
    gfx::loadIdentity();
}

void identityModelView() {
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::loadIdentity();
}

}  // namespace

ProjectionScope::ProjectionScope() {
    pushIdentityProjection();
    identityModelView();
}

ProjectionScope::ProjectionScope(const Ortho& box) {
    pushIdentityProjection();
    gfx::ortho(box.left, box.right, box.bottom, box.top, -1.0f, 1.0f);
    identityModelView();
}

ProjectionScope::ProjectionScope(const Perspective& view) {
    pushIdentityProjection();
    gfx::perspective(view.fovyDegrees, view.aspect, view.zNear, view.zFar);
    identityModelView();
}

ProjectionScope::~ProjectionScope() {
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::popMatrix();
    identityModelView();
}
