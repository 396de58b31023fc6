#include "effects/ProjectionScope.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace {

// Pushes the projection and loads the identity into it; leaves the
// projection matrix current for the caller's own factor.
void pushIdentityProjection() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
}

void identityModelView() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

}  // namespace

ProjectionScope::ProjectionScope() {
    pushIdentityProjection();
    identityModelView();
}

ProjectionScope::ProjectionScope(const Ortho& box) {
    pushIdentityProjection();
    glOrtho(box.left, box.right, box.bottom, box.top, -1.0, 1.0);
    identityModelView();
}

ProjectionScope::ProjectionScope(const Perspective& view) {
    pushIdentityProjection();
    gluPerspective(view.fovyDegrees, view.aspect, view.zNear, view.zFar);
    identityModelView();
}

ProjectionScope::~ProjectionScope() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    identityModelView();
}
