// Controls: the windowless TControl, the windowed TWinControl over a Qt widget, the painted
// TGraphicControl and TCustomControl, layout (Align, Anchors, Constraints), focus and tab
// order, and the window functions of the platform: messages sent and posted, window
// procedures that hooks can replace, timers by id, mouse capture, caret and scroll bars.
//
// How messages flow. A Qt event on a control's widget is turned by the bridge into one or more
// TMessage and sent through the window's current window procedure (GetWindowProc; by default
// the control's MainWndProc, which calls WindowProc, normally WndProc). WndProc pre-processes
// (mouse messages for windowless children, key preview ...) and calls Dispatch, the message
// table: a descendant adds message handlers by overriding Dispatch with a switch on Msg and
// calling the inherited Dispatch for "inherited" and for every other message. The end of the
// chain is DefaultHandler. For a native Qt widget (an edit, a combo box) the Qt event goes on
// to the widget only when its message reached DefaultHandler. Every exception escaping a
// message sent by the bridge (or by a posted message, a timer) is caught there and handed to
// Application->HandleException; nothing crosses Qt's event loop.
#pragma once

#include "Classes.h"
#include "Graphics.h"
#include "Messages.h"

#include <QCursor>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QWidget;
class TWinControl;
class TCustomForm;
class TControl;
// Defined by the menu and action units; controls only keep pointers to them.
class TPopupMenu;
class TBasicAction;

// ---- shared types -----------------------------------------------------------------------

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
using TAlignSet = TSet<TAlign>;
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;
constexpr TAnchors AnchorsDefault() {
    return TAnchors{akLeft, akTop};
}

enum TControlStyleItem {
    csAcceptsControls,
    csCaptureMouse,
    csDesignInteractive,
    csClickEvents,
    csFramed,
    csSetCaption,
    csOpaque,
    csDoubleClicks,
    csFixedWidth,
    csFixedHeight,
    csNoDesignVisible,
    csReplicatable,
    csNoStdEvents,
    csDisplayDragImage,
    csReflector,
    csActionClient,
    csMenuEvents
};
using TControlStyle = TSet<TControlStyleItem>;

enum TControlStateItem {
    csLButtonDown,
    csClicked,
    csPalette,
    csReadingState,
    csAlignmentNeeded,
    csFocusing,
    csCreating,
    csPaintCopy,
    csCustomPaint,
    csDestroyingHandle,
    csDocking
};
using TControlState = TSet<TControlStateItem>;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TDragMode { dmManual, dmAutomatic };
enum TDragKind { dkDrag, dkDock };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
// TAlignment (taLeftJustify, taRightJustify, taCenter) comes from Classes.h.

// Cursor ids: the standard shapes are negative, custom ones registered in Screen positive.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSize = -22;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// Events.
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TMouseWheelEvent = std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta,
                                            TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent =
    std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, QChar& Key)>;
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;
using TDragOverEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y,
                                          TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TStartDragEvent = std::function<void(TObject* Sender, TObject*& DragObject)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TCanResizeEvent =
    std::function<void(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize)>;
using TConstrainedResizeEvent = std::function<void(TObject* Sender, int& MinWidth, int& MinHeight,
                                                   int& MaxWidth, int& MaxHeight)>;
// A control's message method.
using TWndMethod = std::function<void(TMessage& Message)>;

// ---- window procedures and window functions ----------------------------------------------

// A window procedure. Procedures are compared by identity (the same shared object).
using TWndProcFunc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;
using TWndProc = std::shared_ptr<TWndProcFunc>;
TWndProc MakeWndProc(TWndProcFunc F);

