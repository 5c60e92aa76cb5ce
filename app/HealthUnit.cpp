#include "HealthUnit.h"

#include "DMUnit.h"
#include "Dates.h"
#include "ReportPrint.h"
#include "RecordBuild.h"
#include "ReportDlgs.h"

THealthForm* HealthForm = nullptr;

const char* const IllnessKinds[7] = {
    "ОРЗ, ОРВІ, простудне", "серцево-судинне",         "шлункове", "опорно-рухове",
    "по догляду",           "невиробничий травматизм", "інше"};

namespace {

constexpr int Left1 = 12, Left2 = 170, Left3 = 470, Left4 = 640;

} // namespace

THealthForm::THealthForm(TComponent* AOwner)
    : TRecordForm(AOwner, "HealthForm", "Лікарняні листи", DM->IBhel, DM->DShel, {DM->IBQuery}) {
    BeginLoading();
    makeNameHeader("HEL_F", "HEL_N", "HEL_P");
    makeButtons();
    makeFields();
    makeGrid();
    // The keyboard starts in the sheet's first field: the tool bar's record commands act on
    // the sheets from the start.
    SetActiveControl(RxDBLookupCombo1);
    EndLoading();
    FormCreate(this);
}

THealthForm::~THealthForm() {
    if (HealthForm == this) HealthForm = nullptr;
}

void THealthForm::Gone() {
    HealthForm = nullptr;
}

void THealthForm::makeButtons() {
    int x = 640;
    for (auto [button, name, caption, handler] :
         {std::tuple{&BitBtn1, "BitBtn1", "Звіт", &THealthForm::BitBtn1Click},
          {&BitBtn2, "BitBtn2", "Травматизм", &THealthForm::BitBtn2Click},
          {&BitBtn3, "BitBtn3", "Види захв.", &THealthForm::BitBtn3Click}}) {
        TBitBtn* b = Place<TBitBtn>(this, Panel1, name, x, 6, 110, 28);
        b->SetCaption(QString::fromUtf8(caption));
        b->OnClick = [this, h = handler](TObject* S) { (this->*h)(S); };
        *button = b;
        x += 116;
    }
}

void THealthForm::makeFields() {
    Panel2 = Place<TPanel>(this, this, "Panel2", 0, 40, 800, 180);
    Panel2->SetAlign(alTop);
    Panel2->SetBevelOuter(bvLowered);
    TLinePlacer p(this, Panel2, DM->DShel, Left1, 10);
    auto caption = [&p](const char* Text, int Right) {
        p.Caption(Text);
        p.Skip(Right - p.X());
    };
    caption("Таб. № ", Left2);
    RxDBLookupCombo1 =
        p.Lookup("RxDBLookupCombo1", "HEL_TAB", 380, DM->DataSource, "TAB", "TAB;FAMILY;NAME;PATR");
    RxDBLookupCombo1->OnChange = [this](TObject* S) { RxDBLookupCombo1Change(S); };
    fieldControls["HEL_TAB"] = RxDBLookupCombo1;
    p.Skip(Left4 + 30 - p.X());
    p.Caption("№ лікарняного листа");
    fieldControls["HEL_NUM"] = p.Edit("DBEdit1", "HEL_NUM", 100);

    p.NewLine(Left1);
    caption("Прізвище", Left2);
    fieldControls["HEL_F"] = p.Edit("DBEdit2", "HEL_F", 160, true);
    p.Caption("Ім'я");
    fieldControls["HEL_N"] = p.Edit("DBEdit3", "HEL_N", 140, true);
    p.Caption("По батькові");
    fieldControls["HEL_P"] = p.Edit("DBEdit4", "HEL_P", 160, true);

    p.NewLine(Left1);
    caption("Категорія", Left2);
    fieldControls["HEL_KAT"] = p.Edit("DBEdit5", "HEL_KAT", 130, true);
    p.Caption("Стать");
    fieldControls["HEL_SEX"] = p.Edit("DBEdit6", "HEL_SEX", 30, true);
    p.Caption("Дата народження");
    fieldControls["HEL_BDATE"] = p.Edit("DBEdit7", "HEL_BDATE", 90, true);

    p.NewLine(Left1);
    caption("Вид захворювання", Left2);
    QStringList kinds;
    for (const char* k : IllnessKinds)
        kinds << QString::fromUtf8(k);
    DBComboBox1 = p.Combo("DBComboBox1", "HEL_VID", 240, kinds);
    fieldControls["HEL_VID"] = DBComboBox1;

    p.NewLine(Left1);
    caption("Дата початку зах.", Left2);
    fieldControls["HEL_BEG"] = p.Date("DBDateEdit1", "HEL_BEG");
    p.Skip(Left3 - p.X());
    caption("Дата закінчення зах.", Left4);
    fieldControls["HEL_END"] = p.Date("DBDateEdit2", "HEL_END");

    p.NewLine(Left1);
    caption("Кількість днів", Left2);
    fieldControls["HEL_DAYS"] = p.Edit("DBEdit8", "HEL_DAYS", 60);
    p.Skip(Left3 - p.X());
    caption("Сума виплати", Left4);
    fieldControls["HEL_SUM"] = p.Edit("DBEdit9", "HEL_SUM", 104);
    p.Skip(30);
    p.Caption("Місяць");
    fieldControls["HEL_MES"] = p.Date("DBDateEdit3", "HEL_MES");
}

