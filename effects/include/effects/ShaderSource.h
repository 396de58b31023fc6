// Turns an author's fragment shader written in Shadertoy's image-pass
// convention (the author defines `void mainImage(out vec4 fragColor, in vec2
// fragCoord)`, the host supplies the uniforms and `main`) into a complete
// GLSL ES 3.00 fragment shader, and maps the driver's compile log on that
// shader back to the author's lines. Pure text processing: no GL here.
//
// The author's text is kept line for line: author line N is line
// `headerLines + N` of the result, and a `#line 1` right before it makes
// drivers that honour it report the author's numbers directly. The player's
// `main` follows under a `#line` far beyond the author's last line, so a
// message about it is recognisable as the player's.
#pragma once

#include <string>
#include <vector>

namespace shadersource {

// A `uniform` the author declared at file scope that is not one of the player's.
struct AuthorUniform {
    std::string type;  // "float", "vec3", "int", "sampler2D", "float[3]" for arrays...
    std::string name;
    int line = 0;                // 1-based line in the author's file
    std::vector<float> initial;  // the initialiser's numbers when one was written; empty otherwise
};

struct Wrapped {
    std::string text;     // the complete fragment shader, GLSL ES 3.00
    int headerLines = 0;  // lines before the author's line 1, the `#line 1` line included
    std::vector<AuthorUniform> uniforms;  // in declaration order
    std::vector<std::string>
        samplerChannels;  // "iChannel0".."iChannel3" the source mentions, ascending
};

struct SourceError {
    int line = 0;         // 1-based in the author's file; 0 when not about a line
    std::string message;  // e.g. "no function mainImage"
};

// Builds the whole shader from the author's text. False with `error` set
// (and `out` unspecified) when the text cannot be one: a character GLSL does
// not allow outside comments, a comment never closed, a name beginning with
// dp_, a player's uniform declared with another type, no mainImage.
bool wrap(const std::string& source, Wrapped& out, SourceError& error);

// Maps a driver's compile log about `wrapped.text` to the author's lines:
// each message naming a line of the author's text becomes "line N: message";
// messages about the player's own lines keep their text without a line;
// lines without a location stay as they are and empty lines are dropped.
// The lines are joined with '\n', without a trailing newline.
std::string authorLog(const std::string& driverLog, const Wrapped& wrapped);

}  // namespace shadersource
