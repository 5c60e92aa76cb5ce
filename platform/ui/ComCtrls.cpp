#include "ComCtrls.h"
#include "Forms.h"

#include "Dates.h"
#include "ImgList.h"
#include "SysUtils.h"
#include "UiInternal.h"

#include <QDateEdit>
#include <QFontMetrics>
#include <algorithm>

// ---- TTabSheet --------------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* AOwner) : TCustomControl(AOwner) {
    controlStyle.Include(csAcceptsControls);
    align = alClient;
    visible = false;
    color = clBtnFace;
}

TTabSheet::~TTabSheet() {
    if (pageControl) pageControl->removePage(this);
}

void TTabSheet::SetPageControl(TPageControl* Value) {
    if (pageControl == Value) return;
    if (pageControl) pageControl->removePage(this);
    SetParent(Value);
    if (Value) Value->insertPage(this);
}

int TTabSheet::GetPageIndex() const {
    if (!pageControl) return -1;
    auto& p = pageControl->pages;
    return int(std::find(p.begin(), p.end(), this) - p.begin());
}

void TTabSheet::SetPageIndex(int Value) {
    if (!pageControl) return;
    auto& p = pageControl->pages;
    p.erase(std::find(p.begin(), p.end(), this));
    Value = std::clamp(Value, 0, int(p.size()));
    p.insert(p.begin() + Value, this);
    pageControl->Invalidate();
}

void TTabSheet::SetTabVisible(bool Value) {
    tabVisible = Value;
    if (pageControl) {
        if (!Value && pageControl->GetActivePage() == this)
            pageControl->SetActivePage(pageControl->FindNextPage(this, true, true));
        pageControl->Invalidate();
    }
}

int TTabSheet::GetTabIndex() const {
    if (!pageControl || !tabVisible) return -1;
    int n = 0;
    for (TTabSheet* p : pageControl->pages) {
        if (p == this) return n;
        n += p->tabVisible;
    }
    return -1;
}

void TTabSheet::Paint() {
    GetCanvas()->GetBrush()->SetColor(color);
    GetCanvas()->FillRect(GetClientRect());
}

void TTabSheet::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_TEXTCHANGED && pageControl) pageControl->Invalidate();
    if (Message.Msg == CM_SHOWINGCHANGED) {
        TCustomControl::Dispatch(Message);
        if (IsShowing() ? bool(OnShow) : bool(OnHide)) (IsShowing() ? OnShow : OnHide)(this);
        return;
    }
    TCustomControl::Dispatch(Message);
}

// ---- TPageControl -----------------------------------------------------------------------------

TPageControl::TPageControl(TComponent* AOwner) : TCustomControl(AOwner) {
    controlStyle.Include(csAcceptsControls);
    SetBounds(0, 0, 289, 193);
    SetTabStop(true);
    color = clBtnFace;
}

TPageControl::~TPageControl() {
    for (TTabSheet* p : pages)
        p->pageControl = nullptr;
}

int TPageControl::TabHeight() const {
    return QFontMetrics(font->ToQFont()).height() + 8;
}

void TPageControl::insertPage(TTabSheet* Page) {
    pages.push_back(Page);
    Page->pageControl = this;
    if (!activePage)
        SetActivePage(Page);
    else
        Page->SetVisible(false);
    Invalidate();
}

void TPageControl::removePage(TTabSheet* Page) {
    TTabSheet* next = activePage == Page ? FindNextPage(Page, true, true) : activePage;
    pages.erase(std::remove(pages.begin(), pages.end(), Page), pages.end());
    Page->pageControl = nullptr;
    if (activePage == Page) {
        activePage = nullptr;
        SetActivePage(next == Page ? nullptr : next);
    }
    Invalidate();
}

void TPageControl::showPage(TTabSheet* Page) {
    if (Page) {
        Page->BringToFront();
        Page->SetVisible(true);
    }
}

void TPageControl::SetActivePage(TTabSheet* Page) {
    if (Page && Page->pageControl != this) return;
    if (Page == activePage) return;
    TTabSheet* old = activePage;
    activePage = Page;
    showPage(Page);
    if (old) old->SetVisible(false);
    Invalidate();
}

