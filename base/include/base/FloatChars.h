// std::from_chars for float and double. Where the standard library has it
// (libstdc++) it is that; elsewhere (the libc++ Emscripten ships for the
// browser build has integers only) the portable version below keeps the
// same contract.
#pragma once

#include <charconv>

namespace base {

// As std::from_chars: no leading whitespace or '+', no hexadecimal; on a
// value out of range `value` is left alone and ec is result_out_of_range.
// `format` is general or fixed (the ones the player reads).
std::from_chars_result floatFromChars(const char* first, const char* last, double& value,
                                      std::chars_format format = std::chars_format::general);
std::from_chars_result floatFromChars(const char* first, const char* last, float& value,
                                      std::chars_format format = std::chars_format::general);

// The portable version: scans the grammar std::from_chars reads and converts
// the scanned text with strtod/strtof, which read it alike in the C locale
// (the only one the browser build has). Built everywhere so that it is
// checked against the standard library's.
std::from_chars_result portableFloatFromChars(const char* first, const char* last, double& value,
                                              std::chars_format format);
std::from_chars_result portableFloatFromChars(const char* first, const char* last, float& value,
                                              std::chars_format format);

}  // namespace base
