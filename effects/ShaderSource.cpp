#include "effects/ShaderSource.h"

#include "base/FloatChars.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace shadersource {
namespace {

// The uniforms the player sets every frame, declared unless the author did.
// clang-format off
constexpr const char* kPlayerUniforms[] = {
    "vec3 iResolution", "float iTime", "float iGlobalTime", "float iTimeDelta", "int iFrame",
    "float iFrameRate", "float iChannelTime[4]", "vec3 iChannelResolution[4]", "vec4 iMouse",
    "vec4 iDate", "float iSampleRate", "sampler2D iChannel0", "sampler2D iChannel1",
    "sampler2D iChannel2", "sampler2D iChannel3"};
// clang-format on
constexpr std::size_t kPlayerUniformCount = sizeof(kPlayerUniforms) / sizeof(kPlayerUniforms[0]);

// The player's uniform called `name`: its index, and its type as the scan
// below reads declarations ("float[4]" for arrays); -1 for other names.
int playerUniform(std::string_view name, std::string& type) {
    for (std::size_t k = 0; k < kPlayerUniformCount; ++k) {
        const std::string_view d = kPlayerUniforms[k];
        const std::size_t space = d.find(' '), array = std::min(d.find('['), d.size());
        if (d.substr(space + 1, array - space - 1) != name) continue;
        type = std::string(d.substr(0, space)) + std::string(d.substr(array));
        return static_cast<int>(k);
    }
    return -1;
}

// What every wrapped text begins with; the WebGL 1 names of the texture
// functions lead to today's.
constexpr const char* kHeader =
    "#version 300 es\n"
    "precision highp float;\n"
    "precision highp int;\n"
    "precision highp sampler2D;\n"
    "#define texture2D texture\n"
    "#define texture2DLod textureLod\n"
    "#define texture2DLodEXT textureLod\n"
    "#define texture2DGradEXT textureGrad\n"
    // Shadertoy's own: the shader may choose cheaper paths on weak hardware.
    "#define HW_PERFORMANCE 1\n";

// The first line of the player's main is numbered at least this, far beyond
// any author's line, so that a message about it is told apart.
constexpr int kFooterMark = 100000;

// Bytes GLSL does not allow anywhere; inside comments they become '?'.
bool disallowed(unsigned char c) {
    if (c >= 0x7F) return true;
    return c < 0x20 && c != '\t' && c != '\n' && c != '\v' && c != '\f';
}

bool identifierStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool digit(char c) {
    return c >= '0' && c <= '9';
}
bool identifierChar(char c) {
    return identifierStart(c) || digit(c);
}

// GLSL ES 3.00 joins a line ending in a backslash with the next one before
// comments and directives are recognised, even in the middle of a token.
// This is the text with those backslash-newline pairs taken out, each
// character remembering where it was.
struct Spliced {
    std::string text;
    std::vector<std::size_t> at;  // offset in the unspliced text; one more for its end
};

Spliced splice(const std::string& text) {
    Spliced s;
    s.text.reserve(text.size());
    s.at.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            continue;
        }
        s.text.push_back(text[i]);
        s.at.push_back(i);
    }
    s.at.push_back(text.size());
    return s;
}

// 1-based line numbers of offsets in the unspliced text.
struct Lines {
    std::vector<std::size_t> newlines;
    int of(std::size_t offset) const {
        const auto before = std::lower_bound(newlines.begin(), newlines.end(), offset);
        return 1 + static_cast<int>(before - newlines.begin());
    }
};

enum class Kind { Identifier, Number, Punctuation };

struct Token {
    Kind kind;
    std::size_t begin, end;  // in the spliced text
    bool directive;          // part of a preprocessor line
    bool dropped;            // part of a #version or #extension line
    int line;
    std::string_view text;
};

struct Range {
    std::size_t begin, end;  // in the spliced text
};

struct Lexed {
    std::vector<Token> tokens;
    std::vector<Range> comments;
    std::vector<Range> droppedDirectives;  // #version and #extension lines, '#' to the newline
};

