// A leave order as a user enters it on a real X server: the leave window opened from the
// personnel menu by the keyboard, a new order begun by the tool bar's "+", the employee chosen
// in the number's drop-down list, the days typed, the first day picked in the date edit's calendar,
// the end date counted over the holiday, and the order saved and printed to the preview.
#include "CalTable.h"
#include "DMUnit.h"
#include "Dates.h"
#include "MainUnit.h"
#include "MenuKeys.h"
#include "OtpUnit.h"
#include "PickDate.h"
#include "PreviewUnit.h"
#include "X11Check.h"
#include "X11Test.h"

#include <QMenu>
#include <QMessageBox>

namespace {

bool messageBox(const QString& Start) {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    return box && box->isVisible() && box->text().startsWith(Start);
}

bool menuShown() {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    return menu && menu->isVisible();
}

TPopupCalendar* calendarOf(TCustomDateEdit* E) {
    return static_cast<TPopupCalendar*>(E->GetPopup());
}

bool calendarShown(TCustomDateEdit* E) {
    return E->GetPopupVisible() && E->GetPopup()->GetHandle()->isVisible();
}

TPoint dayCentre(TRxCalendar* Cal, int Day) {
    for (int r = 1; r < 7; ++r)
        for (int c = 0; c < 7; ++c)
            if (Cal->DayOfCell(c, r) == Day) {
                const TRect cr = Cal->CellRect(c, r);
                return TPoint{(cr.Left + cr.Right) / 2, (cr.Top + cr.Bottom) / 2};
            }
    return TPoint{0, 0};
}

QString field(TDataSet* D, const char* Name) {
    return D->FieldByName(QString::fromLatin1(Name))->GetAsString();
}

void click(TWinControl* C, int X, int Y) {
    X11ClickAt(C, X, Y);
}

void shot(const char* Name) {
    X11::Flush();
    X11::Screenshot(QString::fromLatin1(Name));
}

class LeaveOrderX11 : public X11Test {};

TEST_F(LeaveOrderX11, AnOrderIsEnteredWithTheCalendarsCountedOverTheHolidayAndPrinted) {
    TProgramOnX11 program(20, EncodeDate(2024, 3, 1) + 0.5);
    ASSERT_TRUE(program.Started());
    // 8 March a holiday.
    TCalendarYear year = MakeCalendarYear(2024);
    year.Day(3, 8).Mark = QStringLiteral("п");
    SaveCalendar(2024, year);

    TIBQuery* otp = DM->IBotp;
    std::vector<TX11Step> steps = {
        {"alt+О drops the personnel menu", [] { MenuKeys("alt+Cyrillic_o"); },
         [] { return menuShown(); }},
        // No entry is highlighted when the menu drops: the first Down goes to the first.
        {"down twice and return open the leave orders", [] { MenuKeys("Down Down Return"); },
         [] { return OtpForm && OtpForm->GetHandle()->isVisible() && DM->IBotp->GetActive(); }},
        {"the tool bar's + is on for the window's orders", [] {},
         [] {
             TWinControl* focused = Screen->GetActiveControl();
             return focused && GetParentForm(focused) == OtpForm && DM->AInsert->GetEnabled();
         }},
        {"screenshot of the empty window", [] { shot("leave-window"); }, [] { return true; }},
        {"a click on + begins a new order",
         [] {
             TToolButton* plus = MainForm->ToolBar2->GetButtons(5);
             click(MainForm->ToolBar2, plus->GetLeft() + plus->GetWidth() / 2,
                   plus->GetTop() + plus->GetHeight() / 2);
         },
         [&] { return otp->GetState() == dsInsert; }},
        {"the number's list dropped by alt+down",
         [&] {
             click(OtpForm->RxDBLookupCombo1, 20, 10);
             X11::WaitFor([] { return OtpForm->RxDBLookupCombo1->Focused(); });
             MenuKeys("alt+Down");
         },
         [] { return OtpForm->RxDBLookupCombo1->GetListVisible(); }},
        {"screenshot of the list", [] { shot("leave-employee-list"); }, [] { return true; }},
        {"return takes the employee: copied into the order", [] { MenuKeys("Down Return"); },
         [&] { return !field(otp, "F").isEmpty() && !field(otp, "TAB1").isEmpty(); }},
        {"14 days typed and left",
         [&] {
             auto* days = OtpForm->FieldControl(QStringLiteral("PERIODD"));
             click(days, 10, 10);
             X11::WaitFor([days] { return days->Focused(); });
             MenuKeys("1 4 Tab");
         },
         [&] { return field(otp, "VS_KAL") == QStringLiteral("14"); }},
        {"the first day's calendar opened by its button",
         [&] {
             auto* start =
                 static_cast<TDBDateEdit*>(OtpForm->FieldControl(QStringLiteral("OTP_B")));
             TWinControl* button = start->GetButtonContainer();
             click(button, 6, 8);
         },
         [&] {
             return calendarShown(
                 static_cast<TDBDateEdit*>(OtpForm->FieldControl(QStringLiteral("OTP_B"))));
         }},
        {"screenshot of the calendar", [] { shot("leave-calendar"); }, [] { return true; }},
        {"4 March clicked",
         [&] {
             auto* start =
                 static_cast<TDBDateEdit*>(OtpForm->FieldControl(QStringLiteral("OTP_B")));
             TLocCalendar* cal = calendarOf(start)->GetCalendar();
             const TPoint p = dayCentre(cal, 4);
             click(cal, p.X, p.Y);
         },
         [&] { return field(otp, "OTP_B") == QStringLiteral("04.03.2024"); }},
        {"leaving the first day counts the end over 8 March", [] { MenuKeys("Tab"); },
         [&] { return field(otp, "OTP_E") == QStringLiteral("18.03.2024"); }},
        {"screenshot of the order", [] { shot("leave-order"); }, [] { return true; }},
        {"printing asks to save first", [] { click(OtpForm->BitBtn1, 20, 10); },
         [] { return messageBox(QStringLiteral("В базах проводились зміни")); }},
        {"screenshot of the question", [] { shot("leave-save-question"); }, [] { return true; }},
        {"return says yes: the order is saved and shown in the preview", [] { MenuKeys("Return"); },
         [&] {
             return otp->GetState() == dsBrowse && !otp->UpdatesPending() && PreviewForm &&
                    PreviewForm->GetHandle()->isVisible() &&
                    PreviewForm->frPreview1->AllPages() == 1;
         }},
        {"screenshot of the preview", [] { shot("leave-preview"); }, [] { return true; }},
        {"escape closes the preview", [] { MenuKeys("Escape"); }, [] { return !PreviewForm; }},
    };
    EXPECT_EQ(RunX11Steps(steps), 0);
    EXPECT_EQ(field(otp, "OTP_E"), QStringLiteral("18.03.2024"));
    if (OtpForm) OtpForm->Close();
}

} // namespace
