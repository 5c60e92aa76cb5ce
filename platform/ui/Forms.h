// Forms and the application: TCustomForm/TForm (normal, MDI frame, MDI child, modal),
// TDataModule, TApplication (message loop, idle, exception handling), TScreen (size, cursors,
// forms, focus), TTimer, THintWindow and TMouse.
#pragma once

#include "Controls.h"
#include "ModalResult.h"

#include <QCursor>
#include <map>

class QMdiArea;
class QEventLoop;
class TMainMenu;
class QMenuBar;

// ---- form enumerations --------------------------------------------------------------------

enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = TSet<TFormStateItem>;
enum TTileMode { tbHorizontal, tbVertical };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// ---- TCustomForm ----------------------------------------------------------------------------

// A top-level window. Build the form in the constructor of a descendant inside
// BeginLoading()/EndLoading(); OnCreate fires from AfterConstruction(), which
// Application->CreateForm and CreateNewForm call (and, as a safety net, the first Show,
// ShowModal or handle creation when nobody did).
class TCustomForm : public TWinControl {
    KADRION_CLASS(TCustomForm)
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;
    void AfterConstruction();
    void BeforeDestruction() override;

    // --- appearance
    TFormBorderStyle GetBorderStyle() const { return borderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    TBorderIcons GetBorderIcons() const { return borderIcons; }
    void SetBorderIcons(TBorderIcons Value);
    TPosition GetPosition() const { return position; }
    void SetPosition(TPosition Value) { position = Value; }
    TWindowState GetWindowState() const;
    void SetWindowState(TWindowState Value);
    TFormStyle GetFormStyle() const { return formStyle; }
    void SetFormStyle(TFormStyle Value);
    TFormState GetFormState() const { return formState; }
    bool GetKeyPreview() const { return keyPreview; }
    void SetKeyPreview(bool Value) { keyPreview = Value; }
    TMainMenu* GetMenu() const { return menu; }
    // Shows the menu as the form's menu bar, above the client area (not on an MDI child).
    void SetMenu(TMainMenu* Value);
    QMenuBar* GetMenuBar() const { return menuBar; }
    int GetPixelsPerInch() const { return pixelsPerInch; }
    void SetPixelsPerInch(int Value) { pixelsPerInch = Value; }
    bool GetScaled() const { return scaled; }
    void SetScaled(bool Value) { scaled = Value; }
    int GetHelpContext() const { return helpContext; }
    void SetHelpContext(int Value) { helpContext = Value; }
    TCanvas* GetCanvas() const { return canvas.get(); }
    bool GetActive() const { return active; }

    // --- focus
    TWinControl* GetActiveControl() const { return activeControl; }
    // Raises EInvalidOperation "Cannot focus a disabled or invisible window" for a control that
    // cannot take the focus.
    void SetActiveControl(TWinControl* Control);
    void FocusControl(TWinControl* Control);
    // The form's bookkeeping when a control of it got the focus: CM_EXIT/CM_ENTER along the
    // parent chains, CM_ACTIVATE/CM_DEACTIVATE between forms, Screen's active control.
    bool SetFocusedControl(TWinControl* Control);
    void DefocusControl(TWinControl* Control, bool Removing);
    // Gives the window focus to the active control (or the form).
    void SetWindowFocus();
    TWinControl* GetFocusedControl() const { return focusedControl; }

    // --- showing and closing
    void Show();
    void Hide();
    // Runs a modal loop until ModalResult is set (and the close query agrees). Raises
    // EInvalidOperation "Cannot make a visible window modal" for a visible, disabled, modal or
    // MDI-child form.
    virtual TModalResult ShowModal();
    TModalResult GetModalResult() const { return modalResult; }
    void SetModalResult(TModalResult Value);
    void Close();
    virtual bool CloseQuery();
    // Deletes the form once the messages now queued have been handled.
    void Release();
    // Whether Release was called: the form is on its way out.
    bool GetReleased() const { return released; }
    void BringToFront();

    // --- MDI
    QMdiArea* GetMDIArea() const { return mdiArea; }
    int GetMDIChildCount();
    TCustomForm* GetMDIChildren(int I);
    TCustomForm* GetActiveMDIChild();
    void Cascade();
    void Tile();
    void Next();
    void Previous();
    void ArrangeIcons() {}
    TTileMode TileMode = tbHorizontal;

    // --- events
    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnPaint;
    TNotifyEvent OnHelp;

    // --- descendants' hooks
    virtual void DoCreate();
    virtual void DoDestroy();
    virtual void DoShow();
    virtual void DoHide();
    virtual void Activate();
    virtual void Deactivate();
    virtual void DoClose(TCloseAction& Action);
    virtual void Paint();
    void PaintWindow(TCanvas* DC) override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    QWidget* CreateWindowWidget(const TCreateParams& Params, QWidget* ParentWidget) override;
    QWidget* GetClientWidget() override;
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void DestroyWnd() override;
    void SetVisible(bool Value) override;
    bool IsShowing() override;
    void SetParent(TWinControl* AParent) override;
    TPoint GetClientOrigin() override;
    void Dispatch(TMessage& Message) override;
    void SetFocus() override;
    // Whether the form answers the key as a shortcut: OnShortCut, then the handler the menu
    // unit installs (SetFormShortCutHandler).
    virtual bool IsShortCut(TMessage& Message);
    std::function<void(TMessage& Msg, bool& Handled)> OnShortCut;
    // Makes the form the active one (as a click on its window does).
    void SetActive(bool Value);

    // Used by MDI bookkeeping.
    TCustomForm* MDIParentForm() const;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void CloseModal();
    void CMDialogKeyForm(TMessage& Message);
    void WMClose(TMessage& Message);
    void WMActivate(TMessage& Message);
    void placeOnFirstShow();
    void mdiChildActivated(TCustomForm* Child);
    void updateMenuBar();

    TFormBorderStyle borderStyle = bsSizeable;
    TBorderIcons borderIcons{biSystemMenu, biMinimize, biMaximize};
    TPosition position = poDesigned;
    TWindowState windowState = wsNormal;
    TFormStyle formStyle = fsNormal;
    TFormState formState;
    bool keyPreview = false;
    TMainMenu* menu = nullptr;
    QMenuBar* menuBar = nullptr;
    int pixelsPerInch = 96;
    bool scaled = true;
    int helpContext = 0;
    std::unique_ptr<TControlCanvas> canvas;
    bool active = false;
    TWinControl* activeControl = nullptr;
    TWinControl* focusedControl = nullptr;
    TModalResult modalResult = mrNone;
    bool created = false;
    bool placed = false;
    bool released = false;
    bool destroyCalled = false;
    QMdiArea* mdiArea = nullptr;
    QWidget* mdiSubWindow = nullptr;
    TCustomForm* mdiFrame = nullptr;    // MDI child: its frame
    std::vector<TCustomForm*> mdiOrder; // MDI frame: its children, the active one first
    friend class TScreen;
    friend class TApplication;
};

class TForm : public TCustomForm {
    KADRION_CLASS(TForm)
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

// The menu unit answers shortcut keys of a form's menu through this; returns the handler it
// replaces, so that another unit can chain to it.
std::function<bool(TCustomForm* Form, TMessage& Msg)>
SetFormShortCutHandler(std::function<bool(TCustomForm* Form, TMessage& Msg)> Handler);

// Makes a form of class T with Owner and runs AfterConstruction (OnCreate).
template <typename T> T* CreateNewForm(TComponent* Owner) {
    T* f = new T(Owner);
    f->AfterConstruction();
    return f;
}

// ---- TDataModule --------------------------------------------------------------------------

// A holder of non-visual components, built in code like a form; OnCreate from
// AfterConstruction.
class TDataModule : public TComponent {
    KADRION_CLASS(TDataModule)
    explicit TDataModule(TComponent* AOwner);
    ~TDataModule() override;
    void AfterConstruction();
    void BeforeDestruction() override;
    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;

private:
    bool created = false;
    bool destroyed = false;
};

// ---- TTimer -------------------------------------------------------------------------------

// Fires OnTimer every Interval ms while Enabled, through the timer source in use when it was
// started. Exceptions from OnTimer go to Application->HandleException.
class TTimer : public TComponent {
    KADRION_CLASS(TTimer)
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    bool GetEnabled() const { return enabled; }
    void SetEnabled(bool Value);
    unsigned GetInterval() const { return interval; }
    void SetInterval(unsigned Value);
    // Sets OnTimer and (re)starts the timer. The timer starts when Enabled, Interval or OnTimer
    // is set, or when loading ends, as the platform's does.
    void SetOnTimer(TNotifyEvent Value);
    TNotifyEvent OnTimer;
    // The id of the running timer in its source (0 when stopped).
    int GetTimerId() const { return timerId; }
    virtual void Timer();

protected:
    void Loaded() override;

private:
    void update();
    bool enabled = true;
    unsigned interval = 1000;
    int timerId = 0;
    TTimerSource* source = nullptr;
};

// ---- hints ---------------------------------------------------------------------------------

// What a control is asked when its hint is about to show (CM_HINTSHOW, LParam = &THintInfo).
class THintWindow;
struct THintInfo {
    TControl* HintControl = nullptr;
    // Window class: a factory of the hint window to use.
    std::function<THintWindow*(TComponent* Owner)> HintWindowClass;
    TPoint HintPos; // screen
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    TRect CursorRect; // client of HintControl
    TPoint CursorPos; // client of HintControl
    int ReshowTimeout = 0;
    int HideTimeout = 0;
    QString HintStr;
    void* HintData = nullptr;
};
using TShowHintEvent = std::function<void(QString& HintStr, bool& CanShow, THintInfo& HintInfo)>;

// The small window that shows a hint. Descendants change CalcHintRect and Paint.
class THintWindow : public TCustomControl {
    KADRION_CLASS(THintWindow)
    explicit THintWindow(TComponent* AOwner);
    // Shows the hint in Rect (screen co-ordinates).
    virtual void ActivateHint(TRect Rect, const QString& AHint);
    virtual void ActivateHintData(TRect Rect, const QString& AHint, void* AData);
    // The size of the window for the text (origin 0, 0), at most MaxWidth wide.
    virtual TRect CalcHintRect(int MaxWidth, const QString& AHint, void* AData);
    virtual bool IsHintMsg(TMessage& Msg);
    void ReleaseHandle();
    void Paint() override;
    void CreateParams(TCreateParams& Params) override;
    QWidget* CreateWindowWidget(const TCreateParams& Params, QWidget* ParentWidget) override;
};

// ---- TApplication ---------------------------------------------------------------------------

using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;
using TMessageEvent = std::function<void(TMsg& Msg, bool& Handled)>;
using THelpEvent = std::function<bool(WORD Command, intptr_t Data, bool& CallHelp)>;

class TApplication : public TComponent {
    KADRION_CLASS(TApplication)
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    // Needs a QApplication made by main (or the tests) first.
    void Initialize();
    // Makes a form (or data module) with the application as owner; Reference points to it
    // while its constructor runs. The first TForm made this way becomes the main form.
    template <typename T> void CreateForm(T*& Reference) {
        void* mem = ::operator new(sizeof(T));
        Reference = static_cast<T*>(mem);
        T* obj = nullptr;
        try {
            obj = new (mem) T(this);
        } catch (...) {
            Reference = nullptr;
            ::operator delete(mem);
            throw;
        }
        Reference = obj;
        created(obj, obj);
    }
    // Shows the main form and runs the message loop until Terminate.
    void Run();
    void Terminate();
    bool GetTerminated() const { return terminated; }
    // Handles the pending messages and returns.
    void ProcessMessages();
    // Waits for at least one message and handles the pending ones (then idles when none).
    void HandleMessage();
    // Runs the idle work: OnIdle and the idle handlers; tests call it directly.
    void DoIdle();
    // Drops queued keyboard and mouse messages (and input Qt has queued).
    void CancelPendingInput();

