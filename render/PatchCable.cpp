#include "render/PatchCable.h"

#include "base/CaseInsensitive.h"
#include "base/Screen.h"
#include "gfx/Frame.h"
#include "gfx/Gfx.h"
#include "timeline/SourceDestPool.h"

PatchCable::PatchCable(std::string poolName) : Texture(linear), poolName_(std::move(poolName)) {
    create();
    Texture* bound = boundTexture();
    gfx::bindTexture(bound ? bound->id() : 0);
}

void PatchCable::create() {
    createObject(linear);
}

int PatchCable::width() const {
    return screenSize().pow2Width;
}
int PatchCable::height() const {
    return screenSize().pow2Height;
}

std::uint32_t PatchCable::shownTexture() const {
    return shown_ ? gfx::targetTexture(shown_) : 0;
}

// Recorded as bound like the own texture, so texturing is turned on and
// unbindTexture turns it off again.
void PatchCable::bind() {
    bindTexture();
    const gfx::TextureId shown = shownTexture();
    gfx::bindTexture(shown ? shown : id());
}

void PatchCable::setNearestFilter() {
    if (shownTexture())
        gfx::textureFilter(gfx::Filter::nearest, gfx::Filter::nearest);
    else
        Texture::setNearestFilter();
}

void PatchCable::restoreFilter() {
    if (shownTexture())
        gfx::textureFilter(gfx::Filter::linear, gfx::Filter::linear);
    else
        Texture::restoreFilter();
}

void PatchCable::endDraw() {
    if (shown_) return;
    bindTexture();
    {
        const gfx::ResolvedFrameRead read;
        gfx::copyFrameToTexture(gfx::PixelFormat::rgb, 0, 0, width(), height());
    }
    unbindTexture();
    gfx::clear(gfx::colourBuffer);
}

void installGLEndpoints() {
    SourceDestPool::instance().setFactory([](std::string_view name) -> std::unique_ptr<PoolEntry> {
        if (startsWithIgnoreCase(name, "PatchCable"))
            return std::make_unique<PatchCable>(std::string(name));
        return std::make_unique<DestinationGL>(screenSize().width, screenSize().height);
    });
}
