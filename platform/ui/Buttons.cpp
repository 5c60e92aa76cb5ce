#include "Buttons.h"

#include "ActnList.h"

#include <QFontMetrics>
#include <algorithm>

// The captions of the kinds, in the language of the user interface.
QString BitBtnKindCaption(TBitBtnKind Kind) {
    switch (Kind) {
    case bkOK:
        return QStringLiteral("OK");
    case bkCancel:
        return QStringLiteral("Скасувати");
    case bkHelp:
        return QStringLiteral("&Довідка");
    case bkYes:
        return QStringLiteral("&Так");
    case bkNo:
        return QStringLiteral("&Ні");
    case bkClose:
        return QStringLiteral("&Закрити");
    case bkAbort:
        return QStringLiteral("Перервати");
    case bkRetry:
        return QStringLiteral("&Повторити");
    case bkIgnore:
        return QStringLiteral("&Пропустити");
    case bkAll:
        return QStringLiteral("&Усі");
    case bkCustom:
        break;
    }
    return QString();
}

TModalResult BitBtnKindResult(TBitBtnKind Kind) {
    switch (Kind) {
    case bkOK:
        return mrOk;
    case bkCancel:
        return mrCancel;
    case bkYes:
        return mrYes;
    case bkNo:
        return mrNo;
    case bkAbort:
        return mrAbort;
    case bkRetry:
        return mrRetry;
    case bkIgnore:
        return mrIgnore;
    case bkAll:
        return mrAll;
    default:
        return mrNone;
    }
}

namespace {
// The kind's picture, 18 x 18, drawn with the canvas (clOlive stands for transparent).
void makeKindGlyph(TBitmap* B, TBitBtnKind Kind) {
    B->SetSize(18, 18);
    TCanvas* c = B->GetCanvas();
    c->GetBrush()->SetColor(clOlive);
    c->FillRect(TRect{0, 0, 18, 18});
    c->GetPen()->SetWidth(2);
    switch (Kind) {
    case bkOK:
    case bkYes:
    case bkAll:
        c->GetPen()->SetColor(clGreen);
        c->Polyline({TPoint{3, 9}, TPoint{7, 13}, TPoint{15, 4}});
        break;
    case bkCancel:
    case bkNo:
    case bkAbort:
        c->GetPen()->SetColor(clRed);
        c->MoveTo(4, 4);
        c->LineTo(14, 14);
        c->MoveTo(14, 4);
        c->LineTo(4, 14);
        break;
    case bkClose:
        c->GetPen()->SetColor(clNavy);
        c->GetBrush()->SetStyle(bsClear);
        c->Rectangle(3, 2, 12, 16);
        c->MoveTo(12, 9);
        c->LineTo(16, 9);
        break;
    case bkHelp:
        c->GetFont()->SetColor(clNavy);
        c->GetFont()->SetStyle(TFontStyles{fsBold});
        c->GetBrush()->SetStyle(bsClear);
        c->TextOut(5, 1, QStringLiteral("?"));
        break;
    case bkRetry:
    case bkIgnore:
        c->GetPen()->SetColor(clNavy);
        c->Arc(3, 3, 15, 15, 15, 9, 9, 3);
        break;
    case bkCustom:
        break;
    }
    B->SetTransparent(true);
    B->SetTransparentColor(clOlive);
}

TBitmap* glyphPart(TBitmap* Glyph, int NumGlyphs, TButtonState State, TBitmap& Part) {
    if (!Glyph || Glyph->GetEmpty()) return nullptr;
    int n = std::max(1, NumGlyphs);
    if (n == 1) return Glyph;
    int w = Glyph->GetWidth() / n;
    // A state without a picture of its own shows the one of the button up.
    int idx = int(State) < n ? int(State) : 0;
    Part.SetSize(w, Glyph->GetHeight());
    Part.GetCanvas()->CopyRect(TRect{0, 0, w, Glyph->GetHeight()}, Glyph->GetCanvas(),
                               TRect{idx * w, 0, (idx + 1) * w, Glyph->GetHeight()});
    Part.SetTransparent(Glyph->GetTransparent());
    Part.SetTransparentColor(Glyph->GetTransparentColor());
    return &Part;
}
} // namespace

