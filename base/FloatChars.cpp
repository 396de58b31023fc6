#include "base/FloatChars.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

namespace base {

namespace {

bool startsWithWord(const char* at, const char* last, const char* word) {
    for (; *word; ++word, ++at)
        if (at == last || std::tolower(static_cast<unsigned char>(*at)) != *word) return false;
    return true;
}

// The end of the longest prefix of [first, last) std::from_chars would take
// in `format`; `first` when there is none.
const char* scanNumber(const char* first, const char* last, std::chars_format format) {
    const char* at = first;
    if (at != last && *at == '-') ++at;
    if (startsWithWord(at, last, "infinity")) return at + 8;
    if (startsWithWord(at, last, "inf")) return at + 3;
    if (startsWithWord(at, last, "nan")) {
        at += 3;
        // "nan(chars)" as a whole, or just "nan".
        if (at != last && *at == '(') {
            const char* close = at + 1;
            while (close != last &&
                   (std::isalnum(static_cast<unsigned char>(*close)) || *close == '_'))
                ++close;
            if (close != last && *close == ')') return close + 1;
        }
        return at;
    }
    bool digits = false;
    while (at != last && std::isdigit(static_cast<unsigned char>(*at))) ++at, digits = true;
    if (at != last && *at == '.') {
        const char* fraction = at + 1;
        while (fraction != last && std::isdigit(static_cast<unsigned char>(*fraction)))
            ++fraction, digits = true;
        if (digits) at = fraction;
    }
    if (!digits) return first;
    const bool exponentAllowed = format != std::chars_format::fixed;
    if (exponentAllowed && at != last && (*at == 'e' || *at == 'E')) {
        const char* exponent = at + 1;
        if (exponent != last && (*exponent == '+' || *exponent == '-')) ++exponent;
        const char* digitsEnd = exponent;
        while (digitsEnd != last && std::isdigit(static_cast<unsigned char>(*digitsEnd)))
            ++digitsEnd;
        if (digitsEnd != exponent) at = digitsEnd;
    }
    return at;
}

template <typename Float, typename Convert>
std::from_chars_result convert(const char* first, const char* last, Float& value,
                               std::chars_format format, Convert strto) {
    const char* end = scanNumber(first, last, format);
    if (end == first) return {first, std::errc::invalid_argument};
    const std::string text(first, end);
    errno = 0;
    const Float converted = strto(text.c_str(), nullptr);
    // strtod also says ERANGE for a subnormal result, which from_chars
    // reads as it is; overflow (to infinity) and underflow to zero are out
    // of range for both.
    if (errno == ERANGE && (converted == Float(0) || std::isinf(converted)))
        return {end, std::errc::result_out_of_range};
    value = converted;
    return {end, std::errc()};
}

}  // namespace

std::from_chars_result portableFloatFromChars(const char* first, const char* last, double& value,
                                              std::chars_format format) {
    return convert(first, last, value, format,
                   [](const char* s, char** e) { return std::strtod(s, e); });
}

std::from_chars_result portableFloatFromChars(const char* first, const char* last, float& value,
                                              std::chars_format format) {
    return convert(first, last, value, format,
                   [](const char* s, char** e) { return std::strtof(s, e); });
}

#if defined(__EMSCRIPTEN__)
#define DP_FLOAT_FROM_CHARS portableFloatFromChars
#else
#define DP_FLOAT_FROM_CHARS std::from_chars
#endif

std::from_chars_result floatFromChars(const char* first, const char* last, double& value,
                                      std::chars_format format) {
    return DP_FLOAT_FROM_CHARS(first, last, value, format);
}

std::from_chars_result floatFromChars(const char* first, const char* last, float& value,
                                      std::chars_format format) {
    return DP_FLOAT_FROM_CHARS(first, last, value, format);
}

}  // namespace base
