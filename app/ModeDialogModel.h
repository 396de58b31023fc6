// The screen-mode dialog's controls and behaviour, without any drawing: the
// layout in dialog units, the selections, keyboard focus and mouse handling.
#pragma once

#include "app/Options.h"

#include <array>
#include <string>
#include <vector>

enum class DialogControl {
    banner,
    caption,
    size320,
    size640,
    size800,
    size1024,
    size1280x720,
    size1280x800,
    size1920x1080,
    size1920x1200,
    sizeDesktop,
    depth16,
    depth32,
    smoothCaption,
    samples0,
    samples2,
    samples4,
    samples8,
    rendererCaption,
    rendererGl1,
    rendererGles2,
    fullScreen,
    ok,
    none
};

enum class DialogControlKind { picture, text, radio, checkBox, button };

struct DialogItem {
    DialogControl control;
    DialogControlKind kind;
    std::string text;
    int x, y, width, height;  // dialog units
};

// The size of the desktop the dialog is shown on; 0 x 0 when unknown.
struct DesktopSize {
    int width = 0;
    int height = 0;
};

// Keyboard input the dialog understands.
enum class DialogKey { tab, shiftTab, left, right, up, down, space, enter };

class ModeDialogModel {
public:
    static constexpr int kWidth = 259;  // dialog units
    static constexpr int kHeight = 262;
    // The controls, top to bottom; the wide sizes only as far as they fit
    // the desktop, which is offered itself as "Desktop (WxH)".
    const std::vector<DialogItem>& items() const { return items_; }

    // 640x480, 32 bpp, no anti-aliasing, the OpenGL 1.1 renderer, full
    // screen checked. Presets override the check box, the anti-aliasing and
    // the renderer; a sample count the dialog does not offer (16) shows as
    // its largest choice and is kept unless the viewer picks another.
    explicit ModeDialogModel(std::optional<bool> fullScreenPreset = std::nullopt,
                             std::optional<int> samplesPreset = std::nullopt,
                             std::optional<gfx::Renderer> rendererPreset = std::nullopt,
                             DesktopSize desktop = DesktopSize{});

    // Returns true when the key ended the dialog (OK).
    bool key(DialogKey k);
    // Mouse button pressed or released over a control (dialog units); the
    // release returns true when it completed a click on OK.
    void mouseDown(int x, int y);
    bool mouseUp(int x, int y);

    DialogControl hit(int x, int y) const;
    bool isChecked(DialogControl c) const;
    bool hasFocus(DialogControl c) const { return focused() == c; }
    bool okHeldDown() const { return pressed_ == DialogControl::ok && pressedInside_; }
    void mouseMove(int x, int y);

    // The chosen mode, as the OK command reads it.
    ScreenMode result() const;

private:
    DialogControl focused() const;
    void select(DialogControl c);

    // The radio groups, top to bottom: sizes, depths, samples, renderers.
    static constexpr int kGroups = 4;
    std::array<int, kGroups> choice_{{1, 1, 0, 0}};  // 640x480, 32 bpp, off, gl1
    std::array<std::vector<DialogControl>, kGroups> groups_;
    std::vector<std::array<int, 2>> sizes_;  // the sizes group's, in its order
    std::vector<DialogItem> items_;
    std::optional<int> samplesKept_;  // a preset the dialog cannot show
    bool fullScreen_ = true;
    int focusStop_ = 0;  // the groups in order, then the check box, OK
    DialogControl pressed_ = DialogControl::none;
    bool pressedInside_ = false;
};
