// The standard edit actions: cut, copy, paste, select all and delete on the focused edit control
// (or on a control that takes them itself through ExecuteAction, as the data grid does). Each
// enables itself when the application goes idle.
#pragma once

#include "ActnList.h"
#include "StdCtrls.h"

class TEditAction : public TAction {
    KADRION_CLASS(TEditAction)
    explicit TEditAction(TComponent* AOwner) : TAction(AOwner) {}
    // The edit control the action works on: the target when it is a focused edit.
    TCustomEdit* GetControl(TObject* Target) const;
    bool HandlesTarget(TObject* Target) override;
};

#define KADRION_EDIT_ACTION(Name)                                                                  \
    class Name : public TEditAction {                                                              \
        KADRION_CLASS(Name)                                                                        \
        explicit Name(TComponent* AOwner) : TEditAction(AOwner) {}                                 \
        void ExecuteTarget(TObject* Target) override;                                              \
        void UpdateTarget(TObject* Target) override;                                               \
    };

KADRION_EDIT_ACTION(TEditCut)
KADRION_EDIT_ACTION(TEditCopy)
KADRION_EDIT_ACTION(TEditPaste)
KADRION_EDIT_ACTION(TEditSelectAll)
KADRION_EDIT_ACTION(TEditDelete)

#undef KADRION_EDIT_ACTION
