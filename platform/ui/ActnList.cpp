#include "ActnList.h"

#include "ComCtrls.h"
#include "Forms.h"
#include "ImgList.h"
#include "Menus.h"
#include "StdCtrls.h"

#include <algorithm>
#include <map>

namespace {
std::vector<TCustomActionList*>& lists() {
    static std::vector<TCustomActionList*> l;
    return l;
}

// The change listener a linked control has on its action; owned by the control, so it goes
// with it, and told when the action goes first.
class TControlActionLink : public TComponent {
public:
    TControlActionLink(TControl* C, TCustomAction* A);
    ~TControlActionLink() override;
    TControl* Control;
    TCustomAction* Action;
    int Listener = 0;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == Action) Action = nullptr;
    }
};
std::map<TControl*, TControlActionLink*>& controlLinks() {
    static std::map<TControl*, TControlActionLink*> m;
    return m;
}

void syncControl(TControl* C, TCustomAction* A) {
    C->SetCaption(A->GetCaption());
    C->SetHint(A->GetHint());
    C->SetEnabled(A->GetEnabled());
    C->SetVisible(A->GetVisible());
    // a tool button shows the action's image
    if (auto* tb = dynamic_cast<TToolButton*>(C)) tb->SetImageIndex(A->GetImageIndex());
    if (auto* cb = dynamic_cast<TCustomCheckBox*>(C)) {
        bool was = cb->ClicksDisabled;
        cb->ClicksDisabled = true;
        cb->SetChecked(A->GetChecked());
        cb->ClicksDisabled = was;
    }
}
TControlActionLink::TControlActionLink(TControl* C, TCustomAction* A)
    : TComponent(C), Control(C), Action(A) {
    A->FreeNotification(this);
    Listener = A->AddChangeListener([this] {
        if (Action) syncControl(Control, Action);
    });
    controlLinks()[C] = this;
}

TControlActionLink::~TControlActionLink() {
    if (Action) {
        Action->RemoveChangeListener(Listener);
        Action->RemoveFreeNotification(this);
    }
    auto& m = controlLinks();
    auto it = m.find(Control);
    if (it != m.end() && it->second == this) m.erase(it);
}
} // namespace

const std::vector<TCustomActionList*>& ActionLists() {
    return lists();
}

// ---- TBasicAction ---------------------------------------------------------------------------

TBasicAction::TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}

TBasicAction::~TBasicAction() = default;

bool TBasicAction::Execute() {
    if (OnExecute) {
        OnExecute(this);
        return true;
    }
    // a target: the focused control, then the active form
    if (TWinControl* c = Screen->GetActiveControl())
        if (c->ExecuteAction(this)) return true;
    if (HandlesTarget(nullptr)) {
        ExecuteTarget(nullptr);
        return true;
    }
    return false;
}

bool TBasicAction::Update() {
    if (OnUpdate) {
        OnUpdate(this);
        return true;
    }
    if (TWinControl* c = Screen->GetActiveControl())
        if (c->UpdateAction(this)) return true;
    if (HandlesTarget(nullptr)) {
        UpdateTarget(nullptr);
        return true;
    }
    return false;
}

int TBasicAction::AddChangeListener(std::function<void()> Listener) {
    int id = nextListener++;
    listeners.emplace_back(id, std::move(Listener));
    return id;
}

void TBasicAction::RemoveChangeListener(int Id) {
    listeners.erase(std::remove_if(listeners.begin(), listeners.end(),
                                   [Id](const auto& p) { return p.first == Id; }),
                    listeners.end());
}

void TBasicAction::Changed() {
    auto copy = listeners;
    for (auto& [id, f] : copy)
        f();
}

bool TControl::ExecuteAction(TBasicAction* Action) {
    if (!Action->HandlesTarget(this)) return false;
    Action->ExecuteTarget(this);
    return true;
}

bool TControl::UpdateAction(TBasicAction* Action) {
    if (!Action->HandlesTarget(this)) return false;
    Action->UpdateTarget(this);
    return true;
}

// ---- TContainedAction -----------------------------------------------------------------------

TContainedAction::~TContainedAction() {
    SetActionList(nullptr);
}

