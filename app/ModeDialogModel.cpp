#include "ModeDialogModel.h"

namespace {
constexpr int kStops = 4;
constexpr DialogControl kSizes[] = {DialogControl::size320, DialogControl::size640,
                                    DialogControl::size800, DialogControl::size1024};
constexpr DialogControl kDepths[] = {DialogControl::depth16, DialogControl::depth32};
}  // namespace

const std::array<DialogItem, 10>& ModeDialogModel::items() {
    static const std::array<DialogItem, 10> table = {{
        {DialogControl::banner, DialogControlKind::picture, "", 0, 0, 258, 123},
        {DialogControl::caption, DialogControlKind::text, "Select Screen Mode :", 6, 134, 89, 13},
        {DialogControl::size320, DialogControlKind::radio, "320x200", 9, 149, 58, 9},
        {DialogControl::size640, DialogControlKind::radio, "640x480", 69, 149, 58, 9},
        {DialogControl::size800, DialogControlKind::radio, "800x600", 129, 149, 58, 9},
        {DialogControl::size1024, DialogControlKind::radio, "1024x768", 189, 149, 50, 9},
        {DialogControl::depth16, DialogControlKind::radio, "16bpp", 10, 162, 50, 9},
        {DialogControl::depth32, DialogControlKind::radio, "32bpp", 81, 162, 50, 9},
        {DialogControl::fullScreen, DialogControlKind::checkBox, "FullScreen", 10, 178, 65, 11},
        {DialogControl::ok, DialogControlKind::button, "OK", 146, 176, 53, 13},
    }};
    return table;
}

ModeDialogModel::ModeDialogModel(std::optional<bool> fullScreenPreset)
    : fullScreen_(fullScreenPreset.value_or(true)) {}

DialogControl ModeDialogModel::focused() const {
    switch (focusStop_) {
    case 0: return kSizes[size_];
    case 1: return kDepths[depth_];
    case 2: return DialogControl::fullScreen;
    default: return DialogControl::ok;
    }
}

bool ModeDialogModel::isChecked(DialogControl c) const {
    for (int i = 0; i < 4; ++i)
        if (c == kSizes[i]) return size_ == i;
    for (int i = 0; i < 2; ++i)
        if (c == kDepths[i]) return depth_ == i;
    return c == DialogControl::fullScreen && fullScreen_;
}

void ModeDialogModel::select(DialogControl c) {
    for (int i = 0; i < 4; ++i)
        if (c == kSizes[i]) {
            size_ = i;
            focusStop_ = 0;
        }
    for (int i = 0; i < 2; ++i)
        if (c == kDepths[i]) {
            depth_ = i;
            focusStop_ = 1;
        }
    if (c == DialogControl::fullScreen) {
        fullScreen_ = !fullScreen_;
        focusStop_ = 2;
    }
    if (c == DialogControl::ok) focusStop_ = 3;
}

bool ModeDialogModel::key(DialogKey k) {
    const int step = (k == DialogKey::left || k == DialogKey::up) ? -1 : 1;
    switch (k) {
    case DialogKey::tab:
        focusStop_ = (focusStop_ + 1) % kStops;
        return false;
    case DialogKey::shiftTab:
        focusStop_ = (focusStop_ + kStops - 1) % kStops;
        return false;
    case DialogKey::left:
    case DialogKey::right:
    case DialogKey::up:
    case DialogKey::down:
        // Arrows move the choice within a radio group (wrapping, as radio
        // groups do) and move the focus elsewhere.
        if (focusStop_ == 0)
            size_ = (size_ + 4 + step) % 4;
        else if (focusStop_ == 1)
            depth_ = (depth_ + 2 + step) % 2;
        else
            focusStop_ = (focusStop_ + kStops + step) % kStops;
        return false;
    case DialogKey::space:
        if (focusStop_ == 2) fullScreen_ = !fullScreen_;
        return focusStop_ == 3;
    case DialogKey::enter:
        return true;  // OK is the default button
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
    if (pressed_ == DialogControl::ok) focusStop_ = 3;
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
    m.bitsPerPixel = depth_ == 0 ? 16 : 32;
    m.width = kW[size_];
    m.height = kH[size_];
    return m;
}
