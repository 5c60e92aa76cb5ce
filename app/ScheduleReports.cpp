#include "ScheduleReports.h"

#include "IBQuery.h"

namespace {

// The longest certificate number a card holds (KADR.UDOST).
constexpr int CertificateNumberLength = 5;

// One branch of a schedule's union: the first leave (OTPDATE, OTPSTR, OTPCNT) or the second
// (OTPDATE1 ...), selected under the first one's names.
QStringList scheduleBranch(TLeaveSchedule Kind, bool Second) {
    const QString n = Second ? QStringLiteral("1") : QString();
    const auto as = [&](const char* Column) {
        const QString c = QString::fromLatin1(Column);
        return Second ? QStringLiteral("a.%1%2 AS %1").arg(c, n) : QStringLiteral("a.") + c;
    };
    QString columns = QStringLiteral("select a.FAMILY, a.NAME, a.PATR, %1, %2, ")
                          .arg(as("OTPDATE"), as("OTPSTR"));
    if (Kind == lsPlain) {
        columns += QStringLiteral("a.KODP_2, a.CPROF, c.KODP, c.NAIPODR, a.TAB, a.OKLAD, "
                                  "d.CODPROF, d.NAMPROF");
    } else {
        columns += as("OTPCNT") +
                   QStringLiteral(", a.KODP_2, a.CPROF, c.KODP, c.NAIPODR, a.TAB, d.CODPROF, "
                                  "d.NAMPROF, ") +
                   (Second ? QStringLiteral("0") : QStringLiteral("a.OKLAD"));
    }
    return {columns,
            QStringLiteral("from KADR a LEFT JOIN PODR c on a.KODP_2=c.KODP LEFT JOIN PROF d "
                           "on a.CPROF=d.CODPROF"),
            QStringLiteral("where a.OTPDATE%1 IS NOT NULL and a.ENDEND IS NULL").arg(n)};
}

} // namespace

QStringList LeaveScheduleSql(TLeaveSchedule Kind) {
    QStringList lines = scheduleBranch(Kind, false);
    lines << QStringLiteral("union") << scheduleBranch(Kind, true);
    lines << (Kind == lsPlain ? QStringLiteral("ORDER BY 6,4") : QStringLiteral("ORDER BY 4"));
    return lines;
}

void OpenLeaveSchedule(TIBQuery* Query, TLeaveSchedule Kind) {
    Query->Close();
    Query->GetSQL()->SetText(LeaveScheduleSql(Kind).join(u'\n'));
    Query->Open();
}

QStringList CertificateNumbers(const QStringList& Fields) {
    QStringList out;
    for (const QString& f : Fields)
        if (!f.trimmed().isEmpty()) out << f.trimmed();
    return out;
}

QStringList CertificateSql(int Count) {
    QStringList lines{
        QStringLiteral("select a.UDOST, a.FAMILY, a.NAME, a.PATR, a.FOTO, b.NAMPROF, c.NAIPODR"),
        QStringLiteral("FROM KADR A LEFT JOIN Prof b ON A.CPROF=b.CODPROF"),
        QStringLiteral("LEFT JOIN Podr C ON A.KODP_2=C.KODP"), QStringLiteral("WHERE")};
    for (int i = 1; i <= Count; ++i)
        lines << QStringLiteral("%1a.UDOST=:U%2")
                     .arg(i == 1 ? QString() : QStringLiteral("or "))
                     .arg(i);
    lines << QStringLiteral("ORDER BY a.UDOST");
    return lines;
}

QStringList OpenCertificates(TIBQuery* Query, const QStringList& Numbers) {
    // A number longer than the column can match nobody; as a parameter the server would
    // refuse it as too long.
    QStringList asked;
    for (const QString& n : Numbers)
        if (n.size() <= CertificateNumberLength) asked << n;
    Query->Close();
    if (asked.isEmpty()) return Numbers;
    Query->GetSQL()->SetText(CertificateSql(int(asked.size())).join(u'\n'));
    for (int i = 0; i < asked.size(); ++i)
        Query->ParamByName(QStringLiteral("U%1").arg(i + 1))->SetAsString(asked[i]);
    Query->Open();
    QStringList found;
    for (Query->First(); !Query->GetEof(); Query->Next())
        found << Query->FieldByName(QStringLiteral("UDOST"))->GetAsString();
    Query->First();
    QStringList missing;
    for (const QString& n : Numbers)
        if (!found.contains(n)) missing << n;
    return missing;
}

QString CertificatesNotFoundText(const QStringList& Missing, bool NoneFound) {
    const QString list = Missing.join(QStringLiteral(", "));
    if (NoneFound)
        return (Missing.size() == 1 ? QStringLiteral("Посвідчення з номером %1 не знайдено.")
                                    : QStringLiteral("Посвідчень з номерами %1 не знайдено."))
            .arg(list);
    return (Missing.size() == 1 ? QStringLiteral("Посвідчення з номером %1 не знайдено, інші "
                                                 "будуть надруковані.")
                                : QStringLiteral("Посвідчень з номерами %1 не знайдено, інші "
                                                 "будуть надруковані."))
        .arg(list);
}
