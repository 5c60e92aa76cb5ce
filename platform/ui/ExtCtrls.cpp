#include "ExtCtrls.h"

#include "UiInternal.h"

#include <QFontMetrics>
#include <algorithm>

namespace {
unsigned edgeOf(TBevelCut Cut) {
    return Cut == bvLowered ? BDR_SUNKENOUTER : Cut == bvRaised ? BDR_RAISEDOUTER : 0u;
}

// Draws a bevel of Width pixels and shrinks R by it.
void bevel(TCanvas* C, TRect& R, TBevelCut Cut, int Width) {
    if (Cut == bvNone) return;
    for (int i = 0; i < Width; ++i) {
        if (Cut == bvSpace) {
            R.Left += 1;
            R.Top += 1;
            R.Right -= 1;
            R.Bottom -= 1;
            continue;
        }
        DrawEdge(C, R, edgeOf(Cut), BF_RECT);
        R.Left += 1;
        R.Top += 1;
        R.Right -= 1;
        R.Bottom -= 1;
    }
}
} // namespace

// ---- TCustomPanel -----------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    controlStyle.Include(csAcceptsControls);
    controlStyle.Include(csOpaque);
    SetBounds(0, 0, 185, 41);
    color = clBtnFace;
}

void TCustomPanel::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    if (borderStyle == bsSingle) Params.Style |= WS_BORDER;
}

int TCustomPanel::bevelsWidth() const {
    int w = 0; // the border width is taken by the window's own client rectangle
    if (bevelOuter != bvNone) w += bevelWidth;
    if (bevelInner != bvNone) w += bevelWidth;
    return w;
}

void TCustomPanel::AdjustClientRect(TRect& Rect) {
    TCustomControl::AdjustClientRect(Rect);
    int w = bevelsWidth();
    Rect.Left += w;
    Rect.Top += w;
    Rect.Right -= w;
    Rect.Bottom -= w;
}

TRect TCustomPanel::CaptionRect() {
    TRect r = GetClientRect();
    AdjustClientRect(r);
    r.Left += 2;
    r.Right -= 2;
    return r;
}

void TCustomPanel::SetBevelOuter(TBevelCut Value) {
    bevelOuter = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut Value) {
    bevelInner = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int Value) {
    bevelWidth = std::max(1, Value);
    Realign();
    Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment Value) {
    alignment = Value;
    Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle Value) {
    if (borderStyle == Value) return;
    borderStyle = Value;
    RecreateWnd();
}

void TCustomPanel::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    c->GetBrush()->SetColor(color);
    c->FillRect(r);
    bevel(c, r, bevelOuter, bevelWidth);
    r.Left += borderWidth;
    r.Top += borderWidth;
    r.Right -= borderWidth;
    r.Bottom -= borderWidth;
    bevel(c, r, bevelInner, bevelWidth);
    QString t = GetText();
    if (t.isEmpty()) return;
    TRect cr = CaptionRect();
    c->SetFont(font.get());
    c->GetBrush()->SetStyle(bsClear);
    unsigned f = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
    f |= alignment == taCenter ? DT_CENTER : alignment == taRightJustify ? DT_RIGHT : DT_LEFT;
    if (!enabled) c->GetFont()->SetColor(clGrayText);
    c->DrawText(t, cr, f);
    c->GetBrush()->SetStyle(bsSolid);
}

void TCustomPanel::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_TEXTCHANGED || Message.Msg == CM_ENABLEDCHANGED ||
        Message.Msg == CM_FONTCHANGED || Message.Msg == CM_COLORCHANGED)
        Invalidate();
    TCustomControl::Dispatch(Message);
}

// ---- TControlBar ------------------------------------------------------------------------------

TControlBar::TControlBar(TComponent* AOwner) : TCustomPanel(AOwner) {
    bevelOuter = bvLowered;
    SetBounds(0, 0, 100, 50);
}

void TControlBar::SetRowSize(int Value) {
    rowSize = std::max(1, Value);
    Realign();
}

