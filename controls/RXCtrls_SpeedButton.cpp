// The speed button and its glyph.
#include "RXCtrls.h"

#include "RXConst.h"
#include "VCLUtils.h"

#include <QColor>
#include <algorithm>

namespace {

uint32_t rgbOf(TColor C) {
    return ColorToQColor(C).rgb() & 0xFFFFFFu;
}

// A one-pixel frame: TopLeft along the top and left edges, BottomRight along the others (the
// top-right and bottom-left corners are the dark sides'); R moves one pixel in.
void frame3D(TCanvas* C, TRect& R, TColor TopLeft, TColor BottomRight) {
    if (R.Width() <= 0 || R.Height() <= 0) return;
    C->FillSolid(TRect{R.Left, R.Top, R.Right - 1, R.Top + 1}, TopLeft);
    C->FillSolid(TRect{R.Left, R.Top, R.Left + 1, R.Bottom - 1}, TopLeft);
    C->FillSolid(TRect{R.Right - 1, R.Top, R.Right, R.Bottom}, BottomRight);
    C->FillSolid(TRect{R.Left, R.Bottom - 1, R.Right, R.Bottom}, BottomRight);
    R = TRect{R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1};
}

// The image with the pixels of Transparent (0xRRGGBB) clear.
QImage withTransparent(const QImage& Image, uint32_t Transparent) {
    QImage img = Image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((row[x] & 0xFFFFFFu) == Transparent) row[x] = 0;
    }
    return img;
}

} // namespace

void DrawButtonFrame(TCanvas* Canvas, TRect& R, bool IsDown, TButtonStyle Style, bool Flat) {
    // The new look is the platform's own; only bsWin31 asks for the old one.
    const bool newLook = Style != bsWin31;
    if (!IsDown) {
        if (newLook && !Flat) {
            frame3D(Canvas, R, clBtnHighlight, clWindowFrame);
            frame3D(Canvas, R, clBtnFace, clBtnShadow);
        } else if (newLook) {
            frame3D(Canvas, R, clBtnHighlight, clBtnShadow);
        } else if (!Flat) {
            frame3D(Canvas, R, clWindowFrame, clWindowFrame);
            frame3D(Canvas, R, clBtnHighlight, clBtnShadow);
        } else {
            frame3D(Canvas, R, clBtnHighlight, clWindowFrame);
        }
        return;
    }
    if (newLook && !Flat) {
        frame3D(Canvas, R, clWindowFrame, clBtnHighlight);
        frame3D(Canvas, R, clBtnShadow, clBtnFace);
    } else if (newLook) {
        frame3D(Canvas, R, clBtnShadow, clBtnHighlight);
    } else if (!Flat) {
        frame3D(Canvas, R, clWindowFrame, clWindowFrame);
        Canvas->FillSolid(TRect{R.Left, R.Top, R.Right, R.Top + 1}, clBtnShadow);
        Canvas->FillSolid(TRect{R.Left, R.Top, R.Left + 1, R.Bottom}, clBtnShadow);
        R.Left += 1;
        R.Top += 1;
    } else {
        frame3D(Canvas, R, clWindowFrame, clBtnHighlight);
    }
}

// ---- TRxButtonGlyph -------------------------------------------------------------------------

TRxButtonGlyph::TRxButtonGlyph() : original(std::make_unique<TBitmap>()) {
    original->OnChange = [this](TObject* S) { glyphChanged(S); };
}

TRxButtonGlyph::~TRxButtonGlyph() {
    original->OnChange = nullptr;
}

void TRxButtonGlyph::Invalidate() {
    for (QImage& i : prepared)
        i = QImage();
}

void TRxButtonGlyph::glyphChanged(TObject*) {
    Invalidate();
    const int w = original->GetWidth(), h = original->GetHeight();
    if (w > 0 && !original->GetEmpty()) {
        transparentColor = original->GetTransparentColor() & ~TColor(0x02000000);
        if (h > 0 && w % h == 0) {
            int n = w / h;
            numGlyphs = n > 5 ? 1 : n;
        }
    }
    if (OnChange) OnChange(this);
}

