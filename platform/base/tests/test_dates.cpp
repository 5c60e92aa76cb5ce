#include "Clock.h"
#include "Dates.h"
#include "SysUtils.h"
#include "TestSupport.h"

#include <cmath>

namespace {

// 05.03.2024 14:07:09.045, a Tuesday.
TDateTime Sample() {
    return EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);
}

// Fixes "now" at 09.12.2026 21:45:30 for the tests that read the clock.
class ClockFixture : public ::testing::Test {
protected:
    TFakeClock clock{EncodeDateTime(2026, 12, 9, 21, 45, 30, 0)};
    TClockSwap swap{&clock};
};

} // namespace

TEST(Dates, EncodeDateGivesDaysSince30Dec1899) {
    // Serial numbers and days of the week checked against an independent calendar.
    struct Row {
        int y, m, d;
        double serial;
        int dow;
    };
    const Row rows[] = {
        {1899, 12, 30, 0, 7},    {1899, 12, 31, 1, 1},       {1899, 12, 29, -1, 6},
        {1, 1, 1, -693593, 2},   {1600, 2, 29, -109512, 3},  {1900, 1, 1, 2, 2},
        {1900, 3, 1, 61, 5},     {2000, 2, 29, 36585, 3},    {2024, 2, 29, 45351, 5},
        {2026, 12, 9, 46365, 4}, {9999, 12, 31, 2958465, 6},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(QStringLiteral("%1.%2.%3").arg(r.d).arg(r.m).arg(r.y).toStdString());
        EXPECT_EQ(EncodeDate(r.y, r.m, r.d), r.serial);
        EXPECT_EQ(DayOfWeek(r.serial), r.dow);
        int y, m, d;
        DecodeDate(r.serial, y, m, d);
        EXPECT_EQ(y, r.y);
        EXPECT_EQ(m, r.m);
        EXPECT_EQ(d, r.d);
    }
}

TEST(Dates, EveryDayFromYear1To9999DecodesToTheNextCalendarDay) {
    int py = 0, pm = 12, pd = 31;
    for (int t = -693593; t <= 2958465; ++t) {
        int y, m, d;
        DecodeDate(t, y, m, d);
        const bool nextDay = (y == py && m == pm && d == pd + 1) ||
                             (y == py && m == pm + 1 && d == 1 && pd == DaysInAMonth(py, pm)) ||
                             (y == py + 1 && m == 1 && d == 1 && pm == 12 && pd == 31);
        if (!nextDay || EncodeDate(y, m, d) != t)
            FAIL() << "day " << t << " decodes to " << d << "." << m << "." << y;
        py = y, pm = m, pd = d;
    }
    EXPECT_EQ(py, 9999);
}

TEST(Dates, InvalidDatesAndTimesAreRejected) {
    const int bad[][3] = {{2023, 2, 29}, {1900, 2, 29}, {2100, 2, 29}, {2024, 4, 31},
                          {2024, 13, 1}, {2024, 0, 1},  {2024, 1, 0},  {0, 1, 1},
                          {10000, 1, 1}, {2024, 1, 32}};
    for (const auto& b : bad) {
        TDateTime d = 123;
        EXPECT_FALSE(TryEncodeDate(b[0], b[1], b[2], d)) << b[0] << "-" << b[1] << "-" << b[2];
        EXPECT_EQ(d, 123);
        EXPECT_EQ(MessageOf<EConvertError>([&] { EncodeDate(b[0], b[1], b[2]); }),
                  "Invalid argument to date encode");
    }
    const int badTimes[][4] = {
        {24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}};
    for (const auto& b : badTimes)
        EXPECT_EQ(MessageOf<EConvertError>([&] { EncodeTime(b[0], b[1], b[2], b[3]); }),
                  "Invalid argument to time encode");
}

TEST(Dates, LeapYearsAndMonthLengths) {
    struct Row {
        int year;
        bool leap;
    };
    for (Row r : {Row{2024, true}, Row{2023, false}, Row{2000, true}, Row{1900, false},
                  Row{2100, false}, Row{1600, true}, Row{4, true}, Row{1, false}}) {
        EXPECT_EQ(IsLeapYear(r.year), r.leap) << r.year;
        EXPECT_EQ(DaysInAMonth(r.year, 2), r.leap ? 29 : 28) << r.year;
        EXPECT_EQ(DaysInAYear(r.year), r.leap ? 366 : 365) << r.year;
    }
    const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m <= 12; ++m) {
        EXPECT_EQ(DaysInAMonth(2023, m), days[m - 1]);
        EXPECT_EQ(MonthDays[0][m], days[m - 1]);
    }
    EXPECT_EQ(MonthDays[1][2], 29);
    EXPECT_EQ(DaysInAMonth(2023, 13), 0);
}

