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

QString AgeSql(const QString& Column, TDateTime On) {
    int y, m, d;
    DecodeDate(On, y, m, d);
    const QString month = QStringLiteral("EXTRACT(MONTH FROM %1)").arg(Column);
    const QString day = QStringLiteral("EXTRACT(DAY FROM %1)").arg(Column);
    return QStringLiteral("(%1-EXTRACT(YEAR FROM %2)-CASE WHEN %3<%4 OR (%3=%4 AND %5<%6) "
                          "THEN 1 ELSE 0 END)")
        .arg(QString::number(y), Column, QString::number(m), month, QString::number(d), day);
}
