// Memory bounds in tests: the peak resident size of this process.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace testsupport {

// Peak resident memory of this process so far, in bytes (VmHWM); 0 when the
// system does not say.
inline std::uint64_t peakResident() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            std::uint64_t kib = 0;
            status >> kib;
            return kib * 1024;
        }
        status.ignore(1 << 10, '\n');
    }
    return 0;
}

}  // namespace testsupport
