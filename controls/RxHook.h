// Window hooks: any number of TRxWindowHook listeners watch (and may intercept) the messages of
// one windowed control without deriving from it. The listeners of one window share one
// TControlHook, which takes the window's procedure and calls the listeners before and after
// the window's own; the most recently attached listener is asked first and may hide a message
// from the earlier ones (Handled). All control hooks live in one process-wide THookList whose
// hidden window re-hooks a recreated window and frees a control hook left without listeners,
// both later, from posted messages.
#pragma once

#include "Controls.h"

#include <vector>

class TRxWindowHook;
class THookList;

using THookMessageEvent = std::function<void(TObject* Sender, TMessage& Msg, bool& Handled)>;

constexpr UINT CM_REHOOKWINDOW = CM_BASE + 82;
constexpr UINT CM_FREECONTROLHOOK = CM_BASE + 83;

class TControlHook : public TObject {
    KADRION_CLASS(TControlHook)
    TControlHook();
    ~TControlHook() override;
    TWinControl* GetControl() const { return control; }
    void SetControl(TWinControl* Value);
    // The control is being freed: forgotten without touching it.
    void ControlGone();
    void Attach(TRxWindowHook* Hook);
    void Detach(TRxWindowHook* Hook);
    void InstallWndProc();
    void RestoreWndProc();
    const std::vector<TRxWindowHook*>& GetListeners() const { return listeners; }
    // The procedure this hook puts into the window.
    const TWndProc& GetHookProc() const { return hookProc; }

private:
    void callHandlers(bool After, TMessage& Msg, bool& Handled);
    LRESULT hookWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
    TWinControl* control = nullptr;
    TWndProc hookProc;
    TWndProc prevProc;
    std::vector<TRxWindowHook*> listeners;
    bool destroying = false;
};

class THookList : public TObject {
    KADRION_CLASS(THookList)
    THookList();
    ~THookList() override;
    TControlHook* FindHook(TWinControl* Control) const;
    TControlHook* HookFor(TWinControl* Control);
    bool Contains(TControlHook* Hook) const;
    void Remove(TControlHook* Hook);
    int Count() const { return int(hooks.size()); }
    HWND GetHandle() const { return handle; }

private:
    void wndProc(TMessage& Msg);
    std::vector<TControlHook*> hooks;
    HWND handle = nullptr;
};

// The process-wide list (made on first use); FreeHookList frees it.
THookList* HookListInstance();
THookList* HookListIfAny();
void FreeHookList();

class TRxWindowHook : public TComponent {
    KADRION_CLASS(TRxWindowHook)
    explicit TRxWindowHook(TComponent* AOwner);
    ~TRxWindowHook() override;

    bool GetActive() const { return active; }
    void SetActive(bool Value);
    TWinControl* GetWinControl() const;
    void SetWinControl(TWinControl* Value);
    // The hook stands on its own form (what a stored form keeps instead of the form itself).
    bool GetIsForm() const;
    void SetIsForm(bool Value);
    TControlHook* GetControlHook() const { return controlHook; }

    THookMessageEvent BeforeMessage;
    THookMessageEvent AfterMessage;

    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    friend class TControlHook;
    virtual void DoAfterMessage(TMessage& Msg, bool& Handled);
    virtual void DoBeforeMessage(TMessage& Msg, bool& Handled);
    void attachToControl();
    TControlHook* detachFromControl();
    bool active = true;
    TWinControl* winControl = nullptr;
    TControlHook* controlHook = nullptr;
};
