// The "shader" track module: an author's fragment shader in Shadertoy's
// image-pass convention drawn over the track's viewport, blended like an
// image layer. Its channels are pictures, the music's audio texture, or the
// texture routed into the track (on iChannel0); its clock and every float
// uniform the author declares are animated parameters of the script.
//
// With "format=half" the track draws into a half-float texture of its own
// (its `self` channel is that texture's last frame): a route that takes the
// track hands that texture on as it is, values past 0..1 and all, as
// Shadertoy's buffers do; on the screen it is drawn blended like any layer.
//
// A "start" names the shader file (a data file, found by base name). The
// file is read and wrapped while the script is checked, so its uniforms are
// known as parameters; it is compiled while the demo loads, and a shader
// that does not compile stops the presentation with the author's line.
#pragma once

#include "effects/ShaderRegistry.h"
#include "effects/ShaderSource.h"
#include "gfx/Types.h"
#include "script/AnimatedParameter.h"
#include "timeline/ResourceList.h"
#include "timeline/TrackModule.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class AudioTexture;
class MusicSamples;

class ShaderModule : public TrackModule {
public:
    ShaderModule();
    ~ShaderModule() override;

    // "shader".
    const std::string& name() const override;
    // Draws over scenes and under text, as picture layers do.
    int drawPriority() const override { return 100; }
    // "start" reads and wraps its file (a missing file, a text that cannot
    // be a shader, a bad channel value are script errors here) and keeps
    // its pictures for load; every parameter is checked.
    bool checkCommand(const std::string& commandName, ArgumentList& arguments,
                      Track& track) override;
    // "start" takes the file's program, channels and parameters at the
    // command's time; "setParam" changes the parameters given; "stop" drops
    // the program. Then the base handling.
    bool command(const std::string& commandName, ArgumentList& arguments, Track& track) override;
    // Draws the current program into `destination`; `source` (a routed
    // texture) takes iChannel0. Returns 0.
    int render(float time, Destination* destination, TextureSource* source,
               TextureSource* secondSource) override;
    // 10 per shader file and per picture named; the music's samples when a
    // channel takes the music.
    float loadWeight() const override;
    // Compiles the next named shader, or makes the next named picture a
    // texture, or last decodes the music; a shader that does not compile
    // clears `ok` (the demo stops after loading).
    bool loadNext(LoadingScreen& progress, bool& ok) override;
    // The shader files and the pictures the channels name.
    void listResources(ResourceList& out) const override;

private:
    enum class ChannelKind { none, picture, music, self };
    struct Channel {
        ChannelKind kind = ChannelKind::none;
        std::string picture;  // kind picture: the name as written
        gfx::Filter minify = gfx::Filter::linearMipmapLinear;
        gfx::Filter magnify = gfx::Filter::linear;
        gfx::Wrap wrap = gfx::Wrap::repeat;
    };
    // One file a "start" names: its wrapped text and, once loaded, its
    // program.
    struct ShaderFile {
        NamedResource named;  // the first statement naming it
        shadersource::Wrapped wrapped;
        const ShaderProgram* program = nullptr;  // the shader registry's
        // By wrapped.uniforms: the parameter of each component (none past
        // the last, and none at all for a uniform that is no number).
        std::vector<std::array<AnimatedParameter*, 4>> parameters;
    };

    // The file named `name` (case-insensitive base name), read and wrapped
    // at its first naming; null, with the error logged, when it cannot be.
    ShaderFile* file(const std::string& name);
    // The channels a "start" names; faults are logged as script errors.
    std::array<Channel, 4> readChannels(ArgumentList& arguments, bool report);
    // Each parameter of the author's uniforms of `shader`: floats by name,
    // vectors by component ("tint.x").
    void addAuthorParameters(ShaderFile& shader);
    // Writes the keys given under a colour name ("tint.r") under the
    // component's own ("tint.x").
    void takeColourAliases(ArgumentList& arguments) const;
    std::uint8_t* audioTextureAt(float musicTime);
    // The texture that holds the last frame drawn (`self`), black at the
    // first frame after a start and whenever the viewport's size changed.
    void prepareSelf(const std::array<int, 4>& viewport);
    // The two half-float targets at the viewport's size, both black at the
    // first frame after a start; false when the renderer has none.
    bool prepareTargets(const std::array<int, 4>& viewport);
    // Draws the current program over `area` of what is drawn into, with the
    // player's uniforms for the frame at `time`.
    void drawShader(float time, float clock, float delta, const std::array<int, 4>& area,
                    TextureSource* source, float opaque, float alpha);
    // Draws the newest target over the viewport, blended as the layer is.
    void drawNewestTarget(float time);
    // Copies what was drawn over the viewport into it.
    void keepSelf(const std::array<int, 4>& viewport);
    gfx::ProgramTexture channelTexture(std::size_t index, TextureSource* source,
                                       std::array<float, 3>& resolution);

    std::vector<std::unique_ptr<ShaderFile>> files_;
    std::vector<NamedResource> pictures_;
    bool usesMusic_ = false;
    // Load steps taken: each file, each picture, then the rest.
    std::size_t loaded_ = 0;

    ShaderFile* current_ = nullptr;
    std::array<Channel, 4> channels_;
    std::array<TextureSource*, 4> channelPictures_{};
    AnimatedParameter alpha_{"alpha", 1.0f, true};
    AnimatedParameter time_{"time", 0.0f};
    std::map<std::string, AnimatedParameter> authorParameters_;  // by lower-case key
    std::map<std::string, std::string> colourAliases_;           // lower-case "tint.r" -> "tint.x"
    bool additiveBlending_ = false;
    bool transparent_ = false;
    bool half_ = false;      // this start asked for format=half
    bool usesHalf_ = false;  // some start does
    int frame_ = 0;
    float lastTime_ = 0.0f;

    std::shared_ptr<const MusicSamples> music_;  // shared by every module
    std::unique_ptr<AudioTexture> audio_;
    gfx::TextureId audioTexture_ = 0;
    float audioTime_ = -1.0f;
    std::vector<std::uint8_t> audioBytes_;
    gfx::TextureId selfTexture_ = 0;
    std::array<int, 2> selfSize_{{0, 0}};
    // format=half: drawn into in turn, the other holding the last frame.
    std::array<gfx::TargetId, 2> targets_{};
    std::size_t newest_ = 0;    // the target drawn last
    bool intoTargets_ = false;  // while drawing into one: `self` is the other
    std::array<int, 2> targetSize_{{0, 0}};
    const ShaderProgram* copy_ = nullptr;  // draws a target onto the frame
    std::vector<gfx::UniformValue> uniforms_;  // scratch, one frame's
};
