// Date texts and the small text helpers, as tables: the Ukrainian settings (and a swapped
// month-first one) with the clock standing at 15.06.2026.
#include "Clock.h"
#include "DateUtil.h"
#include "Forms.h"
#include "RXConst.h"
#include "StrUtils.h"

#include <gtest/gtest.h>

namespace {

class DateUtilTest : public ::testing::Test {
protected:
    TFakeClock clock{EncodeDateTime(2026, 6, 15, 10, 30, 0, 0)};
    TClockSwap swap{&clock};
};

TEST(StrUtils, WordsReplaceAndRuns) {
    const TCharSet semi{u';'};
    EXPECT_EQ(WordPosition(2, QStringLiteral(";a;;b;"), semi), 5);
    EXPECT_EQ(ExtractWord(2, QStringLiteral(";a;;b;"), semi), QStringLiteral("b"));
    EXPECT_EQ(ExtractWord(3, QStringLiteral(";a;;b;"), semi), QString());
    EXPECT_EQ(WordPosition(1, QString(), semi), 0);
    EXPECT_EQ(ExtractWord(2, QStringLiteral("Шевченко Тарас Григорович"), TCharSet{u' '}),
              QStringLiteral("Тарас"));

    EXPECT_EQ(ReplaceStr(QStringLiteral("aaa"), QStringLiteral("aa"), QStringLiteral("b")),
              QStringLiteral("ba"));
    EXPECT_EQ(ReplaceStr(QStringLiteral("abc"), QString(), QStringLiteral("x")),
              QStringLiteral("abc"));
    // the replacement is not scanned again
    EXPECT_EQ(ReplaceStr(QStringLiteral("Іван Іванович"), QStringLiteral("Іван"),
                         QStringLiteral("Іван Іван")),
              QStringLiteral("Іван Іван Іван Іванович"));

    const TCharSet blanks{u' ', u'.'};
    EXPECT_TRUE(AllCharsInSet(QStringLiteral("  .  .    "), blanks));
    EXPECT_TRUE(AllCharsInSet(QString(), blanks));
    EXPECT_FALSE(AllCharsInSet(QStringLiteral(" 1.  "), blanks));

    EXPECT_EQ(MakeStr(u'ж', 3), QStringLiteral("жжж"));
    EXPECT_EQ(MakeStr(u'x', 0), QString());
}

TEST_F(DateUtilTest, CalendarRules) {
    struct Leap {
        int Year;
        bool Leap;
    };
    for (Leap c : {Leap{1900, false}, Leap{2000, true}, Leap{2023, false}, Leap{2024, true}})
        EXPECT_EQ(IsLeapYear(c.Year), c.Leap) << c.Year;
    EXPECT_EQ(DaysPerMonth(2024, 2), 29);
    EXPECT_EQ(DaysPerMonth(2023, 2), 28);
    EXPECT_EQ(DaysPerMonth(2026, 4), 30);
    EXPECT_EQ(DaysPerMonth(2026, 13), 0);

    struct Valid {
        int Y, M, D;
        bool Ok;
    };
    for (Valid c : {Valid{2023, 2, 29, false}, Valid{2024, 2, 29, true}, Valid{10000, 1, 1, false},
                    Valid{0, 1, 1, false}, Valid{2026, 0, 1, false}, Valid{2026, 4, 31, false},
                    Valid{9999, 12, 31, true}, Valid{1, 1, 1, true}})
        EXPECT_EQ(IsValidDate(c.Y, c.M, c.D), c.Ok) << c.Y << "-" << c.M << "-" << c.D;
    EXPECT_TRUE(IsValidDateValue(EncodeDate(2026, 3, 5)));
    EXPECT_FALSE(IsValidDateValue(1e9));
    EXPECT_EQ(CurrentYear(), 2026);
    EXPECT_TRUE(FourDigitYear());
}

TEST_F(DateUtilTest, OrderAndTwoDigitYears) {
    struct Order {
        const char* Format;
        TDateOrder Order;
    };
    for (Order c : {Order{"dd.mm.yyyy", DMY}, Order{"MM/dd/yy", MDY}, Order{"yyyy-mm-dd", YMD},
                    Order{"ee/mm/dd", YMD}, Order{"hh:nn", DMY}, Order{"", DMY}})
        EXPECT_EQ(GetDateOrder(QString::fromUtf8(c.Format)), c.Order) << c.Format;

    struct Year {
        int In, Out;
    };
    for (Year c : {Year{66, 1966}, Year{65, 2065}, Year{3, 2003}, Year{0, 2000}, Year{99, 1999},
                   Year{100, 100}, Year{1999, 1999}})
        EXPECT_EQ(ExpandYear(c.In), c.Out) << c.In;
}

TEST_F(DateUtilTest, TextToDateWithTheEditFormat) {
    const QString fmt = QStringLiteral("DD/MM/YYYY");
    struct Case {
        const char* Text;
        bool Ok;
        int Y, M, D;
    };
    const Case cases[] = {
        {"05.03.2026", true, 2026, 3, 5},
        {"29.02.2024", true, 2024, 2, 29},
        {"29.02.2023", false, 0, 0, 0},
        {"31.04.2026", false, 0, 0, 0},
        // fixed positions fail, the free-form reading takes over
        {"5.3.26", true, 2026, 3, 5},
        {"05.03", true, 2026, 3, 5},
        {"12.05.", true, 2026, 5, 12},
        {"0005.03.2026", true, 2026, 3, 5},
        {" 5. 3.1999", true, 1999, 3, 5},
        // nothing may follow the date, a number has at most four digits
        {"05.03.2026 x", false, 0, 0, 0},
        {"05.03.20260", false, 0, 0, 0},
        {"01.01.10000", false, 0, 0, 0},
        // blank positions: no date (a blank year is never some past century)
        {"  .  .    ", false, 0, 0, 0},
        {"05.03.    ", false, 0, 0, 0},
        {"  .03.2026", false, 0, 0, 0},
        {"ab.cd.efgh", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        TDateTime d = -1;
        ASSERT_EQ(TryTextToDate(fmt, QString::fromUtf8(c.Text), d), c.Ok);
        if (c.Ok) {
            EXPECT_EQ(d, EncodeDate(c.Y, c.M, c.D));
        }
    }
    TDateTime d = -1;
    EXPECT_TRUE(TryTextToDate(fmt, QString(), d));
    EXPECT_EQ(d, NullDate);

    try {
        StrToDateFmt(fmt, QStringLiteral("31.02.2024"));
        ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("''31.02.2024'' is not a valid date"));
    }
    EXPECT_EQ(StrToDateFmt(fmt, QStringLiteral("01.12.2025")), EncodeDate(2025, 12, 1));
    // the default loses its time of day
    EXPECT_EQ(StrToDateFmtDef(fmt, QStringLiteral("bad"), EncodeDateTime(2020, 1, 2, 15, 0, 0, 0)),
              EncodeDate(2020, 1, 2));
}

TEST_F(DateUtilTest, MonthNamesInTheEditFormat) {
    EXPECT_EQ(MonthFromName(QString(), 3), 0);
    EXPECT_EQ(MonthFromName(QStringLiteral("січ"), 3), 1);
    EXPECT_EQ(MonthFromName(QStringLiteral("ГРУДЕНЬ"), 7), 12);
    EXPECT_EQ(MonthFromName(QStringLiteral("Лю"), 2), 2);
    EXPECT_EQ(MonthFromName(QStringLiteral("Xyz"), 3), 0);

    const QString fmt = QStringLiteral("DD/MMMMMMMM/YYYY");
    struct Case {
        const char* Text;
        bool Ok;
        int M;
    };
    for (Case c : {Case{"05.березень.2026", true, 3}, Case{"05.Бе      .2026", true, 3},
                   Case{"05.ЛИСТ    .2026", true, 11}, Case{"05.Xyz     .2026", false, 0}}) {
        SCOPED_TRACE(c.Text);
        int d = 0, m = 0, y = 0;
        ASSERT_EQ(ScanDateByMask(fmt, QString::fromUtf8(c.Text), d, m, y), c.Ok);
        if (c.Ok) {
            EXPECT_EQ((QList<int>{d, m, y}), (QList<int>{5, c.M, 2026}));
        }
    }
    EXPECT_EQ(ExtractMaskField(fmt, QStringLiteral("05.Xyz     .2026"), u'm', 0, -1, 3), -1);
    EXPECT_EQ(ExtractMaskField(fmt, QStringLiteral("05.        .2026"), u'm', 0, -7, 3), -7);
    // a text longer than the format leaves the default
    EXPECT_EQ(
        ExtractMaskField(QStringLiteral("DD/MM"), QStringLiteral("05.03.2026"), u'd', 9, -1, 1), 9);
}

TEST_F(DateUtilTest, FormatsAndMasksFollowTheSettings) {
    EXPECT_EQ(DefDateFormat(true), QStringLiteral("DD/MM/YYYY"));
    EXPECT_EQ(DefDateFormat(false), QStringLiteral("DD/MM/YY"));
    EXPECT_EQ(DefDateMask(u' ', true), QStringLiteral("!99/99/9999;1; "));
    EXPECT_EQ(DefDateMask(u'_', false), QStringLiteral("!99/99/99;1;_"));

    TFormatSettings mdy = FormatSettings;
    mdy.ShortDateFormat = QStringLiteral("mm/dd/yyyy");
    mdy.DateSeparator = u'/';
    {
        TFormatSettingsSwap s(mdy);
        EXPECT_EQ(DefDateFormat(true), QStringLiteral("MM/DD/YYYY"));
        const QString fmt = DefDateFormat(true);
        TDateTime d = 0;
        ASSERT_TRUE(TryTextToDate(fmt, QStringLiteral("03/05/2026"), d));
        EXPECT_EQ(d, EncodeDate(2026, 3, 5));
        ASSERT_TRUE(TryTextToDate(fmt, QStringLiteral("12/25"), d));
        EXPECT_EQ(d, EncodeDate(2026, 12, 25));
        EXPECT_FALSE(TryTextToDate(fmt, QStringLiteral("25/12/2026"), d));
    }
    TFormatSettings ymd = FormatSettings;
    ymd.ShortDateFormat = QStringLiteral("yyyy-mm-dd");
    ymd.DateSeparator = u'-';
    {
        TFormatSettingsSwap s(ymd);
        EXPECT_EQ(DefDateFormat(true), QStringLiteral("YYYY/MM/DD"));
        EXPECT_EQ(DefDateMask(u'_', true), QStringLiteral("!9999/99/99;1;_"));
        EXPECT_EQ(DefDateMask(u'_', false), QStringLiteral("!99/99/99;1;_"));
        TDateTime d = 0;
        ASSERT_TRUE(TryTextToDate(DefDateFormat(false), QStringLiteral("26-03-05"), d));
        EXPECT_EQ(d, EncodeDate(2026, 3, 5));
        ASSERT_TRUE(TryTextToDate(DefDateFormat(true), QStringLiteral("3-5"), d));
        EXPECT_EQ(d, EncodeDate(2026, 3, 5));
    }
}

TEST(RxConst, TextsAndCursors) {
    EXPECT_EQ(RxLoadStr(SDateDlgTitle), QStringLiteral("Выбор даты"));
    EXPECT_EQ(RxLoadStr(SDateBetween),
              QStringLiteral("\"%s\" - неверная дата. Значение должно быть между \"%s\" и \"%s\""));
    EXPECT_EQ(RxLoadStr(SPrevYear), QStringLiteral("Предыдущий год|"));
    EXPECT_EQ(RxLoadStr(1), QString());
    RegisterRxCursors();
    EXPECT_EQ(Screen->GetCursors(crHand).shape(), Qt::PointingHandCursor);
    EXPECT_EQ(Screen->GetCursors(crDragHand).shape(), Qt::DragMoveCursor);
}

} // namespace
