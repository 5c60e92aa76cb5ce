// TControl, TWinControl, TGraphicControl, TCustomControl, TControlCanvas and the layout.
#include "Controls.h"
#include "Forms.h"
#include "ScopeGuard.h"
#include "UiInternal.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>
#include <algorithm>

namespace {
TPopupMenuHandler& popupHandler() {
    static TPopupMenuHandler h;
    return h;
}

// Set while a parent passes its font or colour down, so the child keeps ParentFont/Color.
bool fromParent = false;

// Shares the painter, origin and clip of a paint canvas with a control's own canvas.
void attachCanvas(TCanvas* Canvas, TCanvas* DC) {
    QPainter* p = DC->GetHandle();
    Canvas->SetHandle(p);
    QRegion rg;
    if (DC->GetClipRgn(rg)) Canvas->SelectClipRgn(&rg);
}

void detachCanvas(TCanvas* Canvas, TCanvas* DC) {
    Canvas->SetHandle(nullptr);
    DC->SetWindowOrg(DC->GetWindowOrg().X, DC->GetWindowOrg().Y); // puts its state back
}

} // namespace

void SetPopupMenuHandler(TPopupMenuHandler Handler) {
    popupHandler() = std::move(Handler);
}

// ---- TSizeConstraints ---------------------------------------------------------------------------

void TSizeConstraints::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TSizeConstraints*>(Source)) {
        minWidth = s->minWidth;
        minHeight = s->minHeight;
        maxWidth = s->maxWidth;
        maxHeight = s->maxHeight;
        changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TSizeConstraints::SetMinWidth(int V) {
    if (V != minWidth) {
        minWidth = V;
        if (maxWidth > 0 && minWidth > maxWidth) maxWidth = minWidth;
        changed();
    }
}
void TSizeConstraints::SetMinHeight(int V) {
    if (V != minHeight) {
        minHeight = V;
        if (maxHeight > 0 && minHeight > maxHeight) maxHeight = minHeight;
        changed();
    }
}
void TSizeConstraints::SetMaxWidth(int V) {
    if (V != maxWidth) {
        maxWidth = V;
        if (V > 0 && minWidth > V) minWidth = V;
        changed();
    }
}
void TSizeConstraints::SetMaxHeight(int V) {
    if (V != maxHeight) {
        maxHeight = V;
        if (V > 0 && minHeight > V) minHeight = V;
        changed();
    }
}

void TSizeConstraints::changed() {
    if (OnChange) OnChange(this);
    if (control)
        control->SetBounds(control->GetLeft(), control->GetTop(), control->GetWidth(),
                           control->GetHeight());
}

// ---- TControl -----------------------------------------------------------------------------------

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), constraints(std::make_unique<TSizeConstraints>(this)),
      font(std::make_unique<TFont>()) {
    WindowProc = [this](TMessage& m) { WndProc(m); };
    font->OnChange = [this](TObject* s) { fontChanged(s); };
    controlStyle = TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
}

TControl::~TControl() {
    ForgetControl(this);
    if (Application->GetMouseControl() == this) Application->DoMouseIdle(nullptr);
    if (parent) parent->RemoveControl(this);
}

void TControl::BeforeDestruction() {
    TComponent::BeforeDestruction();
    // Leave the parent while the whole object is alive (the parent may call virtuals).
    if (parent) parent->RemoveControl(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) {
        if (AComponent == popupMenuComponent) {
            popupMenu = nullptr;
            popupMenuComponent = nullptr;
        }
        if (AComponent == actionComponent) {
            action = nullptr;
            actionComponent = nullptr;
        }
    }
}

void TControl::setPopupMenu(TPopupMenu* Menu, TComponent* AsComponent) {
    popupMenu = Menu;
    popupMenuComponent = AsComponent;
    if (AsComponent) AsComponent->FreeNotification(this);
}

void TControl::setAction(TBasicAction* Act, TComponent* AsComponent) {
    action = Act;
    actionComponent = AsComponent;
    if (AsComponent) AsComponent->FreeNotification(this);
}

void TControl::SetParent(TWinControl* AParent) {
    if (parent == AParent) return;
    if (AParent == static_cast<TControl*>(this))
        throw EInvalidOperation(QStringLiteral("A control cannot have itself as its parent"));
    if (parent) parent->RemoveControl(this);
    if (AParent) AParent->InsertControl(this);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    int w = AWidth, h = AHeight;
    if (!CanResize(w, h)) return;
    if (ALeft == left && ATop == top && w == width && h == height) return;
    InvalidateControl(visible, false);
    left = ALeft;
    top = ATop;
    width = w;
    height = h;
    if (!inLayout) UpdateAnchorRules();
    Invalidate();
    RequestAlign();
    if (!IsLoading()) Resize();
}

