#include "CmdrUnit.h"

#include "DMUnit.h"
#include "ReportPrint.h"
#include "RecordBuild.h"
#include "varer.h"

TCmdrForm* CmdrForm = nullptr;

namespace {

constexpr int Left1 = 12, Left2 = 190, Right1 = 360, Right2 = 500, RowStep = 27;

} // namespace

TCmdrForm::TCmdrForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetUpDialog(this, "CmdrForm", "Відрядження", 660, 560);
    int y = 12;
    auto label = [this, &y](int Left, const char* Text) {
        return PlaceLabel(this, this, "", Left, y + 3, Text);
    };
    auto edit = [this, &y](const char* Name, int Left, int Width) {
        return Place<TEdit>(this, this, Name, Left, y, Width, 22);
    };
    label(Left1, "№ посвідчення:");
    Edit2 = edit("Edit2", Left2, 140);
    label(Right1, "№ розпорядження:");
    Edit5 = edit("Edit5", Right2, 140);
    y += RowStep;
    label(Left1, "Дата посвід.\\розпорядж.:");
    DateEdit1 = PlaceDateEdit(this, this, "DateEdit1", Left2, y);

    y += RowStep + 8;
    label(Left1, "Прізвище:");
    RxDBLookupCombo1 = Place<TRxDBLookupCombo>(this, this, "RxDBLookupCombo1", Left2, y, 300, 22);
    RxDBLookupCombo1->SetDropDownCount(10);
    RxDBLookupCombo1->SetLookupSource(DM->DataSource);
    RxDBLookupCombo1->SetLookupField(QStringLiteral("TAB"));
    RxDBLookupCombo1->SetLookupDisplay(QStringLiteral("FAMILY;NAME;PATR"));
    RxDBLookupCombo1->OnChange = [this](TObject* S) { RxDBLookupCombo1Change(S); };
    BitBtn4 = Place<TBitBtn>(this, this, "BitBtn4", Right2 + 24, y - 2, 116, 26);
    BitBtn4->SetCaption(QStringLiteral("До списку"));
    BitBtn4->OnClick = [this](TObject* S) { BitBtn4Click(S); };
    y += RowStep;
    label(Left1, "Ім'я:");
    DBEdit1 = Place<TDBEdit>(this, this, "DBEdit1", Left2, y, 140, 22);
    label(Right1, "По батькові:");
    DBEdit2 = Place<TDBEdit>(this, this, "DBEdit2", Right2 - 40, y, 180, 22);
    for (auto [e, field] : {std::pair{DBEdit1, "NAME"}, {DBEdit2, "PATR"}}) {
        e->SetDataSource(DM->DataSource);
        e->SetDataField(QString::fromLatin1(field));
        e->SetReadOnly(true);
        e->SetTabStop(false);
        e->SetColor(clBtnFace);
    }
    y += RowStep;
    label(Left1, "Посада:");
    RxDBLookupCombo2 = Place<TRxDBLookupCombo>(this, this, "RxDBLookupCombo2", Left2, y, 450, 22);
    RxDBLookupCombo2->SetDataSource(DM->DataSource);
    RxDBLookupCombo2->SetDataField(QStringLiteral("CPROF"));
    RxDBLookupCombo2->SetLookupSource(DM->DSprof);
    RxDBLookupCombo2->SetLookupField(QStringLiteral("CODPROF"));
    RxDBLookupCombo2->SetLookupDisplay(QStringLiteral("NAMPROF"));
    RxDBLookupCombo2->SetReadOnly(true);
    RxDBLookupCombo2->SetTabStop(false);

    y += RowStep + 8;
    label(Left1, "Пункт призначення:");
    Edit1 = edit("Edit1", Left2, 450);
    y += RowStep;
    label(Left1, "В країну:");
    Edit7 = edit("Edit7", Left2, 160);
    label(Right1 + 20, "Місто:");
    Edit8 = edit("Edit8", Right2 - 60, 200);
    y += RowStep;
    label(Left1, "Підприємство:");
    Edit9 = edit("Edit9", Left2, 450);
    y += RowStep;
    label(Left1, "Мета відрядження:");
    Edit3 = edit("Edit3", Left2, 450);
    y += RowStep;
    label(Left1, "Термін відрядження:");
    Edit4 = edit("Edit4", Left2, 50);
    label(Left2 + 56, "днів");
    label(Left2 + 110, "з");
    DateEdit2 = PlaceDateEdit(this, this, "DateEdit2", Left2 + 126, y);
    label(Left2 + 250, "по");
    DateEdit3 = PlaceDateEdit(this, this, "DateEdit3", Left2 + 274, y);
    y += RowStep;
    label(Left1, "Вибув з:");
    Edit6 = edit("Edit6", Left2, 450);
    y += RowStep;
    label(Left1, "Проїзд дозволяється:");
    Edit10 = edit("Edit10", Left2, 450);

    y += RowStep + 8;
    TLabel* list = PlaceLabel(this, this, "Label15", Left1, y, "Список");
    list->SetCaption(QStringLiteral("Список\nвідряджених\nу розпорядженні:"));
    SpMem = Place<TMemo>(this, this, "SpMem", Left2, y, 450, 100);
    SpMem->SetScrollBars(ssVertical);
    BitBtn5 = Place<TBitBtn>(this, this, "BitBtn5", Left1, y + 64, 110, 26);
    BitBtn5->SetCaption(QStringLiteral("Очистити"));
    BitBtn5->OnClick = [this](TObject* S) { BitBtn5Click(S); };

    y += 100 + 16;
    BitBtn3 = Place<TBitBtn>(this, this, "BitBtn3", Left1 + 60, y, 170, 28);
    BitBtn3->SetCaption(QStringLiteral("Друк розпорядження"));
    BitBtn3->OnClick = [this](TObject* S) { BitBtn3Click(S); };
    BitBtn2 = Place<TBitBtn>(this, this, "BitBtn2", Left1 + 250, y, 170, 28);
    BitBtn2->SetCaption(QStringLiteral("Друк посвідчення"));
    BitBtn2->OnClick = [this](TObject* S) { BitBtn2Click(S); };
    BitBtn1 = Place<TBitBtn>(this, this, "BitBtn1", Left1 + 440, y, 120, 28);
    BitBtn1->SetCaption(QStringLiteral("Закрити"));
    BitBtn1->SetModalResult(mrOk);
    SetClientHeight(y + 44);

    // Each showing starts afresh; coming back from a dialog of its own (the year, a preview)
    // keeps what the window shows.
    OnShow = [this](TObject* S) { FormActivate(S); };
    OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
    EndLoading();
    FormCreate(this);
}

