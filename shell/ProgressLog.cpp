#include "ProgressLog.h"

#include "shell/Log.h"

ProgressLog::ProgressLog(float total, std::function<void()> showFrame)
    : total_(total > 0.0f ? total : 0.01f), showFrame_(std::move(showFrame)) {}

int ProgressLog::draw(float) { return 0; }

void ProgressLog::addProgress(float amount) {
    done_ += amount;
    logMessage("Progress bar: %f added, now at %f\n", static_cast<double>(amount),
               static_cast<double>(done_ / total_));
    showFrame_();
}
