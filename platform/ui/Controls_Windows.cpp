// The window layer: the Qt bridge, window procedures, the message queue, timers, capture,
// focus, caret and the scroll bars of windows.
#include "Controls.h"
#include "Forms.h"
#include "UiInternal.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QHash>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStyleHints>
#include <QTimer>
#include <QWheelEvent>
#include <deque>

// ---- registry of windows --------------------------------------------------------------------

namespace {
QHash<QWidget*, TWndBridge*>& bridges() {
    static QHash<QWidget*, TWndBridge*> h;
    return h;
}

struct DefaultTrack {
    HWND Wnd;
    UINT Msg;
    bool Reached;
    WPARAM WParam;
};
std::vector<DefaultTrack>& tracks() {
    static std::vector<DefaultTrack> t;
    return t;
}

HWND focusWnd = nullptr;
HWND captureWnd = nullptr;
QPointer<QWidget> focusGuard;
QPointer<QWidget> captureGuard;
TControl* captureControl = nullptr;
} // namespace

TWndBridge* BridgeOf(HWND Wnd) {
    if (!Wnd) return nullptr;
    return bridges().value(Wnd, nullptr);
}

TWinControl* FindControl(HWND Wnd) {
    TWndBridge* b = BridgeOf(Wnd);
    return b ? b->control : nullptr;
}

void MarkDefaultReached(HWND Wnd, const TMessage& M) {
    auto& t = tracks();
    if (!t.empty() && t.back().Wnd == Wnd && t.back().Msg == M.Msg) {
        t.back().Reached = true;
        t.back().WParam = M.WParam;
    }
}

void HandleCurrentException(TObject* Sender) {
    try {
        Application->HandleException(Sender);
    } catch (...) {
        // the handler itself failed: nothing more can be done here
    }
}

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

// ---- the message queue ------------------------------------------------------------------------

namespace {
struct Queued {
    TMsg Msg;
    QPointer<QWidget> Guard;
    bool ToThread;
};
std::deque<Queued>& queue() {
    static std::deque<Queued> q;
    return q;
}

constexpr QEvent::Type kPostedEvent = QEvent::Type(QEvent::User + 0x4B1);

// Receives one Qt event per posted message and delivers the first queued one.
class TQueuePump : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != kPostedEvent) return QObject::event(e);
        if (queue().empty()) return true;
        Queued q = queue().front();
        queue().pop_front();
        if (q.ToThread) {
            if (q.Msg.message == WM_QUIT) Application->Terminate();
            return true;
        }
        if (!q.Guard) return true;
        DispatchMessage(q.Msg);
        return true;
    }
};

TQueuePump* pump() {
    static TQueuePump* p = new TQueuePump;
    return p;
}
} // namespace

bool PostMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Wnd && !BridgeOf(Wnd)) return false;
    Queued q;
    q.Msg.hwnd = Wnd;
    q.Msg.message = Msg;
    q.Msg.wParam = WParam;
    q.Msg.lParam = LParam;
    q.Msg.time = DWORD(QDateTime::currentMSecsSinceEpoch());
    q.Guard = Wnd;
    q.ToThread = Wnd == nullptr;
    queue().push_back(q);
    QCoreApplication::postEvent(pump(), new QEvent(kPostedEvent));
    return true;
}

void PostQuitMessage(int ExitCode) {
    PostMessage(nullptr, WM_QUIT, WPARAM(ExitCode), 0);
}

bool PeekMessage(TMsg& Msg, HWND Wnd, UINT MsgFilterMin, UINT MsgFilterMax, UINT RemoveMsg) {
    auto& q = queue();
    for (auto it = q.begin(); it != q.end(); ++it) {
        if (!it->ToThread && !it->Guard) continue;
        if (Wnd && it->Msg.hwnd != Wnd) continue;
        if ((MsgFilterMin || MsgFilterMax) &&
            (it->Msg.message < MsgFilterMin || it->Msg.message > MsgFilterMax))
            continue;
        Msg = it->Msg;
        if (RemoveMsg & PM_REMOVE) q.erase(it);
        return true;
    }
    return false;
}

LRESULT DispatchMessage(const TMsg& Msg) {
    TWndBridge* b = BridgeOf(Msg.hwnd);
    if (!b) return 0;
    bool handled = false;
    TMsg m = Msg;
    if (Application->OnMessage) {
        try {
            Application->OnMessage(m, handled);
        } catch (...) {
            HandleCurrentException(b->control);
            return 0;
        }
    }
    if (handled) return 0;
    return b->send(m.message, m.wParam, m.lParam);
}

int QueuedMessageCount() {
    int n = 0;
    for (const Queued& q : queue())
        if (q.ToThread || q.Guard) ++n;
    return n;
}

