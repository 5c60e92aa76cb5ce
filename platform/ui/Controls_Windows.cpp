// Window functions: window procedures, showing, placing, invalidating and mapping windows,
// focus and capture, and the utility windows of AllocateHWnd.
#include "Controls.h"
#include "UiInternal.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>

namespace {
HWND focusWnd = nullptr;
HWND captureWnd = nullptr;
QPointer<QWidget> focusGuard;
QPointer<QWidget> captureGuard;
TControl* captureControl = nullptr;
} // namespace

// ---- window procedures ----------------------------------------------------------------------

TWndProc MakeWndProc(TWndProcFunc F) {
    return std::make_shared<TWndProcFunc>(std::move(F));
}

TWndProc GetWindowProc(HWND Wnd) {
    TWndBridge* b = BridgeOf(Wnd);
    return b ? b->proc : nullptr;
}

TWndProc SetWindowProc(HWND Wnd, TWndProc Proc) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b) return nullptr;
    TWndProc old = b->proc;
    b->proc = std::move(Proc);
    return old;
}

LRESULT CallWindowProc(const TWndProc& Proc, HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (!Proc || !*Proc) return 0;
    return (*Proc)(Wnd, Msg, WParam, LParam);
}

LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b) return 0;
    TWndProc p = b->proc; // keep it alive while it runs
    return CallWindowProc(p, Wnd, Msg, WParam, LParam);
}

// ---- window functions ------------------------------------------------------------------------

bool IsWindow(HWND Wnd) {
    return BridgeOf(Wnd) != nullptr;
}
bool IsWindowVisible(HWND Wnd) {
    return IsWindow(Wnd) && Wnd->isVisible();
}
bool IsWindowEnabled(HWND Wnd) {
    return IsWindow(Wnd) && Wnd->isEnabled();
}

bool EnableWindow(HWND Wnd, bool Enable) {
    if (!IsWindow(Wnd)) return false;
    bool was = !Wnd->isEnabled();
    Wnd->setEnabled(Enable);
    SendMessage(Wnd, WM_ENABLE, Enable ? 1 : 0, 0);
    return was;
}

bool ShowWindow(HWND Wnd, int CmdShow) {
    if (!IsWindow(Wnd)) return false;
    bool was = Wnd->isVisible();
    switch (CmdShow) {
    case SW_HIDE:
        Wnd->hide();
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
        Wnd->showMinimized();
        break;
    case SW_SHOWMAXIMIZED:
        Wnd->showMaximized();
        break;
    case SW_RESTORE:
        Wnd->showNormal();
        break;
    default:
        Wnd->show();
        break;
    }
    return was;
}

bool SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int CX, int CY, UINT Flags) {
    if (!IsWindow(Wnd)) return false;
    TWinControl* c = FindControl(Wnd);
    if (c && !(Flags & SWP_NOMOVE && Flags & SWP_NOSIZE)) {
        int l = (Flags & SWP_NOMOVE) ? c->GetLeft() : X;
        int t = (Flags & SWP_NOMOVE) ? c->GetTop() : Y;
        int w = (Flags & SWP_NOSIZE) ? c->GetWidth() : CX;
        int h = (Flags & SWP_NOSIZE) ? c->GetHeight() : CY;
        c->SetBounds(l, t, w, h);
    } else if (!c) {
        if (!(Flags & SWP_NOMOVE)) Wnd->move(X, Y);
        if (!(Flags & SWP_NOSIZE)) Wnd->resize(CX, CY);
    }
    if (!(Flags & SWP_NOZORDER) && InsertAfter == nullptr) RaiseWindow(Wnd);
    if (Flags & SWP_SHOWWINDOW) Wnd->show();
    if (Flags & SWP_HIDEWINDOW) Wnd->hide();
    return true;
}

