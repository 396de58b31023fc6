// std::from_chars for float and double. Where the standard library has it
// (libstdc++) it is that; elsewhere (the libc++ Emscripten ships for the
// browser build has integers only) the same contract is kept by scanning the
// same grammar and converting the scanned text with strtod/strtof, which
// read it alike in the C locale the browser build always runs in.
#pragma once

#include <charconv>

namespace base {

// As std::from_chars: no leading whitespace or '+', no hexadecimal; on a
// value out of range `value` is left alone and ec is result_out_of_range.
std::from_chars_result floatFromChars(const char* first, const char* last, double& value,
                                      std::chars_format format = std::chars_format::general);
std::from_chars_result floatFromChars(const char* first, const char* last, float& value,
                                      std::chars_format format = std::chars_format::general);

}  // namespace base