TEST(Dates, TimeEncodingAndRoundingToTheMillisecond) {
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    int h, n, s, z;
    DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, z);
    EXPECT_EQ((std::vector<int>{h, n, s, z}), (std::vector<int>{23, 59, 59, 999}));
    // A value a hair below midnight rounds to the next day, date and time together.
    const TDateTime almost = EncodeDate(2024, 2, 28) + 1 - 1e-10;
    int y, m, d;
    DecodeDateTime(almost, y, m, d, h, n, s, z);
    EXPECT_EQ((std::vector<int>{y, m, d, h, n, s, z}), (std::vector<int>{2024, 2, 29, 0, 0, 0, 0}));
    EXPECT_EQ(DateTimeToTimeStamp(almost).Time, 0);
}

TEST(Dates, NegativeValuesKeepTheTimeOfDayAsAbsoluteFraction) {
    // 29.12.1899 06:00 is -1.25: day -1, a quarter of a day.
    const TDateTime v = EncodeDateTime(1899, 12, 29, 6, 0, 0, 0);
    EXPECT_EQ(v, -1.25);
    int y, m, d, h, n, s, z;
    DecodeDateTime(v, y, m, d, h, n, s, z);
    EXPECT_EQ((std::vector<int>{y, m, d, h, n}), (std::vector<int>{1899, 12, 29, 6, 0}));
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn", v), "29.12.1899 06:00");
    EXPECT_EQ(ComposeDateTime(EncodeDate(1899, 12, 28), EncodeTime(18, 0, 0, 0)), -2.75);
    EXPECT_EQ(TimeOf(-2.75), 0.75);
    EXPECT_EQ(DateOf(-2.75), -2);
    EXPECT_EQ(StrToDateTime("29.12.1899 06:00"), -1.25);
}

TEST(Dates, TimeStamps) {
    struct Row {
        TDateTime value;
        int date, time;
    };
    const Row rows[] = {
        {0.0, 693594, 0},
        {0.5, 693594, 43200000},
        {-1.25, 693593, 21600000},
        {EncodeDate(1, 1, 1), 1, 0},
        {EncodeDateTime(2024, 3, 5, 14, 7, 9, 45), 693594 + 45356, 50829045},
    };
    for (const Row& r : rows) {
        const TTimeStamp ts = DateTimeToTimeStamp(r.value);
        EXPECT_EQ(ts.Date, r.date) << r.value;
        EXPECT_EQ(ts.Time, r.time) << r.value;
        EXPECT_DOUBLE_EQ(TimeStampToDateTime(ts), r.value);
    }
    EXPECT_EQ(TimeStampToMSecs({1000, 2}), 172801000.0);
    EXPECT_EQ(MSecsToTimeStamp(172801000.0), (TTimeStamp{1000, 2}));
    // no day number fits these: the empty stamp, which the conversions refuse
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300})
        EXPECT_EQ(MSecsToTimeStamp(bad), (TTimeStamp{0, 0})) << bad;
    EXPECT_EQ(MessageOf<EConvertError>([] {
                  TimeStampToDateTime({0, 0});
              }),
              "'0.0' is not a valid timestamp");
    EXPECT_EQ(MessageOf<EConvertError>([] {
                  TimeStampToDateTime({-1, 5});
              }),
              "'5.-1' is not a valid timestamp");
}

TEST(Dates, IncMonthClampsToTheMonthEnd) {
    struct Row {
        int y, m, d, months, ey, em, ed;
    };
    const Row rows[] = {
        {2024, 2, 29, 12, 2025, 2, 28},  {2024, 1, 31, 1, 2024, 2, 29},
        {2023, 1, 31, 1, 2023, 2, 28},   {2024, 3, 31, -1, 2024, 2, 29},
        {2024, 3, 31, 1, 2024, 4, 30},   {2024, 1, 15, -13, 2022, 12, 15},
        {2024, 12, 31, 2, 2025, 2, 28},  {2024, 11, 30, 0, 2024, 11, 30},
        {2024, 2, 29, -48, 2020, 2, 29}, {1899, 12, 30, 1, 1900, 1, 30},
        {1, 1, 31, 1, 1, 2, 28},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(IncMonth(EncodeDate(r.y, r.m, r.d), r.months), EncodeDate(r.ey, r.em, r.ed))
            << r.d << "." << r.m << "." << r.y << " + " << r.months;
    }
    // The time of day rides along, also before 1899.
    EXPECT_DOUBLE_EQ(IncMonth(EncodeDateTime(2024, 1, 31, 18, 30, 0, 0), 1),
                     EncodeDateTime(2024, 2, 29, 18, 30, 0, 0));
    EXPECT_DOUBLE_EQ(IncMonth(EncodeDateTime(1899, 11, 29, 6, 0, 0, 0), 1), -1.25);
    EXPECT_EQ(IncYear(EncodeDate(2024, 2, 29), 1), EncodeDate(2025, 2, 28));
    EXPECT_EQ(IncDay(EncodeDate(2024, 2, 28), 2), EncodeDate(2024, 3, 1));
    EXPECT_EQ(MessageOf<EConvertError>([] { IncMonth(EncodeDate(9999, 12, 1), 1); }),
              "Invalid argument to date encode");
    EXPECT_EQ(MessageOf<EConvertError>([] { IncMonth(EncodeDate(1, 1, 1), -1); }),
              "Invalid argument to date encode");
}

