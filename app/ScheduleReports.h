// The rows of the leave schedules and of the service certificates, selected into the data
// module's report query Select (the master dataset of their templates).
//
// Both leave schedules list every employee still employed once per filled leave date (the
// second leave under the names of the first), with the subdivision and the position joined as
// outer joins: an employee whose subdivision or position code is missing, or names no row,
// stays in the schedule with those names empty. "Графік відпусток" is sorted by subdivision
// code, then date; the schedule with the carried-over days by date alone and holds the salary
// only on the row of the first leave.
//
// The certificates are selected by their numbers as statement parameters, so a number is
// compared as typed and never becomes part of the statement.
#pragma once

#include <QString>
#include <QStringList>

class TIBQuery;

enum TLeaveSchedule { lsPlain, lsCarriedDays };

// The schedule's SQL lines.
QStringList LeaveScheduleSql(TLeaveSchedule Kind);
// Closes Query, writes the schedule's lines into it and opens it.
void OpenLeaveSchedule(TIBQuery* Query, TLeaveSchedule Kind);

// The number fields of the certificate dialog that are not empty (blanks around a number
// dropped), in their order.
QStringList CertificateNumbers(const QStringList& Fields);
// The certificates' SQL lines for Count numbers, given as the parameters U1 .. U<Count>.
QStringList CertificateSql(int Count);
// Closes Query, writes the certificates' lines for Numbers (not empty) and opens it. Returns
// the numbers that match nobody, in their order.
QStringList OpenCertificates(TIBQuery* Query, const QStringList& Numbers);

// The message of the certificate numbers that match nobody: all of them (nothing is printed)
// or some (the others are).
QString CertificatesNotFoundText(const QStringList& Missing, bool NoneFound);

inline constexpr const char16_t SEnterCertificateNumbers[] = u"Введіть номера посвідчень.";
