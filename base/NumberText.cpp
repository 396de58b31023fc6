#include "base/NumberText.h"
#include "base/FloatChars.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Index of the first character after leading white space and an optional
// sign; `negative` tells which sign was seen.
std::size_t skipSpaceAndSign(std::string_view text, bool& negative) {
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i])) ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return i;
}

}  // namespace

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

double readDecimalPrefix(std::string_view text) {
    bool negative = false;
    const std::size_t start = skipSpaceAndSign(text, negative);
    std::size_t i = start;
    bool nonZeroWhole = false;
    bool anyDigit = false;
    while (i < text.size() && isDigit(text[i])) {
        nonZeroWhole = nonZeroWhole || text[i] != '0';
        anyDigit = true;
        ++i;
    }
    if (i < text.size() && text[i] == '.') {
        std::size_t j = i + 1;
        while (j < text.size() && isDigit(text[j])) ++j;
        if (j > i + 1) anyDigit = true;
        // A '.' without digits on either side is no number; "5." is 5.
        if (anyDigit) i = j;
    }
    if (!anyDigit) return 0.0;

    double magnitude = 0.0;
    const char* first = text.data() + start;
    const char* last = text.data() + i;
    const auto result = base::floatFromChars(first, last, magnitude, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range) {
        // Only a non-zero whole part can overflow; anything else underflowed.
        magnitude = nonZeroWhole ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        magnitude = 0.0;
    }
    return negative ? -magnitude : magnitude;
}

int readIntegerPrefix(std::string_view text) {
    bool negative = false;
    std::size_t i = skipSpaceAndSign(text, negative);
    // Accumulate towards the sign's limit so INT_MIN itself is reachable.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit) {
            value = limit;
            // Keep consuming digits: the value stays saturated.
        }
    }
    return static_cast<int>(negative ? -value : value);
}

float narrowToFloat(double value) {
    // Beyond FLT_MAX the cast itself is undefined; round as IEEE would:
    // up to the midpoint between FLT_MAX and 2^128 the result is FLT_MAX,
    // from there on it is infinity.
    constexpr double kMax = std::numeric_limits<float>::max();
    constexpr double kMidpoint = 0x1.ffffffp127;
    const double magnitude = std::fabs(value);
    if (magnitude > kMax) {
        const float limit = magnitude >= kMidpoint ? std::numeric_limits<float>::infinity()
                                                   : std::numeric_limits<float>::max();
        return value < 0 ? -limit : limit;
    }
    return static_cast<float>(value);
}
