// The long-service (seniority) computation: whole months of long service of every employee,
// written into WORK_MES and into the dBase table "staj.dbf" for other programs.
#pragma once

#include "Connection.h"
#include "Types.h"

class TDbfTable;

// Whole months from Start to the reckoning date R: 0 when R is not later than Start, else the
// difference of years and months, one less when R's day is before Start's.
int SeniorityMonths(TDateTime R, TDateTime Start);
// The same rule as an SQL expression for the date column Start and the reckoning date that
// the SQL date expression R gives; NULL when the column is NULL.
QString SeniorityMonthsSql(const QString& Start, const QString& R);

// Runs the computation for the chosen date (the day before the reckoning date) with the
// employee list of DM: recreates "staj.dbf" through Table (its directory is the table's own),
// fills TABNOM and STAJ, stores WORK_MES of everyone with a long-service start, and tells
// "Підрахунок стажу закінчено" once Wait (shown at the start) is hidden; it is left to the
// caller to hide it when an error ends the work where it stands.
void ComputeSeniority(TDbfTable* Table, TDateTime Chosen, const TWaitHook& Wait = {});