// The window procedure of a window (GWL_WNDPROC); setting returns the previous one.
TWndProc GetWindowProc(HWND Wnd);
TWndProc SetWindowProc(HWND Wnd, TWndProc Proc);
LRESULT CallWindowProc(const TWndProc& Proc, HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// Window procedure index, for code written against Get/SetWindowLong.
constexpr int GWL_WNDPROC = -4;

// Sends through the window's procedure and returns its result (0 for a dead window).
LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// Queues a message; null Wnd posts to the thread (WM_QUIT). False for a dead window.
bool PostMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
void PostQuitMessage(int ExitCode);
// Looks for the first queued message for Wnd (null: any) in [MsgFilterMin, MsgFilterMax]
// (both 0: any); PM_REMOVE takes it out of the queue. Input already handed to Qt is not seen.
bool PeekMessage(TMsg& Msg, HWND Wnd, UINT MsgFilterMin, UINT MsgFilterMax, UINT RemoveMsg);
// Sends a message taken with PeekMessage to its window (guarded like the bridge).
LRESULT DispatchMessage(const TMsg& Msg);
// The number of messages waiting in the queue (for tests and diagnostics).
int QueuedMessageCount();

bool IsWindow(HWND Wnd);
bool IsWindowVisible(HWND Wnd);
bool IsWindowEnabled(HWND Wnd);
bool EnableWindow(HWND Wnd, bool Enable);
bool ShowWindow(HWND Wnd, int CmdShow);
bool SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int CX, int CY, UINT Flags);
HWND GetParent(HWND Wnd);
bool InvalidateRect(HWND Wnd, const TRect* Rect, bool Erase);
bool UpdateWindow(HWND Wnd);
bool ValidateRect(HWND Wnd, const TRect* Rect);
bool ScrollWindow(HWND Wnd, int DX, int DY, const TRect* Rect, const TRect* ClipRect);
bool GetClientRect(HWND Wnd, TRect& Rect);
bool GetWindowRect(HWND Wnd, TRect& Rect);
bool ClientToScreen(HWND Wnd, TPoint& Point);
bool ScreenToClient(HWND Wnd, TPoint& Point);
HWND WindowFromPoint(const TPoint& ScreenPoint);

// The focus window as the class library tracks it; SetFocus returns the previous one. The
// old window gets WM_KILLFOCUS, then the new one WM_SETFOCUS, synchronously.
HWND GetFocus();
HWND SetFocus(HWND Wnd);
HWND GetActiveWindow();

// Mouse capture: the captured window gets every mouse message until released; the one that
// loses it gets WM_CAPTURECHANGED.
HWND GetCapture();
HWND SetCapture(HWND Wnd);
bool ReleaseCapture();
// Capture of a control: a windowless one captures inside its parent's window.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);

// Timers by id per window: WM_TIMER (WParam = id) every Elapse ms through the timer source.
// Setting an id again restarts it. Destroying the window kills its timers.
uintptr_t SetTimer(HWND Wnd, uintptr_t IDEvent, UINT Elapse);
bool KillTimer(HWND Wnd, uintptr_t IDEvent);

// One caret per application, drawn (inverted) over the window's painting while shown.
bool CreateCaret(HWND Wnd, int Width, int Height);
bool DestroyCaret();
bool ShowCaret(HWND Wnd);
bool HideCaret(HWND Wnd);
bool SetCaretPos(int X, int Y);
bool GetCaretPos(TPoint& Point);
bool CaretVisible();

// Scroll bars of a window (SB_HORZ, SB_VERT). A bar shows when its range exceeds its page
// (or always with SIF_DISABLENOSCROLL) and takes room from the client area. Its arrows,
// page areas and thumb send WM_HSCROLL/WM_VSCROLL; the position changes only by SetScrollInfo
// or SetScrollPos, except that the thumb follows the mouse while tracked (nTrackPos).
int SetScrollInfo(HWND Wnd, int Bar, const TScrollInfo& Info, bool Redraw);
bool GetScrollInfo(HWND Wnd, int Bar, TScrollInfo& Info);
int SetScrollPos(HWND Wnd, int Bar, int Pos, bool Redraw);
int GetScrollPos(HWND Wnd, int Bar);
bool SetScrollRange(HWND Wnd, int Bar, int Min, int Max, bool Redraw);
bool ShowScrollBar(HWND Wnd, int Bar, bool Show);
bool ScrollBarVisible(HWND Wnd, int Bar);
// The Qt scroll bar of a window (for tests that click it); null when none.
class QScrollBar;
QScrollBar* WindowScrollBar(HWND Wnd, int Bar);

