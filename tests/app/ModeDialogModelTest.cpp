#include "ModeDialogModel.h"

#include <gtest/gtest.h>

namespace {
// The centre of a control, in dialog units.
void centre(DialogControl c, int& x, int& y) {
    for (const DialogItem& item : ModeDialogModel::items())
        if (item.control == c) {
            x = item.x + item.width / 2;
            y = item.y + item.height / 2;
        }
}
bool click(ModeDialogModel& m, DialogControl c) {
    int x = 0, y = 0;
    centre(c, x, y);
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
    // Enter presses the default button at once.
    EXPECT_TRUE(m.key(DialogKey::enter));
}

TEST(ModeDialog, MouseChoosesEachGroupIndependently) {
    ModeDialogModel m;
    EXPECT_FALSE(click(m, DialogControl::size1024));
    EXPECT_FALSE(click(m, DialogControl::depth16));
    EXPECT_FALSE(click(m, DialogControl::fullScreen));
    EXPECT_FALSE(m.isChecked(DialogControl::size640));
    EXPECT_TRUE(click(m, DialogControl::ok));
    ScreenMode r = m.result();
    EXPECT_EQ(r.width, 1024);
    EXPECT_EQ(r.height, 768);
    EXPECT_EQ(r.bitsPerPixel, 16);
    EXPECT_FALSE(r.fullScreen);
    EXPECT_TRUE(click(m, DialogControl::ok));
}

TEST(ModeDialog, ClickNeedsPressAndReleaseOnTheSameControl) {
    ModeDialogModel m;
    int x = 0, y = 0, ox = 0, oy = 0;
    centre(DialogControl::ok, x, y);
    centre(DialogControl::size320, ox, oy);
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
    EXPECT_FALSE(r.fullScreen);
}

TEST(ModeDialog, WindowedPresetClearsTheCheckBox) {
    ModeDialogModel m(false);
    EXPECT_FALSE(m.result().fullScreen);
}