void TControl::UpdateBoundsRect(const TRect& R) {
    left = R.Left;
    top = R.Top;
    width = R.Width();
    height = R.Height();
}

bool TControl::CanResize(int& NewWidth, int& NewHeight) {
    bool ok = true;
    if (OnCanResize) OnCanResize(this, NewWidth, NewHeight, ok);
    if (!ok) return false;
    int minW = constraints->GetMinWidth(), minH = constraints->GetMinHeight();
    int maxW = constraints->GetMaxWidth(), maxH = constraints->GetMaxHeight();
    ConstrainedResize(minW, minH, maxW, maxH);
    if (maxW > 0 && NewWidth > maxW) NewWidth = maxW;
    if (minW > 0 && NewWidth < minW) NewWidth = minW;
    if (maxH > 0 && NewHeight > maxH) NewHeight = maxH;
    if (minH > 0 && NewHeight < minH) NewHeight = minH;
    return true;
}

void TControl::ConstrainedResize(int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight) {
    if (OnConstrainedResize) OnConstrainedResize(this, MinWidth, MinHeight, MaxWidth, MaxHeight);
}

TRect TControl::GetClientRect() {
    return TRect{0, 0, width, height};
}

void TControl::SetClientWidth(int Value) {
    SetBounds(left, top, width - GetClientWidth() + Value, height);
}
void TControl::SetClientHeight(int Value) {
    SetBounds(left, top, width, height - GetClientHeight() + Value);
}
void TControl::SetClientSize(int W, int H) {
    TRect c = GetClientRect();
    SetBounds(left, top, width - c.Right + W, height - c.Bottom + H);
}

TPoint TControl::GetClientOrigin() {
    if (!parent) throw EInvalidOperation(Format("Control '%s' has no parent window", {GetName()}));
    TPoint p = parent->GetClientOrigin();
    return TPoint{p.X + left, p.Y + top};
}

TPoint TControl::ClientToScreen(const TPoint& P) {
    TPoint o = GetClientOrigin();
    return TPoint{P.X + o.X, P.Y + o.Y};
}

TPoint TControl::ScreenToClient(const TPoint& P) {
    TPoint o = GetClientOrigin();
    return TPoint{P.X - o.X, P.Y - o.Y};
}

TPoint TControl::ClientToParent(const TPoint& P, TWinControl* AParent) {
    if (!AParent) AParent = parent;
    TPoint r = P;
    for (TControl* c = this; c && c != AParent; c = c->parent) {
        r.X += c->left;
        r.Y += c->top;
        if (!c->parent)
            throw EInvalidOperation(QStringLiteral("Control is not a child of the given parent"));
    }
    return r;
}

TPoint TControl::ParentToClient(const TPoint& P, TWinControl* AParent) {
    TPoint o = ClientToParent(TPoint{0, 0}, AParent);
    return TPoint{P.X - o.X, P.Y - o.Y};
}

void TControl::SetAlign(TAlign Value) {
    if (align == Value) return;
    align = Value;
    anchors = TAnchors{akLeft, akTop};
    RequestAlign();
}

void TControl::SetAnchors(TAnchors Value) {
    anchors = Value;
    UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
    anchorBounds = GetBoundsRect();
    if (parent) {
        TRect c = parent->GetClientRect();
        anchorParentSize = TPoint{c.Right, c.Bottom};
    } else {
        anchorParentSize = TPoint{-1, -1};
    }
}

void TControl::SetAutoSize(bool Value) {
    if (autoSize != Value) {
        autoSize = Value;
        if (Value) RequestAlign();
    }
}

void TControl::SetVisible(bool Value) {
    if (visible == Value) return;
    VisibleChanging();
    visible = Value;
    Perform(CM_VISIBLECHANGED, Value ? 1 : 0, 0);
    RequestAlign();
}

void TControl::Show() {
    if (parent) parent->ShowControl(this);
    SetVisible(true);
}

void TControl::Hide() {
    SetVisible(false);
}

