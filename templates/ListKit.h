// The parts the list and order templates share: the organisation's heading with a title, a
// ruled list over the report's master dataset (a row of column titles, then one row per record)
// and a paragraph of running text.
#pragma once

#include "TemplateKit.h"

#include <vector>

namespace listkit {

struct TColumn {
    const char* Title;
    double Width;     // mm
    const char* Expr; // the cell's text
    bool Centre = false;
};

// The organisation and the title (several lines), centred; returns the y below them.
inline double Heading(TTemplate& T, const QString& Org, const QString& Title) {
    T.Text(0, 0, T.Width(), 6, Org, TStyle().Bold().Center());
    T.Text(0, 10, T.Width(), 16, Title, TStyle().Pt(12).Bold().Center());
    return 30;
}

// The titles of the columns at Y of the current band.
inline void TitleRow(TTemplate& T, double Y, const std::vector<TColumn>& Columns) {
    double x = 0;
    for (const TColumn& c : Columns) {
        T.Cell(x, Y, c.Width, 10, QString::fromUtf8(c.Title),
               TStyle().Sans().Pt(8).Bold().Center().Middle().Ruled());
        x += c.Width;
    }
}

// A master data band over frDBDataSet1 with one ruled cell per column.
inline void DataRows(TTemplate& T, const std::vector<TColumn>& Columns) {
    TfrBandView* band = T.Band(btMasterData, 6, QStringLiteral("frDBDataSet1"));
    band->Flags |= flStretched;
    double x = 0;
    for (const TColumn& c : Columns) {
        TStyle s = TStyle().Sans().Pt(8).Middle().Ruled().Stretched();
        if (c.Centre) s.Center();
        T.Cell(x, 0, c.Width, 6, QString::fromUtf8(c.Expr), s);
        x += c.Width;
    }
}

// The list of sick-leave sheets of a period: heading, titles, rows, and the signature.
inline void SheetList(TTemplate& T, const QString& Title) {
    const std::vector<TColumn> columns = {
        {"№ листа", 18, "[Select.\"HEL_NUM\"]", true},
        {"Прізвище, ім'я, по батькові", 50,
         "[Select.\"HEL_F\"] [Select.\"HEL_N\"] [Select.\"HEL_P\"]"},
        {"Вид захворювання", 34, "[Select.\"HEL_VID\"]"},
        {"Початок", 18, "[Select.\"HEL_BEG\"]", true},
        {"Закінчення", 18, "[Select.\"HEL_END\"]", true},
        {"Днів", 10, "[Select.\"HEL_DAYS\"]", true},
        {"Сума виплати", 17, "[Select.\"HEL_SUM\"]", true},
        {"Місяць", 15, "[FormatDateTime('mm.yyyy', Select.\"HEL_MES\")]", true}};
    T.Band(btReportTitle, 40);
    const double y = Heading(T, QStringLiteral("[Org]"), Title);
    TitleRow(T, y, columns);
    DataRows(T, columns);
    T.Band(btReportSummary, 30);
    T.Signature(10);
}

} // namespace listkit