TEST(Dates, PartsAndDistances) {
    const TDateTime v = Sample();
    EXPECT_EQ(YearOf(v), 2024);
    EXPECT_EQ(MonthOf(v), 3);
    EXPECT_EQ(DayOf(v), 5);
    EXPECT_EQ(DateOf(v), EncodeDate(2024, 3, 5));
    EXPECT_EQ(DaysBetween(EncodeDate(2024, 3, 1), EncodeDate(2024, 2, 1)), 29);
    EXPECT_EQ(DaysBetween(EncodeDateTime(2024, 3, 1, 12, 0, 0, 0), EncodeDate(2024, 3, 2)), 0);
    EXPECT_EQ(DaysBetween(EncodeDate(1899, 12, 29), EncodeDate(1899, 12, 31)), 2);
}

TEST_F(ClockFixture, TodayAndNowComeFromTheClock) {
    EXPECT_EQ(Date(), EncodeDate(2026, 12, 9));
    EXPECT_DOUBLE_EQ(Time(), EncodeTime(21, 45, 30, 0));
    EXPECT_DOUBLE_EQ(Now(), EncodeDateTime(2026, 12, 9, 21, 45, 30, 0));
    EXPECT_EQ(CurrentYear(), 2026);
    clock.Advance(3 * 3600 * 1000); // past midnight
    EXPECT_EQ(Date(), EncodeDate(2026, 12, 10));
    EXPECT_EQ(FormatDateTime("hh:nn:ss", Time()), "00:45:30");
}

TEST(Dates, UkrainianSettingsAreFixed) {
    // The values every date text of the program depends on (never taken from the locale).
    const TFormatSettings fs = TFormatSettings::Ukrainian();
    EXPECT_EQ(fs.ShortDateFormat, "dd.mm.yyyy");
    EXPECT_EQ(fs.DateSeparator, u'.');
    EXPECT_EQ(fs.DecimalSeparator, u',');
    EXPECT_EQ(fs.ThousandSeparator, u' ');
    EXPECT_EQ(fs.TimeSeparator, u':');
    EXPECT_EQ(fs.LongTimeFormat, "hh:nn:ss");
    EXPECT_EQ(fs.LongMonthNames[0], "Січень");
    EXPECT_EQ(fs.LongMonthNames[11], "Грудень");
    EXPECT_EQ(fs.ShortMonthNames[4], "Тра");
    EXPECT_EQ(fs.LongDayNames[0], "неділя");
    EXPECT_EQ(fs.LongDayNames[6], "субота");
    EXPECT_EQ(FormatSettings.ShortDateFormat, fs.ShortDateFormat);
    EXPECT_EQ(DateToStr(EncodeDate(2024, 3, 5)), "05.03.2024");
}