void DrawButtonFace(TCanvas* C, const TRect& Client, TBitmap* Glyph, int NumGlyphs,
                    TButtonState State, const QString& Caption, TFont* Font, TButtonLayout Layout,
                    int Margin, int Spacing) {
    TBitmap part;
    TBitmap* g = glyphPart(Glyph, NumGlyphs, State, part);
    C->SetFont(Font);
    TRect tr{0, 0, Client.Width(), 0};
    if (!Caption.isEmpty()) C->DrawText(Caption, tr, DT_CALCRECT | DT_SINGLELINE);
    int tw = Caption.isEmpty() ? 0 : tr.Width(), th = Caption.isEmpty() ? 0 : tr.Height();
    int gw = g ? g->GetWidth() : 0, gh = g ? g->GetHeight() : 0;
    int sp = (g && tw > 0) ? Spacing : 0;
    bool horz = Layout == blGlyphLeft || Layout == blGlyphRight;
    int total = horz ? gw + sp + tw : gh + sp + th;
    int avail = horz ? Client.Width() : Client.Height();
    int start = Margin < 0 ? (avail - total) / 2 : Margin;
    int off = State == bsDown || State == bsExclusive ? 1 : 0;
    TPoint gp, tp;
    if (horz) {
        int gx = Layout == blGlyphLeft ? start : start + tw + sp;
        int tx = Layout == blGlyphLeft ? start + gw + sp : start;
        gp = TPoint{Client.Left + gx, Client.Top + (Client.Height() - gh) / 2};
        tp = TPoint{Client.Left + tx, Client.Top + (Client.Height() - th) / 2};
    } else {
        int gy = Layout == blGlyphTop ? start : start + th + sp;
        int ty = Layout == blGlyphTop ? start + gh + sp : start;
        gp = TPoint{Client.Left + (Client.Width() - gw) / 2, Client.Top + gy};
        tp = TPoint{Client.Left + (Client.Width() - tw) / 2, Client.Top + ty};
    }
    if (g) C->Draw(gp.X + off, gp.Y + off, g);
    if (tw > 0) {
        TRect r{tp.X + off, tp.Y + off, tp.X + off + tw, tp.Y + off + th};
        C->GetBrush()->SetStyle(bsClear);
        if (State == bsDisabled) {
            TRect r1{r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1};
            C->GetFont()->SetColor(clBtnHighlight);
            C->DrawText(Caption, r1, DT_SINGLELINE);
            C->GetFont()->SetColor(clBtnShadow);
        }
        C->DrawText(Caption, r, DT_SINGLELINE);
        C->GetBrush()->SetStyle(bsSolid);
    }
}

// ---- TBitBtn ----------------------------------------------------------------------------------

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner) {
    glyph = std::make_unique<TBitmap>();
    glyph->OnChange = [this](TObject*) { Invalidate(); };
}

TBitBtn::~TBitBtn() {
    glyph->OnChange = nullptr;
}

void TBitBtn::SetKind(TBitBtnKind Value) {
    kind = Value;
    if (Value == bkCustom) return;
    SetCaption(BitBtnKindCaption(Value));
    SetModalResult(BitBtnKindResult(Value));
    SetDefault(Value == bkOK || Value == bkYes);
    SetCancel(Value == bkCancel || Value == bkNo);
    makeKindGlyph(glyph.get(), Value);
    numGlyphs = 1;
    Invalidate();
}

void TBitBtn::SetGlyph(TBitmap* Value) {
    glyph->Assign(Value);
    if (Value && Value->GetHeight() > 0) {
        int n = Value->GetWidth() / Value->GetHeight();
        numGlyphs = (Value->GetWidth() % Value->GetHeight() == 0 && n >= 1 && n <= 4) ? n : 1;
    }
    Invalidate();
}

void TBitBtn::SetNumGlyphs(int Value) {
    numGlyphs = std::clamp(Value, 1, 4);
    Invalidate();
}

void TBitBtn::SetLayout(TButtonLayout Value) {
    layout = Value;
    Invalidate();
}

void TBitBtn::SetMargin(int Value) {
    margin = Value;
    Invalidate();
}

void TBitBtn::SetSpacing(int Value) {
    spacing = Value;
    Invalidate();
}

void TBitBtn::Click() {
    if (kind == bkClose && !OnClick) {
        if (TCustomForm* f = GetParentForm(this)) {
            f->Close();
            return;
        }
    }
    TButton::Click();
}