void PurgeQueuedMessages(HWND Wnd) {
    auto& q = queue();
    for (auto it = q.begin(); it != q.end();)
        if (!it->ToThread && (it->Msg.hwnd == Wnd || !it->Guard))
            it = q.erase(it);
        else
            ++it;
}

void FreeOutsideCanvases(HWND Wnd);

void DiscardQueuedInput() {
    auto& q = queue();
    for (auto it = q.begin(); it != q.end();) {
        UINT m = it->Msg.message;
        bool input =
            (m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST);
        if (input)
            it = q.erase(it);
        else
            ++it;
    }
}

// ---- timers ----------------------------------------------------------------------------------

struct TQtTimerSource::Impl {
    std::map<int, QTimer*> timers;
    int nextId = 1;
};

TQtTimerSource::~TQtTimerSource() {
    if (impl)
        for (auto& [id, t] : impl->timers)
            delete t;
}

int TQtTimerSource::StartTimer(int IntervalMs, std::function<void()> Tick) {
    if (!impl) impl = std::make_unique<Impl>();
    int id = impl->nextId++;
    auto* t = new QTimer;
    t->setInterval(std::max(0, IntervalMs));
    QObject::connect(t, &QTimer::timeout, [Tick]() { Tick(); });
    impl->timers[id] = t;
    t->start();
    return id;
}

void TQtTimerSource::StopTimer(int Id) {
    if (!impl) return;
    auto it = impl->timers.find(Id);
    if (it == impl->timers.end()) return;
    it->second->stop();
    it->second->deleteLater();
    impl->timers.erase(it);
}

int TManualTimerSource::StartTimer(int IntervalMs, std::function<void()> Tick) {
    int iv = std::max(1, IntervalMs);
    timers.push_back(Timer{nextId, iv, now + iv, std::move(Tick)});
    return nextId++;
}

void TManualTimerSource::StopTimer(int Id) {
    for (auto it = timers.begin(); it != timers.end(); ++it)
        if (it->Id == Id) {
            timers.erase(it);
            return;
        }
}

void TManualTimerSource::Advance(int Ms) {
    int64_t target = now + std::max(0, Ms);
    for (;;) {
        // the earliest timer due by the target time (lowest id among equals)
        int best = -1;
        for (size_t i = 0; i < timers.size(); ++i)
            if (timers[i].Due <= target && (best < 0 || timers[i].Due < timers[size_t(best)].Due))
                best = int(i);
        if (best < 0) break;
        Timer& t = timers[size_t(best)];
        now = t.Due;
        t.Due += t.Interval;
        std::function<void()> tick = t.Tick; // the tick may stop or start timers
        tick();
    }
    now = target;
}

int TManualTimerSource::ActiveCount() const {
    return int(timers.size());
}

bool TManualTimerSource::IsActive(int Id) const {
    for (const Timer& t : timers)
        if (t.Id == Id) return true;
    return false;
}

int TManualTimerSource::Interval(int Id) const {
    for (const Timer& t : timers)
        if (t.Id == Id) return t.Interval;
    return -1;
}

namespace {
TTimerSource* currentTimerSource = nullptr;
TQtTimerSource& qtTimers() {
    static TQtTimerSource s;
    return s;
}
} // namespace

TTimerSource* GetTimerSource() {
    return currentTimerSource ? currentTimerSource : &qtTimers();
}

TTimerSource* SetTimerSource(TTimerSource* Source) {
    TTimerSource* old = GetTimerSource();
    currentTimerSource = Source;
    return old;
}

uintptr_t SetTimer(HWND Wnd, uintptr_t IDEvent, UINT Elapse) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b) return 0;
    KillTimer(Wnd, IDEvent);
    TTimerSource* src = GetTimerSource();
    QPointer<QWidget> guard(Wnd);
    int id = src->StartTimer(int(Elapse), [guard, Wnd, IDEvent]() {
        if (!guard) return;
        if (TWndBridge* bb = BridgeOf(Wnd)) bb->send(WM_TIMER, WPARAM(IDEvent), 0);
    });
    b->timers[IDEvent] = {src, id};
    return IDEvent;
}

bool KillTimer(HWND Wnd, uintptr_t IDEvent) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b) return false;
    auto it = b->timers.find(IDEvent);
    if (it == b->timers.end()) return false;
    it->second.first->StopTimer(it->second.second);
    b->timers.erase(it);
    return true;
}

