// TCustomForm: showing, activation and focus bookkeeping, closing, modal loop and MDI.
#include "Forms.h"
#include "Dialogs.h"
#include "Menus.h"
#include "ScopeGuard.h"
#include "UiInternal.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QWidget>
#include <algorithm>

namespace {
std::function<bool(TCustomForm*, TMessage&)>& shortCutHandler() {
    static std::function<bool(TCustomForm*, TMessage&)> h;
    return h;
}
// The top-level form that is active (the platform's active window).
TCustomForm* activeTopForm = nullptr;

// Sends a window-system message to a form: exceptions go to HandleException.
void sendGuarded(TCustomForm* F, UINT Msg, WPARAM W, LPARAM L) {
    if (!F || !F->HandleAllocated()) return;
    if (TWndBridge* b = BridgeOf(F->GetHandle())) b->send(Msg, W, L);
}

// An MDI area that puts the frame's free client area under the MDI children.
class TMdiClient : public QMdiArea {
public:
    explicit TMdiClient(QWidget* parent) : QMdiArea(parent) {
        setBackground(ColorToQColor(clAppWorkSpace));
        setActivationOrder(QMdiArea::ActivationHistoryOrder);
    }
};
} // namespace

std::function<bool(TCustomForm* Form, TMessage& Msg)>
SetFormShortCutHandler(std::function<bool(TCustomForm* Form, TMessage& Msg)> Handler) {
    auto previous = std::move(shortCutHandler());
    shortCutHandler() = std::move(Handler);
    return previous;
}

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
    visible = false;
    color = clBtnFace;
    parentColor = false;
    parentFont = false;
    controlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                                 csDoubleClicks};
    left = 0;
    top = 0;
    width = 320;
    height = 240;
    canvas = std::make_unique<TControlCanvas>();
    canvas->SetControl(this);
    Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
    if (!destroyCalled) BeforeDestruction();
    // The form's own components and children go while the form is still whole.
    DestroyComponents();
    while (!controls.empty()) {
        TControl* c = controls.back();
        RemoveControl(c);
        delete c;
    }
    if (activeTopForm == this) activeTopForm = nullptr;
    if (TCustomForm* frame = MDIParentForm()) {
        auto& v = frame->mdiOrder;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    Screen->RemoveForm(this);
    if (Application->GetMainForm() == this) Application->SetMainForm(nullptr);
    canvas->SetControl(nullptr);
    QWidget* sub = mdiSubWindow;
    DestroyHandle();
    if (sub) {
        sub->hide();
        sub->deleteLater();
    }
    mdiSubWindow = nullptr;
}

void TCustomForm::AfterConstruction() {
    if (created) return;
    created = true;
    DoCreate();
    if (formStyle == fsMDIChild) Show();
}

void TCustomForm::BeforeDestruction() {
    if (destroyCalled) return;
    destroyCalled = true;
    // OnDestroy still sees every component of the form.
    DoDestroy();
    Destroying();
    Screen->RemoveForm(this);
    if (activeTopForm == this) activeTopForm = nullptr;
    // MDI children outlive the frame's bookkeeping from here on.
    for (TCustomForm* c : mdiOrder)
        c->mdiFrame = nullptr;
    mdiOrder.clear();
    if (mdiFrame) {
        auto& v = mdiFrame->mdiOrder;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    TWinControl::BeforeDestruction();
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove) {
        if (AComponent == activeControl) activeControl = nullptr;
        if (AComponent == focusedControl) focusedControl = nullptr;
        if (AComponent == menu) {
            menu = nullptr;
            updateMenuBar();
        }
    }
}

void TCustomForm::SetMenu(TMainMenu* Value) {
    if (menu == Value) return;
    if (menu) menu->RemoveFreeNotification(this);
    menu = Value;
    if (Value) Value->FreeNotification(this);
    updateMenuBar();
}

