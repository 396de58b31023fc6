#include "ModeDialogModel.h"

#include <string>
#include <vector>

namespace {

// Focus stops: the radio groups (in order), the check box, OK.
constexpr int kCheckStop = 4;
constexpr int kOkStop = 5;
constexpr int kStops = 6;
constexpr int kSampleChoices[] = {0, 2, 4, 8};

struct SizeChoice {
    DialogControl control;
    int width, height;
};
// The four sizes every display had, then common 16:9 and 16:10 ones.
constexpr SizeChoice kClassicSizes[] = {{DialogControl::size320, 320, 200},
                                        {DialogControl::size640, 640, 480},
                                        {DialogControl::size800, 800, 600},
                                        {DialogControl::size1024, 1024, 768}};
constexpr SizeChoice kWideSizes[] = {{DialogControl::size1280x720, 1280, 720},
                                     {DialogControl::size1280x800, 1280, 800},
                                     {DialogControl::size1920x1080, 1920, 1080},
                                     {DialogControl::size1920x1200, 1920, 1200}};

// The layout in dialog units: the wide sizes' row and the desktop's sit
// under the classic sizes; the rest moves down by them.
constexpr int kWideRow = 162;
constexpr int kDesktopRow = 175;
constexpr int kBelow = 26;

std::string sizeText(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace

ModeDialogModel::ModeDialogModel(std::optional<bool> fullScreenPreset,
                                 std::optional<int> samplesPreset,
                                 std::optional<gfx::Renderer> rendererPreset, DesktopSize desktop)
    : fullScreen_(fullScreenPreset.value_or(true)) {
    items_ = {
        {DialogControl::banner, DialogControlKind::picture, "", 0, 0, 258, 123},
        {DialogControl::caption, DialogControlKind::text, "Select Screen Mode :", 6, 134, 89, 13},
        {DialogControl::size320, DialogControlKind::radio, "320x200", 9, 149, 58, 9},
        {DialogControl::size640, DialogControlKind::radio, "640x480", 69, 149, 58, 9},
        {DialogControl::size800, DialogControlKind::radio, "800x600", 129, 149, 58, 9},
        {DialogControl::size1024, DialogControlKind::radio, "1024x768", 189, 149, 50, 9},
    };
    for (const SizeChoice& c : kClassicSizes) {
        groups_[0].push_back(c.control);
        sizes_.push_back({c.width, c.height});
    }
    int x = 9;
    for (const SizeChoice& c : kWideSizes) {
        // Only what the desktop shows whole, and not the desktop twice.
        if (c.width > desktop.width || c.height > desktop.height) continue;
        if (c.width == desktop.width && c.height == desktop.height) continue;
        items_.push_back(
            {c.control, DialogControlKind::radio, sizeText(c.width, c.height), x, kWideRow, 58, 9});
        x += 60;
        groups_[0].push_back(c.control);
        sizes_.push_back({c.width, c.height});
    }
    if (desktop.width > 0 && desktop.height > 0) {
        items_.push_back({DialogControl::sizeDesktop, DialogControlKind::radio,
                          "Desktop (" + sizeText(desktop.width, desktop.height) + ")", 9,
                          kDesktopRow, 110, 9});
        groups_[0].push_back(DialogControl::sizeDesktop);
        sizes_.push_back({desktop.width, desktop.height});
    }
    const std::vector<DialogItem> rest = {
        {DialogControl::depth16, DialogControlKind::radio, "16bpp", 10, 162 + kBelow, 50, 9},
        {DialogControl::depth32, DialogControlKind::radio, "32bpp", 81, 162 + kBelow, 50, 9},
        {DialogControl::smoothCaption, DialogControlKind::text, "Anti-aliasing :", 10, 176 + kBelow,
         60, 9},
        {DialogControl::samples0, DialogControlKind::radio, "Off", 72, 175 + kBelow, 34, 9},
        {DialogControl::samples2, DialogControlKind::radio, "2x", 110, 175 + kBelow, 30, 9},
        {DialogControl::samples4, DialogControlKind::radio, "4x", 144, 175 + kBelow, 30, 9},
        {DialogControl::samples8, DialogControlKind::radio, "8x", 178, 175 + kBelow, 30, 9},
        {DialogControl::rendererCaption, DialogControlKind::text, "Renderer :", 10, 190 + kBelow,
         60, 9},
        {DialogControl::rendererGl1, DialogControlKind::radio, "OpenGL 1.1", 72, 189 + kBelow, 54,
         9},
        {DialogControl::rendererGles2, DialogControlKind::radio, "OpenGL ES 2.0", 130, 189 + kBelow,
         66, 9},
        {DialogControl::fullScreen, DialogControlKind::checkBox, "FullScreen", 10, 205 + kBelow, 65,
         11},
        {DialogControl::ok, DialogControlKind::button, "OK", 146, 203 + kBelow, 53, 13},
    };
    items_.insert(items_.end(), rest.begin(), rest.end());
    groups_[1] = {DialogControl::depth16, DialogControl::depth32};
    groups_[2] = {DialogControl::samples0, DialogControl::samples2, DialogControl::samples4,
                  DialogControl::samples8};
    groups_[3] = {DialogControl::rendererGl1, DialogControl::rendererGles2};

    if (rendererPreset) choice_[3] = *rendererPreset == gfx::Renderer::gles2 ? 1 : 0;
    if (!samplesPreset) return;
    for (int i = 0; i < 4; ++i)
        if (kSampleChoices[i] <= *samplesPreset) choice_[2] = i;
    if (kSampleChoices[choice_[2]] != *samplesPreset) samplesKept_ = samplesPreset;
}

DialogControl ModeDialogModel::focused() const {
    if (focusStop_ < kGroups)
        return groups_[static_cast<std::size_t>(focusStop_)][choice_[focusStop_]];
    return focusStop_ == kCheckStop ? DialogControl::fullScreen : DialogControl::ok;
}

bool ModeDialogModel::isChecked(DialogControl c) const {
    for (int g = 0; g < kGroups; ++g) {
        const std::vector<DialogControl>& controls = groups_[static_cast<std::size_t>(g)];
        for (size_t i = 0; i < controls.size(); ++i)
            if (c == controls[i]) return choice_[g] == static_cast<int>(i);
    }
    return c == DialogControl::fullScreen && fullScreen_;
}

void ModeDialogModel::select(DialogControl c) {
    for (int g = 0; g < kGroups; ++g) {
        const std::vector<DialogControl>& controls = groups_[static_cast<std::size_t>(g)];
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
            const int n = static_cast<int>(groups_[static_cast<std::size_t>(focusStop_)].size());
            select(groups_[static_cast<std::size_t>(focusStop_)]
                          [(choice_[focusStop_] + n + step) % n]);
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
    ScreenMode m;
    m.fullScreen = fullScreen_;
    m.bitsPerPixel = choice_[1] == 0 ? 16 : 32;
    m.width = sizes_[static_cast<std::size_t>(choice_[0])][0];
    m.height = sizes_[static_cast<std::size_t>(choice_[0])][1];
    m.samples = samplesKept_.value_or(kSampleChoices[choice_[2]]);
    m.renderer = choice_[3] == 1 ? gfx::Renderer::gles2 : gfx::Renderer::gl1;
    return m;
}
