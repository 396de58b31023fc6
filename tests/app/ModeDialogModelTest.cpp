#include "ModeDialogModel.h"

#include <gtest/gtest.h>

namespace {
// The centre of a control, in dialog units.
void centre(const ModeDialogModel& m, DialogControl c, int& x, int& y) {
    for (const DialogItem& item : m.items())
        if (item.control == c) {
            x = item.x + item.width / 2;
            y = item.y + item.height / 2;
        }
}
bool click(ModeDialogModel& m, DialogControl c) {
    int x = 0, y = 0;
    centre(m, c, x, y);
    m.mouseDown(x, y);
    return m.mouseUp(x, y);
}
}  // namespace

TEST(ModeDialog, DefaultsAre640x480By32FullScreen) {
    ModeDialogModel m;
    ScreenMode r = m.result();
    EXPECT_EQ(r.width, 640);
    EXPECT_EQ(r.height, 480);
    EXPECT_EQ(r.bitsPerPixel, 32);
    EXPECT_TRUE(r.fullScreen);
    EXPECT_TRUE(m.isChecked(DialogControl::size640));
    EXPECT_TRUE(m.isChecked(DialogControl::depth32));
    EXPECT_TRUE(m.isChecked(DialogControl::samples0));
    EXPECT_EQ(r.samples, 0);
    // Enter presses the default button at once.
    EXPECT_TRUE(m.key(DialogKey::enter));
}

TEST(ModeDialog, MouseChoosesEachGroupIndependently) {
    ModeDialogModel m;
    EXPECT_FALSE(click(m, DialogControl::size1024));
    EXPECT_FALSE(click(m, DialogControl::depth16));
    EXPECT_FALSE(click(m, DialogControl::samples8));
    EXPECT_FALSE(click(m, DialogControl::fullScreen));
    EXPECT_FALSE(m.isChecked(DialogControl::size640));
    EXPECT_FALSE(m.isChecked(DialogControl::samples0));
    EXPECT_TRUE(click(m, DialogControl::ok));
    ScreenMode r = m.result();
    EXPECT_EQ(r.width, 1024);
    EXPECT_EQ(r.height, 768);
    EXPECT_EQ(r.bitsPerPixel, 16);
    EXPECT_EQ(r.samples, 8);
    EXPECT_FALSE(r.fullScreen);
    EXPECT_TRUE(click(m, DialogControl::ok));
}

TEST(ModeDialog, ClickNeedsPressAndReleaseOnTheSameControl) {
    ModeDialogModel m;
    int x = 0, y = 0, ox = 0, oy = 0;
    centre(m, DialogControl::ok, x, y);
    centre(m, DialogControl::size320, ox, oy);
    m.mouseDown(x, y);
    EXPECT_TRUE(m.okHeldDown());
    m.mouseMove(ox, oy);
    EXPECT_FALSE(m.okHeldDown());
    EXPECT_FALSE(m.mouseUp(ox, oy));
    EXPECT_TRUE(m.isChecked(DialogControl::size640));
    // The banner and the caption are not controls.
    EXPECT_EQ(m.hit(10, 10), DialogControl::none);
}

TEST(ModeDialog, KeyboardTabArrowsSpace) {
    ModeDialogModel m;
    EXPECT_TRUE(m.hasFocus(DialogControl::size640));
    m.key(DialogKey::right);
    m.key(DialogKey::down);
    EXPECT_TRUE(m.isChecked(DialogControl::size1024));
    m.key(DialogKey::right);  // radio groups wrap
    EXPECT_TRUE(m.isChecked(DialogControl::size320));
    m.key(DialogKey::tab);
    EXPECT_TRUE(m.hasFocus(DialogControl::depth32));
    m.key(DialogKey::left);
    EXPECT_TRUE(m.isChecked(DialogControl::depth16));
    m.key(DialogKey::tab);
    EXPECT_TRUE(m.hasFocus(DialogControl::samples0));
    m.key(DialogKey::left);  // wraps to the last choice
    EXPECT_TRUE(m.hasFocus(DialogControl::samples8));
    m.key(DialogKey::up);
    m.key(DialogKey::tab);
    EXPECT_TRUE(m.hasFocus(DialogControl::rendererGl1));
    m.key(DialogKey::right);
    EXPECT_TRUE(m.isChecked(DialogControl::rendererGles2));
    m.key(DialogKey::tab);
    EXPECT_TRUE(m.hasFocus(DialogControl::fullScreen));
    EXPECT_FALSE(m.key(DialogKey::space));
    EXPECT_FALSE(m.isChecked(DialogControl::fullScreen));
    m.key(DialogKey::tab);
    EXPECT_TRUE(m.hasFocus(DialogControl::ok));
    m.key(DialogKey::tab);
    EXPECT_TRUE(m.hasFocus(DialogControl::size320));
    m.key(DialogKey::shiftTab);
    EXPECT_TRUE(m.key(DialogKey::space));  // Space on OK
    ScreenMode r = m.result();
    EXPECT_EQ(r.width, 320);
    EXPECT_EQ(r.height, 200);
    EXPECT_EQ(r.bitsPerPixel, 16);
    EXPECT_EQ(r.samples, 4);
    EXPECT_EQ(r.renderer, gfx::Renderer::gles2);
    EXPECT_FALSE(r.fullScreen);
}

