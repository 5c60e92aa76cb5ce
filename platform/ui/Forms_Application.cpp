// TApplication and the process-wide objects; TScreen, TMouse, TDataModule, TTimer and THintWindow
// have sources of their own.
#include "Dialogs.h"
#include "Forms.h"
#include "UiInternal.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPalette>

// ---- process-wide objects
// ------------------------------------------------------------------------

TApplication* MakeApplication() {
    return new TApplication(nullptr);
}
TScreen* MakeScreen() {
    return new TScreen(nullptr);
}
TMouse* MakeMouse() {
    return new TMouse();
}

QString CurrentExceptionMessage() {
    std::exception_ptr ep = std::current_exception();
    if (!ep) return QString();
    try {
        std::rethrow_exception(ep);
    } catch (const Exception& e) {
        return e.Message;
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown exception");
    }
}

bool GuardedCall(const std::function<void()>& F, TObject* Sender) {
    try {
        F();
        return true;
    } catch (...) {
        HandleCurrentException(Sender);
        return false;
    }
}

// ---- TApplication -------------------------------------------------------------------------------

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() = default;

void TApplication::Initialize() {
    if (!QCoreApplication::instance())
        throw EInvalidOperation(QStringLiteral("The Qt application object is missing"));
    // Qt's own pop-ups and lists select in the colour every control of ours selects in.
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QPalette p = QApplication::palette();
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
            p.setColor(g, QPalette::Highlight, ColorToQColor(clHighlight));
            p.setColor(g, QPalette::HighlightedText, ColorToQColor(clHighlightText));
        }
        QApplication::setPalette(p);
    }
    installIdleHook();
}

void TApplication::installIdleHook() {
    if (idleHookInstalled || !QCoreApplication::instance()) return;
    auto* d = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
    if (!d) return;
    idleHookInstalled = true;
    // The loop is about to wait: the application is idle.
    QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, [this]() { DoIdle(); });
}

void TApplication::created(TComponent* Obj, TCustomForm* Form) {
    Form->AfterConstruction();
    if (!mainForm && dynamic_cast<TForm*>(Form)) {
        Form->HandleNeeded();
        mainForm = Form;
    }
}

void TApplication::created(TComponent* Obj, TComponent*) {
    if (auto* dm = dynamic_cast<TDataModule*>(Obj)) dm->AfterConstruction();
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) {
        if (AComponent == mainForm) mainForm = nullptr;
        if (AComponent == hintWindow) hintWindow = nullptr;
    }
}

void TApplication::Run() {
    installIdleHook();
    if (mainForm) {
        if (mainForm->GetWindowState() == wsMinimized) Minimize();
        mainForm->SetVisible(true);
    }
    while (!terminated)
        HandleMessage();
}

void TApplication::Terminate() {
    terminated = true;
    if (auto* d = QAbstractEventDispatcher::instance()) d->wakeUp();
}