void TControl::SetEnabled(bool Value) {
    if (enabled == Value) return;
    enabled = Value;
    Perform(CM_ENABLEDCHANGED, 0, 0);
}

bool TControl::IsShowing() {
    return visible && parent && parent->IsShowing();
}

void TControl::SetColor(TColor Value) {
    if (color == Value) return;
    color = Value;
    if (!fromParent) parentColor = false;
    Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool Value) {
    if (parentColor == Value) return;
    parentColor = Value;
    if (parent && Value) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::fontChanged(TObject*) {
    if (!fromParent) parentFont = false;
    Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetParentFont(bool Value) {
    if (parentFont == Value) return;
    parentFont = Value;
    if (parent && Value) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::SetCtl3D(bool Value) {
    if (ctl3D == Value) return;
    ctl3D = Value;
    if (!fromParent) parentCtl3D = false;
    Perform(CM_CTL3DCHANGED, 0, 0);
}

void TControl::SetParentCtl3D(bool Value) {
    if (parentCtl3D == Value) return;
    parentCtl3D = Value;
    if (parent && Value) Perform(CM_PARENTCTL3DCHANGED, 0, 0);
}

void TControl::SetBiDiMode(TBiDiMode Value) {
    if (bidiMode == Value) return;
    bidiMode = Value;
    Perform(CM_BIDIMODECHANGED, 0, 0);
}

QString TControl::GetText() {
    return GetTextBuf();
}

void TControl::SetText(const QString& Value) {
    if (GetTextBuf() == Value) return;
    SetTextBuf(Value);
    Perform(CM_TEXTCHANGED, 0, 0);
}

QString TControl::GetTextBuf() {
    return text;
}
void TControl::SetTextBuf(const QString& Value) {
    text = Value;
}

void TControl::SetShowHint(bool Value) {
    if (showHint == Value) return;
    showHint = Value;
    parentShowHint = false;
    Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool Value) {
    if (parentShowHint == Value) return;
    parentShowHint = Value;
    if (parent && Value) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor Value) {
    if (cursor == Value) return;
    cursor = Value;
    Perform(CM_CURSORCHANGED, 0, 0);
}

// ---- painting of a windowless control ----

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
    if (!IsVisible || !parent || !parent->HandleAllocated()) return;
    TRect r = GetBoundsRect();
    InvalidateRect(parent->GetHandle(), &r, !IsOpaque);
}

void TControl::Invalidate() {
    InvalidateControl(visible, GetOpaque());
}

void TControl::Update() {
    if (parent) parent->Update();
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::BringToFront() {
    if (!parent) return;
    auto& v = parent->controls;
    auto it = std::find(v.begin(), v.end(), this);
    if (it != v.end()) {
        v.erase(it);
        v.push_back(this);
    }
    if (IsWindowed()) {
        auto* w = static_cast<TWinControl*>(this);
        if (w->HandleAllocated()) RaiseWindow(w->GetHandle());
    }
    Invalidate();
}

void TControl::SendToBack() {
    if (!parent) return;
    auto& v = parent->controls;
    auto it = std::find(v.begin(), v.end(), this);
    if (it != v.end()) {
        v.erase(it);
        v.insert(v.begin(), this);
    }
    if (IsWindowed()) {
        auto* w = static_cast<TWinControl*>(this);
        if (w->HandleAllocated()) w->GetHandle()->lower();
    }
    Invalidate();
}

// ---- messages ----

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMessage m{Msg, WParam, LParam, 0};
    if (WindowProc)
        WindowProc(m);
    else
        WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& Message) {
    UINT msg = Message.Msg;
    if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) {
        if (!controlStyle.Contains(csDoubleClicks) &&
            (msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK))
            Message.Msg = msg = msg - (WM_LBUTTONDBLCLK - WM_LBUTTONDOWN);
        switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (dragMode == dmAutomatic && !IsDesigning()) {
                BeginDrag(false);
                return;
            }
            controlState.Include(csLButtonDown);
            break;
        case WM_LBUTTONUP:
            controlState.Exclude(csLButtonDown);
            break;
        default:
            break;
        }
    }
    Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
        WMMouse(Message, mbLeft, true, false);
        return;
    case WM_LBUTTONDBLCLK:
        WMMouse(Message, mbLeft, true, true);
        return;
    case WM_LBUTTONUP:
        WMMouse(Message, mbLeft, false, false);
        return;
    case WM_RBUTTONDOWN:
        WMMouse(Message, mbRight, true, false);
        return;
    case WM_RBUTTONDBLCLK:
        WMMouse(Message, mbRight, true, true);
        return;
    case WM_RBUTTONUP:
        WMMouse(Message, mbRight, false, false);
        return;
    case WM_MBUTTONDOWN:
        WMMouse(Message, mbMiddle, true, false);
        return;
    case WM_MBUTTONDBLCLK:
        WMMouse(Message, mbMiddle, true, true);
        return;
    case WM_MBUTTONUP:
        WMMouse(Message, mbMiddle, false, false);
        return;
    case WM_MOUSEMOVE:
        WMMouseMove(Message);
        return;
    case WM_MOUSEWHEEL:
        WMMouseWheel(Message);
        return;
    case WM_CONTEXTMENU:
        WMContextMenu(Message);
        return;
    case WM_CANCELMODE:
    case CM_CANCELMODE:
        WMCancelMode(Message);
        return;
    case CM_PARENTFONTCHANGED:
        CMParentFontChanged(Message);
        return;
    case CM_PARENTCOLORCHANGED:
        CMParentColorChanged(Message);
        return;
    case CM_PARENTSHOWHINTCHANGED:
        CMParentShowHintChanged(Message);
        return;
    case CM_PARENTCTL3DCHANGED:
        if (parentCtl3D && parent) {
            fromParent = true;
            SetCtl3D(parent->GetCtl3D());
            fromParent = false;
        }
        return;
    case CM_MOUSEENTER:
        CMMouseEnter(Message);
        return;
    case CM_MOUSELEAVE:
        CMMouseLeave(Message);
        return;
    case CM_HITTEST:
        CMHitTest(Message);
        return;
    case CM_VISIBLECHANGED:
        InvalidateControl(true, visible && GetOpaque());
        return;
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
        Invalidate();
        DefaultHandler(Message);
        return;
    default:
        DefaultHandler(Message);
        return;
    }
}

