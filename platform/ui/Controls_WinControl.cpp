// TWinControl: the window made on demand, children and layout, painting, focus and keys.
#include "Controls.h"
#include "Forms.h"
#include "UiInternal.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QWidget>
#include <algorithm>

bool DragMouseUp();
bool DragActive();
void DragMouseMove(const TPoint& Screen);
void FreeOutsideCanvases(HWND Wnd);

namespace {
int ncOfParams(const TCreateParams& p) {
    if (!(p.Style & WS_CHILD)) return 0; // top-level frames are Qt's
    if (p.ExStyle & WS_EX_CLIENTEDGE) return 2;
    if (p.Style & WS_BORDER) return 1;
    return 0;
}
int ncStyleOfParams(const TCreateParams& p) {
    if (!(p.Style & WS_CHILD)) return 0;
    if (p.ExStyle & WS_EX_CLIENTEDGE) return 2;
    if (p.Style & WS_BORDER) return 1;
    return 0;
}
} // namespace

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
    Screen->ControlDestroyed(this);
    // Children go first (the platform frees a window's child controls with it).
    while (!controls.empty()) {
        TControl* c = controls.back();
        RemoveControl(c);
        delete c;
    }
    DestroyHandle();
    if (parent) parent->RemoveControl(this);
}

void TWinControl::Notification(TComponent* AComponent, TOperation Operation) {
    TControl::Notification(AComponent, Operation);
}

// ---- the window ----

HWND TWinControl::GetHandle() {
    HandleNeeded();
    return handle;
}

void TWinControl::HandleNeeded() {
    if (!handle) {
        if (parent) parent->HandleNeeded();
        CreateHandle();
    }
}

void TWinControl::CreateHandle() {
    if (handle) return;
    CreateWnd();
}

void TWinControl::CreateParams(TCreateParams& Params) {
    Params = TCreateParams();
    Params.Caption = text;
    Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (tabStop) Params.Style |= WS_TABSTOP;
    if (!enabled) Params.Style |= WS_DISABLED;
    if (visible) Params.Style |= WS_VISIBLE;
    Params.X = left;
    Params.Y = top;
    Params.Width = width;
    Params.Height = height;
    if (parent)
        Params.WndParent = parent->HandleAllocated() ? parent->handle : nullptr;
    else
        Params.WndParent = parentWindow;
    Params.WindowClassStyle = CS_VREDRAW | CS_HREDRAW;
    if (controlStyle.Contains(csDoubleClicks)) Params.WindowClassStyle |= CS_DBLCLKS;
    Params.WinClassName = ClassName();
}

QWidget* TWinControl::CreateWindowWidget(const TCreateParams& Params, QWidget* ParentWidget) {
    if (Params.Style & WS_CHILD) return new TWinWidget(ParentWidget);
    Qt::WindowFlags f = Qt::Window;
    if (Params.Style & WS_POPUP) f = Qt::ToolTip;
    return new TWinWidget(nullptr, f);
}

void TWinControl::CreateWnd() {
    if (parent) parent->HandleNeeded();
    TCreateParams p;
    CreateParams(p);
    if ((p.Style & WS_CHILD) && !p.WndParent)
        throw EInvalidOperation(Format("Control '%s' has no parent window", {GetName()}));
    QWidget* pw = nullptr;
    if (p.Style & WS_CHILD) pw = parent ? parent->GetClientWidget() : parentWindow;
    controlState.Include(csCreating);
    QWidget* w = CreateWindowWidget(p, pw);
    handle = w;
    handleGuard = w;
    createdParams = p;
    auto* b = new TWndBridge(w, this);
    b->native = dynamic_cast<TWinWidget*>(w) == nullptr;
    ncBorder = ncOfParams(p);
    b->ncBorder = ncBorder;
    b->ncStyle = ncStyleOfParams(p);
    TWinControl* self = this;
    defWndProc = MakeWndProc([self](HWND, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        return self->MainWndProc(m, wp, lp);
    });
    b->proc = defWndProc;
    if (!b->native) w->setAttribute(Qt::WA_OpaquePaintEvent);
    applyWidgetState();
    controlState.Exclude(csCreating);
    for (TControl* c : std::vector<TControl*>(controls))
        if (c->IsWindowed()) static_cast<TWinControl*>(c)->CreateHandle();
    // Qt shows the children of a window with it unless they are hidden explicitly.
    if (pw) w->setVisible(visible);
    Perform(WM_CREATE, 0, 0);
}