void TControlBar::AlignControls(TControl* AControl, TRect& Rect) {
    if (arranging) return;
    arranging = true;
    std::vector<TControl*> bands;
    for (TControl* c : controls)
        if (c->GetVisible()) bands.push_back(c);
    std::stable_sort(bands.begin(), bands.end(), [this](TControl* a, TControl* b) {
        int ra = a->GetTop() / rowSize, rb = b->GetTop() / rowSize;
        return ra != rb ? ra < rb : a->GetLeft() < b->GetLeft();
    });
    TRect r = GetClientRect();
    AdjustClientRect(r);
    int x = r.Left, row = 0, lastRow = -1;
    for (TControl* c : bands) {
        int wanted = c->GetTop() / rowSize;
        int w = c->GetWidth() + GrabWidth;
        if (lastRow >= 0 && (wanted > lastRow || x + w > r.Right) && x > r.Left) {
            ++row;
            x = r.Left;
        }
        lastRow = std::max(wanted, lastRow);
        int h = std::min(c->GetHeight(), rowSize - 2);
        c->SetBounds(x + GrabWidth, r.Top + row * rowSize + (rowSize - h) / 2, c->GetWidth(), h);
        x += w + 2;
    }
    arranging = false;
    Invalidate();
}

void TControlBar::Dispatch(TMessage& Message) {
    TCustomPanel::Dispatch(Message);
    // a band added or removed: lay the rows out again
    if (Message.Msg == CM_CONTROLCHANGE) Realign();
}

void TControlBar::Paint() {
    TCustomPanel::Paint();
    TCanvas* c = GetCanvas();
    for (TControl* ch : controls) {
        if (!ch->GetVisible()) continue;
        // the grab handle: two raised lines in front of the band
        TRect g{ch->GetLeft() - GrabWidth + 2, ch->GetTop() + 1, ch->GetLeft() - GrabWidth + 5,
                ch->GetTop() + ch->GetHeight() - 1};
        DrawEdge(c, g, BDR_RAISEDINNER, BF_RECT);
        TRect g2{g.Left + 4, g.Top, g.Right + 4, g.Bottom};
        DrawEdge(c, g2, BDR_RAISEDINNER, BF_RECT);
    }
}

// ---- TBevel -----------------------------------------------------------------------------------

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape Value) {
    shape = Value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value) {
    style = Value;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    unsigned edge = style == bsLowered ? BDR_SUNKENOUTER : BDR_RAISEDOUTER;
    switch (shape) {
    case bsBox:
        DrawEdge(c, r, edge, BF_RECT);
        break;
    case bsFrame:
        DrawEdge(c, r, style == bsLowered ? EDGE_ETCHED : EDGE_BUMP, BF_RECT);
        break;
    case bsTopLine:
        DrawEdge(c, r, EDGE_ETCHED, BF_TOP);
        break;
    case bsBottomLine: {
        TRect b{r.Left, r.Bottom - 2, r.Right, r.Bottom};
        DrawEdge(c, b, EDGE_ETCHED, BF_TOP);
        break;
    }
    case bsLeftLine:
        DrawEdge(c, r, EDGE_ETCHED, BF_LEFT);
        break;
    case bsRightLine: {
        TRect b{r.Right - 2, r.Top, r.Right, r.Bottom};
        DrawEdge(c, b, EDGE_ETCHED, BF_LEFT);
        break;
    }
    case bsSpacer:
        break;
    }
}

