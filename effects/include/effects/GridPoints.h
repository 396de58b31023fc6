// The points of the grids the distort and tunnel modules draw through.
#pragma once

#include "scene/SceneMath.h"  // TexCoord

// A vertex position in model space.
struct GridPoint {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};