void TWndBridge::killTimers() {
    for (auto& [id, t] : timers)
        t.first->StopTimer(t.second);
    timers.clear();
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

// ---- caret
// ---------------------------------------------------------------------------------------

TCaretState& Caret() {
    static TCaretState c;
    return c;
}

namespace {
void invalidateCaret() {
    TCaretState& c = Caret();
    if (TWndBridge* b = BridgeOf(c.Wnd)) {
        QRect r(c.X, c.Y, std::max(1, c.Width), std::max(1, c.Height));
        r.translate(b->clientOffset());
        b->flush += r;
        c.Wnd->update(r);
    }
}
} // namespace

bool CreateCaret(HWND Wnd, int Width, int Height) {
    if (!IsWindow(Wnd)) return false;
    DestroyCaret();
    TCaretState& c = Caret();
    c.Wnd = Wnd;
    c.Width = Width ? Width : 1;
    c.Height = Height;
    c.X = c.Y = 0;
    c.HideCount = 1;
    return true;
}

bool DestroyCaret() {
    TCaretState& c = Caret();
    if (c.Wnd && c.HideCount == 0) invalidateCaret();
    c = TCaretState();
    return true;
}

bool ShowCaret(HWND Wnd) {
    TCaretState& c = Caret();
    if (!c.Wnd || (Wnd && Wnd != c.Wnd)) return false;
    if (c.HideCount > 0 && --c.HideCount == 0) invalidateCaret();
    return true;
}

bool HideCaret(HWND Wnd) {
    TCaretState& c = Caret();
    if (!c.Wnd || (Wnd && Wnd != c.Wnd)) return false;
    if (c.HideCount++ == 0) invalidateCaret();
    return true;
}

bool SetCaretPos(int X, int Y) {
    TCaretState& c = Caret();
    if (!c.Wnd) return false;
    if (c.HideCount == 0) invalidateCaret();
    c.X = X;
    c.Y = Y;
    if (c.HideCount == 0) invalidateCaret();
    return true;
}

bool GetCaretPos(TPoint& Point) {
    TCaretState& c = Caret();
    if (!c.Wnd) return false;
    Point = TPoint{c.X, c.Y};
    return true;
}

bool CaretVisible() {
    return Caret().Wnd && Caret().HideCount == 0;
}

// ---- scroll bars
// -------------------------------------------------------------------------------------

namespace {
int barRange(const TScrollInfo& i) {
    return i.nMax - i.nMin + 1;
}

// The largest position the thumb can reach: nMax - max(nPage - 1, 0).
int maxPos(const TScrollInfo& i) {
    int page = int(i.nPage);
    return std::max(i.nMin, i.nMax - std::max(page - 1, 0));
}
} // namespace

int SetScrollInfo(HWND Wnd, int Bar, const TScrollInfo& Info, bool Redraw) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b || (Bar != SB_HORZ && Bar != SB_VERT)) return 0;
    TWndBridge::Bar& bar = b->bars[Bar];
    TScrollInfo& s = bar.info;
    if (Info.fMask & SIF_RANGE) {
        s.nMin = Info.nMin;
        s.nMax = Info.nMax;
    }
    if (Info.fMask & SIF_PAGE) s.nPage = std::min<UINT>(Info.nPage, UINT(std::max(0, barRange(s))));
    if (Info.fMask & SIF_POS) s.nPos = Info.nPos;
    s.nPos = std::clamp(s.nPos, s.nMin, maxPos(s));
    if (Info.fMask & SIF_DISABLENOSCROLL) bar.forced = true;
    bool needed = s.nMax > s.nMin && (s.nPage == 0 || int(s.nPage) < barRange(s));
    b->setBarVisible(Bar, needed || bar.forced);
    if (bar.sb) {
        bar.setting = true;
        bar.sb->setRange(s.nMin, maxPos(s));
        bar.sb->setPageStep(std::max<int>(1, int(s.nPage)));
        bar.sb->setEnabled(needed);
        if (!bar.tracking) bar.sb->setValue(s.nPos);
        bar.setting = false;
    }
    return s.nPos;
}

bool GetScrollInfo(HWND Wnd, int Bar, TScrollInfo& Info) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b || (Bar != SB_HORZ && Bar != SB_VERT)) return false;
    const TScrollInfo& s = b->bars[Bar].info;
    if (Info.fMask & SIF_RANGE) {
        Info.nMin = s.nMin;
        Info.nMax = s.nMax;
    }
    if (Info.fMask & SIF_PAGE) Info.nPage = s.nPage;
    if (Info.fMask & SIF_POS) Info.nPos = s.nPos;
    if (Info.fMask & SIF_TRACKPOS)
        Info.nTrackPos =
            b->bars[Bar].tracking && b->bars[Bar].sb ? b->bars[Bar].sb->sliderPosition() : s.nPos;
    return true;
}