void TWinControl::applyWidgetState() {
    if (!handle) return;
    if (createdParams.Style & WS_CHILD)
        handle->setEnabled(enabled);
    else if (!text.isEmpty())
        handle->setWindowTitle(text);
    applyNativeLook();
    UpdateWidgetBounds();
}

void TWinControl::applyNativeLook() {
    // A native Qt control (edit, memo, combo box) shows the control's font, through the same
    // mapping as the canvas, and its colours, with the one selection colour of every control.
    TWndBridge* b = handle ? BridgeOf(handle) : nullptr;
    if (!b || !b->native) return;
    handle->setFont(GetFont()->ToQFont());
    QPalette p = handle->palette();
    const QColor back = ColorToQColor(color);
    const QColor fore = ColorToQColor(GetFont()->GetColor());
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(g, QPalette::Base, back);
        p.setColor(g, QPalette::Text, fore);
        p.setColor(g, QPalette::ButtonText, fore);
    }
    p.setColor(QPalette::Disabled, QPalette::Base, back);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(g, QPalette::Highlight, ColorToQColor(clHighlight));
        p.setColor(g, QPalette::HighlightedText, ColorToQColor(clHighlightText));
    }
    handle->setPalette(p);
}

void TWinControl::UpdateWidgetBounds() {
    if (!handle) return;
    if (!(createdParams.Style & WS_CHILD)) {
        // a shown window reports the move at once, with its old size, which comes back into
        // width and height: the new size is taken first
        const QSize size(std::max(0, width), std::max(0, height));
        if (handle->isWindow()) {
            handle->move(left, top);
            handle->resize(size);
        } else if (QWidget* frame = handle->parentWidget()) {
            // a window inside a frame of its own (an MDI child): the frame moves
            const QSize frameSize = frame->size() - handle->size() + size;
            frame->move(left, top);
            frame->resize(frameSize);
        }
        return;
    }
    QPoint off(0, 0);
    if (parent && parent->handle)
        if (TWndBridge* pb = BridgeOf(parent->handle))
            if (parent->GetClientWidget() == parent->handle) off = pb->clientOffset();
    handle->setGeometry(left + off.x(), top + off.y(), std::max(0, width), std::max(0, height));
}

QWidget* TWinControl::GetClientWidget() {
    return GetHandle();
}

LRESULT TWinControl::MainWndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
    return Perform(Msg, WParam, LParam);
}

void TWinControl::DestroyHandle() {
    if (!handle) return;
    controlState.Include(csDestroyingHandle);
    for (TControl* c : std::vector<TControl*>(controls))
        if (c->IsWindowed()) static_cast<TWinControl*>(c)->DestroyHandle();
    DestroyWnd();
    controlState.Exclude(csDestroyingHandle);
}

void TWinControl::DestroyWnd() {
    if (!handle) return;
    // Keep the text of native controls before their widget goes.
    text = GetTextBuf();
    FreeOutsideCanvases(handle);
    HWND h = handle;
    DestroyWindowNow(h);
    handle = nullptr;
    handleGuard = nullptr;
    defWndProc = nullptr;
}

void TWinControl::RecreateWnd() {
    if (!handle) return;
    bool wasFocused = Focused();
    DestroyHandle();
    if (parent || dynamic_cast<TCustomForm*>(this)) {
        UpdateShowing();
        if (wasFocused && CanFocus()) SetFocus();
    }
}

void TWinControl::SetBorderWidth(int Value) {
    if (borderWidth != Value) {
        borderWidth = Value;
        Realign();
        Invalidate();
    }
}

void TWinControl::SetParentWindow(HWND Value) {
    if (parent || parentWindow == Value) return;
    DestroyHandle();
    parentWindow = Value;
}

// ---- children ----

void TWinControl::InsertControl(TControl* AControl) {
    AControl->parent = this;
    controls.push_back(AControl);
    if (AControl->IsWindowed()) tabList.push_back(static_cast<TWinControl*>(AControl));
    Perform(CM_CONTROLLISTCHANGE, WPARAM(AControl), 1);
    if (!AControl->GetComponentState().Contains(csReading)) {
        AControl->Perform(CM_PARENTCOLORCHANGED, 0, 0);
        AControl->Perform(CM_PARENTFONTCHANGED, 0, 0);
        AControl->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
        AControl->Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
        if (AControl->IsWindowed()) AControl->Perform(CM_PARENTCTL3DCHANGED, 0, 0);
    }
    if (AControl->IsWindowed()) {
        auto* w = static_cast<TWinControl*>(AControl);
        if (handle && !w->handle)
            w->CreateHandle();
        else if (handle && w->handle)
            w->GetHandle()->setParent(GetClientWidget()), w->UpdateWidgetBounds(),
                w->GetHandle()->setVisible(w->visible);
    } else {
        AControl->Invalidate();
    }
    AControl->UpdateAnchorRules();
    if (AControl->align != alNone || AControl->anchors != AnchorsDefault()) Realign();
    Perform(CM_CONTROLCHANGE, WPARAM(AControl), 1);
}

