#include "ModeDialog.h"

#include "Banner.h"
#include "DisplayLoss.h"
#include "ModeDialogModel.h"
#include "base/Interrupt.h"
#include "base/Log.h"
#include "render/GlyphRasterizer.h"

#include "gfx/Gfx.h"

#include <SDL.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// Dialog units to pixels for an 8-point dialog font at 96 dpi.
constexpr float kUnitX = 1.75f;
constexpr float kUnitY = 1.625f;
constexpr int kClientW = static_cast<int>(ModeDialogModel::kWidth * kUnitX + 0.5f);
constexpr int kClientH = static_cast<int>(ModeDialogModel::kHeight * kUnitY + 0.5f);

struct Rgb {
    float r, g, b;
};
constexpr Rgb kFace{0.831f, 0.816f, 0.784f};
constexpr Rgb kShadow{0.502f, 0.502f, 0.502f};
constexpr Rgb kDarkShadow{0.25f, 0.25f, 0.25f};
constexpr Rgb kHighlight{1.0f, 1.0f, 1.0f};
constexpr Rgb kText{0.0f, 0.0f, 0.0f};

struct PixelRect {
    int x, y, w, h;
};

PixelRect toPixels(const DialogItem& item) {
    return {static_cast<int>(std::lround(item.x * kUnitX)),
            static_cast<int>(std::lround(item.y * kUnitY)),
            static_cast<int>(std::lround(item.width * kUnitX)),
            static_cast<int>(std::lround(item.height * kUnitY))};
}

// Draws into a window whose GL projection has y running down from the top.
class DialogPainter {
public:
    explicit DialogPainter(std::unique_ptr<GlyphRasterizer> font,
                           std::unique_ptr<GlyphRasterizer> titleFont)
        : font_(std::move(font)) {
        // Made top row first; images take the bottom row first.
        const std::vector<std::uint8_t> topDown = makeBanner(titleFont.get());
        const size_t stride = static_cast<size_t>(kBannerWidth) * 3;
        banner_.resize(topDown.size());
        for (int row = 0; row < kBannerHeight; ++row)
            std::copy_n(&topDown[row * stride], stride,
                        &banner_[(kBannerHeight - 1 - row) * stride]);
    }

    void paint(const ModeDialogModel& model) {
        gfx::viewport(0, 0, kClientW, kClientH);
        gfx::matrixMode(gfx::MatrixMode::projection);
        gfx::loadIdentity();
        gfx::ortho(0.0f, static_cast<float>(kClientW), static_cast<float>(kClientH), 0.0f, -1.0f,
                   1.0f);
        gfx::matrixMode(gfx::MatrixMode::modelView);
        gfx::loadIdentity();
        gfx::disable(gfx::Cap::depthTest);
        gfx::clearColour(kFace.r, kFace.g, kFace.b, 1.0f);
        gfx::clear(gfx::colourBuffer);

        for (const DialogItem& item : model.items()) {
            const PixelRect r = toPixels(item);
            switch (item.kind) {
            case DialogControlKind::picture: paintBanner(r); break;
            case DialogControlKind::text: text(r.x, r.y, item.text.c_str()); break;
            case DialogControlKind::radio:
            case DialogControlKind::checkBox:
                paintChoice(item, r, model.isChecked(item.control), model.hasFocus(item.control));
                break;
            case DialogControlKind::button:
                paintButton(item, r, model.okHeldDown(), model.hasFocus(item.control));
                break;
            }
        }
        // The dialog's modal frame.
        frame({0, 0, kClientW, kClientH}, kHighlight, kDarkShadow);
        gfx::flush();
    }

private:
    void paintBanner(const PixelRect& r) {
        // Real size, centred in the control and clipped by it; sunken edge.
        const int x = r.x + (r.w - kBannerWidth) / 2;
        const int y = r.y + (r.h - kBannerHeight) / 2;
        gfx::enable(gfx::Cap::scissorTest);
        gfx::scissor(r.x, kClientH - (r.y + r.h), r.w, r.h);
        // Around the picture: its top-left pixel's colour (the last row of
        // the bottom-up copy), as centred
        // pictures are shown.
        const std::uint8_t* topLeft =
            &banner_[static_cast<size_t>(kBannerHeight - 1) * kBannerWidth * 3];
        fill(r, {topLeft[0] / 255.0f, topLeft[1] / 255.0f, topLeft[2] / 255.0f});
        if (!bannerImage_.texture)
            bannerImage_ =
                upload(kBannerWidth, kBannerHeight, gfx::PixelFormat::rgb, banner_.data());
        draw(bannerImage_, x, y);
        gfx::disable(gfx::Cap::scissorTest);
        frame(r, kShadow, kHighlight);
    }