int TPageControl::GetActivePageIndex() const {
    return activePage ? activePage->GetPageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int Value) {
    SetActivePage(Value >= 0 && Value < GetPageCount() ? pages[size_t(Value)] : nullptr);
}

int TPageControl::GetTabIndex() const {
    return activePage ? activePage->GetTabIndex() : -1;
}

TTabSheet* TPageControl::PageOfTab(int TabIndex) const {
    int n = 0;
    for (TTabSheet* p : pages)
        if (p->tabVisible) {
            if (n == TabIndex) return p;
            ++n;
        }
    return nullptr;
}

void TPageControl::SetTabIndex(int Value) {
    SetActivePage(PageOfTab(Value));
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* Current, bool GoForward, bool CheckTabVisible) {
    int n = GetPageCount();
    if (n == 0) return nullptr;
    auto it = std::find(pages.begin(), pages.end(), Current);
    int start = it == pages.end() ? (GoForward ? n - 1 : 0) : int(it - pages.begin());
    int i = start;
    for (int k = 0; k < n; ++k) {
        i = (i + (GoForward ? 1 : n - 1)) % n;
        if (!CheckTabVisible || pages[size_t(i)]->tabVisible) return pages[size_t(i)];
    }
    return nullptr;
}

bool TPageControl::CanChange() {
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    return allow;
}

void TPageControl::Change() {
    if (OnChange) OnChange(this);
}

void TPageControl::SelectNextPage(bool GoForward) {
    TTabSheet* p = FindNextPage(activePage, GoForward, true);
    if (p && p != activePage && CanChange()) {
        SetActivePage(p);
        Change();
    }
}

TRect TPageControl::TabRect(int TabIndex) {
    QFontMetrics fm(font->ToQFont());
    int x = 2;
    int n = 0;
    for (TTabSheet* p : pages) {
        if (!p->tabVisible) continue;
        int w = fm.horizontalAdvance(StripHotkey(p->GetText())) + 16;
        if (n == TabIndex) return TRect{x, 2, x + w, TabHeight()};
        x += w;
        ++n;
    }
    return TRect{0, 0, 0, 0};
}

int TPageControl::IndexOfTabAt(int X, int Y) {
    int n = 0;
    for (TTabSheet* p : pages)
        n += p->tabVisible;
    for (int i = 0; i < n; ++i)
        if (PtInRect(TabRect(i), TPoint{X, Y})) return i;
    return -1;
}

void TPageControl::AdjustClientRect(TRect& Rect) {
    TCustomControl::AdjustClientRect(Rect);
    Rect.Top += TabHeight() + 2;
    Rect.Left += 2;
    Rect.Right -= 2;
    Rect.Bottom -= 2;
}

void TPageControl::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    c->GetBrush()->SetColor(color);
    c->FillRect(r);
    TRect body{0, TabHeight(), r.Right, r.Bottom};
    DrawEdge(c, body, EDGE_RAISED, BF_RECT);
    c->SetFont(font.get());
    int active = GetTabIndex();
    int n = 0;
    for (TTabSheet* p : pages) {
        if (!p->tabVisible) continue;
        TRect t = TabRect(n);
        if (n == active) {
            t.Top -= 2;
            t.Bottom += 1;
        }
        c->GetBrush()->SetColor(color);
        c->FillRect(t);
        TRect e = t;
        DrawEdge(c, e, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT);
        c->GetBrush()->SetStyle(bsClear);
        TRect tt = t;
        c->DrawText(p->GetText(), tt, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        c->GetBrush()->SetStyle(bsSolid);
        if (n == active && Focused()) {
            TRect f{t.Left + 3, t.Top + 3, t.Right - 3, t.Bottom - 3};
            c->DrawFocusRect(f);
        }
        ++n;
    }
}

void TPageControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    int i = IndexOfTabAt(X, Y);
    if (i < 0) return;
    if (CanFocus() && !Focused()) SetFocus();
    TTabSheet* p = PageOfTab(i);
    if (p && p != activePage && CanChange()) {
        SetActivePage(p);
        Change();
    }
}