void TWinControl::RemoveControl(TControl* AControl) {
    auto it = std::find(controls.begin(), controls.end(), AControl);
    if (it == controls.end()) return;
    Perform(CM_CONTROLCHANGE, WPARAM(AControl), 0);
    if (TCustomForm* f = GetParentForm(this))
        if (AControl->IsWindowed() && !f->IsDestroying())
            f->DefocusControl(static_cast<TWinControl*>(AControl), true);
    if (AControl->IsWindowed()) {
        auto* w = static_cast<TWinControl*>(AControl);
        if (w->handle && !IsDestroying() && !w->IsDestroying()) w->DestroyHandle();
        tabList.erase(std::remove(tabList.begin(), tabList.end(), w), tabList.end());
    } else {
        AControl->InvalidateControl(AControl->visible, false);
    }
    controls.erase(std::find(controls.begin(), controls.end(), AControl));
    AControl->parent = nullptr;
    Perform(CM_CONTROLLISTCHANGE, WPARAM(AControl), 0);
    if (AControl->align != alNone) Realign();
}

bool TWinControl::ContainsControl(TControl* Control) {
    for (TControl* c = Control; c; c = c->parent)
        if (c == this) return true;
    return false;
}

TControl* TWinControl::ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls) {
    for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
        TControl* c = *it;
        if (!AllowWinControls && c->IsWindowed()) continue;
        if (!c->visible || (!c->enabled && !AllowDisabled)) continue;
        TRect r = c->GetBoundsRect();
        if (!PtInRect(r, Pos)) continue;
        if (c->Perform(CM_HITTEST, 0, MAKELONG(Pos.X - c->left, Pos.Y - c->top)) != 0) return c;
    }
    return nullptr;
}

TWinControl* TWinControl::FindChildControl(const QString& ControlName) {
    for (TControl* c : controls)
        if (c->IsWindowed() && c->GetName().compare(ControlName, Qt::CaseInsensitive) == 0)
            return static_cast<TWinControl*>(c);
    return nullptr;
}

void TWinControl::Broadcast(TMessage& Message) {
    for (TControl* c : std::vector<TControl*>(controls)) {
        if (c->WindowProc)
            c->WindowProc(Message);
        else
            c->WndProc(Message);
        if (Message.Result != 0) return;
    }
}

void TWinControl::NotifyControls(UINT Msg) {
    TMessage m{Msg, 0, 0, 0};
    Broadcast(m);
}

void TWinControl::ShowControl(TControl* AControl) {
    if (parent) parent->ShowControl(this);
}

// ---- layout ----

void TWinControl::AdjustClientRect(TRect& Rect) {
    Rect.Left += borderWidth;
    Rect.Top += borderWidth;
    Rect.Right -= borderWidth;
    Rect.Bottom -= borderWidth;
}

void TWinControl::DisableAlign() {
    ++alignLevel;
}

void TWinControl::EnableAlign() {
    if (--alignLevel == 0 && realignPending) Realign();
}

