#include "StdActns.h"

#include "Clipbrd.h"

TCustomEdit* TEditAction::GetControl(TObject* Target) const {
    auto* e = dynamic_cast<TCustomEdit*>(Target);
    return e && e->Focused() ? e : nullptr;
}

bool TEditAction::HandlesTarget(TObject* Target) {
    return GetControl(Target) != nullptr;
}

void TEditCut::ExecuteTarget(TObject* Target) {
    GetControl(Target)->CutToClipboard();
}

void TEditCut::UpdateTarget(TObject* Target) {
    TCustomEdit* e = GetControl(Target);
    SetEnabled(e->GetSelLength() > 0 && !e->GetReadOnly());
}

void TEditCopy::ExecuteTarget(TObject* Target) {
    GetControl(Target)->CopyToClipboard();
}

void TEditCopy::UpdateTarget(TObject* Target) {
    SetEnabled(GetControl(Target)->GetSelLength() > 0);
}

void TEditPaste::ExecuteTarget(TObject* Target) {
    GetControl(Target)->PasteFromClipboard();
}

void TEditPaste::UpdateTarget(TObject* Target) {
    SetEnabled(!GetControl(Target)->GetReadOnly() && Clipboard()->HasFormat(CF_TEXT));
}

void TEditSelectAll::ExecuteTarget(TObject* Target) {
    GetControl(Target)->SelectAll();
}

void TEditSelectAll::UpdateTarget(TObject* Target) {
    SetEnabled(!GetControl(Target)->GetText().isEmpty());
}

void TEditDelete::ExecuteTarget(TObject* Target) {
    GetControl(Target)->ClearSelection();
}

void TEditDelete::UpdateTarget(TObject* Target) {
    TCustomEdit* e = GetControl(Target);
    SetEnabled(e->GetSelLength() > 0 && !e->GetReadOnly());
}
