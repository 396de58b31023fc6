// The timeline script as a list of statement lines. Every physical line is
// numbered from 1; a line is cut at its first ';' (quotes do not protect
// it), and lines that are then empty or all white space are dropped, their
// numbers still counted. Kept lines keep their text otherwise unchanged
// (a trailing carriage return stays; the tokenizer removes it). A UTF-8
// byte-order mark at the very start of the text is dropped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "script/Tokenizer.h"

class ScriptReader {
public:
    // Reads `path` through the data files (looked up by its base name). A
    // missing or empty script logs "Script \"<path>\" not found, aborting"
    // and takes the fatal stop with status 245. Leaves the script position's
    // line number at -1.
    explicit ScriptReader(const std::string& path);

    // Prepares a script whose bytes are already in memory, exactly as the
    // path constructor does after reading them (no fatal stop for an empty
    // text: it simply has no lines).
    static ScriptReader fromText(std::string_view contents);

    bool hasMoreLines() const { return cursor_ < lines_.size(); }

    // Sets the script position's line number to the current line's number,
    // returns a tokenizer over its text and advances. Must not be called
    // when hasMoreLines() is false.
    Tokenizer nextLine();

    // Cursor back to the first kept line. The script position is left alone:
    // the caller sets the line number it wants between passes.
    void rewind() { cursor_ = 0; }

    std::size_t lineCount() const { return lines_.size(); }

private:
    struct Line {
        std::string text;
        int number;
    };

    ScriptReader() = default;
    void prepare(std::string_view contents);

    std::vector<Line> lines_;
    std::size_t cursor_ = 0;
};