void TWinControl::Realign() {
    if (alignLevel > 0 || IsLoading() || IsDestroying()) {
        realignPending = true;
        return;
    }
    DisableAlign();
    TRect r = GetClientRect();
    AlignControls(nullptr, r);
    realignPending = false;
    EnableAlign();
}

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
    AdjustClientRect(Rect);
    auto doAlign = [&](TAlign A) {
        std::vector<TControl*> list;
        for (TControl* c : controls)
            if (c->align == A && c->visible) list.push_back(c);
        auto key = [A](TControl* c) {
            switch (A) {
            case alTop:
                return c->top;
            case alBottom:
                return -(c->top + c->height);
            case alLeft:
                return c->left;
            case alRight:
                return -(c->left + c->width);
            default:
                return 0;
            }
        };
        std::stable_sort(list.begin(), list.end(),
                         [&](TControl* a, TControl* b) { return key(a) < key(b); });
        for (TControl* c : list) {
            int l = c->left, t = c->top, w = c->width, h = c->height;
            switch (A) {
            case alTop:
                l = Rect.Left;
                t = Rect.Top;
                w = Rect.Width();
                break;
            case alBottom:
                l = Rect.Left;
                t = Rect.Bottom - h;
                w = Rect.Width();
                break;
            case alLeft:
                l = Rect.Left;
                t = Rect.Top;
                h = Rect.Height();
                break;
            case alRight:
                l = Rect.Right - w;
                t = Rect.Top;
                h = Rect.Height();
                break;
            case alClient:
                l = Rect.Left;
                t = Rect.Top;
                w = Rect.Width();
                h = Rect.Height();
                break;
            default:
                break;
            }
            c->inLayout = true;
            c->SetBounds(l, t, std::max(0, w), std::max(0, h));
            c->inLayout = false;
            switch (A) {
            case alTop:
                Rect.Top += c->height;
                break;
            case alBottom:
                Rect.Bottom -= c->height;
                break;
            case alLeft:
                Rect.Left += c->width;
                break;
            case alRight:
                Rect.Right -= c->width;
                break;
            default:
                break;
            }
        }
    };
    doAlign(alTop);
    doAlign(alBottom);
    doAlign(alLeft);
    doAlign(alRight);
    doAlign(alClient);
    // Unaligned controls follow their anchors.
    TRect client = GetClientRect();
    for (TControl* c : controls) {
        if (c->align != alNone || c->anchorParentSize.X < 0) continue;
        if (c->anchors == AnchorsDefault()) continue;
        int dx = client.Right - c->anchorParentSize.X;
        int dy = client.Bottom - c->anchorParentSize.Y;
        TRect b = c->anchorBounds;
        int l = b.Left, t = b.Top, w = b.Width(), h = b.Height();
        bool al = c->anchors.Contains(akLeft), ar = c->anchors.Contains(akRight);
        bool at = c->anchors.Contains(akTop), ab = c->anchors.Contains(akBottom);
        if (ar && al)
            w += dx;
        else if (ar)
            l += dx;
        else if (!al)
            l += dx / 2;
        if (ab && at)
            h += dy;
        else if (ab)
            t += dy;
        else if (!at)
            t += dy / 2;
        c->inLayout = true;
        c->SetBounds(l, t, std::max(0, w), std::max(0, h));
        c->inLayout = false;
    }
}

// ---- geometry ----

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    int w = AWidth, h = AHeight;
    if (!CanResize(w, h)) return;
    if (ALeft == left && ATop == top && w == width && h == height) return;
    bool sized = w != width || h != height;
    left = ALeft;
    top = ATop;
    width = w;
    height = h;
    if (!inLayout) UpdateAnchorRules();
    if (handle) UpdateWidgetBounds();
    if (sized) {
        Realign();
        if (!IsLoading()) Resize();
    }
    RequestAlign();
}

void TWinControl::UpdateBounds() {
    if (!handle) return;
    int l = left, t = top;
    if (handle->isWindow()) {
        l = handle->x();
        t = handle->y();
    } else if (!(createdParams.Style & WS_CHILD) && handle->parentWidget()) {
        l = handle->parentWidget()->x();
        t = handle->parentWidget()->y();
    }
    int w = handle->width(), h = handle->height();
    if (l == left && t == top && w == width && h == height) return;
    bool sized = w != width || h != height;
    left = l;
    top = t;
    width = w;
    height = h;
    UpdateAnchorRules();
    if (sized) {
        Realign();
        if (!IsLoading()) Resize();
    }
}

TRect TWinControl::GetClientRect() {
    if (handle)
        if (TWndBridge* b = BridgeOf(handle)) {
            QRect c = b->clientArea();
            return TRect{0, 0, c.width(), c.height()};
        }
    int nc = 0;
    if (parent) {
        TCreateParams full;
        CreateParams(full);
        nc = ncOfParams(full);
    }
    return TRect{0, 0, std::max(0, width - 2 * nc), std::max(0, height - 2 * nc)};
}

TPoint TWinControl::GetClientOrigin() {
    if (handle)
        if (TWndBridge* b = BridgeOf(handle)) {
            QPoint g = handle->mapToGlobal(b->clientOffset());
            return TPoint{g.x(), g.y()};
        }
    if (parent) {
        TPoint p = parent->GetClientOrigin();
        return TPoint{p.X + left, p.Y + top};
    }
    return TPoint{left, top};
}

void TWinControl::SetVisible(bool Value) {
    if (visible == Value) return;
    TControl::SetVisible(Value);
    UpdateShowing();
}

