// What the checks of the controls on a real X server share: steps that act (through xdotool,
// as a user would) and then wait until the program saw what they did, and screenshots of the
// X screen. A check is a program run under tools/x11_run.sh (without an X display it exits
// with X11SkippedExit); its exit code is 0 when every step saw
// what it waited for.
#pragma once

#include "Controls.h"
#include "Forms.h"
#include "X11Screenshot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <vector>

struct TX11Step {
    const char* Name;
    std::function<void()> Act;
    std::function<bool()> Done;
    // Act may run again when Done has not come true after a while: for a step that does the
    // same when repeated, whose input can go astray on a loaded machine (a letter xdotool has
    // to map onto a spare key for a moment).
    bool Repeatable = false;
};

// The start of a check, once the QApplication is made: the application object, and the
// folder for the screenshots (the first argument, else the current folder).
inline QString X11Start(int argc, char** argv) {
    Application->Initialize();
    Application->SetTitle(QStringLiteral("Кадріон"));
    return argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
}

// Runs xdotool to its end (its input is then queued for the program), so that no key of one
// step is still held in the next.
inline void X11Tool(const QStringList& Args) {
    QProcess::execute(QStringLiteral("xdotool"), Args);
}

// xdotool types a letter outside the keyboard's layout by mapping it onto a spare key only
// while it runs, so such a key is not waited for.
inline void X11ToolDetached(const QStringList& Args) {
    QProcess::startDetached(QStringLiteral("xdotool"), Args);
}

// A picture of the whole X screen as <dir>/Name.png, taken by tools/x11_screenshot.sh, only
// when KADRION_SCREENSHOT_DIR names the folder <dir> (else Folder, when not empty, is not
// used: a check run by ctest takes no pictures).
inline void X11Screenshot(const QString& Folder, const QString& Name) {
    Q_UNUSED(Folder);
    const QString dir = qEnvironmentVariable("KADRION_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) w->repaint();
    QApplication::processEvents();
    if (!X11SaveScreen(dir + QStringLiteral("/") + Name + QStringLiteral(".png")))
        std::printf("no screenshot %s\n", qPrintable(Name));
}

// xdotool's arguments that move the mouse to a client point of a control.
inline QStringList X11MoveTo(TWinControl* C, int X, int Y) {
    TPoint p = C->ClientToScreen(TPoint{X, Y});
    return QStringList{QStringLiteral("mousemove"), QString::number(p.X), QString::number(p.Y)};
}

// A left click at a client point, with a modifier key held ("shift", "ctrl") when given.
inline void X11ClickAt(TWinControl* C, int X, int Y, const QString& Mod = QString()) {
    QStringList a = X11MoveTo(C, X, Y);
    if (!Mod.isEmpty()) a << QStringLiteral("keydown") << Mod;
    a << QStringLiteral("click") << QStringLiteral("1");
    if (!Mod.isEmpty()) a << QStringLiteral("keyup") << Mod;
    X11Tool(a);
}

// The first step of a check: the form's window activated (xdotool asks; without a window
// manager the window takes the activation itself).
inline TX11Step X11WindowShown(TCustomForm* F) {
    return TX11Step{
        "window shown",
        [F] {
            X11Tool({QStringLiteral("windowactivate"), QString::number(F->GetHandle()->winId())});
        },
        [F] { return F->GetActive() || F->GetHandle()->isActiveWindow(); }};
}

// Runs the steps in the event loop: each acts, then is polled until done (at most 5 s).
// Prints one line per step; OnFailure runs after a step that failed. Returns the failures.
inline int RunX11Steps(std::vector<TX11Step>& Steps, const std::function<void()>& OnFailure = {}) {
    size_t current = 0;
    int failures = 0;
    int repeats = 0;
    bool started = false;
    QElapsedTimer clock;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (current >= Steps.size()) {
            poll.stop();
            // exit, not quit: quit asks the windows to close, and a main form says no
            QCoreApplication::exit(0);
            return;
        }
        TX11Step& s = Steps[current];
        if (!started) {
            started = true;
            clock.restart();
            s.Act();
            return;
        }
        bool done = s.Done();
        if (!done && s.Repeatable && clock.elapsed() > 1500 * (repeats + 1) && repeats < 2) {
            ++repeats;
            s.Act();
            return;
        }
        if (done || clock.elapsed() > 5000) {
            repeats = 0;
            std::printf("%s: %s\n", done ? "ok" : "FAILED", s.Name);
            std::fflush(stdout);
            if (!done) {
                ++failures;
                if (OnFailure) OnFailure();
            }
            ++current;
            started = false;
        }
    });
    poll.start();
    QApplication::exec();
    std::printf("%d passed, %d failed\n", int(Steps.size()) - failures, failures);
    return failures;
}
