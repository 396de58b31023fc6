// A picture a drawing can use as its texture: a picture file's texture, a
// patch cable's capture. Below the timeline and the scene model, which both
// hold such sources without knowing how they are drawn.
#pragma once

// A texture a module can draw with in place of its own picture.
class TextureSource {
public:
    virtual ~TextureSource() = default;
    // Called before drawing with the texture: makes it the bound 2D texture.
    virtual void bind() = 0;
    // Whether the texture's picture has an alpha channel.
    virtual bool hasAlpha() const { return false; }
    // Called after bind: switch the bound texture to nearest-neighbour filtering.
    virtual void setNearestFilter() {}
    // Called after drawing with nearest filtering: back to the texture's own filter.
    virtual void restoreFilter() {}
};
