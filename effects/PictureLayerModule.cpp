#include "effects/PictureLayerModule.h"

bool PictureLayerModule::load(LoadingScreen& progress) {
    picture_.load(progress);
    return true;
}
