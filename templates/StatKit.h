// The parts the statistics templates share: the heading with the organisation, the title and
// the date; ruled tables whose figures are count cells; the head's signature.
#pragma once

#include "TemplateKit.h"

#include <vector>

namespace statkit {

// A row of a count table: its label and the count cell of each figure column (0: empty,
// -1: the cell before plus one, so {1, -1, -1} is 1, 2, 3). A row whose label starts with
// "–" is a part of the row above it and is indented.
struct TRow {
    TRow(const QString& L, std::vector<int> C = {}, bool B = false, QStringList X = {})
        : Label(L), Cells(std::move(C)), Bold(B), Texts(std::move(X)) {}
    QString Label;
    std::vector<int> Cells;
    bool Bold = false;
    QStringList Texts; // figure columns after the cells, with texts of their own
    double Height = 0; // mm; 0: the table's row height (more for a label of several lines)
};

// Cells First .. First+Count-1.
inline std::vector<int> Run(int First, int Count) {
    std::vector<int> c;
    for (int i = 0; i < Count; ++i)
        c.push_back(First + i);
    return c;
}

// The heading: organisation, title (may hold two lines), the date line; returns the Y below.
inline double Heading(TTemplate& T, const QString& Title, const QString& DateLine) {
    const double w = T.Width();
    T.Text(0, 0, w, 6, QStringLiteral("[Org]"), TStyle().Pt(12).Bold().Center());
    T.Text(0, 8, w, 12, Title, TStyle().Pt(13).Bold().Center());
    if (!DateLine.isEmpty()) T.Text(0, 20, w, 6, DateLine, TStyle().Pt(11).Center());
    return DateLine.isEmpty() ? 22 : 28;
}

// A column header of a count table: a title over Span figure columns, or (Span 0) one
// figure column's title spanning both header rows.
struct THead {
    QString Title;
    int Span = 0;
    QStringList Sub; // the titles under a spanning title
};

struct TTable {
    double LabelWidth = 62;
    double CellWidth = 11.8;
    double HeadTop = 9;     // the upper header row
    double HeadBottom = 10; // the lower header row
    double RowHeight = 5;
    double Pt = 8;
    QString LabelTitle;
    std::vector<THead> Heads;
};

// Draws the table at Y of the current band; returns the Y below it.
inline double Table(TTemplate& T, double Y, const TTable& Tb, const std::vector<TRow>& Rows) {
    const TStyle head = TStyle().Sans().Pt(Tb.Pt - 1).Center().Middle().Ruled();
    const double headH = Tb.HeadTop + Tb.HeadBottom;
    T.Cell(0, Y, Tb.LabelWidth, headH, Tb.LabelTitle, head);
    double x = Tb.LabelWidth;
    int column = 1;
    for (const THead& h : Tb.Heads) {
        if (h.Span == 0) {
            T.Cell(x, Y, Tb.CellWidth, headH, h.Title, head);
            x += Tb.CellWidth;
            ++column;
            continue;
        }
        T.Cell(x, Y, Tb.CellWidth * h.Span, Tb.HeadTop, h.Title, head);
        for (int i = 0; i < h.Span; ++i) {
            T.Cell(x, Y + Tb.HeadTop, Tb.CellWidth, Tb.HeadBottom, h.Sub.value(i), head);
            x += Tb.CellWidth;
            ++column;
        }
    }
    // the column numbers, as statistical forms have them
    double y = Y + headH;
    T.Cell(0, y, Tb.LabelWidth, 4, QStringLiteral("А"), TStyle(head).Pt(Tb.Pt - 2));
    for (int i = 1; i < column; ++i)
        T.Cell(Tb.LabelWidth + (i - 1) * Tb.CellWidth, y, Tb.CellWidth, 4, QString::number(i),
               TStyle(head).Pt(Tb.Pt - 2));
    y += 4;
    for (const TRow& r : Rows) {
        const double h = r.Height > 0 ? r.Height : Tb.RowHeight;
        TStyle label = TStyle().Sans().Pt(Tb.Pt).Middle().Ruled();
        if (r.Bold) label.Bold();
        TfrMemoView* m = T.Cell(0, y, Tb.LabelWidth, h, r.Label, label);
        if (r.Label.startsWith(u'–')) m->GapX = 14;
        int previous = 0;
        for (size_t i = 0; i < r.Cells.size(); ++i) {
            const int cell = r.Cells[i] == -1 ? previous + 1 : r.Cells[i];
            previous = cell;
            TStyle figure = TStyle().Sans().Pt(Tb.Pt).Center().Middle().Ruled();
            if (r.Bold) figure.Bold();
            T.Cell(Tb.LabelWidth + double(i) * Tb.CellWidth, y, Tb.CellWidth, h,
                   cell > 0 ? TTemplate::Arr(cell) : QString(), figure);
        }
        for (int i = 0; i < r.Texts.size(); ++i) {
            TStyle figure = TStyle().Sans().Pt(Tb.Pt).Center().Middle().Ruled();
            if (r.Bold) figure.Bold();
            T.Cell(Tb.LabelWidth + double(r.Cells.size() + size_t(i)) * Tb.CellWidth, y,
                   Tb.CellWidth, h, r.Texts[i], figure);
        }
        y += h;
    }
    return y;
}

// The ten figure columns of the staff tables: all, women, education, six age bands.
inline std::vector<THead> TenHeads() {
    return {{QStringLiteral("Усього"), 0, {}},
            {QStringLiteral("з них жінок"), 0, {}},
            {QStringLiteral("Освіта"),
             2,
             {QStringLiteral("повна вища"), QStringLiteral("неповна, базова вища")}},
            {QStringLiteral("Вік, повних років"),
             6,
             {QStringLiteral("до 30"), QStringLiteral("31–40"), QStringLiteral("41–50"),
              QStringLiteral("51–55"), QStringLiteral("56–60"), QStringLiteral("61 і старші")}}};
}

// The rows of the five staff categories under a first cell each.
inline std::vector<TRow> CategoryRows(const int (&First)[5], int Count) {
    static const char* names[] = {"– керівники", "– професіонали", "– фахівці",
                                  "– технічні службовці", "– робітники"};
    std::vector<TRow> rows;
    for (int i = 0; i < 5; ++i)
        if (First[i] > 0) rows.push_back({QString::fromUtf8(names[i]), Run(First[i], Count)});
    return rows;
}

} // namespace statkit