    // Shows the exception being handled (call inside a catch block): EAbort is dropped; others
    // go to OnException when assigned, else to ShowException.
    void HandleException(TObject* Sender);
    // The message box: the text (with a final full stop added when it has none) under the
    // application's title, with an error icon and OK.
    void ShowException(const Exception& E);
    void ShowException(const QString& Message);
    int MessageBox(const QString& Text, const QString& Caption, int Flags = 0);

    QString GetTitle() const { return title; }
    void SetTitle(const QString& Value);
    TCustomForm* GetMainForm() const { return mainForm; }
    // For tests and the program start: makes a form the main form.
    void SetMainForm(TCustomForm* Form) { mainForm = Form; }
    QString GetExeName() const;
    QString GetHelpFile() const { return helpFile; }
    void SetHelpFile(const QString& Value) { helpFile = Value; }
    bool GetShowHint() const { return showHint; }
    void SetShowHint(bool Value);
    int GetHintPause() const { return hintPause; }
    void SetHintPause(int Value) { hintPause = Value; }
    int GetHintShortPause() const { return hintShortPause; }
    void SetHintShortPause(int Value) { hintShortPause = Value; }
    int GetHintHidePause() const { return hintHidePause; }
    void SetHintHidePause(int Value) { hintHidePause = Value; }
    TColor GetHintColor() const { return hintColor; }
    void SetHintColor(TColor Value) { hintColor = Value; }
    QString GetHint() const { return hint; }
    void SetHint(const QString& Value);
    bool GetActive() const;
    // Shows a hint for the control under the mouse now (the hint timer's work).
    void ActivateHint(const TPoint& CursorPos);
    void CancelHint();
    void HideHint();
    THintWindow* GetHintWindow() const { return hintWindow; }
    // Tells the application which control is under the mouse (CM_MOUSEENTER/LEAVE, hints).
    void DoMouseIdle(TControl* Target);
    TControl* GetMouseControl() const { return mouseControl; }
    void Minimize();
    void Restore();
    void BringToFront();
    bool HelpContext(intptr_t Context);

