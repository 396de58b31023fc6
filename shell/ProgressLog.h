// Loading progress without a picture: logs each report and shows a frame.
#pragma once

#include "timeline/LoadingScreen.h"

#include <functional>

class ProgressLog : public LoadingScreen {
public:
    // `showFrame` runs one whole frame (update, draw, swap).
    ProgressLog(float total, std::function<void()> showFrame);
    int draw(float time) override;
    void addProgress(float amount) override;

private:
    float total_;
    float done_ = 0.0f;
    std::function<void()> showFrame_;
};
