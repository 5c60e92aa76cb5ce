// Ruled tables of the templates. Each cell is ruled on its left, top and bottom, the last
// cell of a row on its right too, and the edges are computed in page units from the column
// bounds, so that neighbouring cells share one line (a row's bottom lies on the next row's
// top) and a table cut by the end of a page is closed there too; a closing rule under the
// last row (TableClose) completes a table whose last band is not a row.
#pragma once

#include "TemplateKit.h"

#include <vector>

// A header style: small bold sans, centred both ways.
inline TStyle TableHead() {
    return TStyle().Sans().Pt(8).Bold().Center().Middle();
}

// A figure style: small sans, centred vertically; Align as frtaLeft, frtaCenter or frtaRight.
inline TStyle TableText(int Align = frtaLeft) {
    TStyle s = TStyle().Sans().Pt(8).Middle();
    s.Align = (s.Align & ~3) | Align;
    return s;
}

// One row of cells between the column bounds X (mm from the left margin, one more than the
// texts) in the current band, Y mm from its top. The cells stretch with the band; a cell over
// another in a two-line header must not (FixedHeight).
inline std::vector<TfrMemoView*> TableRow(TTemplate& T, const std::vector<double>& X, double Y,
                                          double H, const std::vector<QString>& Texts,
                                          const std::vector<TStyle>& Styles) {
    const int margin = T.Page->pgMargins[0];
    std::vector<TfrMemoView*> cells;
    for (size_t i = 0; i < Texts.size(); ++i) {
        TStyle s = Styles[std::min(i, Styles.size() - 1)];
        s.Frame = frftLeft | frftTop | frftBottom | (i + 1 == Texts.size() ? frftRight : 0);
        TfrMemoView* m = T.Text(X[i], Y, X[i + 1] - X[i], H, Texts[i], s);
        // an empty date or number prints nothing rather than 0; in a band that stretches
        // (RowsBand) the cell grows with the row
        m->Flags |= flHideZeros | flStretched;
        const int left = margin + TemplateUnits(X[i]);
        m->SetBounds(left, m->Top, margin + TemplateUnits(X[i + 1]) - left, m->Height);
        cells.push_back(m);
    }
    return cells;
}

// A master data band over DataSet whose row grows to hold its longest text, so that a long
// name wraps inside its ruled cell instead of running over the rules.
inline TfrBandView* RowsBand(TTemplate& T, double H, const QString& DataSet) {
    TfrBandView* b = T.Band(btMasterData, H, DataSet);
    b->Flags |= flStretched;
    return b;
}

inline void FixedHeight(const std::vector<TfrMemoView*>& Cells) {
    for (TfrMemoView* m : Cells)
        m->Flags &= ~flStretched;
}

// The rule that closes a table of width W mm at Y mm in the current band.
inline void TableClose(TTemplate& T, double Y, double W) {
    TStyle s;
    s.Frame = frftTop;
    TfrMemoView* m = T.Text(0, Y, W, 1, QString(), s);
    m->Flags &= ~flStretched;
}

// A page header band that prints on the first page too.
inline TfrBandView* HeaderBand(TTemplate& T, double H) {
    TfrBandView* b = T.Band(btPageHeader, H);
    b->Flags |= flBandOnFirstPage;
    return b;
}