TEST(ModeDialog, WindowedPresetClearsTheCheckBox) {
    ModeDialogModel m(false);
    EXPECT_FALSE(m.result().fullScreen);
}

// --msaa presets the choice; 16, which the dialog does not offer, shows as
// 8x and is kept until the viewer picks another.
TEST(ModeDialog, SamplesPresetSelectsTheChoice) {
    ModeDialogModel two(std::nullopt, 2);
    EXPECT_TRUE(two.isChecked(DialogControl::samples2));
    EXPECT_EQ(two.result().samples, 2);
    ModeDialogModel sixteen(std::nullopt, 16);
    EXPECT_TRUE(sixteen.isChecked(DialogControl::samples8));
    EXPECT_EQ(sixteen.result().samples, 16);
    click(sixteen, DialogControl::depth16);
    EXPECT_EQ(sixteen.result().samples, 16) << "other groups leave it";
    click(sixteen, DialogControl::samples4);
    EXPECT_EQ(sixteen.result().samples, 4);
}

// --renderer presets the choice; a click changes it.
TEST(ModeDialog, RendererPresetSelectsTheChoice) {
    ModeDialogModel plain;
    EXPECT_EQ(plain.result().renderer, gfx::Renderer::gl1);
    ModeDialogModel gles2(std::nullopt, std::nullopt, gfx::Renderer::gles2);
    EXPECT_TRUE(gles2.isChecked(DialogControl::rendererGles2));
    EXPECT_EQ(gles2.result().renderer, gfx::Renderer::gles2);
    click(gles2, DialogControl::rendererGl1);
    EXPECT_EQ(gles2.result().renderer, gfx::Renderer::gl1);
}

// The wide sizes the desktop shows whole are offered, and the desktop's own
// size; none of them without a desktop.
TEST(ModeDialog, WideSizesUpToTheDesktopAndTheDesktopItself) {
    const ModeDialogModel laptop(std::nullopt, std::nullopt, std::nullopt, DesktopSize{1366, 768});
    std::vector<std::string> offered;
    for (const DialogItem& item : laptop.items())
        if (item.kind == DialogControlKind::radio && item.y < 188) offered.push_back(item.text);
    EXPECT_EQ(offered, (std::vector<std::string>{"320x200", "640x480", "800x600", "1024x768",
                                                 "1280x720", "Desktop (1366x768)"}));
    ModeDialogModel m(std::nullopt, std::nullopt, std::nullopt, DesktopSize{1366, 768});
    click(m, DialogControl::sizeDesktop);
    EXPECT_EQ(m.result().width, 1366);
    EXPECT_EQ(m.result().height, 768);
    m.key(DialogKey::left);  // arrows run through both rows
    EXPECT_EQ(m.result().width, 1280);
    EXPECT_EQ(m.result().height, 720);

    const ModeDialogModel wide(std::nullopt, std::nullopt, std::nullopt, DesktopSize{1920, 1080});
    int sizes = 0;
    for (const DialogItem& item : wide.items()) {
        if (item.control == DialogControl::size1920x1080) ADD_FAILURE() << "the desktop twice";
        sizes += item.control == DialogControl::size1280x800;
    }
    EXPECT_EQ(sizes, 1);
    int withoutDesktop = 0;
    const ModeDialogModel unknown;
    for (const DialogItem& item : unknown.items())
        withoutDesktop += item.control == DialogControl::sizeDesktop;
    EXPECT_EQ(withoutDesktop, 0);
}

// Every control lies inside the dialog and no two overlap, so every click
// reaches the control it is on, with every size offered.
TEST(ModeDialog, ControlsDoNotOverlap) {
    const ModeDialogModel m(std::nullopt, std::nullopt, std::nullopt, DesktopSize{2560, 1440});
    const auto& items = m.items();
    for (size_t i = 0; i < items.size(); ++i) {
        const DialogItem& a = items[i];
        EXPECT_LE(a.x + a.width, ModeDialogModel::kWidth) << a.text;
        EXPECT_LE(a.y + a.height, ModeDialogModel::kHeight) << a.text;
        for (size_t j = i + 1; j < items.size(); ++j) {
            const DialogItem& b = items[j];
            const bool apart = a.x + a.width <= b.x || b.x + b.width <= a.x ||
                               a.y + a.height <= b.y || b.y + b.height <= a.y;
            EXPECT_TRUE(apart) << a.text << " and " << b.text;
        }
    }
}