// System metrics the Parts ask for.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXCURSOR = 13;
constexpr int SM_CYCURSOR = 14;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXFULLSCREEN = 16;
constexpr int SM_CYFULLSCREEN = 17;
constexpr int SM_CXHSCROLL = 21;
constexpr int SM_CYVSCROLL = 20;
constexpr int SM_CXMIN = 28;
constexpr int SM_CYMIN = 29;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int SM_CXDRAG = 68;
constexpr int SM_CYDRAG = 69;
int GetSystemMetrics(int Index);
constexpr UINT SPI_GETWORKAREA = 0x0030;
TRect GetWorkArea();
UINT GetDoubleClickTime();

// A hidden window whose messages go to Method (posted ones included); for helper objects
// that need a window of their own. DeallocateHWnd destroys it and drops its queued messages.
HWND AllocateHWnd(TWndMethod Method);
void DeallocateHWnd(HWND Wnd);

// The control a window handle belongs to (null for other windows).
TWinControl* FindControl(HWND Wnd);

// ---- timer source -------------------------------------------------------------------------

// Where timers come from: real Qt timers, or a manual source in tests that fires them when
// the test moves time forward. Ticks run on the GUI thread.
class TTimerSource {
public:
    virtual ~TTimerSource() = default;
    // Starts a repeating timer; returns a nonzero id.
    virtual int StartTimer(int IntervalMs, std::function<void()> Tick) = 0;
    virtual void StopTimer(int Id) = 0;
};

class TQtTimerSource : public TTimerSource {
public:
    ~TQtTimerSource() override;
    int StartTimer(int IntervalMs, std::function<void()> Tick) override;
    void StopTimer(int Id) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

// Time stands still until Advance; each timer then fires once per elapsed interval, in time
// order (an interval of 0 counts as 1 ms).
class TManualTimerSource : public TTimerSource {
public:
    int StartTimer(int IntervalMs, std::function<void()> Tick) override;
    void StopTimer(int Id) override;
    void Advance(int Ms);
    int ActiveCount() const;
    bool IsActive(int Id) const;
    int Interval(int Id) const;
    int64_t Now() const { return now; }

private:
    struct Timer {
        int Id;
        int Interval;
        int64_t Due;
        std::function<void()> Tick;
    };
    std::vector<Timer> timers;
    int64_t now = 0;
    int nextId = 1;
};

TTimerSource* GetTimerSource();
// Installs a source (not owned; null restores the Qt one) and returns the previous one.
// Timers keep running in the source that started them.
TTimerSource* SetTimerSource(TTimerSource* Source);

// ---- TSizeConstraints --------------------------------------------------------------------

class TSizeConstraints : public TPersistent {
    KADRION_CLASS(TSizeConstraints)
    explicit TSizeConstraints(TControl* AControl) : control(AControl) {}
    void Assign(TPersistent* Source) override;
    int GetMinWidth() const { return minWidth; }
    int GetMinHeight() const { return minHeight; }
    int GetMaxWidth() const { return maxWidth; }
    int GetMaxHeight() const { return maxHeight; }
    void SetMinWidth(int V);
    void SetMinHeight(int V);
    void SetMaxWidth(int V);
    void SetMaxHeight(int V);
    TNotifyEvent OnChange;

private:
    void changed();
    TControl* control;
    int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;
};

// ---- TControl ----------------------------------------------------------------------------

// A control: position in its parent's client area, visibility, colours and font, mouse and
// messages. A windowless TControl is painted and hit-tested by its parent.
class TControl : public TComponent {
    KADRION_CLASS(TControl)
    explicit TControl(TComponent* AOwner);
    ~TControl() override;
    void BeforeDestruction() override;

