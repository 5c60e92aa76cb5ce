// The directory of positions: the code and the name of the current position edited in the
// panel above the list, which shows whole rows and is not edited in place.
#pragma once

#include "DBCtrls.h"
#include "DBGridEh.h"
#include "DirectoryForm.h"
#include "ExtCtrls.h"

class TProfForm : public TDirectoryForm {
    KADRION_CLASS(TProfForm)
    explicit TProfForm(TComponent* AOwner);
    ~TProfForm() override;

    TPanel* Panel1;
    TDBEdit* DBEdit1; // "Код"
    TDBEdit* DBEdit2; // "Назва посади"
    TDBGridEh* DBGridEh1;
};

extern TProfForm* ProfForm;