// The menu bar sits in a strip above the client area; the client area and the windows in it
// move down by its height.
void TCustomForm::updateMenuBar() {
    if (!handle) return;
    TWndBridge* b = BridgeOf(handle);
    bool wanted = menu && formStyle != fsMDIChild;
    if (menuBar && !wanted) {
        delete menuBar;
        menuBar = nullptr;
    } else if (!menuBar && wanted) {
        menuBar = menu->CreateMenuBar(handle);
        menuBar->show();
    }
    int h = menuBar ? menuBar->sizeHint().height() : 0;
    if (menuBar) menuBar->setGeometry(0, 0, handle->width(), h);
    if (b && b->ncTop != h) {
        b->ncTop = h;
        b->layoutScrollBars();
        for (TControl* c : std::vector<TControl*>(controls))
            if (c->IsWindowed()) static_cast<TWinControl*>(c)->UpdateWidgetBounds();
        Realign();
        handle->update();
    }
}

// ---- events ----

void TCustomForm::DoCreate() {
    if (OnCreate) OnCreate(this);
}

void TCustomForm::DoDestroy() {
    if (OnDestroy) {
        try {
            OnDestroy(this);
        } catch (...) {
            HandleCurrentException(this);
        }
    }
}

void TCustomForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
    if (OnHide) OnHide(this);
}

void TCustomForm::Activate() {
    if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
    if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::DoClose(TCloseAction& Action) {
    if (OnClose) OnClose(this, Action);
}

void TCustomForm::Paint() {
    if (OnPaint) OnPaint(this);
}

void TCustomForm::PaintWindow(TCanvas* DC) {
    canvas->FreeHandle();
    QPainter* p = DC->GetHandle();
    canvas->SetHandle(p);
    QRegion rg;
    if (DC->GetClipRgn(rg)) canvas->SelectClipRgn(&rg);
    Paint();
    canvas->SetHandle(nullptr);
    DC->SetWindowOrg(DC->GetWindowOrg().X, DC->GetWindowOrg().Y);
}

// ---- appearance ----

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
    if (borderStyle == Value) return;
    borderStyle = Value;
    RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
    if (borderIcons == Value) return;
    borderIcons = Value;
    RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
    if (formStyle == Value) return;
    if (Value == fsMDIChild && !IsLoading()) {
        TCustomForm* main = Application->GetMainForm();
        if (!main || main->formStyle != fsMDIForm)
            throw EInvalidOperation(
                QStringLiteral("Cannot create form. No MDI forms are currently active"));
    }
    formStyle = Value;
    if (Value == fsMDIChild) visible = true;
    RecreateWnd();
}

TWindowState TCustomForm::GetWindowState() const {
    QWidget* w = mdiSubWindow ? mdiSubWindow : handle;
    if (w && w->isVisible()) {
        if (w->isMinimized()) return wsMinimized;
        if (w->isMaximized()) return wsMaximized;
        return wsNormal;
    }
    return windowState;
}

void TCustomForm::SetWindowState(TWindowState Value) {
    windowState = Value;
    QWidget* w = mdiSubWindow ? mdiSubWindow : handle;
    if (!w || !w->isVisible()) return;
    switch (Value) {
    case wsMinimized:
        w->showMinimized();
        break;
    case wsMaximized:
        w->showMaximized();
        break;
    default:
        w->showNormal();
        break;
    }
}

// ---- the window ----

void TCustomForm::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    Params.Style &= ~WS_CHILD;
    Params.WndParent = nullptr;
    switch (borderStyle) {
    case bsNone:
        Params.Style |= WS_POPUP;
        break;
    case bsSingle:
    case bsToolWindow:
        Params.Style |= WS_CAPTION | WS_BORDER;
        break;
    case bsSizeable:
    case bsSizeToolWin:
        Params.Style |= WS_CAPTION | WS_THICKFRAME;
        break;
    case bsDialog:
        Params.Style |= WS_POPUP | WS_CAPTION;
        Params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    }
    if (borderStyle == bsToolWindow || borderStyle == bsSizeToolWin)
        Params.ExStyle |= WS_EX_TOOLWINDOW;
    if (borderIcons.Contains(biSystemMenu)) Params.Style |= WS_SYSMENU;
    if (borderIcons.Contains(biMinimize)) Params.Style |= WS_MINIMIZEBOX;
    if (borderIcons.Contains(biMaximize)) Params.Style |= WS_MAXIMIZEBOX;
    if (formStyle == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
}