void TControl::DefaultHandler(TMessage& Message) {
    switch (Message.Msg) {
    case WM_SETTEXT:
        if (Message.LParam) text = *reinterpret_cast<const QString*>(Message.LParam);
        Message.Result = 1;
        break;
    case WM_GETTEXT:
        if (Message.LParam) *reinterpret_cast<QString*>(Message.LParam) = text;
        Message.Result = text.size();
        break;
    case WM_GETTEXTLENGTH:
        Message.Result = text.size();
        break;
    default:
        break;
    }
}

namespace {
void sendCancelMode(TControl* Self) {
    for (TControl* c = Self; c; c = c->GetParent())
        if (auto* f = dynamic_cast<TCustomForm*>(c)) {
            if (f->GetActive() && f->GetActiveControl())
                f->GetActiveControl()->Perform(CM_CANCELMODE, 0, LPARAM(Self));
            if (f->GetFormStyle() == fsMDIForm && f->GetActiveMDIChild() &&
                f->GetActiveMDIChild()->GetActiveControl())
                f->GetActiveMDIChild()->GetActiveControl()->Perform(CM_CANCELMODE, 0, LPARAM(Self));
        }
}
} // namespace

void TControl::WMMouse(TMessage& Message, TMouseButton Button, bool Down, bool Double) {
    TWMMouse m(Message);
    if (Down) {
        if (Button == mbLeft) sendCancelMode(this);
        DefaultHandler(Message);
        if (Button == mbLeft) {
            if (controlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
            if (Double) {
                if (controlStyle.Contains(csClickEvents)) DblClick();
            } else if (controlStyle.Contains(csClickEvents)) {
                controlState.Include(csClicked);
            }
        }
        if (!controlStyle.Contains(csNoStdEvents)) {
            TShiftState s = KeysToShiftState(m.Keys());
            if (Double) s.Include(ssDouble);
            MouseDown(Button, s, m.XPos(), m.YPos());
        }
    } else {
        DefaultHandler(Message);
        if (Button == mbLeft) {
            if (controlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
            if (controlState.Contains(csClicked)) {
                controlState.Exclude(csClicked);
                if (PtInRect(GetClientRect(), m.Pos())) Click();
            }
        }
        if (!controlStyle.Contains(csNoStdEvents))
            MouseUp(Button, KeysToShiftState(m.Keys()), m.XPos(), m.YPos());
    }
}

void TControl::WMMouseMove(TMessage& Message) {
    TWMMouse m(Message);
    DefaultHandler(Message);
    if (!controlStyle.Contains(csNoStdEvents))
        MouseMove(KeysToShiftState(m.Keys()), m.XPos(), m.YPos());
}

void TControl::WMMouseWheel(TMessage& Message) {
    TWMMouseWheel m(Message);
    TShiftState s = KeysToShiftState(m.Keys());
    if (DoMouseWheel(s, m.WheelDelta(), TPoint{m.XPos(), m.YPos()})) {
        Message.Result = 1;
        return;
    }
    // Not handled: a native control scrolls itself (its window hands on what it cannot use),
    // any other passes it to its parent.
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated()) {
        TWndBridge* b = BridgeOf(w->GetHandle());
        if (b && b->native) {
            DefaultHandler(Message);
            return;
        }
    }
    if (parent)
        Message.Result = parent->Perform(WM_MOUSEWHEEL, Message.WParam, Message.LParam);
    else
        DefaultHandler(Message);
}

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
    if (!handled) {
        if (WheelDelta < 0)
            handled = DoMouseWheelDown(Shift, MousePos);
        else if (WheelDelta > 0)
            handled = DoMouseWheelUp(Shift, MousePos);
    }
    return handled;
}

