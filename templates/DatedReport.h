// The dated reports: their own query object over the application's database, stored closed,
// which takes the report date NDATE from [NDate] when the report is built; the organisation and
// the title with the date on top, the head's signature below.
#pragma once

#include "FR_IBQuery.h"
#include "Table.h"

// The query goes on a dialog page of its own, which shows nothing (it has no visible controls)
// and prints nothing.
inline TfrIBQuery* DatedQuery(TTemplate& T, const QString& Name, const QString& Sql) {
    T.Report->Pages.Add();
    TfrPage* page = T.Report->Pages.GetPages(T.Report->Pages.Count() - 1);
    page->PageType = ptDialog;
    auto* q = static_cast<TfrIBQuery*>(frCreateObject(gtAddIn, TfrIBQuery::StaticClassName()));
    q->ParentPage = page;
    page->Objects.Add(q);
    q->SetPropValue(QStringLiteral("Name"), Variant(Name));
    q->SetPropValue(QStringLiteral("DataBase"), Variant(QStringLiteral("DM.Database")));
    q->SetSQL(Sql);
    q->SetParamType(QStringLiteral("NDATE"), ftDate);
    q->SetParamExpression(QStringLiteral("NDATE"), QStringLiteral("[NDate]"));
    return q;
}

inline void DatedHead(TTemplate& T, const QString& Title) {
    const double w = T.Width();
    T.Band(btReportTitle, 26);
    T.Text(0, 0, w, 6, "[Org]", TStyle().Pt(11).Bold());
    T.Text(0, 9, w, 8, Title, TStyle().Pt(14).Bold().Center());
    T.Text(0, 17, w, 6, "станом на [NDate]", TStyle().Pt(11).Center());
}

inline void DatedFoot(TTemplate& T) {
    T.Band(btReportSummary, 16);
    T.Signature(8);
}