void TWinControl::UpdateShowing() {
    if (!parent) return;
    if (visible && !handle && parent->handle) CreateHandle();
    if (handle) handle->setVisible(visible);
    if (!visible)
        if (TCustomForm* f = GetParentForm(this))
            if (f->GetActiveControl() && ContainsControl(f->GetActiveControl()))
                f->DefocusControl(this, false);
}

bool TWinControl::IsShowing() {
    if (!visible) return false;
    if (!parent) return handle && handle->isVisible();
    return parent->IsShowing();
}

void TWinControl::SetEnabled(bool Value) {
    if (enabled == Value) return;
    TControl::SetEnabled(Value);
}

void TWinControl::Invalidate() {
    if (handle) InvalidateRect(handle, nullptr, true);
}

void TWinControl::Update() {
    if (handle) UpdateWindow(handle);
}

void TWinControl::Repaint() {
    Invalidate();
    Update();
}

QString TWinControl::GetTextBuf() {
    return text;
}

void TWinControl::SetTextBuf(const QString& Value) {
    text = Value;
    if (handle && handle->isWindow()) handle->setWindowTitle(Value);
}

// ---- painting ----

void TWinControl::PaintWindow(TCanvas* DC) {}

void TWinControl::PaintControls(TCanvas* DC, TControl* First) {
    auto it = controls.begin();
    if (First) {
        it = std::find(controls.begin(), controls.end(), First);
        if (it == controls.end()) it = controls.begin();
    }
    for (; it != controls.end(); ++it) {
        TControl* c = *it;
        if (c->IsWindowed() || !c->visible) continue;
        TRect r = c->GetBoundsRect();
        if (!DC->RectVisible(r)) continue;
        int saved = DC->SaveDC();
        DC->MoveWindowOrg(-c->left, -c->top);
        DC->IntersectClipRect(TRect{0, 0, c->width, c->height});
        c->Perform(WM_PAINT, WPARAM(DC), 0);
        DC->RestoreDC(saved);
    }
}

void TWinControl::PaintHandler(TMessage& Message) {
    TCanvas* dc = reinterpret_cast<TCanvas*>(Message.WParam);
    if (!dc)
        if (TWndBridge* b = BridgeOf(handle)) dc = b->paintCanvas;
    if (!dc) return;
    bool anyOpaque = false;
    for (TControl* c : controls)
        if (!c->IsWindowed() && c->visible && c->GetOpaque()) anyOpaque = true;
    if (anyOpaque) {
        int s = dc->SaveDC();
        for (TControl* c : controls)
            if (!c->IsWindowed() && c->visible && c->GetOpaque())
                dc->ExcludeClipRect(c->GetBoundsRect());
        PaintWindow(dc);
        dc->RestoreDC(s);
    } else {
        PaintWindow(dc);
    }
    PaintControls(dc, nullptr);
}

void TWinControl::WMPaint(TMessage& Message) {
    PaintHandler(Message);
}

void TWinControl::WMEraseBkgnd(TMessage& Message) {
    auto* dc = reinterpret_cast<TCanvas*>(Message.WParam);
    if (dc) {
        int s = dc->SaveDC();
        dc->GetBrush()->SetStyle(bsSolid);
        dc->GetBrush()->SetColor(color);
        dc->FillRect(GetClientRect());
        dc->RestoreDC(s);
    }
    Message.Result = 1;
}

void TWinControl::PaintTo(TCanvas* Canvas, int X, int Y) {
    controlState.Include(csPaintCopy);
    int s = Canvas->SaveDC();
    Canvas->MoveWindowOrg(-X, -Y);
    Canvas->IntersectClipRect(TRect{0, 0, width, height});
    TMessage e{WM_ERASEBKGND, WPARAM(Canvas), 0, 0};
    WindowProc(e);
    TMessage p{WM_PAINT, WPARAM(Canvas), 0, 0};
    WindowProc(p);
    for (TControl* c : controls)
        if (c->IsWindowed() && c->visible)
            static_cast<TWinControl*>(c)->PaintTo(Canvas, c->left, c->top);
    Canvas->RestoreDC(s);
    controlState.Exclude(csPaintCopy);
}

// ---- focus ----

bool TWinControl::CanFocus() {
    TCustomForm* form = GetParentForm(this);
    if (!form) return false;
    for (TControl* c = this; c && c != form; c = c->parent)
        if (!(c->visible && c->enabled)) return false;
    return true;
}

void TWinControl::SetFocus() {
    if (TCustomForm* f = GetParentForm(this))
        f->FocusControl(this);
    else if (parentWindow)
        ::SetFocus(GetHandle());
    else
        ValidParentForm(this);
}

bool TWinControl::Focused() {
    return handle && ::GetFocus() == handle;
}

