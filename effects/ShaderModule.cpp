#include "effects/ShaderModule.h"

#include "base/CaseInsensitive.h"
#include "base/Log.h"
#include "data/Bitmap.h"
#include "data/DataFile.h"
#include "effects/FlatDrawState.h"
#include "effects/LayerBlending.h"
#include "effects/ModuleCommand.h"
#include "gfx/Frame.h"
#include "gfx/Gfx.h"
#include "music/AudioTexture.h"
#include "music/Music.h"
#include "render/BitmapTexture.h"
#include "render/Texture.h"
#include "render/TextureRegistry.h"
#include "script/ArgumentList.h"
#include "timeline/LoadingScreen.h"
#include "timeline/RenderTarget.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

namespace {

constexpr float kFileWeight = 10.0f;
constexpr float kPictureWeight = 10.0f;
constexpr float kMusicWeight = 10.0f;

// The module's own keys: an author's uniform may not take one.
const char* const kOwnKeys[] = {"file",        "alpha",  "time", "additiveBlending",
                                "transparent", "format"};

// Draws a target onto the frame, pixel for pixel, through the wrapper's own
// blending uniforms.
const char* const kCopySource =
    "void mainImage(out vec4 colour, in vec2 at) {\n"
    "    colour = texelFetch(iChannel0, ivec2(at), 0);\n"
    "}\n";

// Whether `arguments` ask for half floats; a value that is no format is a
// script error when `report`.
bool wantsHalf(ArgumentList& arguments, bool report) {
    const ArgumentValue& format = arguments.find("format");
    if (format.isString() && equalsIgnoreCase(format.text(), "half")) return true;
    if (format.isString() && equalsIgnoreCase(format.text(), "byte")) return false;
    if (!format.isNone() && report)
        logError("shader: parameter \"format\" must be half or byte\n");
    return false;
}

// A vector uniform's parameters are named by component, "tint.x"; GLSL's
// colour names are the same parameters, "tint.r".
const char* const kComponents[] = {"x", "y", "z", "w"};
const char* const kColourComponents[] = {"r", "g", "b", "a"};
const char* const kRates[] = {"", "Vel", "Acc"};

int componentsOf(const std::string& type) {
    if (type == "float") return 1;
    if (type == "vec2") return 2;
    if (type == "vec3") return 3;
    if (type == "vec4") return 4;
    return 0;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string channelKey(std::size_t i, const char* suffix = "") {
    return "iChannel" + std::to_string(i) + suffix;
}

// Logs `message` as an error at the script place `at`, the parser's place
// kept as it was.
void errorAt(const NamedResource& at, const std::string& message) {
    ScriptPosition& position = scriptPosition();
    const ScriptPosition kept = position;
    position.line = at.line;
    position.pos = at.pos;
    logError("%s\n", message.c_str());
    position = kept;
}

// The music file decoded whole, shared by every module and kept across
// reloads until the file changes (its size or time): decoding a long piece
// again at each reload would make authors wait. Without music, or when it
// cannot be decoded, silence, as the music is.
std::shared_ptr<const MusicSamples> decodedMusic(const std::string& path) {
    struct Decoded {
        std::string path;
        std::uintmax_t size = 0;
        std::filesystem::file_time_type time;
        std::shared_ptr<const MusicSamples> samples;
    };
    static Decoded kept;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    const std::filesystem::file_time_type time = std::filesystem::last_write_time(path, error);
    if (kept.samples && kept.path == path && kept.size == size && kept.time == time)
        return kept.samples;
    auto samples = std::make_shared<MusicSamples>();
    std::string fault;
    if (path.empty() || !samples->load(path, &fault)) {
        if (!path.empty()) logMessage("shader: music \"%s\" %s\n", path.c_str(), fault.c_str());
        samples->assign({}, 44100);
    }
    kept = {path, size, time, samples};
    return samples;
}

gfx::UniformValue floats(int location, int components, int elements, const float* values) {
    gfx::UniformValue v;
    v.location = location;
    v.components = components;
    v.elements = elements;
    for (int i = 0; i < components * elements && i < 16; ++i)
        v.values[static_cast<std::size_t>(i)] = values[i];
    return v;
}

gfx::UniformValue integer(int location, int value) {
    gfx::UniformValue v;
    v.location = location;
    v.integer = true;
    v.values[0] = static_cast<float>(value);
    return v;
}

}  // namespace

ShaderModule::ShaderModule() = default;
// The programs are the registry's, shared with other modules and timelines.
ShaderModule::~ShaderModule() {
    if (audioTexture_) gfx::deleteTexture(audioTexture_);
    if (selfTexture_) gfx::deleteTexture(selfTexture_);
    for (const gfx::TargetId target : targets_) gfx::deleteTarget(target);
}

const std::string& ShaderModule::name() const {
    static const std::string n = "shader";
    return n;
}

ShaderModule::ShaderFile* ShaderModule::file(const std::string& fileName) {
    const std::string base = dataFileBaseName(fileName);
    for (const auto& f : files_)
        if (equalsIgnoreCase(dataFileBaseName(f->named.name), base)) return f.get();
    const NamedResource here{fileName, scriptPosition().line, scriptPosition().pos};
    const std::unique_ptr<MemoryFile> data = openDataFile(fileName);
    if (!data) {
        errorAt(here, "Shader " + fileName + " " + dataFileFault(fileName));
        return nullptr;
    }
    auto shader = std::make_unique<ShaderFile>();
    shader->named = here;
    const std::string text(reinterpret_cast<const char*>(data->data()), data->size());
    shadersource::SourceError error;
    if (!shadersource::wrap(text, shader->wrapped, error)) {
        errorAt(here, "Shader " + fileName +
                          (error.line > 0 ? ", line " + std::to_string(error.line) : "") + ": " +
                          error.message);
        return nullptr;
    }
    for (const shadersource::AuthorUniform& u : shader->wrapped.uniforms)
        for (const char* own : kOwnKeys)
            if (equalsIgnoreCase(u.name, own)) {
                errorAt(here, "Shader " + fileName + ", line " + std::to_string(u.line) +
                                  ": uniform " + u.name +
                                  " has the name of a parameter of "
                                  "the shader module");
                return nullptr;
            }
    files_.push_back(std::move(shader));
    return files_.back().get();
}

std::array<ShaderModule::Channel, 4> ShaderModule::readChannels(ArgumentList& arguments,
                                                                bool report) {
    std::array<Channel, 4> channels;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        Channel& c = channels[i];
        const ArgumentValue& value = arguments.find(channelKey(i));
        if (value.isString()) {
            if (equalsIgnoreCase(value.text(), "self")) {
                // Shadertoy's buffers: linear, clamped, no mipmaps.
                c.kind = ChannelKind::self;
                c.minify = gfx::Filter::linear;
                c.wrap = gfx::Wrap::clampToEdge;
            } else if (equalsIgnoreCase(value.text(), "music")) {
                c.kind = ChannelKind::music;
                // Shadertoy's sound channels: linear, clamped.
                c.minify = gfx::Filter::linear;
                c.wrap = gfx::Wrap::clampToEdge;
            } else {
                c.kind = ChannelKind::picture;
                c.picture = value.text();
            }
        } else if (!value.isNone() && report) {
            logError("shader: parameter \"%s\" must be a picture's name, music or self\n",
                     channelKey(i).c_str());
        }
        const ArgumentValue& filter = arguments.find(channelKey(i, "Filter"));
        if (filter.isString() && equalsIgnoreCase(filter.text(), "nearest")) {
            c.minify = c.magnify = gfx::Filter::nearest;
        } else if (filter.isString() && equalsIgnoreCase(filter.text(), "linear")) {
            c.minify = c.magnify = gfx::Filter::linear;
        } else if (filter.isString() && equalsIgnoreCase(filter.text(), "mipmap")) {
            c.minify = gfx::Filter::linearMipmapLinear;
            c.magnify = gfx::Filter::linear;
        } else if (!filter.isNone() && report) {
            logError("shader: parameter \"%s\" must be nearest, linear or mipmap\n",
                     channelKey(i, "Filter").c_str());
        }
        const ArgumentValue& wrap = arguments.find(channelKey(i, "Wrap"));
        if (wrap.isString() && equalsIgnoreCase(wrap.text(), "clamp")) {
            c.wrap = gfx::Wrap::clampToEdge;
        } else if (wrap.isString() && equalsIgnoreCase(wrap.text(), "repeat")) {
            c.wrap = gfx::Wrap::repeat;
        } else if (!wrap.isNone() && report) {
            logError("shader: parameter \"%s\" must be clamp or repeat\n",
                     channelKey(i, "Wrap").c_str());
        }
    }
    return channels;
}

