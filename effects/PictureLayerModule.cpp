#include "effects/PictureLayerModule.h"

bool PictureLayerModule::loadNext(LoadingScreen& progress, bool&) {
    return picture_.loadNext(progress);
}
