// The date edit.
#include "ToolEdit.h"

#include "PickDate.h"
#include "RXConst.h"
#include "ScopeGuard.h"
#include "StrUtils.h"

#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace {

// The picture of the date edit's button: a calendar sheet, then its disabled look; magenta is
// transparent.
TBitmap* dateEditGlyph() {
    static std::unique_ptr<TBitmap> glyph;
    if (glyph) return glyph.get();
    glyph = std::make_unique<TBitmap>();
    glyph->SetSize(30, 15);
    TCanvas* c = glyph->GetCanvas();
    c->FillSolid(TRect{0, 0, 30, 15}, clFuchsia);
    for (int n = 0; n < 2; ++n) {
        const int x = n * 15;
        const TColor ink = n == 0 ? clBlack : clGray;
        const TColor head = n == 0 ? clMaroon : clSilver;
        c->FillSolid(TRect{x + 1, 2, x + 14, 14}, ink);
        c->FillSolid(TRect{x + 2, 3, x + 13, 13}, clWhite);
        c->FillSolid(TRect{x + 2, 3, x + 13, 6}, head);
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 4; ++col)
                c->FillSolid(TRect{x + 3 + col * 3, 7 + row * 2, x + 5 + col * 3, 8 + row * 2},
                             ink);
        // the rings the sheet hangs from
        c->FillSolid(TRect{x + 4, 1, x + 5, 4}, ink);
        c->FillSolid(TRect{x + 10, 1, x + 11, 4}, ink);
    }
    return glyph.get();
}

// Every date edit with a window hears of a settings change through the main window: the hook
// there hands WM_WININICHANGE to all of them, which lay out their text again.
std::vector<TCustomDateEdit*>& settingsListeners() {
    static std::vector<TCustomDateEdit*> list;
    return list;
}
QPointer<QWidget> hookedWindow;
TWndProc previousProc;
TWndProc ownProc;

void installSettingsHook() {
    TCustomForm* main = Application->GetMainForm();
    if (!main || !main->HandleAllocated()) return;
    HWND w = main->GetHandle();
    if (hookedWindow == w) return;
    ownProc = MakeWndProc([](HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) -> LRESULT {
        if (Msg == WM_WININICHANGE)
            for (TCustomDateEdit* e : std::vector<TCustomDateEdit*>(settingsListeners()))
                e->UpdateMask();
        return CallWindowProc(previousProc, Wnd, Msg, WParam, LParam);
    });
    previousProc = SetWindowProc(w, ownProc);
    hookedWindow = w;
}

void removeSettingsHook() {
    if (!settingsListeners().empty()) return;
    // a hook installed after ours keeps ours in its chain: it stays, with nobody to tell
    if (hookedWindow && GetWindowProc(hookedWindow) == ownProc) {
        SetWindowProc(hookedWindow, previousProc);
        hookedWindow = nullptr;
    }
}

} // namespace

QString DateRangeError(TDateTime Value, TDateTime MinDate, TDateTime MaxDate,
                       const QString& EditFormat) {
    auto text = [&EditFormat](TDateTime D) { return FormatDateTime(EditFormat, D); };
    const TDateTime day = DateOf(Value);
    const bool low = MinDate != NullDate && day < DateOf(MinDate);
    const bool high = MaxDate != NullDate && day > DateOf(MaxDate);
    if (MinDate != NullDate && MaxDate != NullDate && (low || high))
        return Format(RxLoadStr(SDateBetween), {text(Value), text(MinDate), text(MaxDate)});
    if (low) return Format(RxLoadStr(SDateOutOfMin), {text(Value), text(MinDate)});
    if (high) return Format(RxLoadStr(SDateOutOfRange), {text(Value), text(MaxDate)});
    return QString();
}

// ---- TCustomDateEdit ----------------------------------------------------------------------

TCustomDateEdit::TCustomDateEdit(TComponent* AOwner)
    : TCustomComboEdit(AOwner), calendarHints(std::make_unique<TStringList>()) {
    controlState.Include(csCreating);
    dateFormat = DefDateFormat(fourDigits());
    dialogTitle = RxLoadStr(SDateDlgTitle);
    calendarHints->OnChange = [this](TObject* S) { calendarHintsChanged(S); };
    defNumGlyphs = 2;
    SetGlyphKind(gkDefault);
    controlState.Exclude(csCreating);
}

TCustomDateEdit::~TCustomDateEdit() {
    auto& l = settingsListeners();
    l.erase(std::remove(l.begin(), l.end(), this), l.end());
    removeSettingsHook();
    calendarHints->OnChange = nullptr;
    if (popup) {
        popup->OnCloseUp = nullptr;
        TPopupWindow* p = popup;
        popup = nullptr;
        FreeObject(p);
    }
}

bool TCustomDateEdit::fourDigits() const {
    return yearDigits == dyFour || (yearDigits == dyDefault && FourDigitYear());
}

TDateTime TCustomDateEdit::GetDate() {
    return StrToDateFmtDef(dateFormat, GetText(), defaultToday ? ::Date() : NullDate);
}

