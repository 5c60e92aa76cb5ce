// The statements of the dated reports against a small staff with known facts on 14.03.2024:
// who counts as working on the date, ages with the birthday itself counting, service in years
// and months, averages by category, education and the long-service bonus.
#include "AppTestSupport.h"

#include "Dates.h"
#include "DatedReports.h"
#include "Seniority.h"
#include "SqlText.h"

namespace {

class DatedReportsTest : public AppDbTest {
protected:
    void SetUp() override {
        AppDbTest::SetUp();
        // TAB, FAMILY, SEX, BDATE, KAT, EDUC, WWORK, ENDEND, WOWORK, WOWORK1
        const char* rows[] = {
            "'00001', 'Коваль', 'Ж', '14.03.1984', 'Керівник', 'Повна вища', '01.02.2010', "
            "null, '15.03.2004', '15.03.2020'",
            "'00002', 'Бондар', 'Ч', '15.03.1984', 'Фахівець', 'Базова вища', '01.02.2015', "
            "null, '16.03.2019', '16.03.2019'",
            "'00003', 'Д''яченко', 'Ч', null, 'Фахівець', 'Неповна вища', null, null, null, "
            "'01.01.1990'",
            "'00004', 'Шевчук', 'Ж', '01.01.2000', null, null, null, null, null, '15.03.2021'",
            "'00005', 'Мельник', 'Ч', '01.06.1970', 'Робітник', 'Проф. тех.', null, null, null, "
            "'16.03.2021'",
            // dismissed the day before, hired the day after: not working on the date
            "'00006', 'Гнатюк', 'Ч', '01.01.1960', 'Керівник', 'Повна вища', null, "
            "'13.03.2024', null, '01.01.1990'",
            "'00007', 'Лисенко', 'Ж', '01.01.1980', 'Керівник', 'Повна вища', '15.03.2024', "
            "null, null, '01.01.1990'",
            // dismissed on the date: still working on it
            "'00008', 'Ткаченко', 'Ж', '10.10.1990', 'Керівник', 'Повна вища', null, "
            "'14.03.2024', null, '14.03.2014'",
        };
        for (const char* r : rows)
            Exec(QStringLiteral("insert into KADR (TAB, FAMILY, SEX, BDATE, KAT, EDUC, WWORK, "
                                "ENDEND, WOWORK, WOWORK1) values (%1)")
                     .arg(QString::fromUtf8(r)));
    }
    // The rows of a statement on the report date, the columns joined by "|".
    QStringList Rows(const QString& Sql, const QStringList& Columns,
                     const QString& On = QStringLiteral("14.03.2024")) {
        TIBQuery q(nullptr);
        q.SetDatabase(dm->Database);
        q.GetSQL()->SetText(Sql);
        // the report gives the date as the text of the date dialog
        q.ParamByName(QStringLiteral("NDATE"))->SetAsString(On);
        q.Open();
        QStringList out;
        for (; !q.GetEof(); q.Next()) {
            QStringList row;
            for (const QString& c : Columns)
                row << q.FieldByName(c)->GetAsString();
            out << row.join(u'|');
        }
        return out;
    }
};

TEST_F(DatedReportsTest, AgesAndServicePerEmployee) {
    EXPECT_EQ(Rows(StajSql(), {"TAB", "AGE", "STAJ_Y", "STAJ_M", "VISL_Y", "VISL_M"}),
              QStringList({"00002|39|4|11|4|11", "00003||||34|2", "00001|40|20|0|4|0",
                           "00005|53|||2|11", "00008|33|||10|0", "00004|24|||3|0"}));
    EXPECT_EQ(
        Rows(StajSql(), {"STAJ_TXT", "VISL_TXT"}).mid(0, 3),
        QStringList({"4 р. 11 міс.|4 р. 11 міс.", "|34 р. 2 міс.", "20 р. 0 міс.|4 р. 0 міс."}));
}

TEST_F(DatedReportsTest, AverageAgeByCategory) {
    EXPECT_EQ(
        Rows(VikSql(), {"ORD", "CATEGORY", "CNT", "AVG_AGE", "CNT_M", "AVG_M", "CNT_W", "AVG_W"}),
        QStringList({"1|Керівник|2|36,5|0||2|36,5", "3|Фахівець|2|39|2|39|0|",
                     "5|Робітник|1|53|1|53|0|", "6|Інші|1|24|0||1|24",
                     "9|Всього|6|37,8|3|46|3|32,3"}));
}

TEST_F(DatedReportsTest, StaffByEducation) {
    EXPECT_EQ(Rows(EducSql(),
                   {"ORD", "CATEGORY", "CNT", "FULL_HIGH", "BASE_HIGH", "PART_HIGH", "NO_HIGH"}),
              QStringList({"1|Керівник|2|2|0|0|0", "3|Фахівець|2|0|1|1|0", "5|Робітник|1|0|0|0|1",
                           "6|Інші|1|0|0|0|1", "9|Всього|6|2|1|1|2"}));
}

// Three years of long service or more, and the bonus by its steps.
TEST_F(DatedReportsTest, LongServiceBonusList) {
    EXPECT_EQ(Rows(BezStajSql(), {"TAB", "VISL_Y", "VISL_M", "BONUS"}),
              QStringList({"00002|4|11|10", "00003|34|2|40", "00001|4|0|10", "00008|10|0|20",
                           "00004|3|0|10"}));
    // A day earlier the one of exactly three years is not there yet.
    EXPECT_FALSE(Rows(BezStajSql(), {"TAB"}, QStringLiteral("13.03.2024")).contains("00004"));
}

// The months in the statements follow the seniority computation's rule on every pair of dates
// around month ends and leap days.
TEST_F(DatedReportsTest, ServiceMonthsInSqlFollowTheSeniorityRule) {
    const TDateTime starts[] = {EncodeDate(2020, 3, 15), EncodeDate(2024, 1, 31),
                                EncodeDate(2020, 2, 29), EncodeDate(2023, 12, 31)};
    QStringList selects;
    std::vector<int> expected;
    for (TDateTime s : starts)
        for (TDateTime r = EncodeDate(2023, 12, 25); r <= EncodeDate(2024, 3, 5); r += 3) {
            selects << QStringLiteral("select %1 from RDB$DATABASE")
                           .arg(SeniorityMonthsSql(
                               QStringLiteral("CAST(%1 AS DATE)").arg(SqlDate(s)),
                               QStringLiteral("CAST(%1 AS DATE)").arg(SqlDate(r))));
            expected.push_back(SeniorityMonths(r, s));
        }
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(Scalar(selects[int(i)]).AsInt(), expected[i]) << selects[int(i)].toStdString();
    EXPECT_TRUE(Scalar("select " + SeniorityMonthsSql("CAST(NULL AS DATE)", "CURRENT_DATE") +
                       " from RDB$DATABASE")
                    .IsNull());
}

} // namespace
