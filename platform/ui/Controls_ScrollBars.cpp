// The scroll bars of windows.
#include "Controls.h"
#include "UiInternal.h"

#include <QScrollBar>

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
