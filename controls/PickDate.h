// The month calendar and what is built on it: TRxCalendar (a grid of one month's days under a
// row of day names, with optional lower and upper bounds), TLocCalendar (its borderless form
// inside a drop-down), TPopupCalendar (the drop-down a date edit opens under itself, with
// month and year buttons and the month's name), TSelectDateDlg with SelectDate (the modal
// date dialog), and TRxTimerSpeedButton (the navigation button that repeats while held).
#pragma once

#include "DateUtil.h"
#include "ExtCtrls.h"
#include "Grids.h"
#include "RXCtrls.h"
#include "ToolEdit.h"

// ---- TRxTimerSpeedButton ------------------------------------------------------------------

class TRxTimerSpeedButton : public TRxSpeedButton {
    KADRION_CLASS(TRxTimerSpeedButton)
    explicit TRxTimerSpeedButton(TComponent* AOwner);
};

// ---- TRxCalendar --------------------------------------------------------------------------

// Seven columns (the week from StartOfWeek) and seven rows: the day names, then the weeks of
// the shown month. Only a day inside [MinDate, MaxDate] can be chosen (NullDate: no bound);
// days outside are drawn disabled, weekend columns in WeekendColor.
class TRxCalendar : public TCustomGrid {
    KADRION_CLASS(TRxCalendar)
    explicit TRxCalendar(TComponent* AOwner);

    TDateTime GetCalendarDate() const { return date; }
    // Kept inside the bounds; lays the month out and fires OnChange.
    void SetCalendarDate(TDateTime Value);
    int GetDay() const;
    int GetMonth() const;
    int GetYear() const;
    // Values below 1 are ignored; the other parts follow the bounds and the month's length.
    void SetDay(int Value) { changeDateItem(3, Value); }
    void SetMonth(int Value) { changeDateItem(2, Value); }
    void SetYear(int Value) { changeDateItem(1, Value); }
    TDateTime GetMinDate() const { return minDate; }
    void SetMinDate(TDateTime Value);
    TDateTime GetMaxDate() const { return maxDate; }
    void SetMaxDate(TDateTime Value);
    // Stores both bounds as they are: no clamping, no repaint (the drop-down's set-up).
    void StoreDateBounds(TDateTime AMinDate, TDateTime AMaxDate);
    bool GetReadOnly() const { return readOnly; }
    void SetReadOnly(bool Value) { readOnly = Value; }
    TDayOfWeekName GetStartOfWeek() const { return startOfWeek; }
    void SetStartOfWeek(TDayOfWeekName Value);
    bool GetUseCurrentDate() const { return useCurrentDate; }
    void SetUseCurrentDate(bool Value);
    TDaysOfWeek GetWeekends() const { return weekends; }
    void SetWeekends(TDaysOfWeek Value);
    TColor GetWeekendColor() const { return weekendColor; }
    void SetWeekendColor(TColor Value);
    TNotifyEvent OnChange;

    // Next/previous month keep the day when the month has it, else take its last day;
    // next/previous year move 29 February to the 28th first.
    void NextMonth();
    void PrevMonth();
    void NextYear();
    void PrevYear();

    // The day shown in a cell of a week row (0 for the name row and for empty cells).
    int DayOfCell(int ACol, int ARow) const;
    // The text of a cell: a short day name in row 0, the day number or nothing below.
    QString GetCellText(int ACol, int ARow) const;
    // True when neither bound is set, for NullDate, or when the date lies within the bounds.
    bool DateInRange(TDateTime Value) const;
    // Lays the month out (the current cell moves to the day) and repaints.
    virtual void UpdateCalendar();
    virtual void Change();

    void CreateParams(TCreateParams& Params) override;
    void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override;
    bool SelectCell(int ACol, int ARow) override;
    void Click() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void Dispatch(TMessage& Message) override;

protected:
    void changeDateItem(int Index, int Value);
    void layOut(bool DayOnly);
    void updateCellSizes();
    TDateTime minDate = NullDate;
    TDateTime maxDate = NullDate;
    TDateTime date = NullDate;
    int monthOffset = 0;
    bool readOnly = false;
    bool updating = false;
    TDayOfWeekName startOfWeek = Mon;
    bool useCurrentDate = true;
    TDaysOfWeek weekends{Sun};
    TColor weekendColor = clRed;
};