TCmdrForm::~TCmdrForm() {
    if (CmdrForm == this) CmdrForm = nullptr;
}

std::vector<std::pair<TControl*, QString*>> TCmdrForm::KeptFields() const {
    return {{Edit2, &ComndNomUd},    {Edit5, &ComndNomRoz},    {DateEdit1, &ComndDatUd},
            {DateEdit2, &ComndDatZ}, {DateEdit3, &ComndDatPo}, {Edit1, &ComndPunkt},
            {Edit3, &ComndMeta},     {Edit4, &ComndTerm},      {Edit6, &ComndVib},
            {Edit7, &ComndCntry},    {Edit8, &ComndCity},      {Edit9, &ComndEnt},
            {Edit10, &ComndDozv}};
}

void TCmdrForm::FormCreate(TObject*) {
    for (auto [control, value] : KeptFields())
        control->SetText(*value);
}

void TCmdrForm::FormActivate(TObject*) {
    // The lookups' datasets before the list, whose rows take their names from them.
    DM->IBpodr->Open();
    DM->IBprof->Open();
    DM->SetQueryLine(3, QString());
    DM->IBQuery->Open();
    RxDBLookupCombo1->SetValue(
        DM->IBQuery->IsEmpty() ? QString()
                               : DM->IBQuery->FieldByName(QStringLiteral("TAB"))->GetAsString());
}

