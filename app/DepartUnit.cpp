#include "DepartUnit.h"

#include "DMUnit.h"
#include "GridBuild.h"

TDepartForm* DepartForm = nullptr;

// An unsaved edit is offered for saving on close, as in the other directories.
TDepartForm::TDepartForm(TComponent* AOwner)
    : TDirectoryForm(AOwner, "DepartForm", "Довідник виробництв", {DM->IBdepart}, false) {
    DBGridEh1 = PlaceDirectoryGrid(this, this, "DBGridEh1", DM->DSdepart, DM->DBPopMenu, true);
    AddColumn(DBGridEh1, "NAMEDEP", "Найменування виробництва", 237);
    DBGridEh1->SetAutoFitColWidths(true);
    OpenData();
}

TDepartForm::~TDepartForm() {
    if (DepartForm == this) DepartForm = nullptr;
}
