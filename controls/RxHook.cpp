// Window hooks: the shared control hooks and their process-wide list.
#include "RxHook.h"

#include "Forms.h"

#include <algorithm>

namespace {
THookList* hookList = nullptr;
} // namespace

THookList* HookListInstance() {
    if (!hookList) hookList = new THookList();
    return hookList;
}

THookList* HookListIfAny() {
    return hookList;
}

void FreeHookList() {
    THookList* l = hookList;
    hookList = nullptr;
    delete l;
}

// ---- TControlHook -----------------------------------------------------------------------------

TControlHook::TControlHook()
    : hookProc(MakeWndProc(
          [this](HWND W, UINT M, WPARAM WP, LPARAM LP) { return hookWndProc(W, M, WP, LP); })) {}

TControlHook::~TControlHook() {
    destroying = true;
    if (hookList && hookList->Contains(this)) hookList->Remove(this);
    while (!listeners.empty())
        Detach(listeners.back());
    control = nullptr;
}

void TControlHook::SetControl(TWinControl* Value) {
    if (Value == control) return;
    RestoreWndProc();
    control = Value;
    if (!listeners.empty()) InstallWndProc();
}

void TControlHook::ControlGone() {
    control = nullptr;
    prevProc = nullptr;
}

void TControlHook::Attach(TRxWindowHook* Hook) {
    if (std::find(listeners.begin(), listeners.end(), Hook) == listeners.end()) {
        listeners.push_back(Hook);
        Hook->controlHook = this;
        SetControl(Hook->winControl);
    }
    InstallWndProc();
}

void TControlHook::Detach(TRxWindowHook* Hook) {
    Hook->controlHook = nullptr;
    auto it = std::find(listeners.begin(), listeners.end(), Hook);
    if (it == listeners.end()) return;
    listeners.erase(it);
    if (listeners.empty()) RestoreWndProc();
}

void TControlHook::InstallWndProc() {
    if (!control || destroying) return;
    if (control->IsDesigning() || control->GetComponentState().Contains(csDestroying)) return;
    control->HandleNeeded();
    TWndProc current = GetWindowProc(control->GetHandle());
    if (current == hookProc) return;
    prevProc = current;
    SetWindowProc(control->GetHandle(), hookProc);
}

void TControlHook::RestoreWndProc() {
    // a window subclassed again after this hook is left as it is
    if (control && prevProc && control->HandleAllocated() &&
        GetWindowProc(control->GetHandle()) == hookProc)
        SetWindowProc(control->GetHandle(), prevProc);
    prevProc = nullptr;
}

void TControlHook::callHandlers(bool After, TMessage& Msg, bool& Handled) {
    if (listeners.empty() || !control || destroying ||
        control->GetComponentState().Contains(csDestroying))
        return;
    // every listener hears of the window's end, whatever the others did with it
    const bool all = After && Msg.Msg == WM_DESTROY;
    const std::vector<TRxWindowHook*> walk(listeners);
    for (auto it = walk.rbegin(); it != walk.rend(); ++it) {
        if (After)
            (*it)->DoAfterMessage(Msg, Handled);
        else
            (*it)->DoBeforeMessage(Msg, Handled);
        if (Handled && !all) break;
    }
}

LRESULT TControlHook::hookWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (!control) return 0;
    TMessage m{Msg, WParam, LParam, 0};
    bool handled = false;
    if (Msg != WM_QUIT) callHandlers(false, m, handled);
    if (!handled || Msg == WM_DESTROY) {
        struct After {
            TControlHook* Self;
            TMessage& M;
            bool& Handled;
            ~After() noexcept(false) {
                if (std::uncaught_exceptions() == 0)
                    Self->callHandlers(true, M, Handled);
                else
                    try {
                        Self->callHandlers(true, M, Handled);
                    } catch (...) {
                        // the window's own error is the one that goes on
                    }
            }
        } after{this, m, handled};
        const TWndProc& proc = prevProc ? prevProc : control->GetDefWndProc();
        m.Result = CallWindowProc(proc, Wnd, Msg, WParam, LParam);
    }
    if (Msg == WM_DESTROY) {
        RestoreWndProc();
        if (hookList && !destroying && !control->GetComponentState().Contains(csDestroying))
            PostMessage(hookList->GetHandle(), CM_REHOOKWINDOW, 0,
                        LPARAM(reinterpret_cast<intptr_t>(this)));
    }
    return m.Result;
}

