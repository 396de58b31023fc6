#include "ResourceReview.h"

#include "base/Log.h"
#include "base/QuietStandardOutput.h"
#include "base/Screen.h"
#include "data/DataFile.h"
#include "data/PictureCheck.h"
#include "effects/ShaderRegistry.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "timeline/RenderTarget.h"
#include "timeline/ResourceList.h"
#include "timeline/TimelineParser.h"

#include <memory>
#include <set>

namespace {

// The pictures a scene names, checked as pictures are and never made
// textures: a picture that decodes gets a stand-in that draws nothing; a
// faulty one gets null, which fails the read, and is remembered.
class PictureCheckingTextures : public SceneTextures {
public:
    TextureSource* texture(const std::string& name) override {
        std::string fault = pictureFault(name);
        if (fault.empty()) return &standIn_;
        if (faultyPicture.empty()) {
            faultyPicture = name;
            pictureFault_ = std::move(fault);
        }
        return nullptr;
    }

    std::string faultyPicture;  // the first picture that failed, if any
    const std::string& fault() const { return pictureFault_; }

private:
    class StandIn : public TextureSource {
    public:
        void bind() override {}
    };
    StandIn standIn_;
    std::string pictureFault_;
};

// What is wrong with the scene file `name` as a run would load and start
// it: empty when it reads whole, its pictures decode and it has a view.
std::string sceneFault(const std::string& name) {
    std::unique_ptr<MemoryFile> file = openDataFile(name);
    if (!file) return dataFileFault(name);
    Scene scene;
    scene.setName(name);
    PictureCheckingTextures textures;
    bool read = false;
    {
        QuietStandardOutput quiet;
        const ScreenSize& screen = screenSize();
        read = readScene(file->data(), file->size(), name, scene, textures, screen.width,
                         screen.height);
    }
    closeDataFile(std::move(file));
    if (!textures.faultyPicture.empty())
        return "cannot be read: picture " + textures.faultyPicture + " " + textures.fault();
    if (!read) return "cannot be read";
    if (scene.views.empty()) return "has no camera to look through";
    return {};
}

// Reports every name of `named` whose `fault` is not empty, each at the
// statement that names it, once per name, as "KIND NAME FAULT"; returns
// the count.
int checkNamed(const std::vector<NamedResource>& named, const char* kind,
               std::string (*fault)(const std::string&), const NameFilter& skip) {
    int faults = 0;
    std::set<std::string> seen;
    const ScriptPosition kept = scriptPosition();
    for (const NamedResource& resource : named) {
        if (!seen.insert(resource.name).second || (skip && skip(resource.name))) continue;
        const std::string what = fault(resource.name);
        if (what.empty()) continue;
        scriptPosition().line = resource.line;
        scriptPosition().pos = resource.pos;
        logError("%s %s %s\n", kind, resource.name.c_str(), what.c_str());
        ++faults;
    }
    scriptPosition() = kept;
    return faults;
}

}  // namespace

int checkPictures(const ResourceList& resources, const NameFilter& skip) {
    return checkNamed(resources.pictures, "Picture", pictureFault, skip);
}

int checkShaders(const ResourceList& resources, bool unsupportedIsFault) {
    int faults = 0;
    std::set<std::string> seen;
    const ScriptPosition kept = scriptPosition();
    for (const NamedResource& resource : resources.shaders) {
        if (!seen.insert(resource.name).second) continue;
        const std::string what = shaderFault(resource.name, unsupportedIsFault);
        if (what.empty()) continue;
        scriptPosition().line = resource.line;
        scriptPosition().pos = resource.pos;
        logError("%s\n", what.c_str());
        ++faults;
    }
    scriptPosition() = kept;
    return faults;
}

int checkScenes(const ResourceList& resources, const NameFilter& skip) {
    return checkNamed(resources.scenes, "Scene", sceneFault, skip);
}
