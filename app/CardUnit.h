// The employee card window: the card of the current employee on twelve tabs of data-bound
// controls above the list of employees. The list is narrowed and sorted by rewriting the last
// three lines of the data module's employee query: the employment filter, the subdivision
// filter and the ordering, which follows the list grid's sort markers.
#pragma once

#include "Buttons.h"
#include "ComCtrls.h"
#include "DBCtrls.h"
#include "DBGridEh.h"
#include "DBLookupEh.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "RXDBCtrl.h"
#include "RxDBComb.h"
#include "RxLookup.h"
#include "StdCtrls.h"
#include "ToolEdit.h"

#include <map>

// The largest photo side accepted from the clipboard, in pixels.
inline constexpr int MaxPhotoSide = 2000;

class TCardForm : public TForm {
    KADRION_CLASS(TCardForm)
    explicit TCardForm(TComponent* AOwner);
    ~TCardForm() override;

    TPanel* Panel1; // the header: the employee's name and the documents button
    TDBText *DBText1, *DBText2, *DBText3;
    TBitBtn* BitBtn3;
    TPageControl* PageControl1;
    TPanel* Panel3; // "Перехід по Tab"
    TPanel* Panel2; // the filters
    TRadioButton *RadioButton1, *RadioButton2, *RadioButton3, *RadioButton4;
    TRxDBLookupCombo* RxDBLookupCombo4;
    TDateEdit* DateEd;
    TDBGridEh* DBGridEh1; // the list
    TDBGridEh* DBGridEh2; // children
    TDBGridEh* DBGridEh3; // appointments
    TDBEdit* DBEdit1;     // the surname, focused on insert
    TDBImage* DBImage1;
    TPopupMenu* PopupMenu1; // of the photo
    TMenuItem *N1, *N2, *N3;
    // The documents of the current employee ("Друк документів"): the card, the certificate,
    // the hiring (N9) and dismissal (N10) orders under N8, and the attestation sheet with (N4)
    // and without (N5) the category under N11.
    TPopupMenu* PopupMenu2;
    TMenuItem *N4, *N5, *N6, *N7, *N8, *N9, *N10, *N11;
    TDBLookupComboboxEh* DBLookupComboboxEh1; // the subdivision
    TRxDBLookupCombo *GroupCombo, *ProfCombo;
    TDBComboBox* HdepCombo;

    // The control bound to a field of the employee (nullptr when none).
    TControl* FieldControl(const QString& Field) const;

    void FormCreate(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void RadioButton1Click(TObject* Sender);
    void RadioButton2Click(TObject* Sender);
    void RadioButton3Click(TObject* Sender);
    void RadioButton4Click(TObject* Sender);
    void RxDBLookupCombo4Change(TObject* Sender);
    void DateEdChange(TObject* Sender);
    void DBGridEh1SortMarkingChanged(TObject* Sender);
    void DBGridEh1DrawColumnCell(TObject* Sender, const TRect& Rect, int DataCol, TColumnEh* Column,
                                 TGridDrawState State);
    void DBLookupComboboxEh1Change(TObject* Sender);
    void N1Click(TObject* Sender); // paste the photo
    void N2Click(TObject* Sender); // copy it
    void N3Click(TObject* Sender); // cut it
    void BitBtn3Click(TObject* Sender);
    void N6Click(TObject* Sender);  // "Особова картка"
    void N7Click(TObject* Sender);  // "Посвідчення"
    void N9Click(TObject* Sender);  // the hiring order
    void N10Click(TObject* Sender); // the dismissal order
    void N4Click(TObject* Sender);  // the attestation sheet with the category
    void N5Click(TObject* Sender);  // and without it

    // The ORDER BY line for the grid's sort-marked columns, in their marking order.
    static QString OrderLine(TDBGridEh* Grid);

private:
    void makeHeader();
    void makeDocumentsMenu();
    // The attestation sheet: Memo4 gets the date since which the post is held; without the
    // category Memo7 gets the position name alone.
    void printAttestation(bool WithCategory);
    void makeTabs();
    void makeFilters();
    void makeListGrid();
    void makeDetailGrids(TWinControl* KidsParent, TWinControl* NaznParent);
    // Writes one of the list's SQL lines and opens the list again, under the wait window.
    void requery(int FromEnd, const QString& Line);
    void employmentFilter();
    // Saves or discards a pending edit (asking), then closes the datasets; once.
    void closeData();
    bool closed = false;
    std::map<QString, TControl*> fieldControls;
};

extern TCardForm* CardForm;