void TRxButtonGlyph::SetGlyph(TBitmap* Value) {
    Invalidate();
    TBitmap empty;
    original->Assign(Value ? Value : &empty);
}

void TRxButtonGlyph::SetNumGlyphs(TRxNumGlyphs Value) {
    Value = std::clamp(Value, 1, 5);
    if (Value == numGlyphs) return;
    Invalidate();
    numGlyphs = Value;
    if (OnChange) OnChange(this);
}

void TRxButtonGlyph::SetWordWrap(bool Value) {
    if (wordWrap == Value) return;
    wordWrap = Value;
    if (OnChange) OnChange(this);
}

void TRxButtonGlyph::SetAlignment(TAlignment Value) {
    if (alignment == Value) return;
    alignment = Value;
    if (OnChange) OnChange(this);
}

TSize TRxButtonGlyph::GlyphSize() const {
    if (original->GetEmpty() || original->GetWidth() <= 0) return TSize{0, 0};
    return TSize{original->GetWidth() / numGlyphs, original->GetHeight()};
}

QImage TRxButtonGlyph::StateImage(TRxButtonState State) {
    if (original->GetEmpty()) return QImage();
    if (State == rbsDown && numGlyphs < 3) State = rbsUp;
    QImage& cached = prepared[State];
    if (!cached.isNull()) return cached;
    const TSize size = GlyphSize();
    if (size.cx <= 0 || size.cy <= 0) return QImage();
    const QImage& src = original->GetImage();
    const uint32_t transparent = rgbOf(transparentColor);
    auto column = [&](int Index) { return src.copy(Index * size.cx, 0, size.cx, size.cy); };
    const int own = int(State) < numGlyphs ? int(State) : 0;
    switch (State) {
    case rbsUp:
    case rbsDown:
    case rbsExclusive:
        cached = withTransparent(column(own), transparent);
        break;
    case rbsDisabled:
        if (numGlyphs >= 2) {
            cached = withTransparent(column(1), transparent);
        } else {
            TBitmap cell;
            cell.SetImage(column(0));
            std::unique_ptr<TBitmap> embossed = BuildDisabledGlyph(&cell, clBlack);
            cached = withTransparent(embossed->GetImage(), rgbOf(clBtnFace));
        }
        break;
    case rbsInactive:
        if (numGlyphs == 5) {
            cached = withTransparent(column(4), transparent);
        } else {
            QImage g = column(0).convertToFormat(QImage::Format_RGB32);
            const uint32_t face = rgbOf(clBtnFace);
            for (int y = 0; y < g.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(g.scanLine(y));
                for (int x = 0; x < g.width(); ++x) {
                    uint32_t p = row[x] & 0xFFFFFFu;
                    if (p == transparent || p == face) continue;
                    int level = (77 * qRed(p) + 150 * qGreen(p) + 29 * qBlue(p)) / 256;
                    row[x] = qRgb(level, level, level);
                }
            }
            cached = withTransparent(g, transparent);
        }
        break;
    }
    return cached;
}

