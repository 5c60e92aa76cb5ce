// The display format editor: a view's format word (category, type, decimals, decimal separator)
// and its own format string, chosen from the categories and types that templates store.
#pragma once

#include "Forms.h"
#include "StdCtrls.h"

class TfrFmtForm : public TForm {
    KADRION_CLASS(TfrFmtForm)
    explicit TfrFmtForm(TComponent* AOwner);
    // Fills the lists from Format and shows the controls that its category and type use.
    void FormActivate(TObject* Sender);
    // A category chosen: its types, the first one selected.
    void CatLBClick(TObject* Sender);
    // Enables the decimals and separator for numbers, the own format for the last type.
    void ShowControls();
    // OK: Format and FormatStr from the controls; anything else leaves them as they were.
    void FormDeactivate(TObject* Sender);
    TModalResult ShowModal() override;

    int Format = 0;
    QString FormatStr;

    TListBox* CatLB;
    TListBox* TypeLB;
    TLabel* Label1;
    TEdit* DecEdit;
    TLabel* Label2;
    TEdit* SplEdit;
    TLabel* Label3;
    TEdit* FormatEdit;
    TButton* OK;
    TButton* Cancel;
};
