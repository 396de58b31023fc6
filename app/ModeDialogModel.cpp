#include "ModeDialogModel.h"

#include <vector>

namespace {

// Focus stops: the radio groups (in order), the check box, OK.
struct Group {
    std::vector<DialogControl> controls;
};
const Group kGroupControls[] = {
    {{DialogControl::size320, DialogControl::size640, DialogControl::size800,
      DialogControl::size1024}},
    {{DialogControl::depth16, DialogControl::depth32}},
    {{DialogControl::samples0, DialogControl::samples2, DialogControl::samples4,
      DialogControl::samples8}},
    {{DialogControl::rendererGl1, DialogControl::rendererGles2}},
};
constexpr int kCheckStop = 4;
constexpr int kOkStop = 5;
constexpr int kStops = 6;
constexpr int kSampleChoices[] = {0, 2, 4, 8};

}  // namespace

const std::array<DialogItem, 18>& ModeDialogModel::items() {
    static const std::array<DialogItem, 18> table = {{
        {DialogControl::banner, DialogControlKind::picture, "", 0, 0, 258, 123},
        {DialogControl::caption, DialogControlKind::text, "Select Screen Mode :", 6, 134, 89, 13},
        {DialogControl::size320, DialogControlKind::radio, "320x200", 9, 149, 58, 9},
        {DialogControl::size640, DialogControlKind::radio, "640x480", 69, 149, 58, 9},
        {DialogControl::size800, DialogControlKind::radio, "800x600", 129, 149, 58, 9},
        {DialogControl::size1024, DialogControlKind::radio, "1024x768", 189, 149, 50, 9},
        {DialogControl::depth16, DialogControlKind::radio, "16bpp", 10, 162, 50, 9},
        {DialogControl::depth32, DialogControlKind::radio, "32bpp", 81, 162, 50, 9},
        {DialogControl::smoothCaption, DialogControlKind::text, "Anti-aliasing :", 10, 176, 60, 9},
        {DialogControl::samples0, DialogControlKind::radio, "Off", 72, 175, 34, 9},
        {DialogControl::samples2, DialogControlKind::radio, "2x", 110, 175, 30, 9},
        {DialogControl::samples4, DialogControlKind::radio, "4x", 144, 175, 30, 9},
        {DialogControl::samples8, DialogControlKind::radio, "8x", 178, 175, 30, 9},
        {DialogControl::rendererCaption, DialogControlKind::text, "Renderer :", 10, 190, 60, 9},
        {DialogControl::rendererGl1, DialogControlKind::radio, "OpenGL 1.1", 72, 189, 54, 9},
        {DialogControl::rendererGles2, DialogControlKind::radio, "OpenGL ES 2.0", 130, 189, 66, 9},
        {DialogControl::fullScreen, DialogControlKind::checkBox, "FullScreen", 10, 205, 65, 11},
        {DialogControl::ok, DialogControlKind::button, "OK", 146, 203, 53, 13},
    }};
    return table;
}

ModeDialogModel::ModeDialogModel(std::optional<bool> fullScreenPreset,
                                 std::optional<int> samplesPreset,
                                 std::optional<gfx::Renderer> rendererPreset)
    : fullScreen_(fullScreenPreset.value_or(true)) {
    if (rendererPreset) choice_[3] = *rendererPreset == gfx::Renderer::gles2 ? 1 : 0;
    if (!samplesPreset) return;
    for (int i = 0; i < 4; ++i)
        if (kSampleChoices[i] <= *samplesPreset) choice_[2] = i;
    if (kSampleChoices[choice_[2]] != *samplesPreset) samplesKept_ = samplesPreset;
}

DialogControl ModeDialogModel::focused() const {
    if (focusStop_ < kGroups) return kGroupControls[focusStop_].controls[choice_[focusStop_]];
    return focusStop_ == kCheckStop ? DialogControl::fullScreen : DialogControl::ok;
}

