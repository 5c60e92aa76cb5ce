// Internal to the ui library: the bridge object that sits on every window's widget.
#pragma once

#include "Controls.h"
#include "WinWidget.h"

#include <QImage>
#include <QObject>
#include <QRegion>
#include <QWidget>
#include <map>

class QScrollBar;

// One per window: turns the widget's Qt events into messages, holds the window procedure,
// the painting buffer, scroll bars and timers of the window.
class TWndBridge : public QObject {
public:
    TWndBridge(QWidget* w, TWinControl* c);
    ~TWndBridge() override;

    QWidget* widget;
    TWinControl* control;
    TWndMethod method; // windows made by AllocateHWnd
    TWndProc proc;
    // A native Qt control: its events go on to it when their message reached DefaultHandler.
    bool native = false;
    int ncBorder = 0;
    int ncTop = 0;   // extra non-client strip along the top (a form's menu bar)
    int ncStyle = 0; // 0 none, 1 single line, 2 sunken edge

    // painting
    QImage backing;
    QRegion invalid;
    QRegion flush;
    QRegion valid; // parts of the image that hold the window's painting
    TCanvas* paintCanvas = nullptr;
    QPainter* paintPainter = nullptr;

    // scroll bars (SB_HORZ, SB_VERT)
    struct Bar {
        QScrollBar* sb = nullptr;
        TScrollInfo info;
        bool shown = false;
        bool forced = false; // ShowScrollBar / SIF_DISABLENOSCROLL
        bool tracking = false;
        bool setting = false;
    };
    Bar bars[2];

    std::map<uintptr_t, std::pair<TTimerSource*, int>> timers;

    bool eventFilter(QObject* o, QEvent* e) override;
    // Sends through the window procedure, catching any exception for HandleException.
    LRESULT send(UINT Msg, WPARAM WParam, LPARAM LParam, bool* DefaultReached = nullptr,
                 WPARAM* FinalWParam = nullptr);
    // The client area in widget co-ordinates.
    QRect clientArea() const;
    QPoint clientOffset() const { return QPoint(ncBorder, ncBorder + ncTop); }
    void layoutScrollBars();
    void ensureBacking();
    void paintNow(const QRegion& region);
    void drawFrame(QPainter& p);
    void killTimers();
    void scrollAction(int bar, int action);
    void setBarVisible(int bar, bool show);
};

TWndBridge* BridgeOf(HWND Wnd);
// Records that the message being delivered reached the end of the chain.
void MarkDefaultReached(HWND Wnd, const TMessage& M);
// Deletes the window: WM_DESTROY through its procedure, then the bridge and the widget.
void DestroyWindowNow(HWND Wnd);
// Frees the canvases that paint on a window from outside its WM_PAINT.
void FreeOutsideCanvases(HWND Wnd);
// Drops queued messages for a window.
void PurgeQueuedMessages(HWND Wnd);
// Hands the exception being handled to the application.
void HandleCurrentException(TObject* Sender);
// The caret of the application (drawn by the bridge after painting).
struct TCaretState {
    HWND Wnd = nullptr;
    int Width = 0, Height = 0, X = 0, Y = 0;
    int HideCount = 1;
};
TCaretState& Caret();
// Tells the application about the control under the mouse.
void TrackMouseControl(TControl* Control);
// Forgets a control that is going away (capture of windowless controls).
void ForgetControl(TControl* Control);
// Drops queued keyboard and mouse messages.
void DiscardQueuedInput();
// The last mouse position the bridge saw (screen), for code that asks where the mouse is.
void SetTrackedCursorPos(const TPoint& P);
TPoint TrackedCursorPos();