QWidget* TCustomForm::CreateWindowWidget(const TCreateParams& Params, QWidget* ParentWidget) {
    Qt::WindowFlags f = Qt::Window;
    switch (borderStyle) {
    case bsDialog:
        f = Qt::Dialog;
        break;
    case bsToolWindow:
    case bsSizeToolWin:
        f = Qt::Tool;
        break;
    case bsNone:
        f = Qt::Window | Qt::FramelessWindowHint;
        break;
    default:
        break;
    }
    if (borderStyle != bsNone) {
        f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (borderIcons.Contains(biSystemMenu)) {
            f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (borderIcons.Contains(biMinimize) && borderStyle != bsDialog)
                f |= Qt::WindowMinimizeButtonHint;
            if (borderIcons.Contains(biMaximize) && borderStyle != bsDialog)
                f |= Qt::WindowMaximizeButtonHint;
        }
    }
    if (formStyle == fsStayOnTop) f |= Qt::WindowStaysOnTopHint;
    auto* w = new TWinWidget(nullptr, f);
    if (formStyle == fsMDIForm) {
        mdiArea = new TMdiClient(w);
        // the frame's colour is the colour of its client area
        mdiArea->setBackground(ColorToQColor(color));
        TCustomForm* self = this;
        QObject::connect(mdiArea, &QMdiArea::subWindowActivated, [self](QMdiSubWindow* s) {
            if (!s) return;
            for (TCustomForm* c : self->mdiOrder)
                if (c->mdiSubWindow == s && (self->mdiOrder.empty() || self->mdiOrder.front() != c))
                    self->mdiChildActivated(c);
        });
    }
    if (formStyle == fsMDIChild) {
        TCustomForm* main = Application->GetMainForm();
        if (!main || main->formStyle != fsMDIForm)
            throw EInvalidOperation(
                QStringLiteral("Cannot create form. No MDI forms are currently active"));
        main->HandleNeeded();
        auto* area = main->mdiArea;
        w->setWindowFlags(Qt::Widget);
        QMdiSubWindow* sub = area->addSubWindow(w, f & ~Qt::Window);
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        mdiSubWindow = sub;
        mdiArea = nullptr;
        TCustomForm* self = this;
        if (std::find(main->mdiOrder.begin(), main->mdiOrder.end(), self) == main->mdiOrder.end())
            main->mdiOrder.push_back(self);
        mdiFrame = main;
    }
    return w;
}

void TCustomForm::CreateWnd() {
    TWinControl::CreateWnd();
    if (!text.isEmpty()) {
        handle->setWindowTitle(text);
        if (mdiSubWindow) mdiSubWindow->setWindowTitle(text);
    }
    if (mdiSubWindow) UpdateWidgetBounds();
    updateMenuBar();
    Realign();
}

void TCustomForm::DestroyWnd() {
    QWidget* sub = mdiSubWindow;
    if (sub && handle) {
        if (auto* area = static_cast<QMdiSubWindow*>(sub)->mdiArea()) area->removeSubWindow(sub);
    }
    delete mdiArea;
    mdiArea = nullptr;
    delete menuBar;
    menuBar = nullptr;
    TWinControl::DestroyWnd();
    if (sub) {
        sub->hide();
        sub->deleteLater();
        mdiSubWindow = nullptr;
    }
}

QWidget* TCustomForm::GetClientWidget() {
    return GetHandle();
}

void TCustomForm::AlignControls(TControl* AControl, TRect& Rect) {
    TWinControl::AlignControls(AControl, Rect);
    QPoint off = handle && BridgeOf(handle) ? BridgeOf(handle)->clientOffset() : QPoint();
    if (menuBar) menuBar->setGeometry(0, 0, handle->width(), off.y());
    // The MDI client takes what the aligned controls leave.
    if (mdiArea)
        mdiArea->setGeometry(Rect.Left + off.x(), Rect.Top + off.y(), std::max(0, Rect.Width()),
                             std::max(0, Rect.Height()));
}

TPoint TCustomForm::GetClientOrigin() {
    if (handle) {
        TWndBridge* b = BridgeOf(handle);
        QPoint g = handle->mapToGlobal(b ? b->clientOffset() : QPoint(0, 0));
        return TPoint{g.x(), g.y()};
    }
    return TPoint{left, top};
}

