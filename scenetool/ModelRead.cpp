#include "ModelRead.h"

#include "ImportProgress.h"
#include "RegularFileIO.h"

#include <assimp/postprocess.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

// Texture coordinates are made for the spherical, cylindrical and planar
// mappings some formats store instead, and the models' own tiling and
// offsets are applied to them: the player knows only plain coordinates.
constexpr unsigned kImportSteps = aiProcess_Triangulate | aiProcess_JoinIdenticalVertices |
                                  aiProcess_GenSmoothNormals | aiProcess_SortByPType |
                                  aiProcess_GenUVCoords | aiProcess_TransformUVCoords |
                                  aiProcess_ValidateDataStructure;

// The latest time among `count` keys (0 when there are none to read).
template <typename Key>
double lastKeyTime(const Key* keys, unsigned count) {
    double last = 0.0;
    if (keys)
        for (unsigned i = 0; i < count; ++i) last = std::max(last, keys[i].mTime);
    return last;
}

// Stretches every animation's duration to its node channels' last keys.
// Runs before validation: every array is checked for presence, and what
// else is wrong is left for the validation that follows to report.
void stretchDurationsToLastKeys(aiScene& model) {
    if (!model.mAnimations) return;
    for (unsigned a = 0; a < model.mNumAnimations; ++a) {
        aiAnimation* animation = model.mAnimations[a];
        if (!animation || !animation->mChannels) continue;
        for (unsigned c = 0; c < animation->mNumChannels; ++c) {
            const aiNodeAnim* channel = animation->mChannels[c];
            if (!channel) continue;
            animation->mDuration =
                std::max({animation->mDuration,
                          lastKeyTime(channel->mPositionKeys, channel->mNumPositionKeys),
                          lastKeyTime(channel->mRotationKeys, channel->mNumRotationKeys),
                          lastKeyTime(channel->mScalingKeys, channel->mNumScalingKeys)});
        }
    }
}

}  // namespace

void prepareImporter(Assimp::Importer& importer, ImportProgress& progress) {
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE,
                                aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    // A Quake 3 player's head, upper and lower parts would be merged into
    // one model by their tags; the library's merge crashes on some players
    // (OpenArena's "tony"), so each part is imported as the file it is.
    importer.SetPropertyBool(AI_CONFIG_IMPORT_MD3_HANDLE_MULTIPART, false);
    // The importer owns its progress handler and its file system and
    // deletes them when it goes.
    importer.SetProgressHandler(std::make_unique<AssimpProgress>(&progress).release());
    importer.SetIOHandler(std::make_unique<RegularFileIO>().release());
}

const aiScene* readModel(Assimp::Importer& importer,
                         const std::function<const aiScene*(unsigned steps)>& read) {
    if (const aiScene* model = read(kImportSteps)) return model;
    const std::string reason = importer.GetErrorString();
    if (reason.find("is larger than aiAnimation::mDuration") == std::string::npos) return nullptr;
    // The importer owns the scene it read and post-processes it in place.
    aiScene* model = const_cast<aiScene*>(read(0));
    if (!model) return nullptr;
    stretchDurationsToLastKeys(*model);
    return importer.ApplyPostProcessing(kImportSteps);
}
