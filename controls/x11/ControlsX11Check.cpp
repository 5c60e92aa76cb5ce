// A form with the tool-bar menu bar, a multi-selection list box, a text list box and a
// shadowed label, and two check list boxes (check boxes and radio buttons), driven on a real X
// server by xdotool: clicks with Shift and Ctrl, a menu shortcut, Alt with an accelerator
// dropping a menu, Cyrillic typed into the list, the wheel, clicks on check boxes, Space, "+"
// and "-".
// Screenshots of the X screen go to the folder given as the first argument. Exit code 0 when
// every step saw what it waited for.
#include "RXCtrls.h"
#include "X11Check.h"
#include "rMenuBar.h"

namespace {

class TCheckForm : public TForm {
public:
    explicit TCheckForm(TComponent* AOwner) : TForm(AOwner) {
        BeginLoading();
        SetCaption(QStringLiteral("Перевірка елементів"));
        SetBounds(0, 0, 520, 480);
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
        Checks = new TRxCheckListBox(this);
        Checks->SetBounds(10, 320, 240, 110);
        Checks->SetParent(this);
        Checks->SetAllowGrayed(true);
        Radio = new TRxCheckListBox(this);
        Radio->SetBounds(265, 320, 240, 110);
        Radio->SetParent(this);
        for (int i = 0; i < 5; ++i) {
            Checks->GetItems()->Add(names[i]);
            Radio->GetItems()->Add(names[i + 5]);
        }
        Checks->SetItemEnabled(4, false);
        Radio->SetCheckKind(ckRadioButtons);
        Checks->OnClickCheck = [this](TObject*) { ++CheckClicks; };
        Radio->OnClickCheck = [this](TObject*) { ++RadioEvents; };
        Radio->OnStateChange = [this](TObject*, int) { ++RadioEvents; };
        Radio->OnKeyPress = [this](TObject*, QChar&) { ++RadioKeys; };
        EndLoading();
    }
    TrMenuBar* Bar = nullptr;
    TRxListBox* List = nullptr;
    TTextListBox* Text = nullptr;
    TRxLabel* Label = nullptr;
    TRxCheckListBox* Checks = nullptr;
    TRxCheckListBox* Radio = nullptr;
    int CheckClicks = 0, RadioEvents = 0, RadioKeys = 0;
    QString Chosen;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return X11SkippedExit; // tools/x11_run.sh gives one
    QApplication app(argc, argv);
    const QString shots = X11Start(argc, argv);
    auto* f = CreateNewForm<TCheckForm>(nullptr);
    f->Show();
    auto screen = [&](const QString& Name) { X11Screenshot(shots, Name); };
    auto at = X11MoveTo;
    auto clickAt = [](TWinControl* C, int X, int Y, const QString& Mod) {
        X11ClickAt(C, X, Y, Mod);
    };
    auto xdotool = X11Tool;
    auto popupShown = [] { return QApplication::activePopupWidget() != nullptr; };
    const int h = f->List->GetItemHeight();
    // the middle of an item's check box
    auto check = [](TRxCheckListBox* L, int I) {
        TRect r = L->ItemRect(I);
        return TPoint{r.Left + (L->CheckWidth() + 2) / 2, (r.Top + r.Bottom) / 2};
    };
    auto states = [](TRxCheckListBox* L) {
        QList<int> r;
        for (int i = 0; i < L->GetItems()->Count(); ++i)
            r << int(L->GetState(i));
        return r;
    };
    std::vector<TX11Step> steps = {
        X11WindowShown(f),
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
             X11ToolDetached({QStringLiteral("key"), QStringLiteral("Cyrillic_SHA")});
         },
         // one name begins with Ш: a press again finds the same row
         [&] { return f->List->GetItemIndex() == 11; }, true},
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
        {"a click on a check box grays it",
         [&] { clickAt(f->Checks, check(f->Checks, 1).X, check(f->Checks, 1).Y, QString()); },
         [&] { return f->Checks->GetState(1) == cbGrayed && f->CheckClicks == 1; }},
        {"Space checks the current item",
         [&] {
             xdotool({"key", "space"});
         },
         [&] { return f->Checks->GetState(1) == cbChecked && f->CheckClicks == 2; }},
        {"+ checks every enabled item",
         [&] {
             xdotool({"key", "KP_Add"});
         },
         [&] {
             return states(f->Checks) == QList<int>{1, 1, 1, 1, 0} && f->CheckClicks == 3;
         }},
        {"- unchecks them again",
         [&] {
             xdotool({"key", "KP_Subtract"});
         },
         [&] {
             return states(f->Checks) == QList<int>{0, 0, 0, 0, 0};
         }},
        {"clicks make a grayed and a checked item; a disabled item stays",
         [&] {
             clickAt(f->Checks, check(f->Checks, 0).X, check(f->Checks, 0).Y, QString());
             clickAt(f->Checks, check(f->Checks, 4).X, check(f->Checks, 4).Y, QString());
             clickAt(f->Checks, check(f->Checks, 2).X, check(f->Checks, 2).Y, QString());
             xdotool({"key", "space"});
         },
         [&] {
             return states(f->Checks) == QList<int>{2, 0, 1, 0, 0};
         }},
        {"a click on a radio button checks it alone",
         [&] { clickAt(f->Radio, check(f->Radio, 2).X, check(f->Radio, 2).Y, QString()); },
         [&] {
             return states(f->Radio) == QList<int>{0, 0, 1, 0, 0};
         }},
        {"+ and - on the radio list change nothing and tell nobody",
         [&] {
             f->RadioEvents = f->RadioKeys = 0;
             xdotool({"key", "KP_Add", "KP_Subtract"});
         },
         [&] {
             return f->RadioKeys == 2 && f->RadioEvents == 0 &&
                    states(f->Radio) == QList<int>{0, 0, 1, 0, 0};
         }},
        {"screenshot check lists", [&] { screen(QStringLiteral("controls-checklist")); },
         [] { return true; }},
    };
    int failures = RunX11Steps(steps, [&] {
        if (popupShown()) QApplication::activePopupWidget()->close();
    });
    delete f;
    return failures == 0 ? 0 : 1;
}