void TPageControl::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    if (Key == VK_LEFT || Key == VK_RIGHT) {
        SelectNextPage(Key == VK_RIGHT);
        Key = 0;
    }
}

void TPageControl::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS;
        return;
    case CM_DIALOGKEY:
        // Ctrl+Tab and Ctrl+Shift+Tab turn the pages of a focused page control or its children
        if (WORD(Message.WParam) == VK_TAB && (GetKeyState(VK_CONTROL) & 0x8000)) {
            TCustomForm* f = GetParentForm(this);
            TWinControl* a = f ? f->GetActiveControl() : nullptr;
            if (a && (a == this || ContainsControl(a))) {
                SelectNextPage(!(GetKeyState(VK_SHIFT) & 0x8000));
                Message.Result = 1;
                return;
            }
        }
        break;
    case CM_DIALOGCHAR: {
        int n = 0;
        for (TTabSheet* p : pages) {
            if (!p->tabVisible) continue;
            if (IsAccel(WORD(Message.WParam), p->GetText()) && IsShowing()) {
                if (p != activePage && CanChange()) {
                    SetActivePage(p);
                    Change();
                }
                Message.Result = 1;
                return;
            }
            ++n;
        }
        break;
    }
    case CM_FONTCHANGED:
        Realign();
        Invalidate();
        break;
    default:
        break;
    }
    TCustomControl::Dispatch(Message);
}

// ---- TStatusBar -------------------------------------------------------------------------------

TStatusBar::TStatusBar(TComponent* AOwner) : TCustomControl(AOwner) {
    align = alBottom;
    SetBounds(0, 0, 200, 19);
    color = clBtnFace;
}

TStatusPanel* TStatusBar::AddPanel() {
    panels.emplace_back();
    Invalidate();
    return &panels.back();
}

void TStatusBar::ClearPanels() {
    panels.clear();
    Invalidate();
}

void TStatusBar::SetSimplePanel(bool Value) {
    simplePanel = Value;
    Invalidate();
}

void TStatusBar::SetSimpleText(const QString& Value) {
    simpleText = Value;
    Invalidate();
}

void TStatusBar::SetSizeGrip(bool Value) {
    sizeGrip = Value;
    Invalidate();
}

TRect TStatusBar::GripRect() {
    auto* form = dynamic_cast<TCustomForm*>(GetParent());
    if (!sizeGrip || !form || form->GetWindowState() == wsMaximized ||
        (form->GetBorderStyle() != bsSizeable && form->GetBorderStyle() != bsSizeToolWin))
        return TRect{0, 0, 0, 0};
    TRect r = GetClientRect();
    const int side = std::min(r.Height(), GetSystemMetrics(SM_CXVSCROLL));
    return TRect{r.Right - side, r.Bottom - side, r.Right, r.Bottom};
}

void TStatusBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TRect g = GripRect();
    if (Button == mbLeft && PtInRect(g, TPoint{X, Y})) {
        TCustomForm* form = static_cast<TCustomForm*>(GetParent());
        sizing = true;
        sizingFrom = ClientToScreen(TPoint{X, Y});
        sizingStart = TSize{form->GetWidth(), form->GetHeight()};
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TStatusBar::MouseMove(TShiftState Shift, int X, int Y) {
    TRect g = GripRect();
    SetCursor(sizing || (PtInRect(g, TPoint{X, Y})) ? crSizeNWSE : crDefault);
    if (sizing) {
        TCustomForm* form = static_cast<TCustomForm*>(GetParent());
        TPoint p = ClientToScreen(TPoint{X, Y});
        form->SetBounds(form->GetLeft(), form->GetTop(),
                        std::max(100, sizingStart.cx + p.X - sizingFrom.X),
                        std::max(50, sizingStart.cy + p.Y - sizingFrom.Y));
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TStatusBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    sizing = false;
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

TRect TStatusBar::PanelRect(int Index) {
    TRect r = GetClientRect();
    // the grip's corner is no panel's
    r.Right -= GripRect().Width();
    int x = 0;
    for (int i = 0; i < PanelCount(); ++i) {
        bool last = i == PanelCount() - 1;
        int w = last ? std::max(0, r.Right - x) : panels[size_t(i)].Width;
        if (i == Index) return TRect{x, 2, x + w, r.Bottom};
        x += w + 2;
    }
    return TRect{0, 0, 0, 0};
}

void TStatusBar::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    c->GetBrush()->SetColor(color);
    c->FillRect(r);
    c->SetFont(font.get());
    c->GetBrush()->SetStyle(bsClear);
    if (simplePanel || panels.empty()) {
        TRect t{r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom};
        c->DrawText(simplePanel ? simpleText : GetText(), t, DT_SINGLELINE | DT_VCENTER);
    } else {
        for (int i = 0; i < PanelCount(); ++i) {
            const TStatusPanel& p = panels[size_t(i)];
            TRect pr = PanelRect(i);
            if (p.Bevel != bvNone) {
                TRect e = pr;
                DrawEdge(c, e, p.Bevel == bvLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
            }
            TRect t{pr.Left + 3, pr.Top, pr.Right - 3, pr.Bottom};
            unsigned f = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
            f |= p.Alignment == taCenter         ? DT_CENTER
                 : p.Alignment == taRightJustify ? DT_RIGHT
                                                 : 0u;
            c->DrawText(p.Text, t, f);
        }
    }
    c->GetBrush()->SetStyle(bsSolid);
    TRect grip = GripRect();
    if (grip.Width() > 0) DrawFrameControl(c, grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
}

// ---- TProgressBar -----------------------------------------------------------------------------

TProgressBar::TProgressBar(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 150, 16);
}

void TProgressBar::SetMin(int Value) {
    min = Value;
    SetPosition(position);
}

void TProgressBar::SetMax(int Value) {
    max = Value;
    SetPosition(position);
}

void TProgressBar::SetPosition(int Value) {
    position = std::clamp(Value, min, std::max(min, max));
    Invalidate();
}

void TProgressBar::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    TRect e = r;
    DrawEdge(c, e, BDR_SUNKENOUTER, BF_RECT | BF_MIDDLE);
    int span = std::max(1, max - min);
    int w = (r.Width() - 2) * (position - min) / span;
    c->GetBrush()->SetColor(clHighlight);
    c->FillRect(TRect{1, 1, 1 + w, r.Bottom - 1});
}

// ---- TUpDown ----------------------------------------------------------------------------------

TUpDown::TUpDown(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 17, 21);
    color = clBtnFace;
}

void TUpDown::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == associate) associate = nullptr;
}

void TUpDown::SetAssociate(TWinControl* Value) {
    if (associate) associate->RemoveFreeNotification(this);
    associate = Value;
    if (Value) {
        Value->FreeNotification(this);
        // sits at the right edge of the associate
        if (Value->GetParent() == parent)
            SetBounds(Value->GetLeft() + Value->GetWidth(), Value->GetTop(), width,
                      Value->GetHeight());
        updateAssociate();
    }
}

void TUpDown::updateAssociate() {
    if (!associate) return;
    QString t = QString::number(position);
    if (thousands && std::abs(position) >= 1000) {
        // thousands separated by a space (the Ukrainian grouping)
        QString digits = QString::number(std::abs(position));
        QString g;
        for (int i = 0; i < digits.size(); ++i) {
            if (i > 0 && (digits.size() - i) % 3 == 0) g += u' ';
            g += digits[i];
        }
        t = (position < 0 ? QStringLiteral("-") : QString()) + g;
    }
    associate->SetText(t);
}

void TUpDown::SetPosition(int Value) {
    position = std::clamp(Value, std::min(min, max), std::max(min, max));
    updateAssociate();
    Invalidate();
}

void TUpDown::ClickButton(TUDBtnType Button) {
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (!allow) return;
    int p = position + (Button == btNext ? increment : -increment);
    if (p > max)
        p = wrap ? min : max;
    else if (p < min)
        p = wrap ? max : min;
    SetPosition(p);
    if (OnClick) OnClick(this, Button);
}

void TUpDown::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !enabled) return;
    bool next = orientation == udVertical ? Y < height / 2 : X >= width / 2;
    ClickButton(next ? btNext : btPrev);
}

