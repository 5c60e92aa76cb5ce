#include "OtpUnit.h"

#include "DMUnit.h"
#include "Dates.h"
#include "Dialogs.h"
#include "ReportPrint.h"
#include "RecordBuild.h"
#include "ReportDlgs.h"
#include "SqlText.h"

TOtpForm* OtpForm = nullptr;

namespace {

// The day fields: leaving one of them counts the leave again.
const char* const DayFields[] = {"PERIODD", "DOD_D",  "SKID_D", "SMEN_D", "STAJ_D",
                                 "CHILD_D", "NORM_D", "INVD",   "INVV"};

constexpr int Left1 = 12, Left2 = 150;

} // namespace

TOtpForm::TOtpForm(TComponent* AOwner)
    : TRecordForm(AOwner, "OtpForm", "Надання відпустки", DM->IBotp, DM->DSotp,
                  {DM->IBpodr, DM->IBQuery, DM->IBprof}) {
    BeginLoading();
    makeNameHeader("F", "N", "P");
    makeButtons();
    PageControl1 = Place<TPageControl>(this, this, "PageControl1", 0, 40, 800, 300);
    PageControl1->SetAlign(alTop);
    TabSheet1 = new TTabSheet(this);
    TabSheet1->SetName(QStringLiteral("TabSheet1"));
    TabSheet1->SetPageControl(PageControl1);
    TabSheet1->SetCaption(QStringLiteral("Основні дані"));
    TabSheet2 = new TTabSheet(this);
    TabSheet2->SetName(QStringLiteral("TabSheet2"));
    TabSheet2->SetPageControl(PageControl1);
    TabSheet2->SetCaption(QStringLiteral("Додаткові відпустки"));
    makeMainTab();
    makeExtraTab();
    PageControl1->SetActivePage(TabSheet1);
    makeGrid();
    // The keyboard starts in the order's first field: the tool bar's record commands act on
    // the orders from the start.
    SetActiveControl(fieldControls["DATAORD"]);
    InsertFromList(DBGridEh1, fieldControls["DATAORD"]);
    EndLoading();
    FormCreate(this);
}

TOtpForm::~TOtpForm() {
    if (OtpForm == this) OtpForm = nullptr;
}

void TOtpForm::Gone() {
    OtpForm = nullptr;
}

void TOtpForm::makeButtons() {
    BitBtn1 = Place<TBitBtn>(this, Panel1, "BitBtn1", 640, 6, 150, 28);
    BitBtn1->SetCaption(QStringLiteral("Друк наказу"));
    BitBtn1->OnClick = [this](TObject* S) { BitBtn1Click(S); };
    BitBtn2 = Place<TBitBtn>(this, Panel1, "BitBtn2", 796, 6, 170, 28);
    BitBtn2->SetCaption(QStringLiteral("Надання відпустки"));
    BitBtn2->OnClick = [this](TObject* S) { BitBtn2Click(S); };
}

