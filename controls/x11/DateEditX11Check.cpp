// A form with a date edit, a data-aware date edit and a data-aware combo box with codes,
// driven on a real X server by xdotool: Cyrillic and digits typed into the date edit, the
// drop-down calendar opened with the keyboard and with the mouse, a day picked with each,
// the month buttons, an outside click, the numeric pad, a Cyrillic letter choosing a combo
// item. Screenshots of the X screen go to the folder given as the first argument. Exit code 0
// when every step saw what it waited for.
#include "MemDS.h"
#include "PickDate.h"
#include "RXDBCtrl.h"
#include "RxDBComb.h"
#include "X11Check.h"

namespace {

class TDatesForm : public TForm {
public:
    explicit TDatesForm(TComponent* AOwner) : TForm(AOwner) {
        Data = new TMemDataSet(this);
        Data->GetFieldDefs()->Add(QStringLiteral("NAME"), ftString, 30);
        Data->GetFieldDefs()->Add(QStringLiteral("BORN"), ftDateTime);
        Data->GetFieldDefs()->Add(QStringLiteral("SEX"), ftString, 1);
        Data->Open();
        Data->AppendRecord({QStringLiteral("Коваленко Олена"),
                            Variant::FromDate(EncodeDateTime(1985, 4, 12, 9, 15, 0, 0)),
                            QStringLiteral("Ч")});
        Source = new TDataSource(this);
        Source->SetDataSet(Data);
        BeginLoading();
        SetCaption(QStringLiteral("Перевірка дат"));
        SetBounds(40, 40, 480, 300);
        color = clBtnFace;
        auto label = [this](int Top, const char* Text) {
            auto* l = new TLabel(this);
            l->SetParent(this);
            l->SetBounds(16, Top + 3, 150, 17);
            l->SetCaption(QString::fromUtf8(Text));
        };
        label(20, "Дата наказу:");
        Date = new TDateEdit(this);
        Date->SetParent(this);
        Date->SetBounds(170, 20, 110, 21);
        Date->SetYearDigits(dyFour);
        Date->SetCalendarStyle(csPopup);
        Date->SetWeekends(TDaysOfWeek{Sat, Sun});
        label(60, "Дата народження:");
        Born = new TDBDateEdit(this);
        Born->SetParent(this);
        Born->SetBounds(170, 60, 110, 21);
        Born->SetYearDigits(dyFour);
        Born->SetCalendarStyle(csPopup);
        Born->SetDataSource(Source);
        Born->SetDataField(QStringLiteral("BORN"));
        label(100, "Стать:");
        Sex = new TRxDBComboBox(this);
        Sex->SetParent(this);
        Sex->SetBounds(170, 100, 110, 21);
        Sex->GetItems()->SetCommaText(QStringLiteral("Чоловік,Жінка"));
        Sex->GetValues()->SetCommaText(QStringLiteral("Ч,Ж"));
        Sex->SetDataSource(Source);
        Sex->SetDataField(QStringLiteral("SEX"));
        label(140, "Примітка:");
        Note = new TEdit(this);
        Note->SetParent(this);
        Note->SetBounds(170, 140, 280, 21);
        EndLoading();
    }
    TMemDataSet* Data = nullptr;
    TDataSource* Source = nullptr;
    TDateEdit* Date = nullptr;
    TDBDateEdit* Born = nullptr;
    TRxDBComboBox* Sex = nullptr;
    TEdit* Note = nullptr;
};

TPopupCalendar* calendarOf(TCustomDateEdit* E) {
    return static_cast<TPopupCalendar*>(E->GetPopup());
}

bool shown(TCustomDateEdit* E) {
    return E->GetPopupVisible() && E->GetPopup()->GetHandle()->isVisible();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return X11SkippedExit; // tools/x11_run.sh gives one
    QApplication app(argc, argv);
    const QString shots = X11Start(argc, argv);
    auto* f = CreateNewForm<TDatesForm>(nullptr);
    Application->SetMainForm(f);
    f->Show();
    auto screen = [&](const QString& Name) { X11Screenshot(shots, Name); };
    auto cellCentre = [](TRxCalendar* Cal, int Day) {
        for (int r = 1; r < 7; ++r)
            for (int c = 0; c < 7; ++c)
                if (Cal->DayOfCell(c, r) == Day) {
                    TRect cr = Cal->CellRect(c, r);
                    return TPoint{(cr.Left + cr.Right) / 2, (cr.Top + cr.Bottom) / 2};
                }
        return TPoint{0, 0};
    };
    TDateEdit* date = f->Date;
    TWinControl* button = date->GetButtonContainer();
    std::vector<TX11Step> steps = {
        X11WindowShown(f),
        {"a click focuses the date edit", [&] { X11ClickAt(date, 10, 10); },
         [&] { return date->Focused(); }},
        {"Cyrillic letters stay out of the date",
         [&] {
             X11ToolDetached({"key", "--delay", "120", "Cyrillic_ze", "Cyrillic_HA"});
         },
         [&] { return date->GetText() == QStringLiteral("  .  .    "); }},
        {"digits fill the date",
         [&] {
             // the click put the cursor where it landed
             X11Tool({"key", "Home"});
             X11Tool({"type", "--delay", "20", "05032026"});
         },
         [&] { return date->GetText() == QStringLiteral("05.03.2026"); }},
        {"screenshot typed", [&] { screen(QStringLiteral("dates-typed")); }, [] { return true; }},
        {"alt+down opens the calendar",
         [&] {
             X11Tool({"key", "alt+Down"});
         },
         [&] { return shown(date) && date->Focused(); }},
        {"arrows move in the open calendar",
         [&] {
             X11Tool({"key", "Right", "Down"});
         },
         [&] {
             return calendarOf(date)->GetCalendar()->GetCalendarDate() == EncodeDate(2026, 3, 13);
         }},
        {"screenshot calendar", [&] { screen(QStringLiteral("dates-calendar-keys")); },
         [] { return true; }},
        {"return takes the day",
         [&] {
             X11Tool({"key", "Return"});
         },
         [&] { return !shown(date) && date->GetText() == QStringLiteral("13.03.2026"); }},
        {"the button opens the calendar", [&] { X11ClickAt(button, 6, 8); },
         [&] { return shown(date); }},
        {"the next-month button turns the page",
         [&] {
             TRxTimerSpeedButton* next = calendarOf(date)->GetButton(2);
             X11ClickAt(static_cast<TWinControl*>(next->GetParent()), next->GetLeft() + 7,
                        next->GetTop() + 7);
         },
         [&] { return calendarOf(date)->GetCalendar()->GetMonth() == 4; }},
        {"screenshot calendar month", [&] { screen(QStringLiteral("dates-calendar-mouse")); },
         [] { return true; }},
        {"a click on a day takes it",
         [&] {
             TLocCalendar* cal = calendarOf(date)->GetCalendar();
             TPoint p = cellCentre(cal, 20);
             X11ClickAt(cal, p.X, p.Y);
         },
         [&] { return !shown(date) && date->GetText() == QStringLiteral("20.04.2026"); }},
        {"a click outside closes the calendar without a change", [&] { X11ClickAt(button, 6, 8); },
         [&] { return shown(date); }},
        // the right part of the note, clear of the calendar
        {"... the click lands on the note", [&] { X11ClickAt(f->Note, 200, 10); },
         [&] {
             return !shown(date) && f->Note->Focused() &&
                    date->GetText() == QStringLiteral("20.04.2026");
         }},
        {"the numeric pad steps the date",
         [&] {
             X11ClickAt(date, 10, 10);
             X11Tool({"key", "KP_Add", "KP_Add", "KP_Subtract"});
         },
         [&] { return date->GetText() == QStringLiteral("21.04.2026"); }},
        {"the bound date edit shows its field", [] {},
         [&] { return f->Born->GetText() == QStringLiteral("12.04.1985"); }},
        {"a day picked for the bound date edit keeps the field's time",
         [&] {
             X11ClickAt(f->Born, 10, 10);
             X11Tool({"key", "alt+Down", "Right", "Return"});
         },
         [&] {
             TField* born = f->Data->FieldByName(QStringLiteral("BORN"));
             return !shown(f->Born) &&
                    born->GetAsDateTime() == EncodeDateTime(1985, 4, 13, 9, 15, 0, 0);
         }},
        {"the combo takes the focus",
         [&] {
             X11ClickAt(f->Sex, 20, 10);
             X11Tool({"key", "Escape"}); // the click dropped the list
         },
         [&] { return f->Sex->Focused(); }},
        {"a Cyrillic letter chooses the combo's item",
         [&] {
             X11ToolDetached({"key", "--delay", "120", "Cyrillic_ZHE"});
         },
         [&] { return f->Sex->GetText() == QStringLiteral("Жінка"); }, true},
        {"leaving the combo stores the code",
         [&] {
             X11Tool({"key", "Tab"});
         },
         [&] {
             f->Data->CheckBrowseMode();
             return f->Data->FieldByName(QStringLiteral("SEX"))->GetAsString() ==
                    QStringLiteral("Ж");
         }},
        {"Cyrillic text in the note",
         [&] {
             f->Note->SetText(QString());
             f->Note->SetFocus();
             X11ToolDetached({"type", "--delay", "120", "Відпустка"});
         },
         [&] { return f->Note->GetText() == QStringLiteral("Відпустка"); }, true},
        {"screenshot end", [&] { screen(QStringLiteral("dates-end")); }, [] { return true; }},
    };
    int failures = RunX11Steps(steps, [&] {
        for (TCustomDateEdit* e :
             {static_cast<TCustomDateEdit*>(date), static_cast<TCustomDateEdit*>(f->Born)})
            if (e->GetPopupVisible()) e->PopupCloseUp(e->GetPopup(), false);
    });
    Application->SetMainForm(nullptr);
    delete f;
    return failures == 0 ? 0 : 1;
}