void TUpDown::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    if (orientation == udVertical) {
        DrawFrameControl(c, TRect{0, 0, r.Right, r.Bottom / 2}, DFC_SCROLL, DFCS_SCROLLUP);
        DrawFrameControl(c, TRect{0, r.Bottom / 2, r.Right, r.Bottom}, DFC_SCROLL, DFCS_SCROLLDOWN);
    } else {
        DrawFrameControl(c, TRect{0, 0, r.Right / 2, r.Bottom}, DFC_SCROLL, DFCS_SCROLLLEFT);
        DrawFrameControl(c, TRect{r.Right / 2, 0, r.Right, r.Bottom}, DFC_SCROLL, DFCS_SCROLLRIGHT);
    }
}

// ---- TToolButton ------------------------------------------------------------------------------

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
    controlStyle.Exclude(csClickEvents);
    controlStyle.Exclude(csDoubleClicks);
    SetBounds(0, 0, 23, 22);
}

TToolBar* TToolButton::GetToolBar() const {
    return dynamic_cast<TToolBar*>(parent);
}

void TToolButton::SetStyle(TToolButtonStyle Value) {
    style = Value;
    if ((Value == tbsSeparator || Value == tbsDivider) && width > 8) SetWidth(8);
    if (TToolBar* b = GetToolBar()) b->ArrangeButtons();
    Invalidate();
}

void TToolButton::SetImageIndex(int Value) {
    imageIndex = Value;
    Invalidate();
}

void TToolButton::SetMenuItem(TMenuItem* Value) {
    menuItem = Value;
    if (Value) SetCaption(Value->GetCaption());
}

void TToolButton::SetDown(bool Value) {
    if (down == Value) return;
    if (!Value && grouped && !allowAllUp) return;
    down = Value;
    if (Value && grouped && parent)
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto* b = dynamic_cast<TToolButton*>(parent->GetControls(i)))
                if (b != this && b->grouped && b->down) {
                    b->down = false;
                    b->Invalidate();
                }
    Invalidate();
}

void TToolButton::Click() {
    if (style == tbsCheck) SetDown(!down || (grouped && !allowAllUp));
    if (menuItem && menuItem->GetCount() > 0) {
        // a menu-strip button drops its item's sub-menu
        TPopupMenu tmp(nullptr);
        TMenuItem* items = tmp.GetItems();
        std::vector<TMenuItem*> moved;
        while (menuItem->GetCount() > 0) {
            TMenuItem* it = menuItem->GetItems(0);
            menuItem->Remove(it);
            items->Add(it);
            moved.push_back(it);
        }
        TPoint p = ClientToScreen(TPoint{0, height});
        try {
            tmp.Popup(p.X, p.Y);
        } catch (...) {
            for (TMenuItem* it : moved) {
                items->Remove(it);
                menuItem->Add(it);
            }
            throw;
        }
        for (TMenuItem* it : moved) {
            items->Remove(it);
            menuItem->Add(it);
        }
        return;
    }
    if (menuItem) {
        menuItem->Click();
        return;
    }
    if (!ExecuteControlAction(this)) TGraphicControl::Click();
}

void TToolButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !enabled || style == tbsSeparator || style == tbsDivider) return;
    if (style == tbsDropDown && dropdownMenu && X >= width - 12) {
        TPoint p = ClientToScreen(TPoint{0, height});
        dropdownMenu->SetPopupComponent(this);
        dropdownMenu->Popup(p.X, p.Y);
        return;
    }
    pressed = true;
    Invalidate();
}

void TToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!pressed || Button != mbLeft) return;
    pressed = false;
    Invalidate();
    if (PtInRect(GetClientRect(), TPoint{X, Y})) Click();
}

void TToolButton::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_MOUSEENTER:
        hot = true;
        Invalidate();
        break;
    case CM_MOUSELEAVE:
        hot = false;
        Invalidate();
        break;
    case CM_TEXTCHANGED:
        if (TToolBar* b = GetToolBar()) b->ArrangeButtons();
        Invalidate();
        break;
    default:
        break;
    }
    TGraphicControl::Dispatch(Message);
}