void ShaderModule::addAuthorParameters(ShaderFile& shader) {
    shader.parameters.clear();
    for (const shadersource::AuthorUniform& u : shader.wrapped.uniforms) {
        const int n = componentsOf(u.type);
        std::array<AnimatedParameter*, 4> components{};
        for (int c = 0; c < n; ++c) {
            const std::string key = n == 1 ? u.name : u.name + "." + kComponents[c];
            const float initial = static_cast<std::size_t>(c) < u.initial.size()
                                      ? u.initial[static_cast<std::size_t>(c)]
                                      : 0.0f;
            // The first file to declare a name gives its default.
            components[static_cast<std::size_t>(c)] =
                &authorParameters_.emplace(lower(key), AnimatedParameter(key, initial))
                     .first->second;
            if (n > 1) colourAliases_.emplace(lower(u.name + "." + kColourComponents[c]), key);
        }
        shader.parameters.push_back(components);
    }
}

void ShaderModule::takeColourAliases(ArgumentList& arguments) const {
    for (const auto& [alias, key] : colourAliases_)
        for (const char* rate : kRates) {
            const ArgumentValue& value = arguments.find(alias + rate);
            if (!value.isNone()) arguments.set(key + rate, value);
        }
}

bool ShaderModule::checkCommand(const std::string& commandName, ArgumentList& arguments, Track&) {
    arguments.clearUsed();
    const CommandWord word = commandWord(commandName);
    if (word == CommandWord::other) {
        logError("shader: command %s not supported\n", commandName.c_str());
        return true;
    }
    if (word == CommandWord::start) {
        if (arguments.requireString("file")) {
            if (ShaderFile* shader = file(arguments.find("file").text()))
                addAuthorParameters(*shader);
        }
        usesHalf_ = wantsHalf(arguments, true) || usesHalf_;
        const std::array<Channel, 4> channels = readChannels(arguments, true);
        for (const Channel& c : channels) {
            if (c.kind == ChannelKind::picture)
                pictures_.push_back({c.picture, scriptPosition().line, scriptPosition().pos});
            if (c.kind == ChannelKind::music) usesMusic_ = true;
        }
    }
    alpha_.markUsed(arguments);
    time_.markUsed(arguments);
    for (const auto& entry : authorParameters_) entry.second.markUsed(arguments);
    for (const auto& entry : colourAliases_)
        AnimatedParameter(entry.first, 0.0f).markUsed(arguments);
    arguments.optionalNumber("additiveBlending");
    arguments.optionalNumber("transparent");
    arguments.warnUnused();
    return true;
}