bool TControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
    bool h = false;
    if (OnMouseWheelDown) OnMouseWheelDown(this, Shift, MousePos, h);
    return h;
}

bool TControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
    bool h = false;
    if (OnMouseWheelUp) OnMouseWheelUp(this, Shift, MousePos, h);
    return h;
}

void TControl::WMContextMenu(TMessage& Message) {
    if (Message.Result != 0) return;
    TPoint pt = SmallPointToPoint(Message.LParam);
    TPoint client = (pt.X == -1 && pt.Y == -1) ? TPoint{-1, -1} : ScreenToClient(pt);
    bool handled = false;
    DoContextPopup(client, handled);
    Message.Result = handled ? 1 : 0;
    if (handled) return;
    if (popupMenu && popupHandler()) {
        TPoint screen = pt;
        if (pt.X == -1 && pt.Y == -1) screen = ClientToScreen(TPoint{0, 0});
        if (popupHandler()(this, popupMenu, screen)) {
            Message.Result = 1;
            return;
        }
    }
    DefaultHandler(Message);
}

void TControl::DoContextPopup(TPoint MousePos, bool& Handled) {
    if (OnContextPopup) OnContextPopup(this, MousePos, Handled);
}

void TControl::WMCancelMode(TMessage& Message) {
    if (GetMouseCapture()) SetMouseCapture(false);
    DefaultHandler(Message);
}

void TControl::CMParentFontChanged(TMessage& Message) {
    if (parentFont && parent) {
        fromParent = true;
        font->Assign(parent->GetFont());
        fromParent = false;
    }
}

void TControl::CMParentColorChanged(TMessage& Message) {
    if (parentColor && parent) {
        fromParent = true;
        SetColor(parent->GetColor());
        fromParent = false;
    }
}

void TControl::CMParentShowHintChanged(TMessage& Message) {
    if (parentShowHint && parent) {
        showHint = parent->GetShowHint();
        Perform(CM_SHOWHINTCHANGED, 0, 0);
    }
}

void TControl::CMMouseEnter(TMessage& Message) {
    if (parent) parent->Perform(CM_MOUSEENTER, 0, LPARAM(this));
    if (Message.LParam == 0 && OnMouseEnter) OnMouseEnter(this);
}

void TControl::CMMouseLeave(TMessage& Message) {
    if (parent) parent->Perform(CM_MOUSELEAVE, 0, LPARAM(this));
    if (Message.LParam == 0 && OnMouseLeave) OnMouseLeave(this);
}