void RaiseWindow(QWidget* W) {
    if (!W) return;
    // the offscreen platform has no stacking (and says so on every call)
    if (W->isWindow() && QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    W->raise();
}

HWND GetParent(HWND Wnd) {
    if (!IsWindow(Wnd)) return nullptr;
    for (QWidget* p = Wnd->parentWidget(); p; p = p->parentWidget())
        if (BridgeOf(p)) return p;
    return nullptr;
}

bool InvalidateRect(HWND Wnd, const TRect* Rect, bool Erase) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b) return false;
    QRect r = b->clientArea();
    if (Rect)
        r = QRect(Rect->Left, Rect->Top, Rect->Width(), Rect->Height())
                .translated(b->clientOffset())
                .intersected(b->clientArea());
    if (!Rect) r = Wnd->rect();
    b->invalid += r;
    Wnd->update(r);
    return true;
}

bool ValidateRect(HWND Wnd, const TRect* Rect) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b) return false;
    QRect r = Rect ? QRect(Rect->Left, Rect->Top, Rect->Width(), Rect->Height())
                         .translated(b->clientOffset())
                   : Wnd->rect();
    b->flush += b->invalid.intersected(r);
    b->invalid -= r;
    return true;
}

bool UpdateWindow(HWND Wnd) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b) return false;
    if (!b->invalid.isEmpty() && Wnd->isVisible()) Wnd->repaint(b->invalid);
    return true;
}

bool ScrollWindow(HWND Wnd, int DX, int DY, const TRect* Rect, const TRect* ClipRect) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b) return false;
    FreeOutsideCanvases(Wnd);
    b->ensureBacking();
    QRect area = b->clientArea();
    QRect r = Rect ? QRect(Rect->Left, Rect->Top, Rect->Width(), Rect->Height())
                         .translated(b->clientOffset())
                   : area;
    if (ClipRect)
        r = r.intersected(
            QRect(ClipRect->Left, ClipRect->Top, ClipRect->Width(), ClipRect->Height())
                .translated(b->clientOffset()));
    r = r.intersected(area);
    // Move the pixels that stay visible; what is uncovered is painted again.
    QRect src = r.translated(-DX, -DY).intersected(r);
    QImage part = b->backing.copy(src);
    {
        QPainter p(&b->backing);
        p.drawImage(src.topLeft() + QPoint(DX, DY), part);
    }
    QRegion uncovered = QRegion(r) - QRegion(src.translated(DX, DY));
    // parts waiting to be painted move with the contents
    QRegion oldInvalid = b->invalid;
    QRegion moved = (oldInvalid & r).translated(DX, DY) & r;
    b->invalid = (oldInvalid - r) + moved + uncovered;
    b->flush += r;
    Wnd->update(r);
    return true;
}

bool GetClientRect(HWND Wnd, TRect& Rect) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b) return false;
    QRect c = b->clientArea();
    Rect = TRect{0, 0, c.width(), c.height()};
    return true;
}

bool GetWindowRect(HWND Wnd, TRect& Rect) {
    if (!IsWindow(Wnd)) return false;
    QPoint p = Wnd->mapToGlobal(QPoint(0, 0));
    Rect = TRect{p.x(), p.y(), p.x() + Wnd->width(), p.y() + Wnd->height()};
    return true;
}

bool ClientToScreen(HWND Wnd, TPoint& Point) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b) return false;
    QPoint p = Wnd->mapToGlobal(QPoint(Point.X, Point.Y) + b->clientOffset());
    Point = TPoint{p.x(), p.y()};
    return true;
}

bool ScreenToClient(HWND Wnd, TPoint& Point) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b) return false;
    QPoint p = Wnd->mapFromGlobal(QPoint(Point.X, Point.Y)) - b->clientOffset();
    Point = TPoint{p.x(), p.y()};
    return true;
}

HWND WindowFromPoint(const TPoint& ScreenPoint) {
    QWidget* w = QApplication::widgetAt(QPoint(ScreenPoint.X, ScreenPoint.Y));
    for (; w; w = w->parentWidget())
        if (BridgeOf(w)) return w;
    return nullptr;
}

