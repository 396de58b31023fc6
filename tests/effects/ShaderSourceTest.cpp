// The shader module's wrapper: what an author's Shadertoy-style text becomes
// (lines kept where they were, the player's uniforms declared once, the
// older dialect still compiling), what it refuses, and how a driver's log
// is brought back to the author's lines.
#include <gtest/gtest.h>

#include "effects/ShaderSource.h"

#include <algorithm>
#include <string>
#include <vector>

using shadersource::SourceError;
using shadersource::Wrapped;

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = std::min(text.find('\n', begin), text.size());
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

// Line `n` (1-based) of the author's text as it stands in the wrapped text.
std::string authorLine(const Wrapped& w, int n) {
    const std::vector<std::string> lines = linesOf(w.text);
    const std::size_t at = static_cast<std::size_t>(w.headerLines + n - 1);
    return at < lines.size() ? lines[at] : "<past the end>";
}

int occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

Wrapped wrapped(const std::string& source) {
    Wrapped w;
    SourceError error;
    EXPECT_TRUE(shadersource::wrap(source, w, error)) << error.line << ": " << error.message;
    return w;
}

SourceError refusal(const std::string& source) {
    Wrapped w;
    SourceError error;
    EXPECT_FALSE(shadersource::wrap(source, w, error)) << source;
    return error;
}

const std::string kTodays =
    "// Rings\n"
    "void mainImage(out vec4 fragColor, in vec2 fragCoord)\n"
    "{\n"
    "    vec2 uv = fragCoord / iResolution.xy;\n"
    "    fragColor = vec4(uv, 0.5 + 0.5 * sin(iTime), 1.0) * texture(iChannel2, uv);\n"
    "}";

}  // namespace

TEST(ShaderWrap, TodaysDialectKeepsEveryLineAfterAHeaderThatDeclaresThePlayersNamesOnce) {
    const Wrapped w = wrapped(kTodays);
    const std::vector<std::string> text = linesOf(w.text);
    const std::vector<std::string> source = linesOf(kTodays);
    ASSERT_GT(w.headerLines, 4);
    EXPECT_EQ(text[0], "#version 300 es");
    EXPECT_EQ(text[w.headerLines - 1], "#line 1");
    for (int n = 1; n <= static_cast<int>(source.size()); ++n) {
        std::string expected = source[static_cast<std::size_t>(n - 1)];
        // mainImage's colour arrives set, as on Shadertoy.
        if (n == 2) expected.replace(expected.find("(out "), 5, "(inout ");
        EXPECT_EQ(authorLine(w, n), expected);
    }
    for (const char* declaration :
         {"uniform vec3 iResolution;", "uniform float iTime;", "uniform float iChannelTime[4];",
          "uniform sampler2D iChannel3;", "out vec4 dp_fragColour;", "void main()"}) {
        EXPECT_EQ(occurrences(w.text, declaration), 1) << declaration;
    }
    // The player's main comes after the author's last line, under its own #line.
    const std::size_t footer = w.text.find("void main()");
    EXPECT_GT(footer, w.text.find(source.back() + "\n"));
    EXPECT_NE(w.text.find("dp_fragColour = dp_colour;", footer), std::string::npos);
    EXPECT_TRUE(w.uniforms.empty());
    EXPECT_EQ(w.samplerChannels, std::vector<std::string>{"iChannel2"});
}

