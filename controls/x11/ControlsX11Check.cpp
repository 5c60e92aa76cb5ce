// A form with the tool-bar menu bar, a multi-selection list box, a text list box and a
// shadowed label, driven on a real X server by xdotool: clicks with Shift and Ctrl, a menu
// shortcut, Alt with an accelerator dropping a menu, Cyrillic typed into the list, the wheel.
// Screenshots of the X screen go to the folder given as the first argument. Exit code 0 when
// every step saw what it waited for.
#include "RXCtrls.h"
#include "rMenuBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

class TCheckForm : public TForm {
public:
    explicit TCheckForm(TComponent* AOwner) : TForm(AOwner) {
        BeginLoading();
        SetCaption(QStringLiteral("Перевірка елементів"));
        SetBounds(0, 0, 520, 360);
        auto* menu = new TMainMenu(this);
        auto top = [&](const QString& Caption) {
            auto* t = new TMenuItem(this);
            t->SetCaption(Caption);
            menu->GetItems()->Add(t);
            return t;
        };
        auto item = [&](TMenuItem* Top, const QString& Caption, TShortCut Key, QString* Log) {
            auto* i = new TMenuItem(this);
            i->SetCaption(Caption);
            i->SetShortCut(Key);
            i->OnClick = [Log, Caption](TObject*) { *Log = Caption; };
            Top->Add(i);
        };
        TMenuItem* file = top(QStringLiteral("Облік (&F)"));
        item(file, QStringLiteral("Особові картки"), ShortCut('O', TShiftState{ssCtrl}), &Chosen);
        item(file, QStringLiteral("Довідник посад"), scNone, &Chosen);
        TMenuItem* reports = top(QStringLiteral("Звіти (&R)"));
        item(reports, QStringLiteral("Рух кадрів"), scNone, &Chosen);
        item(reports, QStringLiteral("Графік відпусток"), scNone, &Chosen);
        top(QStringLiteral("Сервіс"));
        Bar = new TrMenuBar(this);
        Bar->SetParent(this);
        Bar->SetButtonWidth(91);
        Bar->SetButtonHeight(21);
        Bar->SetMenu(menu);

        List = new TRxListBox(this);
        List->SetBounds(10, 40, 240, 120);
        List->SetMultiSelect(true);
        List->SetParent(this);
        Text = new TTextListBox(this);
        Text->SetBounds(265, 40, 240, 180);
        Text->SetParent(this);
        const QStringList names{"Бондаренко Олена",  "Гнатюк Іван",
                                "Дорошенко Марія",   "Євтушенко Петро",
                                "Ковальчук Андрій",  "Литвиненко Ірина",
                                "Мельник Оксана",    "Петренко Богдан",
                                "Савчук Людмила",    "Ткаченко Юрій",
                                "Федорук Ганна",     "Шевчук Тарас",
                                "Яковенко Світлана", "Прізвище, ім'я та по батькові (скорочене)"};
        for (const QString& n : names) {
            List->GetItems()->Add(n);
            Text->GetItems()->Add(n);
        }
        Label = new TRxLabel(this);
        Label->SetParent(this);
        Label->SetBounds(10, 230, 495, 80);
        Label->SetAutoSize(false);
        Label->SetAlignment(taCenter);
        Label->SetLayout(tlCenter);
        Label->GetFont()->SetSize(18);
        Label->GetFont()->SetStyle(TFontStyles{fsBold, fsItalic});
        Label->SetShadowColor(clWhite);
        Label->SetShadowSize(2);
        Label->SetCaption(QStringLiteral("Зачекайте, будь ласка..."));
        EndLoading();
    }
    TrMenuBar* Bar = nullptr;
    TRxListBox* List = nullptr;
    TTextListBox* Text = nullptr;
    TRxLabel* Label = nullptr;
    QString Chosen;
};

struct Step {
    const char* Name;
    std::function<void()> Act;
    std::function<bool()> Done;
};

