// The month calendar: the layout of a month for every first day of the week, bounds,
// navigation across month and year ends, keys and clicks, and how out-of-range days look.
#include "ControlsTestSupport.h"

namespace {

class CalendarTest : public ControlsFormTest {
protected:
    void SetUp() override {
        ControlsFormTest::SetUp();
        cal = form->Add<TRxCalendar>(10, 10, 218, 113);
        cal->SetUseCurrentDate(false);
        cal->OnChange = [this](TObject*) { ++changes; };
        QApplication::processEvents();
    }
    // The days the grid shows, row by row, with 0 for an empty cell.
    std::vector<int> shownDays() {
        std::vector<int> v;
        for (int r = 1; r < 7; ++r)
            for (int c = 0; c < 7; ++c)
                v.push_back(cal->GetCellText(c, r).isEmpty() ? 0 : cal->GetCellText(c, r).toInt());
        return v;
    }
    // Pixels of a cell darker than mid-grey (the text of an enabled day).
    int darkPixels(const TBitmap& B, TRect R) {
        int n = 0;
        TBitmap& b = const_cast<TBitmap&>(B);
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x) {
                uint32_t p = uint32_t(ColorToRGB(b.GetCanvas()->GetPixels(x, y)));
                if (GetRValue(p) + GetGValue(p) + GetBValue(p) < 3 * 100) ++n;
            }
        return n;
    }
    TRxCalendar* cal = nullptr;
    int changes = 0;
};

TEST_F(CalendarTest, EveryMonthStartsUnderItsWeekday) {
    // months of 2024 whose 1st falls on every day of the week, for every first day of the week
    const int months[] = {1, 2, 3, 4, 5, 6, 9};
    for (int sow = Sun; sow <= Sat; ++sow) {
        cal->SetStartOfWeek(TDayOfWeekName(sow));
        EXPECT_EQ(cal->GetCellText(0, 0), FormatSettings.ShortDayNames[sow]);
        for (int m : months) {
            SCOPED_TRACE(QStringLiteral("week from %1, month %2").arg(sow).arg(m).toStdString());
            cal->SetCalendarDate(D(2024, m, 10));
            // the column of the 1st: the days back from it to the week's first day
            int column = 0;
            for (TDateTime d = D(2024, m, 1); DayOfWeek(d) - 1 != sow; d -= 1)
                ++column;
            std::vector<int> expected(42, 0);
            for (int day = 1; day <= DaysPerMonth(2024, m); ++day)
                expected[size_t(column + day - 1)] = day;
            EXPECT_EQ(shownDays(), expected);
            // the current cell is the day
            EXPECT_EQ(cal->DayOfCell(cal->GetCol(), cal->GetRow()), 10);
        }
    }
    // a week from Monday reads Monday to Sunday
    cal->SetStartOfWeek(Mon);
    QStringList names;
    for (int c = 0; c < 7; ++c)
        names << cal->GetCellText(c, 0);
    EXPECT_EQ(names.join(u' '), QStringLiteral("Пн Вт Ср Чт Пт Сб Нд"));
}

