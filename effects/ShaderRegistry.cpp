#include "effects/ShaderRegistry.h"

#include "data/DataFile.h"
#include "gfx/Gfx.h"

#include <memory>
#include <sstream>

namespace {

const char* const kPlayerUniformNames[] = {
    "iResolution", "iTime",      "iGlobalTime",  "iTimeDelta",
    "iFrame",      "iFrameRate", "iChannelTime", "iChannelResolution",
    "iMouse",      "iDate",      "iSampleRate",  "iChannel0",
    "iChannel1",   "iChannel2",  "iChannel3",    "dp_origin",
    "dp_opaque",   "dp_alpha"};
static_assert(sizeof kPlayerUniformNames / sizeof kPlayerUniformNames[0] ==
                  static_cast<std::size_t>(PlayerUniform::count),
              "a name for every player uniform");

}  // namespace

std::string describeShaderLog(const std::string& file, const std::string& mapped) {
    std::istringstream lines(mapped);
    std::string line, errors, others;
    while (std::getline(lines, line)) {
        std::string text = "Shader " + file;
        if (line.compare(0, 5, "line ") == 0)
            text += ", " + line;
        else
            text += ": " + line;
        std::string& into = line.find("warning") == std::string::npos ? errors : others;
        if (!into.empty()) into += '\n';
        into += text;
    }
    if (errors.empty()) return others.empty() ? "Shader " + file + ": does not compile" : others;
    return errors;
}

std::string shaderFault(const std::string& name, bool unsupportedIsFault) {
    const std::unique_ptr<MemoryFile> data = openDataFile(name);
    if (!data) return "Shader " + name + " " + dataFileFault(name);
    const std::string text(reinterpret_cast<const char*>(data->data()), data->size());
    shadersource::Wrapped wrapped;
    shadersource::SourceError error;
    if (!shadersource::wrap(text, wrapped, error))
        return describeShaderLog(
            name,
            (error.line > 0 ? "line " + std::to_string(error.line) + ": " : "") + error.message);
    std::string log;
    if (ShaderRegistry::instance().get(wrapped, log)) return {};
    if (!unsupportedIsFault && log == gfx::programSupport()) return {};
    return describeShaderLog(name, log);
}

ShaderRegistry& ShaderRegistry::instance() {
    static ShaderRegistry registry;
    return registry;
}

const ShaderProgram* ShaderRegistry::get(const shadersource::Wrapped& wrapped, std::string& error) {
    const auto found = byText_.find(wrapped.text);
    if (found != byText_.end()) return &found->second;
    const std::string unsupported = gfx::programSupport();
    if (!unsupported.empty()) {
        error = unsupported;
        return nullptr;
    }
    std::string log;
    ShaderProgram p;
    p.program = gfx::createProgram(wrapped.text, log);
    if (!p.program) {
        error = shadersource::authorLog(log, wrapped);
        return nullptr;
    }
    for (const char* name : kPlayerUniformNames)
        p.playerLocations.push_back(gfx::uniformLocation(p.program, name));
    for (const shadersource::AuthorUniform& u : wrapped.uniforms)
        p.authorLocations.push_back(gfx::uniformLocation(p.program, u.name));
    return &byText_.emplace(wrapped.text, std::move(p)).first->second;
}

void ShaderRegistry::releaseAll() {
    for (const auto& entry : byText_) gfx::deleteProgram(entry.second.program);
    byText_.clear();
}