TEST(ShaderWrap, OldDialectLosesVersionAndExtensionsAndItsMainMakesWayForThePlayers) {
    const std::string source =
        "#version 100\n"
        "#extension GL_OES_standard_derivatives : enable\n"
        "precision mediump float;\n"
        "uniform float iTime;\n"
        "void mainImage(out vec4 c, in vec2 p) { c = texture2D(iChannel1, p) + iTime; }\n"
        "void main() { mainImage(gl_FragColor, gl_FragCoord.xy); }\n";
    const Wrapped w = wrapped(source);
    EXPECT_EQ(authorLine(w, 1), "");
    EXPECT_EQ(authorLine(w, 2), "");
    EXPECT_EQ(authorLine(w, 3), "precision mediump float;");
    EXPECT_EQ(authorLine(w, 6),
              "void dp_authorMain() { mainImage(dp_fragColour, gl_FragCoord.xy); }");
    EXPECT_EQ(occurrences(w.text, "#version"), 1);
    EXPECT_EQ(occurrences(w.text, "uniform float iTime;"), 1) << "the author's, not ours";
    EXPECT_EQ(occurrences(w.text, "void main()"), 1);
    EXPECT_NE(w.text.find("#define texture2D texture\n"), std::string::npos);
    EXPECT_EQ(w.samplerChannels, std::vector<std::string>{"iChannel1"});

    // A dropped last line without its newline still counts as a line.
    const Wrapped last =
        wrapped("void mainImage(out vec4 c, vec2 p) {}\n#extension GL_EXT_x : enable");
    EXPECT_EQ(authorLine(last, 2), "");
    EXPECT_EQ(authorLine(last, 3), "");
    EXPECT_EQ(authorLine(last, 4).rfind("#line ", 0), 0u);
    EXPECT_EQ(refusal("#extension mainImage(iChannel0)\n").message, "no function mainImage");
}

TEST(ShaderWrap, TheAuthorsOwnOutputReceivesTheColour) {
    const Wrapped w = wrapped(
        "layout(location = 0) out highp vec4 colour;\n"
        "void mainImage(out vec4 c, vec2 p) { c = vec4(1.0); }\n"
        "void helper() { gl_FragColor = vec4(0.0); }\n");
    EXPECT_EQ(w.text.find("dp_fragColour"), std::string::npos);
    EXPECT_NE(w.text.find("    colour = dp_colour;\n}"), std::string::npos);
    EXPECT_EQ(authorLine(w, 3), "void helper() { colour = vec4(0.0); }");

    // Another host's output and main, compiled only there: the player's own
    // output receives the colour.
    const Wrapped hosted = wrapped(
        "void mainImage(out vec4 c, vec2 p) { c = vec4(1.0); }\n"
        "#ifdef OTHER_HOST\n"
        "out vec4 fragColor; void main() { mainImage(fragColor, gl_FragCoord.xy); }\n"
        "#endif\n");
    EXPECT_NE(hosted.text.find("out vec4 dp_fragColour;"), std::string::npos);
    EXPECT_NE(hosted.text.find("    dp_fragColour = dp_colour;\n}"), std::string::npos);
}

TEST(ShaderWrap, PlayerUniformsTheAuthorDeclaresMustHaveTheirType) {
    const Wrapped w = wrapped(
        "uniform highp float iTime;\n"
        "uniform float iChannelTime[0x4];\n"
        "uniform sampler2D iChannel0, iChannel1;\n" +
        kTodays);
    for (const char* ours : {"uniform float iTime;", "uniform float iChannelTime[4];",
                             "uniform sampler2D iChannel0;", "uniform sampler2D iChannel1;"}) {
        EXPECT_EQ(occurrences(w.text, ours), 0) << ours;
    }
    EXPECT_EQ(occurrences(w.text, "uniform sampler2D iChannel2;"), 1);
    EXPECT_TRUE(w.uniforms.empty()) << "the player's are not the author's parameters";

    SourceError e = refusal("// speed\n\nuniform int iTime;\n" + kTodays);
    EXPECT_EQ(e.line, 3);
    EXPECT_NE(e.message.find("'iTime'"), std::string::npos) << e.message;
    EXPECT_NE(e.message.find("int"), std::string::npos) << e.message;
    e = refusal("uniform vec3 iChannelResolution[3];\n" + kTodays);
    EXPECT_EQ(e.line, 1);
    EXPECT_NE(e.message.find("iChannelResolution"), std::string::npos) << e.message;
    e = refusal("uniform float x, iMouse;\n" + kTodays);
    EXPECT_NE(e.message.find("iMouse"), std::string::npos) << e.message;
    EXPECT_EQ(refusal("\nuniform samplerCube iChannel3;\n" + kTodays).line, 2);
}

