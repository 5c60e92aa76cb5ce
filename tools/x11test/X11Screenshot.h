// A picture of the whole X screen ($DISPLAY): every window, pop-up and drop-down list as the
// server shows them, saved as a PNG file by tools/x11_screenshot.sh, the one capturing script of
// every check on the X server. The including target defines KADRION_SOURCE_DIR.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Saves the screen to File; false when no picture could be taken.
inline bool X11SaveScreen(const QString& File) {
    return QProcess::execute(QStringLiteral(KADRION_SOURCE_DIR "/tools/x11_screenshot.sh"),
                             QStringList{File}) == 0;
}

// The exit code of a check program run without an X display: CTest counts it as skipped.
constexpr int X11SkippedExit = 77;
