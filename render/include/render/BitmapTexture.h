// A picture file as a texture, its bitmap shared through the bitmap
// registry.
#pragma once

#include "render/Texture.h"
#include "timeline/RenderTarget.h"

#include <cstdint>
#include <string>

class Bitmap;

// Its bitmap belongs to the bitmap registry.
class BitmapTexture : public TextureSource, public Texture {
public:
    // Finds or decodes the bitmap and uploads it at once. A mode other than
    // mipmap becomes mipmap when a side is not a power of two.
    BitmapTexture(std::string name, std::int32_t filterMode);

    const std::string& name() const { return name_; }
    const Bitmap* bitmap() const { return bitmap_; }

    void bind() override { bindTexture(); }
    bool hasAlpha() const override;
    void create() override;
    void setNearestFilter() override { Texture::setNearestFilter(); }
    void restoreFilter() override { Texture::restoreFilter(); }
    // The bitmap's pixels were replaced: the GL object goes (unbound first
    // when bound) and is made from the new pixels at the next bind.
    void imageChanged();

private:
    std::string name_;
    Bitmap* bitmap_ = nullptr;  // non-owning: the bitmap registry's
};
