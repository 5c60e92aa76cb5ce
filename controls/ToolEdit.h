// The combo edit: a one-line masked edit with a push button at its right edge that opens a
// drop-down window under the edit (or runs whatever the button stands for), and the date edit
// built on it, whose text is a date in a fixed edit format with an edit mask, whose button
// opens a month calendar (a drop-down or a modal dialog), and which keeps its value between
// optional bounds.
//
// Typing is possible only with DirectInput on and ReadOnly off; the button and the drop-down
// work while DirectInput is off. The drop-down never takes the keyboard: the edit keeps it and
// hands the keys the drop-down needs to it. It closes on Enter (accepting), on Esc, on a click
// outside it, on cancel-mode, when the edit loses the focus and when the edit's window is hidden.
#pragma once

#include "DateUtil.h"
#include "Mask.h"
#include "RXCtrls.h"
#include "Variant.h"

#include <memory>

class TCustomComboEdit;

enum TPopupAlign { epaRight, epaLeft };
enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };
using TCloseUpEvent = std::function<void(TObject* Sender, bool Accept)>;

// ---- TPopupWindow -------------------------------------------------------------------------

// The widget of a drop-down window: a borderless top-level window above the form that is shown
// without taking the activation or the keyboard.
QWidget* CreatePopupWidget();

// The base of the windows a combo edit opens under itself: a borderless top-level window that
// a click never activates, whose parent control is the edit. Its bounds are in screen
// co-ordinates.
class TPopupWindow : public TCustomControl {
    KADRION_CLASS(TPopupWindow)
    explicit TPopupWindow(TWinControl* AOwner);
    ~TPopupWindow() override;
    TWinControl* GetEditor() const { return editor; }
    TCloseUpEvent OnCloseUp;

    // The value shown (and chosen) in the window.
    virtual Variant GetValue() = 0;
    virtual void SetValue(const Variant& Value) = 0;
    // Fires OnCloseUp.
    virtual void CloseUp(bool Accept);
    virtual QString GetPopupText() { return QString(); }
    // Moves the window to the screen point (its size kept) and shows it without activating it.
    virtual void Show(TPoint Origin);
    void Hide();

    void CreateParams(TCreateParams& Params) override;
    QWidget* CreateWindowWidget(const TCreateParams& Params, QWidget* ParentWidget) override;
    void AdjustClientRect(TRect& Rect) override;
    void PaintWindow(TCanvas* DC) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Dispatch(TMessage& Message) override;

protected:
    TWinControl* editor;
};

// ---- TPopupWatch --------------------------------------------------------------------------

// While a drop-down is open: a mouse press anywhere but on its owner control (and what lies on
// it) or on the drop-down runs CloseUp, as does the owner's window being hidden (its form hidden
// or closed).
class TPopupWatch : public QObject {
public:
    TPopupWatch(TWinControl* AOwner, std::function<TWinControl*()> APopup,
                std::function<void()> ACloseUp);
    ~TPopupWatch() override;
    void Start();
    void Stop();
    bool eventFilter(QObject* O, QEvent* E) override;

private:
    bool owned(QWidget* W);
    void close();
    TWinControl* owner;
    std::function<TWinControl*()> popup;
    std::function<void()> closeUp;
    bool on = false;
};

// ---- TEditButton --------------------------------------------------------------------------

// The button at the edit's right edge. A press while the drop-down is open closes it
// (accepting) and the click that follows is swallowed, so the press does not open it again.
class TEditButton : public TRxSpeedButton {
    KADRION_CLASS(TEditButton)
    TEditButton(TComponent* AOwner, TCustomComboEdit* AEdit);
    void Paint() override;
    void Click() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // The edit this button belongs to (null once the edit lets go of it).
    TCustomComboEdit* Edit = nullptr;

protected:
    bool noAction = false;
    bool accept = true;
};

// ---- TCustomComboEdit ---------------------------------------------------------------------

class TCustomComboEdit : public TCustomMaskEdit {
    KADRION_CLASS(TCustomComboEdit)
    explicit TCustomComboEdit(TComponent* AOwner);
    ~TCustomComboEdit() override;

    // --- the button
    TEditButton* GetButton() const { return button; }
    TWinControl* GetButtonContainer() const { return buttonContainer; }
    int GetButtonWidth() const;
    // A width of 0 or 1 hides the button; one not below the edit's client width is ignored.
    void SetButtonWidth(int Value);
    QString GetButtonHint() const;
    void SetButtonHint(const QString& Value);
    TBitmap* GetGlyph() const;
    // Makes GlyphKind gkCustom.
    void SetGlyph(TBitmap* Value);
    TGlyphKind GetGlyphKind() const { return glyphKind; }
    void SetGlyphKind(TGlyphKind Value);
    TRxNumGlyphs GetNumGlyphs() const;
    void SetNumGlyphs(TRxNumGlyphs Value);
    // Alt+Down by default: the key (with its modifiers) that clicks the button.
    TShortCut GetClickKey() const { return clickKey; }
    void SetClickKey(TShortCut Value) { clickKey = Value; }

