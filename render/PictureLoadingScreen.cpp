#include "render/PictureLoadingScreen.h"

#include "base/Log.h"
#include "data/DataFile.h"
#include "render/Texture.h"

#include <GL/gl.h>

namespace {

[[noreturn]] void stopWithoutPicture() {
    logMessage("Loading screen - picture %s (%s) not found\n", kLoadingScreenPicture,
               dataFileBaseName(kLoadingScreenPicture).c_str());
    logMessage("loader screen image not found, aborting\n");
    fatalStop(346);
}

// The picture, looked for before the texture registry would hand a missing
// JPEG to its loader: a loading screen without its picture has a status of
// its own. A picture already made (a rebuild) is taken as it is.
BitmapTexture* loadingPicture() {
    TextureRegistry& registry = TextureRegistry::instance();
    if (BitmapTexture* made = registry.find(kLoadingScreenPicture)) return made;
    if (!openDataFile(kLoadingScreenPicture)) stopWithoutPicture();
    BitmapTexture* picture = registry.getOrCreate(kLoadingScreenPicture);
    if (!picture) stopWithoutPicture();
    return picture;
}

}  // namespace

PictureLoadingScreen::PictureLoadingScreen(float total, float startTime,
                                           std::function<void()> showFrame)
    : total_(total > 0.0f ? total : 0.01f),
      startTime_(startTime),
      picture_(loadingPicture()),
      showFrame_(std::move(showFrame)) {}

int PictureLoadingScreen::draw(float) {
    fraction_ = done_ / total_;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    picture_->bind();
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.12f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(0.88f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(0.88f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(0.12f, 1.0f);
    glEnd();
    unbindTexture();

    const float right = 0.05f + 0.9f * fraction_;
    glColor3f(0.65f, 0.65f, 0.65f);
    glBegin(GL_QUADS);
    glVertex2f(0.05f, 0.27f);
    glVertex2f(right, 0.27f);
    glVertex2f(right, 0.31f);
    glVertex2f(0.05f, 0.31f);
    glEnd();

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return 0;
}

void PictureLoadingScreen::addProgress(float amount) {
    done_ += amount;
    logProgress("Progress bar: %f added, now at %f\n", static_cast<double>(amount),
                static_cast<double>(done_ / total_));
    showFrame_();
}
