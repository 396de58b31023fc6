// Splits one script line into tokens separated by space, tab, line feed or
// carriage return. A double-quoted stretch that starts inside a token keeps
// its white space in that token; quote characters stay in the token text.
// A line that starts with white space yields an empty first token; trailing
// white space yields no empty last token.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class Tokenizer {
public:
    // Copies `line` without its trailing carriage returns and line feeds.
    explicit Tokenizer(std::string_view line);

    // True while a token is left (always true right after construction or
    // restart, even for an empty line, which holds one empty token).
    bool hasMoreTokens() const { return next_ != kNone; }

    // The next token. Sets the script position's token position to the byte
    // index where the token begins. An unmatched '"' is reported with
    // logError and the token then runs to the end of the line. With no token
    // left it returns an empty text and changes nothing.
    std::string nextToken();

    // Back to the first token.
    void restart() { next_ = 0; }

    // Index where the next token begins, or -1 when none is left.
    int position() const;

    // The line as tokenized (trailing line-end characters removed).
    const std::string& text() const { return text_; }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::string text_;
    std::size_t next_ = 0;
};