    // --- input
    // The edit's own read-only flag (descendants may answer another one).
    virtual bool GetReadOnly() const { return comboReadOnly; }
    void SetReadOnly(bool Value);
    bool GetDirectInput() const { return directInput; }
    void SetDirectInput(bool Value);
    TAlignment GetAlignment() const { return alignment; }
    void SetAlignment(TAlignment Value);
    TPopupAlign GetPopupAlign() const { return popupAlign; }
    void SetPopupAlign(TPopupAlign Value) { popupAlign = Value; }
    // Selects the whole text, only with DirectInput.
    void SelectAll();

    // --- the drop-down
    TPopupWindow* GetPopup() const { return popup; }
    bool GetPopupVisible() const { return popup && popupVisible; }
    TNotifyEvent OnButtonClick;

    // Opens the drop-down under (or above) the edit; DisableEdit makes the text read-only while
    // it is open.
    virtual void PopupDropDown(bool DisableEdit);
    // Closes it; with Accept the value chosen there becomes the edit's (AcceptPopup, then
    // AcceptValue).
    virtual void PopupCloseUp(TObject* Sender, bool Accept);
    virtual void ShowPopup(TPoint Origin);
    virtual void HidePopup();
    // Fires OnChange.
    virtual void DoChange();
    virtual bool AcceptPopup(Variant& Value) { return true; }
    virtual void AcceptValue(const Variant& Value);
    virtual void SetPopupValue(const Variant& Value);
    virtual Variant GetPopupValue();
    // Called instead of DoChange for changes while the drop-down is open.
    virtual void PopupChange() {}
    // The bitmap of gkDefault (DestroyNeeded: the caller frees it); none here.
    virtual TBitmap* GetDefaultBitmap(bool& DestroyNeeded);
    // Whether the text may change now: not read-only.
    virtual bool EditCanModify();
    // The button was pressed: OnButtonClick, then the drop-down opens or closes (accepting).
    virtual void ButtonClick();

    void Change() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Dispatch(TMessage& Message) override;

protected:
    friend class TEditButton;
    // Forgets the drop-down, the button and its container when they go first.
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Called by the button's click.
    void editButtonClick();
    // Places the button and keeps the text clear of it.
    void updateControlsLayout();
    void setEditRect();
    void recreateGlyph();
    // The underlying edit's read-only state from DirectInput and ReadOnly.
    void applyDirectInput();
    // The minimum height for the font.
    int minHeight();
    // Whether the control of a cancel-mode message belongs to the edit or its drop-down.
    bool ownsControl(TControl* Control);

    TWinControl* buttonContainer = nullptr;
    TEditButton* button = nullptr;
    TShortCut clickKey = scAlt | VK_DOWN;
    bool comboReadOnly = false;
    bool directInput = true;
    // The button works even on a read-only edit.
    bool alwaysEnableButton = false;
    TAlignment alignment = taLeftJustify;
    TPopupAlign popupAlign = epaRight;
    TGlyphKind glyphKind = gkCustom;
    bool popupVisible = false;
    bool focusedFlag = false;
    TPopupWindow* popup = nullptr;
    int defNumGlyphs = 1;
    std::unique_ptr<TPopupWatch> watch;
};

// ---- TCustomDateEdit ----------------------------------------------------------------------

enum TYearDigits { dyDefault, dyFour, dyTwo };
enum TCalendarStyle { csPopup, csDialog };
using TExecDateDialog = std::function<void(TObject* Sender, TDateTime& ADate, bool& Action)>;

class TCustomDateEdit : public TCustomComboEdit {
    KADRION_CLASS(TCustomDateEdit)
    explicit TCustomDateEdit(TComponent* AOwner);
    ~TCustomDateEdit() override;

    // The date of the text (the edit format), or, for an empty or invalid text, today with
    // DefaultToday and NullDate without it. Reading never changes the text.
    TDateTime GetDate();
    // Shows a date (NullDate or an invalid value: today with DefaultToday, else empty), kept
    // between the bounds when DateAutoBetween.
    virtual void SetDate(TDateTime Value);
    // SetDate, then the text is selected (with DirectInput).
    virtual void ApplyDate(TDateTime Value);