// Splits the spliced text into comments, directives and tokens. Fails on a
// byte GLSL does not allow outside a comment and on a comment never closed
// (the player's main would vanish into it).
bool lex(const Spliced& s, const Lines& lines, Lexed& out, SourceError& error) {
    const std::string& t = s.text;
    const std::size_t n = t.size();
    bool lineStart = true;
    bool inDirective = false;
    bool expectDirectiveName = false;
    bool dropDirective = false;
    std::size_t directiveBegin = 0;
    auto endDirective = [&](std::size_t end) {
        if (dropDirective) out.droppedDirectives.push_back({directiveBegin, end});
        inDirective = expectDirectiveName = dropDirective = false;
    };
    auto push = [&](Kind kind, std::size_t begin, std::size_t end) {
        const std::string_view text(t.data() + begin, end - begin);
        if (expectDirectiveName) {
            dropDirective = kind == Kind::Identifier && (text == "version" || text == "extension");
            expectDirectiveName = false;
        }
        out.tokens.push_back(
            {kind, begin, end, inDirective, dropDirective, lines.of(s.at[begin]), text});
        lineStart = false;
    };
    std::size_t i = 0;
    while (i < n) {
        const char c = t[i];
        if (c == '\n') {
            endDirective(i);
            lineStart = true;
            ++i;
        } else if (c == ' ' || c == '\t' || c == '\v' || c == '\f') {
            ++i;
        } else if (c == '/' && i + 1 < n && t[i + 1] == '/') {
            const std::size_t e = std::min(t.find('\n', i), n);
            out.comments.push_back({i, e});
            i = e;
        } else if (c == '/' && i + 1 < n && t[i + 1] == '*') {
            const std::size_t close = t.find("*/", i + 2);
            if (close == std::string::npos) {
                error = {lines.of(s.at[i]), "a comment that is never closed"};
                return false;
            }
            out.comments.push_back({i, close + 2});
            i = close + 2;
        } else if (c == '#' && lineStart && !inDirective) {
            inDirective = true;
            directiveBegin = i;
            push(Kind::Punctuation, i, i + 1);
            expectDirectiveName = true;
            ++i;
        } else if (identifierStart(c)) {
            std::size_t e = i + 1;
            while (e < n && identifierChar(t[e])) ++e;
            push(Kind::Identifier, i, e);
            i = e;
        } else if (digit(c) || (c == '.' && i + 1 < n && digit(t[i + 1]))) {
            const bool hex = c == '0' && i + 1 < n && (t[i + 1] == 'x' || t[i + 1] == 'X');
            // Letters, digits and dots, and the sign of a decimal exponent.
            std::size_t e = i + 1;
            auto exponentSign = [&] { return !hex && (t[e - 1] == 'e' || t[e - 1] == 'E'); };
            while (e < n && (identifierChar(t[e]) || t[e] == '.' ||
                             ((t[e] == '+' || t[e] == '-') && exponentSign()))) {
                ++e;
            }
            push(Kind::Number, i, e);
            i = e;
        } else if (disallowed(static_cast<unsigned char>(c))) {
            error = {lines.of(s.at[i]), "a character GLSL does not allow"};
            return false;
        } else {
            push(Kind::Punctuation, i, i + 1);
            ++i;
        }
    }
    endDirective(n);
    return true;
}

// The value of one GLSL number token (its sign is a token of its own);
// nothing for text that is not a number or does not fit a float.
std::optional<float> numberValue(std::string_view text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (!hex && text.find_first_of(".eE") != std::string_view::npos) {
        if (text.back() == 'f' || text.back() == 'F') text.remove_suffix(1);
        float v = 0.0f;
        const auto r = base::floatFromChars(text.data(), text.data() + text.size(), v);
        if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(v)) {
            return std::nullopt;
        }
        return v;
    }
    if (hex) text.remove_prefix(2);
    if (text.back() == 'u' || text.back() == 'U') text.remove_suffix(1);
    // A leading 0 makes an integer octal, as in C.
    const int radix = hex ? 16 : text.size() > 1 && text[0] == '0' ? 8 : 10;
    std::uint64_t v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v, radix);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || v > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    return static_cast<float>(v);
}

// How many numbers a value of `type` holds; 0 for types without a fixed
// count of numbers (arrays, samplers, structures).
std::size_t componentCount(const std::string& type) {
    if (type == "float" || type == "int" || type == "uint" || type == "bool") return 1;
    auto size = [](char c) { return c >= '2' && c <= '4' ? static_cast<std::size_t>(c - '0') : 0; };
    const std::size_t vec = type.find("vec");
    if (vec <= 1 && type.size() == vec + 4 && (vec == 0 || std::strchr("iub", type[0]))) {
        return size(type.back());
    }
    if (type.compare(0, 3, "mat") != 0) return 0;
    if (type.size() == 4) return size(type[3]) * size(type[3]);
    return type.size() == 6 && type[4] == 'x' ? size(type[3]) * size(type[5]) : 0;
}