void TWinControl::SetTabStop(bool Value) {
    if (tabStop == Value) return;
    tabStop = Value;
    Perform(CM_TABSTOPCHANGED, 0, 0);
}

int TWinControl::GetTabOrder() {
    if (!parent) return -1;
    auto& v = parent->tabList;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : int(it - v.begin());
}

void TWinControl::SetTabOrder(int Value) {
    if (!parent) return;
    auto& v = parent->tabList;
    auto it = std::find(v.begin(), v.end(), this);
    if (it == v.end()) return;
    v.erase(it);
    if (Value < 0 || Value > int(v.size())) Value = int(v.size());
    v.insert(v.begin() + Value, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
    for (TWinControl* c : tabList) {
        List.push_back(c);
        c->GetTabOrderList(List);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward,
                                          bool CheckTabStop, bool CheckParent) {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty()) return nullptr;
    int n = int(list.size());
    auto found = std::find(list.begin(), list.end(), CurControl);
    int start = found == list.end() ? (GoForward ? n - 1 : 0) : int(found - list.begin());
    int i = start;
    do {
        if (GoForward) {
            if (++i == n) i = 0;
        } else {
            if (i == 0) i = n;
            --i;
        }
        TWinControl* c = list[size_t(i)];
        if (c->CanFocus() && (!CheckTabStop || c->tabStop) && (!CheckParent || c->parent == this))
            return c;
    } while (i != start);
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
    TWinControl* c = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop);
    if (c) c->SetFocus();
}

void TWinControl::SelectFirst() {
    TCustomForm* form = GetParentForm(this);
    if (!form) return;
    TWinControl* c = FindNextControl(nullptr, true, true, false);
    if (!c) c = FindNextControl(nullptr, true, false, false);
    if (c) c->SetFocus();
}

// ---- messages ----

void TWinControl::WndProc(TMessage& Message) {
    UINT msg = Message.Msg;
    if (msg >= WM_MOUSEFIRST && msg < WM_MOUSEWHEEL) {
        if (DragActive()) {
            if (msg == WM_MOUSEMOVE)
                DragMouseMove(TrackedCursorPos());
            else if (msg == WM_LBUTTONUP) {
                DragMouseUp();
                return;
            }
        }
        if (IsControlMouseMsg(Message)) {
            if (Message.Result == 0 && handle) MarkDefaultReached(handle, Message);
            return;
        }
    }
    TControl::WndProc(Message);
}

bool TWinControl::IsControlMouseMsg(TMessage& Message) {
    TControl* control = nullptr;
    if (handle && ::GetCapture() == handle) {
        TControl* cc = GetCaptureControl();
        if (cc && cc != this && cc->parent == this) control = cc;
    } else {
        control = ControlAtPos(SmallPointToPoint(Message.LParam), false);
    }
    if (!control) return false;
    TPoint p = SmallPointToPoint(Message.LParam);
    p.X -= control->left;
    p.Y -= control->top;
    Message.Result = control->Perform(Message.Msg, Message.WParam, PointToLParam(p));
    return true;
}

void TWinControl::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_PAINT:
        WMPaint(Message);
        return;
    case WM_ERASEBKGND:
        WMEraseBkgnd(Message);
        return;
    case WM_SIZE:
        WMSize(Message);
        return;
    case WM_MOVE:
        WMMove(Message);
        return;
    case WM_SETFOCUS:
        WMSetFocus(Message);
        return;
    case WM_KILLFOCUS:
        WMKillFocus(Message);
        return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
        WMKey(Message);
        return;
    case WM_CHAR:
        WMChar(Message);
        return;
    case WM_SYSCOMMAND:
        WMSysCommand(Message);
        return;
    case WM_SETCURSOR:
        WMSetCursor(Message);
        return;
    case WM_NCHITTEST:
        WMNCHitTest(Message);
        return;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
        CNKeyDown(Message);
        return;
    case CN_CHAR:
        CNChar(Message);
        return;
    case CN_KEYUP:
    case CN_BASE + WM_SYSKEYUP:
    case CN_SYSCHAR:
        Message.Result = 0;
        return;
    case CM_DIALOGKEY:
        CMDialogKey(Message);
        return;
    case CM_DIALOGCHAR:
        CMDialogChar(Message);
        return;
    case CM_ENTER:
        DoEnter();
        return;
    case CM_EXIT:
        DoExit();
        return;
    case CM_ENABLEDCHANGED:
        CMEnabledChanged(Message);
        return;
    case CM_VISIBLECHANGED:
        CMVisibleChanged(Message);
        return;
    case CM_FONTCHANGED:
        CMFontChanged(Message);
        return;
    case CM_COLORCHANGED:
        CMColorChanged(Message);
        return;
    case CM_SHOWHINTCHANGED:
        NotifyControls(CM_PARENTSHOWHINTCHANGED);
        return;
    case CM_CTL3DCHANGED:
        NotifyControls(CM_PARENTCTL3DCHANGED);
        return;
    case CM_RECREATEWND:
        CMRecreateWnd(Message);
        return;
    case CM_SHOWINGCHANGED:
        CMShowingChanged(Message);
        return;
    case CM_TEXTCHANGED:
        Invalidate();
        DefaultHandler(Message);
        return;
    case CM_FOCUSCHANGED:
        // every control of the form hears which control got the focus
        Broadcast(Message);
        return;
    default:
        TControl::Dispatch(Message);
        return;
    }
}

