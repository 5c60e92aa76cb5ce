// The query builder window "Формування простих звітів": the columns of the document chosen by
// moving captions between two lists, about forty filters on seven sub-tabs, the document's
// title and orientation, and "Формувати документ", which builds and runs the statement in the
// data module's Select, shows the rows in the result tab and lays the report page out.
#pragma once

#include "Buttons.h"
#include "ComCtrls.h"
#include "DBGridEh.h"
#include "FR_Class.h"
#include "FR_DBSet.h"
#include "FR_View.h"
#include "Forms.h"
#include "RXCtrls.h"
#include "RxLookup.h"
#include "SelReport.h"
#include "SelSql.h"
#include "StdCtrls.h"
#include "ToolEdit.h"

class TSelForm : public TForm {
    KADRION_CLASS(TSelForm)
    explicit TSelForm(TComponent* AOwner);
    ~TSelForm() override;

    TPageControl* PageControl1;
    TTabSheet *TabSheet1, *TabSheet2, *TabSheet3, *TabSheet4;
    // "Колонки документу"
    TTextListBox* SrcList;
    TTextListBox* DstList;
    TButton *IncBtn, *IncAllBtn, *ExclBtn, *ExclAllBtn;
    // "Умови документу"
    TPageControl* PageControl2;
    TEdit *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10, *Edit11, *Edit12,
        *Edit13, *Edit14;
    TComboBox *ComboBox1, *ComboBox2, *ComboBox3, *ComboBox4, *ComboBox5, *ComboBox6, *ComboBox7,
        *ComboBox8, *ComboBox9, *ComboBox10, *ComboBox11, *ComboBox12, *ComboBox13, *ComboBox14,
        *ComboBox15, *ComboBox16, *ComboBox17, *ComboBox18, *ComboBox19;
    TDateEdit *DateEdit2, *DateEdit3, *DateEdit4, *DateEdit5;
    TRxDBLookupCombo *RxDBLookupCombo1, *RxDBLookupCombo2, *RxDBLookupCombo4;
    TRadioButton *RBut1, *RBut2;
    TCheckBox *CheckBox1, *CheckBox2, *CheckBox3, *CheckBox4, *CheckBox5, *CheckBox6, *CheckBox7,
        *CheckBox8;
    // "Документ"
    TEdit* Edit1;
    TRadioButton *Radio1, *Radio2;
    // "Результат": the rows of the last build
    TDBGridEh* ResultGrid;
    TDataSource* DSResult;
    // below the tabs
    TDateEdit* DateEdit1;
    TBitBtn* BitBtn1;

    // The data module's report, laid out from the last build over its dataset frDBDataSet1.
    TfrReport* frReport1;
    TSelReportPage LastPage;
    // Shows the report's prepared pages; by default a modal preview window, from which the
    // user prints. Tests put their own here.
    std::function<void(TfrReport* Report)> ShowPreview;
    // The preview window while it is shown.
    TfrPreviewForm* PreviewWindow = nullptr;

    // The filters as the controls hold them.
    TSelFilters Filters();
    QStringList Columns() const;

    // --- handlers
    void FormCreate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void BitBtn1Click(TObject* Sender);
    void RBut1Click(TObject* Sender);
    void RBut2Click(TObject* Sender);
    void IncBtnClick(TObject* Sender);
    void IncAllBtnClick(TObject* Sender);
    void ExclBtnClick(TObject* Sender);
    void ExclAllBtnClick(TObject* Sender);
    void SetButtons();

private:
    void makeColumnsTab();
    void makeFilterTabs();
    void makeDocumentTab();
    void bindList(TTextListBox* List, TTextListBox* Other);
};

extern TSelForm* SelForm;

inline constexpr const char16_t SSelCaption[] = u"Формування простих звітів";