TRect TRxButtonGlyph::Draw(TCanvas* Canvas, const TRect& Client, const TPoint& Offset,
                           const QString& Caption, TButtonLayout Layout, int Margin, int Spacing,
                           bool DropDownMark, TRxButtonState State, unsigned Flags) {
    const TSize client{Client.Width(), Client.Height()};
    TSize glyphSize = GlyphSize();
    const bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
    const int m0 = Margin != -1 ? Margin : 0;
    const int s0 = Spacing != -1 ? Spacing : 0;
    TSize room;
    if (horizontal) {
        room.cx = client.cx - glyphSize.cx - m0 - s0 - (DropDownMark ? 9 : 0);
        room.cy = client.cy;
    } else {
        room.cx = client.cx;
        room.cy = client.cy - glyphSize.cy - m0 - s0;
    }
    room.cx = std::max(room.cx, 0);
    room.cy = std::max(room.cy, 0);

    QString text = Caption.left(255);
    if (!wordWrap) {
        QStringList lines = text.split(u'\n');
        for (QString& l : lines) {
            l = FitTextWithEllipsis(l, Canvas, room.cx);
            while (!l.isEmpty() && l.back().isSpace())
                l.chop(1);
        }
        text = lines.join(u'\n');
    }
    TSize textSize{0, 0};
    if (!text.isEmpty()) {
        TRect calc{0, 0, room.cx, 0};
        Canvas->DrawText(text, calc,
                         DT_CALCRECT | DT_CENTER | DT_VCENTER | (wordWrap ? DT_WORDBREAK : 0u) |
                             Flags);
        textSize = TSize{std::min(calc.Width(), room.cx), std::min(calc.Height(), room.cy)};
    }
    if (DropDownMark) {
        if (glyphSize.cx == 0 || Layout == blGlyphLeft)
            textSize.cx += 9;
        else
            glyphSize.cx += 6;
    }
    TPoint glyphPos, textPos;
    if (horizontal) {
        glyphPos.Y = client.cy / 2 - glyphSize.cy / 2;
        textPos.Y = client.cy / 2 - textSize.cy / 2;
    } else {
        glyphPos.X = client.cx / 2 - glyphSize.cx / 2;
        textPos.X = client.cx / 2 - textSize.cx / 2;
    }
    const int along = horizontal ? client.cx : client.cy;
    const int glyphAlong = horizontal ? glyphSize.cx : glyphSize.cy;
    const int textAlong = horizontal ? textSize.cx : textSize.cy;
    int spacing = Spacing, margin = Margin;
    if (textSize.cx == 0 || glyphSize.cx == 0) spacing = 0;
    if (margin == -1) {
        if (spacing != -1) {
            margin = along / 2 - (glyphAlong + textAlong + spacing) / 2;
        } else {
            margin = (along - glyphAlong - textAlong) / 3;
            spacing = margin;
        }
    } else if (spacing == -1) {
        spacing = (along - margin - glyphAlong) / 2 - textAlong / 2;
    }
    int g = 0, t = 0;
    switch (Layout) {
    case blGlyphLeft:
    case blGlyphTop:
        g = margin;
        t = g + glyphAlong + spacing;
        break;
    case blGlyphRight:
    case blGlyphBottom:
        g = along - margin - glyphAlong;
        t = g - spacing - textAlong;
        break;
    }
    if (horizontal) {
        glyphPos.X = g;
        textPos.X = t;
    } else {
        glyphPos.Y = g;
        textPos.Y = t;
    }
    const int dx = Client.Left + Offset.X, dy = Client.Top + Offset.Y;
    glyphPos = TPoint{glyphPos.X + dx, glyphPos.Y + dy};
    textPos = TPoint{textPos.X + dx, textPos.Y + dy};

    QImage image = StateImage(State);
    if (!image.isNull()) Canvas->DrawImage(glyphPos.X, glyphPos.Y, image);

    TRect textRect{textPos.X, textPos.Y, textPos.X + textSize.cx, textPos.Y + textSize.cy};
    if (!text.isEmpty()) {
        unsigned align = alignment == taLeftJustify    ? DT_LEFT
                         : alignment == taRightJustify ? DT_RIGHT
                                                       : DT_CENTER;
        unsigned fmt = DT_VCENTER | (wordWrap ? DT_WORDBREAK : 0u) | align | Flags;
        TRect tr = textRect;
        if (DropDownMark && (glyphSize.cx == 0 || Layout == blGlyphLeft)) tr.Right -= 9;
        Canvas->GetBrush()->SetStyle(bsClear);
        if (State == rbsDisabled) {
            TRect shifted{tr.Left + 1, tr.Top + 1, tr.Right + 1, tr.Bottom + 1};
            Canvas->GetFont()->SetColor(clBtnHighlight);
            Canvas->DrawText(text, shifted, fmt);
            Canvas->GetFont()->SetColor(clBtnShadow);
        } else {
            Canvas->GetFont()->SetColor(clBtnText);
        }
        Canvas->DrawText(text, tr, fmt);
    }
    if (DropDownMark) {
        int x = 0, y = 0;
        if (image.isNull() == false && Layout != blGlyphLeft) {
            x = glyphPos.X + image.width() + 1;
            y = glyphPos.Y + glyphSize.cy / 2;
        } else {
            x = text.isEmpty() ? (Client.Left + Client.Right - 7) / 2 : textRect.Right - 9 + 3;
            y = textRect.Top + textRect.Height() / 2;
        }
        auto mark = [Canvas](int X, int Y, TColor C) {
            for (int i = 0; i < 4; ++i)
                Canvas->FillSolid(TRect{X + i, Y - 1 + i, X + 7 - i, Y + i}, C);
        };
        if (State == rbsDisabled) {
            mark(x + 1, y + 1, clBtnHighlight);
            mark(x, y, clBtnShadow);
        } else {
            mark(x, y, clBtnText);
        }
    }
    return textRect;
}

