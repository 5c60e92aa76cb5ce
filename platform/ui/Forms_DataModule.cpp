// TDataModule: a container of non-visual components that the screen knows of.
#include "Forms.h"
#include "UiInternal.h"

TDataModule::TDataModule(TComponent* AOwner) : TComponent(AOwner) {
    Screen->AddDataModule(this);
}

TDataModule::~TDataModule() {
    if (!destroyed) BeforeDestruction();
    DestroyComponents();
    Screen->RemoveDataModule(this);
}

void TDataModule::AfterConstruction() {
    if (created) return;
    created = true;
    if (OnCreate) OnCreate(this);
}

void TDataModule::BeforeDestruction() {
    if (destroyed) return;
    destroyed = true;
    if (OnDestroy) {
        try {
            OnDestroy(this);
        } catch (...) {
            HandleCurrentException(this);
        }
    }
    TComponent::BeforeDestruction();
}