void TOtpForm::makeMainTab() {
    TLinePlacer p(this, TabSheet1, DM->DSotp, Left1, 10);
    auto caption = [&p](const char* Text, int Width) {
        const int x = p.X();
        p.Caption(Text);
        p.Skip(x + Width - p.X());
    };
    caption("Дата наказу", Left2 - Left1);
    fieldControls["DATAORD"] = p.Date("DBDateEdit1", "DATAORD");
    p.Skip(20);
    p.Caption("№ наказу");
    fieldControls["NORDER"] = p.Edit("DBEdit1", "NORDER", 90);

    p.NewLine(Left1);
    caption("Таб. № ", Left2 - Left1);
    RxDBLookupCombo1 =
        p.Lookup("RxDBLookupCombo1", "TAB1", 380, DM->DataSource, "TAB", "TAB;FAMILY;NAME;PATR");
    RxDBLookupCombo1->OnChange = [this](TObject* S) { RxDBLookupCombo1Change(S); };
    fieldControls["TAB1"] = RxDBLookupCombo1;

    p.NewLine(Left1);
    caption("Прізвище", Left2 - Left1);
    fieldControls["F"] = p.Edit("DBEdit2", "F", 160, true);
    p.Caption("Ім'я");
    fieldControls["N"] = p.Edit("DBEdit3", "N", 140, true);
    p.Caption("По батькові");
    fieldControls["P"] = p.Edit("DBEdit4", "P", 160, true);

    p.NewLine(Left1);
    caption("Відділ", Left2 - Left1);
    RxDBLookupCombo2 =
        p.Lookup("RxDBLookupCombo2", "KODP_3", 380, DM->DSpodr, "KODP", "NAIPODR", true);
    fieldControls["KODP_3"] = RxDBLookupCombo2;
    p.Caption("Категорія");
    fieldControls["KAT_2"] = p.Edit("DBEdit5", "KAT_2", 130, true);

    p.NewLine(Left1);
    caption("Посада", Left2 - Left1);
    RxDBLookupCombo3 =
        p.Lookup("RxDBLookupCombo3", "CPROF_2", 380, DM->DSprof, "CODPROF", "NAMPROF", true);
    fieldControls["CPROF_2"] = RxDBLookupCombo3;
    p.Caption("Оклад");
    fieldControls["OKLAD"] = p.Edit("DBEdit6", "OKLAD", 80);
    p.Caption("Умови праці");
    DBComboBox1 = p.Combo(
        "DBComboBox1", "UMOV", 120,
        {QStringLiteral("нормальні"), QStringLiteral("шкідливі"), QStringLiteral("особливі")});
    fieldControls["UMOV"] = DBComboBox1;

    // Two lines that read as sentences.
    p.NewLine(Left1, 40);
    p.Caption("Надається щоріч. відп. з");
    TDBDateEdit* periodB = p.Date("DBDateEdit2", "PERIODB");
    periodB->OnExit = [this](TObject* S) { PeriodBExit(S); };
    fieldControls["PERIODB"] = periodB;
    p.Caption("по");
    fieldControls["PERIODE"] = p.Date("DBDateEdit3", "PERIODE");
    p.Caption("включно на");
    fieldControls["PERIODD"] = p.Edit("DBEdit7", "PERIODD", 44);
    p.Caption("календарних днів");

    p.NewLine(Left1);
    p.Caption("Всього на");
    fieldControls["VS_KAL"] = p.Edit("DBEdit8", "VS_KAL", 44, true);
    p.Caption("кал. днів та");
    fieldControls["VS_RAB"] = p.Edit("DBEdit9", "VS_RAB", 44, true);
    p.Caption("роб. днів з ");
    fieldControls["OTP_B"] = p.Date("DBDateEdit4", "OTP_B");
    p.Caption("по");
    fieldControls["OTP_E"] = p.Date("DBDateEdit5", "OTP_E");

    p.NewLine(Left1, 40);
    caption("Примітки", Left2 - Left1);
    fieldControls["NOTES"] = p.Edit("DBEdit10", "NOTES", 520);

    for (const char* f : {"PERIODD", "OTP_B", "NOTES"})
        fieldControls[QString::fromLatin1(f)]->OnExit = [this](TObject* S) { DayFieldExit(S); };
}

void TOtpForm::makeExtraTab() {
    struct TKind {
        const char* Caption;
        const char* NameField; // nullptr: the kind has no name of its own
        const char* DaysField;
        const char* StartField;
    };
    const TKind kinds[] = {
        {"Додаткова відпустка", "NDOD_D", "DOD_D", "M_DOD"},
        {"За шкідливі умови на", nullptr, "SKID_D", "M_SKID"},
        {"За багатозмін. режим на", nullptr, "SMEN_D", "M_SMEN"},
        {"За безперевн. стаж на", nullptr, "STAJ_D", "M_STAJ"},
        {"Діти до 15 років на", nullptr, "CHILD_D", "M_CHILD"},
        {"За ненорм. роб. день на", nullptr, "NORM_D", "M_NORM"},
        {"Інші види дод. відпуст.", "NINVD", "INVD", "M_INVD"},
        {"Інші види відпуст.", "NINVV", "INVV", "M_INVV"},
    };
    constexpr int nameLeft = 200, daysLeft = 480;
    TLinePlacer p(this, TabSheet2, DM->DSotp, Left1, 8);
    int n = 0;
    for (const TKind& k : kinds) {
        if (n++ > 0) p.NewLine(Left1);
        p.Caption(k.Caption);
        p.Skip(nameLeft - p.X());
        if (k.NameField)
            fieldControls[QString::fromLatin1(k.NameField)] =
                p.Edit("", k.NameField, daysLeft - nameLeft - 8);
        else
            p.Skip(daysLeft - p.X());
        TDBEdit* days = p.Edit("", k.DaysField, 44);
        days->OnExit = [this](TObject* S) { DayFieldExit(S); };
        fieldControls[QString::fromLatin1(k.DaysField)] = days;
        p.Caption("днів з");
        fieldControls[QString::fromLatin1(k.StartField)] = p.Date("", k.StartField);
    }
}

void TOtpForm::makeGrid() {
    DBGridEh1 = Place<TDBGridEh>(this, this, "DBGridEh1", 0, 340, 800, 300);
    DBGridEh1->SetAlign(alClient);
    DBGridEh1->SetDataSource(DM->DSotp);
    DBGridEh1->SetReadOnly(true);
    DBGridEh1->SetOptions(TDBGridOptions{dgTitles, dgIndicator, dgColumnResize, dgColLines,
                                         dgRowLines, dgTabs, dgRowSelect, dgAlwaysShowSelection});
    DBGridEh1->SetFlat(true);
    struct {
        const char *Field, *Title;
        int Width;
    } cols[] = {{"NORDER", "№ наказа", 70},  {"F", "Прізвище", 150},
                {"N", "Ім'я", 120},          {"P", "По батькові", 140},
                {"VS_KAL", "Кал. днів", 70}, {"VS_RAB", "Роб. днів", 70},
                {"OTP_B", "Початок", 90},    {"OTP_E", "Закінчення", 90}};
    for (const auto& c : cols)
        AddColumn(DBGridEh1, c.Field, c.Title, c.Width)->GetTitle()->SetAlignment(taCenter);
}