    TDateTime GetMinDate() const { return minDate; }
    void SetMinDate(TDateTime Value);
    TDateTime GetMaxDate() const { return maxDate; }
    void SetMaxDate(TDateTime Value);
    bool GetDateAutoBetween() const { return dateAutoBetween; }
    virtual void SetDateAutoBetween(bool Value);
    bool GetDefaultToday() const { return defaultToday; }
    void SetDefaultToday(bool Value) { defaultToday = Value; }
    QChar GetBlanksChar() const { return blanksChar; }
    // Below 32 counts as a space.
    void SetBlanksChar(QChar Value);
    TYearDigits GetYearDigits() const { return yearDigits; }
    void SetYearDigits(TYearDigits Value);
    // The edit format in use, such as "DD/MM/YYYY".
    QString GetEditFormat() const { return dateFormat; }
    QString GetDialogTitle() const { return dialogTitle; }
    void SetDialogTitle(const QString& Value) { dialogTitle = Value; }
    TColor GetPopupColor() const;
    void SetPopupColor(TColor Value);
    TDayOfWeekName GetStartOfWeek() const { return startOfWeek; }
    void SetStartOfWeek(TDayOfWeekName Value);
    TDaysOfWeek GetWeekends() const { return weekends; }
    void SetWeekends(TDaysOfWeek Value);
    TColor GetWeekendColor() const { return weekendColor; }
    void SetWeekendColor(TColor Value);
    // Hints of the calendar's previous-year, previous-month, next-month and next-year buttons
    // (an empty line keeps a button's own); lines beyond the fourth are dropped.
    TStrings* GetCalendarHints() const { return calendarHints.get(); }
    void SetCalendarHints(TStrings* Value) { calendarHints->Assign(Value); }
    bool GetCheckOnExit() const { return checkOnExit; }
    void SetCheckOnExit(bool Value) { checkOnExit = Value; }
    // csPopup while the edit has a drop-down calendar, csDialog otherwise (the default).
    TCalendarStyle GetCalendarStyle() const { return popup ? csPopup : csDialog; }
    void SetCalendarStyle(TCalendarStyle Value);
    // Called with the chosen date before it is taken; Action false drops it.
    TExecDateDialog OnAcceptDate;

    // Clamps Value to the bounds (only with DateAutoBetween; NullDate is never clamped).
    virtual void TestDateBetween(TDateTime& Value);
    // Edit format and mask from YearDigits, BlanksChar and the settings; the date is shown again.
    virtual void UpdateMask();
    // Gives the drop-down calendar the settings of the edit.
    void UpdatePopup();
    // Whether the text holds nothing but blanks and separators.
    bool TextIsEmpty();

    TBitmap* GetDefaultBitmap(bool& DestroyNeeded) override;
    bool AcceptPopup(Variant& Value) override;
    void AcceptValue(const Variant& Value) override;
    void SetPopupValue(const Variant& Value) override;
    // A text that is not empty must be a date (EConvertError otherwise); it is shown again in
    // the edit format.
    void ValidateEdit() override;
    void ButtonClick() override;
    void Change() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Dispatch(TMessage& Message) override;

protected:
    void calendarHintsChanged(TObject*);
    // Sets one bound; one that would pass the other moves it (DateAutoBetween) or is refused.
    void setBound(TDateTime& Bound, TDateTime& Other, bool Lower, TDateTime Value);
    bool fourDigits() const;
    // Checks the text (the conversion error when it holds no date) and shows it again.
    void checkValidDate();
    TDateTime minDate = NullDate;
    TDateTime maxDate = NullDate;
    bool dateAutoBetween = true;
    bool defaultToday = false;
    QChar blanksChar = u' ';
    TYearDigits yearDigits = dyDefault;
    QString dateFormat;
    QString dialogTitle;
    TColor popupColor = clBtnFace;
    TDayOfWeekName startOfWeek = Mon;
    TDaysOfWeek weekends{Sun};
    TColor weekendColor = clRed;
    std::unique_ptr<TStringList> calendarHints;
    bool checkOnExit = false;
    // Set while the text is validated and shown again: no change event then.
    bool formatting = false;
    bool hooked = false;
};

// The date edit of the forms: out-of-range dates are reported when DateAutoBetween is off.
class TDateEdit : public TCustomDateEdit {
    KADRION_CLASS(TDateEdit)
    explicit TDateEdit(TComponent* AOwner);
    // Without DateAutoBetween a date outside the bounds raises an error that names them.
    void SetDate(TDateTime Value) override;
};

// The message for a date outside the bounds (NullDate: no bound), or empty when it is inside.
QString DateRangeError(TDateTime Value, TDateTime MinDate, TDateTime MaxDate,
                       const QString& EditFormat);
