// The directory of productions: one grid edited in place.
#pragma once

#include "DBGridEh.h"
#include "DirectoryForm.h"

class TDepartForm : public TDirectoryForm {
    KADRION_CLASS(TDepartForm)
    explicit TDepartForm(TComponent* AOwner);
    ~TDepartForm() override;

    TDBGridEh* DBGridEh1;
};

extern TDepartForm* DepartForm;
