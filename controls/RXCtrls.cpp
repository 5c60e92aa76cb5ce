// The shadowed label.
#include "RXCtrls.h"

#include "Forms.h"

namespace {

// Whether one of the application's windows is the active one.
bool appIsForeground() {
    return Application && Application->GetActive();
}

TRect offset(TRect R, int DX, int DY) {
    R.Left += DX;
    R.Right += DX;
    R.Top += DY;
    R.Bottom += DY;
    return R;
}

TRect unionOf(const TRect& A, const TRect& B) {
    return TRect{std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
                 std::max(A.Bottom, B.Bottom)};
}

} // namespace

int DrawTextWithShadow(TCanvas* Canvas, const QString& Text, TShadowPosition Pos,
                       TColor ShadowColor, int ShadowSize, unsigned Format, TRect& R) {
    const int s = ShadowSize;
    TRect text = R;
    TRect shadow = R;
    switch (Pos) {
    case spLeftTop:
        shadow = offset(R, -s, -s);
        break;
    case spLeftBottom:
        shadow = offset(R, -s, s);
        break;
    case spRightBottom:
        shadow = offset(R, s, s);
        break;
    case spRightTop:
        shadow = offset(R, s, -s);
        break;
    }
    TColor textColor = Canvas->GetFont()->GetColor();
    Canvas->GetFont()->SetColor(ShadowColor);
    int h = Canvas->DrawText(Text, shadow, Format);
    if (h > 0) h += s;
    Canvas->GetFont()->SetColor(textColor);
    Canvas->DrawText(Text, text, Format);
    R = unionOf(text, shadow);
    return h;
}

// ---- TRxCustomLabel ----

TRxCustomLabel::TRxCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    controlStyle.Include(csOpaque);
    controlStyle.Include(csReplicatable);
    SetBounds(0, 0, 65, 17);
    autoSize = true;
}

TRxLabel::TRxLabel(TComponent* AOwner) : TRxCustomLabel(AOwner) {}

void TRxCustomLabel::DrawCaption(TCanvas* Canvas, TRect& R, unsigned Format) {
    QString text = CaptionText();
    if ((Format & DT_CALCRECT) &&
        (text.isEmpty() || (showAccelChar && text == QStringLiteral("&"))))
        text += u' ';
    if (!showAccelChar) Format |= DT_NOPREFIX;
    if (UseRightToLeftAlignment()) Format |= DT_RTLREADING;
    Canvas->SetFont(font.get());
    Canvas->GetFont()->SetColor(FontColorOf());
    TColor shadow = shadowColor;
    int size = shadowSize;
    TShadowPosition pos = shadowPos;
    if (!enabled) {
        Canvas->GetFont()->SetColor(clGrayText);
        shadow = clBtnHighlight;
        // the engraved look of a disabled caption
        if (size == 0) {
            pos = spRightBottom;
            size = 1;
        }
    }
    DrawTextWithShadow(Canvas, text, pos, TColor(ColorToRGB(shadow)), size, Format, R);
}

void TRxCustomLabel::Paint() {
    TCanvas* c = GetCanvas();
    TRect client = GetClientRect();
    if (!GetTransparent()) {
        c->GetBrush()->SetStyle(bsSolid);
        c->GetBrush()->SetColor(color);
        c->FillRect(client);
    }
    c->GetBrush()->SetStyle(bsClear);
    TRect r{client.Left + 1, client.Top, client.Right - 1, client.Bottom};
    unsigned format = DT_EXPANDTABS;
    if (wordWrap) format |= DT_WORDBREAK;
    if (alignment == taCenter)
        format |= DT_CENTER;
    else if (alignment == taRightJustify)
        format |= DT_RIGHT;
    if (layout != tlTop) {
        TRect calc = r;
        DrawCaption(c, calc, format | DT_CALCRECT);
        int dy = height - calc.Bottom;
        if (layout == tlCenter) dy /= 2;
        r = offset(r, 0, dy);
    }
    DrawCaption(c, r, format);
    if (showFocus && focusControl && focusActive && !IsDesigning()) {
        c->GetBrush()->SetStyle(bsSolid);
        c->GetBrush()->SetColor(color);
        c->DrawFocusRect(TRect{r.Left - 1, r.Top, r.Right + 1, r.Bottom});
    }
    c->GetBrush()->SetStyle(bsSolid);
}

void TRxCustomLabel::AdjustBounds() {
    if (!autoSize || IsLoading()) return;
    TBitmap screen;
    screen.SetSize(1, 1);
    TCanvas* c = screen.GetCanvas();
    TRect r{1, 0, std::max(1, width - 1), std::max(0, height)};
    unsigned format = DT_EXPANDTABS | DT_CALCRECT;
    if (wordWrap) format |= DT_WORDBREAK;
    DrawCaption(c, r, format);
    r.Left -= 1;
    r.Right += 1;
    TAlignment a = alignment;
    if (UseRightToLeftAlignment()) {
        if (a == taLeftJustify)
            a = taRightJustify;
        else if (a == taRightJustify)
            a = taLeftJustify;
    }
    int x = left;
    if (a == taRightJustify) x = left + width - r.Width();
    SetBounds(x, top, r.Width(), r.Height());
}