void TCmdrForm::FormClose(TObject*, TCloseAction&) {
    for (auto [control, value] : KeptFields())
        *value = control->GetText();
    DM->IBpodr->Close();
    DM->IBQuery->Close();
    DM->IBprof->Close();
}

void TCmdrForm::RxDBLookupCombo1Change(TObject*) {
    // The employee list stands on the chosen employee: the name, patronymic and position
    // follow it.
    const QString tab = RxDBLookupCombo1->GetValue();
    if (!tab.isEmpty() && DM->IBQuery->GetActive())
        DM->IBQuery->Locate(QStringLiteral("TAB"), Variant(tab), TLocateOptions{});
}

QString TCmdrForm::ListLine(const QString& Family, const QString& Name, const QString& Patr,
                            const QString& Position, const QString& Category) {
    const int blank = Position.indexOf(u' ');
    QString w = blank < 0 ? Position : Position.left(blank);
    if (Category == u"ПРОВ") w = QStringLiteral("ПРОВ. ") + w;
    return Family + u' ' + Name.left(1) + u'.' + Patr.left(1) + QStringLiteral(". - ") +
           w.toLower();
}

void TCmdrForm::BitBtn4Click(TObject*) {
    TIBQuery* who = DM->IBQuery;
    if (!who->GetActive() || who->IsEmpty()) return;
    auto text = [who](const char* Field) {
        return who->FieldByName(QString::fromLatin1(Field))->GetAsString();
    };
    QString position;
    if (DM->IBprof->Locate(QStringLiteral("CODPROF"), Variant(text("CPROF")), TLocateOptions{}))
        position = DM->IBprof->FieldByName(QStringLiteral("NAMPROF"))->GetAsString();
    SpMem->GetLines()->Add(
        ListLine(text("FAMILY"), text("NAME"), text("PATR"), position, text("NKAT")));
}

void TCmdrForm::BitBtn5Click(TObject*) {
    SpMem->GetLines()->Clear();
}

QString TCmdrForm::Stroka() const {
    QStringList lines;
    TStrings* memo = SpMem->GetLines();
    for (int i = 0; i < memo->Count(); ++i)
        if (!memo->GetStrings(i).trimmed().isEmpty()) lines << memo->GetStrings(i);
    return lines.join(QStringLiteral(", "));
}

TReportValues TCmdrForm::CommonVars() {
    // FullOrg, Org and Boss come with every report.
    return {{QStringLiteral("NomRoz"), Variant(Edit5->GetText())},
            {QStringLiteral("DatUd"), ReportDate(DateEdit1->GetDate())},
            {QStringLiteral("DatZ"), ReportDate(DateEdit2->GetDate())},
            {QStringLiteral("DatPo"), ReportDate(DateEdit3->GetDate())},
            {QStringLiteral("Meta"), Variant(Edit3->GetText())},
            {QStringLiteral("Term"), Variant(Edit4->GetText())}};
}

void TCmdrForm::BitBtn2Click(TObject*) {
    TReportValues vars = CommonVars();
    vars.insert(vars.end(), {{QStringLiteral("NomUd"), Variant(Edit2->GetText())},
                             {QStringLiteral("Punkt"), Variant(Edit1->GetText())},
                             {QStringLiteral("Vib"), Variant(Edit6->GetText())}});
    PrintReport(QStringLiteral("comand.frf"), vars);
}

void TCmdrForm::BitBtn3Click(TObject*) {
    TReportValues vars = CommonVars();
    vars.insert(vars.end(), {{QStringLiteral("Stroka"), Variant(Stroka())},
                             {QStringLiteral("Cntry"), Variant(Edit7->GetText())},
                             {QStringLiteral("City"), Variant(Edit8->GetText())},
                             {QStringLiteral("Ent"), Variant(Edit9->GetText())},
                             {QStringLiteral("Dozv"), Variant(Edit10->GetText())}});
    PrintReport(QStringLiteral("rozp.frf"), vars);
}