void TCustomForm::SetParent(TWinControl* AParent) {
    TWinControl::SetParent(AParent);
}

bool TCustomForm::IsShowing() {
    return visible && handle && handle->isVisible();
}

TCustomForm* TCustomForm::MDIParentForm() const {
    return formStyle == fsMDIChild ? mdiFrame : nullptr;
}

// ---- showing ----

void TCustomForm::placeOnFirstShow() {
    if (placed) return;
    placed = true;
    auto centreOn = [this](const TRect& r) {
        SetBounds(r.Left + (r.Width() - width) / 2, r.Top + (r.Height() - height) / 2, width,
                  height);
    };
    TRect screenRect{0, 0, Screen->GetWidth(), Screen->GetHeight()};
    switch (position) {
    case poScreenCenter:
    case poDesktopCenter:
        centreOn(screenRect);
        break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TCustomForm* f = position == poMainFormCenter ? Application->GetMainForm()
                                                      : dynamic_cast<TCustomForm*>(GetOwner());
        if (f && f != this)
            centreOn(f->GetBoundsRect());
        else
            centreOn(screenRect);
        break;
    }
    default:
        break;
    }
}

void TCustomForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TCustomForm::Hide() {
    SetVisible(false);
}

void TCustomForm::BringToFront() {
    if (mdiSubWindow)
        mdiSubWindow->raise();
    else if (handle)
        RaiseWindow(handle);
}

void TCustomForm::SetVisible(bool Value) {
    AfterConstruction();
    bool shown = handle && (mdiSubWindow ? mdiSubWindow->isVisible() : handle->isVisible());
    if (visible == Value && shown == Value) return;
    if (IsLoading()) {
        visible = Value;
        return;
    }
    if (Value) {
        visible = true;
        formState.Include(fsVisible);
        HandleNeeded();
        placeOnFirstShow();
        formState.Include(fsShowing);
        TScopeGuard showing([this] { formState.Exclude(fsShowing); });
        DoShow();
        showing.End();
        QWidget* w = mdiSubWindow ? mdiSubWindow : handle;
        if (mdiSubWindow) handle->show();
        switch (windowState) {
        case wsMinimized:
            w->showMinimized();
            break;
        case wsMaximized:
            w->showMaximized();
            break;
        default:
            w->show();
            break;
        }
        UpdateBounds();
        Perform(CM_VISIBLECHANGED, 1, 0);
        if (formStyle == fsMDIChild) {
            if (TCustomForm* frame = MDIParentForm()) frame->mdiChildActivated(this);
        } else if (!w->testAttribute(Qt::WA_ShowWithoutActivating)) {
            sendGuarded(this, WM_ACTIVATE, WA_ACTIVE, 0);
        }
    } else {
        visible = false;
        formState.Exclude(fsVisible);
        try {
            DoHide();
        } catch (...) {
            HandleCurrentException(this);
        }
        QWidget* w = mdiSubWindow ? mdiSubWindow : handle;
        if (w) w->hide();
        Perform(CM_VISIBLECHANGED, 0, 0);
        if (activeTopForm == this) {
            sendGuarded(this, WM_ACTIVATE, WA_INACTIVE, 0);
            activeTopForm = nullptr;
            // the most recent other visible form takes over
            for (int i = 0; i < Screen->GetFormCount(); ++i) {
                TCustomForm* f = Screen->GetForms(i);
                if (f != this && f->visible && f->formStyle != fsMDIChild && f->IsShowing()) {
                    sendGuarded(f, WM_ACTIVATE, WA_ACTIVE, 0);
                    break;
                }
            }
        }
        if (TCustomForm* frame = MDIParentForm()) {
            if (!frame->mdiOrder.empty() && frame->mdiOrder.front() == this)
                for (TCustomForm* c : frame->mdiOrder)
                    if (c != this && c->visible) {
                        frame->mdiChildActivated(c);
                        break;
                    }
        }
    }
}