// ---- TRxSpeedButton -------------------------------------------------------------------------

TRxSpeedButton::TRxSpeedButton(TComponent* AOwner)
    : TGraphicControl(AOwner), glyph(std::make_unique<TRxButtonGlyph>()) {
    RegisterRxCursors();
    SetBounds(0, 0, 25, 25);
    controlStyle = TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks, csReplicatable};
    glyph->OnChange = [this](TObject*) { Invalidate(); };
    parentFont = true;
    parentShowHint = false;
    showHint = true;
    color = clBtnFace;
}

TRxSpeedButton::~TRxSpeedButton() {
    glyph->OnChange = nullptr;
}

void TRxSpeedButton::SetGlyph(TBitmap* Value) {
    glyph->SetGlyph(Value);
}

void TRxSpeedButton::SetNumGlyphs(TRxNumGlyphs Value) {
    glyph->SetNumGlyphs(Value);
}

void TRxSpeedButton::SetStyle(TButtonStyle Value) {
    if (style == Value) return;
    style = Value;
    Invalidate();
}

void TRxSpeedButton::SetLayout(TButtonLayout Value) {
    if (layout == Value) return;
    layout = Value;
    Invalidate();
}

void TRxSpeedButton::SetMargin(int Value) {
    if (Value < -1 || Value == margin) return;
    margin = Value;
    Invalidate();
}

void TRxSpeedButton::SetSpacing(int Value) {
    if (Value == spacing) return;
    spacing = Value;
    Invalidate();
}

void TRxSpeedButton::SetAllowTimer(bool Value) {
    allowTimer = Value;
    if (!Value && repeatTimer) {
        TTimer* t = repeatTimer;
        repeatTimer = nullptr;
        FreeObject(t);
    }
}

void TRxSpeedButton::stopTimer() {
    if (repeatTimer) repeatTimer->SetEnabled(false);
}

void TRxSpeedButton::setState(TRxButtonState Value) {
    if (state == Value) return;
    state = Value;
    Invalidate();
}

void TRxSpeedButton::timerTick() {
    if (!repeatTimer) return;
    repeatTimer->SetInterval(repeatInterval);
    if (state == rbsDown && GetMouseCapture()) {
        repeated = true;
        Click();
    }
}

void TRxSpeedButton::updateExclusive() {
    if (!parent) return;
    TMessage m{CM_BUTTONPRESSED, WPARAM(groupIndex), LPARAM(reinterpret_cast<intptr_t>(this)), 0};
    parent->Broadcast(m);
}

void TRxSpeedButton::SetGroupIndex(int Value) {
    if (groupIndex == Value) return;
    groupIndex = Value;
    updateExclusive();
}

void TRxSpeedButton::SetDown(bool Value) {
    if (groupIndex == 0) Value = false;
    if (Value == down) return;
    if (down && !allowAllUp) return;
    down = Value;
    if (Value) {
        if (state == rbsUp) Invalidate();
        state = rbsExclusive;
    } else {
        state = rbsUp;
        Invalidate();
    }
    if (Value) updateExclusive();
}

