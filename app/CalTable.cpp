#include "CalTable.h"

#include "DMUnit.h"

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
    const QString table = CalendarTableName(Year);
    cal->Close();
    cal->SetTableName(table);
    if (!DM->Database->TableExists(table)) {
        DM->IBKCreate->Close();
        DM->IBKCreate->GetSQL()->Clear();
        DM->IBKCreate->GetSQL()->AddStrings(CalendarTableStatement(Year));
        DM->IBKCreate->ExecSQL();
        DM->IBTrans->CommitRetaining();
    }
    // The old rows go and the new ones come in one unit: a failure leaves the old calendar.
    DM->InSavepoint(QStringLiteral("CAL_SAVE"), [&] {
        try {
            cal->Open();
            while (!cal->IsEmpty())
                cal->Delete();
            for (int m = 1; m <= 12; ++m) {
                cal->Append();
                cal->FieldByName(QStringLiteral("INF"))->SetAsInteger(m);
                for (int d = 1; d <= 31; ++d) {
                    cal->FieldByName(QStringLiteral("D%1").arg(d))
                        ->SetAsString(Image.Day(m, d).Text);
                    cal->FieldByName(QStringLiteral("D%1WEEK").arg(d))
                        ->SetAsString(Image.Day(m, d).Mark);
                }
                cal->FieldByName(QStringLiteral("D_WEEK"))->SetAsInteger(Image.FirstWeekday[m - 1]);
                cal->Post();
            }
            cal->Close();
        } catch (...) {
            if (cal->GetState() == dsInsert) cal->Cancel();
            cal->Close();
            throw;
        }
    });
    DM->IBTrans->CommitRetaining();
}