void TRxCustomLabel::SetAutoSize(bool Value) {
    if (autoSize == Value) return;
    TGraphicControl::SetAutoSize(Value);
    AdjustBounds();
}

void TRxCustomLabel::SetFocusControl(TWinControl* Value) {
    if (focusControl == Value) return;
    if (focusControl) focusControl->RemoveFreeNotification(this);
    focusControl = Value;
    if (Value) Value->FreeNotification(this);
    if (showFocus) Invalidate();
}

void TRxCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == focusControl) {
        focusControl = nullptr;
        focusActive = false;
    }
}

void TRxCustomLabel::SetAlignment(TAlignment Value) {
    if (alignment == Value) return;
    alignment = Value;
    Invalidate();
}

void TRxCustomLabel::SetLayout(TTextLayout Value) {
    if (layout == Value) return;
    layout = Value;
    Invalidate();
}

void TRxCustomLabel::SetShadowColor(TColor Value) {
    if (shadowColor == Value) return;
    shadowColor = Value;
    Invalidate();
}

void TRxCustomLabel::SetShadowSize(int Value) {
    Value = std::clamp(Value, 0, 255);
    if (shadowSize == Value) return;
    shadowSize = Value;
    AdjustBounds();
    Invalidate();
}

void TRxCustomLabel::SetShadowPos(TShadowPosition Value) {
    if (shadowPos == Value) return;
    shadowPos = Value;
    Invalidate();
}

void TRxCustomLabel::SetWordWrap(bool Value) {
    if (wordWrap == Value) return;
    wordWrap = Value;
    AdjustBounds();
    Invalidate();
}

void TRxCustomLabel::SetShowAccelChar(bool Value) {
    if (showAccelChar == Value) return;
    showAccelChar = Value;
    Invalidate();
}

void TRxCustomLabel::SetShowFocus(bool Value) {
    if (showFocus == Value) return;
    showFocus = Value;
    Invalidate();
}

void TRxCustomLabel::SetTransparent(bool Value) {
    if (GetTransparent() == Value) return;
    if (Value)
        controlStyle.Exclude(csOpaque);
    else
        controlStyle.Include(csOpaque);
    Invalidate();
}

void TRxCustomLabel::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(this);
}

void TRxCustomLabel::MouseLeave() {
    if (OnMouseLeave) OnMouseLeave(this);
}

void TRxCustomLabel::updateTracking() {
    bool under = enabled && visible && appIsForeground() &&
                 FindDragTarget(Mouse->GetCursorPos(), false) == this;
    if (under == mouseInControl) return;
    mouseInControl = under;
    if (under)
        MouseEnter();
    else
        MouseLeave();
}

void TRxCustomLabel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft && enabled) dragging = true;
    if (Button == mbRight) updateTracking();
}

void TRxCustomLabel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) dragging = false;
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    updateTracking();
}

void TRxCustomLabel::SetEnabled(bool Value) {
    TGraphicControl::SetEnabled(Value);
    updateTracking();
}

void TRxCustomLabel::SetVisible(bool Value) {
    TGraphicControl::SetVisible(Value);
    if (Value) updateTracking();
}

void TRxCustomLabel::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        TGraphicControl::Dispatch(Message);
        AdjustBounds();
        Invalidate();
        return;
    case CM_DIALOGCHAR:
        if (focusControl && enabled && showAccelChar &&
            IsAccel(WORD(Message.WParam), CaptionText())) {
            if (focusControl->CanFocus()) focusControl->SetFocus();
            Message.Result = 1;
            return;
        }
        break;
    case CM_FOCUSCHANGED: {
        bool active = focusControl && reinterpret_cast<TControl*>(Message.LParam) == focusControl;
        if (active != focusActive) {
            focusActive = active;
            if (showFocus) Invalidate();
        }
        break;
    }
    case CM_MOUSEENTER:
        if (Message.LParam == 0) {
            if (parent) parent->Perform(CM_MOUSEENTER, 0, LPARAM(this));
            if (!mouseInControl && enabled && appIsForeground()) {
                mouseInControl = true;
                MouseEnter();
            }
            return;
        }
        break;
    case CM_MOUSELEAVE:
        if (Message.LParam == 0) {
            if (parent) parent->Perform(CM_MOUSELEAVE, 0, LPARAM(this));
            if (mouseInControl && enabled && !dragging) {
                mouseInControl = false;
                MouseLeave();
            }
            return;
        }
        break;
    default:
        break;
    }
    TGraphicControl::Dispatch(Message);
}
