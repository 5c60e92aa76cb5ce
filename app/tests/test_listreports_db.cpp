// The data behind the leave schedules, the service certificates and the card documents,
// against a small personnel database: which employees each selects, in which order, and what
// a number, a missing directory row or an empty value does.
#include "AppTestSupport.h"
#include "AppFormsFixture.h"

#include "CardDocs.h"
#include "Dates.h"
#include "ReportDlgs.h"
#include "ScheduleReports.h"
#include "SqlText.h"
#include "varer.h"

namespace {

class ListReportsTest : public AppDbTest {
protected:
    void SetUp() override {
        AppDbTest::SetUp();
        Exec("insert into PODR (KODP, NAIPODR) values (1, 'Бухгалтерія')");
        Exec("insert into PODR (KODP, NAIPODR) values (2, 'Цех № 2')");
        Exec("insert into PROF (CODPROF, NAMPROF) values ('01', 'Бухгалтер')");
        Exec("insert into PROF (CODPROF, NAMPROF) values ('02', 'Токар')");
    }
    // An employee: number, surname, subdivision (0: none), position ("": none), and more
    // columns with their values.
    void Employee(const char* Tab, const char* Family, int Kodp, const char* Cprof,
                  const char* Columns = "", const char* Values = "") {
        const QString more = *Columns ? QStringLiteral(", ") : QString();
        Exec(QStringLiteral("insert into KADR (TAB, FAMILY, NAME, PATR, KODP_2, CPROF%1%2) "
                            "values ('%3', %4, 'Ім''я', 'По батькові', %5, %6%1%7)")
                 .arg(more, QString::fromLatin1(Columns), QString::fromLatin1(Tab),
                      SqlStr(QString::fromUtf8(Family)),
                      Kodp ? QString::number(Kodp) : QStringLiteral("null"),
                      *Cprof ? SqlStr(QString::fromLatin1(Cprof)) : QStringLiteral("null"),
                      QString::fromUtf8(Values)));
    }
    // The rows of an open query as "number date" (the date dd.mm), or with the given columns.
    QStringList Rows(TDataSet* Q, const QStringList& Columns) {
        QStringList out;
        for (Q->First(); !Q->GetEof(); Q->Next()) {
            QStringList row;
            for (const QString& c : Columns)
                row << Q->FieldByName(c)->GetAsString();
            out << row.join(u'|');
        }
        return out;
    }
};

// Both schedules list each employee still employed once per leave date; the subdivision and
// the position are outer joins, so an employee without either stays in, with the names empty.
// The plain one sorts by subdivision code (none first), then date, and a second leave equal
// to the first is one row; the one with carried-over days sorts by date and holds the salary on
// the first leave's row only.
TEST_F(ListReportsTest, LeaveSchedulesKeepEmployeesWithoutSubdivisionOrPosition) {
    Employee("00001", "Коваль", 1, "01",
             "OTPDATE, OTPSTR, OTPCNT, OTPDATE1, OTPSTR1, OTPCNT1, OKLAD",
             "'01.07.2024', 'основна', 3, '02.12.2024', 'друга частина', 2, 1500");
    Employee("00002", "Бондар", 0, "01", "OTPDATE, OTPCNT", "'03.06.2024', 1");
    Employee("00003", "Д'яченко", 2, "99", "OTPDATE", "'02.05.2024'");
    Employee("00004", "Шевчук", 1, "", "OTPDATE, OTPSTR, OTPDATE1, OTPSTR1",
             "'05.08.2024', 'літо', '05.08.2024', 'літо'");
    Employee("00005", "Мельник", 1, "01", "OTPDATE, ENDEND", "'04.04.2024', '01.03.2024'");
    Employee("00006", "Ткаченко", 1, "01");
    const QStringList columns{"TAB", "OTPDATE", "NAIPODR", "NAMPROF", "OKLAD"};
    OpenLeaveSchedule(dm->Select, lsPlain);
    EXPECT_EQ(
        Rows(dm->Select, columns),
        QStringList({"00002|03.06.2024||Бухгалтер|", "00001|01.07.2024|Бухгалтерія|Бухгалтер|1500",
                     "00004|05.08.2024|Бухгалтерія||",
                     "00001|02.12.2024|Бухгалтерія|Бухгалтер|1500", "00003|02.05.2024|Цех № 2||"}));
    OpenLeaveSchedule(dm->Select, lsCarriedDays);
    // Rows of the same date come in no particular order.
    QStringList rows = Rows(dm->Select, columns + QStringList{"OTPCNT", "OTPSTR"});
    QStringList dates;
    for (const QString& r : rows)
        dates << r.section(u'|', 1, 1);
    EXPECT_EQ(dates, QStringList({"02.05.2024", "03.06.2024", "01.07.2024", "05.08.2024",
                                  "05.08.2024", "02.12.2024"}));
    rows.sort();
    EXPECT_EQ(rows, QStringList({"00001|01.07.2024|Бухгалтерія|Бухгалтер|1500|3|основна",
                                 "00001|02.12.2024|Бухгалтерія|Бухгалтер|0|2|друга частина",
                                 "00002|03.06.2024||Бухгалтер||1|", "00003|02.05.2024|Цех № 2||||",
                                 "00004|05.08.2024|Бухгалтерія||0||літо",
                                 "00004|05.08.2024|Бухгалтерія||||літо"}));
    dm->Select->Close();
}

// Certificates are selected by the numbers typed (blanks around them dropped, empty fields
// skipped) as parameters: an apostrophe is a character of the number, a number longer than
// a card holds matches nobody, and the numbers that match nobody are named.
TEST_F(ListReportsTest, CertificatesAreSelectedByTheirNumbersAndMissingOnesAreNamed) {
    Employee("00001", "Коваль", 1, "01", "UDOST", "'12'");
    Employee("00002", "Бондар", 0, "", "UDOST", "'7'");
    Employee("00003", "Д'яченко", 2, "02", "UDOST", "'1''2'");
    Employee("00004", "Шевчук", 2, "02", "UDOST", "'120'");
    struct Case {
        QStringList Fields;
        QStringList Rows; // UDOST|FAMILY|NAMPROF|NAIPODR
        QStringList Missing;
    };
    const Case cases[] = {
        {{"", "12", "", " 7 "}, {"12|Коваль|Бухгалтер|Бухгалтерія", "7|Бондар||"}, {}},
        {{"1'2", "", "", ""}, {"1'2|Д'яченко|Токар|Цех № 2"}, {}},
        {{"12", "99", "", "123456"}, {"12|Коваль|Бухгалтер|Бухгалтерія"}, {"99", "123456"}},
        {{"5", "' or ''='", "", ""}, {}, {"5", "' or ''='"}},
        {{"1234567", "", "", ""}, {}, {"1234567"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Fields.join(u',').toStdString());
        const QStringList numbers = CertificateNumbers(c.Fields);
        const QStringList missing = OpenCertificates(dm->Select, numbers);
        EXPECT_EQ(missing, c.Missing);
        if (c.Rows.isEmpty()) {
            EXPECT_TRUE(!dm->Select->GetActive() || dm->Select->IsEmpty());
        } else {
            EXPECT_EQ(Rows(dm->Select, {"UDOST", "FAMILY", "NAMPROF", "NAIPODR"}), c.Rows);
            EXPECT_NE(dm->Select->FindField(QStringLiteral("FOTO")), nullptr);
        }
        dm->Select->Close();
    }
    EXPECT_TRUE(CertificateNumbers({"", " ", "", ""}).isEmpty());
    EXPECT_EQ(CertificatesNotFoundText({"99"}, true),
              QStringLiteral("Посвідчення з номером 99 не знайдено."));
    EXPECT_EQ(CertificatesNotFoundText({"5", "6"}, false),
              QStringLiteral("Посвідчень з номерами 5, 6 не знайдено, інші будуть надруковані."));
}

// The attestation sheet's "held since": the start of continuous service without
// appointments; else the earliest appointment in the latest one's position, and in its
// category, grade and class where those are set. An empty position is a position too.
TEST_F(ListReportsTest, HeldSinceIsTheEarliestAppointmentMatchingTheLatest) {
    struct Appointment {
        const char* Date;
        const char* Prof; // "" null
        const char* Kat;
        const char* Roz;
        const char* Klas;
    };
    struct Case {
        const char* Tab;
        std::vector<Appointment> Appointments;
        QString Expression;
        const char* Date; // IBnaz_sel's first NAZ_DATE
    };
    const QString since = QString::fromUtf16(SHeldSinceExpr);
    const Case cases[] = {
        {"00001", {}, QString::fromUtf16(SWoworkExpr), ""},
        {"00002",
         {{"01.02.2010", "01", "", "", ""},
          {"01.02.2015", "01", "1 КАТ", "", ""},
          {"01.02.2018", "02", "1 КАТ", "", ""},
          {"01.02.2020", "01", "1 КАТ", "", ""}},
         since,
         "01.02.2015"},
        {"00003",
         {{"03.03.2012", "01", "2 КАТ", "", ""}, {"03.03.2016", "01", "", "", ""}},
         since,
         "03.03.2012"},
        {"00004",
         {{"04.04.2011", "", "", "", ""}, {"04.04.2019", "", "", "", ""}},
         since,
         "04.04.2011"},
        {"00005",
         {{"05.05.2013", "02", "", "3", "2"},
          {"05.05.2014", "02", "", "4", "1"},
          {"05.05.2017", "02", "", "4", "2"}},
         since,
         "05.05.2017"},
    };
    for (const Case& c : cases) {
        Employee(c.Tab, "Коваль", 1, "01", "WOWORK", "'01.09.2005'");
        for (const Appointment& a : c.Appointments)
            Exec(QStringLiteral("insert into NAZN (TAB2, NAZ_DATE, CPROF_3, KAT, ROZ, KLAS) values "
                                "('%1', '%2', %3, '%4', '%5', '%6')")
                     .arg(QString::fromLatin1(c.Tab), QString::fromLatin1(a.Date),
                          *a.Prof ? SqlStr(QString::fromLatin1(a.Prof)) : QStringLiteral("null"),
                          QString::fromUtf8(a.Kat), QString::fromLatin1(a.Roz),
                          QString::fromLatin1(a.Klas)));
    }
    dm->IBQuery->Open();
    dm->IBnazn->Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Tab);
        ASSERT_TRUE(dm->IBQuery->Locate("TAB", Variant(c.Tab), {}));
        EXPECT_EQ(PrepareHeldSince(dm.get()), c.Expression);
        if (*c.Date) {
            ASSERT_TRUE(dm->IBnaz_sel->GetActive());
            EXPECT_EQ(dm->IBnaz_sel->FieldByName(QStringLiteral("NAZ_DATE"))->GetAsString(),
                      QString::fromLatin1(c.Date));
        } else {
            EXPECT_FALSE(dm->IBnaz_sel->GetActive());
        }
    }
    dm->IBnaz_sel->Close();
}

