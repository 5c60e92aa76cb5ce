// Shared pieces of the ui tests: probes that log their messages and helpers that send real Qt
// input events.
#pragma once

#include "Controls.h"
#include "Dialogs.h"
#include "Forms.h"
#include "TestSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>
#include <set>
#include <vector>

struct LoggedMsg {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
};

// Keeps the messages of interest a control receives, in order.
class MessageLog {
public:
    std::vector<LoggedMsg> All;
    void Add(const TMessage& m) { All.push_back(LoggedMsg{m.Msg, m.WParam, m.LParam}); }
    void Clear() { All.clear(); }
    // The message numbers among Interesting, in order.
    std::vector<UINT> Only(const std::set<UINT>& Interesting) const {
        std::vector<UINT> v;
        for (const LoggedMsg& m : All)
            if (Interesting.count(m.Msg)) v.push_back(m.Msg);
        return v;
    }
    const LoggedMsg* First(UINT Msg) const {
        for (const LoggedMsg& m : All)
            if (m.Msg == Msg) return &m;
        return nullptr;
    }
    int Count(UINT Msg) const {
        int n = 0;
        for (const LoggedMsg& m : All)
            n += m.Msg == Msg;
        return n;
    }
};

// A windowed control that paints itself in one colour and logs its messages.
class TProbe : public TCustomControl {
    KADRION_CLASS(TProbe)
    explicit TProbe(TComponent* AOwner) : TCustomControl(AOwner) { SetTabStop(true); }
    void WndProc(TMessage& Message) override {
        Log.Add(Message);
        if (Message.Msg == WM_GETDLGCODE) {
            Message.Result = DlgCode;
            return;
        }
        TCustomControl::WndProc(Message);
    }
    void Paint() override {
        if (PaintWith) return PaintWith(GetCanvas());
        GetCanvas()->GetBrush()->SetColor(PaintColor);
        GetCanvas()->FillRect(GetClientRect());
    }
    MessageLog Log;
    std::function<void(TCanvas*)> PaintWith;
    LRESULT DlgCode = 0;
    TColor PaintColor = clRed;
};

// A windowless control painted by its parent.
class TGraphicProbe : public TGraphicControl {
    KADRION_CLASS(TGraphicProbe)
    explicit TGraphicProbe(TComponent* AOwner) : TGraphicControl(AOwner) {}
    void WndProc(TMessage& Message) override {
        Log.Add(Message);
        TGraphicControl::WndProc(Message);
    }
    void Paint() override {
        GetCanvas()->GetBrush()->SetColor(clBlue);
        GetCanvas()->FillRect(GetClientRect());
    }
    MessageLog Log;
};

// Real Qt input on a control's widget (client co-ordinates of a windowless control's parent).
inline QPoint WidgetPoint(TWinControl* C, int X, int Y) {
    QPoint off =
        C->GetHandle()->mapFromGlobal(QPoint(C->GetClientOrigin().X, C->GetClientOrigin().Y));
    return QPoint(X, Y) + off;
}

inline void SendMouse(TWinControl* C, QEvent::Type T, int X, int Y,
                      Qt::MouseButton B = Qt::LeftButton, Qt::KeyboardModifiers M = {}) {
    QWidget* w = C->GetHandle();
    QPoint p = WidgetPoint(C, X, Y);
    Qt::MouseButtons held = (T == QEvent::MouseButtonRelease || T == QEvent::MouseMove)
                                ? Qt::MouseButtons()
                                : Qt::MouseButtons(B);
    QMouseEvent e(T, QPointF(p), QPointF(w->mapToGlobal(p)),
                  T == QEvent::MouseMove ? Qt::NoButton : B, held, M);
    QCoreApplication::sendEvent(w, &e);
}

inline void Click(TWinControl* C, int X, int Y) {
    SendMouse(C, QEvent::MouseButtonPress, X, Y);
    SendMouse(C, QEvent::MouseButtonRelease, X, Y);
}

inline void SendKey(TWinControl* C, int Key, const QString& Text, Qt::KeyboardModifiers M = {}) {
    QKeyEvent down(QEvent::KeyPress, Key, M, Text);
    QCoreApplication::sendEvent(C->GetHandle(), &down);
    QKeyEvent up(QEvent::KeyRelease, Key, M, Text);
    QCoreApplication::sendEvent(C->GetHandle(), &up);
}

// Installs the scripted dialogs for one test.
class ScriptedDialogs {
public:
    ScriptedDialogs() : swap(&Script) {}
    TScriptedInteraction Script;

private:
    TUserInteractionSwap swap;
};

// Installs a manual timer source for one test.
class ManualTimers {
public:
    ManualTimers() : previous(SetTimerSource(&Source)) {}
    ~ManualTimers() { SetTimerSource(previous); }
    TManualTimerSource Source;

private:
    TTimerSource* previous;
};
