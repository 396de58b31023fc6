// Compiled shader programs by the text they were compiled from, shared by
// every module and every timeline of the run: a reload whose shader files
// did not change compiles nothing, and checking a changed file before a
// reload replaces the timeline compiles it once for both.
#pragma once

#include "effects/ShaderSource.h"
#include "gfx/Types.h"

#include <string>
#include <unordered_map>
#include <vector>

// The player's uniforms a wrapped shader may read, in the order of
// ShaderProgram::playerLocations.
enum class PlayerUniform {
    resolution,
    time,
    globalTime,
    timeDelta,
    frame,
    frameRate,
    channelTime,
    channelResolution,
    mouse,
    date,
    sampleRate,
    channel0,
    channel1,
    channel2,
    channel3,
    origin,
    opaque,
    alpha,
    count
};

struct ShaderProgram {
    gfx::ProgramId program = 0;
    std::vector<int> playerLocations;  // by PlayerUniform; -1: not read
    std::vector<int> authorLocations;  // by the wrapped text's uniforms; -1: not read
    int location(PlayerUniform u) const { return playerLocations[static_cast<std::size_t>(u)]; }
};

// `log` (a mapped driver log, or a sentence) as the author reads it: each
// message as "Shader NAME, line N: message" (or "Shader NAME: message"),
// errors before warnings, one per line.
std::string describeShaderLog(const std::string& name, const std::string& log);

// What keeps the shader file `name` from drawing as a run would take it:
// read, wrapped and compiled through the registry (so a run that follows
// compiles nothing again). Empty when it would draw; otherwise the fault,
// as describeShaderLog words it. A renderer that cannot draw shaders at all
// is a fault only with `unsupportedIsFault` (a run plays on without them).
// Needs the run's context current.
std::string shaderFault(const std::string& name, bool unsupportedIsFault);

class ShaderRegistry {
public:
    static ShaderRegistry& instance();

    // The program of `wrapped`, compiled at the first request for its text;
    // null, with the driver's log mapped to the author's lines (or why the
    // renderer has no programs) in `error`, when it does not compile. A
    // failure is not kept: the next request tries again.
    const ShaderProgram* get(const shadersource::Wrapped& wrapped, std::string& error);

    // Forgets every program, deleting it: call while the context that made
    // them is current, before it goes.
    void releaseAll();

private:
    std::unordered_map<std::string, ShaderProgram> byText_;
};
