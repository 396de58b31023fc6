// Letter-case rules of the script: keywords, command words and parameter keys
// match with only the ASCII letters A-Z folded; every other byte (including
// bytes of 0x80 and above) compares by its unsigned value. The fold goes to
// lower case, so '_' and the other characters between 'Z' and 'a' order
// before the letters.
#pragma once

#include <string_view>

inline unsigned char foldAsciiCase(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// <0, 0 or >0 like strcmp, after folding; a proper prefix orders first.
int compareIgnoreCase(std::string_view a, std::string_view b);

bool equalsIgnoreCase(std::string_view a, std::string_view b);

bool startsWithIgnoreCase(std::string_view text, std::string_view prefix);

// Ordering for containers keyed by script names; transparent so look-ups
// by string_view need no copy.
struct LessIgnoreCase {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
        return compareIgnoreCase(a, b) < 0;
    }
};
