// The head of a personnel order: the organisation, "НАКАЗ", its number and date, and what it
// is about.
#pragma once

#include "FormRows.h"

inline TFormRows OrderHead(TTemplate& T, const QString& Number, const QString& Date,
                           const QString& About) {
    const double w = T.Width();
    TfrBandView* title = T.Band(btReportTitle, 40);
    T.Text(0, 0, w, 7, "[Org]", TStyle().Pt(12).Bold().Center());
    T.Text(0, 10, w, 8, "НАКАЗ № " + Number, TStyle().Pt(14).Bold().Center());
    T.Text(0, 19, w * 0.5, 6, "від " + Date, TStyle().Pt(12));
    T.Text(0, 29, w, 7, About, TStyle().Pt(12).Bold().Center());
    return TFormRows(T, title);
}
