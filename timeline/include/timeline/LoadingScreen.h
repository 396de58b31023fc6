// What modules report their loading progress to. The loading screen of render/
// draws a frame per report.
#pragma once

class LoadingScreen {
public:
    virtual ~LoadingScreen() = default;
    // Called by the frame draw while loading: draws the screen; returns 0.
    virtual int draw(float time) = 0;
    // Called by a module after each resource it loaded, with that resource's
    // weight: adds it, logs "Progress bar: ..." and shows a frame.
    virtual void addProgress(float amount) = 0;
};
