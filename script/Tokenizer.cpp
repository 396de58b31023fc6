#include "script/Tokenizer.h"

#include <climits>

#include "base/Log.h"

namespace {

bool isTokenSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

int clampToInt(std::size_t value) {
    return value > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

std::size_t findTokenSpace(const std::string& text, std::size_t from) {
    while (from < text.size() && !isTokenSpace(text[from])) ++from;
    return from;
}

}  // namespace

Tokenizer::Tokenizer(std::string_view line) {
    std::size_t length = line.size();
    while (length > 0 && (line[length - 1] == '\r' || line[length - 1] == '\n')) --length;
    text_.assign(line.data(), length);
}

std::string Tokenizer::nextToken() {
    if (next_ == kNone) return std::string();
    const std::size_t begin = next_;
    // Set before any report below, so a fault inside this token points at it.
    scriptPosition().pos = clampToInt(begin);

    std::size_t end = findTokenSpace(text_, begin);
    // Only a quote before the first white space opens a quoted stretch;
    // searching just this far keeps a long unquoted line linear.
    const std::size_t quoteOffset = std::string_view(text_).substr(begin, end - begin).find('"');
    if (quoteOffset != std::string_view::npos) {
        const std::size_t quote = begin + quoteOffset;
        const std::size_t closing = text_.find('"', quote + 1);
        if (closing == std::string::npos) {
            logError("Unmatched '\"'\n");
            end = text_.size();
        } else {
            end = findTokenSpace(text_, closing);
        }
    }

    std::size_t after = end;
    while (after < text_.size() && isTokenSpace(text_[after])) ++after;
    next_ = after < text_.size() ? after : kNone;
    return text_.substr(begin, end - begin);
}

int Tokenizer::position() const {
    return next_ == kNone ? -1 : clampToInt(next_);
}