    // --- parent and geometry
    TWinControl* GetParent() const { return parent; }
    virtual void SetParent(TWinControl* AParent);
    int GetLeft() const { return left; }
    int GetTop() const { return top; }
    int GetWidth() const { return width; }
    int GetHeight() const { return height; }
    void SetLeft(int Value) { SetBounds(Value, top, width, height); }
    void SetTop(int Value) { SetBounds(left, Value, width, height); }
    void SetWidth(int Value) { SetBounds(left, top, Value, height); }
    void SetHeight(int Value) { SetBounds(left, top, width, Value); }
    TRect GetBoundsRect() const { return TRect{left, top, left + width, top + height}; }
    void SetBoundsRect(const TRect& R) { SetBounds(R.Left, R.Top, R.Width(), R.Height()); }
    // Applies the constraints, moves the control, tells the parent to realign.
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    virtual TRect GetClientRect();
    int GetClientWidth() { return GetClientRect().Right; }
    int GetClientHeight() { return GetClientRect().Bottom; }
    void SetClientWidth(int Value);
    void SetClientHeight(int Value);
    void SetClientSize(int W, int H);
    // The screen position of the client area's top-left corner.
    virtual TPoint GetClientOrigin();
    TPoint ClientToScreen(const TPoint& P);
    TPoint ScreenToClient(const TPoint& P);
    // Client point of the parent's client area.
    TPoint ClientToParent(const TPoint& P, TWinControl* AParent = nullptr);
    TPoint ParentToClient(const TPoint& P, TWinControl* AParent = nullptr);

    TAlign GetAlign() const { return align; }
    void SetAlign(TAlign Value);
    TAnchors GetAnchors() const { return anchors; }
    void SetAnchors(TAnchors Value);
    TSizeConstraints* GetConstraints() const { return constraints.get(); }
    void SetConstraints(TSizeConstraints* Value) { constraints->Assign(Value); }
    bool GetAutoSize() const { return autoSize; }
    virtual void SetAutoSize(bool Value);

    // --- state
    bool GetVisible() const { return visible; }
    virtual void SetVisible(bool Value);
    void Show();
    void Hide();
    bool GetEnabled() const { return enabled; }
    virtual void SetEnabled(bool Value);
    // Whether the control and all its parents are visible (and the top one shown).
    virtual bool IsShowing();

    TColor GetColor() const { return color; }
    void SetColor(TColor Value);
    bool GetParentColor() const { return parentColor; }
    void SetParentColor(bool Value);
    TFont* GetFont() const { return font.get(); }
    void SetFont(TFont* Value) { font->Assign(Value); }
    bool GetParentFont() const { return parentFont; }
    void SetParentFont(bool Value);
    bool GetCtl3D() const { return ctl3D; }
    void SetCtl3D(bool Value);
    bool GetParentCtl3D() const { return parentCtl3D; }
    void SetParentCtl3D(bool Value);
    TBiDiMode GetBiDiMode() const { return bidiMode; }
    void SetBiDiMode(TBiDiMode Value);
    bool UseRightToLeftAlignment() const { return bidiMode == bdRightToLeft; }

    // Caption and Text are one property: the window text.
    QString GetText();
    void SetText(const QString& Value);
    QString GetCaption() { return GetText(); }
    void SetCaption(const QString& Value) { SetText(Value); }
    // Where the text lives: the control by default, the widget for native controls.
    virtual QString GetTextBuf();
    virtual void SetTextBuf(const QString& Value);