    // Run on every DoIdle after OnIdle (action lists and the like register here).
    int AddIdleHandler(std::function<void()> Handler);
    void RemoveIdleHandler(int Id);

    TIdleEvent OnIdle;
    TExceptionEvent OnException;
    TMessageEvent OnMessage;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnHint;
    TShowHintEvent OnShowHint;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
    THelpEvent OnHelp;

    // Used by modal loops: nesting depth of modal forms.
    int ModalLevel = 0;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void created(TComponent* Obj, TCustomForm* Form);
    void created(TComponent* Obj, TComponent*);
    void installIdleHook();
    QString title;
    TCustomForm* mainForm = nullptr;
    bool terminated = false;
    bool showHint = true;
    int hintPause = 500;
    int hintShortPause = 50;
    int hintHidePause = 2500;
    TColor hintColor = clInfoBk;
    QString hint;
    QString helpFile;
    THintWindow* hintWindow = nullptr;
    TControl* mouseControl = nullptr;
    TControl* hintControl = nullptr;
    int hintTimer = 0;
    std::vector<std::pair<int, std::function<void()>>> idleHandlers;
    int nextIdleId = 1;
    bool idleHookInstalled = false;
    bool inIdle = false;
    QEventLoop* runLoop = nullptr;
};

// ---- TScreen --------------------------------------------------------------------------------

class TScreen : public TComponent {
    KADRION_CLASS(TScreen)
    explicit TScreen(TComponent* AOwner);
    ~TScreen() override;

