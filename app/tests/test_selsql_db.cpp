// The employee list's statement: filter settings against the SQL text and against the rows a
// small database returns; hostile and Cyrillic texts; the shared age rule in C++ and in SQL.
#include "AppTestSupport.h"

#include "Age.h"
#include "Dates.h"
#include "SelSql.h"
#include "SqlText.h"

#include <set>

namespace {

const QString On = QStringLiteral("14.03.2024");
const QString Org = QStringLiteral("ТОВ «Зоря»");

class SelSqlTest : public AppDbTest {
protected:
    void SetUp() override {
        AppDbTest::SetUp();
        // 00001 turns 55 on the calculation date; 00002 turns 60 the day after; 00003 left in
        // 2020; 00004 is young and was hired on 01.02.2024.
        Exec("insert into PODR (KODP, NAIPODR) values (1, 'Цех №1')");
        Exec("insert into PGROUP (KODP_1, KODG, NAIGR) values (1, 11, 'Змінний персонал')");
        Exec("insert into PROF (CODPROF, NAMPROF) values ('01', 'Інженер з охорони праці')");
        Employee("00001", "Коваль", "Мар'яна", "Ж", "14.03.1969", "01.01.2010", "", 0);
        Employee("00002", "Д'яченко", "Петро", "Ч", "15.03.1964", "01.01.2001", "", 11);
        Employee("00003", "Шевченко", "Олег", "Ч", "01.01.1990", "01.01.2015", "05.05.2020", 0);
        Employee("00004", "Бондар", "Ірина", "Ж", "20.07.2000", "01.02.2024", "", 11);
        Exec("insert into KIDS (KID_TAB, KID_NAME, KID_SEX, KID_DAT) values "
             "('00001', 'Оксана', 'Ж', '01.06.2015')");
        Exec("insert into KIDS (KID_TAB, KID_NAME, KID_SEX, KID_DAT) values "
             "('00001', 'Андрій', 'Ч', '14.03.2005')");
        Exec("insert into KIDS (KID_TAB, KID_NAME, KID_SEX, KID_DAT) values "
             "('00004', 'Софія', 'Ж', '15.03.2014')");
    }
    void Employee(const char* Tab, const char* Family, const char* Name, const char* Sex,
                  const char* Born, const char* Hired, const char* Left, int Group) {
        Exec(QStringLiteral("insert into KADR (TAB, FAMILY, NAME, SEX, BDATE, WWORK, ENDEND, "
                            "KODP_2, KODG_2, CPROF) values (%1, %2, %3, %4, '%5', '%6', %7, 1, "
                            "%8, '01')")
                 .arg(SqlStr(QString::fromUtf8(Tab)), SqlStr(QString::fromUtf8(Family)),
                      SqlStr(QString::fromUtf8(Name)), SqlStr(QString::fromUtf8(Sex)),
                      QString::fromUtf8(Born), QString::fromUtf8(Hired),
                      *Left ? SqlStr(QString::fromUtf8(Left)) : QStringLiteral("NULL"),
                      Group ? QString::number(Group) : QStringLiteral("NULL")));
    }
    // The first column of every row of the statement, in order.
    QStringList Run(const TSelStatement& St) {
        TIBQuery* q = dm->Select;
        q->Close();
        q->GetSQL()->Clear();
        for (const QString& l : St.Lines)
            q->GetSQL()->Add(l);
        q->Open();
        QStringList out;
        for (q->First(); !q->GetEof(); q->Next())
            out.append(q->Fields(0)->GetAsString());
        q->Close();
        return out;
    }
    TSelStatement Build(const TSelFilters& F, const QStringList& Captions = {"Таб. номер"}) {
        return BuildSelStatement(Captions, F, On, Org);
    }
};

TEST_F(SelSqlTest, NoFilterGivesTheWorkingAtDateStatement) {
    const TSelStatement st = Build({}, {"Таб. номер", "Прізвище"});
    const QStringList expected = {
        "SELECT",
        "A.TAB,",
        "A.FAMILY",
        "FROM KADR A LEFT JOIN  Prof C ON A.CPROF=C.CODPROF LEFT JOIN  Pgroup D ON "
        "A.KODG_2=D.KODG ",
        "LEFT JOIN Podr B ON A.KODP_2=B.KODP ",
        "WHERE",
        "(ENDEND IS NULL OR (ENDEND IS NOT NULL AND ENDEND>='14.03.2024')) AND (WWORK IS NULL OR "
        "WWORK<='14.03.2024')",
        "ORDER BY",
        "A.TAB,",
        "A.FAMILY"};
    EXPECT_EQ(st.Lines, expected);
    EXPECT_FALSE(st.Children);
    EXPECT_FALSE(st.Range);
    EXPECT_EQ(Run(st), QStringList({"00001", "00002", "00004"}));
}

TEST_F(SelSqlTest, EachFilterAddsItsLineAndSelectsItsRows) {
    struct Case {
        const char* What;
        std::function<void(TSelFilters&)> Set;
        const char* Line; // a line the statement must hold ("" none to check)
        QStringList Tabs;
    };
    const Case cases[] = {
        {"name with an apostrophe",
         [](TSelFilters& f) { f.Name = "Мар'яна"; },
         "A.NAME LIKE 'Мар''яна%' AND",
         {"00001"}},
        {"surname prefix with an apostrophe",
         [](TSelFilters& f) { f.Family = "Д'я"; },
         "A.FAMILY LIKE 'Д''я%' AND",
         {"00002"}},
        {"Cyrillic prefix",
         [](TSelFilters& f) { f.Family = "Бон"; },
         "A.FAMILY LIKE 'Бон%' AND",
         {"00004"}},
        {"statement break in a text",
         [](TSelFilters& f) { f.Family = "x'; DELETE FROM KADR; --"; },
         "A.FAMILY LIKE 'x''; DELETE FROM KADR; --%' AND",
         {}},
        {"double quote in a text",
         [](TSelFilters& f) { f.Patr = "\"Ко\""; },
         "A.PATR LIKE '\"Ко\"%' AND",
         {}},
        {"comment in the number",
         [](TSelFilters& f) { f.Tab = "00001' --"; },
         "A.TAB='00001'' --' AND",
         {}},
        {"number", [](TSelFilters& f) { f.Tab = "00002"; }, "A.TAB='00002' AND", {"00002"}},
        {"sex by its first letter",
         [](TSelFilters& f) { f.Sex = "Жінка"; },
         "A.SEX='Ж' AND",
         {"00001", "00004"}},
        {"position by its name",
         [](TSelFilters& f) { f.PositionText = "Інженер з"; },
         "C.NAMPROF LIKE 'Інженер з%' AND",
         {"00001", "00002", "00004"}},
        {"staff by two letters",
         [](TSelFilters& f) { f.Staff = "ЗВ - загальновиробничий"; },
         "A.SHTAT='ЗВ' AND",
         {}},
        {"military state unquoted", [](TSelFilters& f) { f.Military = 2; }, "A.V_UCHET=1 AND", {}},
        {"shift staff group",
         [](TSelFilters& f) { f.ShiftStaff = true; },
         "D.NAIGR='Змінний персонал' AND",
         {"00002", "00004"}},
        {"birth month",
         [](TSelFilters& f) { f.BirthMonth = 3; },
         "EXTRACT(MONTH FROM A.BDATE)=3 AND",
         {"00001", "00002"}},
        {"lower age bound keeps the birthday itself",
         [](TSelFilters& f) { f.AgeFrom = "55"; },
         "",
         {"00001", "00002"}},
        {"upper age bound keeps the whole last year",
         [](TSelFilters& f) { f.AgeTo = "59"; },
         "",
         {"00001", "00002", "00004"}},
        {"upper age bound below a birthday tomorrow",
         [](TSelFilters& f) { f.AgeTo = "58"; },
         "",
         {"00001", "00004"}},
        {"pensioners by age on the date",
         [](TSelFilters& f) { f.Pensioners = true; },
         "",
         {"00001"}},
        {"hire range of one day",
         [](TSelFilters& f) { f.HiredFrom = f.HiredTo = "01.02.2024"; },
         "(A.WWORK>='01.02.2024' AND A.WWORK<='01.02.2024') AND",
         {"00004"}},
        {"dismissal range of one day",
         [](TSelFilters& f) { f.LeftFrom = f.LeftTo = "05.05.2020"; },
         "(A.ENDEND>='05.05.2020' AND A.ENDEND<='05.05.2020') AND",
         {"00003"}},
        {"reversed range is ignored",
         [](TSelFilters& f) { f.LeftFrom = "06.05.2020", f.LeftTo = "05.05.2020"; },
         "",
         {"00001", "00002", "00004"}},
        {"empty date mask is no filter",
         [](TSelFilters& f) { f.HiredFrom = "  .  .    "; },
         "",
         {"00001", "00002", "00004"}},
        {"children up to ten years, once per child",
         [](TSelFilters& f) { f.KidsAge = "10"; },
         "A.TAB=E.KID_TAB AND",
         {"00001", "00004"}},
        {"children up to nine: a tenth birthday tomorrow",
         [](TSelFilters& f) { f.KidsAge = "9"; },
         "",
         {"00001", "00004"}},
        {"girls",
         [](TSelFilters& f) { f.KidSex = "Жіноча"; },
         "E.KID_SEX='Ж' AND",
         {"00001", "00004"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TSelFilters f;
        c.Set(f);
        const TSelStatement st = Build(f);
        if (*c.Line) {
            EXPECT_TRUE(st.Lines.contains(QString::fromUtf8(c.Line)))
                << st.Lines.join('\n').toStdString();
        }
        EXPECT_EQ(Run(st), c.Tabs) << st.Lines.join('\n').toStdString();
    }
    EXPECT_EQ(Count("KADR"), 4);
}

TEST_F(SelSqlTest, BadNumbersAndDatesStopTheBuildWithAMessage) {
    struct Case {
        std::function<void(TSelFilters&)> Set;
        QStringList Captions;
        const char* Message;
    };
    const QStringList tab = {"Таб. номер"};
    const Case cases[] = {
        {[](TSelFilters&) {}, {}, "Не вибрано жодної колонки документу."},
        {[](TSelFilters& f) { f.AgeFrom = "5a"; }, tab,
         "\"5a\" (Вік від) не є цілим числом від 0 до 150."},
        {[](TSelFilters& f) { f.AgeTo = "-1"; }, tab,
         "\"-1\" (Вік до) не є цілим числом від 0 до 150."},
        {[](TSelFilters& f) { f.AgeFrom = "1 OR 1=1"; }, tab,
         "\"1 OR 1=1\" (Вік від) не є цілим числом від 0 до 150."},
        {[](TSelFilters& f) { f.AgeTo = "999"; }, tab,
         "\"999\" (Вік до) не є цілим числом від 0 до 150."},
        {[](TSelFilters& f) { f.KidsAge = "x"; }, tab,
         "\"x\" (Діти до) не є цілим числом від 0 до 150."},
        {[](TSelFilters& f) { f.HiredFrom = "31.02.2024"; }, tab,
         "\"31.02.2024\" (Прийняті з) не є правильною датою."},
        {[](TSelFilters& f) { f.LeftTo = "01.01.2020' OR '1'='1"; }, tab,
         "\"01.01.2020' OR '1'='1\" (Звільнені до) не є правильною датою."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Message);
        TSelFilters f;
        c.Set(f);
        try {
            BuildSelStatement(c.Captions, f, On, Org);
            ADD_FAILURE() << "built";
        } catch (const ESelError& e) {
            EXPECT_EQ(e.Message, QString::fromUtf8(c.Message));
        }
    }
    EXPECT_THROW(BuildSelStatement(tab, {}, "  .  .    ", Org), ESelError);
}

TEST_F(SelSqlTest, ColumnsBecomeSelectTextsAndOrderingInListOrder) {
    const QStringList captions = {"Прізвище, ім'я та по батькові (скорочене)",
                                  "День народження",
                                  "Посада (скорочена)",
                                  "Прізвище, ім'я та по батькові",
                                  "Дата прийому у " + Org,
                                  "Ім'я дитини"};
    const TSelStatement st = Build({}, captions);
    EXPECT_TRUE(st.Children);
    const int select = int(st.Lines.indexOf("SELECT"));
    EXPECT_EQ(
        st.Lines.mid(select + 1, 6),
        QStringList({"A.FAMILY, A.NAME, A.PATR,", "EXTRACT(DAY FROM A.BDATE) AS DDD,",
                     "C.NAMPROF AS PROFSHT,", "A.FAMILY || ' ' || A.NAME || ' ' || A.PATR AS FNP,",
                     "A.WWORK,", "E.KID_NAME"}));
    const int order = int(st.Lines.indexOf("ORDER BY"));
    // The day of birth is the fourth select column: the short full name stands for three.
    EXPECT_EQ(st.Lines.mid(order + 1),
              QStringList({"A.FAMILY, A.NAME, A.PATR,", "4,", "C.NAMPROF,",
                           "A.FAMILY, A.NAME, A.PATR,", "A.WWORK,", "E.KID_NAME"}));
    EXPECT_EQ(Run(st), QStringList({"Бондар", "Коваль", "Коваль"}));
    EXPECT_EQ(Run(Build({}, {"День народження", "Прізвище"})), QStringList({"14", "15", "20"}));
    bool child = false;
    EXPECT_EQ(SelConvert("Невідома колонка", Org, child), QString());
    EXPECT_EQ(SelConvert("прізвище", Org, child), QString());
    EXPECT_FALSE(child);
    EXPECT_EQ(SelCaptions(Org).size(), 86);
}

TEST_F(SelSqlTest, AgeIsTheSameInCodeAndOnTheServer) {
    const TDateTime on = EncodeDate(2024, 3, 14);
    struct Case {
        int Y, M, D;
        int Age;
    };
    const Case cases[] = {
        {1969, 3, 14, 55}, {1969, 3, 15, 54}, {1969, 3, 13, 55}, {1969, 4, 1, 54},
        {1969, 2, 28, 55}, {2000, 2, 29, 24}, {2024, 3, 14, 0},  {2023, 12, 31, 0},
    };
    for (const Case& c : cases) {
        const TDateTime born = EncodeDate(c.Y, c.M, c.D);
        SCOPED_TRACE(FormatDateTime("dd.mm.yyyy", born).toStdString());
        EXPECT_EQ(AgeOn(born, on), c.Age);
        const QString column = QStringLiteral("CAST(%1 AS DATE)").arg(SqlDate(born));
        EXPECT_EQ(Scalar("select " + AgeSql(column, on) + " from RDB$DATABASE").AsInt(), c.Age);
    }
    // A leap-day birthday in a common year: the new age on the first of March.
    EXPECT_EQ(AgeOn(EncodeDate(2000, 2, 29), EncodeDate(2023, 2, 28)), 22);
    EXPECT_EQ(AgeOn(EncodeDate(2000, 2, 29), EncodeDate(2023, 3, 1)), 23);
    EXPECT_EQ(AgeOn(0, on), -1);
}

} // namespace