// ---- TImage -----------------------------------------------------------------------------------

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner) {
    picture = std::make_unique<TPicture>();
    picture->OnChange = [this](TObject* S) { pictureChanged(S); };
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage() {
    picture->OnChange = nullptr;
}

void TImage::pictureChanged(TObject*) {
    if (autoSize && picture->GetWidth() > 0 && picture->GetHeight() > 0)
        SetBounds(left, top, picture->GetWidth(), picture->GetHeight());
    Invalidate();
}

void TImage::SetStretch(bool Value) {
    stretch = Value;
    Invalidate();
}

void TImage::SetCenter(bool Value) {
    center = Value;
    Invalidate();
}

void TImage::SetProportional(bool Value) {
    proportional = Value;
    Invalidate();
}

void TImage::SetTransparent(bool Value) {
    transparent = Value;
    Invalidate();
}

TRect TImage::DestRect() {
    int w = picture->GetWidth(), h = picture->GetHeight();
    int cw = GetClientWidth(), ch = GetClientHeight();
    if (w <= 0 || h <= 0) return TRect{0, 0, 0, 0};
    if (stretch || (proportional && (w > cw || h > ch))) {
        if (proportional) {
            // fit keeping the aspect ratio
            double k = std::min(double(cw) / w, double(ch) / h);
            w = int(w * k + 0.5);
            h = int(h * k + 0.5);
        } else {
            w = cw;
            h = ch;
        }
    }
    int x = 0, y = 0;
    if (center) {
        x = (cw - w) / 2;
        y = (ch - h) / 2;
    }
    return TRect{x, y, x + w, y + h};
}

void TImage::Paint() {
    TGraphic* g = picture->GetGraphic();
    if (!g || g->GetEmpty()) return;
    TRect d = DestRect();
    TCanvas* c = GetCanvas();
    if (d.Width() == g->GetWidth() && d.Height() == g->GetHeight())
        c->Draw(d.Left, d.Top, g);
    else
        c->StretchDraw(d, g);
}

// ---- TShape -----------------------------------------------------------------------------------

TShape::TShape(TComponent* AOwner) : TGraphicControl(AOwner) {
    pen = std::make_unique<TPen>();
    brush = std::make_unique<TBrush>();
    pen->OnChange = [this](TObject*) { Invalidate(); };
    brush->OnChange = [this](TObject*) { Invalidate(); };
    SetBounds(0, 0, 65, 65);
}

TShape::~TShape() {
    pen->OnChange = nullptr;
    brush->OnChange = nullptr;
}

void TShape::SetShape(TShapeType Value) {
    shape = Value;
    Invalidate();
}

void TShape::Paint() {
    TCanvas* c = GetCanvas();
    c->SetPen(pen.get());
    c->SetBrush(brush.get());
    int pw = pen->GetWidth();
    int x = pw / 2, y = pw / 2;
    int w = width - pw + 1, h = height - pw + 1;
    if (pw == 0) {
        --w;
        --h;
    }
    if (shape == stSquare || shape == stRoundSquare || shape == stCircle) {
        int s = std::min(w, h);
        x += (w - s) / 2;
        y += (h - s) / 2;
        w = h = s;
    }
    switch (shape) {
    case stRectangle:
    case stSquare:
        c->Rectangle(x, y, x + w, y + h);
        break;
    case stRoundRect:
    case stRoundSquare:
        c->RoundRect(x, y, x + w, y + h, std::min(w, h) / 4, std::min(w, h) / 4);
        break;
    case stEllipse:
    case stCircle:
        c->Ellipse(x, y, x + w, y + h);
        break;
    }
}

// ---- TCustomRadioGroup ------------------------------------------------------------------------

TCustomRadioGroup::TCustomRadioGroup(TComponent* AOwner) : TCustomGroupBox(AOwner) {
    items = std::make_unique<TStringList>();
    items->OnChange = [this](TObject* S) { itemsChanged(S); };
}

TCustomRadioGroup::~TCustomRadioGroup() {
    items->OnChange = nullptr;
}

void TCustomRadioGroup::itemsChanged(TObject*) {
    // one button per item; surplus buttons go
    while (int(buttons.size()) > items->Count()) {
        delete buttons.back();
        buttons.pop_back();
    }
    while (int(buttons.size()) < items->Count()) {
        auto* b = new TRadioButton(nullptr);
        b->SetParent(this);
        b->OnClick = [this, b](TObject*) { buttonClicked(b); };
        buttons.push_back(b);
    }
    updating = true;
    for (size_t i = 0; i < buttons.size(); ++i) {
        buttons[i]->SetCaption(items->Get(int(i)));
        buttons[i]->ClicksDisabled = true;
        buttons[i]->SetChecked(int(i) == itemIndex);
        buttons[i]->ClicksDisabled = false;
    }
    updating = false;
    if (itemIndex >= items->Count()) itemIndex = -1;
    arrange();
}

void TCustomRadioGroup::arrange() {
    if (buttons.empty()) return;
    TRect r = GetClientRect();
    AdjustClientRect(r);
    int cols = std::max(1, columns);
    int rows = (int(buttons.size()) + cols - 1) / cols;
    int colW = std::max(1, r.Width() / cols);
    int rowH = std::max(1, r.Height() / std::max(1, rows));
    QFontMetrics fm(font->ToQFont());
    int bh = std::min(rowH, fm.height() + 4);
    for (size_t i = 0; i < buttons.size(); ++i) {
        int col = int(i) / rows, row = int(i) % rows;
        buttons[i]->SetBounds(r.Left + 6 + col * colW, r.Top + row * rowH + (rowH - bh) / 2,
                              colW - 8, bh);
    }
}

void TCustomRadioGroup::buttonClicked(TRadioButton* B) {
    if (updating) return;
    auto it = std::find(buttons.begin(), buttons.end(), B);
    if (it == buttons.end()) return;
    int i = int(it - buttons.begin());
    if (i == itemIndex || !B->GetChecked()) return;
    if (!CanModify()) {
        // put the old choice back
        updating = true;
        B->SetChecked(false);
        if (itemIndex >= 0) buttons[size_t(itemIndex)]->SetChecked(true);
        updating = false;
        return;
    }
    itemIndex = i;
    Click();
}

void TCustomRadioGroup::SetItemIndex(int Value) {
    if (Value < -1 || Value >= items->Count()) Value = -1;
    if (Value == itemIndex) return;
    itemIndex = Value;
    updating = true;
    for (size_t i = 0; i < buttons.size(); ++i) {
        buttons[i]->ClicksDisabled = true;
        buttons[i]->SetChecked(int(i) == Value);
        buttons[i]->ClicksDisabled = false;
    }
    updating = false;
    // setting it from code clicks too, as the platform's does
    Click();
}

void TCustomRadioGroup::SetColumns(int Value) {
    columns = std::clamp(Value, 1, 16);
    arrange();
}

void TCustomRadioGroup::Dispatch(TMessage& Message) {
    TCustomGroupBox::Dispatch(Message);
    if (Message.Msg == WM_SIZE || Message.Msg == CM_FONTCHANGED) arrange();
}

// ---- TSplitter --------------------------------------------------------------------------------

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
    align = alLeft;
    SetBounds(0, 0, 3, 100);
    cursor = crHSplit;
}