void TControl::CMHitTest(TMessage& Message) {
    Message.Result = HTCLIENT;
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Resize() {
    if (OnResize) OnResize(this);
}

void TControl::Changed() {
    Perform(CM_CHANGED, 0, LPARAM(this));
}

void TControl::RequestAlign() {
    if (parent) parent->Realign();
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (parent) {
        if (parentColor) Perform(CM_PARENTCOLORCHANGED, 0, 0);
        if (parentFont) Perform(CM_PARENTFONTCHANGED, 0, 0);
        if (parentShowHint) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
        UpdateAnchorRules();
    }
    RequestAlign();
}

bool TControl::GetMouseCapture() {
    return GetCaptureControl() == this;
}

void TControl::SetMouseCapture(bool Value) {
    if (GetMouseCapture() == Value) return;
    if (Value)
        SetCaptureControl(this);
    else
        SetCaptureControl(nullptr);
}

TCustomForm* TControl::GetParentFormOf() {
    return GetParentForm(this);
}

// ---- drag and drop inside the application ----

namespace {
struct DragState {
    TControl* Source = nullptr;
    TObject* DragObject = nullptr;
    TControl* Target = nullptr;
    bool Active = false;
    TPoint Start;
    int Threshold = 5;
};
DragState drag;
} // namespace

void TControl::BeginDrag(bool Immediate, int Threshold) {
    if (drag.Source) return;
    drag = DragState();
    drag.Source = this;
    drag.Threshold = Threshold < 0 ? Mouse->GetDragThreshold() : Threshold;
    drag.Start = TrackedCursorPos();
    drag.Active = Immediate;
    TObject* obj = nullptr;
    DoStartDrag(obj);
    drag.DragObject = obj;
    SetCaptureControl(this);
}

void TControl::EndDrag(bool Drop) {
    if (drag.Source != this) return;
    DragState d = drag;
    drag = DragState();
    SetCaptureControl(nullptr);
    TObject* target = nullptr;
    TPoint p = TrackedCursorPos();
    int x = 0, y = 0;
    if (Drop && d.Active && d.Target) {
        bool accept = false;
        TPoint c = d.Target->ScreenToClient(p);
        d.Target->DragOver(d.DragObject ? d.DragObject : this, c.X, c.Y, dsDragMove, accept);
        if (accept) {
            d.Target->DragDrop(d.DragObject ? d.DragObject : this, c.X, c.Y);
            target = d.Target;
            x = c.X;
            y = c.Y;
        }
    }
    DoEndDrag(target, x, y);
}

bool TControl::Dragging() const {
    return drag.Source == this;
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
    if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
    Accept = bool(OnDragOver);
    if (OnDragOver) OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DoStartDrag(TObject*& DragObject) {
    if (OnStartDrag) OnStartDrag(this, DragObject);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y) {
    if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

// Moves of a drag in progress (called by the window of the source with the capture).
void DragMouseMove(const TPoint& Screen) {
    if (!drag.Source) return;
    if (!drag.Active) {
        if (std::abs(Screen.X - drag.Start.X) < drag.Threshold &&
            std::abs(Screen.Y - drag.Start.Y) < drag.Threshold)
            return;
        drag.Active = true;
    }
    TControl* t = FindDragTarget(Screen, false);
    TObject* src = drag.DragObject ? drag.DragObject : drag.Source;
    if (t != drag.Target) {
        if (drag.Target) {
            bool a = false;
            TPoint c = drag.Target->ScreenToClient(Screen);
            drag.Target->DragOver(src, c.X, c.Y, dsDragLeave, a);
        }
        drag.Target = t;
        if (t) {
            bool a = false;
            TPoint c = t->ScreenToClient(Screen);
            t->DragOver(src, c.X, c.Y, dsDragEnter, a);
        }
    } else if (t) {
        bool a = false;
        TPoint c = t->ScreenToClient(Screen);
        t->DragOver(src, c.X, c.Y, dsDragMove, a);
    }
}

bool DragActive() {
    return drag.Source != nullptr;
}

bool DragMouseUp() {
    if (!drag.Source) return false;
    drag.Source->EndDrag(true);
    return true;
}

// ---- TControlCanvas ---------------------------------------------------------------------------

TControlCanvas::~TControlCanvas() {
    FreeHandle();
}

void TControlCanvas::SetControl(TControl* AControl) {
    if (control == AControl) return;
    FreeHandle();
    control = AControl;
}

namespace {
std::vector<TControlCanvas*>& outsideCanvases() {
    static std::vector<TControlCanvas*> v;
    return v;
}
std::map<TControlCanvas*, QPainter*>& outsidePainters() {
    static std::map<TControlCanvas*, QPainter*> m;
    return m;
}
} // namespace

void FreeOutsideCanvases(HWND Wnd) {
    auto list = outsideCanvases();
    for (TControlCanvas* c : list) {
        TControl* ctl = c->GetControl();
        TWinControl* w =
            ctl ? (ctl->IsWindowed() ? static_cast<TWinControl*>(ctl) : ctl->GetParent()) : nullptr;
        if (!Wnd || (w && w->HandleAllocated() && w->GetHandle() == Wnd)) c->FreeHandle();
    }
}

void TControlCanvas::FreeHandle() {
    auto it = outsidePainters().find(this);
    if (it != outsidePainters().end()) {
        QPainter* p = it->second;
        outsidePainters().erase(it);
        auto& v = outsideCanvases();
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        SetHandle(nullptr);
        p->end();
        delete p;
        return;
    }
    TCanvas::FreeHandle();
}

void TControlCanvas::UpdateTextFlags() {}

void TControlCanvas::CreateHandle() {
    // Outside painting: draw straight into the window's image.
    if (!control) return;
    TWinControl* w =
        control->IsWindowed() ? static_cast<TWinControl*>(control) : control->GetParent();
    if (!w) return;
    HWND h = w->GetHandle();
    TWndBridge* b = BridgeOf(h);
    if (!b || b->native) return;
    b->ensureBacking();
    QRect client = b->clientArea();
    QPoint origin = client.topLeft();
    QRect area = client;
    if (!control->IsWindowed()) {
        origin += QPoint(control->GetLeft(), control->GetTop());
        area = QRect(origin, QSize(control->GetWidth(), control->GetHeight())).intersected(client);
    }
    auto* p = new QPainter(&b->backing);
    p->translate(origin);
    outsidePainters()[this] = p;
    outsideCanvases().push_back(this);
    SetHandle(p);
    QRegion rg(area.translated(-origin));
    SelectClipRgn(&rg);
    b->flush += area;
    h->update(area);
}

// ---- TGraphicControl and TCustomControl
// -------------------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), canvas(std::make_unique<TControlCanvas>()) {
    canvas->SetControl(this);
}

TGraphicControl::~TGraphicControl() {
    canvas->SetControl(nullptr);
}

void TGraphicControl::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_PAINT) {
        auto* dc = reinterpret_cast<TCanvas*>(Message.WParam);
        if (dc) {
            canvas->FreeHandle();
            canvas->Lock();
            attachCanvas(canvas.get(), dc);
            TScopeGuard detach([&] {
                detachCanvas(canvas.get(), dc);
                canvas->Unlock();
            });
            Paint();
            detach.End();
        }
        return;
    }
    TControl::Dispatch(Message);
}

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), canvas(std::make_unique<TControlCanvas>()) {
    canvas->SetControl(this);
}

