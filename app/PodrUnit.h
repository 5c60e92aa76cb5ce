// The directory of subdivisions with their groups: the subdivisions above, the groups of the
// current subdivision below, a splitter between. Inserting, deleting and saving go through
// the data module's rules (the delete question, the key messages, the code of a new group).
#pragma once

#include "DBGridEh.h"
#include "DirectoryForm.h"
#include "ExtCtrls.h"
#include "StdCtrls.h"

class TPodrForm : public TDirectoryForm {
    KADRION_CLASS(TPodrForm)
    explicit TPodrForm(TComponent* AOwner);
    ~TPodrForm() override;

    TGroupBox* GroupBox1; // "База підрозділів"
    TDBGridEh* DBGridEh1;
    TSplitter* Splitter1;
    TGroupBox* GroupBox2; // "База груп"
    TDBGridEh* DBGridEh2;
};

extern TPodrForm* PodrForm;