TControl* TSplitter::FindControl() {
    if (!parent) return nullptr;
    // the visible control on the same side whose edge touches the splitter
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->GetControls(i);
        if (c == this || !c->GetVisible() || c->GetAlign() != align) continue;
        switch (align) {
        case alLeft:
            if (c->GetLeft() + c->GetWidth() == left) return c;
            break;
        case alRight:
            if (c->GetLeft() == left + width) return c;
            break;
        case alTop:
            if (c->GetTop() + c->GetHeight() == top) return c;
            break;
        case alBottom:
            if (c->GetTop() == top + height) return c;
            break;
        default:
            break;
        }
    }
    return nullptr;
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    control = FindControl();
    if (!control) return;
    dragging = true;
    downPos = ClientToScreen(TPoint{X, Y});
    startSize = (align == alLeft || align == alRight) ? control->GetWidth() : control->GetHeight();
}

void TSplitter::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!dragging || !control) return;
    TPoint p = ClientToScreen(TPoint{X, Y});
    int d = (align == alLeft || align == alRight) ? p.X - downPos.X : p.Y - downPos.Y;
    if (align == alRight || align == alBottom) d = -d;
    int size = std::max(minSize, startSize + d);
    bool accept = true;
    if (OnCanResize) OnCanResize(this, size, accept);
    if (!accept) return;
    if (align == alLeft)
        control->SetWidth(size);
    else if (align == alRight) {
        control->SetBounds(control->GetLeft() + control->GetWidth() - size, control->GetTop(), size,
                           control->GetHeight());
    } else if (align == alTop)
        control->SetHeight(size);
    else if (align == alBottom)
        control->SetBounds(control->GetLeft(), control->GetTop() + control->GetHeight() - size,
                           control->GetWidth(), size);
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (dragging) {
        dragging = false;
        if (OnMoved) OnMoved(this);
    }
}

void TSplitter::Paint() {
    TCanvas* c = GetCanvas();
    c->GetBrush()->SetColor(color);
    c->FillRect(GetClientRect());
}

