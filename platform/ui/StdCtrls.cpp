// The standard controls' shared helpers (hot keys), TCustomGroupBox, TCustomLabel and TScrollBar;
// the edits, the combo box, the list box and the buttons have sources of their own.
#include "StdCtrls.h"

#include "StdCtrlsInternal.h"
#include "UiInternal.h"

#include <QFontMetrics>

using namespace stdctrls;

// ---- helpers ----------------------------------------------------------------------------------

QString StripHotkey(const QString& Text) {
    QString r;
    for (int i = 0; i < Text.size(); ++i) {
        if (Text[i] == u'&' && i + 1 < Text.size()) {
            ++i;
            r += Text[i];
        } else if (Text[i] != u'&') {
            r += Text[i];
        }
    }
    return r;
}

QChar GetHotkey(const QString& Text) {
    for (int i = 0; i + 1 < Text.size(); ++i) {
        if (Text[i] == u'&') {
            if (Text[i + 1] != u'&') return Text[i + 1];
            ++i;
        }
    }
    return QChar();
}

bool IsAccel(WORD VK, const QString& Str) {
    QChar h = GetHotkey(Str);
    return !h.isNull() && h.toUpper() == QChar(VK).toUpper();
}

// ---- TCustomGroupBox --------------------------------------------------------------------------

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
    controlStyle.Include(csAcceptsControls);
    SetBounds(0, 0, 185, 105);
    color = clBtnFace;
}

void TCustomGroupBox::AdjustClientRect(TRect& Rect) {
    TCustomControl::AdjustClientRect(Rect);
    QFontMetrics fm(font->ToQFont());
    Rect.Top += fm.height();
    inflateRect(Rect, -2, -2);
}

void TCustomGroupBox::Paint() {
    TCanvas* c = GetCanvas();
    c->SetFont(font.get());
    TRect r = GetClientRect();
    c->GetBrush()->SetColor(color);
    c->FillRect(r);
    int h = c->TextHeight(QStringLiteral("0"));
    TRect frame{0, h / 2, r.Right, r.Bottom};
    DrawEdge(c, frame, EDGE_ETCHED, BF_RECT);
    QString t = GetText();
    if (!t.isEmpty()) {
        TRect tr{8, 0, 0, h};
        c->DrawText(t, tr, DT_CALCRECT | DT_SINGLELINE);
        tr.Right += 2;
        tr.Left -= 1;
        c->FillRect(tr);
        tr.Left += 1;
        if (!enabled) c->GetFont()->SetColor(clGrayText);
        c->GetBrush()->SetStyle(bsClear);
        c->DrawText(t, tr, DT_SINGLELINE);
        c->GetBrush()->SetStyle(bsSolid);
    }
}

void TCustomGroupBox::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_DIALOGCHAR && enabled && IsShowing() &&
        IsAccel(WORD(Message.WParam), GetText())) {
        SelectFirst();
        Message.Result = 1;
        return;
    }
    if (Message.Msg == CM_TEXTCHANGED || Message.Msg == CM_ENABLEDCHANGED) Invalidate();
    TCustomControl::Dispatch(Message);
}

// ---- TCustomLabel -----------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    controlStyle.Include(csOpaque);
    SetBounds(0, 0, 65, 17);
    autoSize = true;
}

unsigned TCustomLabel::TextFlags() const {
    unsigned f = DT_EXPANDTABS;
    if (wordWrap)
        f |= DT_WORDBREAK;
    else
        f |= DT_SINGLELINE;
    if (!showAccelChar) f |= DT_NOPREFIX;
    if (alignment == taCenter)
        f |= DT_CENTER;
    else if (alignment == taRightJustify)
        f |= DT_RIGHT;
    return f;
}

void TCustomLabel::AdjustBounds() {
    if (!autoSize || IsLoading()) return;
    TBitmap b;
    b.SetSize(1, 1);
    TCanvas* c = b.GetCanvas();
    c->SetFont(font.get());
    TRect r{0, 0, wordWrap ? width : 0, 0};
    QString t = GetText();
    if (t.isEmpty() || (t.startsWith(u'&') && t.size() == 1)) t = QStringLiteral(" ");
    c->DrawText(t, r, TextFlags() | DT_CALCRECT);
    int x = left;
    if (alignment == taRightJustify)
        x = left + width - r.Right;
    else if (alignment == taCenter)
        x = left + (width - r.Right) / 2;
    SetBounds(x, top, r.Right, r.Bottom);
}

void TCustomLabel::SetAutoSize(bool Value) {
    TGraphicControl::SetAutoSize(Value);
    AdjustBounds();
}

