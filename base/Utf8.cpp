#include "base/Utf8.h"

char32_t nextUtf8Character(std::string_view text, std::size_t& pos) {
    const unsigned char lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) return lead;

    // The lead byte fixes the length and the allowed range of the second
    // byte; that range is what rules out overlong forms, surrogates and
    // values past U+10FFFF.
    int more = 0;
    char32_t value = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2;
        value = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3;
        value = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return kReplacementCharacter;  // a continuation byte, C0, C1 or F5..FF
    }
    for (; more > 0; --more) {
        // A byte that does not continue the sequence is not consumed: it
        // starts the next character.
        if (pos >= text.size()) return kReplacementCharacter;
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        if (c < low || c > high) return kReplacementCharacter;
        low = 0x80;
        high = 0xBF;
        value = (value << 6) | (c & 0x3F);
        ++pos;
    }
    return value;
}

std::u32string decodeUtf8(std::string_view text) {
    std::u32string characters;
    characters.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) characters += nextUtf8Character(text, pos);
    return characters;
}