TEST(ShaderWrap, NamesBeginningWithDpAreRefusedOutsideComments) {
    const SourceError e = refusal(kTodays + "\n\nfloat dp_origin = 1.0;\n");
    EXPECT_EQ(e.line, 8);
    EXPECT_NE(e.message.find("dp_"), std::string::npos);
    EXPECT_EQ(refusal("#define dp_opaque 1.0\n" + kTodays).line, 1);
    EXPECT_EQ(refusal("#define WRITE(c) dp_fragColour = c\n" + kTodays).line, 1);
    wrapped("// dp_origin is set by the player\n/* dp_opaque\n */" + kTodays);
    wrapped("float xdp_origin, a_dp_b;\n" + kTodays);
}

TEST(ShaderWrap, FileScopeUniformInitialisersAreBlankedInPlaceAndTheirNumbersKept) {
    const std::vector<std::string> source = {
        "uniform float speed = 0.5;",
        "uniform lowp vec3 tint = vec3(1., .5, -0), glow = vec3(+0.5);",
        "uniform float gain = -2e-1f, count = 0x10, octal = 010u;",
        "uniform vec2 centre = vec2(sin(1.0), 0.);  // kept",
        "uniform float k[3];",
        "uniform vec4 wrong = vec4(1, 2, 3);",
        "uniform vec3 far = vec3(1.0,",
        "                        2.0, 3.0);",
        "uniform Block { float inBlock; } block;",
        "#define DECLARE uniform float inMacro = 1.0;",
        "uniform bool on;",
    };
    std::string text;
    for (const std::string& line : source) text += line + "\n";
    const Wrapped w = wrapped(text + kTodays);
    EXPECT_EQ(authorLine(w, 1), "uniform float speed      ;");
    EXPECT_EQ(authorLine(w, 2), "uniform lowp vec3 tint                   , glow             ;");
    EXPECT_EQ(authorLine(w, 4), "uniform vec2 centre                     ;  // kept");
    EXPECT_EQ(authorLine(w, 7), "uniform vec3 far            ");
    EXPECT_EQ(authorLine(w, 8), "                                 ;");
    EXPECT_EQ(authorLine(w, 10), source[9]);
    for (int n = 1; n <= 8; ++n) {
        EXPECT_EQ(authorLine(w, n).size(), source[n - 1].size()) << n;
        EXPECT_EQ(authorLine(w, n).find('='), std::string::npos) << n;
    }
    std::vector<std::string> found;
    for (const shadersource::AuthorUniform& u : w.uniforms) {
        std::string described = std::to_string(u.line) + " " + u.type + " " + u.name;
        for (float v : u.initial) described += " " + std::to_string(v);
        found.push_back(described);
    }
    EXPECT_EQ(found, (std::vector<std::string>{
                         "1 float speed 0.500000", "2 vec3 tint 1.000000 0.500000 -0.000000",
                         "2 vec3 glow 0.500000 0.500000 0.500000", "3 float gain -0.200000",
                         "3 float count 16.000000", "3 float octal 8.000000", "4 vec2 centre",
                         "5 float[3] k", "6 vec4 wrong", "7 vec3 far 1.000000 2.000000 3.000000",
                         "11 bool on"}));
}

TEST(ShaderWrap, CarriageReturnsByteOrderMarkAndForeignCharactersKeepLineNumbers) {
    const Wrapped w = wrapped(
        "\xEF\xBB\xBF// Gr\xC3\xBC\xC3\x9F"
        "e\r\n"
        "void mainImage(out vec4 c, vec2 p) {\r\n"
        "  /* \xC3\xA9t\xC3\xA9\r\n"
        "  \xE2\x86\x92 */ c = vec4(1.0); // \x01\r\n"
        "}\r\n");
    EXPECT_EQ(w.text.find('\r'), std::string::npos);
    EXPECT_EQ(std::count_if(w.text.begin(), w.text.end(), [](char c) { return c & 0x80; }), 0);
    EXPECT_EQ(authorLine(w, 1), "// Gr????e");
    EXPECT_EQ(authorLine(w, 3), "  /* ??t??");
    EXPECT_EQ(authorLine(w, 4), "  ??? */ c = vec4(1.0); // ?");
    EXPECT_EQ(authorLine(w, 5), "}");

    SourceError e = refusal("// \xC3\xA9\r\n\r\nfloat x\xC3\xA9 = 1.0;\r\n" + kTodays);
    EXPECT_EQ(e.line, 3);
    EXPECT_NE(e.message.find("character"), std::string::npos);
    EXPECT_EQ(refusal(kTodays + "\n" + std::string(1, '\0')).line, 7);
}