bool ModeDialogModel::isChecked(DialogControl c) const {
    for (int g = 0; g < kGroups; ++g) {
        const std::vector<DialogControl>& controls = kGroupControls[g].controls;
        for (size_t i = 0; i < controls.size(); ++i)
            if (c == controls[i]) return choice_[g] == static_cast<int>(i);
    }
    return c == DialogControl::fullScreen && fullScreen_;
}

void ModeDialogModel::select(DialogControl c) {
    for (int g = 0; g < kGroups; ++g) {
        const std::vector<DialogControl>& controls = kGroupControls[g].controls;
        for (size_t i = 0; i < controls.size(); ++i)
            if (c == controls[i]) {
                choice_[g] = static_cast<int>(i);
                focusStop_ = g;
                if (g == 2) samplesKept_.reset();
            }
    }
    if (c == DialogControl::fullScreen) {
        fullScreen_ = !fullScreen_;
        focusStop_ = kCheckStop;
    }
    if (c == DialogControl::ok) focusStop_ = kOkStop;
}

bool ModeDialogModel::key(DialogKey k) {
    const int step = (k == DialogKey::left || k == DialogKey::up) ? -1 : 1;
    switch (k) {
    case DialogKey::tab: focusStop_ = (focusStop_ + 1) % kStops; return false;
    case DialogKey::shiftTab: focusStop_ = (focusStop_ + kStops - 1) % kStops; return false;
    case DialogKey::left:
    case DialogKey::right:
    case DialogKey::up:
    case DialogKey::down:
        // Arrows move the choice within a radio group (wrapping, as radio
        // groups do) and move the focus elsewhere.
        if (focusStop_ < kGroups) {
            const int n = static_cast<int>(kGroupControls[focusStop_].controls.size());
            select(kGroupControls[focusStop_].controls[(choice_[focusStop_] + n + step) % n]);
        } else {
            focusStop_ = (focusStop_ + kStops + step) % kStops;
        }
        return false;
    case DialogKey::space:
        if (focusStop_ == kCheckStop) fullScreen_ = !fullScreen_;
        return focusStop_ == kOkStop;
    case DialogKey::enter: return true;  // OK is the default button
    }
    return false;
}

DialogControl ModeDialogModel::hit(int x, int y) const {
    for (const DialogItem& item : items()) {
        if (item.kind == DialogControlKind::picture || item.kind == DialogControlKind::text)
            continue;
        if (x >= item.x && x < item.x + item.width && y >= item.y && y < item.y + item.height)
            return item.control;
    }
    return DialogControl::none;
}

void ModeDialogModel::mouseDown(int x, int y) {
    pressed_ = hit(x, y);
    pressedInside_ = pressed_ != DialogControl::none;
    if (pressed_ == DialogControl::ok) focusStop_ = kOkStop;
}

void ModeDialogModel::mouseMove(int x, int y) {
    if (pressed_ != DialogControl::none) pressedInside_ = hit(x, y) == pressed_;
}

bool ModeDialogModel::mouseUp(int x, int y) {
    const DialogControl target = pressed_;
    pressed_ = DialogControl::none;
    pressedInside_ = false;
    // A click counts only when pressed and released over the same control.
    if (target == DialogControl::none || hit(x, y) != target) return false;
    select(target);
    return target == DialogControl::ok;
}

ScreenMode ModeDialogModel::result() const {
    static constexpr int kW[] = {320, 640, 800, 1024};
    static constexpr int kH[] = {200, 480, 600, 768};
    ScreenMode m;
    m.fullScreen = fullScreen_;
    m.bitsPerPixel = choice_[1] == 0 ? 16 : 32;
    m.width = kW[choice_[0]];
    m.height = kH[choice_[0]];
    m.samples = samplesKept_.value_or(kSampleChoices[choice_[2]]);
    m.renderer = choice_[3] == 1 ? gfx::Renderer::gles2 : gfx::Renderer::gl1;
    return m;
}
