// The working calendar of a year in the database: table CAL<year>, one row per month (INF 1 to
// 12) with each day's number D<n> and mark D<n>WEEK, and D_WEEK, the weekday of the month's
// first day (0 Monday .. 6 Sunday).
#pragma once

#include "LeaveDays.h"

#include <QStringList>

// "CAL" and the four-digit year.
QString CalendarTableName(int Year);
// The lines of the statement that creates CAL<Year>.
QStringList CalendarTableStatement(int Year);
// Writes Image as CAL<Year> through the data module (IBKCreate, IBCal): the table is created
// when missing; its old rows are deleted and the twelve months inserted in order as one unit
// (a failure leaves the old rows and throws); then it is committed.
void SaveCalendar(int Year, const TCalendarYear& Image);
