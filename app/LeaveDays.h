// Counting leave days over the working calendar, and the end of a work year.
//
// A calendar year is 12 months by 31 days; each day has its day text ("1" .. "31", empty when
// the month has no such day) and its mark: a weekday name "Пн" .. "Вс", or the user's "р"
// (working day), "в" (day off) or "п" (public holiday). The images come from a source, so the
// count works the same over the database's CAL<year> tables and over a table made in a test.
#pragma once

#include "Types.h"

#include <QString>
#include <array>

struct TCalendarDay {
    QString Text;
    QString Mark;
};

struct TCalendarYear {
    // Days[m - 1][d - 1] for month m and day d.
    std::array<std::array<TCalendarDay, 31>, 12> Days;
    // The weekday of each month's first day, 0 Monday .. 6 Sunday (column D_WEEK).
    std::array<int, 12> FirstWeekday{};
    const TCalendarDay& Day(int Month, int DayNo) const { return Days[Month - 1][DayNo - 1]; }
    TCalendarDay& Day(int Month, int DayNo) { return Days[Month - 1][DayNo - 1]; }
};

// Where calendar years come from. LoadYear fills Image and returns true, or returns false when
// the year has no usable calendar.
class TCalendarSource {
public:
    virtual ~TCalendarSource() = default;
    virtual bool LoadYear(int Year, TCalendarYear& Image) = 0;
};

// A new calendar as the calendar window makes it: every existing date with its weekday name.
TCalendarYear MakeCalendarYear(int Year);

struct TCountResult {
    TDateTime End = 0;   // the last day of the period
    int MissingYear = 0; // a year whose calendar was needed but missing (0: none)
};

// The last day of a period of Days counted days starting at Start. Mode 0 counts every day
// except holidays ("п"); mode 1 counts working days only (marks other than "Сб", "Вс", "в",
// "п"). Days below 1 give the day after Start. When a needed year is missing, End is Start and
// MissingYear names that year.
TCountResult CountLeaveDays(TCalendarSource& Source, TDateTime Start, int Days, int Mode);

// "Не могу найти календарь за <year> год."
QString MissingCalendarText(int Year);

// The last day of the work year that begins on Start: the day before its anniversary
// (a year from 29 February ends on 28 February).
TDateTime WorkYearEnd(TDateTime Start);