TEST(Dates, FormatDateTimeTable) {
    struct Row {
        const char* format;
        const char* expected;
    };
    const Row rows[] = {
        {"dd.mm.yyyy", "05.03.2024"},
        {"d.m.yy", "5.3.24"},
        {"DD.MM.YYYY", "05.03.2024"},
        {"yyy", "2024"},
        {"ddd, dddd", "Вт, вівторок"},
        {"mmm mmmm", "Бер Березень"},
        {"hh:nn:ss", "14:07:09"},
        {"h:n:s", "14:7:9"},
        {"hh:mm", "14:07"},       // m right after h is the minute
        {"hh' h 'mm", "14 h 07"}, // still minutes: literals are not letters
        {"mm:ss", "03:09"},       // without h it is the month
        {"z zz zzz", "45 45 045"},
        {"hh:nn am/pm", "02:07 pm"},
        {"h AM/PM", "2 PM"},
        {"h a/p", "2 p"},
        {"hh ampm", "02 пп"},
        {"c", "05.03.2024 14:07:09"},
        {"", "05.03.2024 14:07:09"},
        {"ddddd", "05.03.2024"},
        {"dddddd", "5 Березень 2024 р."},
        {"t|tt", "14:07|14:07:09"},
        {"yyyy/mm/dd", "2024.03.05"},
        {"yyyy-mm-dd", "2024-03-05"},
        {"\"mm\" mm", "mm 03"},
        {"'dd.mm' dd", "dd.mm 05"},
        {"'unclosed", "unclosed"},
        {"[dd]", "[05]"},
        {"aaa aaaa", "Вт вівторок"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(FormatDateTime(QString::fromUtf8(r.format), Sample()),
                  QString::fromUtf8(r.expected))
            << r.format;

    const TDateTime midnight = EncodeDateTime(2024, 3, 5, 0, 30, 0, 0);
    EXPECT_EQ(FormatDateTime("h:nn am/pm", midnight), "12:30 am");
    EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 3, 5)), "05.03.2024");
    EXPECT_EQ(DateToStr(Sample()), "05.03.2024");
    EXPECT_EQ(TimeToStr(Sample()), "14:07:09");
    EXPECT_EQ(DateTimeToStr(Sample()), "05.03.2024 14:07:09");
    EXPECT_EQ(DateTimeToStr(0.0), "30.12.1899");

    // The ends of the date range keep their digits.
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy", EncodeDate(1, 1, 1)), "01.01.0001");
    EXPECT_EQ(
        FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", EncodeDateTime(9999, 12, 31, 23, 59, 59, 999)),
        "31.12.9999 23:59:59.999");
    EXPECT_EQ(FormatDateTime("d.m.yy", EncodeDate(5, 6, 7)), "7.6.05");

    // A format is worked out once, but its separators come from the settings of each call.
    TFormatSettings us = TFormatSettings::Ukrainian();
    us.DateSeparator = u'/';
    us.TimeSeparator = u'-';
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", Sample()), "05.03.2024 14:07");
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", Sample(), us), "05/03/2024 14-07");
    us.DateSeparator = QChar();
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", Sample(), us), "05032024 14-07");
}

TEST_F(ClockFixture, StrToDateTable) {
    struct Row {
        const char* text;
        int y, m, d; // y == 0: invalid
    };
    const Row rows[] = {
        {"05.03.2024", 2024, 3, 5},
        {"5.3.2024", 2024, 3, 5},
        {" 5 . 3 . 2024 ", 2024, 3, 5},
        {"05.03.2024.", 2024, 3, 5},
        {"29.02.2024", 2024, 2, 29},
        {"15.03", 2026, 3, 15},    // no year: the current one
        {"15.03.24", 2024, 3, 15}, // two digits: within 50 years before now, or after
        {"15.03.76", 1976, 3, 15},
        {"15.03.75", 2075, 3, 15},
        {"15.03.0024", 24, 3, 15}, // four digits are taken as written
        {"01.01.0001", 1, 1, 1},
        {"", 0, 0, 0},
        {"   ", 0, 0, 0},
        {"abc", 0, 0, 0},
        {"31.02.2024", 0, 0, 0},
        {"29.02.2023", 0, 0, 0},
        {"32.01.2024", 0, 0, 0},
        {"05.13.2024", 0, 0, 0},
        {"00.01.2024", 0, 0, 0},
        {"05/03/2024", 0, 0, 0},
        {"05.03.20245", 0, 0, 0},
        {"05.03.2024 12:00", 0, 0, 0},
        {"5.", 0, 0, 0},
        {"05..2024", 0, 0, 0},
        {"-5.3.2024", 0, 0, 0},
    };
    for (const Row& r : rows) {
        const QString text = QString::fromUtf8(r.text);
        TDateTime v = -7;
        const bool ok = TryStrToDate(text, v);
        EXPECT_EQ(ok, r.y != 0) << r.text;
        if (r.y != 0) {
            EXPECT_EQ(v, EncodeDate(r.y, r.m, r.d)) << r.text;
            EXPECT_EQ(StrToDate(text), v);
        } else {
            EXPECT_EQ(v, -7) << r.text;
            EXPECT_EQ(MessageOf<EConvertError>([&] { StrToDate(text); }),
                      QStringLiteral("'%1' is not a valid date").arg(text));
            EXPECT_EQ(StrToDateDef(text, 42), 42);
        }
    }
}