float ShaderModule::loadWeight() const {
    return kFileWeight * static_cast<float>(files_.size()) +
           kPictureWeight * static_cast<float>(pictures_.size()) +
           (usesMusic_ ? kMusicWeight : 0.0f);
}

void ShaderModule::listResources(ResourceList& out) const {
    for (const auto& shader : files_) out.shaders.push_back(shader->named);
    out.pictures.insert(out.pictures.end(), pictures_.begin(), pictures_.end());
}

bool ShaderModule::loadNext(LoadingScreen& progress, bool& ok) {
    const std::size_t files = files_.size(), pictures = pictures_.size();
    if (loaded_ < files) {
        ShaderFile& shader = *files_[loaded_++];
        std::string error;
        shader.program = ShaderRegistry::instance().get(shader.wrapped, error);
        if (!shader.program && error == gfx::programSupport()) {
            // Not the author's fault: the presentation plays on, its shader
            // tracks drawing nothing, and says so once.
            static bool said = false;
            if (!said) logMessage("Shaders: %s; shader tracks draw nothing\n", error.c_str());
            said = true;
        } else if (!shader.program) {
            errorAt(shader.named, describeShaderLog(shader.named.name, error));
            ok = false;
        }
        progress.addProgress(kFileWeight);
        return true;
    }
    if (loaded_ < files + pictures) {
        const NamedResource& picture = pictures_[loaded_++ - files];
        BitmapTexture* texture = TextureRegistry::instance().getOrCreate(picture.name);
        progress.addProgress(kPictureWeight);
        if (!texture) logFatal("Cannot find bitmap \"%s\"\n", picture.name.c_str());
        return true;
    }
    if (loaded_ > files + pictures) return false;
    ++loaded_;
    if (usesHalf_ && gfx::programSupport().empty()) {
        shadersource::Wrapped copy;
        shadersource::SourceError fault;
        std::string error;
        if (shadersource::wrap(kCopySource, copy, fault))
            copy_ = ShaderRegistry::instance().get(copy, error);
        if (!copy_) logMessage("shader: cannot draw half-float tracks: %s\n", error.c_str());
    }
    if (usesMusic_) {
        music_ = decodedMusic(Music::instance().fileName());
        audio_ = std::make_unique<AudioTexture>(*music_);
        progress.addProgress(kMusicWeight);
    }
    return false;
}

