// Date arithmetic and date text of the control library: calendar rules, two-digit years,
// scanning a typed date by the field order of an edit format, the edit format and edit mask
// of a date edit, and text to date with its error. Everything reads the process-wide
// FormatSettings (short date format, date separator, month names) and never changes them;
// the current year comes from the injectable clock.
//
// An edit format is a fixed layout such as "DD/MM/YYYY": the letters D, M and Y mark the
// positions of the fields ("MMM" and more: a month name), "/" stands for the date separator.
#pragma once

#include "Dates.h"
#include "Types.h"

#include <QString>
#include <cstdint>

// The order of the three fields in a date format.
enum TDateOrder { MDY, DMY, YMD };

// Days of the week as the calendars name them, Sunday first.
enum TDayOfWeekName { Sun, Mon, Tue, Wed, Thu, Fri, Sat };
using TDaysOfWeek = TSet<TDayOfWeekName>;

// No date at all; an empty text reads as it and the date edits show it empty.
constexpr TDateTime NullDate = 0.0;
// Two-digit years land in the hundred years from (current year - CenturyWindow) on.
constexpr uint8_t CenturyWindow = 60;

// True when the short date format has a four-digit year ("YYYY" in any case). Taken once,
// at the first call; a later change of the settings does not change it.
bool FourDigitYear();

// IsLeapYear and CurrentYear come from Dates.h.
// The days of a month (1..12): 29 for February of a leap year; 0 for another month number.
int DaysPerMonth(int AYear, int AMonth);
// 1 <= year <= 9999, 1 <= month <= 12, 1 <= day <= the days of that month.
bool IsValidDate(int Y, int M, int D);
// Whether the value decodes to a valid date (any decoding failure gives false).
bool IsValidDateValue(TDateTime Value);

// The order of the first of D, M and Y/E (era year) in a format, letters in any case; DMY
// when it has none.
TDateOrder GetDateOrder(const QString& DateFormat);
// A year below 100 placed by CenturyWindow around the current year (in 2026: 66 -> 1966,
// 65 -> 2065, 3 -> 2003); years of 100 and more come back unchanged.
int ExpandYear(int Year);

// Reads a date typed free-form from Pos (1-based, moved past what was read): two or three
// numbers separated by the date separator, in the order of Format. With two numbers the year
// is the current one. One separator may end the text (12.05.); a separator followed only by
// blanks is a year left blank, which holds no date. True when the rest of the text is one
// whole valid date.
bool ScanDateText(const QString& S, const QString& EditFormat, int& Pos, int& Day, int& Month,
                  int& Year);
// The month (1..12) whose long name begins, compared without case over MaxLen characters,
// like S; 0 when none does or S is empty.
int MonthFromName(const QString& S, int MaxLen);
// The number at the positions of the letter Ch in a fixed edit format: Default when the
// format has no run of Count letters (or the text is longer than the format), Blank when the
// positions hold only blanks, -1 when they hold no number. With Count 2 or more the field is a
// month name (MonthFromName; none gives -1).
int ExtractMaskField(const QString& EditFormat, const QString& S, QChar Ch, int Default, int Blank,
                     int Count);
// Reads a date from the fixed positions of Format; when they do not hold a valid date the text
// is read free-form (ScanDateText). A year whose positions are blank is no date.
bool ScanDateByMask(const QString& EditFormat, const QString& S, int& Day, int& Month, int& Year);
// An empty text gives NullDate; otherwise the date read by ScanDateByMask.
bool TryTextToDate(const QString& EditFormat, const QString& S, TDateTime& Value);
// The message of StrToDateFmt (formatted with the text).
inline constexpr char SInvalidDateText[] = "''%s'' is not a valid date";
// TryTextToDate, raising EConvertError with SInvalidDateText when the text holds no date.
TDateTime StrToDateFmt(const QString& EditFormat, const QString& S);
// TryTextToDate, or Default without its time of day.
TDateTime StrToDateFmtDef(const QString& EditFormat, const QString& S, TDateTime Default);

// The edit format of a date edit in the order of the short date format: "DD/MM/YYYY",
// "MM/DD/YYYY", "YYYY/MM/DD" (two-digit years: "DD/MM/YY" ...).
QString DefDateFormat(bool FourDigits);
// The edit mask of a date edit: "!99/99/9999;1;" ("!9999/99/99;1;" for YMD, "!99/99/99;1;"
// for two-digit years) followed by the character shown in empty positions.
QString DefDateMask(QChar BlanksChar, bool FourDigits);
