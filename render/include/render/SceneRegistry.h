// The process-wide scene registry: scenes by the exact "file" text a script
// names, each read once (its textures through the texture registry) and
// shared by every scene track that names it.
#pragma once

#include "scene/Scene.h"
#include "timeline/NamedRegistry.h"

#include <memory>
#include <string>
#include <vector>

class DecodePool;

// While a prefetch runs, the scene files it names are read on worker threads
// with their textures only named; a look-up of one of them waits for its
// read, then makes its textures through the texture registry and logs what
// the read logged (standard output and error) in the order a read on the
// spot would have, so the load log is the same either way.
class SceneRegistry : public NamedRegistry<Scene> {
public:
    static SceneRegistry& instance();
    ~SceneRegistry();

    // Starts reading `names` (those not yet in the registry) on `workers`
    // threads, views sized `width` x `height` as the load pass would size
    // them. Call on the main thread; no effect with no workers.
    void beginPrefetch(const std::vector<std::string>& names, unsigned workers, int width,
                       int height);
    // Stops the prefetch; scenes it did not hand out are read on the spot.
    void endPrefetch();

    // The GL context is about to go: every scene's compiled meshes are
    // released and will be compiled again at their next draw.
    void releaseGLResources();

    // The file of `scene` (one of this registry's) changed: reads it again
    // into a new scene and, when that succeeds, moves its content into
    // `scene`, so every track holding the scene shows the new one. Views and
    // lights of the old content are gone: callers drop what points into
    // them first. False (the old content kept, the reader's messages
    // logged) when the file cannot be read.
    bool readAgain(Scene& scene);

protected:
    // Reads the scene file `name` (its reader's messages on standard
    // output); on failure logs "Scene %s not found" and makes nothing, so a
    // later look-up tries again.
    std::unique_ptr<Scene> create(std::string_view name) override;

private:
    std::unique_ptr<DecodePool> prefetch_;
};