bool ShaderModule::command(const std::string& commandName, ArgumentList& arguments, Track& track) {
    const float t = commandTime(track);
    const CommandWord word = commandWord(commandName);
    if (word == CommandWord::start) {
        const ArgumentValue& name = arguments.find("file");
        current_ = name.isString() ? file(name.text()) : nullptr;
        channels_ = readChannels(arguments, false);
        for (std::size_t i = 0; i < channels_.size(); ++i)
            channelPictures_[i] =
                channels_[i].kind == ChannelKind::picture
                    ? TextureRegistry::instance().getOrCreate(channels_[i].picture)
                    : nullptr;
        additiveBlending_ = false;
        transparent_ = false;
        half_ = wantsHalf(arguments, false);
        frame_ = 0;
        lastTime_ = 0.0f;
        const bool clockGiven = !arguments.find("time").isNone() ||
                                !arguments.find("timeVel").isNone() ||
                                !arguments.find("timeAcc").isNone();
        if (clockGiven) {
            time_.reset(arguments, t);
        } else {
            // By default the shader's clock is the seconds since the command.
            ArgumentList running;
            running.set("timeVel", ArgumentValue(1.0f));
            time_.reset(running, t);
        }
        alpha_.reset(arguments, t);
        takeColourAliases(arguments);
        for (auto& entry : authorParameters_) entry.second.reset(arguments, t);
    } else if (word == CommandWord::setParam) {
        time_.update(arguments, t);
        alpha_.update(arguments, t);
        takeColourAliases(arguments);
        for (auto& entry : authorParameters_) entry.second.update(arguments, t);
    } else if (word == CommandWord::stop) {
        current_ = nullptr;
        channelPictures_ = {};
    }
    readFlag(arguments, "additiveBlending", additiveBlending_);
    readFlag(arguments, "transparent", transparent_);
    return TrackModule::command(commandName, arguments, track);
}