void TCustomForm::WMActivate(TMessage& Message) {
    bool on = Message.WParam != WA_INACTIVE;
    if (on) {
        TCustomForm* old = activeTopForm;
        activeTopForm = this;
        if (old && old != this) sendGuarded(old, WM_ACTIVATE, WA_INACTIVE, 0);
        if (activeTopForm != this) return;
        // a window that a modal one blocks is not asked to the front: Qt would give the
        // activation back to the modal window, which gives it back here, and so on
        QWidget* modal = QApplication::activeModalWidget();
        // only a window that is not active yet is asked to the front: asking again the one
        // Qt has just activated queues one more activation behind another window's, and
        // two windows shown at once (the wait window over a new one) would take turns forever
        if (handle && handle->isWindow() && !handle->isActiveWindow() &&
            (!modal || modal == handle->window()))
            handle->activateWindow();
    } else if (activeTopForm == this) {
        activeTopForm = nullptr;
    }
    SetActive(on);
}

void TCustomForm::SetActive(bool Value) {
    active = Value;
    if (!Value) return;
    if (!activeControl && !IsDesigning())
        activeControl = FindNextControl(nullptr, true, true, false);
    SetWindowFocus();
}

void TCustomForm::SetWindowFocus() {
    if (!handle) return;
    if (!activeControl && formStyle == fsMDIForm)
        if (TCustomForm* child = GetActiveMDIChild()) {
            child->SetWindowFocus();
            return;
        }
    HWND h = activeControl && activeControl->CanFocus() ? activeControl->GetHandle() : handle;
    ::SetFocus(h);
}

void TCustomForm::SetFocus() {
    if (!active || activeTopForm != this) {
        if (!(visible && enabled))
            throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
        if (formStyle == fsMDIChild) {
            if (TCustomForm* frame = MDIParentForm()) frame->mdiChildActivated(this);
            return;
        }
        sendGuarded(this, WM_ACTIVATE, WA_ACTIVE, 0);
        return;
    }
    SetWindowFocus();
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
    if (activeControl == Control) return;
    if (Control && !(Control != static_cast<TControl*>(this) && GetParentForm(Control) == this &&
                     (IsLoading() || Control->CanFocus())))
        throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
    activeControl = Control;
    if (!IsLoading() && active) SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl* Control) {
    bool wasActive = active && (activeTopForm == this || formStyle == fsMDIChild);
    SetActiveControl(Control);
    if (!wasActive) SetFocus();
}

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
    if (IsDestroying()) return false;
    activeControl = Control != static_cast<TControl*>(this) ? Control : nullptr;
    Screen->SetActive(this, Control);
    Screen->MoveFormToFront(this);
    if (Control->GetControlState().Contains(csFocusing)) return true;
    Control->SetControlState(Control->GetControlState() + TControlState{csFocusing});
    struct Unmark {
        TWinControl* c;
        ~Unmark() { c->SetControlState(c->GetControlState() - TControlState{csFocusing}); }
    } unmark{Control};
    QPointer<QWidget> keep(handle);
    TCustomForm* oldForm = Screen->focusedForm;
    if (oldForm != this) {
        TCustomForm* frame = MDIParentForm();
        bool related = oldForm && (oldForm == frame || oldForm->MDIParentForm() == this);
        Screen->focusedForm = nullptr;
        // Between an MDI frame and its child the frame stays active.
        if (oldForm && !related) oldForm->Perform(CM_DEACTIVATE, 0, 0);
        Screen->focusedForm = this;
        if (frame) frame->mdiChildActivated(this);
        if (!related || formStyle == fsMDIChild) Perform(CM_ACTIVATE, 0, 0);
    }
    if (!focusedControl) focusedControl = this;
    if (focusedControl != Control) {
        while (focusedControl && !focusedControl->ContainsControl(Control)) {
            TWinControl* leaving = focusedControl;
            focusedControl = focusedControl->GetParent();
            leaving->Perform(CM_EXIT, 0, 0);
        }
        while (focusedControl != Control) {
            TWinControl* temp = Control;
            while (temp->GetParent() != focusedControl)
                temp = temp->GetParent();
            focusedControl = temp;
            temp->Perform(CM_ENTER, 0, 0);
        }
        Perform(CM_FOCUSCHANGED, 0, LPARAM(Control));
    }
    return true;
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
    if (Removing && focusedControl && Control->ContainsControl(focusedControl))
        focusedControl = Control->GetParent();
    if (activeControl && Control->ContainsControl(activeControl)) {
        activeControl = nullptr;
        if (!IsDestroying() && active && handle && !Removing)
            ::SetFocus(handle);
        else if (Removing && handle && ::GetFocus() && Control->HandleAllocated() &&
                 Control->ContainsControl(FindControl(::GetFocus())))
            ::SetFocus(handle);
    }
}