class Declarations {
public:
    explicit Declarations(const std::vector<Token>& tokens) : tokens_(tokens) {}

    // Finds the file-scope uniform and output declarations. Fails when a
    // player's uniform is declared with another type.
    bool scan(SourceError& error);

    std::vector<AuthorUniform> uniforms;
    bool playerDeclared[kPlayerUniformCount] = {};
    std::string outName;              // the author's own `out vec4`, if any
    std::vector<Range> initialisers;  // from '=' to the initialiser's end

private:
    bool code(std::size_t i) const { return i < tokens_.size() && !tokens_[i].directive; }
    bool is(std::size_t i, std::string_view text) const {
        return code(i) && tokens_[i].text == text;
    }
    bool identifier(std::size_t i) const { return code(i) && tokens_[i].kind == Kind::Identifier; }
    std::size_t skipPrecision(std::size_t i) const {
        while (is(i, "highp") || is(i, "mediump") || is(i, "lowp")) ++i;
        return i;
    }
    std::string arraySuffix(std::size_t& i) const;
    std::vector<float> initialValues(std::size_t begin, std::size_t end,
                                     const std::string& type) const;
    bool uniform(std::size_t& i, SourceError& error);

    const std::vector<Token>& tokens_;
};

// "[N]" from the tokens at `i` (a '['), i moved past the ']'. A literal
// integer size reads as its decimal value.
std::string Declarations::arraySuffix(std::size_t& i) const {
    std::string inside;
    const std::size_t first = ++i;
    int depth = 0;
    for (; code(i); ++i) {
        if (is(i, "[")) ++depth;
        if (is(i, "]") && depth-- == 0) break;
        inside += tokens_[i].text;
    }
    if (i == first + 1 && tokens_[first].kind == Kind::Number) {
        const std::optional<float> v = numberValue(tokens_[first].text);
        if (v && *v == std::floor(*v)) inside = std::to_string(static_cast<std::uint64_t>(*v));
    }
    if (is(i, "]")) ++i;
    return "[" + inside + "]";
}

// The numbers of an initialiser: a signed number, or a constructor of
// signed numbers; one number fills every component of `type`.
std::vector<float> Declarations::initialValues(std::size_t begin, std::size_t end,
                                               const std::string& type) const {
    std::vector<float> values;
    auto signedNumber = [&](std::size_t& i) {
        float sign = 1.0f;
        if (i < end && (is(i, "-") || is(i, "+"))) sign = is(i++, "-") ? -1.0f : 1.0f;
        if (i >= end || tokens_[i].kind != Kind::Number) return false;
        const std::optional<float> v = numberValue(tokens_[i++].text);
        if (v) values.push_back(sign * *v);
        return v.has_value();
    };
    std::size_t i = begin;
    bool ok = signedNumber(i) && i == end;
    if (!ok && end - begin >= 3 && identifier(begin) && is(begin + 1, "(") && is(end - 1, ")")) {
        values.clear();
        i = begin + 2;
        ok = true;
        while (ok && i < end - 1) {
            ok = signedNumber(i) && (is(i, ",") ? ++i < end - 1 : i == end - 1);
        }
        ok = ok && !values.empty();
    }
    const std::size_t count = componentCount(type);
    if (ok && count > 1 && values.size() == 1) values.assign(count, values[0]);
    if (!ok || (count != 0 && values.size() != count)) values.clear();
    return values;
}

