// The support of the x11 tests: the application, xdotool and waiting for what it sent.
#include "X11Test.h"
#include "X11Screenshot.h"

#include "TestSupport.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <memory>

namespace {

// Counts the input events that reached the application from the server, so a helper can wait
// until what xdotool sent has arrived.
class InputCounter : public QObject {
public:
    int KeyReleases = 0;
    int ButtonReleases = 0;
    int Wheels = 0;
    bool eventFilter(QObject* o, QEvent* e) override {
        // A widget sees an event its window saw already: count each once, at the window.
        if (!e->spontaneous() || !o->isWindowType()) return false;
        switch (e->type()) {
        case QEvent::KeyRelease:
            ++KeyReleases;
            break;
        case QEvent::MouseButtonRelease:
            ++ButtonReleases;
            break;
        case QEvent::Wheel:
            ++Wheels;
            break;
        default:
            break;
        }
        return false;
    }
};

InputCounter* counter() {
    static InputCounter* c = [] {
        auto* ic = new InputCounter;
        qApp->installEventFilter(ic);
        return ic;
    }();
    return c;
}

// Runs a program to its end (it runs on the server's time, not a fixed pause); a failure is a
// test failure, with what the program said.
bool run(const QString& Program, const QStringList& Args) {
    TProgramRun r = RunProgram(Program, Args, QByteArray(), 30000);
    if (!r.Succeeded()) {
        ADD_FAILURE() << Program.toStdString() << ' ' << Args.join(' ').toStdString()
                      << " failed: " << r.Err.toStdString();
        return false;
    }
    return true;
}

QPoint global(QWidget* W, QPoint P) {
    return W->mapToGlobal(P);
}

} // namespace

void X11Test::SetUp() {
    if (!X11::HaveDisplay()) GTEST_SKIP() << "no X display: run under tools/x11_run.sh";
    counter();
}

void X11Test::TearDown() {
    if (X11::HaveDisplay()) X11::SetLayout(QStringLiteral("us"));
}

namespace X11 {

bool HaveDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") && qApp &&
           QGuiApplication::platformName() == QLatin1String("xcb");
}

bool XDoTool(const QStringList& Args) {
    return run(QStringLiteral("xdotool"), Args);
}

bool WaitFor(const std::function<bool()>& Done, int TimeoutMs) {
    QDeadlineTimer deadline(TimeoutMs);
    while (!Done()) {
        if (deadline.hasExpired()) return false;
        // Blocks until an event comes (or the rest of the time is up): no fixed pause.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                        int(std::max<qint64>(1, deadline.remainingTime())));
    }
    return true;
}

// How long input sent may take to arrive: long enough for a machine under heavy load.
constexpr int InputWaitMs = 15000;

bool Key(const QString& Keys) {
    int expected = 0;
    for (const QString& chord : Keys.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        expected += int(chord.split(QLatin1Char('+')).size());
    const int before = counter()->KeyReleases;
    QStringList args{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("0")};
    args += Keys.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!XDoTool(args)) return false;
    bool ok = WaitFor([&] { return counter()->KeyReleases - before >= expected; }, InputWaitMs);
    Flush();
    return ok;
}

bool Type(const QString& Text) {
    const int before = counter()->KeyReleases;
    if (!XDoTool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("0"), Text}))
        return false;
    bool ok =
        WaitFor([&] { return counter()->KeyReleases - before >= int(Text.size()); }, InputWaitMs);
    Flush();
    return ok;
}

bool MoveTo(QWidget* W, QPoint P) {
    QPoint g = global(W, P);
    if (!XDoTool({QStringLiteral("mousemove"), QString::number(g.x()), QString::number(g.y())}))
        return false;
    Flush();
    return true;
}

bool Click(QWidget* W, QPoint P, int Button) {
    if (!MoveTo(W, P)) return false;
    const int before = counter()->ButtonReleases;
    if (!XDoTool({QStringLiteral("click"), QString::number(Button)})) return false;
    bool ok = WaitFor([&] { return counter()->ButtonReleases > before; }, InputWaitMs);
    Flush();
    return ok;
}

bool Wheel(QWidget* W, QPoint P, int Clicks) {
    if (!MoveTo(W, P)) return false;
    const int before = counter()->Wheels;
    // Buttons 4 and 5 are the wheel turned up and down.
    if (!XDoTool({QStringLiteral("click"), QStringLiteral("--repeat"),
                  QString::number(std::abs(Clicks)), QStringLiteral("--delay"), QStringLiteral("0"),
                  Clicks > 0 ? QStringLiteral("5") : QStringLiteral("4")}))
        return false;
    bool ok = WaitFor([&] { return counter()->Wheels - before >= std::abs(Clicks); }, InputWaitMs);
    Flush();
    return ok;
}

bool SetLayout(const QString& Layout) {
    return run(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), Layout});
}

bool WaitActive(QWidget* W) {
    QWidget* top = W->window();
    top->activateWindow();
    bool ok = WaitFor([top] {
        return top->isVisible() && top->windowHandle() && top->windowHandle()->isExposed() &&
               top->isActiveWindow() && QGuiApplication::focusWindow() == top->windowHandle();
    });
    Flush();
    return ok;
}

void Flush() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void Screenshot(const QString& Name) {
    const QString dir = qEnvironmentVariable("KADRION_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) w->repaint();
    Flush();
    EXPECT_TRUE(X11SaveScreen(QDir(dir).filePath(Name + QStringLiteral(".png"))))
        << "no screenshot " << Name.toStdString();
}

} // namespace X11

// The application is made before the tests' own environments start, on the X server when one is
// there (a test listing needs none).
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<QApplication> app;
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        app = std::make_unique<QApplication>(argc, argv);
    }
    return RUN_ALL_TESTS();
}