void TContainedAction::SetActionList(TCustomActionList* Value) {
    if (actionList == Value) return;
    if (actionList) {
        auto& v = actionList->actions;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    actionList = Value;
    if (Value) Value->actions.push_back(this);
}

int TContainedAction::GetIndex() const {
    if (!actionList) return -1;
    auto& v = actionList->actions;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : int(it - v.begin());
}

bool TContainedAction::Execute() {
    if (actionList && actionList->GetState() != asNormal) return false;
    if (actionList && actionList->ExecuteAction(this)) return true;
    return TBasicAction::Execute();
}

bool TContainedAction::Update() {
    if (actionList && actionList->UpdateAction(this)) return true;
    return TBasicAction::Update();
}

// ---- TCustomAction --------------------------------------------------------------------------

void TCustomAction::SetCaption(const QString& Value) {
    if (caption != Value) {
        caption = Value;
        Changed();
    }
}

void TCustomAction::SetHint(const QString& Value) {
    if (hint != Value) {
        hint = Value;
        Changed();
    }
}

void TCustomAction::SetImageIndex(int Value) {
    if (imageIndex != Value) {
        imageIndex = Value;
        Changed();
    }
}

void TCustomAction::SetShortCut(TShortCut Value) {
    if (shortCut != Value) {
        shortCut = Value;
        Changed();
    }
}

void TCustomAction::SetEnabled(bool Value) {
    if (enabled != Value) {
        enabled = Value;
        Changed();
    }
}

void TCustomAction::SetChecked(bool Value) {
    if (checked == Value) return;
    checked = Value;
    // one checked action per group of the same list
    if (Value && groupIndex > 0 && actionList)
        for (int i = 0; i < actionList->GetActionCount(); ++i)
            if (auto* ca = dynamic_cast<TCustomAction*>(actionList->GetActions(i)))
                if (ca != this && ca->groupIndex == groupIndex) ca->SetChecked(false);
    Changed();
}

void TCustomAction::SetVisible(bool Value) {
    if (visible != Value) {
        visible = Value;
        Changed();
    }
}

void TCustomAction::SetGroupIndex(int Value) {
    groupIndex = Value;
    if (checked && Value > 0) {
        checked = false;
        SetChecked(true);
    }
}

bool TCustomAction::Execute() {
    Update();
    if (!enabled) return false;
    if (autoCheck) SetChecked(!checked);
    return TContainedAction::Execute();
}

bool TCustomAction::Update() {
    bool handled = TContainedAction::Update();
    if (!handled && DisableIfNoHandler && !OnExecute) SetEnabled(false);
    return handled;
}

// ---- TCustomActionList ----------------------------------------------------------------------

TCustomActionList::TCustomActionList(TComponent* AOwner) : TComponent(AOwner) {
    lists().push_back(this);
    InstallMenuHandlers();
    idleId = Application->AddIdleHandler([this] { UpdateActions(); });
}

TCustomActionList::~TCustomActionList() {
    Application->RemoveIdleHandler(idleId);
    auto& l = lists();
    l.erase(std::remove(l.begin(), l.end(), this), l.end());
    for (TContainedAction* a : std::vector<TContainedAction*>(actions))
        a->SetActionList(nullptr);
}

void TCustomActionList::SetImages(TCustomImageList* Value) {
    if (images) images->RemoveFreeNotification(this);
    images = Value;
    if (Value) Value->FreeNotification(this);
}

void TCustomActionList::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == images) images = nullptr;
}

void TCustomActionList::SetState(TActionListState Value) {
    state = Value;
    if (Value == asSuspendedEnabled)
        for (TContainedAction* a : actions)
            if (auto* ca = dynamic_cast<TCustomAction*>(a)) ca->SetEnabled(true);
}

bool TCustomActionList::ExecuteAction(TBasicAction* Action) {
    bool handled = false;
    if (OnExecute) OnExecute(Action, handled);
    return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* Action) {
    bool handled = false;
    if (OnUpdate) OnUpdate(Action, handled);
    return handled;
}

void TCustomActionList::UpdateActions() {
    if (state != asNormal || IsLoading()) return;
    // the actions of a hidden form wait until it shows
    if (auto* f = dynamic_cast<TCustomForm*>(GetOwner()))
        if (!f->GetVisible()) return;
    for (TContainedAction* a : std::vector<TContainedAction*>(actions))
        a->Update();
}

bool TCustomActionList::IsShortCut(TMessage& Message) {
    if (state != asNormal) return false;
    TShortCut sc = ShortCut(WORD(Message.WParam), KeyDataToShiftState(Message.LParam));
    if (sc == scNone) return false;
    for (TContainedAction* a : std::vector<TContainedAction*>(actions)) {
        auto* ca = dynamic_cast<TCustomAction*>(a);
        if (ca && ca->GetShortCut() == sc) {
            ca->Update();
            if (!ca->GetEnabled() || !ca->GetVisible()) return false;
            ca->ActionComponent = nullptr;
            ca->Execute();
            return true;
        }
    }
    return false;
}

// ---- links of controls ----------------------------------------------------------------------

void LinkControlToAction(TControl* Control, TCustomAction* Action) {
    auto& m = controlLinks();
    auto it = m.find(Control);
    if (it != m.end()) delete it->second;
    Control->SetAction(static_cast<TBasicAction*>(Action));
    if (!Action) return;
    new TControlActionLink(Control, Action);
    syncControl(Control, Action);
}

bool ExecuteControlAction(TControl* Control) {
    if (Control->OnClick || !Control->GetAction()) return false;
    TBasicAction* a = Control->GetAction();
    a->ActionComponent = Control;
    a->Execute();
    return true;
}
