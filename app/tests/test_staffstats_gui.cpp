// The staff statistics from the main window's menu, offscreen, over a fixture of a few dozen
// employees with known facts: the date or period dialog answered, the preview shown and closed,
// and every count cell handed to the template compared with a count the test makes itself in
// SQL from the rules of each table. Each report's PDF carries the organisation and its figures.
// Then the row tallies on single employees, for the edge cases the tables must keep apart.
#include "AppFormsFixture.h"
#include "DMUnit.h"
#include "MainUnit.h"
#include "PdfTools.h"
#include "PreviewUnit.h"
#include "ReportDlgs.h"
#include "ReportPages.h"
#include "ReportPrint.h"
#include "StaffStats.h"
#include "varer.h"

#include <QDir>
#include <map>

namespace {

// ---- the counts in SQL ------------------------------------------------------------------------

const QString Day = QStringLiteral("14.03.2024"); // the injected clock's today
// Whole years at the report day; NULL without a birth date, so no band takes the employee.
const QString Age =
    QStringLiteral("(2024 - EXTRACT(YEAR FROM BDATE) - IIF(EXTRACT(MONTH FROM BDATE) * 100 + "
                   "EXTRACT(DAY FROM BDATE) > 314, 1, 0))");
const QString Working = QStringLiteral(
    "(ENDEND IS NULL OR ENDEND >= '14.03.2024') AND (WWORK IS NULL OR WWORK <= '14.03.2024')");

QString is(const char* Column, const char* Value) {
    return QStringLiteral("COALESCE(%1, '') = '%2'")
        .arg(QLatin1String(Column), QString::fromUtf8(Value));
}
QString in(const char* Column, std::initializer_list<const char*> Values) {
    QStringList v;
    for (const char* s : Values)
        v << QStringLiteral("'%1'").arg(QString::fromUtf8(s));
    return QStringLiteral("COALESCE(%1, '') IN (%2)").arg(QLatin1String(Column), v.join(u','));
}
QString both(const QString& A, const QString& B) {
    return u'(' + A + QStringLiteral(") AND (") + B + u')';
}

// A cell's count: employees meeting the condition, or with "SUM " first the sum of an
// expression over them.
using TCellCounts = std::map<int, QString>;

const QString Kat[5] = {is("KAT", "Керівник"), is("KAT", "Професіонал"), is("KAT", "Фахівець"),
                        is("KAT", "Тех.службовець"), is("KAT", "Робітник")};

void tenRow(TCellCounts& S, int First, const QString& Row) {
    const QString cols[10] = {QStringLiteral("1 = 1"),
                              is("SEX", "Ж"),
                              is("EDUC", "Повна вища"),
                              in("EDUC", {"Неповна вища", "Базова вища"}),
                              Age + QStringLiteral(" <= 30"),
                              Age + QStringLiteral(" BETWEEN 31 AND 40"),
                              Age + QStringLiteral(" BETWEEN 41 AND 50"),
                              Age + QStringLiteral(" BETWEEN 51 AND 55"),
                              Age + QStringLiteral(" BETWEEN 56 AND 60"),
                              Age + QStringLiteral(" >= 61")};
    for (int i = 0; i < 10; ++i)
        S[First + i] = both(Row, cols[i]);
}

void moveRow(TCellCounts& S, int First, const QString& Row) {
    const QString cols[9] = {QStringLiteral("1 = 1"),
                             is("SEX", "Ж"),
                             is("EDUC", "Повна вища"),
                             in("EDUC", {"Неповна вища", "Базова вища"}),
                             Kat[0],
                             Kat[1],
                             Kat[2],
                             Kat[3],
                             Kat[4]};
    for (int i = 0; i < 9; ++i)
        S[First + i] = both(Row, cols[i]);
}

void warRow(TCellCounts& S, int First, const QString& Row) {
    const QString liable = QStringLiteral("V_UCHET = 0");
    const QString spo = QStringLiteral("COALESCE(V_SPO, '') <> ''");
    const QString banded = both(both(liable, spo), QStringLiteral("COALESCE(V_OFF, 0) <> 1"));
    const QString cols[16] = {
        QStringLiteral("1 = 1"),
        liable,
        both(liable, QStringLiteral("V_OFF = 1")),
        both(liable, in("V_SOSTAV", {"мічмани", "прапорщики"})),
        both(liable, in("V_SOSTAV", {"матроси", "сержанти", "солдати", "старшини"})),
        both(both(liable, QStringLiteral("COALESCE(V_OFF, 0) = 0")), is("V_PRIG", "нестроєвої")),
        both(liable, spo),
        both(both(liable, spo), QStringLiteral("V_OFF = 1")),
        both(banded, Age + QStringLiteral(" <= 30")),
        both(banded, Age + QStringLiteral(" BETWEEN 31 AND 35")),
        both(banded, Age + QStringLiteral(" BETWEEN 36 AND 40")),
        both(banded, Age + QStringLiteral(" BETWEEN 41 AND 45")),
        both(banded, Age + QStringLiteral(" BETWEEN 46 AND 50")),
        both(both(liable, QStringLiteral("COALESCE(V_SPO, '') = ''")), is("V_MOB", "")),
        QStringLiteral("V_PRIZ = 1"),
        both(both(liable, QStringLiteral("COALESCE(V_SPO, '') = ''")),
             QStringLiteral("COALESCE(V_MOB, '') <> ''"))};
    for (int i = 0; i < 16; ++i)
        S[First + i] = both(Row, cols[i]);
}

const QString Napr[6] = {is("NAPR", "тех. експлуатація"),    in("NAPR", {"фінанси", "економіка"}),
                         is("NAPR", "марк. та прод.послуг"), is("NAPR", "план. та будівництво"),
                         is("NAPR", "кадрові питання"),      is("NAPR", "правові питання")};

QString otherNapr(bool Marketing) {
    QStringList listed;
    for (int i = 0; i < 6; ++i)
        if (Marketing || i != 2) listed << Napr[i];
    return QStringLiteral("NOT (") + listed.join(QStringLiteral(" OR ")) + u')';
}

TCellCounts table1() {
    TCellCounts s;
    tenRow(s, 1, QStringLiteral("1 = 1"));
    const int rows[7][6] = {{61, 71, 81, 11, 21, 91},       {101, 111, 121, 31, 41, 0},
                            {341, 351, 361, 371, 381, 391}, {131, 141, 151, 51, 271, 161},
                            {171, 181, 191, 281, 291, 0},   {201, 211, 221, 301, 311, 0},
                            {231, 241, 251, 321, 331, 261}};
    for (int l = 0; l < 7; ++l) {
        const QString line = l < 6 ? Napr[l] : otherNapr(true);
        tenRow(s, rows[l][0], line);
        for (int k = 0; k < 5; ++k)
            if (rows[l][k + 1]) tenRow(s, rows[l][k + 1], both(line, Kat[k]));
    }
    return s;
}

TCellCounts table3() {
    TCellCounts s;
    tenRow(s, 1, QStringLiteral("1 = 1"));
    for (int k = 0; k < 5; ++k)
        tenRow(s, 11 + 10 * k, Kat[k]);
    const QString middle = in("KAT", {"Професіонал", "Фахівець", "Тех.службовець"});
    const struct {
        QString Line;
        int Rows[4];
    } lines[] = {{Napr[0], {61, 71, 81, 91}},     {Napr[1], {101, 111, 121, 0}},
                 {Napr[3], {131, 141, 151, 161}}, {Napr[4], {171, 181, 191, 0}},
                 {Napr[5], {201, 211, 221, 0}},   {otherNapr(false), {231, 241, 251, 261}}};
    for (const auto& l : lines) {
        tenRow(s, l.Rows[0], l.Line);
        tenRow(s, l.Rows[1], both(l.Line, Kat[0]));
        tenRow(s, l.Rows[2], both(l.Line, middle));
        if (l.Rows[3]) tenRow(s, l.Rows[3], both(l.Line, Kat[4]));
    }
    return s;
}

TCellCounts table2() {
    TCellCounts s;
    for (int g = 0; g < 6; ++g) {
        const QString row = g == 0 ? QStringLiteral("1 = 1") : Kat[g - 1];
        tenRow(s, 1 + 10 * g, row);
        s[61 + g] = QStringLiteral("SUM ") + Age + QStringLiteral("|") + row;
        s[71 + g] = both(row, QStringLiteral("(COALESCE(SEX, '') = 'Ж' AND %1 > 54) OR "
                                             "(COALESCE(SEX, '') = 'Ч' AND %1 > 59) OR PENS = 1")
                                  .arg(Age));
        s[81 + g] = both(row, is("PENSP", "За віком"));
    }
    return s;
}

TCellCounts keriv() {
    TCellCounts s;
    tenRow(s, 1, is("CPROF", "1210.1"));
    tenRow(s, 11, in("CPROF", {"1210.5", "1210.2", "1210.3"}));
    tenRow(s, 21, is("CPROF", "1231"));
    tenRow(s, 41, in("CPROF", {"1229.72", "1229.3"}));
    tenRow(s, 51, is("CPROF", "1229.1"));
    tenRow(s, 61, in("CPROF", {"1229.12", "1229.7"}));
    tenRow(s, 71, is("CPROF", "1229.13"));
    tenRow(s, 81,
           in("CPROF", {"1222.2", "1222.28", "1226.25", "1222.22", "1226.23", "1226.2", "1222.21",
                        "1226.28", "1226.30", "1239", "1226.26", "1229.14", "1229.71", "1222.26"}));
    return s;
}

TCellCounts war() {
    TCellCounts s;
    const QString worker = Kat[4];
    const QString notDriver = QStringLiteral(
        "COALESCE(CPROF, '') <> '8331.1' AND COALESCE(CPROF, '') NOT STARTING WITH '83'");
    warRow(s, 1, Kat[0]);
    warRow(s, 17, in("KAT", {"Професіонал", "Фахівець"}));
    warRow(s, 33, Kat[3]);
    warRow(s, 49, worker);
    warRow(s, 145, both(worker, is("CPROF", "8331.1")));
    warRow(s, 129,
           both(worker, QStringLiteral("COALESCE(CPROF, '') <> '8331.1' AND "
                                       "COALESCE(CPROF, '') STARTING WITH '83'")));
    warRow(s, 113,
           both(both(worker, notDriver),
                QStringLiteral("COALESCE(ROZRAD, '') NOT SIMILAR TO '[0-9]'")));
    warRow(s, 65, both(both(worker, notDriver), in("ROZRAD", {"1", "2"})));
    warRow(s, 81, both(both(worker, notDriver), in("ROZRAD", {"3", "4"})));
    warRow(s, 97, both(both(worker, notDriver), in("ROZRAD", {"5", "6", "7", "8", "9"})));
    warRow(s, 161, QStringLiteral("1 = 1"));
    return s;
}

TCellCounts ruh(const QString& From, const QString& To) {
    TCellCounts s;
    const QString staff =
        QStringLiteral("(ENDEND IS NULL OR ENDEND >= '%1') AND (WWORK IS NULL OR WWORK <= '%1')")
            .arg(To);
    const QString hired = QStringLiteral("WWORK BETWEEN '%1' AND '%2'").arg(From, To);
    const QString left = QStringLiteral("ENDEND BETWEEN '%1' AND '%2'").arg(From, To);
    const QString disabled = QStringLiteral("COALESCE(GRINV, '') <> ''");
    moveRow(s, 121, staff);
    moveRow(s, 171, both(staff, disabled));
    moveRow(s, 1, hired);
    moveRow(s, 181, both(hired, disabled));
    moveRow(s, 11, left);
    moveRow(s, 191, both(left, disabled));
    moveRow(s, 31, both(left, QStringLiteral("COALESCE(WHYWHY, '') STARTING WITH 'ст. 38'")));
    const struct {
        int Row;
        const char* Reason;
    } reasons[] = {{131, "п. 1 ст.36 КЗпП України"},
                   {141, "п. 2 ст.36 КЗпП України"},
                   {21, "п. 5 ст.36 КЗпП України"},
                   {41, "ст. 38 з поважних причин"},
                   {51, "ст. 38 в зв''язку з виходом на пенсію"},
                   {61, "ст. 38 з наданням пільг по кол. договору"},
                   {71, "ст. 38 без поважних причин"},
                   {151, "ст. 38 в зв''язку із зміною місця прож."},
                   {161, "ст. 38 в зв''язку з доглядом за хворим"},
                   {81, "п. 1 ст. 40 КЗпП України"},
                   {91, "п. 4 ст. 40 КЗпП України"},
                   {101, "п. 7 ст. 40 КЗпП України"}};
    for (const auto& r : reasons)
        moveRow(s, r.Row, both(left, is("WHYWHY", r.Reason)));
    moveRow(s, 111, both(left, in("WHYWHY", {"інша", ""})));
    return s;
}

// ---- the fixture --------------------------------------------------------------------------

// Deterministic choices for the fixture's employees.
struct TPick {
    uint32_t state = 12345;
    int operator()(int N) {
        state = state * 1103515245u + 12345u;
        return int((state >> 16) % uint32_t(N));
    }
};

QString quoted(const QString& S) {
    if (S.isEmpty()) return QStringLiteral("NULL");
    return u'\'' + QString(S).replace(u'\'', QStringLiteral("''")) + u'\'';
}

class StaffStatsTest : public AppFormsTest {
protected:
    void SetUp() override {
        AppFormsTest::SetUp();
        PrepareSettings();
        Start();
        NameOrg = QStringLiteral("ТОВ «Зоря-Агро»");
        Boss = QStringLiteral("Петренко О. І.");
        BossPos = QStringLiteral("Директор");
        previous = QDir::currentPath();
        QDir::setCurrent(QStringLiteral(KADRION_RUN_DIR));
        Fill();
    }
    void TearDown() override {
        QDir::setCurrent(previous);
        AppFormsTest::TearDown();
    }
    int Scalar(const QString& Sql) {
        TIBQuery q(nullptr);
        q.SetDatabase(DM->Database);
        q.GetSQL()->SetText(Sql);
        q.Open();
        const int v = q.Fields(0)->IsNull() ? 0 : q.Fields(0)->GetAsInteger();
        q.Close();
        return v;
    }
    // Sixty employees whose facts are drawn from lists holding every value the tables tell
    // apart, and their near misses (a lower-case category, 1210.10, a grade "a", a birthday
    // on the report day, no birth date, hired or left on the bounds of the period).
    void Fill() {
        const char* sexes[] = {"Ж", "Ч", ""};
        const char* kats[] = {"Керівник", "Професіонал", "Фахівець", "Тех.службовець",
                              "Робітник", "Робітник",    "",         "керівник"};
        const char* naprs[] = {"тех. експлуатація",
                               "фінанси",
                               "економіка",
                               "марк. та прод.послуг",
                               "план. та будівництво",
                               "кадрові питання",
                               "правові питання",
                               "",
                               "інше"};
        const char* educs[] = {"Повна вища", "Неповна вища", "Базова вища", "Середня", ""};
        const char* cprofs[] = {"1210.1",  "1210.10", "1210.5", "1231", "1229.3", "1229.13",
                                "1226.30", "8331.1",  "8322",   "7241", ""};
        const char* rozrads[] = {"", "1", "2", "3", "4", "5", "7", "a", "0"};
        const char* births[] = {"14.03.1994", "15.03.1994", "13.03.1984", "14.03.1969",
                                "01.01.1969", "20.07.1973", "14.03.1964", "15.03.1964",
                                "02.02.1990", "30.11.1955", "10.10.2000", "",
                                "14.03.1979", "14.03.1989", "01.06.1978"};
        const char* hires[] = {"",           "01.02.2010", "01.01.2024",
                               "14.03.2024", "15.03.2024", "20.02.2024"};
        const char* ends[] = {"",           "",           "",           "14.03.2024",
                              "13.03.2024", "01.01.2024", "31.12.2023", "20.05.2024"};
        const char* reasons[] = {"",
                                 "інша",
                                 "ст. 38",
                                 "ст. 38 з поважних причин",
                                 "ст. 38 в зв'язку з виходом на пенсію",
                                 "п. 1 ст.36 КЗпП України",
                                 "п. 5 ст.36 КЗпП України",
                                 "п. 1 ст. 40 КЗпП України",
                                 "ст. 38 без поважних причин"};
        const char* pensps[] = {"", "За віком", "По інвалідності"};
        const char* sostavs[] = {"", "офіцери", "прапорщики", "солдати", "матроси", "сержанти"};
        const char* prigs[] = {"", "нестроєвої", "строєвої"};
        const char* flags[] = {"NULL", "0", "1"};
        const char* uchets[] = {"NULL", "0", "0", "1", "2"};
        TPick pick;
        for (int i = 1; i <= 60; ++i) {
            auto p = [&](const auto& List) {
                return QString::fromUtf8(List[pick(int(std::size(List)))]);
            };
            const QString values =
                QStringList{quoted(QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0'))),
                            quoted(QStringLiteral("Працівник%1").arg(i)),
                            quoted(p(sexes)),
                            quoted(p(births)),
                            quoted(p(kats)),
                            quoted(p(naprs)),
                            quoted(p(educs)),
                            quoted(p(cprofs)),
                            quoted(p(rozrads)),
                            quoted(pick(4) == 0 ? QStringLiteral("2") : QString()),
                            quoted(p(hires)),
                            quoted(p(ends)),
                            quoted(p(reasons)),
                            p(flags),
                            quoted(p(pensps)),
                            p(uchets),
                            p(flags),
                            quoted(p(sostavs)),
                            quoted(p(prigs)),
                            quoted(pick(3) == 0 ? QStringLiteral("спецоблік") : QString()),
                            quoted(pick(3) == 0 ? QStringLiteral("є") : QString()),
                            p(flags)}
                    .join(QStringLiteral(", "));
            Exec(
                QStringLiteral("insert into KADR (TAB, FAMILY, SEX, BDATE, KAT, NAPR, EDUC, "
                               "CPROF, ROZRAD, GRINV, WWORK, ENDEND, WHYWHY, PENS, PENSP, "
                               "V_UCHET, V_OFF, V_SOSTAV, V_PRIG, V_SPO, V_MOB, V_PRIZ) values (") +
                values + u')');
        }
    }
    // Runs a menu command: the dialog answered with its defaults (today) or the period, the
    // preview closed; then every cell 1..N is compared with its SQL count.
    void Run(TMenuItem* Item, int N, const TCellCounts& Counts, const QString& Base,
             const QString& From = QString()) {
        if (From.isEmpty()) {
            modal.Push([](TCustomForm* F) { static_cast<TTimeForm*>(F)->BitBtn1->Click(); });
        } else {
            modal.Push([From](TCustomForm* F) {
                auto* p = static_cast<TPeriodForm*>(F);
                p->DateEdit1->SetText(From);
                p->BitBtn1->Click();
            });
        }
        shown = false;
        modal.Push([this](TCustomForm* F) {
            auto* p = dynamic_cast<TPreviewForm*>(F);
            ASSERT_NE(p, nullptr);
            shown = p->frPreview1->AllPages() == 1;
            p->frSpeedButton11->Click();
        });
        Item->Click();
        EXPECT_EQ(modal.Pending(), 0);
        EXPECT_TRUE(shown);
        EXPECT_TRUE(ui.Asked.empty()) << (ui.Asked.empty() ? "" : ui.Asked[0].Text.toStdString());
        int nonZero = 0;
        for (int c = 1; c <= N; ++c) {
            int expected = 0;
            if (auto it = Counts.find(c); it != Counts.end()) {
                QString what = QStringLiteral("count(*)"), where = it->second;
                if (where.startsWith(QLatin1String("SUM "))) {
                    what = QStringLiteral("sum(") + where.mid(4).section(u'|', 0, 0) + u')';
                    where = where.section(u'|', 1);
                }
                expected = Scalar(QStringLiteral("select %1 from KADR where (%2) and (%3)")
                                      .arg(what, Base, where));
            }
            const Variant v = frVariables().GetVariable(CellVariable(c));
            ASSERT_FALSE(VarIsClear(v)) << "cell " << c;
            EXPECT_EQ(v.AsInt(), expected) << "cell " << c;
            nonZero += expected != 0;
        }
        // the fixture reaches many cells: a table that counted nothing would prove little
        EXPECT_GT(nonZero, 20);
        EXPECT_TRUE(VarIsClear(frVariables().GetVariable(CellVariable(N + 1))) ||
                    frVariables().GetVariable(CellVariable(N + 1)).AsString().isEmpty());
    }
    // The built report printed to PDF: its text has the organisation, the head and Known.
    void ExpectPdf(const QString& Name, const QStringList& Known) {
        const QString pdf = dir.filePath(Name + QStringLiteral(".pdf"));
        PrintToPdf(DM->frReport1, pdf);
        QString text = pdftools::text(pdf).simplified();
        for (const QString& k : QStringList{NameOrg, Boss, BossPos} + Known)
            EXPECT_TRUE(text.contains(k))
                << Name.toStdString() << ": " << k.toStdString() << " in " << text.toStdString();
        if (const QByteArray keep = qgetenv("KADRION_KEEP_PDF"); !keep.isEmpty()) {
            const QString copy =
                QString::fromLocal8Bit(keep) + u'/' + Name + QStringLiteral(".pdf");
            QFile::remove(copy);
            QFile::copy(pdf, copy);
        }
    }
    QString Cell(int C) { return frVariables().GetVariable(CellVariable(C)).AsString(); }

    QString previous;
    bool shown = false;
};

TEST_F(StaffStatsTest, EveryTableCountsAsItsRulesSayAndPrints) {
    TMainForm* m = MainForm;
    const struct {
        const char* name;
        TMenuItem* item;
        int cells;
        TCellCounts counts;
        const char* title;
    } cases[] = {{"har_tab1", m->N110, 400, table1(), "Таблиця 1"},
                 {"har_tab2", m->N210, 270, table2(), "Таблиця 2"},
                 {"har", m->N39, 270, table3(), "Таблиця 3"},
                 {"keriv", m->N38, 270, keriv(), "Аналіз керівного складу"},
                 {"war", m->N27, 176, war(), "Чисельність військовозобов'язаних"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Run(c.item, c.cells, c.counts, Working);
        const QString date = QString::fromUtf8(c.name) == QLatin1String("keriv") ? QString() : Day;
        EXPECT_EQ(frVariables().GetVariable(QStringLiteral("NDate")).AsString(),
                  QString::fromUtf8(c.name).startsWith(QLatin1String("har")) ? Day : QString());
        QStringList known{QString::fromUtf8(c.title), Cell(c.counts.begin()->first)};
        if (!date.isEmpty()) known << date;
        if (QString::fromUtf8(c.name) == QLatin1String("har_tab2")) {
            // the average age is over those whose age is known
            TIBQuery q(nullptr);
            q.SetDatabase(DM->Database);
            q.GetSQL()->SetText(QStringLiteral("select avg(cast(%1 as double precision)) from "
                                               "KADR where %2 and BDATE is not null")
                                    .arg(Age, Working));
            q.Open();
            const QString average =
                QString::number(q.Fields(0)->GetAsFloat(), 'f', 1).replace(u'.', u',');
            q.Close();
            EXPECT_TRUE(PreparedTexts(DM->frReport1).contains(average)) << average.toStdString();
            known << average;
        }
        ExpectPdf(QString::fromUtf8(c.name), known);
    }
    Run(m->N47, 200, ruh(QStringLiteral("01.01.2024"), Day), QStringLiteral("1 = 1"),
        QStringLiteral("01.01.2024"));
    EXPECT_EQ(frVariables().GetVariable(QStringLiteral("Times")).AsString(),
              QStringLiteral("з 01.01.2024 до 14.03.2024"));
    ExpectPdf(QStringLiteral("ruh"), {QStringLiteral("Рух кадрів"),
                                      QStringLiteral("з 01.01.2024 до 14.03.2024"), Cell(11)});
    // the list query is left closed with the last filter in its date line
    EXPECT_FALSE(DM->IBQuery->GetActive());
    EXPECT_TRUE(DM->QueryLine(3).contains(QStringLiteral("ENDEND>='01.01.2024'")));
}

TEST_F(StaffStatsTest, ACancelledDialogBuildsNothing) {
    modal.Push([](TCustomForm* F) { static_cast<TTimeForm*>(F)->BitBtn2->Click(); });
    MainForm->N110->Click();
    EXPECT_EQ(modal.Pending(), 0);
    EXPECT_EQ(PreviewForm, nullptr);
    EXPECT_TRUE(ui.Asked.empty());
}

} // namespace

namespace {

// ---- the row tallies on single employees --------------------------------------------------

using TTally = std::function<void(TCountMatrix&, const TStaffFacts&, int)>;

// The cells an employee makes non-zero, with their values when not 1.
QStringList counted(const TTally& Tally, const TStaffFacts& F, int Age) {
    TCountMatrix m;
    m.Clear(TCountMatrix::Size);
    Tally(m, F, Age);
    QStringList out;
    for (int c = 1; c <= TCountMatrix::Size; ++c)
        if (m[c] == 1)
            out << QString::number(c);
        else if (m[c] != 0)
            out << QStringLiteral("%1=%2").arg(c).arg(m[c]);
    return out;
}

TStaffFacts facts(const char* Kat, const char* Napr = "", const char* Sex = "Ч") {
    TStaffFacts f;
    f.Kat = QString::fromUtf8(Kat);
    f.Napr = QString::fromUtf8(Napr);
    f.Sex = QString::fromUtf8(Sex);
    return f;
}

TEST(StaffTallies, EdgeCasesOfTheTablesAreKeptApart) {
    TStaffFacts financeWorker = facts("Робітник", "фінанси");
    TStaffFacts director = facts("Керівник");
    director.Cprof = QStringLiteral("1210.10");
    TStaffFacts woman = facts("Фахівець", "", "Ж");
    TStaffFacts womanOnPension = woman;
    womanOnPension.Pens = 1;
    TStaffFacts leaver = facts("Фахівець");
    leaver.Whywhy = QStringLiteral("ст. 38");
    TStaffFacts unknownReason = facts("Фахівець");
    unknownReason.Whywhy = QStringLiteral("за станом здоров'я");
    TStaffFacts exempt = facts("Фахівець");
    exempt.VPriz = 1; // V_UCHET 1 or 2: not liable
    TStaffFacts officer = facts("Керівник");
    officer.Liable = true;
    officer.VOff = 1;
    officer.VSpo = QStringLiteral("спецоблік");
    TStaffFacts reservist = facts("Керівник");
    reservist.Liable = true;
    reservist.VSpo = QStringLiteral("спецоблік");
    TStaffFacts tractor = facts("Робітник");
    tractor.Cprof = QStringLiteral("8331.1");
    tractor.Rozrad = QStringLiteral("3");
    TStaffFacts oddGrade = facts("Робітник");
    oddGrade.Rozrad = QStringLiteral("a");
    const TTally moveLeft = [](TCountMatrix& M, const TStaffFacts& F, int) { TallyMoveLeft(M, F); };
    const struct {
        const char* name;
        TTally tally;
        TStaffFacts f;
        int age;
        QStringList cells;
    } cases[] = {
        {"a worker in finance: whole line, no category row of it",
         TallyTable3,
         financeWorker,
         35,
         {"1", "6", "51", "56", "101", "106"}},
        {"1210.10 is not 1210.1", TallyKeriv, director, 45, {}},
        {"a woman of 55 is a pensioner",
         TallyTable2,
         woman,
         55,
         {"1", "2", "8", "31", "32", "38", "61=55", "64=55", "71", "74"}},
        {"a woman of 54 is not",
         TallyTable2,
         woman,
         54,
         {"1", "2", "8", "31", "32", "38", "61=54", "64=54"}},
        {"a woman of 54 with a pension is",
         TallyTable2,
         womanOnPension,
         54,
         {"1", "2", "8", "31", "32", "38", "61=54", "64=54", "71", "74"}},
        {"no birth date: in the totals, in no band, adding no age",
         TallyTable2,
         woman,
         -1,
         {"1", "2", "31", "32"}},
        {"\"ст. 38\" alone", moveLeft, leaver, 0, {"11", "17", "31", "37"}},
        {"a reason not listed", moveLeft, unknownReason, 0, {"11", "17"}},
        {"not liable: only all and conscripts", TallyWar, exempt, 30, {"17", "31", "161", "175"}},
        {"a liable officer of 45 on special registration: no age band",
         TallyWar,
         officer,
         45,
         {"1", "2", "3", "7", "8", "161", "162", "163", "167", "168"}},
        {"liable, 51, special registration, no officer: no band",
         TallyWar,
         reservist,
         51,
         {"1", "2", "7", "161", "162", "167"}},
        {"liable, 31, special registration: the second band",
         TallyWar,
         reservist,
         31,
         {"1", "2", "7", "10", "161", "162", "167", "170"}},
        {"8331.1 is its own row, not the 83 row", TallyWar, tractor, 40, {"49", "145", "161"}},
        {"a grade that is no number: no grade", TallyWar, oddGrade, 40, {"49", "113", "161"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(counted(c.tally, c.f, c.age), c.cells) << c.name;
}

TEST(StaffTallies, TheAgeBandsIncludeTheirBounds) {
    const TStaffFacts f = facts("");
    const TTally row = [](TCountMatrix& M, const TStaffFacts& F, int A) { BuildArr2(M, 1, F, A); };
    const struct {
        int age;
        int cell; // of the ten-cell row at 1
    } bands[] = {{30, 5}, {31, 6}, {40, 6}, {41, 7},  {50, 7}, {51, 8},
                 {55, 8}, {56, 9}, {60, 9}, {61, 10}, {0, 5}};
    for (const auto& b : bands)
        EXPECT_EQ(counted(row, f, b.age), (QStringList{"1", QString::number(b.cell)})) << b.age;
}

} // namespace