TEST(Dates, StrToDateFollowsTheShortDateFormatOrder) {
    TFormatSettings iso = TFormatSettings::Ukrainian();
    iso.ShortDateFormat = "yyyy-mm-dd";
    iso.DateSeparator = u'-';
    EXPECT_EQ(StrToDate("2024-03-05", iso), EncodeDate(2024, 3, 5));
    TFormatSettings us = TFormatSettings::Ukrainian();
    us.ShortDateFormat = "m/d/yyyy";
    us.DateSeparator = u'/';
    EXPECT_EQ(StrToDate("3/5/2024", us), EncodeDate(2024, 3, 5));
    EXPECT_EQ(DateToStr(EncodeDate(2024, 3, 5), us), "3/5/2024");

    // The global settings follow a swap and come back after it.
    {
        TFormatSettingsSwap swap(iso);
        EXPECT_EQ(DateToStr(EncodeDate(2024, 3, 5)), "2024-03-05");
        EXPECT_EQ(StrToDate("2024-03-05"), EncodeDate(2024, 3, 5));
    }
    EXPECT_EQ(DateToStr(EncodeDate(2024, 3, 5)), "05.03.2024");

    // Text out and back in gives the same date across the whole range.
    for (TDateTime t = -693593; t <= 2958465; t += 997)
        ASSERT_EQ(StrToDate(DateToStr(t)), t) << DateToStr(t).toStdString();
}

TEST(Dates, StrToTimeTable) {
    struct Row {
        const char* text;
        int h, n, s, z; // h < 0: invalid
    };
    const Row rows[] = {
        {"14:07:09", 14, 7, 9, 0},  {"14:07", 14, 7, 0, 0},         {"9", 9, 0, 0, 0},
        {" 14 : 07 ", 14, 7, 0, 0}, {"14:07:09,045", 14, 7, 9, 45}, {"2:07 PM", 14, 7, 0, 0},
        {"12:00 AM", 0, 0, 0, 0},   {"12:30 pm", 12, 30, 0, 0},     {"PM 2:07", 14, 7, 0, 0},
        {"2:07 пп", 14, 7, 0, 0},   {"23:59:59", 23, 59, 59, 0},    {"13:00 PM", -1, 0, 0, 0},
        {"0:10 AM", -1, 0, 0, 0},   {"24:00", -1, 0, 0, 0},         {"14:60", -1, 0, 0, 0},
        {"14:07:60", -1, 0, 0, 0},  {"abc", -1, 0, 0, 0},           {"", -1, 0, 0, 0},
        {"14:", -1, 0, 0, 0},       {"14:07 x", -1, 0, 0, 0},
    };
    for (const Row& r : rows) {
        const QString text = QString::fromUtf8(r.text);
        TDateTime v = -7;
        EXPECT_EQ(TryStrToTime(text, v), r.h >= 0) << r.text;
        if (r.h >= 0) {
            EXPECT_DOUBLE_EQ(v, EncodeTime(r.h, r.n, r.s, r.z)) << r.text;
        } else {
            EXPECT_EQ(MessageOf<EConvertError>([&] { StrToTime(text); }),
                      QStringLiteral("'%1' is not a valid time").arg(text));
            EXPECT_EQ(StrToTimeDef(text, 0.25), 0.25);
        }
    }
}

TEST_F(ClockFixture, StrToDateTimeTable) {
    EXPECT_DOUBLE_EQ(StrToDateTime("05.03.2024 14:07:09"), EncodeDateTime(2024, 3, 5, 14, 7, 9, 0));
    EXPECT_EQ(StrToDateTime("05.03.2024"), EncodeDate(2024, 3, 5));
    EXPECT_DOUBLE_EQ(StrToDateTime("14:07"), EncodeTime(14, 7, 0, 0));
    EXPECT_DOUBLE_EQ(StrToDateTime("5.3 2:07 PM"), EncodeDateTime(2026, 3, 5, 14, 7, 0, 0));
    EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(Sample())),
                     EncodeDateTime(2024, 3, 5, 14, 7, 9, 0));
    for (const char* bad : {"05.03.2024 xx", "05.03.2024 14:07 x", "31.02.2024 10:00", "x", ""}) {
        const QString text = QString::fromUtf8(bad);
        EXPECT_EQ(MessageOf<EConvertError>([&] { StrToDateTime(text); }),
                  QStringLiteral("'%1' is not a valid date and time").arg(text));
        EXPECT_EQ(StrToDateTimeDef(text, 3.5), 3.5);
    }
}