    void paintChoice(const DialogItem& item, const PixelRect& r, bool checked, bool focus) {
        const int box = 13;
        const int bx = r.x, by = r.y + (r.h - box) / 2;
        if (item.kind == DialogControlKind::radio) {
            circle(bx + box / 2.0f, by + box / 2.0f, box / 2.0f, kShadow);
            circle(bx + box / 2.0f, by + box / 2.0f, box / 2.0f - 1, kHighlight);
            if (checked) circle(bx + box / 2.0f, by + box / 2.0f, 2.5f, kText);
        } else {
            fill({bx, by, box, box}, kShadow);
            fill({bx + 1, by + 1, box - 2, box - 2}, kHighlight);
            if (checked) {
                gfx::colour(kText.r, kText.g, kText.b);
                gfx::lineWidth(2.0f);
                gfx::begin(gfx::Primitive::lineStrip);
                gfx::vertex(bx + 3.0f, by + 6.5f);
                gfx::vertex(bx + 5.5f, by + 9.5f);
                gfx::vertex(bx + 10.0f, by + 3.5f);
                gfx::end();
                gfx::lineWidth(1.0f);
            }
        }
        const int tx = bx + box + 4;
        const int ty = r.y + (r.h - lineHeight()) / 2;
        text(tx, ty, item.text.c_str());
        if (focus)
            focusRect({tx - 2, ty - 1, font_->textWidth(item.text.c_str()) + 4, lineHeight() + 2});
    }

    void paintButton(const DialogItem& item, const PixelRect& r, bool down, bool focus) {
        // The default button carries a black outline.
        frame(r, kDarkShadow, kDarkShadow);
        const PixelRect inner{r.x + 1, r.y + 1, r.w - 2, r.h - 2};
        if (down)
            frame(inner, kShadow, kShadow);
        else
            frame(inner, kHighlight, kDarkShadow);
        const int shift = down ? 1 : 0;
        const int tw = font_->textWidth(item.text.c_str());
        const int tx = r.x + (r.w - tw) / 2 + shift;
        const int ty = r.y + (r.h - lineHeight()) / 2 + shift;
        text(tx, ty, item.text.c_str());
        if (focus) focusRect({r.x + 4, r.y + 4, r.w - 8, r.h - 8});
    }

    int lineHeight() const { return font_->ascender() + font_->descender(); }

    // A line of dialog text in the text colour, its top-left corner at x, y.
    void text(int x, int y, const std::string& s) {
        auto it = images_.find(s);
        if (it == images_.end()) {
            const TextPixels pixels = textPixels(font_->renderText(s));
            Image image;
            if (pixels.width > 0 && pixels.height > 0)
                image =
                    upload(pixels.width, pixels.height, gfx::PixelFormat::rgba, pixels.rgba.data());
            it = images_.emplace(s, image).first;
        }
        const Image& img = it->second;
        if (!img.texture) return;
        gfx::enable(gfx::Cap::blend);
        gfx::blendFunc(gfx::BlendFactor::srcAlpha, gfx::BlendFactor::oneMinusSrcAlpha);
        draw(img, x, y);
        gfx::disable(gfx::Cap::blend);
    }

    // Pixels shown one texel to a pixel: a texture of the dialog's context.
    struct Image {
        gfx::TextureId texture = 0;  // 0: nothing to show
        int width = 0;
        int height = 0;
    };

    // `pixels` bottom row first, tightly packed.
    static Image upload(int width, int height, gfx::PixelFormat format,
                        const std::uint8_t* pixels) {
        Image image{gfx::createTexture(), width, height};
        gfx::bindTexture(image.texture);
        gfx::textureFilter(gfx::Filter::nearest, gfx::Filter::nearest);
        gfx::textureWrap(gfx::Wrap::clampToEdge, gfx::Wrap::clampToEdge);
        gfx::textureImage(0, format, width, height, format, pixels);
        return image;
    }