TEST(ShaderWrap, WithoutMainImageThereIsNothingToCall) {
    for (const char* source : {"", "void main() { gl_FragColor = vec4(1.0); }",
                               "// void mainImage(out vec4 c, vec2 p) {}\nvoid main() {}",
                               "/* mainImage(\n */ float mainImage;"}) {
        const SourceError e = refusal(source);
        EXPECT_EQ(e.line, 0);
        EXPECT_EQ(e.message, "no function mainImage");
    }
}

TEST(ShaderWrap, BackslashNewlineJoinsLinesEvenInsideLineCommentsAndNames) {
    const Wrapped w = wrapped(
        "// parameters \\\n"
        "uniform float hidden = 1.0;\n"
        "uniform float shown = 2.0;\n"
        "void ma\\\n"
        "in() {}\n" +
        kTodays);
    ASSERT_EQ(w.uniforms.size(), 1u);
    EXPECT_EQ(w.uniforms[0].name, "shown");
    EXPECT_EQ(w.uniforms[0].line, 3);
    EXPECT_EQ(authorLine(w, 2), "uniform float hidden = 1.0;");
    EXPECT_EQ(authorLine(w, 4), "void dp_authorMain\\");
    EXPECT_EQ(authorLine(w, 5), "() {}");
    EXPECT_EQ(authorLine(w, 6), "// Rings");

    // A trailing backslash on the last line must not swallow the player's main.
    const Wrapped last = wrapped(kTodays + "\n// end \\");
    EXPECT_EQ(authorLine(last, 8), "");
    EXPECT_EQ(authorLine(last, 9).rfind("#line ", 0), 0u);

    const SourceError e = refusal(kTodays + "\n\n/* never closed\n");
    EXPECT_EQ(e.line, 8);
    EXPECT_NE(e.message.find("comment"), std::string::npos);
}

TEST(ShaderAuthorLog, DriverHonouringLineNumbersReportsTheAuthorsLines) {
    const Wrapped w = wrapped(kTodays);
    const std::string mesa =
        "0:4(15): error: `iResolutio' undeclared\n"
        "0:5(1): warning: `uv' used uninitialized\r\n"
        "0:100002(5): error: no matching function for call to `mainImage(vec4, vec2)'\n"
        "\n"
        "error: linking failed\n";
    EXPECT_EQ(shadersource::authorLog(mesa, w),
              "line 4: `iResolutio' undeclared\n"
              "line 5: warning: `uv' used uninitialized\n"
              "no matching function for call to `mainImage(vec4, vec2)'\n"
              "error: linking failed");
    const std::string angle =
        "ERROR: 0:6: '}' : syntax error\n"
        "WARNING: 0:2: 'x' : unused\n"
        "ERROR: 0:3:   \n"
        "ERROR: 1 compilation errors.  No code generated.\n\n\n";
    EXPECT_EQ(shadersource::authorLog(angle, w),
              "line 6: '}' : syntax error\n"
              "line 2: warning: 'x' : unused\n"
              "ERROR: 1 compilation errors.  No code generated.");
    EXPECT_EQ(shadersource::authorLog("0(3) : error C0000: syntax error", w),
              "line 3: syntax error");
    EXPECT_EQ(shadersource::authorLog("", w), "");
}

TEST(ShaderAuthorLog, DriverIgnoringLineNumbersIsCountedFromTheTextsFirstLine) {
    const Wrapped w = wrapped(kTodays);
    const int h = w.headerLines;
    const std::string log = "ERROR: 0:" + std::to_string(h + 4) + ": 'iResolutio' : undeclared\n" +
                            "0:" + std::to_string(h + 1) + "(3): warning: comment\n" +
                            "ERROR: 0:" + std::to_string(h + 10) + ": 'mainImage' : no match\n" +
                            "ERROR: 0:3: 'int' : precision\n";
    EXPECT_EQ(shadersource::authorLog(log, w),
              "line 4: 'iResolutio' : undeclared\n"
              "line 1: warning: comment\n"
              "'mainImage' : no match\n"
              "'int' : precision");
}