void TToolButton::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    TToolBar* bar = GetToolBar();
    c->GetBrush()->SetColor(bar ? bar->GetColor() : clBtnFace);
    c->FillRect(r);
    if (style == tbsSeparator) return;
    if (style == tbsDivider) {
        TRect d{r.Width() / 2 - 1, r.Top, r.Width() / 2 + 1, r.Bottom};
        DrawEdge(c, d, EDGE_ETCHED, BF_LEFT);
        return;
    }
    bool isDown = pressed || down;
    bool flat = bar && bar->GetFlat();
    if (!flat || hot || isDown) {
        TRect e = r;
        if (flat)
            DrawEdge(c, e, isDown ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        else
            DrawFrameControl(c, r, DFC_BUTTON, DFCS_BUTTONPUSH | (isDown ? DFCS_PUSHED : 0u));
    }
    int off = isDown ? 1 : 0;
    TCustomImageList* il =
        bar ? (!enabled && bar->GetDisabledImages() ? bar->GetDisabledImages() : bar->GetImages())
            : nullptr;
    bool captions = bar && bar->GetShowCaptions();
    int ih = il ? il->GetHeight() : 0;
    int th = captions ? QFontMetrics(font->ToQFont()).height() : 0;
    int y = (r.Height() - ih - th) / 2;
    if (il && imageIndex >= 0 && imageIndex < il->GetCount())
        il->Draw(c, (r.Width() - il->GetWidth()) / 2 + off, y + off, imageIndex, enabled);
    if (captions) {
        TRect t{0, y + ih + off, r.Right, y + ih + th + off};
        c->SetFont(font.get());
        if (!enabled) c->GetFont()->SetColor(clGrayText);
        c->GetBrush()->SetStyle(bsClear);
        c->DrawText(GetText(), t, DT_CENTER | DT_SINGLELINE);
        c->GetBrush()->SetStyle(bsSolid);
    }
    if (style == tbsDropDown)
        DrawFrameControl(c, TRect{r.Right - 12, r.Top + 2, r.Right - 2, r.Bottom - 2}, DFC_SCROLL,
                         DFCS_SCROLLCOMBOBOX | DFCS_FLAT);
}

// ---- TToolBar ---------------------------------------------------------------------------------

TToolBar::TToolBar(TComponent* AOwner) : TCustomControl(AOwner) {
    controlStyle.Include(csAcceptsControls);
    align = alTop;
    SetBounds(0, 0, 150, 29);
    color = clBtnFace;
}

int TToolBar::ButtonCount() const {
    int n = 0;
    for (TControl* c : controls)
        n += dynamic_cast<TToolButton*>(c) != nullptr;
    return n;
}

TToolButton* TToolBar::GetButtons(int Index) const {
    int n = 0;
    for (TControl* c : controls)
        if (auto* b = dynamic_cast<TToolButton*>(c))
            if (n++ == Index) return b;
    return nullptr;
}

void TToolBar::SetFlat(bool Value) {
    flat = Value;
    Invalidate();
}

void TToolBar::SetShowCaptions(bool Value) {
    showCaptions = Value;
    if (Value && images)
        buttonHeight = std::max(buttonHeight,
                                images->GetHeight() + QFontMetrics(font->ToQFont()).height() + 8);
    ArrangeButtons();
}

void TToolBar::SetButtonWidth(int Value) {
    buttonWidth = Value;
    ArrangeButtons();
}

void TToolBar::SetButtonHeight(int Value) {
    buttonHeight = Value;
    ArrangeButtons();
}

void TToolBar::SetImages(TCustomImageList* Value) {
    if (images) images->RemoveFreeNotification(this);
    images = Value;
    if (Value) Value->FreeNotification(this);
    Invalidate();
}

void TToolBar::SetWrapable(bool Value) {
    wrapable = Value;
    ArrangeButtons();
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove) {
        if (AComponent == images) images = nullptr;
        if (AComponent == disabledImages) disabledImages = nullptr;
        if (AComponent == menu) menu = nullptr;
    }
}

