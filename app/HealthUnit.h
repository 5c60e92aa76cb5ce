// The sick-leave window: the sick-leave sheets of HEALTH above their list, which counts the
// sheets and sums the days and the sums paid. The employee is chosen by personnel number and
// copied into the sheet. Three reports list the sheets whose accounting month lies in a period.
#pragma once

#include "Buttons.h"
#include "DBCtrls.h"
#include "DBGridEh.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "RXDBCtrl.h"
#include "RecordForm.h"
#include "RxLookup.h"

// The three period reports.
enum THealthReport { hrAll, hrInjuries, hrByKind };

class THealthForm : public TRecordForm {
    KADRION_CLASS(THealthForm)
    explicit THealthForm(TComponent* AOwner);
    ~THealthForm() override;

    TBitBtn* BitBtn1;                   // "Звіт"
    TBitBtn* BitBtn2;                   // "Травматизм"
    TBitBtn* BitBtn3;                   // "Види захв."
    TPanel* Panel2;                     // the sheet's fields
    TRxDBLookupCombo* RxDBLookupCombo1; // "Таб. № "
    TDBComboBox* DBComboBox1;           // "Вид захворювання"
    TDBGridEh* DBGridEh1;

    void FormCreate(TObject* Sender);
    void RxDBLookupCombo1Change(TObject* Sender);
    void BitBtn1Click(TObject* Sender);
    void BitBtn2Click(TObject* Sender);
    void BitBtn3Click(TObject* Sender);

    // The statement of a report over the accounting months From to To (whole months, both
    // included; a period may cross a year end).
    static QStringList ReportSql(THealthReport Report, TDateTime From, TDateTime To);

protected:
    void Gone() override;

private:
    void makeButtons();
    void makeFields();
    void makeGrid();
    void report(THealthReport Report);
};

extern THealthForm* HealthForm;

// The kinds of illness offered for a sheet.
extern const char* const IllnessKinds[7];
