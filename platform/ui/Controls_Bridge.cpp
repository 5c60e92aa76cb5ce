// The bridge between a window's Qt widget and its control: the registry of windows, the
// sending of messages, painting through the window's buffer, and Qt's events turned into messages.
#include "Controls.h"
#include "Forms.h"
#include "UiInternal.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QHash>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QWheelEvent>

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
