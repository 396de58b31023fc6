#include "ImportProgress.h"

#include <cstdio>

namespace {
constexpr double kQuiet = 1.0;  // seconds an import runs before progress shows
}

ImportProgress::ImportProgress() : start_(std::chrono::steady_clock::now()) {}

double ImportProgress::elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ImportProgress::phase(const std::string& name) {
    phase_ = name;
    phaseSaid_ = false;
    update(0.0f);
}

void ImportProgress::update(float fraction) {
    const double now = elapsed();
    if (now < kQuiet) return;
    if (!phaseSaid_) {
        std::fprintf(stderr, "%s... (%.1f s)\n", phase_.c_str(), now);
        phaseSaid_ = true;
        lastLine_ = now;
        return;
    }
    if (now - lastLine_ < 1.0 || fraction <= 0.0f) return;
    lastLine_ = now;
    std::fprintf(stderr, "%s: %d%% (%.1f s)\n", phase_.c_str(), int(fraction * 100.0f + 0.5f), now);
}

bool AssimpProgress::Update(float percentage) {
    if (percentage >= 0.0f) progress_->update(percentage);
    return true;
}
