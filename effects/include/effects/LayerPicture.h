// The picture a layer module draws: its own bitmap from the texture
// registry, or the texture routed into its track, which takes precedence.
// The module's "start" statements name the bitmaps; all of them are made
// textures while the demo loads, so commands only look them up.
#pragma once

#include "effects/ModuleCommand.h"
#include "timeline/ResourceList.h"

#include <string>
#include <vector>

class ArgumentList;
class LoadingScreen;
class TextureSource;

class LayerPicture {
public:
    // Called while the script is read, for each statement of the module:
    // "start" keeps a string "bitmap" for load (another type is a script
    // error); "stop" and "setParam" pass; any other word is reported as
    // "<moduleTag>: command <word> not supported". Returns the word.
    CommandWord check(const std::string& commandName, ArgumentList& arguments,
                      const char* moduleTag);

    // 10 per kept bitmap name.
    float loadWeight() const;
    // Adds the kept bitmap names, with the statements that named them.
    void listResources(ResourceList& out) const;
    // Makes the next kept name a texture, in order, adding 10 to
    // `progress`; returns whether names remain. A name kept twice counts
    // twice, as loadWeight promised. A file that cannot be had is its
    // loader's business: a JPEG or BMP ends the process (status 7), a PNG
    // is logged and drawn white. Should the registry make no texture at
    // all, the process ends ("Cannot find bitmap", status 1).
    bool loadNext(LoadingScreen& progress);

    // Called when a command fires: "start" takes the texture named by
    // "bitmap" (none when the key is absent), "stop" drops the texture.
    // Returns the word.
    CommandWord apply(const std::string& commandName, ArgumentList& arguments);

    // What to draw: the routed `source` when there is one, otherwise the
    // own texture; null when neither (the module then draws untextured).
    TextureSource* choose(TextureSource* source) const { return source ? source : texture_; }
    TextureSource* texture() const { return texture_; }

private:
    std::vector<NamedResource> bitmaps_;
    std::size_t loaded_ = 0;  // of bitmaps_, made textures
    TextureSource* texture_ = nullptr;  // non-owning: the texture registry's
};