void TApplication::ProcessMessages() {
    installIdleHook();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::HandleMessage() {
    installIdleHook();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void TApplication::DoIdle() {
    if (inIdle) return;
    inIdle = true;
    bool done = true;
    try {
        if (OnIdle) OnIdle(this, done);
    } catch (...) {
        HandleCurrentException(this);
    }
    auto handlers = idleHandlers;
    for (auto& [id, h] : handlers) {
        try {
            h();
        } catch (...) {
            HandleCurrentException(this);
        }
    }
    inIdle = false;
    if (!done)
        if (auto* d = QAbstractEventDispatcher::instance()) d->wakeUp();
}

int TApplication::AddIdleHandler(std::function<void()> Handler) {
    int id = nextIdleId++;
    idleHandlers.emplace_back(id, std::move(Handler));
    return id;
}

void TApplication::RemoveIdleHandler(int Id) {
    idleHandlers.erase(std::remove_if(idleHandlers.begin(), idleHandlers.end(),
                                      [Id](const auto& p) { return p.first == Id; }),
                       idleHandlers.end());
}

void TApplication::CancelPendingInput() {
    DiscardQueuedInput();
    QCoreApplication::removePostedEvents(nullptr, QEvent::KeyPress);
    QCoreApplication::removePostedEvents(nullptr, QEvent::KeyRelease);
    QCoreApplication::removePostedEvents(nullptr, QEvent::MouseButtonPress);
    QCoreApplication::removePostedEvents(nullptr, QEvent::MouseButtonRelease);
    QCoreApplication::removePostedEvents(nullptr, QEvent::MouseButtonDblClick);
}

void TApplication::HandleException(TObject* Sender) {
    std::exception_ptr ep = std::current_exception();
    if (!ep) return;
    if (HWND cap = GetCapture()) SendMessage(cap, WM_CANCELMODE, 0, 0);
    auto report = [&](const Exception& E) {
        if (OnException)
            OnException(Sender, E);
        else
            ShowException(E);
    };
    try {
        std::rethrow_exception(ep);
    } catch (const EAbort&) {
        return;
    } catch (const Exception& e) {
        report(e);
    } catch (const std::exception& e) {
        report(Exception(QString::fromUtf8(e.what())));
    } catch (...) {
        report(Exception(QStringLiteral("Unknown exception")));
    }
}

void TApplication::ShowException(const Exception& E) {
    ShowException(E.Message);
}

void TApplication::ShowException(const QString& Message) {
    QString msg = Message;
    while (!msg.isEmpty() && msg.back().isSpace())
        msg.chop(1);
    if (!msg.isEmpty() && !msg.endsWith(u'.')) msg += u'.';
    GetUserInteraction()->MessageBox(msg, GetTitle(), MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const QString& Text, const QString& Caption, int Flags) {
    return GetUserInteraction()->MessageBox(Text, Caption, Flags);
}

void TApplication::SetTitle(const QString& Value) {
    title = Value;
}

QString TApplication::GetExeName() const {
    return QCoreApplication::applicationFilePath();
}

void TApplication::SetShowHint(bool Value) {
    showHint = Value;
    if (!Value) HideHint();
}

void TApplication::SetHint(const QString& Value) {
    if (hint == Value) return;
    hint = Value;
    if (OnHint) OnHint(this);
}

bool TApplication::GetActive() const {
    return QGuiApplication::applicationState() == Qt::ApplicationActive ||
           GetActiveWindow() != nullptr;
}

namespace {
bool controlShowsHint(TControl* C) {
    return C && C->GetShowHint() && (!C->GetHint().isEmpty() || C->HasOwnHints());
}
// The short part of a hint "short|long".
QString shortHint(const QString& H) {
    int i = H.indexOf(u'|');
    return i < 0 ? H : H.left(i);
}
QString longHint(const QString& H) {
    int i = H.indexOf(u'|');
    return i < 0 ? H : H.mid(i + 1);
}
} // namespace

void TApplication::DoMouseIdle(TControl* Target) {
    if (Target == mouseControl) return;
    TControl* old = mouseControl;
    mouseControl = Target;
    if (old) old->Perform(CM_MOUSELEAVE, 0, 0);
    if (Target) Target->Perform(CM_MOUSEENTER, 0, 0);
    SetHint(Target ? longHint(Target->GetHint()) : QString());
    if (hintWindow && hintWindow->HandleAllocated() && hintControl != Target) HideHint();
    armHint(Target);
}

void TApplication::RestartHint(TControl* Target) {
    if (Target != mouseControl) return;
    if (hintWindow && hintWindow->HandleAllocated()) HideHint();
    armHint(Target);
}

void TApplication::armHint(TControl* Target) {
    if (hintTimer) {
        GetTimerSource()->StopTimer(hintTimer);
        hintTimer = 0;
    }
    if (showHint && controlShowsHint(Target)) {
        int pause = hintPause;
        TMessage m{CM_HINTSHOWPAUSE, 1, LPARAM(&pause), 0};
        Target->WindowProc(m);
        TTimerSource* src = GetTimerSource();
        hintTimer = src->StartTimer(std::max(1, pause), [this, src]() {
            src->StopTimer(hintTimer);
            hintTimer = 0;
            GuardedCall([this]() { ActivateHint(TrackedCursorPos()); }, this);
        });
    }
}

void TrackMouseControl(TControl* Control) {
    Application->DoMouseIdle(Control);
}

void TApplication::ActivateHint(const TPoint& CursorPos) {
    TControl* c = FindDragTarget(CursorPos, false);
    if (!c) c = mouseControl;
    if (!c || !showHint) return;
    // the nearest control (itself or a parent) that has a hint
    TControl* h = c;
    while (h && h->GetHint().isEmpty() && !h->HasOwnHints())
        h = h->GetParent();
    if (!h || !h->GetShowHint()) return;
    THintInfo info;
    info.HintControl = h;
    info.HintPos = TPoint{CursorPos.X, CursorPos.Y + 20};
    info.HintMaxWidth = Screen->GetWidth();
    info.HintColor = hintColor;
    info.CursorRect = h->GetClientRect();
    info.CursorPos = h->ScreenToClient(CursorPos);
    info.HintStr = shortHint(h->GetHint());
    info.HideTimeout = hintHidePause;
    bool canShow = h->Perform(CM_HINTSHOW, 0, LPARAM(&info)) == 0;
    if (canShow && OnShowHint) OnShowHint(info.HintStr, canShow, info);
    if (!canShow || info.HintStr.isEmpty()) {
        HideHint();
        return;
    }
    if (hintWindow) {
        FreeObject(hintWindow);
        hintWindow = nullptr;
    }
    hintWindow = info.HintWindowClass ? info.HintWindowClass(this) : new THintWindow(this);
    hintWindow->SetColor(info.HintColor);
    TRect r = hintWindow->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
    r = TRect{r.Left + info.HintPos.X, r.Top + info.HintPos.Y, r.Right + info.HintPos.X,
              r.Bottom + info.HintPos.Y};
    hintWindow->ActivateHintData(r, info.HintStr, info.HintData);
    hintControl = h;
}

void TApplication::CancelHint() {
    if (hintTimer) {
        GetTimerSource()->StopTimer(hintTimer);
        hintTimer = 0;
    }
    HideHint();
}

void TApplication::HideHint() {
    if (hintWindow) hintWindow->ReleaseHandle();
    hintControl = nullptr;
}

void TApplication::Minimize() {
    if (mainForm) mainForm->SetWindowState(wsMinimized);
    if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
    if (mainForm) mainForm->SetWindowState(wsNormal);
    if (OnRestore) OnRestore(this);
}

void TApplication::BringToFront() {
    if (mainForm) mainForm->BringToFront();
}

bool TApplication::HelpContext(intptr_t Context) {
    bool callHelp = true;
    if (OnHelp) return OnHelp(0, Context, callHelp);
    return false;
}