void TBitBtn::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    if (isDefault || Focused()) {
        c->GetBrush()->SetColor(clWindowFrame);
        c->FrameRect(r);
        r.Left += 1;
        r.Top += 1;
        r.Right -= 1;
        r.Bottom -= 1;
    }
    DrawFrameControl(c, r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0u));
    TButtonState st = !enabled ? bsDisabled : pressed ? bsDown : bsUp;
    DrawButtonFace(c, r, glyph.get(), numGlyphs, st, GetText(), font.get(), layout, margin,
                   spacing);
    if (Focused()) {
        TRect f{r.Left + 3, r.Top + 3, r.Right - 3, r.Bottom - 3};
        c->GetBrush()->SetColor(clBtnFace);
        c->DrawFocusRect(f);
    }
}

// ---- TSpeedButton -----------------------------------------------------------------------------

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner) {
    controlStyle.Exclude(csClickEvents);
    controlStyle.Exclude(csDoubleClicks);
    SetBounds(0, 0, 23, 22);
    glyph = std::make_unique<TBitmap>();
    glyph->OnChange = [this](TObject*) { Invalidate(); };
    color = clBtnFace;
}

TSpeedButton::~TSpeedButton() {
    glyph->OnChange = nullptr;
}

void TSpeedButton::updateExclusive() {
    if (groupIndex == 0 || !parent || !down) return;
    for (int i = 0; i < parent->ControlCount(); ++i)
        if (auto* b = dynamic_cast<TSpeedButton*>(parent->GetControls(i)))
            if (b != this && b->groupIndex == groupIndex && b->down) {
                b->down = false;
                b->state = bsUp;
                b->Invalidate();
            }
}

void TSpeedButton::SetGroupIndex(int Value) {
    groupIndex = Value;
    updateExclusive();
}

void TSpeedButton::SetDown(bool Value) {
    if (groupIndex == 0) Value = false;
    if (Value == down) return;
    // the last button of a group stays down unless AllowAllUp
    if (!Value && !allowAllUp) return;
    down = Value;
    state = Value ? bsExclusive : bsUp;
    Invalidate();
    updateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool Value) {
    allowAllUp = Value;
    if (parent && groupIndex != 0)
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto* b = dynamic_cast<TSpeedButton*>(parent->GetControls(i)))
                if (b->groupIndex == groupIndex) b->allowAllUp = Value;
}

void TSpeedButton::SetFlat(bool Value) {
    flat = Value;
    Invalidate();
}

void TSpeedButton::SetGlyph(TBitmap* Value) {
    glyph->Assign(Value);
    if (Value && Value->GetHeight() > 0) {
        int n = Value->GetWidth() / Value->GetHeight();
        numGlyphs = (Value->GetWidth() % Value->GetHeight() == 0 && n >= 1 && n <= 4) ? n : 1;
    }
}

void TSpeedButton::SetNumGlyphs(int Value) {
    numGlyphs = std::clamp(Value, 1, 4);
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout Value) {
    layout = Value;
    Invalidate();
}

void TSpeedButton::Click() {
    if (!ExecuteControlAction(this)) TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !enabled) return;
    if (!down) {
        state = bsDown;
        Invalidate();
    }
    dragging = true;
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!dragging) return;
    TButtonState ns = down ? bsExclusive : bsUp;
    if (PtInRect(GetClientRect(), TPoint{X, Y}) && !down) ns = bsDown;
    if (ns != state) {
        state = ns;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!dragging || Button != mbLeft) return;
    dragging = false;
    bool inside = PtInRect(GetClientRect(), TPoint{X, Y});
    if (groupIndex == 0) {
        state = bsUp;
        Invalidate();
    } else if (inside) {
        SetDown(!down);
        state = down ? bsExclusive : bsUp;
        Invalidate();
    }
    if (inside) Click();
}

void TSpeedButton::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
        Invalidate();
        break;
    case CM_MOUSEENTER:
        mouseIn = true;
        if (flat) Invalidate();
        break;
    case CM_MOUSELEAVE:
        mouseIn = false;
        if (flat) Invalidate();
        break;
    default:
        break;
    }
    TGraphicControl::Dispatch(Message);
}

void TSpeedButton::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    c->GetBrush()->SetColor(color);
    c->FillRect(r);
    bool isDown = state == bsDown || state == bsExclusive;
    if (!flat || mouseIn || isDown) {
        if (flat) {
            TRect e = r;
            DrawEdge(c, e, isDown ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        } else {
            DrawFrameControl(c, r, DFC_BUTTON, DFCS_BUTTONPUSH | (isDown ? DFCS_PUSHED : 0u));
        }
    }
    TButtonState st = !enabled ? bsDisabled : state;
    DrawButtonFace(c, TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}, glyph.get(),
                   numGlyphs, st, GetText(), font.get(), layout, margin, spacing);
}