// ---- focus and capture -------------------------------------------------------------------------

HWND GetFocus() {
    return focusGuard ? focusWnd : nullptr;
}

HWND SetFocus(HWND Wnd) {
    HWND old = GetFocus();
    if (Wnd && !IsWindow(Wnd)) return old;
    if (old == Wnd) return old;
    focusWnd = Wnd;
    focusGuard = Wnd;
    if (old)
        if (TWndBridge* b = BridgeOf(old)) b->send(WM_KILLFOCUS, WPARAM(Wnd), 0);
    if (Wnd && focusWnd == Wnd) {
        if (Wnd->window() && Wnd->isVisible() && !Wnd->hasFocus())
            Wnd->setFocus(Qt::OtherFocusReason);
        if (TWndBridge* b = BridgeOf(Wnd)) b->send(WM_SETFOCUS, WPARAM(old), 0);
    }
    return old;
}

HWND GetActiveWindow() {
    HWND f = GetFocus();
    if (!f) return nullptr;
    QWidget* w = f->window();
    return IsWindow(w) ? w : nullptr;
}

HWND GetCapture() {
    return captureGuard ? captureWnd : nullptr;
}

HWND SetCapture(HWND Wnd) {
    HWND old = GetCapture();
    if (old == Wnd) return old;
    captureWnd = Wnd;
    captureGuard = Wnd;
    if (old) SendMessage(old, WM_CAPTURECHANGED, 0, LPARAM(Wnd));
    return old;
}

bool ReleaseCapture() {
    HWND old = GetCapture();
    captureWnd = nullptr;
    captureGuard = nullptr;
    if (old) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
    return true;
}

TControl* GetCaptureControl() {
    TWinControl* w = FindControl(GetCapture());
    if (w && captureControl && captureControl->GetParent() == w) return captureControl;
    if (!w) captureControl = nullptr;
    return w;
}

void SetCaptureControl(TControl* Control) {
    ReleaseCapture();
    captureControl = nullptr;
    if (!Control) return;
    if (!Control->IsWindowed()) {
        if (!Control->GetParent()) return;
        captureControl = Control;
        Control = Control->GetParent();
    }
    SetCapture(static_cast<TWinControl*>(Control)->GetHandle());
}

void ForgetControl(TControl* Control) {
    if (captureControl == Control) captureControl = nullptr;
}

// ---- utility windows
// -------------------------------------------------------------------------------

HWND AllocateHWnd(TWndMethod Method) {
    auto* w = new QWidget(nullptr, Qt::Tool);
    w->setAttribute(Qt::WA_DontShowOnScreen);
    auto* b = new TWndBridge(w, nullptr);
    b->method = std::move(Method);
    TWndBridge* raw = b;
    b->proc = MakeWndProc([raw](HWND, UINT Msg, WPARAM WParam, LPARAM LParam) -> LRESULT {
        TMessage m{Msg, WParam, LParam, 0};
        if (raw->method) raw->method(m);
        return m.Result;
    });
    return w;
}

void DeallocateHWnd(HWND Wnd) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b || b->control) return;
    DestroyWindowNow(Wnd);
}

void DestroyWindowNow(HWND Wnd) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b) return;
    if (GetCapture() == Wnd) ReleaseCapture();
    if (focusWnd == Wnd) {
        focusWnd = nullptr;
        focusGuard = nullptr;
    }
    if (Caret().Wnd == Wnd) Caret() = TCaretState();
    b->killTimers();
    b->send(WM_DESTROY, 0, 0);
    b->killTimers(); // a WM_DESTROY handler may have started one
    PurgeQueuedMessages(Wnd);
    delete b;
    Wnd->hide();
    Wnd->setParent(nullptr);
    Wnd->deleteLater();
}
