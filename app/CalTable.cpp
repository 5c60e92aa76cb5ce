#include "CalTable.h"

#include "DMUnit.h"
#include "Dates.h"

QString CalendarTableName(int Year) {
    return QStringLiteral("CAL%1").arg(Year, 4, 10, QChar(u'0'));
}

QStringList CalendarTableStatement(int Year) {
    const QString text = QStringLiteral(" VARCHAR(2) CHARACTER SET WIN1251 COLLATE PXW_CYRL,");
    QStringList lines{QStringLiteral("CREATE TABLE ") + CalendarTableName(Year) +
                          QStringLiteral(" ("),
                      QStringLiteral("INF INTEGER NOT NULL primary key,")};
    for (int d = 1; d <= 31; ++d) {
        lines.append(QStringLiteral("D%1").arg(d) + text);
        lines.append(QStringLiteral("D%1WEEK").arg(d) + text);
    }
    lines.append(QStringLiteral("D_WEEK INTEGER);"));
    return lines;
}

void SaveCalendar(int Year, const TCalendarYear& Image) {
    TIBTable* cal = DM->IBCal;
    cal->Close();
    cal->SetTableName(CalendarTableName(Year));
    try {
        if (!DM->Database->TableExists(CalendarTableName(Year))) {
            DM->IBKCreate->Close();
            DM->IBKCreate->GetSQL()->Clear();
            DM->IBKCreate->GetSQL()->AddStrings(CalendarTableStatement(Year));
            DM->IBKCreate->ExecSQL();
            DM->IBTrans->CommitRetaining();
            cal->Open();
        } else {
            cal->Open();
            while (!cal->IsEmpty())
                cal->Delete();
        }
        for (int m = 1; m <= 12; ++m) {
            cal->Append();
            cal->FieldByName(QStringLiteral("INF"))->SetAsInteger(m);
            for (int d = 1; d <= 31; ++d) {
                cal->FieldByName(QStringLiteral("D%1").arg(d))->SetAsString(Image.Day(m, d).Text);
                cal->FieldByName(QStringLiteral("D%1WEEK").arg(d))
                    ->SetAsString(Image.Day(m, d).Mark);
            }
            // DayOfWeek counts from Sunday (1); the table from Monday (0).
            cal->FieldByName(QStringLiteral("D_WEEK"))
                ->SetAsInteger((DayOfWeek(EncodeDate(Year, m, 1)) + 5) % 7);
            cal->Post();
        }
        cal->Close();
        DM->IBTrans->CommitRetaining();
    } catch (...) {
        cal->Close();
        throw;
    }
}