// ---- closing ----

void TCustomForm::SetModalResult(TModalResult Value) {
    modalResult = Value;
}

bool TCustomForm::CloseQuery() {
    if (formStyle == fsMDIForm)
        for (int i = 0; i < GetMDIChildCount(); ++i)
            if (!GetMDIChildren(i)->CloseQuery()) return false;
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (formState.Contains(fsModal)) {
        modalResult = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    if (formStyle == fsMDIChild) action = borderIcons.Contains(biMinimize) ? caMinimize : caNone;
    DoClose(action);
    if (action == caNone) return;
    if (Application->GetMainForm() == this)
        Application->Terminate();
    else if (action == caHide)
        Hide();
    else if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Release();
}

void TCustomForm::CloseModal() {
    TCloseAction action = caNone;
    if (CloseQuery()) {
        action = caHide;
        DoClose(action);
    }
    switch (action) {
    case caNone:
        modalResult = mrNone;
        break;
    case caFree:
        Release();
        break;
    default:
        break;
    }
}

void TCustomForm::Release() {
    if (released) return;
    released = true;
    PostMessage(GetHandle(), CM_RELEASE, 0, 0);
}

TModalResult TCustomForm::ShowModal() {
    AfterConstruction();
    if (visible || !enabled || formState.Contains(fsModal) || formStyle == fsMDIChild)
        throw EInvalidOperation(QStringLiteral("Cannot make a visible window modal"));
    if (HWND cap = GetCapture()) {
        SendMessage(cap, WM_CANCELMODE, 0, 0);
        ReleaseCapture();
    }
    formState.Include(fsModal);
    ++Application->ModalLevel;
    TCustomForm* saveFocused = Screen->focusedForm;
    TCustomForm* saveActiveTop = activeTopForm;
    QPointer<QWidget> saveTopWidget(saveActiveTop ? saveActiveTop->handle : nullptr);
    TCursor saveCursor = Screen->GetCursor();
    Screen->SetCursor(crDefault);
    Screen->focusedForm = this;
    TModalResult result = mrNone;
    QPointer<QWidget> me;
    auto finish = [&]() {
        if (!IsDestroying()) Hide();
        // Qt forgets a modal window when it hides only while the window is still modal: made
        // non-modal first, it would stay registered and block every other window.
        if (me) me->setWindowModality(Qt::NonModal);
        formState.Exclude(fsModal);
        --Application->ModalLevel;
        Screen->SetCursor(saveCursor);
        // focus goes back to the form that had it
        bool stillThere = false;
        for (int i = 0; i < Screen->GetFormCount(); ++i)
            if (Screen->GetForms(i) == saveFocused) stillThere = true;
        if (stillThere && saveFocused && saveFocused != this && saveFocused->visible &&
            saveTopWidget) {
            Screen->focusedForm = nullptr;
            if (saveActiveTop) sendGuarded(saveActiveTop, WM_ACTIVATE, WA_ACTIVE, 0);
            saveFocused->SetWindowFocus();
        }
    };
    TScopeGuard finished([&] { finish(); });
    HandleNeeded();
    handle->setWindowModality(Qt::ApplicationModal);
    Show();
    me = handle;
    Perform(CM_ACTIVATE, 0, 0);
    modalResult = mrNone;
    do {
        Application->HandleMessage();
        if (Application->GetTerminated())
            modalResult = mrCancel;
        else if (modalResult != mrNone)
            CloseModal();
    } while (modalResult == mrNone);
    result = modalResult;
    Perform(CM_DEACTIVATE, 0, 0);
    finished.End();
    return result;
}

// ---- MDI ----

void TCustomForm::mdiChildActivated(TCustomForm* Child) {
    auto& v = mdiOrder;
    auto it = std::find(v.begin(), v.end(), Child);
    if (it == v.end()) return;
    TCustomForm* old = v.empty() ? nullptr : v.front();
    if (it != v.begin()) {
        v.erase(it);
        v.insert(v.begin(), Child);
    }
    if (Child->mdiSubWindow && mdiArea && mdiArea->activeSubWindow() != Child->mdiSubWindow)
        mdiArea->setActiveSubWindow(static_cast<QMdiSubWindow*>(Child->mdiSubWindow));
    if (old != Child || !Child->active) {
        if (old && old != Child) old->active = false;
        Child->active = true;
        if (!Child->activeControl)
            Child->activeControl = Child->FindNextControl(nullptr, true, true, false);
        if (Screen->focusedForm != Child) Child->SetWindowFocus();
    }
}

int TCustomForm::GetMDIChildCount() {
    int n = 0;
    for (TCustomForm* c : mdiOrder)
        if (!c->IsDestroying()) ++n;
    return n;
}

TCustomForm* TCustomForm::GetMDIChildren(int I) {
    int n = 0;
    for (TCustomForm* c : mdiOrder)
        if (!c->IsDestroying() && n++ == I) return c;
    throw EListError(Format("List index out of bounds (%d)", {I}));
}

TCustomForm* TCustomForm::GetActiveMDIChild() {
    if (formStyle != fsMDIForm) return nullptr;
    for (TCustomForm* c : mdiOrder)
        if (!c->IsDestroying() && c->visible) return c;
    return nullptr;
}

void TCustomForm::Cascade() {
    if (mdiArea) mdiArea->cascadeSubWindows();
    for (TCustomForm* c : mdiOrder)
        c->UpdateBounds();
}

void TCustomForm::Tile() {
    if (mdiArea) mdiArea->tileSubWindows();
    for (TCustomForm* c : mdiOrder)
        c->UpdateBounds();
}

void TCustomForm::Next() {
    if (mdiOrder.size() > 1) mdiChildActivated(mdiOrder.back());
}

void TCustomForm::Previous() {
    if (mdiOrder.size() > 1) mdiChildActivated(mdiOrder[1]);
}

// ---- messages ----

bool TCustomForm::IsShortCut(TMessage& Message) {
    bool handled = false;
    if (OnShortCut) OnShortCut(Message, handled);
    if (!handled && shortCutHandler()) handled = shortCutHandler()(this, Message);
    return handled;
}

void TCustomForm::CMDialogKeyForm(TMessage& Message) {
    if (GetKeyState(VK_MENU) >= 0) {
        switch (WORD(Message.WParam)) {
        case VK_TAB:
            if (GetKeyState(VK_CONTROL) >= 0) {
                SelectNext(activeControl, GetKeyState(VK_SHIFT) >= 0, true);
                Message.Result = 1;
                return;
            }
            break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            if (activeControl && activeControl->GetParent()) {
                WORD k = WORD(Message.WParam);
                activeControl->GetParent()->SelectNext(activeControl, k == VK_RIGHT || k == VK_DOWN,
                                                       false);
                Message.Result = 1;
            }
            return;
        default:
            break;
        }
    }
    CMDialogKey(Message);
}

void TCustomForm::WMClose(TMessage& Message) {
    Close();
}

void TCustomForm::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_CLOSE:
        WMClose(Message);
        return;
    case WM_ACTIVATE:
        WMActivate(Message);
        return;
    case CM_ACTIVATE:
        if (!IsLoading()) Activate();
        return;
    case CM_DEACTIVATE:
        if (!IsLoading()) Deactivate();
        return;
    case CM_DIALOGKEY:
        CMDialogKeyForm(Message);
        return;
    case CM_RELEASE:
        FreeObject(this);
        return;
    case CM_COLORCHANGED:
        if (mdiArea) mdiArea->setBackground(ColorToQColor(color));
        TWinControl::Dispatch(Message);
        return;
    default:
        TWinControl::Dispatch(Message);
        return;
    }
}