    QString GetHint() const { return hint; }
    void SetHint(const QString& Value) { hint = Value; }
    bool GetShowHint() const { return showHint; }
    // A control that gives hints of its own (per part of it, through CM_HINTSHOW) without a
    // hint text of its own.
    virtual bool HasOwnHints() { return false; }
    void SetShowHint(bool Value);
    bool GetParentShowHint() const { return parentShowHint; }
    void SetParentShowHint(bool Value);
    TCursor GetCursor() const { return cursor; }
    void SetCursor(TCursor Value);
    TDragMode GetDragMode() const { return dragMode; }
    virtual void SetDragMode(TDragMode Value) { dragMode = Value; }
    TCursor GetDragCursor() const { return dragCursor; }
    void SetDragCursor(TCursor Value) { dragCursor = Value; }
    TDragKind GetDragKind() const { return dragKind; }
    void SetDragKind(TDragKind Value) { dragKind = Value; }
    bool GetIsControl() const { return isControl; }
    void SetIsControl(bool Value) { isControl = Value; }

    // The pop-up menu (kept with a free notification). Pass the menu with its component
    // pointer: SetPopupMenu(menu) from code that knows TPopupMenu.
    TPopupMenu* GetPopupMenu() const { return popupMenu; }
    template <typename M> void SetPopupMenu(M* Menu) { setPopupMenu(Menu, Menu); }
    void setPopupMenu(TPopupMenu* Menu, TComponent* AsComponent);
    TBasicAction* GetAction() const { return action; }
    template <typename A> void SetAction(A* Act) { setAction(Act, Act); }
    void setAction(TBasicAction* Act, TComponent* AsComponent);

    TControlStyle GetControlStyle() const { return controlStyle; }
    void SetControlStyle(TControlStyle Value) { controlStyle = Value; }
    TControlState GetControlState() const { return controlState; }
    void SetControlState(TControlState Value) { controlState = Value; }

    // --- painting
    virtual void Invalidate();
    virtual void Update();
    virtual void Repaint();
    virtual void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();

    // --- messages
    // Sends a message to WindowProc (not through the window procedure) and returns Result.
    LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
    // The message method in use (normally WndProc); a control may be subclassed by replacing it.
    TWndMethod WindowProc;
    // Pre-processes, then Dispatch.
    virtual void WndProc(TMessage& Message);
    // The message table (see the header comment); ends in DefaultHandler.
    virtual void Dispatch(TMessage& Message);
    virtual void DefaultHandler(TMessage& Message);

    // --- actions of the user
    virtual void Click();
    // An action offered to the control (the focused control is asked first when an action
    // runs or updates): true when the control took it. By default the action acts on the
    // control when it can (HandlesTarget).
    virtual bool ExecuteAction(TBasicAction* Action);
    virtual bool UpdateAction(TBasicAction* Action);
    virtual void DblClick();
    bool GetMouseCapture();
    void SetMouseCapture(bool Value);
    // Drag and drop inside the application.
    void BeginDrag(bool Immediate, int Threshold = -1);
    void EndDrag(bool Drop);
    bool Dragging() const;
    virtual void DragDrop(TObject* Source, int X, int Y);

    // The form this control is on; null when none.
    TCustomForm* GetParentFormOf();
    // Whether this control is on (or is) Control's parent chain.
    bool HasParent() const { return parent != nullptr; }

    // --- events
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;
    TCanResizeEvent OnCanResize;
    TConstrainedResizeEvent OnConstrainedResize;
    TContextPopupEvent OnContextPopup;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TStartDragEvent OnStartDrag;
    TEndDragEvent OnEndDrag;

    // --- what descendants override (the platform's protected methods, public here so that
    // helper code can call them as the Parts do)
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
    virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
    virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
    virtual void DoContextPopup(TPoint MousePos, bool& Handled);
    virtual void Resize();
    virtual bool CanResize(int& NewWidth, int& NewHeight);
    virtual bool CanAutoSize(int& NewWidth, int& NewHeight) { return true; }
    virtual void ConstrainedResize(int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight);
    virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
    virtual void DoStartDrag(TObject*& DragObject);
    virtual void DoEndDrag(TObject* Target, int X, int Y);
    virtual void Changed();
    // Asks the parent to lay out its aligned children again.
    virtual void RequestAlign();
    // Called when the parent's font/colour changes.
    virtual void Loaded() override;
    virtual void VisibleChanging() {}
    virtual TPalette* GetPalette() { return nullptr; }
    // Whether the control is a windowed one.
    virtual bool IsWindowed() const { return false; }
    // Paints into Canvas at its position when the parent paints (windowless controls).
    virtual bool GetOpaque() { return controlStyle.Contains(csOpaque); }