// The position printed without the category is the employee's own, whatever row the
// positions list stood on; one missing from the directory prints nothing.
TEST_F(ListReportsTest, PositionNameIsTheEmployeesOwn) {
    Employee("00001", "Коваль", 1, "02");
    Employee("00002", "Бондар", 1, "77");
    dm->IBQuery->Open();
    dm->IBprof->Open();
    dm->IBprof->First();
    ASSERT_TRUE(dm->IBQuery->Locate("TAB", Variant("00001"), {}));
    EXPECT_EQ(PreparePositionName(dm.get()), QString::fromUtf16(SPositionExpr));
    EXPECT_EQ(dm->IBprof->FieldByName(QStringLiteral("NAMPROF"))->GetAsString(),
              QStringLiteral("Токар"));
    ASSERT_TRUE(dm->IBQuery->Locate("TAB", Variant("00002"), {}));
    EXPECT_EQ(PreparePositionName(dm.get()), QString());
}

// The HR signatory: the names that are set are offered in their order; the pair of the name
// chosen is given, nobody when the text (typed) names none or no name is set.
TEST_F(ListReportsTest, SignatoryChooserGivesThePairOfTheChosenName) {
    TWrkForm form(nullptr);
    TModalAnswers modal;
    const auto choose = [&](std::function<void(TWrkForm*)> Act) {
        modal.Push([Act](TCustomForm* F) {
            auto* w = static_cast<TWrkForm*>(F);
            Act(w);
            w->BitBtn1->Click();
        });
        return ChooseSignatory(&form);
    };
    OK_Pib2 = QStringLiteral("Олена Петрівна Гнатюк");
    OK_Pos2 = QStringLiteral("Начальник відділу кадрів");
    OK_Pib4 = QStringLiteral("Ігор Д'яків");
    OK_Pos4 = QStringLiteral("Інспектор з кадрів");
    QStringList offered;
    TSignatory s = choose([&](TWrkForm* W) {
        for (int i = 0; i < W->CmbBox->GetItems()->Count(); ++i)
            offered << W->CmbBox->GetItems()->GetStrings(i);
    });
    EXPECT_EQ(offered, QStringList({OK_Pib2, OK_Pib4}));
    EXPECT_EQ(s.Pib, OK_Pib2);
    EXPECT_EQ(s.Pos, OK_Pos2);
    s = choose([](TWrkForm* W) { W->CmbBox->SetItemIndex(1); });
    EXPECT_EQ(s.Pib, OK_Pib4);
    EXPECT_EQ(s.Pos, OK_Pos4);
    s = choose([](TWrkForm* W) { W->CmbBox->SetText(QStringLiteral("Хтось інший")); });
    EXPECT_TRUE(s.Pib.isEmpty() && s.Pos.isEmpty());
    ClearSettings();
    s = choose([&](TWrkForm* W) { EXPECT_EQ(W->CmbBox->GetItems()->Count(), 0); });
    EXPECT_TRUE(s.Pib.isEmpty() && s.Pos.isEmpty());
    EXPECT_TRUE(form.CmbBox->GetText().isEmpty());
}

} // namespace
