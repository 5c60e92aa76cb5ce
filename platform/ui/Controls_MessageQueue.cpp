// The message queue: posted messages, their delivery from Qt's event loop, peeking and purging.
#include "Controls.h"
#include "Forms.h"
#include "UiInternal.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QPointer>
#include <deque>

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