void TWinControl::DefaultHandler(TMessage& Message) {
    if (handle) MarkDefaultReached(handle, Message);
    switch (Message.Msg) {
    case WM_CONTEXTMENU:
        if (parent && parent->handle)
            Message.Result =
                SendMessage(parent->handle, WM_CONTEXTMENU, Message.WParam, Message.LParam);
        return;
    case WM_MOUSEACTIVATE:
        Message.Result = MA_ACTIVATE;
        return;
    case WM_NCHITTEST:
        Message.Result = HTCLIENT;
        return;
    case WM_GETDLGCODE:
        Message.Result = 0;
        return;
    case WM_SYSCHAR:
        // A character typed with Alt is no text: it asks for the accelerator of that letter.
        Message.Result = Perform(WM_SYSCOMMAND, SC_KEYMENU, LPARAM(WORD(Message.WParam)));
        return;
    case WM_SETTEXT:
        TControl::DefaultHandler(Message);
        if (handle && handle->isWindow()) handle->setWindowTitle(text);
        return;
    case WM_SETCURSOR:
        if (handle && BridgeOf(handle) && !BridgeOf(handle)->native) handle->unsetCursor();
        return;
    default:
        TControl::DefaultHandler(Message);
        return;
    }
}

void TWinControl::WMSize(TMessage& Message) {
    UpdateBounds();
    // a scroll bar coming or going changes the client area only
    Realign();
    DefaultHandler(Message);
}

void TWinControl::WMMove(TMessage& Message) {
    UpdateBounds();
    DefaultHandler(Message);
}

void TWinControl::WMSetFocus(TMessage& Message) {
    if (TCustomForm* f = GetParentForm(this))
        if (!f->SetFocusedControl(this)) return;
    DefaultHandler(Message);
}

void TWinControl::WMKillFocus(TMessage& Message) {
    DefaultHandler(Message);
}

void TWinControl::WMKey(TMessage& Message) {
    bool down = Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN;
    if (down ? DoKeyDown(Message) : DoKeyUp(Message)) return;
    DefaultHandler(Message);
}

void TWinControl::WMChar(TMessage& Message) {
    if (DoKeyPress(Message)) return;
    DefaultHandler(Message);
}

void TWinControl::WMSysCommand(TMessage& Message) {
    if ((Message.WParam & 0xFFF0) == SC_KEYMENU) {
        const QChar key(char16_t(WORD(Message.LParam)));
        TCustomForm* form = GetParentForm(this);
        if (form && key != u' ' && key != u'-' && !GetCapture()) {
            // The letter as typed, then the letter of the same key in the other layout, so
            // "&Зберегти" answers Alt+P under the US layout too.
            Message.Result = 1;
            if (form->Perform(CM_DIALOGCHAR, key.unicode(), 0) != 0) return;
            const QChar other = OtherLayoutChar(key);
            if (!other.isNull() && form->Perform(CM_DIALOGCHAR, other.unicode(), 0) != 0) return;
            Message.Result = 0;
        }
    }
    DefaultHandler(Message);
}

bool TWinControl::DoKeyDown(TMessage& Message) {
    TCustomForm* form = GetParentForm(this);
    if (form && form != static_cast<TControl*>(this) && form->GetKeyPreview() &&
        form->DoKeyDown(Message))
        return true;
    WORD key = WORD(Message.WParam);
    TShiftState shift = KeyDataToShiftState(Message.LParam);
    if (!controlStyle.Contains(csNoStdEvents)) {
        KeyDown(key, shift);
        Message.WParam = key;
        if (key == 0) return true;
    }
    return false;
}

