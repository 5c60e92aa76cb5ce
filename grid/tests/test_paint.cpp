// Painting, read back from the pixels: the card list's configuration over a few generated
// employees (indicator, titles with sort markers, lines and 3-D frames, a dismissed employee
// drawn red by OnDrawColumnCell followed by the default drawing, the footer, the focus), a
// failure while painting reported once, and the writers the cells share.
#include "CardListGrid.h"
#include "GridTestSupport.h"

#include "StdCtrls.h"
#include "UiTestSupport.h"

namespace {

int R(TColor C) {
    return int(ColorToRGB(C) & 0xFF);
}
int G(TColor C) {
    return int((ColorToRGB(C) >> 8) & 0xFF);
}
int B(TColor C) {
    return int((ColorToRGB(C) >> 16) & 0xFF);
}
bool Dark(TColor C) {
    return R(C) < 0x70 && G(C) < 0x70 && B(C) < 0x70;
}
bool Red(TColor C) {
    return R(C) > 0xC0 && G(C) < 0x60 && B(C) < 0x60;
}
bool Same(TColor A, TColor Bc) {
    return ColorToRGB(A) == ColorToRGB(Bc);
}

// A picture of a control's client area.
class TShot {
public:
    explicit TShot(TWinControl* C) : bmp(C->GetClientWidth(), C->GetClientHeight()) {
        C->PaintTo(bmp.GetCanvas(), 0, 0);
    }
    TColor At(int X, int Y) { return bmp.GetCanvas()->GetPixels(X, Y); }
    int Count(const TRect& Rc, const std::function<bool(TColor)>& P) {
        int n = 0;
        for (int y = Rc.Top; y < Rc.Bottom; ++y)
            for (int x = Rc.Left; x < Rc.Right; ++x)
                n += P(At(x, y)) ? 1 : 0;
        return n;
    }
    // The leftmost column of the rectangle with a pixel that P accepts, -1 when none.
    int Leftmost(const TRect& Rc, const std::function<bool(TColor)>& P) {
        for (int x = Rc.Left; x < Rc.Right; ++x)
            for (int y = Rc.Top; y < Rc.Bottom; ++y)
                if (P(At(x, y))) return x;
        return -1;
    }
    int Rightmost(const TRect& Rc, const std::function<bool(TColor)>& P) {
        for (int x = Rc.Right - 1; x >= Rc.Left; --x)
            for (int y = Rc.Top; y < Rc.Bottom; ++y)
                if (P(At(x, y))) return x;
        return -1;
    }
    TBitmap bmp;
};

class CardListPaint : public ::testing::Test {
protected:
    void SetUp() override {
        form = MakeCardList(30);
        grid = form->Grid;
        grid->SetBorderStyle(bsNone);
        other = new TEdit(form);
        other->SetParent(form);
        other->SetAlign(alTop);
        ds = form->Employees;
        // the second employee is dismissed, the others are not
        for (int n = 1; n <= 30; ++n) {
            ds->SetRecNo(n);
            ds->Edit();
            if (n == 2)
                ds->FieldByName("ENDEND")->SetAsDateTime(EncodeDate(2024, 3, 1));
            else
                ds->FieldByName("ENDEND")->Clear();
            ds->Post();
        }
        ds->First();
        form->Show();
        grid->SetFocus();
        QApplication::processEvents();
    }
    void TearDown() override { delete form; }
    TRect Cell(int Col, int Row) { return grid->CellRect(Col, Row); }
    // A cell less a margin of M pixels.
    static TRect Inside(const TRect& Rc, int M) {
        return TRect{Rc.Left + M, Rc.Top + M, Rc.Right - M, Rc.Bottom - M};
    }
    TCardListForm* form = nullptr;
    TDBGridEh* grid = nullptr;
    TEdit* other = nullptr;
    TMemDataSet* ds = nullptr;
};

TEST_F(CardListPaint, TheIndicatorMarksTheCurrentRecordOnly) {
    ds->SetRecNo(3);
    TShot s(grid);
    const int rows = grid->VisibleDataRowCount();
    for (int r = 1; r <= rows; ++r)
        EXPECT_EQ(s.Count(Inside(Cell(0, r), 1), Dark) > 0, r == 3) << r;
    // the filler above the footers: the grid's colour, no frame
    const int filler = grid->GetRowCount() - 2;
    EXPECT_TRUE(Same(s.At(Cell(0, filler).Left + 3, Cell(0, filler).Top), clWindow));
    // the fixed cells stand out raised: highlight at the top left, their colour inside
    const TRect title = Cell(2, 0);
    EXPECT_TRUE(Same(s.At(title.Left, title.Top + 2), clBtnHighlight));
    EXPECT_TRUE(Same(s.At(title.Left + 3, title.Top + 3), clBtnFace));
}

TEST_F(CardListPaint, SortMarkersSitAtTheRightOfTheirTitlesWithTheirNumbers) {
    auto markerArea = [&](int Col) {
        TRect t = Cell(Col, 0);
        return TRect{t.Right - 26, t.Top + 1, t.Right - 1, t.Bottom - 1};
    };
    TColumnEh* family = grid->GetColumns()->GetItems(0);
    TColumnEh* name = grid->GetColumns()->GetItems(1);
    {
        TShot s(grid);
        EXPECT_EQ(s.Count(markerArea(1), Dark), 0);
    }
    family->GetTitle()->SetSortMarker(smDownEh);
    int alone;
    {
        TShot s(grid);
        EXPECT_GT(s.Count(markerArea(1), Dark), 10);
        alone = s.Leftmost(markerArea(1), Dark);
        EXPECT_GE(alone, Cell(1, 0).Right - 16);
    }
    // a second sorted column: each marker moves left for its number
    name->GetTitle()->SetSortMarker(smUpEh);
    {
        TShot s(grid);
        EXPECT_LT(s.Leftmost(markerArea(1), Dark), alone);
        EXPECT_GT(s.Count(markerArea(2), Dark), 10);
    }
}

TEST_F(CardListPaint, LinesTakeTheColoursOfTheirArea) {
    struct Case {
        const char* what;
        bool flat;
        TColor gridColor;
        TColor fixedLine, dataLine;
    };
    const Case cases[] = {
        {"flat", true, clWindow, clGray, clSilver},
        {"raised", false, clWindow, clBlack, clSilver},
        {"on silver the data lines turn grey", true, clSilver, clGray, clGray},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        grid->SetFlat(c.flat);
        grid->SetColor(c.gridColor);
        QApplication::processEvents();
        TShot s(grid);
        // between two titles, between two data cells of frozen and of scrolled columns, and
        // below a record
        EXPECT_TRUE(Same(s.At(Cell(2, 0).Right, Cell(2, 0).Top + 5), c.fixedLine));
        EXPECT_TRUE(Same(s.At(Cell(2, 3).Right, Cell(2, 3).Top + 5), c.dataLine));
        EXPECT_TRUE(Same(s.At(Cell(5, 3).Right, Cell(5, 3).Top + 5), c.dataLine));
        EXPECT_TRUE(Same(s.At(Cell(5, 3).Left + 5, Cell(5, 3).Bottom), c.dataLine));
        // with a yellow footer the data lines run on through the footer row
        const int footer = grid->GetRowCount() - 1;
        EXPECT_TRUE(Same(s.At(Cell(5, footer).Right, Cell(5, footer).Top + 5), c.dataLine));
    }
    // raised footers get the fixed lines and a separator above them
    grid->SetFlat(true);
    grid->SetColor(clWindow);
    grid->SetOptionsEh(grid->GetOptionsEh() + TDBGridEhOptions{dghFooter3D});
    TShot s(grid);
    const int footer = grid->GetRowCount() - 1;
    EXPECT_TRUE(Same(s.At(Cell(5, footer).Right, Cell(5, footer).Top + 5), clGray));
    EXPECT_TRUE(Same(s.At(Cell(5, footer).Left + 5, Cell(5, footer).Top - 1), clGray));
    // frozen columns keep the fixed look with their own 3-D option
    grid->SetOptionsEh(grid->GetOptionsEh() + TDBGridEhOptions{dghFrozen3D});
    TShot frozen(grid);
    EXPECT_TRUE(Same(frozen.At(Cell(2, 3).Right, Cell(2, 3).Top + 5), clGray));
    EXPECT_TRUE(Same(frozen.At(Cell(2, 3).Left, Cell(2, 3).Top + 3), clBtnHighlight));
}

TEST_F(CardListPaint, ADismissedEmployeeIsRedInEveryColumnAfterTheDefaultDrawing) {
    ds->SetRecNo(5); // the current row is highlighted elsewhere
    TShot s(grid);
    for (int col = 1; col <= 6; ++col) {
        SCOPED_TRACE(col);
        const TRect dismissed = Inside(Cell(col, 2), 1), working = Inside(Cell(col, 3), 1);
        EXPECT_GT(s.Count(dismissed, Red), 3);
        // the default drawing filled the cell again: no black text is left under the red
        EXPECT_EQ(s.Count(dismissed, Dark), 0);
        EXPECT_GT(s.Count(working, Dark), 3);
        EXPECT_EQ(s.Count(working, Red), 0);
    }
}

TEST_F(CardListPaint, TheFooterSitsAtTheBottomWithItsTexts) {
    TShot s(grid);
    const int footer = grid->GetRowCount() - 1;
    const TRect total = Cell(1, footer), count = Cell(2, footer), empty = Cell(4, footer);
    EXPECT_EQ(total.Bottom + 1, grid->GetClientHeight()); // its line is the last pixel
    EXPECT_TRUE(Same(s.At(empty.Left + 4, empty.Top + 4), clYellow));
    EXPECT_GT(s.Count(total, Dark), 20);           // "Всього", bold
    EXPECT_GT(s.Count(count, Dark), 8);            // "30"
    EXPECT_EQ(s.Count(Inside(empty, 1), Dark), 0); // nothing under a column without one
    EXPECT_EQ(grid->GetFooterValue(0, grid->GetColumns()->GetItems(1)), "30");
    // centred: as much room left as right of the text
    EXPECT_NEAR(s.Leftmost(Inside(count, 1), Dark) - count.Left,
                count.Right - s.Rightmost(Inside(count, 1), Dark), 4);
}

TEST_F(CardListPaint, TheFocusedCellIsHighlightedAndFramedWhileTheGridIsActive) {
    ds->SetRecNo(4);
    grid->SetSelectedIndex(3);
    const TRect cur = Cell(4, 4);
    auto highlight = [](TColor C) { return Same(C, clHighlight); };
    auto framed = [&](TShot& S) {
        // the dotted focus rectangle changes every other pixel of the cell's edge
        return S.Count(TRect{cur.Left, cur.Top, cur.Right, cur.Top + 1}, highlight) <
               cur.Width() * 3 / 4;
    };
    {
        TShot s(grid);
        EXPECT_GT(s.Count(Inside(cur, 2), highlight), cur.Width() * cur.Height() / 4);
        EXPECT_TRUE(framed(s));
    }
    other->SetFocus();
    QApplication::processEvents();
    {
        // not active: still highlighted (always show selection), but no focus rectangle
        TShot s(grid);
        EXPECT_GT(s.Count(Inside(cur, 2), highlight), cur.Width() * cur.Height() / 4);
        EXPECT_FALSE(framed(s));
    }
    grid->SetOptions(grid->GetOptions() - TDBGridOptions{dgAlwaysShowSelection});
    {
        TShot s(grid);
        EXPECT_EQ(s.Count(Inside(cur, 2), highlight), 0);
    }
    // a current cell in a frozen column is highlighted too, and shows the search text
    grid->SetFocus();
    QApplication::processEvents();
    grid->SetSelectedIndex(0);
    const TRect frozen = Cell(1, 4);
    {
        TShot s(grid);
        EXPECT_GT(s.Count(Inside(frozen, 2), highlight), frozen.Width() * frozen.Height() / 4);
        EXPECT_EQ(s.Count(Inside(Cell(2, 4), 2), highlight), 0);
    }
    grid->DoIncSearch(ds->FieldByName("FAMILY")->GetAsString().left(2), -1, 0);
    {
        TShot s(grid);
        // the letters found sit on yellow
        EXPECT_GT(s.Count(Inside(frozen, 2), [](TColor C) { return Same(C, clYellow); }),
                  frozen.Height());
    }
}

TEST_F(CardListPaint, CtrlAHighlightsEveryRecordWithOrWithoutMultiSelect) {
    auto highlight = [](TColor C) { return Same(C, clHighlight); };
    grid->SetEditActions(TDBGridEhEditActions{geaSelectAllEh, geaCopyEh});
    for (bool multi : {false, true}) {
        SCOPED_TRACE(multi);
        if (multi) grid->SetOptions(grid->GetOptions() + TDBGridOptions{dgMultiSelect});
        ds->SetRecNo(5);
        grid->SetSelectedIndex(4);
        SendKey(grid, Qt::Key_A, QStringLiteral("a"), Qt::ControlModifier);
        ASSERT_EQ(grid->GetSelection()->GetSelectionType(), gskAll);
        TShot s(grid);
        // rows other than the current one, in a frozen and in a scrolling column
        for (int row : {1, 3, 7})
            for (int col : {1, 3, 6}) {
                const TRect cell = Inside(Cell(col, row), 2);
                EXPECT_GT(s.Count(cell, highlight), cell.Width() * cell.Height() / 2)
                    << "column " << col << " row " << row;
            }
        // a click clears it: only the current cell stays highlighted
        grid->GetSelection()->Clear();
        TShot after(grid);
        EXPECT_EQ(after.Count(Inside(Cell(6, 3), 2), highlight), 0);
    }
}

TEST_F(GridTest, AnUpperTitleCellSpansItsColumnsWithoutALineThroughIt) {
    AddColumns({"A", "B", "C"});
    const char* captions[] = {"Підстава|№", "Підстава|Дата", "Прізвище"};
    for (int i = 0; i < 3; ++i) {
        Column(i)->SetWidth(60);
        Column(i)->GetTitle()->SetCaption(QString::fromUtf8(captions[i]));
    }
    grid->SetUseMultiTitle(true);
    QApplication::processEvents();
    TShot s(grid);
    const TRect no = grid->CellRect(1, 0), date = grid->CellRect(2, 0);
    THeadTreeNode* upper = grid->GetColumnLeaf(0)->Host;
    const int split = no.Bottom - grid->GetColumnLeaf(0)->Height;
    auto lineAt = [&](int X, int Top, int Bottom) {
        return s.Count(TRect{X, Top, X + 1, Bottom}, [](TColor C) { return Same(C, clBlack); });
    };
    // between the two lower cells a line; between the halves of the upper one none
    EXPECT_EQ(lineAt(no.Right, split + 2, no.Bottom), no.Bottom - split - 2);
    EXPECT_LT(lineAt(no.Right, no.Top + 2, split - 2), 2);
    // a line under the upper cell, across both columns
    EXPECT_EQ(upper->Text, "Підстава");
    const int under = split - 1;
    EXPECT_EQ(s.Count(TRect{no.Left + 2, under, date.Right - 2, under + 1},
                      [](TColor C) { return Same(C, clBlack); }),
              date.Right - no.Left - 4);
    // the caption is centred over both columns
    const TRect upperArea{no.Left + 2, no.Top + 2, date.Right - 2, split - 2};
    EXPECT_NEAR(s.Leftmost(upperArea, Dark) - no.Left, date.Right - s.Rightmost(upperArea, Dark),
                4);
}

TEST(GridPaintErrors, AFailureWhilePaintingIsReportedOnce) {
    TCardListForm* f = MakeCardList(5);
    f->Show();
    QApplication::processEvents();
    int reports = 0;
    QString message;
    Application->OnException = [&](TObject*, const Exception& E) {
        ++reports;
        message = E.Message;
    };
    TField* family = f->Employees->FieldByName("FAMILY");
    family->OnGetText = [](TField*, QString&, bool) { throw EDatabaseError("Зв'язок втрачено"); };
    for (int i = 0; i < 3; ++i) {
        f->Grid->Invalidate();
        QApplication::processEvents();
        f->Grid->Repaint();
        QApplication::processEvents();
    }
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(message, "Зв'язок втрачено");
    // a paint that succeeds again lets the next failure be told
    family->OnGetText = nullptr;
    f->Grid->Repaint();
    family->OnGetText = [](TField*, QString&, bool) { throw EDatabaseError("Знову"); };
    f->Grid->Repaint();
    QApplication::processEvents();
    EXPECT_EQ(reports, 2);
    family->OnGetText = nullptr;
    Application->OnException = nullptr;
    delete f;
}

// ---- the writers --------------------------------------------------------------------------------

TEST(GridWriters, TextIsCutPlacedAndWrapped) {
    TBitmap b(200, 60);
    TCanvas* c = b.GetCanvas();
    const int letter = c->TextWidth("М");
    struct Cut {
        QString text;
        int width;
        QString shown;
    };
    for (const Cut& k :
         {Cut{"Мороз", 200, "Мороз"}, Cut{"ММММММ", c->TextWidth("МММ..."), "МММ..."},
          Cut{"ММММММ", letter, "..."}})
        EXPECT_EQ(CutTextToWidth(k.text, c, k.width), k.shown) << k.text.toStdString();
    // one line placed by the alignment
    struct Place {
        TAlignment alignment;
        int from, to; // where the text's first dark column may be
    };
    const int w = c->TextWidth("Ярош");
    for (Place p : {Place{taLeftJustify, 2, 5}, Place{taRightJustify, 200 - w - 4, 200 - w},
                    Place{taCenter, 100 - w / 2 - 2, 100 - w / 2 + 2}}) {
        c->GetBrush()->SetColor(clWhite);
        c->GetFont()->SetColor(clBlack);
        DrawCellText(c, TRect{0, 0, 200, 20}, true, 2, 2, "Ярош", p.alignment, tlTop, false, false,
                     0, 0);
        int first = -1;
        for (int x = 0; x < 200 && first < 0; ++x)
            for (int y = 0; y < 20; ++y)
                if (Dark(c->GetPixels(x, y))) {
                    first = x;
                    break;
                }
        EXPECT_GE(first, p.from) << p.alignment;
        EXPECT_LE(first, p.to) << p.alignment;
    }
    // several lines wrap inside the cell
    c->FillSolid(TRect{0, 0, 200, 60}, clWhite);
    DrawCellText(c, TRect{0, 0, 60, 60}, true, 2, 2, "Ярош Мороз Вовк", taLeftJustify, tlTop, true,
                 false, 0, 0);
    int lines = 0;
    bool inLine = false;
    for (int y = 0; y < 60; ++y) {
        bool dark = false;
        for (int x = 0; x < 60 && !dark; ++x)
            dark = Dark(c->GetPixels(x, y));
        if (dark && !inLine) ++lines;
        inLine = dark;
    }
    EXPECT_GE(lines, 2);
    int beyond = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 60; x < 200; ++x)
            beyond += Dark(c->GetPixels(x, y)) ? 1 : 0;
    EXPECT_EQ(beyond, 0);
}

} // namespace
