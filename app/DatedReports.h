// The statements of the four dated reports, held by their templates' own query objects and run
// with the report date as the parameter NDATE (the template gives it from [NDate]):
//
// - staj: every employee working on the date (hired by it, not dismissed before it) with the
//   age, and the continuous service (from WOWORK) and long service (from WOWORK1) in years and
//   months, counted to the end of the date as the seniority computation counts;
// - vik: the number and the average age of those employees by category (KAT), men and women
//   apart, then the whole staff (ORD 9); an employee without a birth date is counted but has no
//   age to average;
// - educ: those employees by category and education ("Повна вища", "Базова вища", "Неповна
//   вища", the rest), then the whole staff;
// - bez_staj: those with three years of long service or more, with the long-service bonus in
//   per cent of the salary (10 from 3 years, 15 from 5, 20 from 10, 25 from 15, 30 from 20,
//   40 from 25).
//
// Ages and months come from the application's one age rule and seniority rule.
#pragma once

#include <QString>

QString StajSql();
QString VikSql();
QString EducSql();
QString BezStajSql();

// The report date inside the statements.
inline constexpr const char16_t SReportDateSql[] = u"CAST(:NDATE AS DATE)";