// ---- TScrollBox -------------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent* AOwner) : TCustomControl(AOwner) {
    controlStyle.Include(csAcceptsControls);
    SetBounds(0, 0, 185, 41);
    color = clBtnFace;
}

void TScrollBox::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    if (borderStyle == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TScrollBox::SetBorderStyle(TBorderStyle Value) {
    if (borderStyle == Value) return;
    borderStyle = Value;
    RecreateWnd();
}

TSize TScrollBox::ContentSize() {
    TSize s;
    for (TControl* c : controls) {
        if (!c->GetVisible() || c->GetAlign() != alNone) continue;
        s.cx = std::max(s.cx, c->GetLeft() + c->GetWidth() + scrollX);
        s.cy = std::max(s.cy, c->GetTop() + c->GetHeight() + scrollY);
    }
    return s;
}

void TScrollBox::ScrollTo(int X, int Y) {
    TSize s = ContentSize();
    TRect r = GetClientRect();
    X = std::clamp(X, 0, std::max(0, s.cx - r.Width()));
    Y = std::clamp(Y, 0, std::max(0, s.cy - r.Height()));
    int dx = scrollX - X, dy = scrollY - Y;
    if (dx == 0 && dy == 0) return;
    scrollX = X;
    scrollY = Y;
    DisableAlign();
    for (TControl* c : std::vector<TControl*>(controls))
        if (c->GetAlign() == alNone)
            c->SetBounds(c->GetLeft() + dx, c->GetTop() + dy, c->GetWidth(), c->GetHeight());
    EnableAlign();
    UpdateScrollBars();
    Invalidate();
}

void TScrollBox::ScrollInView(TControl* Control) {
    if (!Control || Control->GetParent() != this) return;
    TRect r = GetClientRect();
    int x = scrollX, y = scrollY;
    if (Control->GetLeft() < 0)
        x += Control->GetLeft();
    else if (Control->GetLeft() + Control->GetWidth() > r.Right)
        x += Control->GetLeft() + Control->GetWidth() - r.Right;
    if (Control->GetTop() < 0)
        y += Control->GetTop();
    else if (Control->GetTop() + Control->GetHeight() > r.Bottom)
        y += Control->GetTop() + Control->GetHeight() - r.Bottom;
    ScrollTo(x, y);
}

void TScrollBox::UpdateScrollBars() {
    if (!HandleAllocated()) return;
    TSize s = ContentSize();
    TRect r = GetClientRect();
    TScrollInfo h;
    h.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    h.nMin = 0;
    h.nMax = std::max(0, s.cx - 1);
    h.nPage = UINT(std::max(0, r.Width()));
    h.nPos = scrollX;
    SetScrollInfo(GetHandle(), SB_HORZ, h, true);
    TScrollInfo v = h;
    v.nMax = std::max(0, s.cy - 1);
    v.nPage = UINT(std::max(0, r.Height()));
    v.nPos = scrollY;
    SetScrollInfo(GetHandle(), SB_VERT, v, true);
}

void TScrollBox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL: {
        TWMScroll m(Message);
        bool horz = Message.Msg == WM_HSCROLL;
        int pos = horz ? scrollX : scrollY;
        int page = horz ? GetClientRect().Width() : GetClientRect().Height();
        switch (m.ScrollCode()) {
        case SB_LINEUP:
            pos -= 8;
            break;
        case SB_LINEDOWN:
            pos += 8;
            break;
        case SB_PAGEUP:
            pos -= page;
            break;
        case SB_PAGEDOWN:
            pos += page;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            pos = m.Pos();
            break;
        default:
            return;
        }
        if (horz)
            ScrollTo(pos, scrollY);
        else
            ScrollTo(scrollX, pos);
        return;
    }
    case WM_SIZE:
    case CM_CONTROLCHANGE:
    case CM_CONTROLLISTCHANGE:
        TCustomControl::Dispatch(Message);
        UpdateScrollBars();
        return;
    default:
        TCustomControl::Dispatch(Message);
    }
}

void TScrollBox::Paint() {
    TCanvas* c = GetCanvas();
    c->GetBrush()->SetColor(color);
    c->FillRect(GetClientRect());
}
