// Dates and times: the format settings, encoding and decoding, arithmetic, and date text in
// and out in the platform's format syntax.
//
// TDateTime (Types.h) is a double: whole days since 30.12.1899 (= 0.0), the fraction is the
// time of day. Dates before 30.12.1899 are negative: the integer part counts the days (signed),
// the fraction is the time of day as its absolute value (-1.25 is 29.12.1899 06:00).
//
// Date text follows the one process-wide FormatSettings, fixed Ukrainian values that never come
// from the Linux locale. Every function that formats or parses also takes explicit settings.
#pragma once

#include "Types.h"

#include <QString>
#include <cstdint>

// ---- format settings --------------------------------------------------------------------

struct TFormatSettings {
    QString CurrencyString;
    uint8_t CurrencyFormat = 0;
    uint8_t NegCurrFormat = 0;
    QChar ThousandSeparator;
    QChar DecimalSeparator;
    uint8_t CurrencyDecimals = 0;
    QChar DateSeparator;
    QChar TimeSeparator;
    QString ShortDateFormat;
    QString LongDateFormat;
    QString TimeAMString;
    QString TimePMString;
    QString ShortTimeFormat;
    QString LongTimeFormat;
    QString ShortMonthNames[12]; // [0] = January
    QString LongMonthNames[12];
    QString ShortDayNames[7]; // [0] = Sunday, as DayOfWeek counts (index DayOfWeek(d) - 1)
    QString LongDayNames[7];
    // A two-digit year typed in a date lands within this many years before the current year
    // (and the years after it up to a century).
    int TwoDigitYearCenturyWindow = 50;

    // The fixed Ukrainian values: "dd.mm.yyyy", '.', ',', ' ', "hh:nn:ss", Ukrainian names.
    static TFormatSettings Ukrainian();
};

// The process-wide settings; starts as TFormatSettings::Ukrainian().
extern TFormatSettings FormatSettings;

// Swaps FormatSettings for the lifetime of the guard (tests): the constructor installs the
// given settings (or keeps a copy of the current ones to change freely), the destructor
// restores what was there before.
class TFormatSettingsSwap {
public:
    TFormatSettingsSwap();
    explicit TFormatSettingsSwap(const TFormatSettings& replacement);
    ~TFormatSettingsSwap();
    TFormatSettingsSwap(const TFormatSettingsSwap&) = delete;
    TFormatSettingsSwap& operator=(const TFormatSettingsSwap&) = delete;

private:
    TFormatSettings saved;
};

// ---- constants and tables ---------------------------------------------------------------

constexpr int HoursPerDay = 24;
constexpr int MinsPerDay = HoursPerDay * 60;
constexpr int SecsPerDay = MinsPerDay * 60;
constexpr int MSecsPerDay = SecsPerDay * 1000;
// Days between 01.01.0001 (day 1 of a time stamp) and 30.12.1899 (TDateTime 0.0).
constexpr int DateDelta = 693594;
// Days between 30.12.1899 and 01.01.1970.
constexpr int UnixDateDelta = 25569;

// MonthDays[IsLeapYear(y)][m], m = 1..12 ([x][0] is 0).
extern const uint16_t MonthDays[2][13];

// A date and time as whole numbers: Time = milliseconds since midnight, Date = days with
// 01.01.0001 as day 1 (30.12.1899 is day 693594).
struct TTimeStamp {
    int Time = 0;
    int Date = 0;
    bool operator==(const TTimeStamp&) const = default;
};

TTimeStamp DateTimeToTimeStamp(TDateTime dateTime);
// Raises EConvertError "'%d.%d' is not a valid timestamp" (Date, Time) when Date < 1 or Time
// is not within the day.
TDateTime TimeStampToDateTime(const TTimeStamp& timeStamp);
// Date * MSecsPerDay + Time, and back.
double TimeStampToMSecs(const TTimeStamp& timeStamp);
TTimeStamp MSecsToTimeStamp(double msecs);

// ---- calendar ---------------------------------------------------------------------------

bool IsLeapYear(int year);
// Days in the month (1..12) of the year; 0 for a month out of range.
int DaysInAMonth(int year, int month);
int DaysInAYear(int year);

// Years 1..9999. EncodeDate raises EConvertError "Invalid argument to date encode".
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
// A date outside 01.01.0001..31.12.9999 decodes as 0/0/0.
void DecodeDate(TDateTime date, int& year, int& month, int& day);
// As DecodeDate, also giving DayOfWeek; returns IsLeapYear of the year.
bool DecodeDateFully(TDateTime date, int& year, int& month, int& day, int& dow);

