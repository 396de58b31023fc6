// The projection of one effect's drawing, in place for the lifetime of one
// object: the projection matrix is pushed and replaced, the model-view
// matrix starts as the identity. Afterwards the projection is popped and the
// model-view matrix is the identity again, as the next track expects.
#pragma once

struct Ortho {
    double left, right, bottom, top;  // near -1, far 1
};

struct Perspective {
    double fovyDegrees, aspect, zNear, zFar;
};

class ProjectionScope {
public:
    // The identity: the viewport spans -1..1 in both axes.
    ProjectionScope();
    explicit ProjectionScope(const Ortho& box);
    explicit ProjectionScope(const Perspective& view);
    ~ProjectionScope();
    ProjectionScope(const ProjectionScope&) = delete;
    ProjectionScope& operator=(const ProjectionScope&) = delete;
};
