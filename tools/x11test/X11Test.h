// Scenarios on a real X server, driven the way a user's input arrives: xdotool sends keys,
// clicks and wheel turns through the server, the window manager gives the focus, and the test
// reads back what the controls did.
//
// A library's x11 tests (cmake: kadrion_x11_tests, every .cpp in <folder>/tests/x11) link this
// support, which brings main(): it makes the QApplication on the xcb platform before any test
// environment starts. Run them under tools/x11_run.sh (./test.sh does); without an X display
// every X11Test skips.
//
//   class MyWindow : public X11Test {};
//   TEST_F(MyWindow, AltLetterPressesTheButton) {
//       ... make and Show() the form ...
//       ASSERT_TRUE(X11::WaitActive(form->GetHandle()));
//       X11::SetLayout("ua");
//       ASSERT_TRUE(X11::Key("alt+Cyrillic_ze"));   // waits until the keys have arrived
//       EXPECT_EQ(clicks, 1);
//       X11::Screenshot("my-window");                // only with KADRION_SCREENSHOT_DIR set
//   }
#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

class QWidget;

// A test on the real X server: skips without an X display and gives the US keyboard layout back
// at its end.
class X11Test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

namespace X11 {

// True when an X display is there.
bool HaveDisplay();
// Runs xdotool with these arguments and waits until it ends; false (and a test failure) when it
// cannot run or fails.
bool XDoTool(const QStringList& Args);
// Presses keys named as xdotool names them, chords joined by '+', several chords separated by
// spaces: "alt+Cyrillic_ze", "Down Down End", "ctrl+a". Returns once the application has seen
// every key come up again (false after a few seconds without).
bool Key(const QString& Keys);
// Types text (Cyrillic included) under the current layout, waiting for it as Key does.
bool Type(const QString& Text);
// Moves the pointer over a point of a widget (its own co-ordinates).
bool MoveTo(QWidget* W, QPoint P);
// Clicks there with a button (1 left, 2 middle, 3 right), waiting until the release arrived.
bool Click(QWidget* W, QPoint P, int Button = 1);
// Turns the wheel there: Clicks > 0 turns it down (towards the user), < 0 up; waits until the
// application has seen every turn.
bool Wheel(QWidget* W, QPoint P, int Clicks);
// Switches the keyboard layout ("us", "ua") with setxkbmap.
bool SetLayout(const QString& Layout);
// Handles events until Done holds, for at most TimeoutMs; returns Done().
bool WaitFor(const std::function<bool()>& Done, int TimeoutMs = 5000);
// Waits until the window of W is shown, exposed, active and has the keyboard focus.
bool WaitActive(QWidget* W);
// Handles what is pending and paints what waits to be painted.
void Flush();
// With KADRION_SCREENSHOT_DIR set, saves the whole screen to <dir>/<Name>.png through
// tools/x11_screenshot.sh; otherwise does nothing.
void Screenshot(const QString& Name);

} // namespace X11