// Runs xdotool to its end (its input is then queued for the program), so that no key of
// one step is still held in the next.
void xdotool(const QStringList& Args) {
    QProcess::execute(QStringLiteral("xdotool"), Args);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QString shots = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    Application->Initialize();
    Application->SetTitle(QStringLiteral("Кадріон"));
    auto* f = CreateNewForm<TCheckForm>(nullptr);
    f->Show();
    QString wid = QString::number(f->GetHandle()->winId());
    auto screen = [&](const QString& Name) {
        QProcess::execute(QStringLiteral("import"),
                          {QStringLiteral("-window"), QStringLiteral("root"),
                           shots + QStringLiteral("/") + Name + QStringLiteral(".png")});
    };
    auto at = [&](TWinControl* C, int X, int Y) {
        TPoint p = C->ClientToScreen(TPoint{X, Y});
        return QStringList{QStringLiteral("mousemove"), QString::number(p.X), QString::number(p.Y)};
    };
    auto clickAt = [&](TWinControl* C, int X, int Y, const QString& Mod) {
        QStringList a = at(C, X, Y);
        if (!Mod.isEmpty()) a << QStringLiteral("keydown") << Mod;
        a << QStringLiteral("click") << QStringLiteral("1");
        if (!Mod.isEmpty()) a << QStringLiteral("keyup") << Mod;
        xdotool(a);
    };
    auto popupShown = [] { return QApplication::activePopupWidget() != nullptr; };
    const int h = f->List->GetItemHeight();
    std::vector<Step> steps = {
        {"window shown",
         [&] {
             xdotool({"windowactivate", wid});
         },
         [&] { return f->GetActive() || f->GetHandle()->isActiveWindow(); }},
        {"click selects one item", [&] { clickAt(f->List, 20, h / 2, QString()); },
         [&] { return f->List->GetSelCount() == 1 && f->List->Focused(); }},
        {"shift+click selects a range",
         [&] { clickAt(f->List, 20, 3 * h + h / 2, QStringLiteral("shift")); },
         [&] { return f->List->GetSelCount() == 4; }},
        {"ctrl+click adds an item",
         [&] { clickAt(f->List, 20, 5 * h + h / 2, QStringLiteral("ctrl")); },
         [&] { return f->List->GetSelCount() == 5; }},
        {"screenshot list", [&] { screen(QStringLiteral("controls-listbox")); },
         [] { return true; }},
        {"ctrl+o runs the menu item",
         [&] {
             xdotool({"key", "ctrl+o"});
         },
         [&] { return f->Chosen == QStringLiteral("Особові картки"); }},
        {"alt+r drops the reports menu",
         [&] {
             xdotool({"key", "alt+r"});
         },
         popupShown},
        {"screenshot menu", [&] { screen(QStringLiteral("controls-menu")); }, [] { return true; }},
        {"down and return choose an item",
         [&] {
             xdotool({"key", "Down", "Return"});
         },
         [&] { return !popupShown() && f->Chosen == QStringLiteral("Рух кадрів"); }},
        {"typing a Cyrillic letter moves in the list",
         [&] {
             f->List->SetFocus();
             // xdotool maps the letter onto a spare key only while it runs: not waited for
             QProcess::startDetached(QStringLiteral("xdotool"),
                                     {QStringLiteral("key"), QStringLiteral("Cyrillic_SHA")});
         },
         [&] { return f->List->GetItemIndex() == 11; }},
        {"the wheel scrolls the list",
         [&] {
             f->List->SetTopIndex(0);
             QStringList a = at(f->List, 50, 50);
             a << "click"
               << "5"
               << "click"
               << "5";
             xdotool(a);
         },
         [&] { return f->List->GetTopIndex() > 0; }},
        {"screenshot end", [&] { screen(QStringLiteral("controls-end")); }, [] { return true; }},
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
                if (popupShown()) QApplication::activePopupWidget()->close();
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
