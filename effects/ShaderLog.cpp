// The driver's compile log of a wrapped shader, read back into the author's
// lines: drivers differ in their log formats and in whether they honour the
// `#line` the wrapper writes.
#include "effects/ShaderSource.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <string_view>

namespace shadersource {
namespace {

bool digit(char c) {
    return c >= '0' && c <= '9';
}

// One line of a driver's log, taken apart.
struct LogMessage {
    bool located = false;
    long long line = 0;
    std::string text;  // without location and "error:"; "warning: " kept in front
};

// A reading position in one line of a log.
struct LogCursor {
    std::string_view s;
    std::size_t i = 0;

    bool take(std::string_view word) {
        if (s.compare(i, word.size(), word) != 0) return false;
        i += word.size();
        return true;
    }
    // Digits only: a sign is no part of a location.
    bool number(long long& value) {
        if (i >= s.size() || !digit(s[i])) return false;
        const auto r = std::from_chars(s.data() + i, s.data() + s.size(), value);
        i = static_cast<std::size_t>(r.ptr - s.data());
        return r.ec == std::errc();
    }
    void spaces() {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    }
};

// Reads "ERROR: 0:12: msg" (ANGLE), "0:12(5): error: msg" (Mesa) and
// "0(12) : error C0000: msg"; anything else is a message without location.
LogMessage parseLogLine(std::string_view line) {
    LogMessage m{false, 0, std::string(line)};
    LogCursor c{line};
    bool warning = false;
    if (c.take("ERROR:") || (warning = c.take("WARNING:"))) c.spaces();
    long long sourceString = 0, column = 0;
    if (!c.number(sourceString)) return m;
    if (c.take(":")) {
        if (!c.number(m.line)) return m;
        if (c.take("(") && !(c.number(column) && c.take(")"))) return m;
    } else if (!(c.take("(") && c.number(m.line) && c.take(")"))) {
        return m;
    }
    c.spaces();
    if (!c.take(":")) return m;
    c.spaces();
    const std::size_t word = c.i;
    const bool isError = c.take("error");
    if (isError || c.take("warning")) {
        warning = warning || !isError;
        // An optional message code ("error C1008:").
        if (c.take(" ")) {
            while (c.i < line.size() &&
                   ((line[c.i] >= 'A' && line[c.i] <= 'Z') || digit(line[c.i])))
                ++c.i;
        }
        c.take(":") ? c.spaces() : void(c.i = word);
    }
    m.located = true;
    // A location with nothing after it carries no message.
    m.text = c.i == line.size() ? "" : (warning ? "warning: " : "") + std::string(line.substr(c.i));
    return m;
}

}  // namespace

std::string authorLog(const std::string& driverLog, const Wrapped& wrapped) {
    std::vector<LogMessage> messages;
    for (std::size_t begin = 0; begin <= driverLog.size();) {
        const std::size_t end = std::min(driverLog.find('\n', begin), driverLog.size());
        std::string_view line(driverLog.data() + begin, end - begin);
        begin = end + 1;
        while (!line.empty() &&
               (line.back() == '\0' || std::isspace(static_cast<unsigned char>(line.back())))) {
            line.remove_suffix(1);
        }
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        LogMessage m = parseLogLine(line);
        if (!m.text.empty()) messages.push_back(std::move(m));
    }
    // The footer's `#line` follows the author's lines and one empty line.
    const std::string& t = wrapped.text;
    const std::size_t at = t.rfind("\n#line ");
    int mark = INT_MAX, authorLines = 0;
    if (at != std::string::npos) {
        std::from_chars(t.data() + at + 7, t.data() + t.size(), mark);
        const auto lineOfMark = std::count(t.begin(), t.begin() + at + 1, '\n') + 1;
        authorLines = std::max(0, static_cast<int>(lineOfMark) - 2 - wrapped.headerLines);
    }
    // A driver honouring `#line` reports the author's numbers and the
    // footer's beyond the mark; one ignoring it reports the text's own line
    // numbers, which shows once a number falls between the two.
    bool textLines = false;
    for (const LogMessage& m : messages) {
        if (m.located && m.line > authorLines + 1 && m.line < mark) textLines = true;
    }
    std::string result;
    for (const LogMessage& m : messages) {
        long long authorLine = 0;
        if (m.located) {
            authorLine = textLines ? m.line - wrapped.headerLines : m.line;
            if (authorLine < 1 || authorLine > authorLines) authorLine = 0;
        }
        if (!result.empty()) result += '\n';
        if (authorLine > 0) result += "line " + std::to_string(authorLine) + ": ";
        result += m.text;
    }
    return result;
}

}  // namespace shadersource