// Reads `uniform [precision] TYPE NAME [= init] {, NAME [= init]} ;` from
// `i` (at "uniform"), leaving i past what it read. Interface blocks are
// passed over.
bool Declarations::uniform(std::size_t& i, SourceError& error) {
    i = skipPrecision(i + 1);
    if (!identifier(i)) return true;
    std::string type(tokens_[i++].text);
    if (is(i, "{")) return true;
    if (is(i, "[")) type += arraySuffix(i);
    while (identifier(i)) {
        const Token& name = tokens_[i++];
        std::string declared = type;
        if (is(i, "[")) declared += arraySuffix(i);
        std::vector<float> initial;
        if (is(i, "=")) {
            const std::size_t equals = i++;
            int depth = 0;
            for (; code(i); ++i) {
                if (is(i, "(") || is(i, "[")) ++depth;
                if ((is(i, ")") || is(i, "]")) && depth-- == 0) break;
                if (depth == 0 && (is(i, ",") || is(i, ";"))) break;
                if (is(i, "{") || is(i, "}")) break;
            }
            initialisers.push_back({tokens_[equals].begin, tokens_[i - 1].end});
            initial = initialValues(equals + 1, i, declared);
        }
        std::string playerType;
        if (const int player = playerUniform(name.text, playerType); player >= 0) {
            if (declared != playerType) {
                error = {name.line, "'" + std::string(name.text) + "' is the player's uniform " +
                                        playerType + ", declared here as " + declared};
                return false;
            }
            playerDeclared[player] = true;
        } else {
            uniforms.push_back({declared, std::string(name.text), name.line, std::move(initial)});
        }
        if (!is(i, ",")) break;
        ++i;
    }
    return true;
}

bool Declarations::scan(SourceError& error) {
    int braces = 0, parentheses = 0;
    // Conditional blocks of the preprocessor around this point: an output
    // declared inside one usually belongs to another host's main
    // (`#ifdef HOST ... out vec4 c; void main() ... #endif`), so it is not
    // taken for the author's own.
    int conditionals = 0;
    std::size_t i = 0;
    while (i < tokens_.size()) {
        if (!code(i)) {
            const Token& d = tokens_[i];
            const bool name = d.kind == Kind::Identifier && i > 0 && tokens_[i - 1].directive &&
                              tokens_[i - 1].text == "#";
            if (name && (d.text == "if" || d.text == "ifdef" || d.text == "ifndef")) ++conditionals;
            if (name && d.text == "endif") conditionals = std::max(0, conditionals - 1);
            ++i;
            continue;
        }
        const std::string_view t = tokens_[i].text;
        const bool fileScope = braces == 0 && parentheses == 0;
        if (fileScope && t == "uniform") {
            if (!uniform(i, error)) return false;
            continue;
        }
        if (fileScope && t == "out") {
            const std::size_t type = skipPrecision(i + 1);
            if (outName.empty() && conditionals == 0 && is(type, "vec4") && identifier(type + 1)) {
                outName = tokens_[type + 1].text;
            }
        }
        if (t == "{") ++braces;
        if (t == "}") braces = std::max(0, braces - 1);
        if (t == "(") ++parentheses;
        if (t == ")") parentheses = std::max(0, parentheses - 1);
        ++i;
    }
    return true;
}

// A replacement of [begin, end) of the unspliced text.
struct Edit {
    std::size_t begin, end;
    std::string text;
};

}  // namespace

