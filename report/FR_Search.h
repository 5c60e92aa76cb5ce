// The preview's search dialog: the text to find, case, and where the search starts.
#pragma once

#include "Forms.h"
#include "StdCtrls.h"

class TfrPreviewSearchForm : public TForm {
    KADRION_CLASS(TfrPreviewSearchForm)
    explicit TfrPreviewSearchForm(TComponent* AOwner);
    // The text is selected whole, so a new search text replaces the previous one.
    void FormActivate(TObject* Sender);

    TLabel* Label1;
    TEdit* Edit1;
    TGroupBox* GroupBox1;
    TCheckBox* CB1;
    TGroupBox* GroupBox2;
    TRadioButton* RB1;
    TRadioButton* RB2;
    TButton* Button1;
    TButton* Button2;
};
