#include "RXDBCtrl.h"

#include "ScopeGuard.h"
#include "VCLUtils.h"

// ---- TDBDateEdit --------------------------------------------------------------------------

TDBDateEdit::TDBDateEdit(TComponent* AOwner) : TFieldDataLinkControl(AOwner) {
    ConnectFieldLink(dataLink.get(), this, &TDBDateEdit::dataChange, &TDBDateEdit::editingChange,
                     &TDBDateEdit::updateData);
    controlStyle.Include(csReplicatable);
    TCustomComboEdit::SetReadOnly(true);
    alwaysEnableButton = true;
    OnAcceptDate = [this](TObject* S, TDateTime& D, bool& A) { acceptDate(S, D, A); };
    UpdateMask();
}

TDBDateEdit::~TDBDateEdit() {
    OnAcceptDate = nullptr;
}

TDateTime TDBDateEdit::fieldDate() const {
    TField* f = dataLink->GetField();
    return !f || f->IsNull() ? NullDate : f->GetAsDateTime();
}

void TDBDateEdit::dataChange(TObject*) {
    TField* f = dataLink->GetField();
    if (!f && IsDesigning()) {
        SetEditMask(QString());
        SetText(GetName());
        return;
    }
    const QString mask = DefDateMask(blanksChar, fourDigits());
    if (GetEditMask() != mask) SetEditMask(mask);
    // showing the field changes nothing in it: the data link is not told of a modification
    inReset = true;
    TScopeGuard reset([this] { inReset = false; });
    TCustomDateEdit::SetDate(f ? fieldDate() : (defaultToday ? ::Date() : NullDate));
    reset.End();
    SetModified(false);
}

void TDBDateEdit::SetDefaultToday(bool Value) {
    if (Value == defaultToday) return;
    TCustomDateEdit::SetDefaultToday(Value);
    dataChange(nullptr);
}

void TDBDateEdit::editingChange(TObject*) {
    TCustomComboEdit::SetReadOnly(!dataLink->GetEditing());
}

void TDBDateEdit::updateData(TObject*) {
    TField* f = dataLink->GetField();
    if (!f) return;
    ValidateEdit();
    const TDateTime d = GetDate();
    if (d == NullDate) {
        f->Clear();
        return;
    }
    const TDateTime old = fieldDate();
    if (DateOf(old) != DateOf(d)) f->SetAsDateTime(ComposeDateTime(d, old));
}

bool TDBDateEdit::editRequest() {
    const bool ok = dataLink->Edit();
    if (ok && defaultToday)
        if (TField* f = dataLink->GetField(); f && fieldDate() == NullDate) f->SetAsDateTime(Now());
    return ok;
}

void TDBDateEdit::acceptDate(TObject*, TDateTime&, bool& Action) {
    TDataSource* src = GetDataSource();
    Action = Action && src && src->GetDataSet() && src->GetDataSet()->GetCanModify();
    if (Action) Action = EditCanModify();
}

void TDBDateEdit::SetDate(TDateTime Value) {
    if (!dateAutoBetween && !inReset && dataLink->GetEditing() && Value != NullDate) {
        QString error = DateRangeError(Value, minDate, maxDate, dateFormat);
        if (!error.isEmpty()) throw Exception(error);
    }
    TCustomDateEdit::SetDate(Value);
}

void TDBDateEdit::ApplyDate(TDateTime Value) {
    editRequest();
    TCustomDateEdit::ApplyDate(Value);
}

void TDBDateEdit::AcceptValue(const Variant& Value) {
    TField* f = dataLink->GetField();
    if (!f) {
        TCustomDateEdit::AcceptValue(Value);
        return;
    }
    if (VarIsNull(Value) || VarIsEmpty(Value))
        f->Clear();
    else
        f->SetAsDateTime(ComposeDateTime(DateOf(Value.AsDate()), fieldDate()));
    popupVisible = popup && popup->GetVisible();
    DoChange();
}

