// What a column's cells hold: the column kind, the text a cell shows, whether it may change,
// check-box states and stepping a value to the next or previous one.
#include "DBGridEh.h"

namespace {

int exactIndex(TStrings* List, const QString& Text) {
    for (int i = 0; List && i < List->Count(); ++i)
        if (List->Get(i) == Text) return i;
    return -1;
}

// The ';'-separated entries of one line of a list (none when the line does not exist).
QStringList entriesOf(TStrings* List, int Line) {
    if (!List || Line >= List->Count()) return {};
    return List->Get(Line).split(u';');
}

} // namespace

TColumnKindEh TColumnEh::GetColumnType() {
    if (GetCheckboxes()) return ctkCheckboxes;
    TField* f = GetField();
    if (f && f->GetFieldKind() == fkLookup) return ctkLookupField;
    const bool keys = keyList && keyList->Count() > 0;
    if (pickList && pickList->Count() > 0 && !keys) return ctkPickList;
    if (keys && imageList) return ctkKeyImageList;
    if (keys && pickList) return ctkKeyPickList;
    return ctkCommon;
}

QString TColumnEh::GetDisplayText() {
    TField* f = GetField();
    if (!f || GetColumnType() == ctkKeyImageList) return QString();
    if (keyList && keyList->Count() > 0) {
        int i = exactIndex(keyList.get(), f->GetText());
        const int picks = pickList ? pickList->Count() : 0;
        if (i >= 0 && i < picks) return pickList->Get(i);
        if (notInKeyListIndex >= 0 && notInKeyListIndex < picks)
            return pickList->Get(notInKeyListIndex);
        return QString();
    }
    TCustomDBGridEh* g = GetGrid();
    if (g && g->GetDrawMemoText() && f->GetDataType() == ftMemo) return f->GetAsString();
    return f->GetDisplayText();
}

bool TColumnEh::CanModify(bool TryEdit) {
    TCustomDBGridEh* g = GetGrid();
    bool result = true;
    if (g)
        result =
            !g->GetReadOnly() && g->GetDataLink()->GetActive() && !g->GetDataLink()->GetReadOnly();
    if (GetReadOnly()) result = false;
    TField* f = valueField();
    if (!f) return false;
    if (result) {
        result = f->CanModify();
        // a blob is edited as text only when something turns text into its value
        if (result && f->IsBlob() && !f->OnSetText &&
            !(f->GetDataType() == ftMemo && g && g->GetDrawMemoText()))
            result = false;
        if (result && g) result = g->CanEditByAllowedOperations();
    }
    if (result && TryEdit && g) {
        result = g->GetDataLink()->Edit();
        if (result) g->GetDataLink()->Modified();
    }
    return result;
}

TCheckBoxState TColumnEh::GetCheckboxState() {
    TField* f = GetField();
    if (!f || f->IsNull()) return cbGrayed;
    if (f->GetDataType() == ftBoolean) return f->GetAsBoolean() ? cbChecked : cbUnchecked;
    if (!keyList || keyList->Count() < 2) return cbGrayed;
    const QString text = f->GetText();
    for (const QString& s : entriesOf(keyList.get(), 0))
        if (AnsiSameText(s, text)) return cbChecked;
    for (const QString& s : entriesOf(keyList.get(), 1))
        if (AnsiSameText(s, text)) return cbUnchecked;
    return cbGrayed;
}

void TColumnEh::SetCheckboxState(TCheckBoxState Value) {
    TField* f = GetField();
    if (!f) return;
    if (Value == cbGrayed) {
        f->Clear();
    } else if (f->GetDataType() == ftBoolean) {
        f->SetAsBoolean(Value == cbChecked);
    } else {
        QStringList e = entriesOf(keyList.get(), Value == cbChecked ? 0 : 1);
        f->SetText(e.isEmpty() ? QString() : e.first());
    }
}

void TColumnEh::StepFieldValue(double Step) {
    if (!CanModify(true)) return;
    TField* f = GetField();
    const bool forward = Step >= 0;
    auto stepList = [&](TStrings* List) {
        const int n = List ? List->Count() : 0;
        if (n == 0) return;
        int i = exactIndex(List, f->GetText());
        int next;
        if (forward)
            next = (i == -1 || i == n - 1) ? 0 : i + 1;
        else
            next = (i == -1 || i == 0) ? n - 1 : i - 1;
        f->SetText(List->Get(next));
    };
    switch (GetColumnType()) {
    case ctkCheckboxes:
        SetCheckboxState(GetCheckboxState() == cbChecked ? cbUnchecked : cbChecked);
        break;
    case ctkKeyPickList:
    case ctkKeyImageList:
        stepList(keyList.get());
        break;
    case ctkPickList:
        stepList(pickList.get());
        break;
    case ctkLookupField: {
        TDataSet* lookup = f->GetLookupDataSet();
        TField* key = valueField();
        if (!lookup || !key || !lookup->GetActive()) break;
        if (!key->IsNull() &&
            lookup->Locate(f->GetLookupKeyFields(), key->GetValue(), TLocateOptions{})) {
            if (forward) {
                lookup->Next();
                if (lookup->Eof()) lookup->First();
            } else {
                lookup->Prior();
                if (lookup->Bof()) lookup->Last();
            }
        } else {
            lookup->First();
        }
        // the lookup text follows from the key
        key->SetText(lookup->FieldByName(f->GetLookupKeyFields())->GetText());
        break;
    }
    case ctkCommon: {
        switch (f->GetDataType()) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftFloat:
        case ftCurrency:
        case ftBCD:
            f->SetAsFloat((f->IsNull() ? 0.0 : f->GetAsFloat()) + Step);
            break;
        default:
            break;
        }
        break;
    }
    }
}