void TCustomDateEdit::SetDate(TDateTime Value) {
    if (!IsValidDateValue(Value) || Value == NullDate) Value = defaultToday ? ::Date() : NullDate;
    const TDateTime old = GetDate();
    TestDateBetween(Value);
    SetText(Value == NullDate ? QString() : FormatDateTime(dateFormat, Value));
    SetModified(GetDate() != old);
}

void TCustomDateEdit::ApplyDate(TDateTime Value) {
    SetDate(Value);
    SelectAll();
}

void TCustomDateEdit::TestDateBetween(TDateTime& Value) {
    if (!dateAutoBetween || Value == NullDate) return;
    if (minDate != NullDate && DateOf(Value) < DateOf(minDate)) Value = minDate;
    if (maxDate != NullDate && DateOf(Value) > DateOf(maxDate)) Value = maxDate;
}

void TCustomDateEdit::SetDateAutoBetween(bool Value) {
    if (dateAutoBetween == Value) return;
    dateAutoBetween = Value;
    if (Value) {
        TDateTime d = GetDate(), clamped = d;
        TestDateBetween(clamped);
        if (clamped != d) SetDate(clamped);
    }
    Invalidate();
}

void TCustomDateEdit::setBound(TDateTime& Bound, TDateTime& Other, bool Lower, TDateTime Value) {
    if (Value == Bound) return;
    if (Value != NullDate && Other != NullDate &&
        (Lower ? DateOf(Value) > DateOf(Other) : DateOf(Value) < DateOf(Other))) {
        if (!dateAutoBetween)
            throw Exception(Format(RxLoadStr(Lower ? SDateMinLimit : SDateMaxLimit),
                                   {FormatDateTime(dateFormat, Other)}));
        Other = Value;
    }
    Bound = Value;
    UpdatePopup();
    if (dateAutoBetween) SetDate(GetDate());
}

void TCustomDateEdit::SetMinDate(TDateTime Value) {
    setBound(minDate, maxDate, true, Value);
}

void TCustomDateEdit::SetMaxDate(TDateTime Value) {
    setBound(maxDate, minDate, false, Value);
}

void TCustomDateEdit::SetBlanksChar(QChar Value) {
    if (Value.unicode() < 32) Value = u' ';
    if (Value == blanksChar) return;
    blanksChar = Value;
    UpdateMask();
}

void TCustomDateEdit::SetYearDigits(TYearDigits Value) {
    if (Value == yearDigits) return;
    yearDigits = Value;
    UpdateMask();
}

TColor TCustomDateEdit::GetPopupColor() const {
    return popup ? popup->GetColor() : popupColor;
}

void TCustomDateEdit::SetPopupColor(TColor Value) {
    popupColor = Value;
    if (popup) popup->SetColor(Value);
}

void TCustomDateEdit::SetStartOfWeek(TDayOfWeekName Value) {
    if (startOfWeek == Value) return;
    startOfWeek = Value;
    UpdatePopup();
}

void TCustomDateEdit::SetWeekends(TDaysOfWeek Value) {
    if (weekends == Value) return;
    weekends = Value;
    UpdatePopup();
}

void TCustomDateEdit::SetWeekendColor(TColor Value) {
    if (weekendColor == Value) return;
    weekendColor = Value;
    UpdatePopup();
}

void TCustomDateEdit::calendarHintsChanged(TObject*) {
    if (calendarHints->Count() > 4) {
        calendarHints->BeginUpdate();
        while (calendarHints->Count() > 4)
            calendarHints->Delete(calendarHints->Count() - 1);
        calendarHints->EndUpdate(); // comes back here with four lines
        return;
    }
    if (!IsDesigning()) UpdatePopup();
}

void TCustomDateEdit::SetCalendarStyle(TCalendarStyle Value) {
    if (Value == GetCalendarStyle()) return;
    if (Value == csPopup) {
        popup = CreatePopupCalendar(this, bidiMode, minDate, maxDate);
        popup->OnCloseUp = [this](TObject* Sender, bool Accept) { PopupCloseUp(Sender, Accept); };
        popup->SetColor(popupColor);
        UpdatePopup();
        return;
    }
    if (GetPopupVisible()) PopupCloseUp(popup, false);
    TPopupWindow* p = popup;
    popup = nullptr;
    p->OnCloseUp = nullptr;
    FreeObject(p);
}

void TCustomDateEdit::UpdatePopup() {
    if (popup)
        SetupPopupCalendar(popup, startOfWeek, weekends, weekendColor, calendarHints.get(),
                           fourDigits(), IsDesigning() ? NullDate : minDate,
                           IsDesigning() ? NullDate : maxDate);
}

void TCustomDateEdit::UpdateMask() {
    const TDateTime value = GetDate();
    const QString oldFormat = dateFormat;
    dateFormat = DefDateFormat(fourDigits());
    const QString mask = DefDateMask(blanksChar, fourDigits());
    if (mask != GetEditMask() || oldFormat != dateFormat) {
        SetEditMask(QString());
        SetEditMask(mask);
    }
    UpdatePopup();
    SetDate(value);
}

bool TCustomDateEdit::TextIsEmpty() {
    return AllCharsInSet(GetText(),
                         TCharSet{u' ', QChar(0), blanksChar, FormatSettings.DateSeparator});
}

