// The business-trip dialog: the details of a trip, kept between runs in the settings (section
// Comnd), an employee chosen by surname whose travel certificate prints, and the list of the
// employees an order sends, which prints as the order.
#pragma once

#include "Buttons.h"
#include "DBCtrls.h"
#include "ReportPrint.h"
#include "Forms.h"
#include "RxLookup.h"
#include "StdCtrls.h"
#include "ToolEdit.h"

#include <utility>
#include <vector>

class TCmdrForm : public TForm {
    KADRION_CLASS(TCmdrForm)
    explicit TCmdrForm(TComponent* AOwner);
    ~TCmdrForm() override;

    TEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10;
    TDateEdit *DateEdit1, *DateEdit2, *DateEdit3;
    TRxDBLookupCombo* RxDBLookupCombo1; // "Прізвище:"
    TDBEdit *DBEdit1, *DBEdit2;         // the name and patronymic
    TRxDBLookupCombo* RxDBLookupCombo2; // the position, read-only
    TMemo* SpMem;                       // the employees the order sends, one a line
    TBitBtn* BitBtn1;                   // "Закрити"
    TBitBtn* BitBtn2;                   // "Друк посвідчення"
    TBitBtn* BitBtn3;                   // "Друк розпорядження"
    TBitBtn* BitBtn4;                   // "До списку"
    TBitBtn* BitBtn5;                   // "Очистити"

    // Each kept control with its settings value, in the settings' order.
    std::vector<std::pair<TControl*, QString*>> KeptFields() const;

    void FormCreate(TObject* Sender);
    void FormActivate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void RxDBLookupCombo1Change(TObject* Sender);
    void BitBtn4Click(TObject* Sender); // the chosen employee onto the list
    void BitBtn5Click(TObject* Sender); // the list emptied
    void BitBtn2Click(TObject* Sender); // the certificate
    void BitBtn3Click(TObject* Sender); // the order

    // The list's line of an employee: "Шевченко Т.Г. - пров. інженер".
    static QString ListLine(const QString& Family, const QString& Name, const QString& Patr,
                            const QString& Position, const QString& Category);
    // The list's lines joined by ", " (blank lines left out).
    QString Stroka() const;
    // The variables both documents receive: the organisation, the head and the trip.
    TReportValues CommonVars();
};

extern TCmdrForm* CmdrForm;
