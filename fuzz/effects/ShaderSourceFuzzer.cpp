// Feeds arbitrary bytes to the shader wrapper as an author's text and as a
// driver's log. Beyond not crashing, a wrapped text must keep the author's
// lines where the header count says, carry no byte a driver could refuse,
// and map every log line it names back inside the author's text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "effects/ShaderSource.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

// Line `n` (1-based) of `text`, or nothing past its end.
std::string lineAt(const std::string& text, int n) {
    std::size_t begin = 0;
    for (int i = 1; i < n; ++i) {
        begin = text.find('\n', begin);
        if (begin == std::string::npos) return "<none>";
        ++begin;
    }
    return text.substr(begin, text.find('\n', begin) - begin);
}

// The author's line count as the wrapper sees it: no BOM, no carriage returns.
int authorLines(const std::string& source) {
    std::string text = source.compare(0, 3, "\xEF\xBB\xBF") == 0 ? source.substr(3) : source;
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    const auto newlines = std::count(text.begin(), text.end(), '\n');
    return static_cast<int>(newlines) + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

void checkWrapped(const std::string& source, const shadersource::Wrapped& w) {
    const int lines = authorLines(source);
    require(w.text.compare(0, 16, "#version 300 es\n") == 0);
    require(lineAt(w.text, w.headerLines) == "#line 1");
    require(lineAt(w.text, w.headerLines + lines + 1).empty());
    require(lineAt(w.text, w.headerLines + lines + 2).compare(0, 6, "#line ") == 0);
    for (unsigned char c : w.text) require(c < 0x80 && c != '\r' && c != '\0');
    for (const shadersource::AuthorUniform& u : w.uniforms) {
        require(u.line >= 1 && u.line <= lines);
        require(!u.name.empty() && !u.type.empty());
    }
    require(std::is_sorted(w.samplerChannels.begin(), w.samplerChannels.end()));

    // A log naming lines everywhere, as both kinds of driver would.
    const int mark = std::atoi(lineAt(w.text, w.headerLines + lines + 2).c_str() + 6);
    std::string log;
    for (int line : {0, 1, lines, lines + 1, w.headerLines, w.headerLines + 1,
                     w.headerLines + lines, mark, mark + 3}) {
        log += "0:" + std::to_string(line) + "(1): error: m\nERROR: 0:" + std::to_string(line) +
               ": m\n";
    }
    const std::string mapped = shadersource::authorLog(log, w);
    std::size_t begin = 0;
    while (begin < mapped.size()) {
        const std::size_t end = std::min(mapped.find('\n', begin), mapped.size());
        const std::string line = mapped.substr(begin, end - begin);
        if (line != "m") {
            require(line.compare(0, 5, "line ") == 0);
            const int n = std::atoi(line.c_str() + 5);
            require(n >= 1 && n <= lines);
        }
        begin = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    shadersource::Wrapped wrapped;
    shadersource::SourceError error;
    if (shadersource::wrap(input, wrapped, error)) {
        checkWrapped(input, wrapped);
    } else {
        require(!error.message.empty() && error.line >= 0 && error.line <= authorLines(input));
    }
    const std::string log = shadersource::authorLog(input, wrapped);
    require(log.empty() || log.back() != '\n');
    return 0;
}
