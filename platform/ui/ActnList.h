// Actions: a command with its caption, hint, image, shortcut and state, shared by the menu
// items and controls linked to it. An action list updates its actions when the application
// goes idle (OnUpdate decides Enabled, Checked ...), and answers its actions' shortcuts for
// the form that owns it.
#pragma once

#include "Controls.h"

#include <vector>

class TCustomImageList;
class TCustomActionList;

class TBasicAction : public TComponent {
    KADRION_CLASS(TBasicAction)
    explicit TBasicAction(TComponent* AOwner);
    ~TBasicAction() override;
    // Runs the action: the list's OnExecute, then OnExecute, then a target that handles it.
    // True when somebody did.
    virtual bool Execute();
    // Updates the state: the list's OnUpdate, then OnUpdate, then the target's own update.
    virtual bool Update();
    // For actions that act on a target (a dataset): whether they handle it and what they do.
    virtual bool HandlesTarget(TObject* Target) { return false; }
    virtual void ExecuteTarget(TObject* Target) {}
    virtual void UpdateTarget(TObject* Target) {}
    // The control or menu item that triggered the current execution.
    TComponent* ActionComponent = nullptr;
    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;
    // Told whenever a property linked clients show changes.
    int AddChangeListener(std::function<void()> Listener);
    void RemoveChangeListener(int Id);

protected:
    void Changed();

private:
    std::vector<std::pair<int, std::function<void()>>> listeners;
    int nextListener = 1;
};

class TContainedAction : public TBasicAction {
    KADRION_CLASS(TContainedAction)
    explicit TContainedAction(TComponent* AOwner) : TBasicAction(AOwner) {}
    ~TContainedAction() override;
    TCustomActionList* GetActionList() const { return actionList; }
    void SetActionList(TCustomActionList* Value);
    QString Category;
    int GetIndex() const;
    bool Execute() override;
    bool Update() override;

protected:
    TCustomActionList* actionList = nullptr;
};

class TCustomAction : public TContainedAction {
    KADRION_CLASS(TCustomAction)
    explicit TCustomAction(TComponent* AOwner) : TContainedAction(AOwner) {}
    QString GetCaption() const { return caption; }
    void SetCaption(const QString& Value);
    QString GetHint() const { return hint; }
    void SetHint(const QString& Value);
    int GetImageIndex() const { return imageIndex; }
    void SetImageIndex(int Value);
    TShortCut GetShortCut() const { return shortCut; }
    void SetShortCut(TShortCut Value);
    bool GetEnabled() const { return enabled; }
    void SetEnabled(bool Value);
    bool GetChecked() const { return checked; }
    void SetChecked(bool Value);
    bool GetVisible() const { return visible; }
    void SetVisible(bool Value);
    int GetGroupIndex() const { return groupIndex; }
    void SetGroupIndex(int Value);
    bool GetAutoCheck() const { return autoCheck; }
    void SetAutoCheck(bool Value) { autoCheck = Value; }
    int GetHelpContext() const { return helpContext; }
    void SetHelpContext(int Value) { helpContext = Value; }
    // An action with no OnExecute is disabled by its update (DisableIfNoHandler).
    bool DisableIfNoHandler = true;
    bool Execute() override;
    bool Update() override;

protected:
    QString caption, hint;
    int imageIndex = -1;
    TShortCut shortCut = 0;
    bool enabled = true, checked = false, visible = true, autoCheck = false;
    int groupIndex = 0;
    int helpContext = 0;
};

class TAction : public TCustomAction {
    KADRION_CLASS(TAction)
    explicit TAction(TComponent* AOwner) : TCustomAction(AOwner) {}
};

enum TActionListState { asNormal, asSuspended, asSuspendedEnabled };
using TActionEvent = std::function<void(TBasicAction* Action, bool& Handled)>;

class TCustomActionList : public TComponent {
    KADRION_CLASS(TCustomActionList)
    explicit TCustomActionList(TComponent* AOwner);
    ~TCustomActionList() override;
    int GetActionCount() const { return int(actions.size()); }
    TContainedAction* GetActions(int Index) const { return actions[size_t(Index)]; }
    TCustomImageList* GetImages() const { return images; }
    void SetImages(TCustomImageList* Value);
    TActionListState GetState() const { return state; }
    void SetState(TActionListState Value);
    // The list's handlers first: true when they handled the action.
    virtual bool ExecuteAction(TBasicAction* Action);
    virtual bool UpdateAction(TBasicAction* Action);
    // Runs the action whose shortcut the key message (CN_KEYDOWN) is; true when one did.
    bool IsShortCut(TMessage& Message);
    // Updates every action (what idle time does).
    void UpdateActions();
    TActionEvent OnExecute;
    TActionEvent OnUpdate;
    TNotifyEvent OnChange;

protected:
    friend class TContainedAction;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    std::vector<TContainedAction*> actions;
    TCustomImageList* images = nullptr;
    TActionListState state = asNormal;
    int idleId = 0;
};

class TActionList : public TCustomActionList {
    KADRION_CLASS(TActionList)
    explicit TActionList(TComponent* AOwner) : TCustomActionList(AOwner) {}
};

// Links a control to an action: the control takes the action's caption, hint, enabled and
// visible state (and Checked for check boxes) now and whenever they change; clicking it runs
// the action unless the control has an OnClick of its own. A null action unlinks.
void LinkControlToAction(TControl* Control, TCustomAction* Action);
// What a control's click does with its action: runs it when the control has no OnClick.
// Returns true when it ran.
bool ExecuteControlAction(TControl* Control);
// Every action list made (for shortcut handling and idle updates).
const std::vector<TCustomActionList*>& ActionLists();
