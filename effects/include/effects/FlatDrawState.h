// The GL state that a flat picture drawn over the whole viewport needs, set
// up for the lifetime of one object and put back afterwards, so that effects
// chain whatever the module before them left behind (a 3D scene may leave
// depth or stencil testing, lighting or fog on for its own reasons).
#pragma once

class FlatDrawState {
public:
    // Records which of depth, stencil and alpha test, face culling,
    // lighting, fog and blending are on, turns them off, and keeps the
    // current colour. A mirrored picture (negative width) faces away, hence
    // culling off. A module that blends enables blending and sets its blend
    // function itself (the function is not kept), and disables it again
    // before this object goes.
    FlatDrawState();
    // Turns back on what the constructor turned off and restores the colour.
    ~FlatDrawState();
    FlatDrawState(const FlatDrawState&) = delete;
    FlatDrawState& operator=(const FlatDrawState&) = delete;

private:
    unsigned restore_ = 0;  // one bit per capability turned off
    float colour_[4] = {1.0f, 1.0f, 1.0f, 1.0f};
};
