#include "render/PictureLoadingScreen.h"

#include "base/Log.h"
#include "data/DataFile.h"
#include "render/BitmapTexture.h"
#include "render/Texture.h"
#include "render/TextureRegistry.h"

#include "gfx/Gfx.h"

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

PictureLoadingScreen::PictureLoadingScreen(float total, float startTime)
    : total_(total > 0.0f ? total : 0.01f), startTime_(startTime), picture_(loadingPicture()) {}

int PictureLoadingScreen::draw(float) {
    fraction_ = done_ / total_;
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::pushMatrix();
    gfx::loadIdentity();
    gfx::ortho(0.0f, 1.0f, 0.0f, 1.0f, -1.0f, 1.0f);
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::loadIdentity();

    picture_->bind();
    gfx::colour(1.0f, 1.0f, 1.0f);
    gfx::begin(gfx::Primitive::quads);
    gfx::texCoord(0.0f, 0.0f);
    gfx::vertex(0.12f, 0.0f);
    gfx::texCoord(1.0f, 0.0f);
    gfx::vertex(0.88f, 0.0f);
    gfx::texCoord(1.0f, 1.0f);
    gfx::vertex(0.88f, 1.0f);
    gfx::texCoord(0.0f, 1.0f);
    gfx::vertex(0.12f, 1.0f);
    gfx::end();
    unbindTexture();

    const float right = 0.05f + 0.9f * fraction_;
    gfx::colour(0.65f, 0.65f, 0.65f);
    gfx::begin(gfx::Primitive::quads);
    gfx::vertex(0.05f, 0.27f);
    gfx::vertex(right, 0.27f);
    gfx::vertex(right, 0.31f);
    gfx::vertex(0.05f, 0.31f);
    gfx::end();

    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::popMatrix();
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::loadIdentity();
    return 0;
}

void PictureLoadingScreen::addProgress(float amount) {
    done_ += amount;
    logProgress("Progress bar: %f added, now at %f\n", static_cast<double>(amount),
                static_cast<double>(done_ / total_));
}