void TRxSpeedButton::SetAllowAllUp(bool Value) {
    if (allowAllUp == Value) return;
    allowAllUp = Value;
    updateExclusive();
}

void TRxSpeedButton::SetFlat(bool Value) {
    if (flat == Value) return;
    flat = Value;
    Invalidate();
}

void TRxSpeedButton::SetGrayedInactive(bool Value) {
    if (grayedInactive == Value) return;
    grayedInactive = Value;
    Invalidate();
}

void TRxSpeedButton::SetFlatStandard(bool Value) {
    if (flatStandard == Value) return;
    flatStandard = Value;
    Invalidate();
}

void TRxSpeedButton::SetTransparent(bool Value) {
    if (transparent == Value) return;
    transparent = Value;
    if (Value)
        controlStyle.Exclude(csOpaque);
    else
        controlStyle.Include(csOpaque);
    Invalidate();
}

void TRxSpeedButton::SetDropDownMenu(TPopupMenu* Value) {
    if (dropDownMenu == Value) return;
    dropDownMenu = Value;
    if (Value) Value->FreeNotification(this);
    if (markDropDown) Invalidate();
}

void TRxSpeedButton::SetMarkDropDown(bool Value) {
    if (markDropDown == Value) return;
    markDropDown = Value;
    if (dropDownMenu) Invalidate();
}

void TRxSpeedButton::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == dropDownMenu) {
        dropDownMenu = nullptr;
        Invalidate();
    }
}

void TRxSpeedButton::PaintGlyph(TCanvas* Canvas, const TRect& ARect, TRxButtonState AState,
                                bool DrawMark) {
    TPoint offset{0, 0};
    if (state == rbsDown || state == rbsExclusive) offset = TPoint{1, 1};
    Canvas->SetFont(font.get());
    glyph->Draw(Canvas, ARect, offset, GetCaption(), layout, margin, spacing, DrawMark, AState,
                UseRightToLeftAlignment() ? DT_RTLREADING : 0u);
}

void TRxSpeedButton::Paint() {
    if (!enabled) {
        state = rbsDisabled;
        dragging = false;
    } else if (state == rbsDisabled) {
        state = down && groupIndex != 0 ? rbsExclusive : rbsUp;
    }
    TRxButtonState drawState = state;
    if (flat && !mouseInControl && !IsDesigning()) drawState = rbsInactive;
    TBitmap bmp;
    bmp.SetSize(width, height);
    TCanvas* c = bmp.GetCanvas();
    TRect r = GetClientRect();
    c->FillSolid(r, clBtnFace);
    if (transparent) PaintParentBackground(this, c);
    if (drawState != rbsInactive || state == rbsExclusive) {
        DrawButtonFrame(c, r, state == rbsDown || state == rbsExclusive, style, flat);
    } else {
        r = TRect{r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2};
    }
    if (state == rbsExclusive && !transparent && (!flat || drawState == rbsInactive)) {
        // the latched look: a dither of the face and the highlight
        const TColor face = ColorToRGB(clBtnFace), light = ColorToRGB(clBtnHighlight);
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                c->SetPixels(x, y, ((x + y) & 1) ? light : face);
    }
    TRxButtonState glyphState = !enabled || !grayedInactive ? state : drawState;
    if (flatStandard && glyphState == rbsInactive) glyphState = rbsExclusive;
    PaintGlyph(c, r, glyphState, markDropDown && dropDownMenu);
    GetCanvas()->Draw(0, 0, &bmp);
}

void TRxSpeedButton::Click() {
    if (TCustomForm* f = GetParentForm(this)) f->SetModalResult(modalResult);
    TGraphicControl::Click();
}

void TRxSpeedButton::DblClick() {
    if (down) TGraphicControl::DblClick();
}

