#include "ReportDlgs.h"

#include "Dates.h"
#include "FormBuild.h"

TTimeForm* TimeForm = nullptr;
TPeriodForm* PeriodForm = nullptr;
TQuetForm* QuetForm = nullptr;
TUdostForm* UdostForm = nullptr;
TWrkForm* WrkForm = nullptr;

const char16_t* const MonthNamesUa[12] = {u"січень",   u"лютий",   u"березень", u"квітень",
                                          u"травень",  u"червень", u"липень",   u"серпень",
                                          u"вересень", u"жовтень", u"листопад", u"грудень"};

namespace {

TBitBtn* button(TComponent* Owner, TWinControl* Parent, const char* Name, int L, int Top,
                TBitBtnKind Kind, const char* Caption, TModalResult Result) {
    TBitBtn* b = Place<TBitBtn>(Owner, Parent, Name, L, Top, 108, 27);
    b->SetKind(Kind);
    b->SetCaption(QString::fromUtf8(Caption));
    b->SetModalResult(Result);
    return b;
}

QString today() {
    return DateToStr(Date());
}

} // namespace

TTimeForm::TTimeForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetUpDialog(this, "TimeForm", "Введіть дату", 252, 96);
    DateEdit1 = PlaceDateEdit(this, this, "DateEdit1", 70, 16);
    BitBtn1 = button(this, this, "BitBtn1", 12, 56, bkOK, "Продовжити", mrOk);
    BitBtn2 = button(this, this, "BitBtn2", 132, 56, bkCancel, "Скасувати", mrCancel);
    OnActivate = [this](TObject* S) { FormActivate(S); };
    EndLoading();
}

void TTimeForm::FormActivate(TObject*) {
    DateEdit1->SetText(today());
}

TPeriodForm::TPeriodForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetUpDialog(this, "PeriodForm", "Період", 300, 124);
    GroupBox1 = Place<TGroupBox>(this, this, "GroupBox1", 8, 4, 284, 72);
    GroupBox1->SetCaption(QStringLiteral(" Введіть період "));
    Label1 = PlaceLabel(this, GroupBox1, "Label1", 12, 32, "з");
    DateEdit1 = PlaceDateEdit(this, GroupBox1, "DateEdit1", 28, 28);
    Label2 = PlaceLabel(this, GroupBox1, "Label2", 148, 32, "до");
    DateEdit2 = PlaceDateEdit(this, GroupBox1, "DateEdit2", 166, 28);
    BitBtn1 = button(this, this, "BitBtn1", 36, 86, bkOK, "Продовжити", mrOk);
    BitBtn2 = button(this, this, "BitBtn2", 156, 86, bkCancel, "Скасувати", mrCancel);
    OnActivate = [this](TObject* S) { FormActivate(S); };
    EndLoading();
}

void TPeriodForm::FormActivate(TObject*) {
    DateEdit1->SetText(today());
    DateEdit2->SetText(today());
}

TQuetForm::TQuetForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetUpDialog(this, "QuetForm", "Місяць та рік", 260, 128);
    GroupBox1 = Place<TGroupBox>(this, this, "GroupBox1", 8, 4, 244, 76);
    GroupBox1->SetCaption(QStringLiteral("Введіть місяць та рік"));
    Label1 = PlaceLabel(this, GroupBox1, "Label1", 12, 22, "Місяць:");
    ComboBox1 = Place<TComboBox>(this, GroupBox1, "ComboBox1", 12, 40, 124, 21);
    ComboBox1->SetStyle(csDropDownList);
    ComboBox1->SetDropDownCount(12);
    for (const char16_t* m : MonthNamesUa)
        ComboBox1->GetItems()->Add(QString::fromUtf16(m));
    Label2 = PlaceLabel(this, GroupBox1, "Label2", 150, 22, "Рік:");
    SpinEdit1 = Place<TSpinEdit>(this, GroupBox1, "SpinEdit1", 150, 40, 80, 21);
    SpinEdit1->SetMinValue(1990);
    SpinEdit1->SetMaxValue(2100);
    BitBtn1 = button(this, this, "BitBtn1", 76, 90, bkOK, "Продовжити", mrOk);
    BitBtn1->OnClick = [this](TObject* S) { BitBtn1Click(S); };
    OnActivate = [this](TObject* S) { FormActivate(S); };
    EndLoading();
    SpinEdit1->SetValue(YearOf(Date()));
}

void TQuetForm::FormActivate(TObject*) {
    ComboBox1->SetItemIndex(MonthOf(Date()) - 1);
    SpinEdit1->SetValue(YearOf(Date()));
}

void TQuetForm::BitBtn1Click(TObject*) {
    Label1->SetEnabled(true);
    ComboBox1->SetEnabled(true);
    SetModalResult(mrOk);
}

TUdostForm::TUdostForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetUpDialog(this, "UdostForm", "Друк посвідчень", 256, 190);
    GroupBox1 = Place<TGroupBox>(this, this, "GroupBox1", 8, 4, 240, 136);
    GroupBox1->SetCaption(QStringLiteral(" Номера посвідчень "));
    TEdit** edits[] = {&Edit1, &Edit2, &Edit3, &Edit4};
    const char* names[] = {"Edit1", "Edit2", "Edit3", "Edit4"};
    for (int i = 0; i < 4; ++i)
        *edits[i] = Place<TEdit>(this, GroupBox1, names[i], 16, 24 + i * 27, 208, 21);
    BitBtn1 = button(this, this, "BitBtn1", 14, 152, bkOK, "Продовжити", mrOk);
    BitBtn2 = button(this, this, "BitBtn2", 134, 152, bkCancel, "Скасувати", mrCancel);
    EndLoading();
}

TWrkForm::TWrkForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetUpDialog(this, "WrkForm", "ПІБ працівника", 330, 132);
    GroupBox1 = Place<TGroupBox>(this, this, "GroupBox1", 8, 4, 314, 80);
    GroupBox1->SetCaption(QStringLiteral(" ПІБ працівника відділу кадрів "));
    Label1 =
        PlaceLabel(this, GroupBox1, "Label1", 12, 22, "Виберіть ПІБ працівника відділу кадрів");
    CmbBox = Place<TComboBox>(this, GroupBox1, "CmbBox", 12, 42, 290, 21);
    BitBtn1 = Place<TBitBtn>(this, this, "BitBtn1", 127, 94, 76, 27);
    BitBtn1->SetCaption(QStringLiteral("OK"));
    BitBtn1->SetDefault(true);
    BitBtn1->SetModalResult(mrOk);
    EndLoading();
}
