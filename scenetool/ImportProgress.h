// Progress of a long import on standard error. Quick imports print nothing
// extra: lines start only once an import has run for a second, and then at
// most one a second, so a large model shows it is alive without flooding.
#pragma once

#include <assimp/ProgressHandler.hpp>

#include <chrono>
#include <string>

class ImportProgress {
public:
    ImportProgress();

    // A new phase begins ("converting meshes"); said once the import is slow.
    void phase(const std::string& name);
    // `fraction` (0 to 1) of the current phase is done.
    void update(float fraction);

private:
    double elapsed() const;

    std::chrono::steady_clock::time_point start_;
    double lastLine_ = 0.0;
    std::string phase_ = "reading the model";
    bool phaseSaid_ = false;
};

// Assimp's progress callbacks (reading and post-processing) passed on to an
// ImportProgress that outlives the importer's use of it.
class AssimpProgress : public Assimp::ProgressHandler {
public:
    explicit AssimpProgress(ImportProgress* progress) : progress_(progress) {}
    // Called by assimp now and then while reading; false would abort the read.
    bool Update(float percentage) override;

private:
    ImportProgress* progress_;  // non-owning
};
