#include "Opt2Unit.h"

#include "FormBuild.h"
#include "varer.h"

TOpt2Form* Opt2Form = nullptr;

namespace {

TGroupBox* frame(TComponent* Owner, TWinControl* Parent, const char* Name, int Top, int H,
                 const char* Caption) {
    TGroupBox* g = Place<TGroupBox>(Owner, Parent, Name, 8, Top, 400, H);
    g->SetCaption(QString::fromUtf8(Caption));
    return g;
}

} // namespace

TOpt2Form::TOpt2Form(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetUpDialog(this, "Opt2Form", "Настройки", 416, 616);

    Label3 = PlaceLabel(this, this, "Label3", 8, 8, "Повна назва підприємства:");
    Edit3 = Place<TEdit>(this, this, "Edit3", 8, 26, 400, 21);
    Label4 = PlaceLabel(this, this, "Label4", 8, 54, "Скорочена назва підприємства:");
    Edit4 = Place<TEdit>(this, this, "Edit4", 8, 72, 400, 21);
    Label1 = PlaceLabel(this, this, "Label1", 8, 100, "ПІБ начальника:");
    Edit1 = Place<TEdit>(this, this, "Edit1", 8, 118, 400, 21);
    Label5 = PlaceLabel(this, this, "Label5", 8, 146, "Посада начальника:");
    Edit5 = Place<TEdit>(this, this, "Edit5", 8, 164, 400, 21);

    GroupBox1 = frame(this, this, "GroupBox1", 194, 150, " Працівники відділу кадрів ");
    // the three columns and six rows fit exactly: no scrolling
    SGrid = Place<TStringGrid>(this, GroupBox1, "SGrid", 22, 22, 355, 118);
    SGrid->SetColCount(3);
    SGrid->SetRowCount(6);
    SGrid->SetFixedCols(1);
    SGrid->SetFixedRows(1);
    SGrid->SetDefaultRowHeight(18);
    SGrid->SetColWidths(0, 15);
    SGrid->SetColWidths(1, 178);
    SGrid->SetColWidths(2, 155);
    SGrid->SetScrollBars(ssNone);
    SGrid->SetOptions(
        TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goEditing, goTabs});

    Radio2 = Place<TRadioGroup>(this, this, "Radio2", 8, 352, 400, 66);
    Radio2->SetCaption(QStringLiteral(" Сервер бази даних "));
    Radio2->GetItems()->Add(QStringLiteral("Локальний (на цьому ПК)"));
    Radio2->GetItems()->Add(QStringLiteral("Віддалений (на сервері)"));
    Radio2->SetItemIndex(0);
    Radio2->OnClick = [this](TObject* S) { Radio2Click(S); };

    GroupBox2 = frame(this, this, "GroupBox2", 426, 68, " Ім'я або IP-адреса сервера ");
    Label2 = PlaceLabel(this, GroupBox2, "Label2", 12, 20, "Введіть ім'я або IP-адресу сервера");
    Edit2 = Place<TEdit>(this, GroupBox2, "Edit2", 12, 38, 376, 21);
    GroupBox3 = frame(this, this, "GroupBox3", 502, 68, " Файл бази даних ");
    Label6 = PlaceLabel(this, GroupBox3, "Label6", 12, 20, "Введіть повний путь до бази даних");
    Edit6 = Place<TEdit>(this, GroupBox3, "Edit6", 12, 38, 376, 21);

    BitBtn1 = Place<TBitBtn>(this, this, "BitBtn1", 206, 580, 98, 27);
    BitBtn1->SetKind(bkOK);
    BitBtn1->OnClick = [this](TObject* S) { BitBtn1Click(S); };
    BitBtn2 = Place<TBitBtn>(this, this, "BitBtn2", 310, 580, 98, 27);
    BitBtn2->SetKind(bkCancel);
    OnActivate = [this](TObject* S) { FormActivate(S); };
    EndLoading();
}

void TOpt2Form::FormActivate(TObject*) {
    Edit3->SetText(FullNameOrg);
    Edit4->SetText(NameOrg);
    Edit1->SetText(Boss);
    Edit5->SetText(BossPos);
    SGrid->SetCells(1, 0, QStringLiteral("Посада"));
    SGrid->SetCells(2, 0, QStringLiteral("ПІБ працівника"));
    for (int i = 1; i <= 5; ++i) {
        SGrid->SetCells(0, i, QString::number(i));
        SGrid->SetCells(1, i, *OkPos(i));
        SGrid->SetCells(2, i, *OkPib(i));
    }
    Radio2->SetItemIndex(TypeSvr == 0 ? 0 : 1);
    Edit2->SetText(NameSvr);
    Edit6->SetText(PathFileSvr);
    Radio2Click(Radio2);
}

void TOpt2Form::Radio2Click(TObject*) {
    const bool server = Radio2->GetItemIndex() != 0;
    GroupBox2->SetEnabled(server);
    Label2->SetEnabled(server);
    Edit2->SetEnabled(server);
}

void TOpt2Form::BitBtn1Click(TObject*) {
    FullNameOrg = Edit3->GetText();
    NameOrg = Edit4->GetText();
    Boss = Edit1->GetText();
    BossPos = Edit5->GetText();
    for (int i = 1; i <= 5; ++i) {
        *OkPos(i) = SGrid->GetCells(1, i);
        *OkPib(i) = SGrid->GetCells(2, i);
    }
    TypeSvr = Radio2->GetItemIndex();
    NameSvr = Edit2->GetText();
    PathFileSvr = Edit6->GetText();
    SetModalResult(mrOk);
}