void TToolBar::SetMenu(TMainMenu* Value) {
    for (int i = ButtonCount() - 1; i >= 0; --i)
        if (GetButtons(i)->GetMenuItem()) delete GetButtons(i);
    menu = Value;
    if (!Value) return;
    Value->FreeNotification(this);
    showCaptions = true;
    for (int i = 0; i < Value->GetItems()->GetCount(); ++i) {
        auto* b = new TToolButton(nullptr);
        b->SetParent(this);
        b->SetMenuItem(Value->GetItems()->GetItems(i));
        b->SetAutoSize(true);
    }
    ArrangeButtons();
}

void TToolBar::ArrangeButtons() {
    if (arranging) return;
    arranging = true;
    int x = 0, y = 0, rowH = buttonHeight;
    int w = std::max(1, GetClientWidth());
    QFontMetrics fm(font->ToQFont());
    for (TControl* c : std::vector<TControl*>(controls)) {
        if (!c->GetVisible()) continue;
        auto* b = dynamic_cast<TToolButton*>(c);
        int bw = buttonWidth;
        if (b && (b->GetStyle() == tbsSeparator || b->GetStyle() == tbsDivider))
            bw = b->GetWidth();
        else if (b && b->GetMenuItem())
            bw = fm.horizontalAdvance(StripHotkey(b->GetText())) + 14;
        else if (b && showCaptions)
            bw = std::max(buttonWidth, fm.horizontalAdvance(StripHotkey(b->GetText())) + 10);
        else if (b && b->GetStyle() == tbsDropDown)
            bw = buttonWidth + 12;
        else if (!b)
            bw = c->GetWidth();
        if (wrapable && x > 0 && x + bw > w) {
            x = 0;
            y += rowH;
        }
        c->SetBounds(x, y, bw, b ? buttonHeight : c->GetHeight());
        x += bw;
    }
    arranging = false;
    Invalidate();
}

void TToolBar::AlignControls(TControl* AControl, TRect& Rect) {
    TCustomControl::AlignControls(AControl, Rect);
    ArrangeButtons();
}

void TToolBar::Paint() {
    TCanvas* c = GetCanvas();
    c->GetBrush()->SetColor(color);
    c->FillRect(GetClientRect());
}

// ---- TDateTimePicker ------------------------------------------------------------------------

TDateTimePicker::TDateTimePicker(TComponent* AOwner) : TWinControl(AOwner) {
    width = 186;
    height = 21;
    SetTabStop(true);
    color = clWindow;
    date = Now();
}

TDateTimePicker::~TDateTimePicker() = default;

QDateEdit* TDateTimePicker::DateEdit() const {
    return handle ? qobject_cast<QDateEdit*>(static_cast<QWidget*>(handle)) : nullptr;
}

QWidget* TDateTimePicker::CreateWindowWidget(const TCreateParams&, QWidget* ParentWidget) {
    auto* e = new QDateEdit(ParentWidget);
    e->setCalendarPopup(true);
    e->setMinimumDate(QDate(1, 1, 1));
    return e;
}

void TDateTimePicker::CreateWnd() {
    TWinControl::CreateWnd();
    if (QDateEdit* e = DateEdit()) {
        applyFormat();
        showDate();
        QObject::connect(e, &QDateEdit::dateChanged, e, [this](const QDate& d) {
            if (settingDate || !d.isValid()) return;
            TDateTime t;
            if (!TryEncodeDate(d.year(), d.month(), d.day(), t)) return;
            date = t + (date - DateOf(date));
            try {
                if (OnChange) OnChange(this);
            } catch (...) {
                HandleCurrentException(this);
            }
        });
    }
}

void TDateTimePicker::applyFormat() {
    if (QDateEdit* e = DateEdit())
        e->setDisplayFormat(dateFormat == dfLong ? QStringLiteral("d MMMM yyyy")
                                                 : QStringLiteral("dd.MM.yyyy"));
}

void TDateTimePicker::showDate() {
    QDateEdit* e = DateEdit();
    if (!e) return;
    int y = 0, m = 0, d = 0;
    DecodeDate(date, y, m, d);
    ++settingDate;
    e->setDate(QDate(y, m, d));
    --settingDate;
}

void TDateTimePicker::SetDate(TDateTime Value) {
    date = Value;
    showDate();
}

void TDateTimePicker::SetDateFormat(TDTDateFormat Value) {
    dateFormat = Value;
    applyFormat();
}
