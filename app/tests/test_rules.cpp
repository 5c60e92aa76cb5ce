// Rules that need no database: SQL text, connection string, backup name, work year, seniority
// months and the leave-day count over calendars made here.
#include "Connection.h"
#include "Dates.h"
#include "LeaveDays.h"
#include "Seniority.h"
#include "ServiceOps.h"
#include "SqlText.h"
#include "varer.h"

#include <gtest/gtest.h>
#include <map>

namespace {

TDateTime D(int y, int m, int d) {
    return EncodeDate(y, m, d);
}

TEST(SqlTextTest, ApostrophesAreDoubledAndEmptyDatesLeaveNoCondition) {
    EXPECT_EQ(SqlStr(QStringLiteral("О'Браєн")), QStringLiteral("'О''Браєн'"));
    EXPECT_EQ(SqlStr(QStringLiteral("'; drop table KADR; --")),
              QStringLiteral("'''; drop table KADR; --'"));
    EXPECT_EQ(SqlDate(D(2024, 3, 5)), QStringLiteral("'05.03.2024'"));
    EXPECT_EQ(SqlDate(0), QString());
    EXPECT_EQ(
        EmploymentFilterLine(D(2024, 2, 15), D(2024, 3, 15)),
        QStringLiteral("AND (ENDEND IS NULL OR (ENDEND IS NOT NULL AND ENDEND>='15.02.2024')) "
                       "AND (WWORK IS NULL OR WWORK<='15.03.2024')"));
    EXPECT_EQ(EmploymentFilterLine(0, 0), QString());
    EXPECT_EQ(EmploymentFilterLine(0, D(2024, 3, 15)),
              QStringLiteral("AND (WWORK IS NULL OR WWORK<='15.03.2024')"));
}

TEST(ConnectionStringTest, LocalPathOrServerColonPath) {
    ClearSettings();
    PathFileSvr = QStringLiteral("C:\\DATA\\STAFF.GDB");
    NameSvr = QStringLiteral("SRV");
    TypeSvr = 0;
    EXPECT_EQ(FormConnectionString(), QStringLiteral("C:\\DATA\\STAFF.GDB"));
    TypeSvr = 1;
    EXPECT_EQ(FormConnectionString(), QStringLiteral("SRV:C:\\DATA\\STAFF.GDB"));
    ClearSettings();
}

TEST(BackupFileNameTest, DirectoryAndNameWithoutExtensionThenGbk) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\DATA\\STAFF.GDB", "C:\\DATA\\STAFF.gbk"},
        {"D:\\BASE\\STAFF.GDB", "D:\\BASE\\STAFF.gbk"},
        {"/srv/kadr/kadr.v2.fdb", "/srv/kadr/kadr.v2.gbk"},
        {"D:\\base/sub.dir/STAFF", "D:\\base/sub.dir/STAFF.gbk"},
        {"staff.fdb", "staff.gbk"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(BackupFileName(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
}

TEST(WorkYearTest, EndsTheDayBeforeTheAnniversary) {
    const std::pair<TDateTime, TDateTime> cases[] = {
        {D(2023, 1, 1), D(2023, 12, 31)}, {D(2023, 3, 1), D(2024, 2, 29)},
        {D(2024, 2, 29), D(2025, 2, 28)}, {D(2023, 6, 15), D(2024, 6, 14)},
        {D(2023, 1, 31), D(2024, 1, 30)}, {D(2024, 3, 1), D(2025, 2, 28)},
    };
    for (const auto& [start, end] : cases)
        EXPECT_EQ(DateToStr(WorkYearEnd(start)), DateToStr(end)) << DateToStr(start).toStdString();
}

TEST(SeniorityMonthsTest, WholeMonthsToTheReckoningDate) {
    struct Case {
        TDateTime Chosen, Start;
        int Months;
    };
    const Case cases[] = {
        {D(2024, 3, 14), D(2020, 3, 15), 48}, // R = 15.03.2024
        {D(2024, 3, 13), D(2020, 3, 15), 47},
        {D(2024, 2, 28), D(2024, 1, 31), 0}, // R = 29.02: day 29 < 31
        {D(2024, 3, 1), D(2024, 1, 31), 1},
        {D(2024, 1, 1), D(2024, 5, 1), 0},    // start after the chosen date
        {D(2024, 4, 30), D(2024, 5, 1), 0},   // R equals the start
        {D(2023, 12, 31), D(2022, 1, 1), 24}, // R = 01.01.2024
    };
    for (const Case& c : cases)
        EXPECT_EQ(SeniorityMonths(c.Chosen + 1, c.Start), c.Months)
            << DateToStr(c.Chosen).toStdString();
}

// Calendars kept in memory, by year.
class MapCalendars : public TCalendarSource {
public:
    std::map<int, TCalendarYear> Years;
    std::vector<int> Loads;
    bool LoadYear(int Year, TCalendarYear& Image) override {
        Loads.push_back(Year);
        auto it = Years.find(Year);
        if (it == Years.end()) return false;
        Image = it->second;
        return true;
    }
    void Add(int Year, std::initializer_list<TDateTime> Holidays = {},
             std::initializer_list<std::pair<TDateTime, const char*>> Marks = {}) {
        TCalendarYear y = MakeCalendarYear(Year);
        for (TDateTime h : Holidays)
            y.Day(MonthOf(h), DayOf(h)).Mark = QStringLiteral("п");
        for (const auto& [d, mark] : Marks)
            y.Day(MonthOf(d), DayOf(d)).Mark = QString::fromUtf8(mark);
        Years[Year] = y;
    }
};

TEST(CountDaysTest, NewCalendarHasWeekdaysAndLeapDays) {
    TCalendarYear y = MakeCalendarYear(2023);
    EXPECT_EQ(y.Day(1, 2).Mark, QStringLiteral("Пн")); // 2 January 2023 was a Monday
    EXPECT_EQ(y.Day(1, 1).Mark, QStringLiteral("Вс"));
    EXPECT_TRUE(y.Day(2, 29).Text.isEmpty());
    EXPECT_EQ(MakeCalendarYear(2024).Day(2, 29).Text, QStringLiteral("29"));
    EXPECT_TRUE(MakeCalendarYear(2100).Day(2, 29).Text.isEmpty());
    EXPECT_TRUE(y.Day(4, 31).Text.isEmpty());
}

TEST(CountDaysTest, HolidaysMoveTheEndAndYearsAreLoadedAsTheCountRunsIntoThem) {
    MapCalendars cal;
    cal.Add(2023, {D(2023, 3, 8), D(2023, 1, 31), D(2023, 12, 25)});
    cal.Add(2024, {D(2024, 1, 1)});
    cal.Add(2026, {D(2026, 1, 3)});
    struct Case {
        const char* What;
        TDateTime Start;
        int Days;
        int Mode;
        TDateTime End;
        int Missing;
    };
    const Case cases[] = {
        {"three days from a Monday", D(2023, 1, 2), 3, 0, D(2023, 1, 4), 0},
        {"a holiday inside moves the end on", D(2023, 3, 6), 3, 0, D(2023, 3, 9), 0},
        {"one day on an ordinary day", D(2023, 3, 6), 1, 0, D(2023, 3, 6), 0},
        {"one day starting on a holiday", D(2023, 3, 8), 1, 0, D(2023, 3, 9), 0},
        {"holiday at a month end", D(2023, 1, 30), 2, 0, D(2023, 2, 1), 0},
        {"weekends count in mode 0", D(2023, 1, 6), 3, 0, D(2023, 1, 8), 0},
        {"across the year, 1 January a holiday", D(2023, 12, 31), 2, 0, D(2024, 1, 2), 0},
        {"holiday on 25 December", D(2023, 12, 24), 3, 0, D(2023, 12, 27), 0},
        {"no days: the day after", D(2023, 5, 10), 0, 0, D(2023, 5, 11), 0},
        {"no days on 31 December", D(2023, 12, 31), 0, 0, D(2024, 1, 1), 0},
        {"the next year is missing", D(2024, 12, 20), 24, 0, D(2024, 12, 20), 2025},
        {"the start year is missing", D(2025, 6, 1), 5, 0, D(2025, 6, 1), 2025},
        {"mode 1 skips weekends", D(2023, 1, 6), 2, 1, D(2023, 1, 9), 0},
        {"mode 1 skips holidays", D(2023, 3, 7), 2, 1, D(2023, 3, 9), 0},
        {"a holiday on 3 January 2026", D(2026, 1, 2), 2, 0, D(2026, 1, 4), 0},
    };
    for (const Case& c : cases) {
        TCountResult r = CountLeaveDays(cal, c.Start, c.Days, c.Mode);
        EXPECT_EQ(DateToStr(r.End), DateToStr(c.End)) << c.What;
        EXPECT_EQ(r.MissingYear, c.Missing) << c.What;
    }
}

TEST(CountDaysTest, UserMarksDecideInMode1) {
    MapCalendars cal;
    // Saturday 7 January made a working day, Monday 9 January a day off.
    cal.Add(2023, {}, {{D(2023, 1, 7), "р"}, {D(2023, 1, 9), "в"}});
    EXPECT_EQ(DateToStr(CountLeaveDays(cal, D(2023, 1, 6), 3, 1).End), DateToStr(D(2023, 1, 10)));
    // In mode 0 only holidays are skipped: the day off counts.
    EXPECT_EQ(DateToStr(CountLeaveDays(cal, D(2023, 1, 9), 1, 0).End), DateToStr(D(2023, 1, 9)));
}

TEST(CountDaysTest, TheMissingCalendarMessageNamesTheYear) {
    EXPECT_EQ(MissingCalendarText(2025), QStringLiteral("Не могу найти календарь за 2025 год."));
}

} // namespace
