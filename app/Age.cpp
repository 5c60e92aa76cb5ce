#include "Age.h"

#include "Dates.h"

int AgeOn(TDateTime Birth, TDateTime On) {
    if (Birth == 0) return -1;
    int by, bm, bd, y, m, d;
    DecodeDate(Birth, by, bm, bd);
    DecodeDate(On, y, m, d);
    int age = y - by;
    if (m < bm || (m == bm && d < bd)) --age;
    return age;
}

namespace {

// The age from the year, month and day of the date as SQL texts.
QString ageSql(const QString& Column, const QString& Year, const QString& Month,
               const QString& Day) {
    const QString month = QStringLiteral("EXTRACT(MONTH FROM %1)").arg(Column);
    const QString day = QStringLiteral("EXTRACT(DAY FROM %1)").arg(Column);
    return QStringLiteral("(%1-EXTRACT(YEAR FROM %2)-CASE WHEN %3<%4 OR (%3=%4 AND %5<%6) "
                          "THEN 1 ELSE 0 END)")
        .arg(Year, Column, Month, month, Day, day);
}

} // namespace

QString AgeSql(const QString& Column, TDateTime On) {
    int y, m, d;
    DecodeDate(On, y, m, d);
    return ageSql(Column, QString::number(y), QString::number(m), QString::number(d));
}

QString AgeSqlAt(const QString& Column, const QString& DateSql) {
    return ageSql(Column, QStringLiteral("EXTRACT(YEAR FROM %1)").arg(DateSql),
                  QStringLiteral("EXTRACT(MONTH FROM %1)").arg(DateSql),
                  QStringLiteral("EXTRACT(DAY FROM %1)").arg(DateSql));
}
