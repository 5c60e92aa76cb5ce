// The print dialog (printer, copies, collation, which pages) and the printing of prepared pages.
#pragma once

#include "Forms.h"
#include "Spin.h"
#include "StdCtrls.h"

#include <QList>

class TfrReport;

// The collation picture of the print dialog: two sets of pages one after the other when the
// copies are collated, else each page's copies together.
class TfrCollatePicture : public TGraphicControl {
    KADRION_CLASS(TfrCollatePicture)
    explicit TfrCollatePicture(TComponent* AOwner) : TGraphicControl(AOwner) {}
    void Paint() override;
    TCheckBox* Source = nullptr; // the collate check box
};

class TfrPrintForm : public TForm {
    KADRION_CLASS(TfrPrintForm)
    explicit TfrPrintForm(TComponent* AOwner);
    void CB1Click(TObject* Sender);
    void PropButtonClick(TObject* Sender);
    void E2Enter(TObject* Sender);
    void RB3Click(TObject* Sender);
    void Label3Click(TObject* Sender);
    // A dialog not closed with OK puts the printer chosen before it back.
    void FormDeactivate(TObject* Sender);
    TModalResult ShowModal() override;
    // What the dialog leaves: the page list (empty: all pages; the current page's number for
    // "current"), or false with a message shown when the typed list is malformed.
    bool PageListText(int CurrentPage, QString& List);

    TGroupBox* GroupBox1;
    TLabel* Label4;
    TComboBox* CB1;
    TButton* PropButton;
    TGroupBox* GroupBox2;
    TRadioButton* RB1;
    TRadioButton* RB2;
    TRadioButton* RB3;
    TEdit* E2;
    TLabel* Label2;
    TGroupBox* GroupBox3;
    TLabel* Label1;
    TSpinEdit* E1;
    TCheckBox* CollateCB;
    TLabel* Label3;
    TfrCollatePicture* PB1;
    TLabel* Label5;
    TComboBox* CB2;
    TButton* Button1;
    TButton* Button2;
    int OldIndex = 0; // the engine printer's entry when the dialog was made
};

// The pages of a page list ("1,3,5-12", a trailing "-" runs to the last page) in order, 1-based.
// Spaces are ignored; an empty text is every page; pages beyond Count are left out and a
// reversed range gives none. False for a malformed text.
bool frParsePageList(const QString& Text, int Count, QList<int>& Pages);

// Which pages of a page list print: Parity 1 keeps the odd page numbers, 2 the even ones.
QList<int> frPagesToPrint(const QList<int>& Pages, int Parity);

// Prints the report's prepared pages on the engine's current printer: the pages of the list,
// Copies times (at least once), collated (the whole set per copy) or each page repeated,
// filtered by Parity. Progress gets each page number; a terminated report aborts the job.
// Returns false when the list is malformed or the job was aborted.
bool frPrintPreparedPages(TfrReport* Report, const QString& PageList, int Copies, int Parity,
                          bool Collate, const std::function<void(int)>& Progress = {});