    // Anchor bookkeeping: the bounds and parent client size the anchors are measured from.
    void UpdateAnchorRules();

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Message handlers of the base table.
    void WMMouse(TMessage& Message, TMouseButton Button, bool Down, bool Double);
    void WMMouseMove(TMessage& Message);
    void WMMouseWheel(TMessage& Message);
    void WMContextMenu(TMessage& Message);
    void WMCancelMode(TMessage& Message);
    void CMParentFontChanged(TMessage& Message);
    void CMParentColorChanged(TMessage& Message);
    void CMParentShowHintChanged(TMessage& Message);
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void CMHitTest(TMessage& Message);
    // Sets the bounds without asking the parent to realign (used by the layout).
    void UpdateBoundsRect(const TRect& R);
    // The rectangle in the parent's window this control covers, for invalidation.
    void InvalidateControl(bool IsVisible, bool IsOpaque);
    void fontChanged(TObject* Sender);

    TWinControl* parent = nullptr;
    int left = 0, top = 0, width = 0, height = 0;
    TAlign align = alNone;
    TAnchors anchors = AnchorsDefault();
    std::unique_ptr<TSizeConstraints> constraints;
    bool autoSize = false;
    bool visible = true;
    bool enabled = true;
    TColor color = clWindow;
    bool parentColor = true;
    std::unique_ptr<TFont> font;
    bool parentFont = true;
    bool ctl3D = true;
    bool parentCtl3D = true;
    TBiDiMode bidiMode = bdLeftToRight;
    QString text;
    QString hint;
    bool showHint = false;
    bool parentShowHint = true;
    TCursor cursor = crDefault;
    TDragMode dragMode = dmManual;
    TCursor dragCursor = crDrag;
    TDragKind dragKind = dkDrag;
    bool isControl = false;
    TPopupMenu* popupMenu = nullptr;
    TComponent* popupMenuComponent = nullptr;
    TBasicAction* action = nullptr;
    TComponent* actionComponent = nullptr;
    TControlStyle controlStyle;
    TControlState controlState;
    // Anchor rules: bounds and the parent client size when they were last set by hand.
    TRect anchorBounds;
    TPoint anchorParentSize{-1, -1};
    bool inLayout = false;
    friend class TWinControl;
    friend class TWndBridge;
};

// Pops up a control's menu: installed by the menu unit; returns true when a menu was shown.
using TPopupMenuHandler = std::function<bool(TControl* Control, TPopupMenu* Menu, TPoint Screen)>;
void SetPopupMenuHandler(TPopupMenuHandler Handler);

// ---- TControlCanvas ----------------------------------------------------------------------

// A canvas on a control. Inside painting it draws through the paint painter; elsewhere it
// draws straight into the window's backing image (the window shows it at its next update), as
// drawing on a window's device context outside painting does.
class TControlCanvas : public TCanvas {
    KADRION_CLASS(TControlCanvas)
    TControlCanvas() = default;
    ~TControlCanvas() override;
    TControl* GetControl() const { return control; }
    void SetControl(TControl* AControl);
    // Drops the painter; the next drawing asks for a new one.
    void FreeHandle();
    // Clip the canvas to the control's area in its window (for windowless controls).
    void UpdateTextFlags();

protected:
    void CreateHandle() override;

private:
    TControl* control = nullptr;
};

// ---- TWinControl -------------------------------------------------------------------------

struct TCreateParams {
    QString Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    // Class style (CS_*), the window class name.
    DWORD WindowClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    QString WinClassName;
};

class TWinControl : public TControl {
    KADRION_CLASS(TWinControl)
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // --- the window
    // The widget, made on demand.
    HWND GetHandle();
    bool HandleAllocated() const { return handle != nullptr; }
    void HandleNeeded();
    virtual void CreateHandle();
    virtual void DestroyHandle();
    virtual void CreateParams(TCreateParams& Params);
    virtual void CreateWnd();
    // Makes the widget for Params under ParentWidget: a plain painted widget by default;
    // native controls return their Qt widget.
    virtual QWidget* CreateWindowWidget(const TCreateParams& Params, QWidget* ParentWidget);
    virtual void DestroyWnd();
    // Destroys the window now; it is made again when next needed (or at once when showing).
    void RecreateWnd();
    // The widget children's widgets are placed in (the handle, or a client widget).
    virtual QWidget* GetClientWidget();
    // The window procedure the window started with (MainWndProc); hooks chain to it.
    TWndProc GetDefWndProc() const { return defWndProc; }
    // Turns the window's procedure call into WindowProc.
    LRESULT MainWndProc(UINT Msg, WPARAM WParam, LPARAM LParam);
    // The parameters the window was made with.
    const TCreateParams& GetCreatedParams() const { return createdParams; }
    // Border width of the non-client frame (WS_BORDER, WS_EX_CLIENTEDGE) the window has.
    int GetBorderWidthNC() const { return ncBorder; }
    int GetBorderWidth() const { return borderWidth; }
    void SetBorderWidth(int Value);
    // A top-level window outside the control tree may be made the parent window.
    HWND GetParentWindow() const { return parentWindow; }
    void SetParentWindow(HWND Value);