// The calendar inside a drop-down: no border, never focused (mouse and keys come through the
// drop-down while its edit keeps the keyboard), the name row in the background colour, today
// framed.
class TLocCalendar : public TRxCalendar {
    KADRION_CLASS(TLocCalendar)
    explicit TLocCalendar(TComponent* AOwner);
    bool CanFocus() override { return false; }
    void CreateParams(TCreateParams& Params) override;
    void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override;
    void Dispatch(TMessage& Message) override;
};

// ---- TPopupCalendar -----------------------------------------------------------------------

class TPopupCalendar : public TPopupWindow {
    KADRION_CLASS(TPopupCalendar)
    explicit TPopupCalendar(TWinControl* AOwner);

    TLocCalendar* GetCalendar() const { return calendar; }
    TLabel* GetTitleLabel() const { return titleLabel; }
    // The navigation buttons: previous year, previous month, next month, next year.
    TRxTimerSpeedButton* GetButton(int Index) const { return buttons[Index]; }
    bool FourDigitYear = true;

    // The calendar's date (a date variant).
    Variant GetValue() override;
    // Shows the value's date, or today for a null, empty or blank value.
    void SetValue(const Variant& Value) override;
    // Page Up/Down go a month (with Ctrl a year) back/forward; other keys go to the calendar.
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void Invalidate() override;
    // The month's name and the buttons' states for the shown date.
    void UpdateTitle();
    void UpdateButtons();

private:
    void calendarMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    TPanel* backPanel = nullptr;
    TPanel* topPanel = nullptr;
    TLocCalendar* calendar = nullptr;
    TLabel* titleLabel = nullptr;
    TRxTimerSpeedButton* buttons[4] = {};
};

// Makes the drop-down of a date edit (scaled for a screen of other than 96 pixels per inch).
TPopupWindow* CreatePopupCalendar(TWinControl* AOwner, TBiDiMode ABiDiMode, TDateTime MinDate,
                                  TDateTime MaxDate);
// Gives a drop-down calendar the settings of its edit: week start, weekends and their colour,
// the non-empty lines among the first four of BtnHints as the buttons' hints, the four-digit
// year flag and the bounds. Other windows are left alone.
void SetupPopupCalendar(TPopupWindow* PopupCalendar, TDayOfWeekName AStartOfWeek,
                        TDaysOfWeek AWeekends, TColor AWeekendColor, TStrings* BtnHints,
                        bool FourDigitYear, TDateTime MinDate, TDateTime MaxDate);

// ---- TSelectDateDlg -----------------------------------------------------------------------

// The modal date dialog: title with the month's name, month and year buttons, the calendar,
// OK and Cancel. Esc cancels, Enter confirms, Tab/Shift+Tab and Page Up/Down go a month
// (Ctrl+Page Up/Down a year); a double click on a day confirms, one on the title shows today.
class TSelectDateDlg : public TForm {
    KADRION_CLASS(TSelectDateDlg)
    explicit TSelectDateDlg(TComponent* AOwner);

    TDateTime GetDate() const { return Calendar->GetCalendarDate(); }
    // NullDate shows today.
    void SetDate(TDateTime Value);
    TRxTimerSpeedButton* GetButton(int Index) const { return buttons[Index]; }

    TRxCalendar* Calendar = nullptr;
    TLabel* TitleLabel = nullptr;
    TBitBtn* OkButton = nullptr;
    TBitBtn* CancelButton = nullptr;

    void PrevMonthBtnClick(TObject* Sender);
    void NextMonthBtnClick(TObject* Sender);
    void PrevYearBtnClick(TObject* Sender);
    void NextYearBtnClick(TObject* Sender);
    void CalendarChange(TObject* Sender);
    void CalendarDblClick(TObject* Sender);
    void TopPanelDblClick(TObject* Sender);
    void FormKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);

private:
    void updateButtons();
    TRxTimerSpeedButton* buttons[4] = {};
};

// Runs the date dialog under Control (centred on the screen without one) for Date (NullDate:
// today); true when the user confirmed, and Date is then the chosen day.
bool SelectDate(TControl* Control, TDateTime& Date, const QString& DlgCaption, TDateTime MinDate,
                TDateTime MaxDate, TDayOfWeekName AStartOfWeek, TDaysOfWeek AWeekends,
                TColor AWeekendColor, TStrings* BtnHints);
