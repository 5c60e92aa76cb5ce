// An employee's age in whole years on a date, one rule for the whole application: the year
// difference, less one while the birthday of that year is still ahead. The birthday itself
// counts: on it the new age holds. The same rule serves the reports (counted here) and the
// employee lists (written into SQL and counted by the server).
#pragma once

#include "Types.h"

#include <QString>

// Whole years from Birth to On; -1 when Birth is empty (0).
int AgeOn(TDateTime Birth, TDateTime On);

// An SQL expression giving the same age for the date column Column on the date On; NULL
// when the column is NULL. On enters as plain numbers, so no text reaches the statement.
QString AgeSql(const QString& Column, TDateTime On);
// The same on the date an SQL date expression gives (a statement parameter, for example
// "CAST(:NDATE AS DATE)").
QString AgeSqlAt(const QString& Column, const QString& DateSql);
