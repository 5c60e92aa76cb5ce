#include "DBActns.h"

#include "Controls.h"

void TDataSetAction::SetDataSource(TDataSource* Value) {
    if (dataSource) dataSource->RemoveFreeNotification(this);
    dataSource = Value;
    if (Value) Value->FreeNotification(this);
}

void TDataSetAction::Notification(TComponent* AComponent, TOperation Operation) {
    TAction::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == dataSource) dataSource = nullptr;
}

TDataSet* TDataSetAction::GetDataSet(TObject* Target) {
    if (dataSource) return dataSource->GetDataSet();
    if (auto* c = dynamic_cast<TControl*>(Target))
        if (auto* link = reinterpret_cast<TDataLink*>(c->Perform(CM_GETDATALINK, 0, 0)))
            return link->GetDataSet();
    return nullptr;
}

bool TDataSetAction::HandlesTarget(TObject* Target) {
    return GetDataSet(Target) != nullptr;
}

namespace {
bool active(TDataSet* D) {
    return D && D->GetActive();
}
bool editing(TDataSet* D) {
    return active(D) && (D->GetState() == dsEdit || D->GetState() == dsInsert);
}
} // namespace

#define KADRION_DATASET_ACTION_IMPL(Name, Caption, Exec, Enable)                                   \
    Name::Name(TComponent* AOwner) : TDataSetAction(AOwner) {                                      \
        SetCaption(QStringLiteral(Caption));                                                       \
    }                                                                                              \
    void Name::ExecuteTarget(TObject* Target) {                                                    \
        TDataSet* ds = GetDataSet(Target);                                                         \
        if (active(ds)) Exec;                                                                      \
    }                                                                                              \
    void Name::UpdateTarget(TObject* Target) {                                                     \
        TDataSet* ds = GetDataSet(Target);                                                         \
        SetEnabled(active(ds) && (Enable));                                                        \
    }

KADRION_DATASET_ACTION_IMPL(TDataSetFirst, "&First", ds->First(), !ds->GetBof())
KADRION_DATASET_ACTION_IMPL(TDataSetPrior, "&Prior", ds->Prior(), !ds->GetBof())
KADRION_DATASET_ACTION_IMPL(TDataSetNext, "&Next", ds->Next(), !ds->GetEof())
KADRION_DATASET_ACTION_IMPL(TDataSetLast, "&Last", ds->Last(), !ds->GetEof())
KADRION_DATASET_ACTION_IMPL(TDataSetInsert, "&Insert", ds->Insert(), ds->CanModify())
KADRION_DATASET_ACTION_IMPL(TDataSetDelete, "&Delete", ds->Delete(),
                            ds->CanModify() && !ds->IsEmpty())
KADRION_DATASET_ACTION_IMPL(TDataSetEdit, "&Edit", ds->Edit(),
                            ds->CanModify() && ds->GetState() == dsBrowse && !ds->IsEmpty())
KADRION_DATASET_ACTION_IMPL(TDataSetPost, "P&ost", ds->Post(), editing(ds))
KADRION_DATASET_ACTION_IMPL(TDataSetCancel, "&Cancel", ds->Cancel(), editing(ds))
KADRION_DATASET_ACTION_IMPL(TDataSetRefresh, "&Refresh", ds->Refresh(), true)
