#include "base/PartialOutputs.h"

#include <unistd.h>
#include <atomic>
#include <climits>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

// A fixed table, written only on the main thread and read by a signal
// handler or the watchdog: a slot's path is complete before it is marked
// used, and unmarked before it is reused.
constexpr int kSlots = 8;
struct Slot {
    std::atomic<bool> used{false};
    char path[PATH_MAX] = {};
};
Slot gSlots[kSlots];

}  // namespace

int notePartialOutput(const std::string& path) {
    std::error_code ec;
    std::string absolute = std::filesystem::absolute(path, ec).string();
    if (ec) absolute = path;
    if (absolute.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        Slot& slot = gSlots[i];
        if (slot.used.load()) continue;
        std::memcpy(slot.path, absolute.c_str(), absolute.size() + 1);
        slot.used.store(true);
        return i;
    }
    return -1;
}

void forgetPartialOutput(int handle) {
    if (handle >= 0 && handle < kSlots) gSlots[handle].used.store(false);
}

void removePartialOutputs() {
    for (Slot& slot : gSlots) {
        if (slot.used.exchange(false)) ::unlink(slot.path);
    }
}