std::uint8_t* ShaderModule::audioTextureAt(float musicTime) {
    if (!audio_) return nullptr;
    if (!audioTexture_) {
        audioTexture_ = gfx::createTexture();
        audioBytes_.assign(AudioTexture::kWidth * AudioTexture::kHeight, 0);
        audioTime_ = -1.0f;
    }
    if (musicTime != audioTime_) {
        audio_->compute(musicTime, audioBytes_.data());
        const gfx::TextureId bound = gfx::state().bound;
        gfx::bindTexture(audioTexture_);
        gfx::textureImage(0, gfx::PixelFormat::luminance, AudioTexture::kWidth,
                          AudioTexture::kHeight, gfx::PixelFormat::luminance, audioBytes_.data());
        gfx::bindTexture(bound);
        audioTime_ = musicTime;
    }
    return audioBytes_.data();
}

void ShaderModule::prepareSelf(const std::array<int, 4>& viewport) {
    const std::array<int, 2> size{{std::max(viewport[2], 1), std::max(viewport[3], 1)}};
    if (selfTexture_ && frame_ > 0 && size == selfSize_) return;
    if (!selfTexture_) selfTexture_ = gfx::createTexture();
    const std::vector<std::uint8_t> black(static_cast<std::size_t>(size[0]) * size[1] * 3, 0);
    const gfx::TextureId was = gfx::state().bound;
    gfx::bindTexture(selfTexture_);
    // The frame may have no alpha: the copies, and so this, hold colour only.
    gfx::textureImage(0, gfx::PixelFormat::rgb, size[0], size[1], gfx::PixelFormat::rgb,
                      black.data());
    gfx::bindTexture(was);
    selfSize_ = size;
}

void ShaderModule::keepSelf(const std::array<int, 4>& viewport) {
    const gfx::TextureId was = gfx::state().bound;
    gfx::bindTexture(selfTexture_);
    {
        const gfx::ResolvedFrameRead read;
        gfx::copyFrameToTexture(gfx::PixelFormat::rgb, viewport[0], viewport[1], selfSize_[0],
                                selfSize_[1]);
    }
    gfx::bindTexture(was);
}

gfx::ProgramTexture ShaderModule::channelTexture(std::size_t i, TextureSource* source,
                                                 std::array<float, 3>& resolution) {
    const Channel& c = channels_[i];
    gfx::ProgramTexture t;
    t.minify = c.minify;
    t.magnify = c.magnify;
    t.wrap = c.wrap;
    resolution = {0.0f, 0.0f, 1.0f};
    TextureSource* picture = i == 0 && source ? source : channelPictures_[i];
    if (picture) {
        if (picture == source && c.kind != ChannelKind::picture) {
            // A routed picture has no mipmaps: Shadertoy's buffers sample
            // linearly, clamped.
            t.minify =
                t.magnify == gfx::Filter::nearest ? gfx::Filter::nearest : gfx::Filter::linear;
            if (c.kind == ChannelKind::none) t.wrap = gfx::Wrap::clampToEdge;
        }
        // Bound through the textures' own bookkeeping (a picture is made a
        // texture at its first bind), which is put back as it was.
        const gfx::TextureId was = gfx::state().bound;
        Texture* before = boundTexture();
        picture->bind();
        t.id = gfx::state().bound;
        if (before)
            before->bindTexture();
        else
            unbindTexture();
        gfx::bindTexture(was);
        if (const auto* bitmap = dynamic_cast<BitmapTexture*>(picture); bitmap && bitmap->bitmap())
            resolution = {static_cast<float>(bitmap->bitmap()->width()),
                          static_cast<float>(bitmap->bitmap()->height()), 1.0f};
        else if (const auto* target = dynamic_cast<Destination*>(picture))
            resolution = {static_cast<float>(target->width()), static_cast<float>(target->height()),
                          1.0f};
    } else if (c.kind == ChannelKind::self && intoTargets_) {
        t.id = gfx::targetTexture(targets_[newest_]);
        resolution = {static_cast<float>(targetSize_[0]), static_cast<float>(targetSize_[1]),
                      1.0f};
    } else if (c.kind == ChannelKind::self && selfTexture_) {
        t.id = selfTexture_;
        resolution = {static_cast<float>(selfSize_[0]), static_cast<float>(selfSize_[1]), 1.0f};
    } else if (c.kind == ChannelKind::music && audioTexture_) {
        t.id = audioTexture_;
        resolution = {static_cast<float>(AudioTexture::kWidth),
                      static_cast<float>(AudioTexture::kHeight), 1.0f};
    }
    return t;
}