    // The image with its top-left corner at x, y (y down), texels on pixel
    // centres, as drawn pixels would be.
    static void draw(const Image& image, int x, int y) {
        const float left = static_cast<float>(x), top = static_cast<float>(y);
        const float right = left + image.width, bottom = top + image.height;
        gfx::bindTexture(image.texture);
        gfx::enable(gfx::Cap::texture2D);
        gfx::textureEnv(gfx::TextureEnv::replace);
        gfx::begin(gfx::Primitive::quads);
        gfx::texCoord(0.0f, 1.0f);
        gfx::vertex(left, top);
        gfx::texCoord(1.0f, 1.0f);
        gfx::vertex(right, top);
        gfx::texCoord(1.0f, 0.0f);
        gfx::vertex(right, bottom);
        gfx::texCoord(0.0f, 0.0f);
        gfx::vertex(left, bottom);
        gfx::end();
        gfx::textureEnv(gfx::TextureEnv::modulate);
        gfx::disable(gfx::Cap::texture2D);
    }

    // A rendered line as an image takes it: RGBA in the text colour,
    // coverage as alpha, bottom row first. Made once per string.
    struct TextPixels {
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> rgba;
    };
    static TextPixels textPixels(const TextImage& img) {
        TextPixels out{img.width, img.height,
                       std::vector<std::uint8_t>(static_cast<size_t>(img.width) * img.height * 4)};
        for (int row = 0; row < img.height; ++row) {
            for (int col = 0; col < img.width; ++col) {
                std::uint8_t* px = &out.rgba[((img.height - 1 - row) * img.width + col) * 4];
                px[0] = static_cast<std::uint8_t>(kText.r * 255);
                px[1] = static_cast<std::uint8_t>(kText.g * 255);
                px[2] = static_cast<std::uint8_t>(kText.b * 255);
                px[3] = img.coverage[row * img.width + col];
            }
        }
        return out;
    }

    static void fill(const PixelRect& r, Rgb c) {
        gfx::colour(c.r, c.g, c.b);
        const float left = static_cast<float>(r.x), top = static_cast<float>(r.y);
        gfx::begin(gfx::Primitive::quads);
        gfx::vertex(left, top);
        gfx::vertex(left + r.w, top);
        gfx::vertex(left + r.w, top + r.h);
        gfx::vertex(left, top + r.h);
        gfx::end();
    }

    // A one-pixel edge: `topLeft` colour on the top and left sides.
    static void frame(const PixelRect& r, Rgb topLeft, Rgb bottomRight) {
        fill({r.x, r.y, r.w, 1}, topLeft);
        fill({r.x, r.y, 1, r.h}, topLeft);
        fill({r.x, r.y + r.h - 1, r.w, 1}, bottomRight);
        fill({r.x + r.w - 1, r.y, 1, r.h}, bottomRight);
    }

    static void circle(float cx, float cy, float radius, Rgb c) {
        gfx::colour(c.r, c.g, c.b);
        gfx::begin(gfx::Primitive::triangleFan);
        gfx::vertex(cx, cy);
        for (int i = 0; i <= 32; ++i) {
            const float a = i * 6.2831853f / 32;
            gfx::vertex(cx + radius * std::cos(a), cy + radius * std::sin(a));
        }
        gfx::end();
    }

    static void focusRect(const PixelRect& r) {
        gfx::colour(kText.r, kText.g, kText.b);
        gfx::enable(gfx::Cap::lineStipple);
        gfx::lineStipple(1, 0x5555);
        gfx::begin(gfx::Primitive::lineLoop);
        gfx::vertex(r.x + 0.5f, r.y + 0.5f);
        gfx::vertex(r.x + r.w - 0.5f, r.y + 0.5f);
        gfx::vertex(r.x + r.w - 0.5f, r.y + r.h - 0.5f);
        gfx::vertex(r.x + 0.5f, r.y + r.h - 0.5f);
        gfx::end();
        gfx::disable(gfx::Cap::lineStipple);
    }

