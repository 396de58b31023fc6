#include "script/ScriptReader.h"

#include <cassert>
#include <climits>
#include <memory>
#include <utility>

#include "base/Log.h"
#include "base/NumberText.h"
#include "data/DataFile.h"

namespace {

// Where a line's statement text ends: at the first ';' (a comment runs to
// the line's end) or at a NUL byte, which ends the text of a line as it
// ends every text the script produces.
std::size_t statementEnd(std::string_view line) {
    const std::size_t cut = line.find_first_of(std::string_view(";\0", 2));
    return cut == std::string_view::npos ? line.size() : cut;
}

bool isBlank(std::string_view text) {
    for (char c : text) {
        if (!isCSpace(c)) return false;
    }
    return true;
}

}  // namespace

ScriptReader::ScriptReader(const std::string& path) {
    std::unique_ptr<MemoryFile> file = openDataFile(path);
    if (!file) {
        logMessage("Script \"%s\" not found, aborting\n", path.c_str());
        fatalStop(245);
    }
    std::string contents(file->size(), '\0');
    contents.resize(readData(contents.data(), 1, contents.size(), *file));
    // The lines are copies; the file's buffer goes before they are used.
    closeDataFile(std::move(file));
    prepare(contents);
}

ScriptReader ScriptReader::fromText(std::string_view contents) {
    ScriptReader reader;
    reader.prepare(contents);
    return reader;
}

void ScriptReader::prepare(std::string_view contents) {
    lines_.clear();
    cursor_ = 0;
    // Editors that save UTF-8 may put a byte-order mark first. It is not
    // part of the first statement, and token positions on that line count
    // from after it.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (contents.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        contents.remove_prefix(kByteOrderMark.size());
    // Counted in 64 bits and saturated, so even an absurd file cannot
    // overflow the int line numbers the log prints.
    long long number = 1;
    std::size_t start = 0;
    while (start < contents.size()) {
        std::size_t feed = contents.find('\n', start);
        if (feed == std::string_view::npos) feed = contents.size();
        std::string_view line = contents.substr(start, feed - start);
        line = line.substr(0, statementEnd(line));
        if (!isBlank(line)) {
            lines_.push_back(Line{std::string(line), static_cast<int>(number)});
        }
        if (number < INT_MAX) ++number;
        start = feed + 1;
    }
    scriptPosition().line = -1;
}

Tokenizer ScriptReader::nextLine() {
    assert(hasMoreLines());
    // Past the end in a release build: an empty line rather than a bad read.
    if (!hasMoreLines()) return Tokenizer(std::string_view());
    const Line& line = lines_[cursor_++];
    scriptPosition().line = line.number;
    return Tokenizer(line.text);
}
