// Reading numbers from script text without the C library's locale: the
// results are the same under any process locale, and the process locale is
// never touched.
#pragma once

#include <string_view>

// The C library's white space: space, tab, line feed, vertical tab, form
// feed, carriage return.
bool isCSpace(char c);

// The decimal number at the start of `text`, by the prefix rules of C atof
// restricted to plain decimals: leading C white space is skipped, then an
// optional sign, digits, an optional '.' and fraction digits; reading stops
// at the first character that cannot continue the number. No digits at all
// gives 0. Correctly rounded; magnitudes beyond the double range give
// +/-infinity, values too small for it give 0.
double readDecimalPrefix(std::string_view text);

// The integer at the start of `text` (C atoi prefix rules: white space,
// optional sign, digits). Values outside the int range saturate at its
// limits instead of wrapping.
int readIntegerPrefix(std::string_view text);

// `value` as a float, rounded to nearest; values beyond the float range
// become +/-infinity rather than undefined behaviour.
float narrowToFloat(double value);
