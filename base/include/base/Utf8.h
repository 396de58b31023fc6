// UTF-8 text read as Unicode characters. Bytes that do not form a valid
// sequence (stray continuation bytes, overlong forms, surrogates, values past
// U+10FFFF, a sequence cut short) each become U+FFFD, one per maximal
// invalid stretch as Unicode recommends, so a faulty text still reads
// safely and the characters after the fault are kept.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// The character that starts at text[pos]; pos moves past it (by at least
// one byte). Requires pos < text.size(); never reads past the text.
char32_t nextUtf8Character(std::string_view text, std::size_t& pos);

// Every character of `text`.
std::u32string decodeUtf8(std::string_view text);
