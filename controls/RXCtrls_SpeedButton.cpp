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
    if (state == rbsDown && GetMouseCapture()) Click();
}

void TRxSpeedButton::PaintGlyph(TCanvas* Canvas, const TRect& ARect, TRxButtonState AState,
                                bool DrawMark) {
    TPoint offset{0, 0};
    if (AState == rbsDown || AState == rbsExclusive) offset = TPoint{1, 1};
    Canvas->SetFont(font.get());
    glyph->Draw(Canvas, ARect, offset, GetCaption(), layout, margin, spacing, DrawMark, AState,
                UseRightToLeftAlignment() ? DT_RTLREADING : 0u);
}

void TRxSpeedButton::Paint() {
    if (!enabled) {
        state = rbsDisabled;
        dragging = false;
    } else if (state == rbsDisabled) {
        state = rbsUp;
    }
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    c->FillSolid(r, clBtnFace);
    DrawButtonFrame(c, r, state == rbsDown || state == rbsExclusive, style, false);
    PaintGlyph(c, r, state, false);
}

void TRxSpeedButton::Click() {
    if (TCustomForm* f = GetParentForm(this)) f->SetModalResult(modalResult);
    TGraphicControl::Click();
}

void TRxSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !enabled) return;
    if (state == rbsUp) setState(rbsDown);
    dragging = true;
    if (allowTimer) {
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
    setState(PtInRect(GetClientRect(), TPoint{X, Y}) ? rbsDown : rbsUp);
}

void TRxSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft || !dragging) return;
    dragging = false;
    stopTimer();
    const bool inside = PtInRect(GetClientRect(), TPoint{X, Y});
    setState(rbsUp);
    if (inside) Click();
}

void TRxSpeedButton::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
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
            if (OnMouseEnter) OnMouseEnter(this);
        }
        break;
    case CM_MOUSELEAVE:
        if (mouseInControl) {
            mouseInControl = false;
            if (OnMouseLeave) OnMouseLeave(this);
        }
        break;
    default:
        break;
    }
    TGraphicControl::Dispatch(Message);
}