void THealthForm::makeGrid() {
    DBGridEh1 = Place<TDBGridEh>(this, this, "DBGridEh1", 0, 220, 800, 300);
    DBGridEh1->SetAlign(alClient);
    DBGridEh1->SetDataSource(DM->DShel);
    DBGridEh1->SetPopupMenu(DM->DBPopMenu);
    DBGridEh1->SetFlat(true);
    DBGridEh1->SetFooterColor(clYellow);
    struct {
        const char *Field, *Title;
        int Width;
    } cols[] = {{"HEL_NUM", "№ листа", 80},       {"HEL_F", "Прізвище", 130},
                {"HEL_N", "Ім'я", 100},           {"HEL_P", "По батькові", 120},
                {"HEL_VID", "Захворювання", 170}, {"HEL_SUM", "Сума виплати", 100},
                {"HEL_BEG", "Початок", 84},       {"HEL_END", "Закінчення", 84},
                {"HEL_DAYS", "Кільк.днів", 74},   {"HEL_MES", "Місяць", 84}};
    for (const auto& c : cols)
        AddColumn(DBGridEh1, c.Field, c.Title, c.Width)->GetTitle()->SetAlignment(taCenter);
    TDBGridColumnsEh* columns = DBGridEh1->GetColumns();
    CountFooters(DBGridEh1, columns->GetItems(0), columns->GetItems(1), true);
    for (int i : {5, 8}) {
        TColumnFooterEh* f = columns->GetItems(i)->GetFooter();
        f->SetValueType(fvtSum);
        f->GetFont()->SetStyle(TFontStyles{fsBold});
    }
}

// ---- opening and closing --------------------------------------------------------------------

void THealthForm::FormCreate(TObject*) {
    // Everybody, the dismissed too, can be chosen.
    DM->SetQueryLine(3, QString());
    DM->IBQuery->Open();
    DM->IBhel->Open();
}

void THealthForm::RxDBLookupCombo1Change(TObject*) {
    copyEmployee("HEL_TAB", {{"FAMILY", "HEL_F"},
                             {"NAME", "HEL_N"},
                             {"PATR", "HEL_P"},
                             {"KAT", "HEL_KAT"},
                             {"SEX", "HEL_SEX"},
                             {"BDATE", "HEL_BDATE"}});
}

// ---- the reports ----------------------------------------------------------------------------

QStringList THealthForm::ReportSql(THealthReport Report, TDateTime From, TDateTime To) {
    // Year and month compared as one number, so that a period may cross a year end.
    const QString month =
        QStringLiteral("EXTRACT(YEAR FROM HEL_MES)*100+EXTRACT(MONTH FROM HEL_MES)");
    const int from = YearOf(From) * 100 + MonthOf(From), to = YearOf(To) * 100 + MonthOf(To);
    QStringList lines{QStringLiteral("select * from health"),
                      QStringLiteral("where (%1>=%2 and").arg(month).arg(from),
                      QStringLiteral("%1<=%2").arg(month).arg(to)};
    if (Report == hrInjuries)
        lines << QStringLiteral("and HEL_VID='невиробничий травматизм')");
    else
        lines.last().append(u')');
    if (Report == hrByKind) lines << QStringLiteral("order by HEL_VID");
    return lines;
}

void THealthForm::report(THealthReport Report) {
    if (PeriodForm->ShowModal() != mrOk) return;
    const QString fromText = PeriodForm->DateEdit1->GetText();
    const QString toText = PeriodForm->DateEdit2->GetText();
    // A text that is no date stops here with the conversion error.
    const TDateTime from = StrToDate(fromText), to = StrToDate(toText);
    static const char* const templates[] = {"health.frf", "travm.frf", "vidhel.frf"};
    PrintReport(QString::fromLatin1(templates[Report]),
                {{QStringLiteral("z"), Variant(fromText)}, {QStringLiteral("do"), Variant(toText)}},
                [&](TfrReport*) {
                    TIBQuery* q = DM->Select;
                    q->Close();
                    q->GetSQL()->Clear();
                    q->GetSQL()->AddStrings(ReportSql(Report, from, to));
                    q->Open();
                    DM->frDBDataSet1->SetDataSet(q);
                });
}

void THealthForm::BitBtn1Click(TObject*) {
    report(hrAll);
}

void THealthForm::BitBtn2Click(TObject*) {
    report(hrInjuries);
}

void THealthForm::BitBtn3Click(TObject*) {
    report(hrByKind);
}
