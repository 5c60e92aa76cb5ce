#include "Seniority.h"

#include "DMUnit.h"
#include "Dates.h"
#include "Dbf.h"
#include "Dialogs.h"
#include "SqlText.h"

int SeniorityMonths(TDateTime R, TDateTime Start) {
    if (int(R) <= int(Start)) return 0;
    int y1, m1, d1, y0, m0, d0;
    DecodeDate(R, y1, m1, d1);
    DecodeDate(Start, y0, m0, d0);
    int months = (y1 - y0) * 12 + (m1 - m0);
    if (d1 < d0) --months;
    return months;
}

QString SeniorityMonthsSql(const QString& Start, const QString& R) {
    const auto part = [](const char* What, const QString& Date) {
        return QStringLiteral("EXTRACT(%1 FROM %2)").arg(QString::fromLatin1(What), Date);
    };
    return QStringLiteral("(CASE WHEN %1<=%2 THEN 0 ELSE (%3-%4)*12+(%5-%6)-CASE WHEN %7<%8 "
                          "THEN 1 ELSE 0 END END)")
        .arg(R, Start, part("YEAR", R), part("YEAR", Start), part("MONTH", R), part("MONTH", Start),
             part("DAY", R), part("DAY", Start));
}

void ComputeSeniority(TDbfTable* Table, TDateTime Chosen, const TWaitHook& Wait) {
    if (Wait) Wait(true);
    Table->Close();
    Table->SetTableName(QStringLiteral("staj.dbf"));
    Table->GetFieldDefs()->Clear();
    Table->GetFieldDefs()->Add(QStringLiteral("TABNOM"), ftString, 5, false);
    Table->GetFieldDefs()->Add(QStringLiteral("STAJ"), ftString, 3, false);
    Table->CreateTable();
    Table->Open();

    const TDateTime r = DateOf(Chosen) + 1;
    // Everyone hired by R and not dismissed before the month preceding R.
    DM->SetQueryLine(3, EmploymentFilterLine(IncMonth(r, -1), r));
    TIBQuery* q = DM->IBQuery;
    q->Open();
    q->Last();
    q->First();
    TField* tab = q->FieldByName(QStringLiteral("TAB"));
    TField* start = q->FieldByName(QStringLiteral("WOWORK1"));
    while (!q->Eof()) {
        Table->Append();
        Table->FieldByName(QStringLiteral("TABNOM"))->SetAsString(tab->GetAsString());
        if (!start->IsNull()) {
            const int months = SeniorityMonths(r, start->GetAsDateTime());
            Table->FieldByName(QStringLiteral("STAJ"))->SetAsString(QString::number(months));
            q->Edit();
            q->FieldByName(QStringLiteral("WORK_MES"))->SetAsInteger(months);
            q->Post();
        }
        Table->Post();
        q->Next();
    }
    q->Close();
    Table->Close();
    if (Wait) Wait(false);
    GetUserInteraction()->MessageBox(QStringLiteral("Підрахунок стажу закінчено"),
                                     QStringLiteral("Інформація"), MB_OK | MB_ICONINFORMATION);
}
