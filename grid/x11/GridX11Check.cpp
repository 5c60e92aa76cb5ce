// The grid's layout window on a real X server, driven by xdotool: the wheel over the records,
// the arrow and the track of the vertical scroll bar, a taller window. Each step waits until
// the grid shows what it should: the dataset moved, the rows followed it, the footer row stays
// at the bottom. Screenshots of the X screen go to the folder given as the first argument.
// Exit code 0 when every step saw what it waited for.
#include "GridProbe.h"
#include "X11Screenshot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Step {
    const char* Name;
    std::function<void()> Act;
    std::function<bool()> Done;
};

// Runs xdotool to its end, so that one step's input is queued before the next step begins.
void xdotool(const QStringList& Args) {
    QProcess::execute(QStringLiteral("xdotool"), Args);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return X11SkippedExit; // tools/x11_run.sh gives one
    QApplication app(argc, argv);
    QString shots = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    Application->Initialize();
    Application->SetTitle(QStringLiteral("Кадріон"));
    auto* f = CreateNewForm<TStaffForm>(nullptr);
    f->Show();
    TProbeGrid* g = f->Grid;
    TMemDataSet* ds = f->Staff;
    QString wid = QString::number(f->GetHandle()->winId());
    auto screen = [&](const QString& Name) {
        if (!X11SaveScreen(shots + QStringLiteral("/") + Name + QStringLiteral(".png")))
            std::printf("no screenshot %s\n", qPrintable(Name));
    };
    // Pointer moves are relative to the form's own window, which the X server places: where the
    // window manager has put its frame does not matter.
    auto moveTo = [&](QWidget* W, QPoint P) {
        QPoint p = W->mapTo(f->GetHandle(), P);
        return QStringList{QStringLiteral("mousemove"), QStringLiteral("--window"), wid,
                           QString::number(p.x()), QString::number(p.y())};
    };
    auto at = [&](int X, int Y) { return moveTo(g->GetHandle(), QPoint(X, Y)); };
    // A point of the vertical scroll bar, Y pixels from its top (negative: from its bottom).
    auto onBar = [&](int Y) {
        QScrollBar* bar = WindowScrollBar(g->GetHandle(), SB_VERT);
        if (!bar) return QStringList{};
        return moveTo(bar, QPoint(bar->width() / 2, Y < 0 ? bar->height() + Y : Y));
    };
    auto top = [&] {
        TGridDataLinkEh* link = g->GetDataLink();
        int saved = link->GetActiveRecord();
        link->SetActiveRecord(0);
        QString t = ds->FieldByName("TAB")->GetAsString();
        link->SetActiveRecord(saved);
        return t;
    };
    auto footerAtBottom = [&] {
        return g->CellRect(1, g->GetRowCount() - 1).Bottom + 1 == g->GetClientHeight();
    };
    const int shown = g->VisibleDataRowCount();
    std::vector<Step> steps = {
        // The size is asked for again: a window manager may still give a new window the
        // geometry of one just closed (the next check's window can get the same id).
        {"window shown",
         [&] {
             xdotool({"windowsize", wid, "560", "250", "windowactivate", wid});
         },
         [&] {
             return f->GetHandle()->isActiveWindow() && f->GetWidth() == 560 &&
                    g->VisibleDataRowCount() == shown && footerAtBottom();
         }},
        {"screenshot opened", [&] { screen(QStringLiteral("grid-opened")); }, [] { return true; }},
        {"the wheel moves the dataset three records down",
         [&] {
             xdotool(at(200, 120) << "click"
                                  << "5"
                                  << "click"
                                  << "5"
                                  << "click"
                                  << "5");
         },
         [&] { return ds->RecNo() == 4 && top() == "00001" && g->GetRow() == 4; }},
        {"the scroll bar's arrow moves past the last record shown",
         [&] {
             xdotool(onBar(-6) << "click"
                               << "1"
                               << "click"
                               << "1");
         },
         [&] { return ds->RecNo() == shown + 2 && top() == "00003" && g->GetRow() == shown; }},
        {"screenshot scrolled", [&] { screen(QStringLiteral("grid-scrolled")); },
         [] { return true; }},
        {"the track above the thumb pages up",
         [&] {
             xdotool(onBar(20) << "click"
                               << "1");
         },
         [&] { return ds->RecNo() == 2 && top() == "00002" && g->GetRow() == 1; }},
        {"a taller window shows every record, the footer at the bottom",
         [&] {
             xdotool({"windowsize", wid, "560", "330"});
         },
         [&] { return g->VisibleDataRowCount() == 12 && top() == "00001" && footerAtBottom(); }},
        {"screenshot taller", [&] { screen(QStringLiteral("grid-taller")); }, [] { return true; }},
    };
    size_t current = 0;
    int failures = 0;
    bool started = false;
    QElapsedTimer clock;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (current >= steps.size()) {
            poll.stop();
            QApplication::quit();
            return;
        }
        Step& s = steps[current];
        if (!started) {
            started = true;
            clock.restart();
            s.Act();
            return;
        }
        bool done = s.Done();
        if (done || clock.elapsed() > 5000) {
            std::printf("%s: %s\n", done ? "ok" : "FAILED", s.Name);
            std::fflush(stdout);
            if (!done) {
                ++failures;
                std::printf("  record %d, top %s, row %d\n", ds->RecNo(), qPrintable(top()),
                            g->GetRow());
            }
            ++current;
            started = false;
        }
    });
    poll.start();
    app.exec();
    delete f;
    std::printf("%d passed, %d failed\n", int(steps.size()) - failures, failures);
    return failures == 0 ? 0 : 1;
}