    // --- children
    int GetControlCount() const { return int(controls.size()); }
    int ControlCount() const { return GetControlCount(); }
    TControl* GetControls(int Index) const { return controls[size_t(Index)]; }
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    bool ContainsControl(TControl* Control);
    // The visible enabled child at a client point (windowless first, in z order).
    TControl* ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls = false);
    TWinControl* FindChildControl(const QString& ControlName);
    // Sends the message to every child.
    void Broadcast(TMessage& Message);
    void NotifyControls(UINT Msg);
    virtual void AlignControls(TControl* AControl, TRect& Rect);
    virtual void AdjustClientRect(TRect& Rect);
    void Realign();
    void DisableAlign();
    void EnableAlign();
    bool AlignDisabled() const { return alignLevel > 0; }
    // Paints the windowless children over the canvas of a paint (null First: all).
    void PaintControls(TCanvas* DC, TControl* First);
    virtual void PaintWindow(TCanvas* DC);
    void PaintHandler(TMessage& Message);
    // Paints this window and its children into a canvas at (X, Y) (csPaintCopy).
    void PaintTo(TCanvas* Canvas, int X, int Y);

    // --- focus
    virtual bool CanFocus();
    virtual void SetFocus();
    virtual bool Focused();
    bool GetTabStop() const { return tabStop; }
    void SetTabStop(bool Value);
    int GetTabOrder();
    void SetTabOrder(int Value);
    void GetTabOrderList(std::vector<TWinControl*>& List);
    TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                 bool CheckParent);
    void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
    virtual void SelectFirst();
    // Whether the control can be focused by tab, with its parents.
    bool CanTab() { return CanFocus() && tabStop; }

    // --- events
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

    // --- overrides and descendants' hooks
    void SetParent(TWinControl* AParent) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    TRect GetClientRect() override;
    TPoint GetClientOrigin() override;
    void SetVisible(bool Value) override;
    void SetEnabled(bool Value) override;
    bool IsShowing() override;
    bool IsWindowed() const override { return true; }
    void Invalidate() override;
    void Update() override;
    void Repaint() override;
    QString GetTextBuf() override;
    void SetTextBuf(const QString& Value) override;
    void WndProc(TMessage& Message) override;
    void Dispatch(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;
    virtual void KeyDown(WORD& Key, TShiftState Shift);
    virtual void KeyUp(WORD& Key, TShiftState Shift);
    virtual void KeyPress(QChar& Key);
    virtual bool DoKeyDown(TMessage& Message);
    virtual bool DoKeyUp(TMessage& Message);
    virtual bool DoKeyPress(TMessage& Message);
    virtual void DoEnter();
    virtual void DoExit();
    // Whether a dialog key goes to the control (DLGC_ bits of WM_GETDLGCODE).
    virtual bool IsControlMouseMsg(TMessage& Message);
    virtual void UpdateShowing();
    // Puts the widget at the control's bounds.
    void UpdateWidgetBounds();
    virtual void Loaded() override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void ShowControl(TControl* AControl);
    void WMPaint(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);
    void WMSize(TMessage& Message);
    void WMMove(TMessage& Message);
    void WMSetFocus(TMessage& Message);
    void WMKillFocus(TMessage& Message);
    void WMKey(TMessage& Message);
    void WMChar(TMessage& Message);
    void WMSysCommand(TMessage& Message);
    void WMSetCursor(TMessage& Message);
    void WMNCHitTest(TMessage& Message);
    void CNKeyDown(TMessage& Message);
    void CNChar(TMessage& Message);
    void CMDialogKey(TMessage& Message);
    void CMDialogChar(TMessage& Message);
    void CMEnabledChanged(TMessage& Message);
    void CMVisibleChanged(TMessage& Message);
    void CMShowingChanged(TMessage& Message);
    void CMFontChanged(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void CMRecreateWnd(TMessage& Message);
    // Called by the bridge when the widget was moved or resized by Qt.
    void UpdateBounds();
    // Sets widget geometry and non-client frame from the control's state.
    void applyWidgetState();
    void applyNativeLook();

    HWND handle = nullptr;
    QPointer<QWidget> handleGuard;
    TWndProc defWndProc;
    TCreateParams createdParams;
    int ncBorder = 0;
    int borderWidth = 0;
    HWND parentWindow = nullptr;
    std::vector<TControl*> controls;   // all children in z order (bottom first)
    std::vector<TWinControl*> tabList; // windowed children in tab order
    bool tabStop = false;
    int alignLevel = 0;
    bool realignPending = false;
    bool showing = false;
    bool recreating = false;
    friend class TControl;
    friend class TWndBridge;
    friend class TCustomForm;
};

// ---- TGraphicControl and TCustomControl -------------------------------------------------

// A windowless control painted by its parent through its own Canvas.
class TGraphicControl : public TControl {
    KADRION_CLASS(TGraphicControl)
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas* GetCanvas() const { return canvas.get(); }
    virtual void Paint() {}
    void Dispatch(TMessage& Message) override;

protected:
    std::unique_ptr<TControlCanvas> canvas;
};

// A windowed control that paints itself through Canvas in Paint.
class TCustomControl : public TWinControl {
    KADRION_CLASS(TCustomControl)
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    TCanvas* GetCanvas() const { return canvas.get(); }
    virtual void Paint();
    void PaintWindow(TCanvas* DC) override;

protected:
    std::unique_ptr<TControlCanvas> canvas;
};

// ---- free helpers ------------------------------------------------------------------------

// The form a control is on (walking up the parents); null when it is on none.
TCustomForm* GetParentForm(TControl* Control);
// As GetParentForm, raising EInvalidOperation "Control '%s' has no parent window" when none.
TCustomForm* ValidParentForm(TControl* Control);
// The control under a screen point (deepest windowed one holding it).
TWinControl* FindVCLWindow(const TPoint& Pos);
// The control under the mouse; the drag threshold of the mouse.
TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled);
// Cursor shapes of the standard ids (used by Screen).
Qt::CursorShape CursorShapeOf(TCursor Cursor);
// The current state of the mouse buttons and modifiers as the bridge last saw them.
TShiftState GetShiftState();

// The modifiers and buttons the bridge last saw: read by GetKeyState and ssLeft etc.
void SetTrackedInputState(Qt::KeyboardModifiers Mods, Qt::MouseButtons Buttons);
