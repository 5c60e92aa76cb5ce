#include "SqlText.h"

#include "Dates.h"

QString SqlStr(const QString& Value) {
    QString out = Value;
    out.replace(u'\'', QStringLiteral("''"));
    return u'\'' + out + u'\'';
}

QString SqlDate(TDateTime Value) {
    if (Value == 0) return QString();
    return SqlStr(FormatDateTime(QStringLiteral("dd.mm.yyyy"), Value));
}

QString EmploymentFilterLine(TDateTime DismissedFrom, TDateTime HiredBy) {
    QString line;
    if (DismissedFrom != 0)
        line = QStringLiteral("AND (ENDEND IS NULL OR (ENDEND IS NOT NULL AND ENDEND>=%1))")
                   .arg(SqlDate(DismissedFrom));
    if (HiredBy != 0) {
        if (!line.isEmpty()) line += u' ';
        line += QStringLiteral("AND (WWORK IS NULL OR WWORK<=%1)").arg(SqlDate(HiredBy));
    }
    return line;
}
