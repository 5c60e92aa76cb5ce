#include "LeaveDays.h"

#include "Dates.h"

namespace {

const char16_t* const WeekDayNames[7] = {u"Пн", u"Вт", u"Ср", u"Чт", u"Пт", u"Сб", u"Вс"};

bool counts(const QString& Mark, int Mode) {
    if (Mode == 1) return Mark != u"Сб" && Mark != u"Вс" && Mark != u"в" && Mark != u"п";
    return Mark != u"п";
}

} // namespace

TCalendarYear MakeCalendarYear(int Year) {
    TCalendarYear y;
    // DayOfWeek: 1 Sunday .. 7 Saturday; the names run from Monday.
    int wd = (DayOfWeek(EncodeDate(Year, 1, 1)) + 5) % 7;
    for (int m = 1; m <= 12; ++m) {
        const int days = DaysInAMonth(Year, m);
        y.FirstWeekday[m - 1] = wd;
        for (int d = 1; d <= days; ++d) {
            y.Day(m, d).Text = QString::number(d);
            y.Day(m, d).Mark = QString::fromUtf16(WeekDayNames[wd]);
            wd = (wd + 1) % 7;
        }
    }
    return y;
}

TCountResult CountLeaveDays(TCalendarSource& Source, TDateTime Start, int Days, int Mode) {
    TCountResult failed{Start, 0};
    int y, m, d;
    DecodeDate(Start, y, m, d);
    TCalendarYear image;
    if (!Source.LoadYear(y, image)) {
        failed.MissingYear = y;
        return failed;
    }
    // One day on, moving into the next month when this one has no such day, and into the
    // next year's calendar after December.
    auto advance = [&]() -> bool {
        ++d;
        if (d > 31 || image.Day(m, d).Text.isEmpty()) {
            ++m;
            d = 1;
        }
        if (m == 13) {
            ++y;
            m = 1;
            d = 1;
            if (!Source.LoadYear(y, image)) {
                failed.MissingYear = y;
                return false;
            }
        }
        return true;
    };
    if (Days < 1) {
        if (!advance()) return failed;
        return {EncodeDate(y, m, d), 0};
    }
    int remaining = Days;
    for (;;) {
        if (counts(image.Day(m, d).Mark, Mode) && --remaining == 0) return {EncodeDate(y, m, d), 0};
        if (!advance()) return failed;
    }
}

QString MissingCalendarText(int Year) {
    return QStringLiteral("Не могу найти календарь за %1 год.").arg(Year);
}

TDateTime WorkYearEnd(TDateTime Start) {
    int y, m, d;
    DecodeDate(Start, y, m, d);
    if (m == 2 && d == 29) return EncodeDate(y + 1, 2, 28);
    return IncMonth(Start, 12) - 1;
}