bool wrap(const std::string& source, Wrapped& out, SourceError& error) {
    out = Wrapped{};
    error = SourceError{};
    std::string text;
    Lines lines;
    const std::size_t bom = source.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (std::size_t i = bom; i < source.size(); ++i) {
        if (source[i] == '\n') lines.newlines.push_back(text.size());
        if (source[i] != '\r') text.push_back(source[i]);
    }
    const Spliced spliced = splice(text);
    Lexed lexed;
    if (!lex(spliced, lines, lexed, error)) return false;

    bool hasMainImage = false;
    bool channels[4] = {};
    const std::vector<Token>& tokens = lexed.tokens;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind != Kind::Identifier || t.dropped) continue;
        if (t.text.compare(0, 3, "dp_") == 0) {
            error = {t.line,
                     "'" + std::string(t.text) + "': names beginning with dp_ are the player's"};
            return false;
        }
        if (t.text == "mainImage" && i + 1 < tokens.size() && tokens[i + 1].text == "(") {
            hasMainImage = true;
        }
        const char channel = t.text.size() == 9 ? t.text[8] : 0;
        if (t.text.compare(0, 8, "iChannel") == 0 && channel >= '0' && channel <= '3') {
            channels[channel - '0'] = true;
        }
    }
    Declarations declarations(tokens);
    if (!declarations.scan(error)) return false;
    if (!hasMainImage) {
        error = {0, "no function mainImage"};
        return false;
    }
    const std::string output =
        declarations.outName.empty() ? "dp_fragColour" : declarations.outName;

    // Comments keep their length: disallowed bytes become '?'.
    for (const Range& r : lexed.comments) {
        for (std::size_t i = r.begin; i < r.end; ++i) {
            char& c = text[spliced.at[i]];
            if (disallowed(static_cast<unsigned char>(c)) && c != '\n') c = '?';
        }
    }
    // Every edit keeps the line breaks of what it replaces: dropped
    // directives keep only them, initialisers become spaces around them,
    // renamed identifiers split over lines stay split.
    std::vector<Edit> edits;
    enum class How { Drop, Blank, Rename };
    auto edit = [&](Range r, How how, const std::string& name) {
        Edit e{spliced.at[r.begin], spliced.at[r.end - 1] + 1, name};
        for (std::size_t i = e.begin; i < e.end; ++i) {
            const bool continuation = text[i] == '\\' && i + 1 < e.end && text[i + 1] == '\n';
            if (how == How::Rename) {
                if (text[i] == '\n') e.text += "\\\n";
            } else if (text[i] == '\n' || (how == How::Blank && continuation)) {
                e.text += text[i];
            } else if (how == How::Blank) {
                e.text += ' ';
            }
        }
        edits.push_back(std::move(e));
    };
    for (const Range& r : lexed.droppedDirectives) edit(r, How::Drop, "");
    for (const Range& r : declarations.initialisers) edit(r, How::Blank, "");
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind != Kind::Identifier) continue;
        if (t.text == "main") edit({t.begin, t.end}, How::Rename, "dp_authorMain");
        if (t.text == "gl_FragColor") edit({t.begin, t.end}, How::Rename, output);
        // Shadertoy hands mainImage a colour already set to opaque black, and
        // shaders add to it: its `out` becomes `inout` (wherever mainImage
        // is declared) so the value arrives, as it does there.
        if (t.text == "mainImage" && i + 2 < tokens.size() && tokens[i + 1].text == "(" &&
            tokens[i + 2].text == "out" && !tokens[i + 2].directive)
            edit({tokens[i + 2].begin, tokens[i + 2].end}, How::Rename, "inout");
    }
    std::stable_sort(edits.begin(), edits.end(),
                     [](const Edit& a, const Edit& b) { return a.begin < b.begin; });
    std::string author;
    author.reserve(text.size() + 64);
    std::size_t cursor = 0;
    for (const Edit& e : edits) {
        if (e.begin < cursor) continue;  // inside a wider edit already made
        author.append(text, cursor, e.begin - cursor);
        author += e.text;
        cursor = e.end;
    }
    author.append(text, cursor, std::string::npos);
    if (!text.empty() && text.back() != '\n') author.push_back('\n');

    std::string& w = out.text;
    w = kHeader;
    for (std::size_t k = 0; k < kPlayerUniformCount; ++k) {
        if (!declarations.playerDeclared[k])
            w += std::string("uniform ") + kPlayerUniforms[k] + ";\n";
    }
    w += "uniform vec2 dp_origin;\nuniform float dp_opaque;\nuniform float dp_alpha;\n";
    if (declarations.outName.empty()) w += "out vec4 dp_fragColour;\n";
    w += "#line 1\n";
    out.headerLines = static_cast<int>(std::count(w.begin(), w.end(), '\n'));
    w += author;
    // The empty line ends whatever a trailing backslash of the author's last
    // line would join to the footer.
    int mark = kFooterMark;
    while (mark <= std::count(author.begin(), author.end(), '\n') + 1) mark *= 10;
    w += "\n#line " + std::to_string(mark) + "\n";
    w += "void main() {\n"
         "    vec4 dp_colour = vec4(0.0, 0.0, 0.0, 1.0);\n"
         "    mainImage(dp_colour, gl_FragCoord.xy - dp_origin);\n"
         "    if (dp_opaque > 0.5) dp_colour.a = 1.0;\n"
         "    dp_colour.a *= dp_alpha;\n";
    w += "    " + output + " = dp_colour;\n}\n";

    out.uniforms = std::move(declarations.uniforms);
    for (int k = 0; k < 4; ++k) {
        if (channels[k]) out.samplerChannels.push_back("iChannel" + std::to_string(k));
    }
    return true;
}

namespace {}  // namespace

}  // namespace shadersource