    std::unique_ptr<GlyphRasterizer> font_;
    std::vector<std::uint8_t> banner_;
    Image bannerImage_;
    std::map<std::string, Image> images_;
};

std::optional<DialogKey> dialogKey(const SDL_Keysym& key) {
    switch (key.sym) {
    case SDLK_TAB: return (key.mod & KMOD_SHIFT) ? DialogKey::shiftTab : DialogKey::tab;
    case SDLK_LEFT: return DialogKey::left;
    case SDLK_RIGHT: return DialogKey::right;
    case SDLK_UP: return DialogKey::up;
    case SDLK_DOWN: return DialogKey::down;
    case SDLK_SPACE: return DialogKey::space;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return DialogKey::enter;
    default: return std::nullopt;
    }
}

struct DialogWindow {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    ~DialogWindow() {
        if (context) SDL_GL_DeleteContext(context);
        if (window) SDL_DestroyWindow(window);
    }
};

}  // namespace

DialogResult runModeDialog(std::optional<bool> fullScreenPreset, std::optional<int> samplesPreset,
                           std::optional<gfx::Renderer> rendererPreset, ScreenMode& mode) {
    // 8 points at 96 dpi.
    auto font = GlyphRasterizer::open("Verdana", 8.0 * 96.0 / 72.0);
    if (!font) {
        logMessage("Dialog: no font could be loaded\n");
        return DialogResult::failed;
    }
    DialogPainter painter(std::move(font), GlyphRasterizer::open("Verdana:bold", 20.0));

    DialogWindow dw;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    dw.window =
        SDL_CreateWindow("Vantorra - Brindlewave", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                         kClientW, kClientH, SDL_WINDOW_OPENGL | SDL_WINDOW_ALWAYS_ON_TOP);
    if (!dw.window || !(dw.context = SDL_GL_CreateContext(dw.window))) {
        logMessage("Dialog: %s\n", SDL_GetError());
        return DialogResult::failed;
    }
    SDL_GL_MakeCurrent(dw.window, dw.context);
    gfx::setBackend(nullptr);  // the door starts afresh in the new context
    SDL_RaiseWindow(dw.window);

    // The desktop the dialog is shown on, for its own size and the wide sizes
    // that fit it.
    DesktopSize desktop;
    SDL_DisplayMode current{};
    if (SDL_GetDesktopDisplayMode(SDL_GetWindowDisplayIndex(dw.window), &current) == 0)
        desktop = DesktopSize{current.w, current.h};
    ModeDialogModel model(fullScreenPreset, samplesPreset, rendererPreset, desktop);
    auto toUnits = [](int px, int py, int& ux, int& uy) {
        ux = static_cast<int>(px / kUnitX);
        uy = static_cast<int>(py / kUnitY);
    };
    bool done = false;
    painter.paint(model);
    SDL_GL_SwapWindow(dw.window);
    while (!done) {
        SDL_Event e;
        if (displayConnectionLost(dw.window)) endWithLostDisplay();
        // Wake now and then, so Ctrl-C is seen while nobody touches the dialog.
        const bool got = SDL_WaitEventTimeout(&e, 100);
        stopIfInterrupted();
        if (!got) continue;
        int ux = 0, uy = 0;
        switch (e.type) {
        case SDL_QUIT: return DialogResult::cancelled;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) return DialogResult::cancelled;
            break;
        case SDL_KEYDOWN:
            if (e.key.keysym.sym == SDLK_ESCAPE) return DialogResult::cancelled;
            if (auto k = dialogKey(e.key.keysym)) done = model.key(*k);
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button != SDL_BUTTON_LEFT) break;
            toUnits(e.button.x, e.button.y, ux, uy);
            model.mouseDown(ux, uy);
            break;
        case SDL_MOUSEMOTION:
            toUnits(e.motion.x, e.motion.y, ux, uy);
            model.mouseMove(ux, uy);
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button != SDL_BUTTON_LEFT) break;
            toUnits(e.button.x, e.button.y, ux, uy);
            done = model.mouseUp(ux, uy);
            break;
        default: break;
        }
        painter.paint(model);
        SDL_GL_SwapWindow(dw.window);
    }
    mode = model.result();
    return DialogResult::chosen;
}