int SetScrollPos(HWND Wnd, int Bar, int Pos, bool Redraw) {
    TScrollInfo old;
    old.fMask = SIF_POS;
    if (!GetScrollInfo(Wnd, Bar, old)) return 0;
    TScrollInfo i;
    i.fMask = SIF_POS;
    i.nPos = Pos;
    SetScrollInfo(Wnd, Bar, i, Redraw);
    return old.nPos;
}

int GetScrollPos(HWND Wnd, int Bar) {
    TScrollInfo i;
    i.fMask = SIF_POS;
    return GetScrollInfo(Wnd, Bar, i) ? i.nPos : 0;
}

bool SetScrollRange(HWND Wnd, int Bar, int Min, int Max, bool Redraw) {
    TScrollInfo i;
    i.fMask = SIF_RANGE;
    i.nMin = Min;
    i.nMax = Max;
    return SetScrollInfo(Wnd, Bar, i, Redraw) >= 0 && IsWindow(Wnd);
}

bool ShowScrollBar(HWND Wnd, int Bar, bool Show) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b) return false;
    for (int i = 0; i < 2; ++i)
        if (Bar == i || Bar == SB_BOTH) {
            b->bars[i].forced = Show;
            const TScrollInfo& s = b->bars[i].info;
            bool needed = s.nMax > s.nMin && (s.nPage == 0 || int(s.nPage) < barRange(s));
            b->setBarVisible(i, Show || (needed && Show));
            if (!Show) b->setBarVisible(i, false);
        }
    return true;
}

bool ScrollBarVisible(HWND Wnd, int Bar) {
    TWndBridge* b = BridgeOf(Wnd);
    return b && (Bar == SB_HORZ || Bar == SB_VERT) && b->bars[Bar].shown;
}

QScrollBar* WindowScrollBar(HWND Wnd, int Bar) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b || (Bar != SB_HORZ && Bar != SB_VERT)) return nullptr;
    return b->bars[Bar].shown ? b->bars[Bar].sb : nullptr;
}