bool ShaderModule::prepareTargets(const std::array<int, 4>& viewport) {
    if (!copy_) return false;
    const std::array<int, 2> size{{std::max(viewport[2], 1), std::max(viewport[3], 1)}};
    if (targets_[0] && size != targetSize_) {
        for (gfx::TargetId& target : targets_) {
            gfx::deleteTarget(target);
            target = 0;
        }
    }
    if (!targets_[0]) {
        const gfx::TextureId bound = gfx::state().bound;
        bool half = true;
        for (gfx::TargetId& target : targets_) target = gfx::createTarget(size[0], size[1], half);
        gfx::bindTexture(bound);
        if (!targets_[0] || !targets_[1]) {
            static bool said = false;
            if (!said) logMessage("shader: this renderer has no texture targets; format=half "
                                  "tracks draw in 8 bits\n");
            said = true;
            for (gfx::TargetId& target : targets_) gfx::deleteTarget(target);
            targets_ = {};
            return false;
        }
        if (!half) {
            static bool said = false;
            if (!said) logMessage("shader: this renderer cannot draw into half floats; "
                                  "format=half tracks keep 8 bits a channel\n");
            said = true;
        }
        targetSize_ = size;
    } else if (frame_ == 0) {
        for (const gfx::TargetId target : targets_) gfx::clearTarget(target);
    }
    return true;
}

