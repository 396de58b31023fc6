// The points of the grids the distort and tunnel modules draw through.
#pragma once

// A texture coordinate: (0, 0) is the picture's lower left corner, (1, 1)
// its upper right.
struct TexCoord {
    float u = 0.0f;
    float v = 0.0f;
};

// A vertex position in model space.
struct GridPoint {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};
