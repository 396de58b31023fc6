// The loading screen: a picture over the full height and the middle of the
// width, with a grey bar that grows as modules report what they loaded.
#pragma once

#include "timeline/LoadingScreen.h"

class BitmapTexture;

// The loading screen's picture, as the data files are asked for it.
inline constexpr const char* kLoadingScreenPicture = "data//LoadingScreen.jpg";

class PictureLoadingScreen : public LoadingScreen {
public:
    // `total` is the timeline's load weight (0.01 when not positive). The
    // picture "data//LoadingScreen.jpg" must exist: otherwise the process
    // ends after a line naming the file ("loader screen image not found,
    // aborting", status 346). Whoever loads draws a frame after each report.
    PictureLoadingScreen(float total, float startTime);

    int draw(float time) override;
    void addProgress(float amount) override;

    float fraction() const { return fraction_; }

private:
    float total_;
    float done_ = 0.0f;
    [[maybe_unused]] float startTime_;  // when loading began; the bar does not animate by time
    float fraction_ = 0.0f;
    BitmapTexture* picture_;  // non-owning: the texture registry's
};
