// The quad of a flat picture layer.
#pragma once

// One GL_QUADS quad from (-1, -1) to (1, 1) in the current matrices, which
// under identity matrices covers the viewport. Texture coordinate (0, 0),
// the picture's lower left corner (rows are stored bottom first), lies at
// the quad's lower left, (1, 1) at its upper right.
void drawViewportQuad();