TEST_F(CalendarTest, NavigationAcrossMonthAndYearEnds) {
    struct Case {
        TDateTime From;
        std::function<void(TRxCalendar*)> Step;
        TDateTime To;
        const char* What;
    };
    const Case cases[] = {
        {D(2024, 2, 29), [](TRxCalendar* c) { c->NextYear(); }, D(2025, 2, 28), "next year"},
        {D(2024, 2, 29), [](TRxCalendar* c) { c->PrevYear(); }, D(2023, 2, 28), "previous year"},
        {D(2025, 1, 31), [](TRxCalendar* c) { c->NextMonth(); }, D(2025, 2, 28), "next month"},
        {D(2024, 3, 31), [](TRxCalendar* c) { c->PrevMonth(); }, D(2024, 2, 29), "previous month"},
        {D(2025, 12, 15), [](TRxCalendar* c) { c->NextMonth(); }, D(2026, 1, 15), "into January"},
        {D(2026, 1, 10), [](TRxCalendar* c) { c->PrevMonth(); }, D(2025, 12, 10), "into December"},
        {D(2024, 2, 29), [](TRxCalendar* c) { c->SetYear(2025); }, D(2025, 2, 28), "Year on 29.02"},
        {D(2024, 1, 31), [](TRxCalendar* c) { c->SetMonth(2); }, D(2024, 2, 29),
         "Month to February"},
        {D(2024, 4, 10), [](TRxCalendar* c) { c->SetDay(31); }, D(2024, 4, 10), "no 31 April"},
        {D(2024, 4, 10), [](TRxCalendar* c) { c->SetMonth(13); }, D(2024, 4, 10), "no month 13"},
        {D(2024, 4, 10), [](TRxCalendar* c) { c->SetDay(0); }, D(2024, 4, 10), "no day 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        cal->SetCalendarDate(c.From);
        c.Step(cal);
        EXPECT_EQ(cal->GetCalendarDate(), c.To);
    }
}

TEST_F(CalendarTest, BoundsLimitDatesAndParts) {
    cal->SetMinDate(D(2024, 3, 15));
    cal->SetMaxDate(D(2025, 10, 10));
    cal->SetCalendarDate(D(2024, 1, 1));
    EXPECT_EQ(cal->GetCalendarDate(), D(2024, 3, 15));
    cal->PrevMonth();
    EXPECT_EQ(cal->GetCalendarDate(), D(2024, 3, 15));
    cal->SetCalendarDate(D(2025, 2, 10));
    cal->SetYear(2023); // raised to the bound's year, month and day
    EXPECT_EQ(cal->GetCalendarDate(), D(2024, 3, 15));
    cal->SetCalendarDate(D(2024, 11, 20));
    cal->SetYear(2026);
    EXPECT_EQ(cal->GetCalendarDate(), D(2025, 10, 10));
    cal->SetCalendarDate(D(2024, 6, 10));
    cal->SetMonth(1);
    EXPECT_EQ(cal->GetCalendarDate(), D(2024, 3, 15));
    cal->SetDay(3);
    EXPECT_EQ(cal->GetCalendarDate(), D(2024, 3, 15));
    // a day outside cannot be selected, one inside can
    TGridCoord early = CellOfDay(cal, 10), late = CellOfDay(cal, 20);
    EXPECT_FALSE(cal->SelectCell(early.X, early.Y));
    EXPECT_TRUE(cal->SelectCell(late.X, late.Y));
    ClickCell(cal, early.X, early.Y);
    EXPECT_EQ(cal->GetCalendarDate(), D(2024, 3, 15));
    ClickCell(cal, late.X, late.Y);
    EXPECT_EQ(cal->GetCalendarDate(), D(2024, 3, 20));

    // drawn disabled: no dark text in the cells before the bound
    TBitmap bmp(cal->GetWidth(), cal->GetHeight());
    cal->PaintTo(bmp.GetCanvas(), 0, 0);
    EXPECT_EQ(darkPixels(bmp, cal->CellRect(early.X, early.Y)), 0);
    TGridCoord other = CellOfDay(cal, 27);
    EXPECT_GT(darkPixels(bmp, cal->CellRect(other.X, other.Y)), 0);

    // removing a bound leaves the date alone
    cal->SetCalendarDate(D(2025, 10, 1));
    cal->SetMaxDate(NullDate);
    EXPECT_EQ(cal->GetCalendarDate(), D(2025, 10, 1));
    cal->SetMinDate(D(2025, 10, 5)); // a new bound past the date moves it
    EXPECT_EQ(cal->GetCalendarDate(), D(2025, 10, 5));
}

TEST_F(CalendarTest, KeysAndClicksChooseDays) {
    cal->SetFocus();
    cal->SetCalendarDate(D(2026, 3, 1));
    changes = 0;
    PressKey(cal, Qt::Key_Left);
    EXPECT_EQ(cal->GetCalendarDate(), D(2026, 2, 28));
    PressKey(cal, Qt::Key_Right);
    PressKey(cal, Qt::Key_Right);
    EXPECT_EQ(cal->GetCalendarDate(), D(2026, 3, 2));
    PressPad(cal, u'+');
    EXPECT_EQ(cal->GetCalendarDate(), D(2026, 3, 3));
    PressKey(cal, Qt::Key_Down); // a week on, through the grid
    EXPECT_EQ(cal->GetCalendarDate(), D(2026, 3, 10));
    EXPECT_EQ(changes, 5);
    TypeText(cal, QStringLiteral("t"));
    EXPECT_EQ(cal->GetCalendarDate(), D(2026, 6, 15));
    // a bound stops the arrows
    cal->SetMinDate(D(2026, 6, 15));
    PressKey(cal, Qt::Key_Left);
    EXPECT_EQ(cal->GetCalendarDate(), D(2026, 6, 15));
    // a click on a day takes it, one on an empty cell or the names does nothing
    ClickCell(cal, CellOfDay(cal, 24).X, CellOfDay(cal, 24).Y);
    EXPECT_EQ(cal->GetDay(), 24);
    ClickCell(cal, 0, 0);
    ClickCell(cal, 6, 6);
    EXPECT_EQ(cal->GetCalendarDate(), D(2026, 6, 24));
    // read-only: nothing moves
    cal->SetReadOnly(true);
    PressKey(cal, Qt::Key_Right);
    ClickCell(cal, CellOfDay(cal, 26).X, CellOfDay(cal, 26).Y);
    EXPECT_EQ(cal->GetCalendarDate(), D(2026, 6, 24));
}

TEST_F(CalendarTest, UseCurrentDateAndWeekendColours) {
    cal->SetCalendarDate(D(2020, 5, 5));
    cal->SetUseCurrentDate(true);
    EXPECT_EQ(cal->GetCalendarDate(), D(2026, 6, 15));
    // a Saturday column in red, only when it is a weekend
    cal->SetStartOfWeek(Mon);
    cal->SetWeekends(TDaysOfWeek{Sat, Sun});
    auto redPixels = [this](int Col) {
        TBitmap bmp(cal->GetWidth(), cal->GetHeight());
        cal->PaintTo(bmp.GetCanvas(), 0, 0);
        TRect r = cal->CellRect(Col, 0);
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) {
                uint32_t p = uint32_t(ColorToRGB(bmp.GetCanvas()->GetPixels(x, y)));
                if (GetRValue(p) > 150 && GetGValue(p) < 100 && GetBValue(p) < 100) ++n;
            }
        return n;
    };
    EXPECT_GT(redPixels(5), 0); // Сб
    EXPECT_EQ(redPixels(4), 0); // Пт
    cal->SetWeekends(TDaysOfWeek{Sun});
    EXPECT_EQ(redPixels(5), 0);
}

} // namespace