void TDBDateEdit::UpdateMask() {
    dateFormat = DefDateFormat(fourDigits());
    UpdatePopup();
    dataChange(nullptr);
}

bool TDBDateEdit::EditCanModify() {
    return editRequest();
}

void TDBDateEdit::Change() {
    if (!formatting && !inReset) dataLink->Modified();
    TCustomDateEdit::Change();
}

void TDBDateEdit::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomDateEdit::KeyDown(Key, Shift);
    if (!GetReadOnly() && (Key == VK_DELETE || (Key == VK_INSERT && Shift.Contains(ssShift))))
        editRequest();
}

void TDBDateEdit::KeyPress(QChar& Key) {
    TCustomDateEdit::KeyPress(Key);
    if (Key.isNull()) return;
    const char16_t k = Key.unicode();
    const bool digit = k >= u'0' && k <= u'9';
    if (dataLink->GetField() && k >= 32 && !digit && Key != FormatSettings.DateSeparator) {
        ErrorBeep();
        Key = QChar();
        return;
    }
    if (digit || k == VK_BACK || k == 22 || k == 24) {
        editRequest();
    } else if (k == VK_ESCAPE) {
        inReset = true;
        dataLink->Reset();
        inReset = false;
        SelectAll();
        Key = QChar();
    }
}

void TDBDateEdit::paintCopy(TCanvas* Canvas) {
    QString text;
    if (TField* f = dataLink->GetField(); f && f->IsNull()) {
        text = dateFormat;
        text.replace(u'/', FormatSettings.DateSeparator);
        for (QChar c : {u'Y', u'M', u'D'})
            text.replace(c, u' ');
    } else {
        text = FormatDateTime(dateFormat, fieldDate());
    }
    const TRect r = GetClientRect();
    Canvas->SetFont(font.get());
    if (!enabled && ColorToRGB(color) != ColorToRGB(clGrayText))
        Canvas->GetFont()->SetColor(clGrayText);
    Canvas->GetBrush()->SetColor(color);
    Canvas->FillRect(r);
    const bool single = borderStyle == bsSingle;
    if (single && !ctl3D) {
        Canvas->GetBrush()->SetColor(clWindowFrame);
        Canvas->FrameRect(r);
    }
    const int margin = single ? (ctl3D ? 1 : 2) : 0;
    const int bw = buttonContainer->GetVisible() ? GetButtonWidth() : 0;
    const int tw = Canvas->TextWidth(text) + (bw > 0 ? 1 : 0);
    int x = margin;
    if (!GetPopupVisible()) {
        if (alignment == taRightJustify)
            x = r.Width() - bw - tw - margin;
        else if (alignment == taCenter)
            x = (r.Width() - bw - tw) / 2;
    }
    Canvas->GetBrush()->SetStyle(bsClear);
    Canvas->TextRect(TRect{r.Left, r.Top, r.Right - bw, r.Bottom}, x, margin, text);
}

void TDBDateEdit::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_WANTSPECIALKEY:
        if (WORD(Message.WParam) == VK_ESCAPE && (dataLink->IsModified() || modified)) {
            Message.Result = 1;
            return;
        }
        break;
    case WM_PASTE:
    case WM_CUT:
        editRequest();
        break;
    case CM_EXIT:
        // the value goes into the record; on an error the focus stays here, text selected
        try {
            if (checkOnExit && !IsDesigning()) checkValidDate();
            dataLink->UpdateRecord();
        } catch (...) {
            SelectAll();
            if (CanFocus()) SetFocus();
            throw;
        }
        DoExit();
        return;
    case WM_PAINT:
        if (controlState.Contains(csPaintCopy) && Message.WParam && dataLink->GetField()) {
            paintCopy(reinterpret_cast<TCanvas*>(Message.WParam));
            return;
        }
        break;
    default:
        break;
    }
    TFieldDataLinkControl::Dispatch(Message);
}