void TCustomLabel::SetAlignment(TAlignment Value) {
    alignment = Value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
    layout = Value;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool Value) {
    wordWrap = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
    transparent = Value;
    if (Value)
        controlStyle.Exclude(csOpaque);
    else
        controlStyle.Include(csOpaque);
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
    showAccelChar = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* Value) {
    if (focusControl) focusControl->RemoveFreeNotification(this);
    focusControl = Value;
    if (Value) Value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == focusControl) focusControl = nullptr;
}

void TCustomLabel::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    if (!transparent) {
        c->GetBrush()->SetColor(color);
        c->FillRect(r);
    }
    c->GetBrush()->SetStyle(bsClear);
    c->SetFont(font.get());
    unsigned f = TextFlags();
    if (layout != tlTop) {
        TRect calc = r;
        c->DrawText(GetText(), calc, f | DT_CALCRECT);
        int dy = r.Height() - calc.Height();
        r.Top += layout == tlCenter ? dy / 2 : dy;
    }
    if (!enabled) {
        TRect r1 = r;
        offsetRect(r1, 1, 1);
        c->GetFont()->SetColor(clBtnHighlight);
        c->DrawText(GetText(), r1, f);
        c->GetFont()->SetColor(clBtnShadow);
    }
    c->DrawText(GetText(), r, f);
    c->GetBrush()->SetStyle(bsSolid);
}

void TCustomLabel::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        AdjustBounds();
        Invalidate();
        break;
    case CM_DIALOGCHAR:
        if (focusControl && enabled && showAccelChar && IsAccel(WORD(Message.WParam), GetText()) &&
            focusControl->CanFocus()) {
            focusControl->SetFocus();
            Message.Result = 1;
            return;
        }
        break;
    default:
        break;
    }
    TGraphicControl::Dispatch(Message);
}

// ---- TScrollBar -------------------------------------------------------------------------------

TScrollBar::TScrollBar(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 121, 16);
    SetTabStop(true);
    color = clBtnFace;
}

void TScrollBar::SetParams(int APosition, int AMin, int AMax) {
    if (AMax < AMin) throw EInvalidOperation(QStringLiteral("Scroll bar property out of range"));
    min = AMin;
    max = AMax;
    APosition = std::clamp(APosition, min, max);
    bool changed = APosition != position;
    position = APosition;
    Invalidate();
    if (changed && OnChange) OnChange(this);
}

void TScrollBar::SetPosition(int Value) {
    SetParams(Value, min, max);
}

void TScrollBar::Scroll(TScrollCode Code, int Pos) {
    int p = position;
    switch (Code) {
    case scLineUp:
        p -= SmallChange;
        break;
    case scLineDown:
        p += SmallChange;
        break;
    case scPageUp:
        p -= LargeChange;
        break;
    case scPageDown:
        p += LargeChange;
        break;
    case scPosition:
    case scTrack:
        p = Pos;
        break;
    case scTop:
        p = min;
        break;
    case scBottom:
        p = max;
        break;
    case scEndScroll:
        break;
    }
    p = std::clamp(p, min, max);
    if (OnScroll) OnScroll(this, Code, p);
    SetPosition(p);
}

void TScrollBar::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    c->GetBrush()->SetColor(clScrollBar);
    c->FillRect(r);
    bool h = kind == sbHorizontal;
    int a = h ? r.Height() : r.Width();
    DrawFrameControl(c, h ? TRect{0, 0, a, a} : TRect{0, 0, a, a}, DFC_SCROLL,
                     h ? DFCS_SCROLLLEFT : DFCS_SCROLLUP);
    DrawFrameControl(c, h ? TRect{r.Right - a, 0, r.Right, a} : TRect{0, r.Bottom - a, a, r.Bottom},
                     DFC_SCROLL, h ? DFCS_SCROLLRIGHT : DFCS_SCROLLDOWN);
    int track = (h ? r.Width() : r.Height()) - 3 * a;
    int off = max > min ? track * (position - min) / (max - min) : 0;
    TRect th = h ? TRect{a + off, 0, 2 * a + off, a} : TRect{0, a + off, a, 2 * a + off};
    DrawFrameControl(c, th, DFC_BUTTON, DFCS_BUTTONPUSH);
}

void TScrollBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    TRect r = GetClientRect();
    bool h = kind == sbHorizontal;
    int a = h ? r.Height() : r.Width();
    int v = h ? X : Y, len = h ? r.Width() : r.Height();
    if (v < a)
        Scroll(scLineUp);
    else if (v >= len - a)
        Scroll(scLineDown);
    else {
        int track = len - 3 * a;
        int off = max > min ? track * (position - min) / (max - min) : 0;
        if (v < a + off)
            Scroll(scPageUp);
        else if (v >= 2 * a + off)
            Scroll(scPageDown);
    }
}