    int GetWidth() const;
    int GetHeight() const;
    TRect GetWorkAreaRect() const;
    int GetWorkAreaLeft() const { return GetWorkAreaRect().Left; }
    int GetWorkAreaTop() const { return GetWorkAreaRect().Top; }
    int GetWorkAreaWidth() const { return GetWorkAreaRect().Width(); }
    int GetWorkAreaHeight() const { return GetWorkAreaRect().Height(); }
    int GetPixelsPerInch() const;
    int GetDesktopWidth() const { return GetWidth(); }
    int GetDesktopHeight() const { return GetHeight(); }

    // The application-wide cursor: anything but crDefault overrides every control's cursor.
    TCursor GetCursor() const { return cursor; }
    void SetCursor(TCursor Value);
    // The cursor of an id: the standard shapes, or a registered custom one (the arrow for an
    // unknown id).
    QCursor GetCursors(TCursor Index) const;
    void SetCursors(TCursor Index, const QCursor& Cursor);

    TCustomForm* GetActiveForm() const { return activeForm; }
    TCustomForm* GetActiveCustomForm() const { return activeForm; }
    TWinControl* GetActiveControl() const { return activeControl; }
    TCustomForm* GetFocusedForm() const { return focusedForm; }
    int GetFormCount() const { return int(forms.size()); }
    // Forms, the active one first.
    TCustomForm* GetForms(int Index) const { return forms[size_t(Index)]; }
    int GetCustomFormCount() const { return GetFormCount(); }
    TCustomForm* GetCustomForms(int Index) const { return GetForms(Index); }
    int GetDataModuleCount() const { return int(dataModules.size()); }
    TDataModule* GetDataModules(int Index) const { return dataModules[size_t(Index)]; }
    QStringList GetFonts() const;
    TFont* GetHintFont() const { return hintFont.get(); }
    TFont* GetIconFont() const { return iconFont.get(); }
    TFont* GetMenuFont() const { return menuFont.get(); }

