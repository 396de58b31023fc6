// The browser build reads numbers with the portable float parser; here it
// must agree with the standard library's std::from_chars on every input:
// where it stops, what it reports, and the value it reads.
#include "base/FloatChars.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace {

template <typename Float>
void expectSameAsStandard(const std::string& text, std::chars_format format) {
    SCOPED_TRACE("\"" + text + "\"");
    const char* first = text.data();
    const char* last = first + text.size();
    Float expected = Float(-7), got = Float(-7);
    const auto want = std::from_chars(first, last, expected, format);
    const auto have = base::portableFloatFromChars(first, last, got, format);
    EXPECT_EQ(have.ptr - first, want.ptr - first);
    EXPECT_EQ(static_cast<int>(have.ec), static_cast<int>(want.ec));
    if (want.ec == std::errc() && expected == expected) {
        EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << got << " vs " << expected;
    } else if (want.ec == std::errc()) {
        EXPECT_NE(got, got);  // both NaN
    } else {
        EXPECT_EQ(got, Float(-7));  // untouched on failure
    }
}

void expectSameForBothTypesAndFormats(const std::string& text) {
    for (const auto format : {std::chars_format::general, std::chars_format::fixed}) {
        expectSameAsStandard<double>(text, format);
        expectSameAsStandard<float>(text, format);
    }
}

TEST(FloatChars, AgreesWithTheStandardOnWhatScriptsAndOptionsWrite) {
    const std::vector<std::string> cases = {"0",
                                            "1",
                                            "-1",
                                            "1.5",
                                            "-0.25",
                                            ".5",
                                            "5.",
                                            ".",
                                            "-",
                                            "-.",
                                            "",
                                            "  1",
                                            "+1",
                                            "1x",
                                            "0.1",
                                            "123456789.123456789",
                                            "007",
                                            "1e3",
                                            "1E-3",
                                            "1e",
                                            "1e+",
                                            "1e-x",
                                            "2.5e+10",
                                            "1.7976931348623157e308",
                                            "1e309",
                                            "-1e309",
                                            "1e-400",
                                            "4.9e-324",
                                            "3.4028235e38",
                                            "3.5e38",
                                            "1e-46",
                                            "inf",
                                            "-inf",
                                            "INF",
                                            "infinity",
                                            "Infinityx",
                                            "infin",
                                            "nan",
                                            "NaN",
                                            "nan(123)",
                                            "nan(",
                                            "nan()",
                                            "-nan",
                                            "0x10",
                                            "0x",
                                            "1.2.3",
                                            "12,5",
                                            "١",
                                            "0.30000000000000004",
                                            "9007199254740993",
                                            "1" + std::string(400, '0'),
                                            "0." + std::string(400, '0') + "1",
                                            "1.5 ",
                                            "-0",
                                            "-0.0e0"};
    for (const std::string& text : cases) expectSameForBothTypesAndFormats(text);
}

TEST(FloatChars, AgreesWithTheStandardOnRandomText) {
    std::mt19937 random(20261208);
    const std::string alphabet = "0123456789.-+eEinfatyINFATY()x ";
    std::uniform_int_distribution<std::size_t> length(0, 14);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> digitsOnly(0, 3);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const std::size_t n = length(random);
        const bool numeric = digitsOnly(random) != 0;  // mostly number-like text
        for (std::size_t k = 0; k < n; ++k)
            text += numeric ? "0123456789.e-"[pick(random) % 13] : alphabet[pick(random)];
        expectSameForBothTypesAndFormats(text);
        if (HasFailure()) return;
    }
}

}  // namespace
