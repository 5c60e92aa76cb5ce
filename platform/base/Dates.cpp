#include "Dates.h"

#include "Clock.h"
#include "SysUtils.h"

#include <cmath>
#include <cstring>
#include <vector>

// ---- format settings --------------------------------------------------------------------

TFormatSettings TFormatSettings::Ukrainian() {
    TFormatSettings s;
    s.CurrencyString = QStringLiteral("грн.");
    s.CurrencyFormat = 3; // "1 грн."
    s.NegCurrFormat = 8;  // "-1 грн."
    s.ThousandSeparator = u' ';
    s.DecimalSeparator = u',';
    s.CurrencyDecimals = 2;
    s.DateSeparator = u'.';
    s.TimeSeparator = u':';
    s.ShortDateFormat = QStringLiteral("dd.mm.yyyy");
    s.LongDateFormat = QStringLiteral("d mmmm yyyy' р.'");
    s.TimeAMString = QStringLiteral("дп");
    s.TimePMString = QStringLiteral("пп");
    s.ShortTimeFormat = QStringLiteral("hh:nn");
    s.LongTimeFormat = QStringLiteral("hh:nn:ss");
    static const char* const longMonths[12] = {"Січень",   "Лютий",   "Березень", "Квітень",
                                               "Травень",  "Червень", "Липень",   "Серпень",
                                               "Вересень", "Жовтень", "Листопад", "Грудень"};
    static const char* const shortMonths[12] = {"Січ", "Лют", "Бер", "Кві", "Тра", "Чер",
                                                "Лип", "Сер", "Вер", "Жов", "Лис", "Гру"};
    static const char* const longDays[7] = {"неділя", "понеділок", "вівторок", "середа",
                                            "четвер", "п'ятниця",  "субота"};
    static const char* const shortDays[7] = {"Нд", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};
    for (int i = 0; i < 12; ++i) {
        s.LongMonthNames[i] = QString::fromUtf8(longMonths[i]);
        s.ShortMonthNames[i] = QString::fromUtf8(shortMonths[i]);
    }
    for (int i = 0; i < 7; ++i) {
        s.LongDayNames[i] = QString::fromUtf8(longDays[i]);
        s.ShortDayNames[i] = QString::fromUtf8(shortDays[i]);
    }
    s.TwoDigitYearCenturyWindow = 50;
    return s;
}

TFormatSettings FormatSettings = TFormatSettings::Ukrainian();

TFormatSettingsSwap::TFormatSettingsSwap() : saved(FormatSettings) {}

TFormatSettingsSwap::TFormatSettingsSwap(const TFormatSettings& replacement)
    : saved(FormatSettings) {
    FormatSettings = replacement;
}

TFormatSettingsSwap::~TFormatSettingsSwap() {
    FormatSettings = saved;
}

// ---- time stamps ------------------------------------------------------------------------