void TWndBridge::setBarVisible(int bar, bool show) {
    Bar& b = bars[bar];
    if (b.shown == show) return;
    b.shown = show;
    if (show && !b.sb) {
        b.sb = new QScrollBar(bar == SB_HORZ ? Qt::Horizontal : Qt::Vertical, widget);
        b.sb->setFocusPolicy(Qt::NoFocus);
        b.sb->setCursor(Qt::ArrowCursor);
        QObject::connect(b.sb, &QAbstractSlider::actionTriggered,
                         [this, bar](int action) { scrollAction(bar, action); });
        QObject::connect(b.sb, &QAbstractSlider::sliderReleased, [this, bar]() {
            Bar& bb = bars[bar];
            if (!bb.tracking) return;
            int pos = bb.sb->sliderPosition();
            bb.tracking = false;
            UINT msg = bar == SB_HORZ ? WM_HSCROLL : WM_VSCROLL;
            send(msg, MAKEWPARAM(SB_THUMBPOSITION, pos), 0);
            send(msg, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
            if (bars[bar].sb) {
                bars[bar].setting = true;
                bars[bar].sb->setValue(bars[bar].info.nPos);
                bars[bar].setting = false;
            }
        });
    }
    if (b.sb) b.sb->setVisible(show);
    layoutScrollBars();
    // the client area changed size
    if (control) {
        QRect c = clientArea();
        send(WM_SIZE, SIZE_RESTORED, MAKELONG(c.width(), c.height()));
    }
    widget->update();
}

void TWndBridge::scrollAction(int bar, int action) {
    Bar& b = bars[bar];
    if (b.setting || !b.sb) return;
    UINT msg = bar == SB_HORZ ? WM_HSCROLL : WM_VSCROLL;
    int code = -1;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        code = SB_LINEDOWN;
        break;
    case QAbstractSlider::SliderSingleStepSub:
        code = SB_LINEUP;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        code = SB_PAGEDOWN;
        break;
    case QAbstractSlider::SliderPageStepSub:
        code = SB_PAGEUP;
        break;
    case QAbstractSlider::SliderToMinimum:
        code = SB_TOP;
        break;
    case QAbstractSlider::SliderToMaximum:
        code = SB_BOTTOM;
        break;
    case QAbstractSlider::SliderMove:
        code = SB_THUMBTRACK;
        break;
    default:
        return;
    }
    if (code == SB_THUMBTRACK) {
        b.tracking = true;
        int pos = b.sb->sliderPosition();
        send(msg, MAKEWPARAM(SB_THUMBTRACK, pos), 0);
        return;
    }
    // The position stays where the program puts it.
    b.setting = true;
    b.sb->setSliderPosition(b.info.nPos);
    b.setting = false;
    send(msg, MAKEWPARAM(code, 0), 0);
    send(msg, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
}

void TWndBridge::layoutScrollBars() {
    QRect all = widget->rect().adjusted(ncBorder, ncBorder + ncTop, -ncBorder, -ncBorder);
    int vw = bars[SB_VERT].shown ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    int hh = bars[SB_HORZ].shown ? GetSystemMetrics(SM_CYHSCROLL) : 0;
    if (bars[SB_VERT].shown && bars[SB_VERT].sb)
        bars[SB_VERT].sb->setGeometry(all.right() + 1 - vw, all.top(), vw, all.height() - hh);
    if (bars[SB_HORZ].shown && bars[SB_HORZ].sb)
        bars[SB_HORZ].sb->setGeometry(all.left(), all.bottom() + 1 - hh, all.width() - vw, hh);
}

QRect TWndBridge::clientArea() const {
    QRect all = widget->rect().adjusted(ncBorder, ncBorder + ncTop, -ncBorder, -ncBorder);
    if (bars[SB_VERT].shown) all.setRight(all.right() - GetSystemMetrics(SM_CXVSCROLL));
    if (bars[SB_HORZ].shown) all.setBottom(all.bottom() - GetSystemMetrics(SM_CYHSCROLL));
    if (all.width() < 0) all.setWidth(0);
    if (all.height() < 0) all.setHeight(0);
    return all;
}

// ---- system metrics
// ----------------------------------------------------------------------------------

int GetSystemMetrics(int Index) {
    switch (Index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
        return Screen->GetWidth();
    case SM_CYSCREEN:
    case SM_CYFULLSCREEN:
        return Screen->GetHeight();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVSCROLL:
        return 16;
    case SM_CYCAPTION:
        return 19;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CYMENU:
        return 19;
    case SM_CXMIN:
        return 112;
    case SM_CYMIN:
        return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
        return 4;
    case SM_CXDRAG:
    case SM_CYDRAG:
        return 4;
    default:
        return 0;
    }
}

TRect GetWorkArea() {
    return Screen->GetWorkAreaRect();
}

UINT GetDoubleClickTime() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? UINT(QGuiApplication::styleHints()->mouseDoubleClickInterval())
               : 500u;
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

// ---- the bridge
// ------------------------------------------------------------------------------------

TWinWidget::TWinWidget(QWidget* parent, Qt::WindowFlags f) : QWidget(parent, f) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

TWndBridge::TWndBridge(QWidget* w, TWinControl* c) : QObject(nullptr), widget(w), control(c) {
    bridges().insert(w, this);
    w->installEventFilter(this);
}

TWndBridge::~TWndBridge() {
    killTimers();
    if (widget) {
        widget->removeEventFilter(this);
        bridges().remove(widget);
    }
    for (Bar& b : bars)
        if (b.sb) {
            b.sb->disconnect();
            b.sb->deleteLater();
            b.sb = nullptr;
        }
}

LRESULT TWndBridge::send(UINT Msg, WPARAM WParam, LPARAM LParam, bool* DefaultReached,
                         WPARAM* FinalWParam) {
    tracks().push_back(DefaultTrack{widget, Msg, false, WParam});
    LRESULT r = 0;
    TObject* sender = control;
    try {
        r = SendMessage(widget, Msg, WParam, LParam);
    } catch (...) {
        HandleCurrentException(sender);
    }
    bool reached = tracks().back().Reached;
    WPARAM finalW = tracks().back().WParam;
    tracks().pop_back();
    if (DefaultReached) *DefaultReached = reached;
    if (FinalWParam) *FinalWParam = finalW;
    return r;
}

void TWndBridge::ensureBacking() {
    QSize s = widget->size();
    if (s.isEmpty()) s = QSize(1, 1);
    if (backing.size() != s) {
        QImage n(s, QImage::Format_RGB32);
        n.fill(ColorToQColor(control ? control->GetColor() : clBtnFace));
        if (!backing.isNull()) {
            QPainter p(&n);
            p.drawImage(0, 0, backing);
        }
        backing = n;
        valid = QRegion();
    }
}

void TWndBridge::drawFrame(QPainter& p) {
    QRect r = widget->rect();
    if (ncStyle == 1) {
        p.setPen(ColorToQColor(clWindowFrame));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    } else if (ncStyle == 2) {
        QColor shadow = ColorToQColor(clBtnShadow), dark = ColorToQColor(cl3DDkShadow);
        QColor hi = ColorToQColor(clBtnHighlight), light = ColorToQColor(cl3DLight);
        int x1 = r.left(), y1 = r.top(), x2 = r.right(), y2 = r.bottom();
        p.setPen(shadow);
        p.drawLine(x1, y1, x2 - 1, y1);
        p.drawLine(x1, y1, x1, y2 - 1);
        p.setPen(hi);
        p.drawLine(x1, y2, x2, y2);
        p.drawLine(x2, y1, x2, y2);
        p.setPen(dark);
        p.drawLine(x1 + 1, y1 + 1, x2 - 2, y1 + 1);
        p.drawLine(x1 + 1, y1 + 1, x1 + 1, y2 - 2);
        p.setPen(light);
        p.drawLine(x1 + 1, y2 - 1, x2 - 1, y2 - 1);
        p.drawLine(x2 - 1, y1 + 1, x2 - 1, y2 - 1);
    }
    // the corner between two scroll bars
    if (bars[SB_HORZ].shown && bars[SB_VERT].shown) {
        QRect c = clientArea();
        int vw = GetSystemMetrics(SM_CXVSCROLL), hh = GetSystemMetrics(SM_CYHSCROLL);
        p.fillRect(QRect(c.right() + 1, c.bottom() + 1, vw, hh), ColorToQColor(clBtnFace));
    }
}

void TWndBridge::paintNow(const QRegion& region) {
    FreeOutsideCanvases(widget);
    ensureBacking();
    // Parts asked only to be shown again are copied; the rest is painted by the control.
    QRegion repaint = region - ((flush - invalid) & valid);
    invalid -= region;
    flush -= region;
    valid += repaint;
    if (!repaint.isEmpty() && control) {
        QPainter p(&backing);
        p.setClipRegion(repaint);
        drawFrame(p);
        QRect client = clientArea();
        p.translate(client.topLeft());
        p.setClipping(false);
        TCanvas canvas;
        canvas.SetHandle(&p);
        QRegion clip = (repaint & QRegion(client)).translated(-client.topLeft());
        canvas.SelectClipRgn(&clip);
        paintCanvas = &canvas;
        paintPainter = &p;
        QWidget* w0 = widget;
        TWndBridge* self = this;
        send(WM_ERASEBKGND, WPARAM(&canvas), 0);
        if (BridgeOf(w0) == self) send(WM_PAINT, 0, 0);
        if (BridgeOf(w0) != self) return;
        paintCanvas = nullptr;
        paintPainter = nullptr;
        canvas.SetHandle(nullptr);
    }
    QPainter wp(widget);
    wp.setClipRegion(region);
    wp.drawImage(0, 0, backing);
    const TCaretState& c = Caret();
    if (c.Wnd == widget && c.HideCount == 0) {
        wp.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        wp.fillRect(QRect(c.X, c.Y, c.Width, c.Height).translated(clientOffset()), Qt::white);
    }
}

namespace {
WPARAM mouseKeys(Qt::MouseButtons b, Qt::KeyboardModifiers m) {
    WPARAM k = 0;
    if (b & Qt::LeftButton) k |= MK_LBUTTON;
    if (b & Qt::RightButton) k |= MK_RBUTTON;
    if (b & Qt::MiddleButton) k |= MK_MBUTTON;
    if (m & Qt::ShiftModifier) k |= MK_SHIFT;
    if (m & Qt::ControlModifier) k |= MK_CONTROL;
    return k;
}

UINT buttonMessage(Qt::MouseButton b, int kind) // kind 0 down, 1 up, 2 double
{
    UINT base = b == Qt::RightButton    ? WM_RBUTTONDOWN
                : b == Qt::MiddleButton ? WM_MBUTTONDOWN
                                        : WM_LBUTTONDOWN;
    return base + UINT(kind);
}

// The character a key event types, as the platform's translation would give it.
QString typedChars(const QKeyEvent* k) {
    QString t = k->text();
    int key = k->key();
    if (!t.isEmpty()) {
        if (t.size() == 1 && t.at(0) == QChar(0x7F)) return QString(); // Delete types nothing
        return t;
    }
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QString(QChar(13));
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return QString(QChar(9));
    case Qt::Key_Escape:
        return QString(QChar(27));
    case Qt::Key_Backspace:
        return QString(QChar(8));
    default:
        break;
    }
    if ((k->modifiers() & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
        return QString(QChar(char16_t(key - Qt::Key_A + 1)));
    return QString();
}
} // namespace

bool TWndBridge::eventFilter(QObject* o, QEvent* e) {
    if (o != widget || !control) return false;
    QWidget* w0 = widget;
    TWndBridge* self = this;
    auto alive = [w0, self]() { return BridgeOf(w0) == self; };
    // Hands an input event to a native control's own handling and ends its delivery there: an
    // event the control ignores must not travel on to the parent window (its messages were
    // made already).
    auto passOn = [w0](bool toWidget, QEvent* ev) {
        if (toWidget) static_cast<QObject*>(w0)->event(ev);
        return true;
    };
    switch (e->type()) {
    case QEvent::Paint: {
        auto* pe = static_cast<QPaintEvent*>(e);
        if (native) {
            bool reached = false;
            send(WM_PAINT, 0, 0, &reached);
            return !reached;
        }
        paintNow(pe->region());
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(e);
        SetTrackedInputState(me->modifiers(), me->buttons());
        {
            QPoint g = widget->mapToGlobal(me->position().toPoint());
            SetTrackedCursorPos(TPoint{g.x(), g.y()});
        }
        HWND target = widget;
        QPoint local = me->position().toPoint();
        // A captured window gets the mouse wherever it is.
        HWND cap = GetCapture();
        if (cap && cap != widget && BridgeOf(cap)) {
            local = cap->mapFromGlobal(widget->mapToGlobal(local));
            target = cap;
        }
        TWndBridge* tb = BridgeOf(target);
        QPoint cp = local - tb->clientOffset();
        LPARAM lp = MAKELONG(cp.x(), cp.y());
        WPARAM keys = mouseKeys(me->buttons(), me->modifiers());
        if (e->type() == QEvent::MouseMove) {
            if (TWinControl* c = tb->control) {
                TControl* under = c->ControlAtPos(TPoint{cp.x(), cp.y()}, false, false);
                TrackMouseControl(under ? under : c);
            }
            tb->send(WM_SETCURSOR, WPARAM(target), MAKELONG(HTCLIENT, WM_MOUSEMOVE));
            bool reached = false;
            tb->send(WM_MOUSEMOVE, keys, lp, &reached);
            return passOn(tb->native && reached && alive(), e);
        }
        int kind = e->type() == QEvent::MouseButtonPress     ? 0
                   : e->type() == QEvent::MouseButtonRelease ? 1
                                                             : 2;
        // A button pressed in a window that does not want double clicks is a plain press.
        if (kind == 2 &&
            !(tb->control && (tb->control->GetCreatedParams().WindowClassStyle & CS_DBLCLKS)))
            kind = 0;
        if (kind == 0 || kind == 2) {
            // make the window's form active (as a click on a window does)
            if (TCustomForm* f = GetParentForm(tb->control))
                if (Screen->GetFocusedForm() != f && f->GetVisible()) f->SetWindowFocus();
        }
        if (!alive()) return true;
        bool reached = false;
        tb->send(buttonMessage(me->button(), kind), keys, lp, &reached);
        if (kind == 1 && me->button() == Qt::RightButton && alive()) {
            QPoint g = target->mapToGlobal(local);
            tb->send(WM_CONTEXTMENU, WPARAM(target), MAKELONG(g.x(), g.y()));
        }
        return passOn(tb->native && reached && alive(), e);
    }
    case QEvent::InputMethod: {
        // Text committed by an input method reaches an owner-drawn control as characters,
        // like typed ones.
        if (native) return false;
        auto* ie = static_cast<QInputMethodEvent*>(e);
        for (QChar ch : ie->commitString()) {
            if (!alive()) return true;
            send(WM_CHAR, ch.unicode(), 1);
        }
        e->accept();
        return true;
    }
    case QEvent::Wheel: {
        auto* we = static_cast<QWheelEvent*>(e);
        SetTrackedInputState(we->modifiers(), we->buttons());
        int delta = we->angleDelta().y();
        if (delta == 0) delta = we->angleDelta().x();
        QPoint g = we->globalPosition().toPoint();
        bool reached = false;
        // The wheel goes to the window under the pointer (Qt delivers it there), as on every
        // current desktop, whichever window has the focus.
        send(WM_MOUSEWHEEL, MAKEWPARAM(int(mouseKeys(we->buttons(), we->modifiers())), delta),
             MAKELONG(g.x(), g.y()), &reached);
        if (native && reached && alive()) {
            // A native control scrolls itself; one that cannot leaves the event unaccepted
            // and Qt hands it on to the parent window.
            static_cast<QObject*>(w0)->event(e);
            return true;
        }
        // Handled here, or passed on to the parent control already.
        e->accept();
        return true;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto* ke = static_cast<QKeyEvent*>(e);
        SetTrackedInputState(ke->modifiers(), QGuiApplication::mouseButtons());
        WORD vk = QtKeyToVirtualKey(ke->key(), ke->text(), ke->modifiers() & Qt::KeypadModifier);
        bool alt = ke->modifiers() & Qt::AltModifier;
        LPARAM data = 1 | (LPARAM(ke->nativeScanCode() & 0xFF) << 16);
        if (alt) data |= KF_ALTDOWN_BIT;
        if (ke->isAutoRepeat()) data |= KF_REPEAT_BIT;
        if (e->type() == QEvent::KeyRelease) {
            data |= KF_REPEAT_BIT | KF_UP_BIT;
            if (vk == 0) return passOn(native, e);
            if (send(CN_BASE + (alt ? WM_SYSKEYUP : WM_KEYUP), vk, data) != 0) return true;
            if (!alive()) return true;
            bool reached = false;
            send(alt ? WM_SYSKEYUP : WM_KEYUP, vk, data, &reached);
            return passOn(native && reached && alive(), e);
        }
        bool nativeKey = true;
        if (vk != 0) {
            if (send(alt ? CN_SYSKEYDOWN : CN_KEYDOWN, vk, data) != 0) return true;
            if (!alive()) return true;
            bool reached = false;
            send(alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, data, &reached);
            nativeKey = reached;
            if (!alive()) return true;
        }
        QString chars = typedChars(ke);
        QString passed;
        bool charsReached = true;
        for (QChar ch : chars) {
            if (!alive()) return true;
            UINT cn = alt ? CN_SYSCHAR : CN_CHAR;
            if (send(cn, ch.unicode(), data) != 0) {
                charsReached = false;
                continue;
            }
            if (!alive()) return true;
            bool reached = false;
            WPARAM finalChar = ch.unicode();
            send(alt ? WM_SYSCHAR : WM_CHAR, ch.unicode(), data, &reached, &finalChar);
            if (reached && finalChar != ch.unicode()) charsReached = false;
            if (reached && finalChar != 0) passed += QChar(char16_t(finalChar));
            if (!reached) charsReached = false;
            continue;
        }
        if (!native) return true;
        if (!nativeKey) return true;
        // Characters typed with Alt went to the accelerators; the native control types none.
        if (alt && !chars.isEmpty()) return true;
        if (!chars.isEmpty() && !charsReached) {
            // Let the native control type only what got through.
            if (!passed.isEmpty() && alive()) {
                QKeyEvent again(QEvent::KeyPress, 0, ke->modifiers(), passed);
                static_cast<QObject*>(widget)->event(&again);
            }
            return true;
        }
        return passOn(alive(), e);
    }
    case QEvent::FocusIn: {
        // Qt moved the focus on its own (a click on a native control, window activation).
        HWND f = GetFocus();
        if (f == widget) return false;
        if (f && widget->isAncestorOf(f)) {
            // the window got the focus back: it belongs to the control that had it
            if (f->isVisible()) f->setFocus(Qt::OtherFocusReason);
            return false;
        }
        ::SetFocus(widget);
        return false;
    }
    case QEvent::FocusOut:
        return false;
    case QEvent::Enter:
        return false;
    case QEvent::Leave: {
        if (control && Application->GetMouseControl() &&
            (Application->GetMouseControl() == control ||
             Application->GetMouseControl()->GetParent() == control)) {
            QPoint g = QCursor::pos();
            if (!widget->rect().contains(widget->mapFromGlobal(g))) TrackMouseControl(nullptr);
        }
        return false;
    }
    case QEvent::Resize: {
        layoutScrollBars();
        if (!native) ensureBacking();
        QRect c = clientArea();
        WPARAM kind = widget->isMinimized()   ? SIZE_MINIMIZED
                      : widget->isMaximized() ? SIZE_MAXIMIZED
                                              : SIZE_RESTORED;
        send(WM_SIZE, kind, MAKELONG(c.width(), c.height()));
        return false;
    }
    case QEvent::Move: {
        QPoint p = widget->pos();
        send(WM_MOVE, 0, MAKELONG(p.x(), p.y()));
        return false;
    }
    case QEvent::Close: {
        bool reached = false;
        send(WM_CLOSE, 0, 0, &reached);
        if (!alive()) return true;
        // Only the default handling lets Qt close the window; forms decide themselves.
        if (!reached) e->ignore();
        return !reached;
    }
    case QEvent::WindowActivate:
        send(WM_ACTIVATE, WA_ACTIVE, 0);
        return false;
    case QEvent::WindowDeactivate:
        send(WM_ACTIVATE, WA_INACTIVE, 0);
        return false;
    case QEvent::ContextMenu:
        // generated from WM_RBUTTONUP (and the menu key) instead
        if (static_cast<QContextMenuEvent*>(e)->reason() == QContextMenuEvent::Keyboard) {
            send(WM_CONTEXTMENU, WPARAM(widget), MAKELONG(-1, -1));
        }
        return true;
    case QEvent::ShortcutOverride:
        return false;
    default:
        return false;
    }
}