// hour < 24, min < 60, sec < 60, msec < 1000. EncodeTime raises EConvertError
// "Invalid argument to time encode".
TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time);
// The time of day, rounded to the millisecond (the sign of the value does not matter).
void DecodeTime(TDateTime time, int& hour, int& min, int& sec, int& msec);

// A date and a time of day as one value (the time counts away from zero before 1899).
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);
bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec,
                       TDateTime& value);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec);
// The date of `date` with the time of day of `time`.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime date);
// Adds months keeping the day and the time of day; a day past the new month's end becomes
// its last day (29.02.2024 + 12 = 28.02.2025, 31.03 - 1 = 28/29.02). Negative counts go back.
TDateTime IncMonth(TDateTime date, int numberOfMonths = 1);
TDateTime IncYear(TDateTime date, int numberOfYears = 1);
TDateTime IncDay(TDateTime date, int numberOfDays = 1);

// The date part (time 00:00) and the time-of-day part.
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);
int YearOf(TDateTime value);
int MonthOf(TDateTime value);
int DayOf(TDateTime value);
// Whole days between two values (absolute, fractions of a day dropped).
int DaysBetween(TDateTime a, TDateTime b);

// Today, the time of day (to the millisecond), and both, from the injectable clock (Clock.h).
TDateTime Date();
TDateTime Time();
TDateTime Now();
int CurrentYear();

// ---- text out ---------------------------------------------------------------------------

// The platform's format syntax (letters in either case):
//   d dd            day 1..31 / 01..31        ddd dddd  short / long day name
//   ddddd dddddd    ShortDateFormat / LongDateFormat
//   m mm            month 1..12 / 01..12      mmm mmmm  short / long month name
//                   (m or mm right after an h or hh token means minutes)
//   yy yyyy         year in two / four digits
//   h hh  n nn  s ss  z zzz    hour, minute, second, millisecond (without / with zeros)
//   t tt            ShortTimeFormat / LongTimeFormat
//   am/pm a/p       12-hour clock with those letters (case kept); ampm uses TimeAM/PMString
//   c               ShortDateFormat, then " " and LongTimeFormat when the time is not 00:00:00
//   /  :            DateSeparator / TimeSeparator
//   "..." '...'     literal text; any other character is copied
// An empty format means "c".
QString FormatDateTime(const QString& format, TDateTime dateTime,
                       const TFormatSettings& settings = FormatSettings);
// The same text written into Result, reusing its buffer when no other string shares it and it
// has room.
void FormatDateTimeTo(QString& Result, const QString& format, TDateTime dateTime,
                      const TFormatSettings& settings = FormatSettings);
// ShortDateFormat / LongTimeFormat / "c".
QString DateToStr(TDateTime date, const TFormatSettings& settings = FormatSettings);
QString TimeToStr(TDateTime time, const TFormatSettings& settings = FormatSettings);
QString DateTimeToStr(TDateTime dateTime, const TFormatSettings& settings = FormatSettings);

// ---- text in ----------------------------------------------------------------------------

// Dates: two or three numbers separated by DateSeparator in the order of ShortDateFormat
// (blanks around them allowed). Without a year the current year is used; a year of one or two
// digits is placed by TwoDigitYearCenturyWindow around the current year. Bad text raises
// EConvertError "'%s' is not a valid date".
TDateTime StrToDate(const QString& s, const TFormatSettings& settings = FormatSettings);
TDateTime StrToDateDef(const QString& s, TDateTime def,
                       const TFormatSettings& settings = FormatSettings);
bool TryStrToDate(const QString& s, TDateTime& value,
                  const TFormatSettings& settings = FormatSettings);
// Times: hour[:min[:sec[,msec]]] with TimeSeparator (and DecimalSeparator before the
// milliseconds), optionally AM/PM (or TimeAMString/TimePMString) before or after. Bad text
// raises EConvertError "'%s' is not a valid time".
TDateTime StrToTime(const QString& s, const TFormatSettings& settings = FormatSettings);
TDateTime StrToTimeDef(const QString& s, TDateTime def,
                       const TFormatSettings& settings = FormatSettings);
bool TryStrToTime(const QString& s, TDateTime& value,
                  const TFormatSettings& settings = FormatSettings);
// A date optionally followed by a time, or a time alone. Bad text raises EConvertError
// "'%s' is not a valid date and time".
TDateTime StrToDateTime(const QString& s, const TFormatSettings& settings = FormatSettings);
TDateTime StrToDateTimeDef(const QString& s, TDateTime def,
                           const TFormatSettings& settings = FormatSettings);
bool TryStrToDateTime(const QString& s, TDateTime& value,
                      const TFormatSettings& settings = FormatSettings);
