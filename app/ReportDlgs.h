// The small modal dialogs that ask for the parameters of reports and documents, made once at
// start and shown again and again: a date, a period, a month and year, certificate numbers
// and an HR staff member's name.
#pragma once

#include "Buttons.h"
#include "Forms.h"
#include "Spin.h"
#include "StdCtrls.h"
#include "ToolEdit.h"

// "Введіть дату": one date, today's on every activation.
class TTimeForm : public TForm {
    KADRION_CLASS(TTimeForm)
    explicit TTimeForm(TComponent* AOwner);
    TDateEdit* DateEdit1;
    TBitBtn* BitBtn1; // "Продовжити"
    TBitBtn* BitBtn2; // "Скасувати"
    void FormActivate(TObject* Sender);
};

// "Період": the dates from and to, both today's on every activation.
class TPeriodForm : public TForm {
    KADRION_CLASS(TPeriodForm)
    explicit TPeriodForm(TComponent* AOwner);
    TGroupBox* GroupBox1;
    TLabel* Label1; // "з"
    TDateEdit* DateEdit1;
    TLabel* Label2; // "до"
    TDateEdit* DateEdit2;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;
    void FormActivate(TObject* Sender);
};

// "Місяць та рік": the current month and year on every activation. A caller that wants a
// year alone disables Label1 and ComboBox1 first; "Продовжити" enables them again.
class TQuetForm : public TForm {
    KADRION_CLASS(TQuetForm)
    explicit TQuetForm(TComponent* AOwner);
    TGroupBox* GroupBox1;
    TLabel* Label1; // "Місяць:"
    TComboBox* ComboBox1;
    TLabel* Label2; // "Рік:"
    TSpinEdit* SpinEdit1;
    TBitBtn* BitBtn1;
    void FormActivate(TObject* Sender);
    void BitBtn1Click(TObject* Sender);
};

// "Друк посвідчень": four certificate numbers, kept between uses.
class TUdostForm : public TForm {
    KADRION_CLASS(TUdostForm)
    explicit TUdostForm(TComponent* AOwner);
    TGroupBox* GroupBox1;
    TEdit* Edit1;
    TEdit* Edit2;
    TEdit* Edit3;
    TEdit* Edit4;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;
};

// "ПІБ працівника": the HR staff member who signs a document.
class TWrkForm : public TForm {
    KADRION_CLASS(TWrkForm)
    explicit TWrkForm(TComponent* AOwner);
    TGroupBox* GroupBox1;
    TLabel* Label1;
    TComboBox* CmbBox;
    TBitBtn* BitBtn1; // "OK"
};

extern TTimeForm* TimeForm;
extern TPeriodForm* PeriodForm;
extern TQuetForm* QuetForm;
extern TUdostForm* UdostForm;
extern TWrkForm* WrkForm;

// The month names of the month list, January first.
extern const char16_t* const MonthNamesUa[12];