bool TWinControl::DoKeyUp(TMessage& Message) {
    TCustomForm* form = GetParentForm(this);
    if (form && form != static_cast<TControl*>(this) && form->GetKeyPreview() &&
        form->DoKeyUp(Message))
        return true;
    WORD key = WORD(Message.WParam);
    TShiftState shift = KeyDataToShiftState(Message.LParam);
    if (!controlStyle.Contains(csNoStdEvents)) {
        KeyUp(key, shift);
        Message.WParam = key;
        if (key == 0) return true;
    }
    return false;
}

bool TWinControl::DoKeyPress(TMessage& Message) {
    TCustomForm* form = GetParentForm(this);
    if (form && form != static_cast<TControl*>(this) && form->GetKeyPreview() &&
        form->DoKeyPress(Message))
        return true;
    if (!controlStyle.Contains(csNoStdEvents)) {
        QChar ch(char16_t(Message.WParam));
        KeyPress(ch);
        Message.WParam = ch.unicode();
        if (ch.unicode() == 0) return true;
    }
    return false;
}

void TWinControl::KeyDown(WORD& Key, TShiftState Shift) {
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(WORD& Key, TShiftState Shift) {
    if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(QChar& Key) {
    if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

void TWinControl::CNKeyDown(TMessage& Message) {
    Message.Result = 1;
    // menus and shortcuts of the form
    if (TCustomForm* form = GetParentForm(this))
        if (form->IsShortCut(Message)) return;
    LRESULT mask = 0;
    switch (WORD(Message.WParam)) {
    case VK_TAB:
        mask = DLGC_WANTTAB;
        break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
        mask = DLGC_WANTARROWS;
        break;
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL:
        mask = DLGC_WANTALLKEYS;
        break;
    default:
        break;
    }
    if (mask != 0 && Perform(CM_WANTSPECIALKEY, Message.WParam, Message.LParam) == 0 &&
        (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0) {
        TCustomForm* form = GetParentForm(this);
        if (form && form->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam) != 0) return;
    }
    Message.Result = 0;
}

void TWinControl::CNChar(TMessage& Message) {
    Message.Result = 1;
    if ((Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) == 0) {
        TCustomForm* form = GetParentForm(this);
        if (form && form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0) return;
    }
    Message.Result = 0;
}

void TWinControl::CMDialogKey(TMessage& Message) {
    Broadcast(Message);
}
void TWinControl::CMDialogChar(TMessage& Message) {
    Broadcast(Message);
}

void TWinControl::CMEnabledChanged(TMessage& Message) {
    if (!enabled && parent)
        if (TCustomForm* f = GetParentForm(this))
            if (f->GetActiveControl() && ContainsControl(f->GetActiveControl()))
                f->DefocusControl(this, false);
    if (handle && (createdParams.Style & WS_CHILD)) handle->setEnabled(enabled);
    Invalidate();
}

void TWinControl::CMVisibleChanged(TMessage& Message) {}

void TWinControl::CMShowingChanged(TMessage& Message) {}

void TWinControl::CMFontChanged(TMessage& Message) {
    applyNativeLook();
    Invalidate();
    NotifyControls(CM_PARENTFONTCHANGED);
    DefaultHandler(Message);
}

void TWinControl::CMColorChanged(TMessage& Message) {
    applyNativeLook();
    Invalidate();
    NotifyControls(CM_PARENTCOLORCHANGED);
    DefaultHandler(Message);
}

void TWinControl::CMRecreateWnd(TMessage& Message) {
    RecreateWnd();
}

void TWinControl::WMSetCursor(TMessage& Message) {
    TWMSetCursor m(Message);
    if (handle && m.CursorWnd() == handle && m.HitTest() == HTCLIENT) {
        TCursor cur = Screen->GetCursor();
        if (cur == crDefault) {
            TPoint p = ScreenToClient(Mouse->GetCursorPos());
            if (TControl* c = ControlAtPos(p, false)) cur = c->GetCursor();
            if (cur == crDefault) cur = cursor;
        }
        if (cur != crDefault) {
            handle->setCursor(Screen->GetCursors(cur));
            Message.Result = 1;
            return;
        }
    }
    DefaultHandler(Message);
}

void TWinControl::WMNCHitTest(TMessage& Message) {
    DefaultHandler(Message);
}

void TWinControl::Loaded() {
    TControl::Loaded();
    if (realignPending || !controls.empty()) Realign();
}

void TWinControl::SetParent(TWinControl* AParent) {
    if (parent == AParent) return;
    // Leaving the parent destroys the window; a new parent makes it again when it has one.
    TControl::SetParent(AParent);
}