// ---- THookList --------------------------------------------------------------------------------

THookList::THookList() {
    handle = AllocateHWnd([this](TMessage& M) { wndProc(M); });
}

THookList::~THookList() {
    while (!hooks.empty()) {
        TControlHook* h = hooks.back();
        hooks.pop_back();
        delete h;
    }
    DeallocateHWnd(handle);
}

TControlHook* THookList::FindHook(TWinControl* Control) const {
    if (!Control) return nullptr;
    for (TControlHook* h : hooks)
        if (h->GetControl() == Control) return h;
    return nullptr;
}

TControlHook* THookList::HookFor(TWinControl* Control) {
    if (TControlHook* h = FindHook(Control)) return h;
    auto* h = new TControlHook();
    try {
        hooks.push_back(h);
        h->SetControl(Control);
    } catch (...) {
        delete h;
        throw;
    }
    return h;
}

bool THookList::Contains(TControlHook* Hook) const {
    return std::find(hooks.begin(), hooks.end(), Hook) != hooks.end();
}

void THookList::Remove(TControlHook* Hook) {
    hooks.erase(std::remove(hooks.begin(), hooks.end(), Hook), hooks.end());
}

void THookList::wndProc(TMessage& Msg) {
    try {
        auto* h = reinterpret_cast<TControlHook*>(Msg.LParam);
        switch (Msg.Msg) {
        case CM_REHOOKWINDOW:
            if (h && Contains(h)) h->InstallWndProc();
            break;
        case CM_FREECONTROLHOOK:
            if (h && Contains(h) && h->GetListeners().empty()) delete h;
            break;
        default:
            Msg.Result = 0;
            break;
        }
    } catch (...) {
        Application->HandleException(nullptr);
    }
}

// ---- TRxWindowHook ----------------------------------------------------------------------------

TRxWindowHook::TRxWindowHook(TComponent* AOwner) : TComponent(AOwner) {
    active = true;
}

TRxWindowHook::~TRxWindowHook() {
    SetActive(false);
    SetWinControl(nullptr);
}

TWinControl* TRxWindowHook::GetWinControl() const {
    return controlHook ? controlHook->GetControl() : winControl;
}

bool TRxWindowHook::GetIsForm() const {
    return GetWinControl() && GetWinControl() == GetOwner() &&
           dynamic_cast<TCustomForm*>(GetOwner());
}

void TRxWindowHook::SetIsForm(bool Value) {
    if (!Value) return;
    if (auto* f = dynamic_cast<TCustomForm*>(GetOwner())) SetWinControl(f);
}

void TRxWindowHook::SetActive(bool Value) {
    if (Value == active) return;
    if (Value)
        attachToControl();
    else
        detachFromControl();
}

void TRxWindowHook::attachToControl() {
    if (winControl && !GetComponentState().Contains(csDestroying))
        HookListInstance()->HookFor(winControl)->Attach(this);
    active = true;
}

TControlHook* TRxWindowHook::detachFromControl() {
    TControlHook* h = controlHook;
    if (h) h->Detach(this);
    active = false;
    return h;
}

void TRxWindowHook::SetWinControl(TWinControl* Value) {
    if (Value == GetWinControl()) return;
    const bool wasActive = active;
    TControlHook* old = detachFromControl();
    winControl = Value;
    if (Value) Value->FreeNotification(this);
    // the old control hook is freed later, never here
    if (old && old->GetListeners().empty() && hookList)
        PostMessage(hookList->GetHandle(), CM_FREECONTROLHOOK, 0,
                    LPARAM(reinterpret_cast<intptr_t>(old)));
    if (wasActive) attachToControl();
}

void TRxWindowHook::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    // a control being freed is never touched again, nor hooked anew by a posted message
    if (controlHook && AComponent == controlHook->GetControl()) controlHook->ControlGone();
    if (AComponent == GetWinControl() || AComponent == winControl || AComponent == GetOwner() ||
        !GetOwner())
        SetWinControl(nullptr);
}

void TRxWindowHook::DoAfterMessage(TMessage& Msg, bool& Handled) {
    if (AfterMessage) AfterMessage(this, Msg, Handled);
}

void TRxWindowHook::DoBeforeMessage(TMessage& Msg, bool& Handled) {
    if (BeforeMessage) BeforeMessage(this, Msg, Handled);
}