const uint16_t MonthDays[2][13] = {{0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                   {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

namespace {

// 31.12.9999 as a time-stamp day.
constexpr int MaxDateDay = 3652059;

[[noreturn]] void ConvertError(const QString& message) {
    throw EConvertError(message);
}

QString InvalidTimeStamp(const TTimeStamp& ts) {
    return QStringLiteral("'%1.%2' is not a valid timestamp").arg(ts.Date).arg(ts.Time);
}

int DaysSince0001(int year, int month, int day) {
    const uint16_t* table = MonthDays[IsLeapYear(year) ? 1 : 0];
    for (int m = 1; m < month; ++m)
        day += table[m];
    const int y = year - 1;
    return y * 365 + y / 4 - y / 100 + y / 400 + day;
}

// The time of day of a value as a positive fraction.
double TimeFraction(TDateTime v) {
    double ip;
    return std::fabs(std::modf(v, &ip));
}

} // namespace

TTimeStamp DateTimeToTimeStamp(TDateTime dateTime) {
    TTimeStamp ts;
    // Far beyond 31.12.9999 (or not a number at all): nothing sensible to decode.
    if (!std::isfinite(dateTime) || std::fabs(dateTime) > 4.0e6) return ts;
    // a whole day (a date without a time) is its day number, as the rounding below gives it
    const auto whole = int32_t(dateTime);
    if (double(whole) == dateTime) {
        ts.Time = 0;
        ts.Date = DateDelta + whole;
        return ts;
    }
    const int64_t ms = std::llround(std::fabs(dateTime) * MSecsPerDay);
    const int64_t days = ms / MSecsPerDay;
    ts.Time = int(ms % MSecsPerDay);
    ts.Date = int(DateDelta + (dateTime < 0 ? -days : days));
    return ts;
}

TDateTime TimeStampToDateTime(const TTimeStamp& timeStamp) {
    if (timeStamp.Date < 1 || timeStamp.Time < 0 || timeStamp.Time >= MSecsPerDay)
        ConvertError(InvalidTimeStamp(timeStamp));
    const double days = double(timeStamp.Date) - DateDelta;
    const double time = double(timeStamp.Time) / MSecsPerDay;
    return days < 0 ? days - time : days + time;
}

double TimeStampToMSecs(const TTimeStamp& timeStamp) {
    if (timeStamp.Date < 1 || timeStamp.Time < 0 || timeStamp.Time >= MSecsPerDay)
        ConvertError(InvalidTimeStamp(timeStamp));
    return double(timeStamp.Date) * MSecsPerDay + timeStamp.Time;
}

TTimeStamp MSecsToTimeStamp(double msecs) {
    TTimeStamp ts;
    // Not a number, or beyond any day number: the empty stamp, which no conversion accepts.
    if (!std::isfinite(msecs) || std::fabs(msecs) > double(MaxDateDay + 1) * MSecsPerDay) return ts;
    const double days = std::floor(msecs / MSecsPerDay);
    ts.Date = int(days);
    ts.Time = int(std::llround(msecs - days * MSecsPerDay));
    if (ts.Time >= MSecsPerDay) {
        ts.Time -= MSecsPerDay;
        ++ts.Date;
    }
    return ts;
}

// ---- calendar ---------------------------------------------------------------------------

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month) {
    if (month < 1 || month > 12) return 0;
    return MonthDays[IsLeapYear(year) ? 1 : 0][month];
}

int DaysInAYear(int year) {
    return IsLeapYear(year) ? 366 : 365;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInAMonth(year, month))
        return false;
    date = double(DaysSince0001(year, month, day) - DateDelta);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime d;
    if (!TryEncodeDate(year, month, day, d))
        ConvertError(QStringLiteral("Invalid argument to date encode"));
    return d;
}

namespace {

void DecodeDay(int t, int& year, int& month, int& day) {
    if (t <= 0 || t > MaxDateDay) {
        year = month = day = 0;
        return;
    }
    constexpr int D1 = 365;
    constexpr int D4 = D1 * 4 + 1;
    constexpr int D100 = D4 * 25 - 1;
    constexpr int D400 = D100 * 4 + 1;
    --t;
    int y = 1;
    y += (t / D400) * 400;
    t %= D400;
    int i = t / D100;
    int d = t % D100;
    if (i == 4) {
        --i;
        d += D100;
    }
    y += i * 100;
    y += (d / D4) * 4;
    d %= D4;
    i = d / D1;
    d %= D1;
    if (i == 4) {
        --i;
        d += D1;
    }
    y += i;
    // days before each month (and 365 or 366 after the last); no month is longer than 31
    // days, so d / 32 + 1 is the month or the one before it
    static constexpr uint16_t Before[2][14] = {
        {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
        {0, 0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};
    const uint16_t* before = Before[IsLeapYear(y) ? 1 : 0];
    int m = d / 32 + 1;
    while (d >= before[m + 1])
        ++m;
    year = y;
    month = m;
    day = d - before[m] + 1;
}

} // namespace

void DecodeDate(TDateTime date, int& year, int& month, int& day) {
    DecodeDay(DateTimeToTimeStamp(date).Date, year, month, day);
}

bool DecodeDateFully(TDateTime date, int& year, int& month, int& day, int& dow) {
    const TTimeStamp ts = DateTimeToTimeStamp(date);
    DecodeDay(ts.Date, year, month, day);
    dow = ts.Date > 0 ? ts.Date % 7 + 1 : 0;
    return year > 0 && IsLeapYear(year);
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time) {
    if (hour < 0 || hour >= 24 || min < 0 || min >= 60 || sec < 0 || sec >= 60 || msec < 0 ||
        msec >= 1000)
        return false;
    time = double(((hour * 60 + min) * 60 + sec) * 1000 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    TDateTime t;
    if (!TryEncodeTime(hour, min, sec, msec, t))
        ConvertError(QStringLiteral("Invalid argument to time encode"));
    return t;
}

void DecodeTime(TDateTime time, int& hour, int& min, int& sec, int& msec) {
    int ms = DateTimeToTimeStamp(time).Time;
    msec = ms % 1000;
    ms /= 1000;
    sec = ms % 60;
    ms /= 60;
    min = ms % 60;
    hour = ms / 60;
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec,
                       TDateTime& value) {
    TDateTime d, t;
    if (!TryEncodeDate(year, month, day, d) || !TryEncodeTime(hour, min, sec, msec, t))
        return false;
    value = d < 0 ? d - t : d + t;
    return true;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec) {
    const TDateTime d = EncodeDate(year, month, day);
    const TDateTime t = EncodeTime(hour, min, sec, msec);
    return d < 0 ? d - t : d + t;
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec) {
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, min, sec, msec);
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
    const double d = std::trunc(date);
    const double t = TimeFraction(time);
    return d < 0 ? d - t : d + t;
}

int DayOfWeek(TDateTime date) {
    const int t = DateTimeToTimeStamp(date).Date;
    return t > 0 ? t % 7 + 1 : 0;
}

TDateTime IncMonth(TDateTime date, int numberOfMonths) {
    int y, m, d;
    DecodeDate(date, y, m, d);
    int64_t total = int64_t(y) * 12 + (m - 1) + numberOfMonths;
    int64_t ny = total >= 0 ? total / 12 : -((-total + 11) / 12);
    const int nm = int(total - ny * 12) + 1;
    if (ny < 1 || ny > 9999) ConvertError(QStringLiteral("Invalid argument to date encode"));
    const int last = DaysInAMonth(int(ny), nm);
    if (d > last) d = last;
    return ComposeDateTime(EncodeDate(int(ny), nm, d), date);
}

TDateTime IncYear(TDateTime date, int numberOfYears) {
    return IncMonth(date, numberOfYears * 12);
}

TDateTime IncDay(TDateTime date, int numberOfDays) {
    return date + numberOfDays;
}

TDateTime DateOf(TDateTime value) {
    return std::trunc(value);
}

TDateTime TimeOf(TDateTime value) {
    return TimeFraction(value);
}

int YearOf(TDateTime value) {
    int y, m, d;
    DecodeDate(value, y, m, d);
    return y;
}

int MonthOf(TDateTime value) {
    int y, m, d;
    DecodeDate(value, y, m, d);
    return m;
}

int DayOf(TDateTime value) {
    int y, m, d;
    DecodeDate(value, y, m, d);
    return d;
}

int DaysBetween(TDateTime a, TDateTime b) {
    const TTimeStamp ta = DateTimeToTimeStamp(a);
    const TTimeStamp tb = DateTimeToTimeStamp(b);
    const int64_t ma = int64_t(ta.Date) * MSecsPerDay + ta.Time;
    const int64_t mb = int64_t(tb.Date) * MSecsPerDay + tb.Time;
    return int((ma > mb ? ma - mb : mb - ma) / MSecsPerDay);
}

TDateTime Now() {
    return GetClock()->Now();
}

// Both from the same reading rounded to the millisecond, so that Date() + Time() is Now().
TDateTime Date() {
    const TTimeStamp ts = DateTimeToTimeStamp(Now());
    return TimeStampToDateTime({0, ts.Date});
}

TDateTime Time() {
    return double(DateTimeToTimeStamp(Now()).Time) / MSecsPerDay;
}

int CurrentYear() {
    return YearOf(Now());
}

// ---- text out ---------------------------------------------------------------------------

namespace {

// The parts of a date a format step writes.
enum TDatePart : uint8_t {
    dpText,
    dpYear2,
    dpYear4,
    dpMonth,
    dpDay,
    dpHour,
    dpMin,
    dpSec,
    dpMSec,
    dpDateSep,
    dpTimeSep
};

// One step of a format made only of numbers, separators and literal text.
struct TFormatStep {
    TDatePart part;
    uint8_t digits;
    QString text;
};

// Appends n with at least `digits` digits (zeros in front), as
// QString::number(n).rightJustified(digits, '0') does.
void AppendNumber(QString& out, int n, int digits) {
    if (n < 0) {
        out += QString::number(n).rightJustified(digits, u'0');
        return;
    }
    char16_t buf[16];
    int len = 0;
    do {
        buf[15 - len++] = char16_t(u'0' + n % 10);
        n /= 10;
    } while (n > 0);
    while (len < digits && len < 16)
        buf[15 - len++] = u'0';
    out.append(reinterpret_cast<const QChar*>(buf + 16 - len), len);
}

// Writes a date by a format. With `steps` set it writes nothing and records instead the steps
// the format takes, as long as the format stays simple (numbers, separators and literal text:
// nothing that depends on the settings' names and nested formats or on the value itself).
struct TDateFormatter {
    const TFormatSettings& fs;
    TDateTime value;
    QString out;
    int level = 0;
    int year = 0, month = 0, day = 0, dow = 0;
    int hour = 0, min = 0, sec = 0, msec = 0;
    std::vector<TFormatStep>* steps = nullptr;
    bool simple = true;

    TDateFormatter(const TFormatSettings& settings, TDateTime v) : fs(settings), value(v) {
        DecodeDateFully(v, year, month, day, dow);
        DecodeTime(v, hour, min, sec, msec);
    }
    // A formatter that records steps (Record set) or runs them (Record null: the caller
    // decodes the parts the steps use).
    TDateFormatter(const TFormatSettings& settings, std::vector<TFormatStep>* Record)
        : fs(settings), value(0), steps(Record) {}

    int ValueOf(TDatePart part, int h) const {
        switch (part) {
        case dpYear2:
            return year % 100;
        case dpYear4:
            return year;
        case dpMonth:
            return month;
        case dpDay:
            return day;
        case dpHour:
            return h;
        case dpMin:
            return min;
        case dpSec:
            return sec;
        default:
            return msec;
        }
    }
    void Number(TDatePart part, int digits, int h = 0) {
        if (steps)
            steps->push_back({part, uint8_t(digits), QString()});
        else
            AppendNumber(out, ValueOf(part, h), digits);
    }
    // Text of the format itself.
    void Literal(const QString& text) {
        if (!steps) {
            out += text;
        } else if (!steps->empty() && steps->back().part == dpText) {
            steps->back().text += text;
        } else {
            steps->push_back({dpText, 0, text});
        }
    }
    // Text that depends on the value or on the settings' names.
    void Named(const QString& text) {
        if (steps)
            simple = false;
        else
            out += text;
    }
    void Separator(TDatePart part) {
        QChar c = part == dpDateSep ? fs.DateSeparator : fs.TimeSeparator;
        if (steps)
            steps->push_back({part, 0, QString()});
        else if (!c.isNull())
            out += c;
    }
    void Nested(const QString& format) {
        if (steps)
            simple = false;
        else
            Append(format);
    }

    static QChar Upper(QChar c) { return (c >= u'a' && c <= u'z') ? QChar(c.unicode() - 32) : c; }

    static bool StartsNoCase(const QString& f, int p, const char* what) {
        const int n = int(strlen(what));
        if (p + n > f.size()) return false;
        for (int i = 0; i < n; ++i)
            if (Upper(f[p + i]) != QChar(what[i])) return false;
        return true;
    }

    QString DayName(bool longName) const {
        if (dow < 1) return QString();
        return longName ? fs.LongDayNames[dow - 1] : fs.ShortDayNames[dow - 1];
    }

    QString MonthName(bool longName) const {
        if (month < 1) return QString();
        return longName ? fs.LongMonthNames[month - 1] : fs.ShortMonthNames[month - 1];
    }

    void Append(const QString& f) {
        if (f.isEmpty() || level >= 2) return;
        ++level;
        QChar lastToken = u' ';
        bool use12Hour = false;
        int p = 0;
        const int n = int(f.size());
        while (p < n) {
            const QChar starter = f[p++];
            QChar token = Upper(starter);
            if (token >= u'A' && token <= u'Z') {
                if (token == u'M' && lastToken == u'H') token = u'N';
                lastToken = token;
            }
            // The run of the same character starting at `starter`.
            auto count = [&]() {
                int c = 1;
                while (p < n && f[p] == starter) {
                    ++p;
                    ++c;
                }
                return c;
            };
            switch (token.unicode()) {
            case u'Y': {
                const int c = count();
                if (c <= 2)
                    Number(dpYear2, 2);
                else
                    Number(dpYear4, 4);
                break;
            }
            case u'M': {
                const int c = count();
                if (c <= 2)
                    Number(dpMonth, c);
                else
                    Named(MonthName(c > 3));
                break;
            }
            case u'D': {
                const int c = count();
                if (c <= 2)
                    Number(dpDay, c);
                else if (c == 3)
                    Named(DayName(false));
                else if (c == 4)
                    Named(DayName(true));
                else if (c == 5)
                    Nested(fs.ShortDateFormat);
                else
                    Nested(fs.LongDateFormat);
                break;
            }
            case u'H': {
                int c = count();
                // A 12-hour marker later in the format (before the next hour) switches the clock.
                bool quoted = false;
                for (int q = p; q < n; ++q) {
                    const QChar ch = f[q];
                    if (ch == u'\'' || ch == u'"') {
                        quoted = !quoted;
                    } else if (!quoted && (ch == u'a' || ch == u'A')) {
                        if (StartsNoCase(f, q, "AM/PM") || StartsNoCase(f, q, "A/P") ||
                            StartsNoCase(f, q, "AMPM"))
                            use12Hour = true;
                        break;
                    } else if (ch == u'h' || ch == u'H') {
                        break;
                    }
                }
                int h = hour;
                if (use12Hour) {
                    if (h == 0)
                        h = 12;
                    else if (h > 12)
                        h -= 12;
                }
                Number(dpHour, c > 2 ? 2 : c, h);
                break;
            }
            case u'N': {
                const int c = count();
                Number(dpMin, c > 2 ? 2 : c);
                break;
            }
            case u'S': {
                const int c = count();
                Number(dpSec, c > 2 ? 2 : c);
                break;
            }
            case u'Z': {
                const int c = count();
                Number(dpMSec, c > 3 ? 3 : c);
                break;
            }
            case u'T': {
                const int c = count();
                Nested(c == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat);
                break;
            }
            case u'A': {
                const int at = p - 1;
                if (StartsNoCase(f, at, "AM/PM")) {
                    Named(f.mid(hour >= 12 ? at + 3 : at, 2));
                    p = at + 5;
                    use12Hour = true;
                } else if (StartsNoCase(f, at, "A/P")) {
                    Named(f.mid(hour >= 12 ? at + 2 : at, 1));
                    p = at + 3;
                    use12Hour = true;
                } else if (StartsNoCase(f, at, "AMPM")) {
                    Named(hour < 12 ? fs.TimeAMString : fs.TimePMString);
                    p = at + 4;
                    use12Hour = true;
                } else if (StartsNoCase(f, at, "AAAA")) {
                    Named(DayName(true));
                    p = at + 4;
                } else if (StartsNoCase(f, at, "AAA")) {
                    Named(DayName(false));
                    p = at + 3;
                } else {
                    Literal(starter);
                }
                break;
            }
            case u'C': {
                count();
                if (steps) {
                    simple = false;
                    break;
                }
                Append(fs.ShortDateFormat);
                if (hour != 0 || min != 0 || sec != 0) {
                    out += u' ';
                    Append(fs.LongTimeFormat);
                }
                break;
            }
            case u'/':
                Separator(dpDateSep);
                break;
            case u':':
                Separator(dpTimeSep);
                break;
            case u'\'':
            case u'"': {
                const int start = p;
                while (p < n && f[p] != starter)
                    ++p;
                Literal(f.mid(start, p - start));
                if (p < n) ++p;
                break;
            }
            default:
                Literal(starter);
                break;
            }
        }
        --level;
    }
};

// A format's steps, worked out once: dates in a column all go through the same format.
struct TCompiledFormat {
    QString format;
    bool simple = false;
    bool usesTime = false;
    std::vector<TFormatStep> steps;
};

const TCompiledFormat& CompiledFormat(const QString& format, const TFormatSettings& settings) {
    // a few formats in turn (a date column, a time column, a display format)
    struct Cache {
        TCompiledFormat formats[4];
        int next = 0;
    };
    thread_local Cache cache;
    for (const TCompiledFormat& c : cache.formats)
        if (!c.format.isNull() && c.format == format) return c;
    TCompiledFormat& c = cache.formats[cache.next];
    cache.next = (cache.next + 1) % 4;
    c.format = format;
    c.steps.clear();
    TDateFormatter recorder(settings, &c.steps);
    recorder.Append(format);
    c.simple = recorder.simple;
    c.usesTime = false;
    for (const TFormatStep& s : c.steps)
        c.usesTime = c.usesTime || s.part == dpHour || s.part == dpMin || s.part == dpSec ||
                     s.part == dpMSec;
    return c;
}

} // namespace

QString FormatDateTime(const QString& format, TDateTime dateTime, const TFormatSettings& settings) {
    QString result;
    FormatDateTimeTo(result, format, dateTime, settings);
    return result;
}

void FormatDateTimeTo(QString& Result, const QString& format, TDateTime dateTime,
                      const TFormatSettings& settings) {
    if (!format.isEmpty()) {
        const TCompiledFormat& c = CompiledFormat(format, settings);
        if (c.simple) {
            TDateFormatter f(settings, nullptr);
            DecodeDate(dateTime, f.year, f.month, f.day);
            if (c.usesTime) DecodeTime(dateTime, f.hour, f.min, f.sec, f.msec);
            // into a buffer on the stack, then one string
            char16_t buf[128];
            int n = 0;
            for (const TFormatStep& s : c.steps) {
                if (n > int(std::size(buf)) - 16) {
                    n = -1;
                    break;
                }
                if (s.part == dpText && s.text.size() == 1) {
                    buf[n++] = s.text.front().unicode();
                } else if (s.part == dpText) {
                    if (n + s.text.size() > int(std::size(buf))) {
                        n = -1;
                        break;
                    }
                    std::memcpy(buf + n, s.text.utf16(), size_t(s.text.size()) * 2);
                    n += int(s.text.size());
                } else if (s.part == dpDateSep || s.part == dpTimeSep) {
                    const QChar sep =
                        s.part == dpDateSep ? settings.DateSeparator : settings.TimeSeparator;
                    if (!sep.isNull()) buf[n++] = sep.unicode();
                } else {
                    int v = f.ValueOf(s.part, f.hour);
                    if (v < 0) {
                        n = -1;
                        break;
                    }
                    if (s.digits == 2 && v < 100) { // days, months, hours and the like
                        buf[n++] = char16_t(u'0' + v / 10);
                        buf[n++] = char16_t(u'0' + v % 10);
                        continue;
                    }
                    if (s.digits == 4 && v < 10000) { // years
                        buf[n++] = char16_t(u'0' + v / 1000);
                        buf[n++] = char16_t(u'0' + v / 100 % 10);
                        buf[n++] = char16_t(u'0' + v / 10 % 10);
                        buf[n++] = char16_t(u'0' + v % 10);
                        continue;
                    }
                    // the digits from the last, zeros in front up to the step's width
                    int len = 1;
                    for (int rest = v / 10; rest > 0; rest /= 10)
                        ++len;
                    const int width = std::max(len, int(s.digits));
                    for (int k = width - 1; k >= 0; --k, v /= 10)
                        buf[n + k] = char16_t(u'0' + v % 10);
                    n += width;
                }
            }
            if (n >= 0) {
                // into the result's own buffer when nothing else shares it
                if (char16_t* d = ReuseString(Result, n))
                    std::memcpy(d, buf, size_t(n) * sizeof(char16_t));
                return;
            }
        }
    }
    TDateFormatter f(settings, dateTime);
    f.Append(format.isEmpty() ? QStringLiteral("c") : format);
    Result = f.out;
}

QString DateToStr(TDateTime date, const TFormatSettings& settings) {
    return FormatDateTime(settings.ShortDateFormat, date, settings);
}

QString TimeToStr(TDateTime time, const TFormatSettings& settings) {
    return FormatDateTime(settings.LongTimeFormat, time, settings);
}

QString DateTimeToStr(TDateTime dateTime, const TFormatSettings& settings) {
    return FormatDateTime(QStringLiteral("c"), dateTime, settings);
}

// ---- text in ----------------------------------------------------------------------------

namespace {

enum TDateOrder { doMDY, doDMY, doYMD };

TDateOrder GetDateOrder(const QString& format) {
    for (QChar c : format) {
        switch (c.toUpper().unicode()) {
        case u'Y':
            return doYMD;
        case u'M':
            return doMDY;
        case u'D':
            return doDMY;
        default:
            break;
        }
    }
    return doMDY;
}

struct TScanner {
    const QString& s;
    const TFormatSettings& fs;
    int pos = 0;

    bool AtEnd() const { return pos >= s.size(); }

    void Blanks() {
        while (pos < s.size() && s[pos] == u' ')
            ++pos;
    }

    // Up to four digits (the reading stops once the number reaches 1000).
    bool Number(int& number, int& digits) {
        Blanks();
        int i = pos;
        int n = 0;
        while (i < s.size() && s[i] >= u'0' && s[i] <= u'9' && n < 1000) {
            n = n * 10 + (s[i].unicode() - u'0');
            ++i;
        }
        if (i == pos) return false;
        digits = i - pos;
        pos = i;
        number = n;
        return true;
    }

    bool Char(QChar c) {
        Blanks();
        if (pos < s.size() && s[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }

    bool String(const QString& symbol) {
        if (symbol.isEmpty()) return false;
        Blanks();
        if (s.mid(pos, symbol.size()).compare(symbol, Qt::CaseInsensitive) == 0) {
            pos += int(symbol.size());
            return true;
        }
        return false;
    }

    bool Date(TDateTime& date) {
        const TDateOrder order = GetDateOrder(fs.ShortDateFormat);
        int n1, n2, n3, l1, l2, l3;
        if (!(Number(n1, l1) && Char(fs.DateSeparator) && Number(n2, l2))) return false;
        int y, m, d;
        if (Char(fs.DateSeparator)) {
            if (!Number(n3, l3)) return false;
            int yearLen;
            switch (order) {
            case doMDY:
                y = n3, yearLen = l3, m = n1, d = n2;
                break;
            case doDMY:
                y = n3, yearLen = l3, m = n2, d = n1;
                break;
            default:
                y = n1, yearLen = l1, m = n2, d = n3;
                break;
            }
            if (yearLen <= 2) {
                const int window = fs.TwoDigitYearCenturyWindow;
                const int base = CurrentYear() - window;
                y += base / 100 * 100;
                if (window > 0 && y < base) y += 100;
            }
        } else {
            y = CurrentYear();
            if (order == doMDY)
                d = n2, m = n1;
            else
                d = n1, m = n2;
        }
        Char(fs.DateSeparator);
        Blanks();
        return TryEncodeDate(y, m, d, date);
    }

    bool Time(TDateTime& time) {
        int baseHour = -1;
        if (String(fs.TimeAMString) || String(QStringLiteral("AM")))
            baseHour = 0;
        else if (String(fs.TimePMString) || String(QStringLiteral("PM")))
            baseHour = 12;
        if (baseHour >= 0) Blanks();
        int hour, min = 0, sec = 0, msec = 0, junk;
        if (!Number(hour, junk)) return false;
        if (Char(fs.TimeSeparator)) {
            if (!Number(min, junk)) return false;
            if (Char(fs.TimeSeparator)) {
                if (!Number(sec, junk)) return false;
                if (Char(fs.DecimalSeparator) && !Number(msec, junk)) return false;
            }
        }
        if (baseHour < 0) {
            if (String(fs.TimeAMString) || String(QStringLiteral("AM")))
                baseHour = 0;
            else if (String(fs.TimePMString) || String(QStringLiteral("PM")))
                baseHour = 12;
        }
        if (baseHour >= 0) {
            if (hour == 0 || hour > 12) return false;
            if (hour == 12) hour = 0;
            hour += baseHour;
        }
        Blanks();
        return TryEncodeTime(hour, min, sec, msec, time);
    }
};

} // namespace

bool TryStrToDate(const QString& s, TDateTime& value, const TFormatSettings& settings) {
    TScanner sc{s, settings};
    TDateTime d;
    if (!sc.Date(d) || !sc.AtEnd()) return false;
    value = d;
    return true;
}

TDateTime StrToDate(const QString& s, const TFormatSettings& settings) {
    TDateTime d;
    if (!TryStrToDate(s, d, settings))
        ConvertError(QStringLiteral("'%1' is not a valid date").arg(s));
    return d;
}

TDateTime StrToDateDef(const QString& s, TDateTime def, const TFormatSettings& settings) {
    TDateTime d;
    return TryStrToDate(s, d, settings) ? d : def;
}

bool TryStrToTime(const QString& s, TDateTime& value, const TFormatSettings& settings) {
    TScanner sc{s, settings};
    TDateTime t;
    if (!sc.Time(t) || !sc.AtEnd()) return false;
    value = t;
    return true;
}

TDateTime StrToTime(const QString& s, const TFormatSettings& settings) {
    TDateTime t;
    if (!TryStrToTime(s, t, settings))
        ConvertError(QStringLiteral("'%1' is not a valid time").arg(s));
    return t;
}

TDateTime StrToTimeDef(const QString& s, TDateTime def, const TFormatSettings& settings) {
    TDateTime t;
    return TryStrToTime(s, t, settings) ? t : def;
}

bool TryStrToDateTime(const QString& s, TDateTime& value, const TFormatSettings& settings) {
    TScanner sc{s, settings};
    TDateTime d, t = 0;
    if (sc.Date(d) && (sc.AtEnd() || (sc.Time(t) && sc.AtEnd()))) {
        value = d < 0 ? d - t : d + t;
        return true;
    }
    return TryStrToTime(s, value, settings);
}

TDateTime StrToDateTime(const QString& s, const TFormatSettings& settings) {
    TDateTime v;
    if (!TryStrToDateTime(s, v, settings))
        ConvertError(QStringLiteral("'%1' is not a valid date and time").arg(s));
    return v;
}

TDateTime StrToDateTimeDef(const QString& s, TDateTime def, const TFormatSettings& settings) {
    TDateTime v;
    return TryStrToDateTime(s, v, settings) ? v : def;
}