void TCustomDateEdit::checkValidDate() {
    if (TextIsEmpty()) return;
    formatting = true;
    TScopeGuard reset([this] { formatting = false; });
    SetDate(StrToDateFmt(dateFormat, GetText()));
    reset.End();
}

void TCustomDateEdit::ValidateEdit() {
    checkValidDate();
}

TBitmap* TCustomDateEdit::GetDefaultBitmap(bool& DestroyNeeded) {
    DestroyNeeded = false;
    return dateEditGlyph();
}

bool TCustomDateEdit::AcceptPopup(Variant& Value) {
    if (!OnAcceptDate) return true;
    TDateTime d = VarIsNull(Value) || VarIsEmpty(Value) ? NullDate : Value.AsDate();
    bool action = true;
    OnAcceptDate(this, d, action);
    if (action) Value = Variant::FromDate(d);
    return action;
}

void TCustomDateEdit::AcceptValue(const Variant& Value) {
    SetDate(VarIsNull(Value) || VarIsEmpty(Value) ? NullDate : Value.AsDate());
    popupVisible = popup && popup->GetVisible();
    if (GetModified()) DoChange();
}

void TCustomDateEdit::SetPopupValue(const Variant& Value) {
    if (popup)
        popup->SetValue(Variant::FromDate(StrToDateFmtDef(dateFormat, VarToStr(Value), ::Date())));
}

void TCustomDateEdit::ButtonClick() {
    TCustomComboEdit::ButtonClick();
    if (GetCalendarStyle() != csDialog) return;
    TDateTime d = GetDate();
    bool ok = SelectDate(this, d, dialogTitle, minDate, maxDate, startOfWeek, weekends,
                         weekendColor, calendarHints.get());
    if (CanFocus()) SetFocus();
    if (!ok) return;
    bool action = true;
    if (OnAcceptDate) OnAcceptDate(this, d, action);
    if (!action) return;
    SetDate(d);
    if (Focused()) SelectAll();
}

void TCustomDateEdit::Change() {
    if (!formatting) TCustomComboEdit::Change();
}

void TCustomDateEdit::KeyDown(WORD& Key, TShiftState Shift) {
    const bool calendarKey = Key == VK_PRIOR || Key == VK_NEXT || Key == VK_LEFT || Key == VK_UP ||
                             Key == VK_RIGHT || Key == VK_DOWN || Key == VK_ADD ||
                             Key == VK_SUBTRACT;
    if (GetPopupVisible() && calendarKey) {
        // the open calendar takes its keys, whatever DirectInput says
        popup->KeyDown(Key, Shift);
        Key = 0;
    } else if ((Key == VK_ADD || Key == VK_SUBTRACT) && directInput && Shift.Empty()) {
        if (EditCanModify()) {
            TDateTime d = GetDate();
            if (d == NullDate) d = Now();
            ApplyDate(Key == VK_ADD ? d + 1 : d - 1);
        }
        Key = 0;
    }
    TCustomComboEdit::KeyDown(Key, Shift);
}

void TCustomDateEdit::KeyPress(QChar& Key) {
    const char16_t k = Key.unicode();
    const bool special = k == u'+' || k == u'-' || k == u'T' || k == u't';
    if (GetPopupVisible() && special) {
        popup->KeyPress(Key);
        Key = QChar();
    } else if (k == u'T' || k == u't') {
        if (directInput && EditCanModify()) ApplyDate(::Date());
        Key = QChar();
    } else if (k == u'+' || k == u'-') {
        Key = QChar();
    }
    TCustomComboEdit::KeyPress(Key);
}

void TCustomDateEdit::CreateWnd() {
    TCustomComboEdit::CreateWnd();
    UpdateMask();
    if (!IsDesigning() && !hooked) {
        settingsListeners().push_back(this);
        hooked = true;
    }
    installSettingsHook();
}

void TCustomDateEdit::DestroyWnd() {
    if (hooked) {
        auto& l = settingsListeners();
        l.erase(std::remove(l.begin(), l.end(), this), l.end());
        hooked = false;
        removeSettingsHook();
    }
    TCustomComboEdit::DestroyWnd();
}

void TCustomDateEdit::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_EXIT) {
        // a text that is no date keeps the focus here, selected, with the conversion error
        try {
            if (checkOnExit && !IsDesigning()) checkValidDate();
            TCustomComboEdit::Dispatch(Message);
        } catch (...) {
            SelectAll();
            if (CanFocus()) SetFocus();
            throw;
        }
        return;
    }
    TCustomComboEdit::Dispatch(Message);
}

// ---- TDateEdit ----------------------------------------------------------------------------

TDateEdit::TDateEdit(TComponent* AOwner) : TCustomDateEdit(AOwner) {
    UpdateMask();
}

void TDateEdit::SetDate(TDateTime Value) {
    if (!dateAutoBetween && Value != NullDate) {
        QString error = DateRangeError(Value, minDate, maxDate, dateFormat);
        if (!error.isEmpty()) throw Exception(error);
    }
    TCustomDateEdit::SetDate(Value);
}