void ShaderModule::drawShader(float time, float clock, float delta, const std::array<int, 4>& area,
                              TextureSource* source, float opaque, float alpha) {
    const ShaderProgram& shader = *current_->program;
    std::array<gfx::ProgramTexture, 4> textures;
    float resolutions[12];
    float channelTimes[4];
    for (std::size_t i = 0; i < 4; ++i) {
        std::array<float, 3> r;
        textures[i] = channelTexture(i, source, r);
        for (std::size_t k = 0; k < 3; ++k) resolutions[i * 3 + k] = r[k];
        channelTimes[i] = channels_[i].kind == ChannelKind::music ? time : clock;
    }
    const float resolution[3] = {static_cast<float>(area[2]), static_cast<float>(area[3]), 1.0f};
    const float origin[2] = {static_cast<float>(area[0]), static_cast<float>(area[1])};
    const float frameRate = delta > 0.0f ? 1.0f / delta : 60.0f;
    // A fixed day, the music time its clock: every run shows the same frame.
    const float date[4] = {2000.0f, 0.0f, 1.0f, time};
    const float mouse[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    const float sampleRate =
        music_ && music_->sampleRate() > 0 ? static_cast<float>(music_->sampleRate()) : 44100.0f;
    using U = PlayerUniform;
    const auto at = [&](PlayerUniform u) { return shader.location(u); };

    uniforms_.clear();
    uniforms_.push_back(floats(at(U::resolution), 3, 1, resolution));
    uniforms_.push_back(floats(at(U::time), 1, 1, &clock));
    uniforms_.push_back(floats(at(U::globalTime), 1, 1, &clock));
    uniforms_.push_back(floats(at(U::timeDelta), 1, 1, &delta));
    uniforms_.push_back(integer(at(U::frame), frame_));
    uniforms_.push_back(floats(at(U::frameRate), 1, 1, &frameRate));
    uniforms_.push_back(floats(at(U::channelTime), 1, 4, channelTimes));
    uniforms_.push_back(floats(at(U::channelResolution), 3, 4, resolutions));
    uniforms_.push_back(floats(at(U::mouse), 4, 1, mouse));
    uniforms_.push_back(floats(at(U::date), 4, 1, date));
    uniforms_.push_back(floats(at(U::sampleRate), 1, 1, &sampleRate));
    for (int i = 0; i < 4; ++i)
        uniforms_.push_back(
            integer(at(static_cast<PlayerUniform>(static_cast<int>(U::channel0) + i)), i));
    uniforms_.push_back(floats(at(U::origin), 2, 1, origin));
    uniforms_.push_back(floats(at(U::opaque), 1, 1, &opaque));
    uniforms_.push_back(floats(at(U::alpha), 1, 1, &alpha));
    for (std::size_t i = 0; i < current_->parameters.size(); ++i) {
        const std::array<AnimatedParameter*, 4>& components = current_->parameters[i];
        if (!components[0] || shader.authorLocations[i] < 0) continue;
        float values[4];
        int n = 0;
        for (; n < 4 && components[static_cast<std::size_t>(n)]; ++n)
            values[n] = components[static_cast<std::size_t>(n)]->valueAt(time);
        uniforms_.push_back(floats(shader.authorLocations[i], n, 1, values));
    }
    gfx::drawProgram(shader.program, uniforms_.data(), uniforms_.size(), textures);
}

void ShaderModule::drawNewestTarget(float time) {
    FlatDrawState flat;
    LayerBlending blending(alpha_.valueAt(time), transparent_, *this, additiveBlending_);
    const std::array<int, 4> viewport = gfx::viewportState();
    const float origin[2] = {static_cast<float>(viewport[0]), static_cast<float>(viewport[1])};
    const float opaque = transparent_ ? 0.0f : 1.0f;
    const float alpha = blending.alpha();
    using U = PlayerUniform;
    const gfx::UniformValue uniforms[] = {
        integer(copy_->location(U::channel0), 0), floats(copy_->location(U::origin), 2, 1, origin),
        floats(copy_->location(U::opaque), 1, 1, &opaque),
        floats(copy_->location(U::alpha), 1, 1, &alpha)};
    std::array<gfx::ProgramTexture, 4> textures{};
    textures[0] = {gfx::targetTexture(targets_[newest_]), gfx::Filter::nearest,
                   gfx::Filter::nearest, gfx::Wrap::clampToEdge};
    gfx::drawProgram(copy_->program, uniforms, sizeof uniforms / sizeof uniforms[0], textures);
}

int ShaderModule::render(float time, Destination* destination, TextureSource* source,
                         TextureSource*) {
    if (!current_ || !current_->program) return 0;
    bool music = false, self = false;
    for (const Channel& c : channels_) {
        music = music || c.kind == ChannelKind::music;
        self = self || c.kind == ChannelKind::self;
    }
    if (music) audioTextureAt(time);
    const std::array<int, 4> viewport = gfx::viewportState();
    const float clock = time_.valueAt(time);
    const float delta = frame_ == 0 ? 0.0f : clock - lastTime_;

    if (destination) destination->beginDraw();
    if (half_ && prepareTargets(viewport)) {
        // The shader's output as it is, alpha included; the previous target
        // is `self`.
        intoTargets_ = true;
        const std::size_t next = 1 - newest_;
        {
            const gfx::StateScope state;
            const FlatDrawState flat;
            gfx::disable(gfx::Cap::scissorTest);
            gfx::colorMask(true, true, true, true);
            gfx::viewport(0, 0, targetSize_[0], targetSize_[1]);
            const gfx::TargetScope into(targets_[next]);
            drawShader(time, clock, delta, {{0, 0, targetSize_[0], targetSize_[1]}}, source, 0.0f,
                       1.0f);
        }
        intoTargets_ = false;
        newest_ = next;
        if (!destination || !destination->showTarget(targets_[newest_])) drawNewestTarget(time);
    } else {
        if (self) prepareSelf(viewport);
        FlatDrawState flat;
        LayerBlending blending(alpha_.valueAt(time), transparent_, *this, additiveBlending_);
        drawShader(time, clock, delta, viewport, source, transparent_ ? 0.0f : 1.0f,
                   blending.alpha());
        if (self) keepSelf(viewport);
    }
    lastTime_ = clock;
    ++frame_;
    // After the GL state is back: a patch cable captures the frame here.
    if (destination) destination->endDraw();
    return 0;
}
