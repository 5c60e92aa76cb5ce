// The leave-order window: the annual-leave orders of ORDERP, one per employee, entered on two
// tabs above their list. The employee is chosen by personnel number and copied into the
// order; the total days and the end date of the leave follow the day fields as they are
// left, counted over the working calendar. It prints the current order and the list of the
// leaves that start in a month.
#pragma once

#include "Buttons.h"
#include "ComCtrls.h"
#include "DBCtrls.h"
#include "DBGridEh.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "RXDBCtrl.h"
#include "RecordForm.h"
#include "RxLookup.h"

class TOtpForm : public TRecordForm {
    KADRION_CLASS(TOtpForm)
    explicit TOtpForm(TComponent* AOwner);
    ~TOtpForm() override;

    TBitBtn* BitBtn1; // "Друк наказу"
    TBitBtn* BitBtn2; // "Надання відпустки"
    TPageControl* PageControl1;
    TTabSheet *TabSheet1, *TabSheet2;
    TRxDBLookupCombo* RxDBLookupCombo1; // "Таб. № "
    TRxDBLookupCombo* RxDBLookupCombo2; // the subdivision, read-only
    TRxDBLookupCombo* RxDBLookupCombo3; // the position, read-only
    TDBComboBox* DBComboBox1;           // "Умови праці"
    TDBGridEh* DBGridEh1;

    void FormCreate(TObject* Sender);
    // The employee chosen by number is copied into the order.
    void RxDBLookupCombo1Change(TObject* Sender);
    // A day field, the start or the notes left: totals and end date again.
    void DayFieldExit(TObject* Sender);
    // The start of the work year left: its end again.
    void PeriodBExit(TObject* Sender);
    void BitBtn1Click(TObject* Sender); // the order
    void BitBtn2Click(TObject* Sender); // the month's list

    // The statement of the month's list for month Month of Year.
    static QStringList MonthListSql(int Month, int Year);

protected:
    void Gone() override;

private:
    void makeButtons();
    void makeMainTab();
    void makeExtraTab();
    void makeGrid();
    // Whether the order has changes not posted yet.
    bool changed() const;
};

extern TOtpForm* OtpForm;