    TNotifyEvent OnActiveControlChange;
    TNotifyEvent OnActiveFormChange;

    // Bookkeeping of the forms and data modules.
    void AddForm(TCustomForm* F);
    void RemoveForm(TCustomForm* F);
    void MoveFormToFront(TCustomForm* F);
    void AddDataModule(TDataModule* D);
    void RemoveDataModule(TDataModule* D);
    void SetActive(TCustomForm* Form, TWinControl* Control);
    void FormDefocused(TCustomForm* Form);
    // A control is going away: forget it.
    void ControlDestroyed(TWinControl* Control);

private:
    friend class TCustomForm;
    TCursor cursor = crDefault;
    bool overrideSet = false;
    std::map<int, QCursor> customCursors;
    TCustomForm* activeForm = nullptr;
    TCustomForm* focusedForm = nullptr;
    TWinControl* activeControl = nullptr;
    std::vector<TCustomForm*> forms;
    std::vector<TDataModule*> dataModules;
    std::unique_ptr<TFont> hintFont, iconFont, menuFont;
};

// ---- TMouse -------------------------------------------------------------------------------

class TMouse {
public:
    TPoint GetCursorPos() const;
    void SetCursorPos(const TPoint& P);
    HWND GetCapture() const { return ::GetCapture(); }
    void SetCapture(HWND Wnd) { ::SetCapture(Wnd); }
    bool GetDragImmediate() const { return dragImmediate; }
    void SetDragImmediate(bool V) { dragImmediate = V; }
    int GetDragThreshold() const { return dragThreshold; }
    void SetDragThreshold(int V) { dragThreshold = V; }
    bool GetMousePresent() const { return true; }
    bool GetWheelPresent() const { return true; }
    int GetWheelScrollLines() const { return wheelScrollLines; }

private:
    bool dragImmediate = true;
    int dragThreshold = 5;
    int wheelScrollLines = 3;
};

// ---- the process-wide objects ---------------------------------------------------------------

// Made on first use (no static-order dependence); they live until the process ends.
template <typename T> class TGlobalRef {
public:
    constexpr explicit TGlobalRef(T* (*make)()) : make_(make) {}
    T* operator->() const { return get(); }
    T& operator*() const { return *get(); }
    operator T*() const { return get(); }
    T* get() const;

private:
    T* (*make_)();
};
template <typename T> T* TGlobalRef<T>::get() const {
    static T* instance = make_();
    return instance;
}

TApplication* MakeApplication();
TScreen* MakeScreen();
TMouse* MakeMouse();
inline constexpr TGlobalRef<TApplication> Application{MakeApplication};
inline constexpr TGlobalRef<TScreen> Screen{MakeScreen};
inline constexpr TGlobalRef<TMouse> Mouse{MakeMouse};

// The exception being handled as a message (for code that reports it in other ways).
QString CurrentExceptionMessage();
// Runs F; an exception is handed to Application->HandleException. Returns false when one was.
bool GuardedCall(const std::function<void()>& F, TObject* Sender = nullptr);
