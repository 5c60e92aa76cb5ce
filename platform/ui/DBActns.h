// The standard dataset actions: they act on the dataset of their DataSource or, without one,
// on the dataset of the focused data-aware control (the one answering CM_GETDATALINK), and
// enable themselves from its state when the application goes idle.
#pragma once

#include "ActnList.h"
#include "DB.h"

class TDataSetAction : public TAction {
    KADRION_CLASS(TDataSetAction)
    explicit TDataSetAction(TComponent* AOwner) : TAction(AOwner) {}
    TDataSource* GetDataSource() const { return dataSource; }
    void SetDataSource(TDataSource* Value);
    // The dataset the action works on for a target (null: none it can use).
    virtual TDataSet* GetDataSet(TObject* Target);
    bool HandlesTarget(TObject* Target) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TDataSource* dataSource = nullptr;
};

#define KADRION_DATASET_ACTION(Name)                                                               \
    class Name : public TDataSetAction {                                                           \
        KADRION_CLASS(Name)                                                                        \
        explicit Name(TComponent* AOwner);                                                         \
        void ExecuteTarget(TObject* Target) override;                                              \
        void UpdateTarget(TObject* Target) override;                                               \
    };

KADRION_DATASET_ACTION(TDataSetFirst)
KADRION_DATASET_ACTION(TDataSetPrior)
KADRION_DATASET_ACTION(TDataSetNext)
KADRION_DATASET_ACTION(TDataSetLast)
KADRION_DATASET_ACTION(TDataSetInsert)
KADRION_DATASET_ACTION(TDataSetDelete)
KADRION_DATASET_ACTION(TDataSetEdit)
KADRION_DATASET_ACTION(TDataSetPost)
KADRION_DATASET_ACTION(TDataSetCancel)
KADRION_DATASET_ACTION(TDataSetRefresh)

#undef KADRION_DATASET_ACTION