// ---- opening and closing --------------------------------------------------------------------

void TOtpForm::FormCreate(TObject*) {
    // The lookups' datasets before the list, whose rows take their names from them.
    DM->IBpodr->Open();
    DM->IBprof->Open();
    // Everybody, the dismissed too, can be chosen.
    DM->SetQueryLine(3, QString());
    DM->IBQuery->Open();
    DM->IBotp->Open();
}

// ---- the rules of the fields ----------------------------------------------------------------

bool TOtpForm::changed() const {
    const TDataSetState s = DM->IBotp->GetState();
    return (s == dsEdit || s == dsInsert) && DM->IBotp->GetModified();
}

void TOtpForm::RxDBLookupCombo1Change(TObject*) {
    copyEmployee("TAB1", {{"FAMILY", "F"},
                          {"NAME", "N"},
                          {"PATR", "P"},
                          {"KAT", "KAT_2"},
                          {"CPROF", "CPROF_2"},
                          {"OKLAD", "OKLAD"},
                          {"KODP_2", "KODP_3"}});
}

void TOtpForm::DayFieldExit(TObject*) {
    if (!changed()) return;
    DM->IBotp->UpdateRecord();
    DM->LeaveTotals();
}

void TOtpForm::PeriodBExit(TObject*) {
    if (!changed()) return;
    DM->IBotp->UpdateRecord();
    DM->LeaveWorkYear();
}

// ---- printing -------------------------------------------------------------------------------

void TOtpForm::BitBtn1Click(TObject*) {
    TIBQuery* otp = DM->IBotp;
    if (!otp->GetActive()) return;
    const TDataSetState s = otp->GetState();
    if (s == dsBrowse && otp->IsEmpty()) return;
    if (s == dsEdit || s == dsInsert) {
        // The order printed is the order stored: unsaved edits are saved first.
        if (GetUserInteraction()->MessageBox(QString::fromUtf16(SSaveChanges),
                                             QString::fromUtf16(SMessageCaption),
                                             MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        otp->Post(); // a refusal (no calendar) has said why and stops here
        if (otp->UpdatesPending()) return;
    }
    const QString tab = otp->FieldByName(QStringLiteral("TAB1"))->GetAsString();
    // The order printed is the current record of IBotp; Select gives the employee's group.
    PrintReport(QStringLiteral("order_otp.frf"), {}, [&tab](TfrReport*) {
        TIBQuery* q = DM->Select;
        q->Close();
        q->GetSQL()->Clear();
        q->GetSQL()->Add(
            QStringLiteral("select NAIGR from KADR A LEFT JOIN PGROUP B ON A.KODG_2=B.KODG"));
        q->GetSQL()->Add(QStringLiteral("WHERE A.TAB=") + SqlStr(tab));
        q->Open();
    });
}

QStringList TOtpForm::MonthListSql(int Month, int Year) {
    const QString m = QString::number(Month), y = QString::number(Year);
    auto starts = [&](const char* Field) {
        return QStringLiteral("(EXTRACT(MONTH FROM %1)=%2 AND EXTRACT(YEAR FROM %1)=%3)")
            .arg(QString::fromLatin1(Field), m, y);
    };
    QStringList lines{QStringLiteral("select * from orderp"),
                      QStringLiteral("WHERE (") + starts("OTP_B")};
    for (const char* f :
         {"M_DOD", "M_SKID", "M_STAJ", "M_NORM", "M_SMEN", "M_CHILD", "M_INVD", "M_INVV"})
        lines.append(QStringLiteral("OR ") + starts(f));
    lines.last().append(u')');
    return lines;
}

void TOtpForm::BitBtn2Click(TObject*) {
    // The list is built only when the month is confirmed.
    if (QuetForm->ShowModal() != mrOk) return;
    const int month = QuetForm->ComboBox1->GetItemIndex() + 1;
    const int year = QuetForm->SpinEdit1->GetValue();
    if (month < 1) return;
    PrintReport(QStringLiteral("nad_otp.frf"),
                {{QStringLiteral("mon"), Variant(month)},
                 {QStringLiteral("yer"), Variant(year)},
                 {QStringLiteral("var_m"), Variant(QuetForm->ComboBox1->GetText())}},
                [&](TfrReport*) {
                    TIBQuery* q = DM->Select;
                    q->Close();
                    q->GetSQL()->Clear();
                    q->GetSQL()->AddStrings(MonthListSql(month, year));
                    q->Open();
                    DM->frDBDataSet1->SetDataSet(q);
                });
}
