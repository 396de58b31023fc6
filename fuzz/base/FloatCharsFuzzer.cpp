// The portable float parser (the browser build's) against the standard
// library's std::from_chars: any difference in where it stops, what it
// reports or the value read is a crash.
#include "base/FloatChars.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

template <typename Float>
void compare(const char* first, const char* last, std::chars_format format) {
    Float expected = Float(-7), got = Float(-7);
    const auto want = std::from_chars(first, last, expected, format);
    const auto have = base::portableFloatFromChars(first, last, got, format);
    if (want.ptr != have.ptr || want.ec != have.ec) std::abort();
    const bool bothNaN = expected != expected && got != got;
    if (!bothNaN && std::memcmp(&expected, &got, sizeof got) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* first = reinterpret_cast<const char*>(data);
    const char* last = first + size;
    for (const auto format : {std::chars_format::general, std::chars_format::fixed}) {
        compare<double>(first, last, format);
        compare<float>(first, last, format);
    }
    return 0;
}