bool TRxSpeedButton::checkMenuDropDown() {
    if (!dropDownMenu || !dropDownMenu->GetAutoPopup() || IsDesigning()) return false;
    if (TCustomForm* f = GetParentForm(this); f && f->GetActiveControl())
        f->GetActiveControl()->Perform(CM_CANCELMODE, 0, LPARAM(this));
    dropDownMenu->SetPopupComponent(this);
    TPoint p;
    switch (dropDownMenu->Alignment) {
    case paRight:
        p = menuPosition == dmpBottom ? TPoint{width + 1, height} : TPoint{-1, -1};
        break;
    case paCenter:
        p = TPoint{width / 2, height};
        break;
    default:
        p = menuPosition == dmpBottom ? TPoint{-1, height} : TPoint{width, -1};
        break;
    }
    p = ClientToScreen(p);
    dropDownMenu->Popup(p.X, p.Y);
    return true;
}

void TRxSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !enabled || menuTracking) return;
    if (!down) setState(rbsDown);
    dragging = true;
    repeated = false;
    menuTracking = true;
    bool popped = false;
    try {
        popped = checkMenuDropDown();
    } catch (...) {
        menuTracking = false;
        throw;
    }
    if (popped) {
        // the menu has closed: the press ends here, and a click that closed it over the
        // button does not press it again
        menuTracking = true;
        MouseUp(Button, Shift, -1, -1);
        if (parent && parent->HandleAllocated()) {
            DiscardMessage(parent->GetHandle(), WM_LBUTTONDOWN);
            DiscardMessage(parent->GetHandle(), WM_LBUTTONDBLCLK);
        }
    }
    menuTracking = false;
    if (allowTimer && !popped) {
        if (!repeatTimer) {
            repeatTimer = new TTimer(this);
            repeatTimer->SetEnabled(false);
            repeatTimer->OnTimer = [this](TObject*) { timerTick(); };
        }
        repeatTimer->SetInterval(initPause);
        repeatTimer->SetEnabled(true);
    }
}

void TRxSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!dragging) return;
    const bool inside = PtInRect(GetClientRect(), TPoint{X, Y});
    if (down)
        setState(rbsExclusive);
    else
        setState(inside ? rbsDown : rbsUp);
}

void TRxSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft || !dragging) return;
    dragging = false;
    stopTimer();
    const bool inside = PtInRect(GetClientRect(), TPoint{X, Y});
    if (groupIndex == 0) {
        setState(rbsUp);
    } else if (inside) {
        SetDown(!down);
        state = down ? rbsExclusive : rbsUp;
        Invalidate();
    } else {
        setState(down ? rbsExclusive : rbsUp);
    }
    // a button held long enough to repeat has clicked already
    if (inside && !menuTracking && !repeated) Click();
    repeated = false;
}

void TRxSpeedButton::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_BUTTONPRESSED: {
        auto* sender = reinterpret_cast<TRxSpeedButton*>(Message.LParam);
        if (int(Message.WParam) == groupIndex && groupIndex != 0 && sender != this) {
            if (sender->down && down) {
                down = false;
                state = rbsUp;
                Invalidate();
            }
            allowAllUp = sender->allowAllUp;
        }
        return;
    }
    case CM_DIALOGCHAR:
        if (enabled && visible && IsAccel(WORD(Message.WParam), GetCaption())) {
            Click();
            Message.Result = 1;
            return;
        }
        break;
    case CM_ENABLEDCHANGED:
        glyph->Invalidate();
        Invalidate();
        break;
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
    case CM_SYSCOLORCHANGE:
        if (Message.Msg == CM_SYSCOLORCHANGE) glyph->Invalidate();
        Invalidate();
        break;
    case CM_MOUSEENTER:
        if (!mouseInControl && enabled) {
            mouseInControl = true;
            if (flat) Repaint();
            if (OnMouseEnter) OnMouseEnter(this);
        }
        break;
    case CM_MOUSELEAVE:
        if (mouseInControl) {
            mouseInControl = false;
            if (flat) Invalidate();
            if (OnMouseLeave) OnMouseLeave(this);
        }
        break;
    default:
        break;
    }
    TGraphicControl::Dispatch(Message);
}