TCustomControl::~TCustomControl() {
    canvas->SetControl(nullptr);
}

void TCustomControl::Paint() {}

void TCustomControl::PaintWindow(TCanvas* DC) {
    canvas->FreeHandle();
    canvas->Lock();
    attachCanvas(canvas.get(), DC);
    TScopeGuard detach([&] {
        detachCanvas(canvas.get(), DC);
        canvas->Unlock();
    });
    Paint();
    detach.End();
}

// ---- helpers
// ------------------------------------------------------------------------------------------

TCustomForm* GetParentForm(TControl* Control) {
    if (!Control) return nullptr;
    TControl* c = Control;
    while (c->GetParent())
        c = c->GetParent();
    return dynamic_cast<TCustomForm*>(c);
}

TCustomForm* ValidParentForm(TControl* Control) {
    TCustomForm* f = GetParentForm(Control);
    if (!f)
        throw EInvalidOperation(Format("Control '%s' has no parent window",
                                       {Control ? Control->GetName() : QString()}));
    return f;
}

TWinControl* FindVCLWindow(const TPoint& Pos) {
    HWND h = WindowFromPoint(Pos);
    while (h) {
        if (TWinControl* c = FindControl(h)) return c;
        h = GetParent(h);
    }
    return nullptr;
}

TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled) {
    TWinControl* w = FindVCLWindow(Pos);
    if (!w) return nullptr;
    TControl* c = w->ControlAtPos(w->ScreenToClient(Pos), AllowDisabled);
    return c ? c : w;
}

Qt::CursorShape CursorShapeOf(TCursor Cursor) {
    switch (Cursor) {
    case crNone:
        return Qt::BlankCursor;
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait:
        return Qt::WaitCursor;
    case crDrag:
    case crMultiDrag:
        return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo:
        return Qt::ForbiddenCursor;
    case crHSplit:
        return Qt::SplitHCursor;
    case crVSplit:
        return Qt::SplitVCursor;
    case crAppStart:
        return Qt::BusyCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    default:
        return Qt::ArrowCursor;
    }
}
