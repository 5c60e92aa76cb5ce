// The layout rebuild: columns from the fields, visible and frozen columns, row and title
// heights, automatic widths, sizing and scaling; the rows as a window onto the dataset, the
// footers pinned to the bottom, scrolling with the dataset and the vertical scroll bar.
#include "GridTestSupport.h"

namespace {

TEST_F(GridTest, DefaultColumnsFollowTheVisibleFieldsInFieldOrder) {
    TMemDataSet ds(nullptr);
    FillStaff(&ds);
    ds.FieldByName("SEX")->SetVisible(false);
    Show(&ds);
    EXPECT_EQ(ColumnNames(grid), QStringList({"TAB", "FAMILY", "AGE", "OKLAD"}));
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(Column(i)->GetStored());
        EXPECT_EQ(Column(i)->GetField(), ds.FieldByName(ColumnNames(grid)[i]));
    }
    EXPECT_EQ(grid->GetColCount(), 5);
    EXPECT_EQ(grid->GetFixedCols(), 1);
    EXPECT_EQ(grid->GetColWidths(0), IndicatorWidthEh);
    // a field leaving the dataset takes its column along
    ds.FieldByName("AGE")->SetVisible(false);
    EXPECT_EQ(ColumnNames(grid), QStringList({"TAB", "FAMILY", "OKLAD"}));
    // without fields there is one empty column
    source->SetDataSet(nullptr);
    ASSERT_EQ(grid->GetColumns()->Count(), 1);
    EXPECT_EQ(Column(0)->GetField(), nullptr);
    EXPECT_EQ(grid->GetColCount(), 2);
    EXPECT_EQ(grid->GetRowCount(), 2);
}

// The whole client height is taken: rows (with their lines) end exactly at the bottom.
int RowsBottom(TCustomDBGridEh* Grid) {
    int line = Grid->GetOptions().Contains(dgRowLines) ? Grid->GetGridLineWidth() : 0;
    int y = 0;
    for (int r = 0; r < Grid->GetRowCount(); ++r)
        y += Grid->GetRowHeights(r) + line;
    return y;
}

TEST_F(GridTest, RowsAreAWindowOntoTheDatasetWithFootersFlushAtTheBottom) {
    TMemDataSet ds(nullptr);
    FillNumbers(&ds, 40);
    Show(&ds);
    const int h = grid->GetDefaultRowHeight(), line = 1, title = grid->GetRowHeights(0);
    const int client = grid->GetClientHeight();
    // without footers: every fully shown row holds a record
    const int fit = (client + line - (title + line)) / (h + line);
    EXPECT_EQ(grid->GetDataLink()->GetRecordCount(), fit);
    EXPECT_EQ(grid->GetRowCount(), fit + 1);
    EXPECT_EQ(grid->VisibleDataRowCount(), fit);

    struct Case {
        int footers;
        int gridHeight;
    };
    for (Case c : {Case{1, 300}, Case{2, 301}, Case{2, 150}, Case{3, 3 * h}}) {
        SCOPED_TRACE(testing::Message() << c.footers << " footers, height " << c.gridHeight);
        grid->SetFooterRowCount(c.footers);
        grid->SetHeight(c.gridHeight);
        QApplication::processEvents();
        const int records = grid->GetDataLink()->GetRecordCount();
        EXPECT_GE(records, 1);
        EXPECT_EQ(grid->GetRowCount(), 1 + records + 1 + c.footers);
        EXPECT_EQ(grid->VisibleDataRowCount(), records);
        for (int r = 0; r < c.footers; ++r)
            EXPECT_EQ(grid->GetRowHeights(grid->GetRowCount() - 1 - r), h);
        if (grid->GetRowHeights(1 + records) > 0) {
            // the filler takes what is left, so the footers end at the bottom
            EXPECT_EQ(RowsBottom(grid), grid->GetClientHeight());
            // and no further record would fit above them
            EXPECT_LT(grid->GetRowHeights(1 + records), h + line);
        }
    }
}

TEST_F(GridTest, AnEmptyOrClosedDatasetShowsOneEmptyRowAndTheFootersAtTheBottom) {
    TMemDataSet ds(nullptr);
    FillNumbers(&ds, 0);
    grid->SetFooterRowCount(1);
    Show(&ds);
    EXPECT_EQ(grid->GetRowCount(), 1 + 1 + 1 + 1);
    EXPECT_EQ(RowsBottom(grid), grid->GetClientHeight());
    ds.Close();
    EXPECT_FALSE(grid->GetDataLink()->GetActive());
    EXPECT_EQ(grid->GetRowCount(), 4);
    EXPECT_EQ(RowsBottom(grid), grid->GetClientHeight());
    EXPECT_EQ(grid->GetRow(), 1);
}

// 100,000 records: opening, moving, paging, jumping to the end, laying out again and resizing
// read no more records than the grid shows.
TEST_F(GridTest, TheGridNeverReadsMoreRecordsThanItShows) {
    TCountingDataSet ds(nullptr);
    FillNumbers(&ds, 100000);
    ds.Fetched = 0;
    Show(&ds);
    const int shown = grid->VisibleDataRowCount();
    ASSERT_GT(shown, 5);
    EXPECT_LE(ds.Fetched, shown + 1);
    EXPECT_EQ(ShownValues(grid, "N").first(), "000001");

    struct Step {
        const char* what;
        std::function<void()> act;
        QString top;
    };
    const std::vector<Step> steps = {
        {"Last", [&] { ds.Last(); }, QString::asprintf("%06d", 100000 - shown + 1)},
        {"page up by the scroll bar",
         [&] { grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_PAGEUP, 0), 0); },
         QString::asprintf("%06d", 100000 - shown)},
        {"line down by the scroll bar",
         [&] { grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0); },
         QString::asprintf("%06d", 100000 - shown + 1)},
        {"First", [&] { ds.First(); }, "000001"},
        {"ten down", [&] { ds.MoveBy(10); }, "000001"},
        {"a page down", [&] { ds.MoveBy(shown); }, "000012"},
        {"layout", [&] { grid->SetFrozenCols(1); }, "000012"},
        {"the wheel moves the dataset",
         [&] {
             grid->DoMouseWheelDown({}, TPoint{5, 40});
         },
         "000013"},
        {"and back",
         [&] {
             grid->DoMouseWheelUp({}, TPoint{5, 40});
         },
         "000013"},
        {"smaller", [&] { grid->SetHeight(grid->GetHeight() - 60); }, QString()},
        {"larger", [&] { grid->SetHeight(grid->GetHeight() + 120); }, QString()},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        ds.Fetched = 0;
        s.act();
        QApplication::processEvents();
        const int now = grid->VisibleDataRowCount();
        EXPECT_LE(ds.Fetched, now + 1);
        if (!s.top.isEmpty()) {
            EXPECT_EQ(ShownValues(grid, "N").first(), s.top);
        }
        EXPECT_EQ(ShownValues(grid, "N").size(), now);
        EXPECT_EQ(grid->GetRow(), 1 + grid->GetDataLink()->GetActiveRecord());
    }
}

TEST_F(GridTest, RowHeightsComeFromTheFontLinesAndFitting) {
    TMemDataSet ds(nullptr);
    FillStaff(&ds);
    Show(&ds);
    const int H = TextHeightOf(grid->GetFont());
    const int base = 3 + 1; // the row base and the row line
    EXPECT_EQ(grid->GetDefaultRowHeight(), H + base);
    EXPECT_EQ(grid->GetRowHeights(0), H + 4);
    // one text line per row: no word wrap
    EXPECT_FALSE(grid->GetAllowWordWrap());

    // fitting rounds to whole text lines: 0.4 of a line down, 0.6 up, never below one line
    grid->SetOptionsEh(grid->GetOptionsEh() + TDBGridEhOptions{dghFitRowHeightToText});
    struct Case {
        int extra; // tenths of a line beyond two whole lines
        int lines;
    };
    for (Case c : {Case{4, 2}, Case{6, 3}, Case{-18, 1}}) {
        SCOPED_TRACE(c.extra);
        // fitting rewrites RowLines and RowHeight: both are set at once
        grid->BeginLayout();
        grid->SetRowLines(0);
        grid->SetRowHeight(base + 2 * H + c.extra * H / 10);
        grid->EndLayout();
        EXPECT_EQ(grid->GetDefaultRowHeight(), c.lines * H + base);
        EXPECT_EQ(grid->GetRowLines(), c.lines);
        EXPECT_EQ(grid->GetRowHeight(), base);
        EXPECT_EQ(grid->GetAllowWordWrap(), c.lines > 1);
    }
    grid->SetOptionsEh(grid->GetOptionsEh() - TDBGridEhOptions{dghFitRowHeightToText});

    // a flat grid has a smaller row base and text allowance
    grid->BeginLayout();
    grid->SetRowLines(0);
    grid->SetRowHeight(0);
    grid->EndLayout();
    const int rowBefore = grid->GetDefaultRowHeight(), titleBefore = grid->GetRowHeights(0);
    grid->SetFlat(true);
    EXPECT_EQ(grid->GetDefaultRowHeight(), rowBefore - 2);
    EXPECT_EQ(grid->GetRowHeights(0), titleBefore - 2);
    grid->SetFlat(false);

    // negative heights and lines are stored as 0
    grid->SetRowHeight(-5);
    grid->SetRowLines(-2);
    EXPECT_EQ(grid->GetRowHeight(), 0);
    EXPECT_EQ(grid->GetRowLines(), 0);

    // explicit title lines: the tallest title font decides
    TTextMetric tm;
    TBitmap b(1, 1);
    b.GetCanvas()->GetFont()->Assign(grid->GetTitleFont());
    b.GetCanvas()->GetTextMetrics(tm);
    grid->SetTitleLines(2);
    EXPECT_EQ(grid->GetRowHeights(0), 2 * (tm.tmHeight + tm.tmExternalLeading) + 2 + 1);
    grid->SetTitleHeight(5);
    EXPECT_EQ(grid->GetRowHeights(0), 2 * (tm.tmHeight + tm.tmExternalLeading) + 2 + 5 + 1);
}

TEST_F(GridTest, AutomaticWidthsShareTheFreeSpaceByInitialWidthsAndLimits) {
    grid->SetOptions(grid->GetOptions() - TDBGridOptions{dgIndicator, dgColLines});
    AddColumns({"A", "B"});
    struct Case {
        const char* what;
        int init0, init1, min0, max1, client;
        int w0, w1;
    };
    const Case cases[] = {
        {"in proportion", 100, 300, 0, 0, 400, 100, 300},
        {"twice the room", 100, 300, 0, 0, 800, 200, 600},
        {"the second held at its maximum", 100, 300, 0, 500, 800, 300, 500},
        {"the first held at its minimum", 100, 300, 80, 0, 200, 80, 120},
        {"no initial widths: equal shares", 0, 0, 0, 0, 401, 200, 201},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        grid->SetAutoFitColWidths(false);
        Column(0)->SetMinWidth(c.min0);
        Column(1)->SetMaxWidth(c.max1);
        Column(0)->SetWidth(c.init0);
        Column(1)->SetWidth(c.init1);
        grid->SetWidth(c.client);
        grid->SetAutoFitColWidths(true);
        EXPECT_EQ(Column(0)->GetInitWidth(), c.init0);
        EXPECT_EQ(grid->GetScrollBars(), ssNone);
        EXPECT_EQ(Column(0)->GetWidth(), c.w0);
        EXPECT_EQ(Column(1)->GetWidth(), c.w1);
        EXPECT_EQ(grid->GetColWidths(0), c.w0);
    }
    // a width set while fitting rescales the initial widths, the next column giving way
    grid->SetAutoFitColWidths(false);
    Column(0)->SetWidth(100);
    Column(1)->SetWidth(100);
    grid->SetAutoFitColWidths(true);
    grid->SetWidth(200);
    Column(0)->SetWidth(150);
    EXPECT_EQ(Column(0)->GetInitWidth(), 150);
    EXPECT_EQ(Column(1)->GetInitWidth(), 50);
    EXPECT_EQ(Column(0)->GetWidth(), 150);
    EXPECT_EQ(Column(1)->GetWidth(), 50);
    // switching it off gives the columns their initial widths back
    grid->SetWidth(400);
    EXPECT_EQ(Column(0)->GetWidth(), 300);
    grid->SetAutoFitColWidths(false);
    EXPECT_EQ(Column(0)->GetWidth(), 150);
    EXPECT_EQ(Column(1)->GetWidth(), 50);
    EXPECT_EQ(grid->GetScrollBars(), ssHorizontal);
}

TEST_F(GridTest, DraggingAFittedColumnTakesItsWidthFromTheColumnsOnTheRight) {
    grid->SetOptions(grid->GetOptions() - TDBGridOptions{dgIndicator, dgColLines});
    AddColumns({"A", "B", "C"});
    for (int i = 0; i < 3; ++i)
        Column(i)->SetWidth(100);
    grid->SetWidth(300);
    grid->SetAutoFitColWidths(true);
    int told = 0;
    grid->OnColWidthsChanged = [&](TObject*) { ++told; };
    // the next column gives up what the first one takes
    grid->SetColWidths(0, 150);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(Column(0)->GetWidth(), 150);
    EXPECT_EQ(Column(1)->GetWidth(), 50);
    EXPECT_EQ(Column(2)->GetWidth(), 100);
    // never below 0
    grid->SetColWidths(0, 280);
    EXPECT_EQ(Column(1)->GetWidth(), 0);
    EXPECT_EQ(Column(0)->GetWidth() + Column(2)->GetWidth(), 300);

    // the whole right part gives in proportion, each at least 1
    grid->SetAutoFitColWidths(false);
    for (int i = 0; i < 3; ++i)
        Column(i)->SetWidth(100);
    grid->SetAutoFitColWidths(true);
    grid->SetOptionsEh(grid->GetOptionsEh() + TDBGridEhOptions{dghResizeWholeRightPart});
    grid->SetColWidths(0, 160);
    EXPECT_EQ(Column(0)->GetWidth(), 160);
    EXPECT_EQ(Column(1)->GetWidth(), 70);
    EXPECT_EQ(Column(2)->GetWidth(), 70);
}

TEST_F(GridTest, ScalingKeepsTheSumOfTheColumnWidths) {
    AddColumns({"A", "B", "C"});
    struct Case {
        int m, d;
        std::vector<int> before, after;
    };
    const Case cases[] = {{2, 1, {10, 11, 12}, {20, 22, 24}}, {1, 3, {10, 10, 10}, {3, 4, 3}}};
    for (const Case& c : cases) {
        for (int i = 0; i < 3; ++i)
            Column(i)->SetWidth(c.before[size_t(i)]);
        grid->ChangeScale(c.m, c.d);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Column(i)->GetWidth(), c.after[size_t(i)]) << c.m << "/" << c.d << " " << i;
    }
    // an own font scales with them; an unassigned one keeps following the grid
    Column(0)->GetFont()->SetSize(10);
    const int gridFont = grid->GetFont()->GetSize();
    grid->ChangeScale(3, 2);
    EXPECT_EQ(Column(0)->GetFont()->GetSize(), 15);
    EXPECT_EQ(Column(1)->GetFont()->GetSize(), gridFont);
}

TEST_F(GridTest, FrozenColumnsWidenOverHiddenOnesAndStayFixed) {
    TMemDataSet ds(nullptr);
    FillStaff(&ds);
    AddColumns({"TAB", "FAMILY", "AGE", "SEX", "OKLAD"});
    Show(&ds);
    struct Case {
        int frozen;
        std::vector<int> hidden;
        int fixed;
    };
    const Case cases[] = {
        {0, {}, 1},     {2, {}, 3}, {2, {1}, 4}, // a hidden column inside the range widens it
        {1, {1, 2}, 4},                          // so do hidden columns right after it
        {9, {}, 5},                              // never all the columns
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frozen);
        grid->BeginLayout();
        for (int i = 0; i < 5; ++i)
            Column(i)->SetVisible(std::find(c.hidden.begin(), c.hidden.end(), i) == c.hidden.end());
        grid->SetFrozenCols(c.frozen);
        grid->EndLayout();
        EXPECT_EQ(grid->GetFixedCols(), c.fixed);
        for (int i : c.hidden)
            EXPECT_EQ(grid->GetColWidths(1 + i), -1); // with column lines its line goes too
    }
    grid->SetFrozenCols(-1);
    EXPECT_EQ(grid->GetFrozenCols(), 9);
    Column(0)->SetVisible(false);
    grid->SetOptions(grid->GetOptions() - TDBGridOptions{dgColLines});
    EXPECT_EQ(grid->GetColWidths(1), 0);
}

TEST_F(GridTest, ColumnMovesSkipHiddenColumnsAndStopAtTheEdges) {
    TMemDataSet ds(nullptr);
    FillStaff(&ds);
    AddColumns({"TAB", "FAMILY", "AGE", "SEX"});
    Column(1)->SetVisible(false);
    Show(&ds);
    int entered = 0, left = 0;
    grid->OnColEnter = [&](TObject*) { ++entered; };
    grid->OnColExit = [&](TObject*) { ++left; };
    grid->SelectColumnByIndex(1, 0, false);
    ASSERT_EQ(grid->GetSelectedIndex(), 0);
    grid->SelectColumnByIndex(2, 1, false);
    EXPECT_EQ(grid->GetSelectedIndex(), 2);
    grid->SelectColumnByIndex(2, -1, false);
    EXPECT_EQ(grid->GetSelectedIndex(), 0);
    EXPECT_EQ(entered, 2);
    EXPECT_EQ(left, 2);
    // beyond the last one nothing changes
    grid->SelectColumnByIndex(4, 1, false);
    grid->SelectColumnByIndex(5, 1, false);
    EXPECT_EQ(grid->GetSelectedIndex(), 3);
    // a handler that moves the column itself has the last word
    grid->OnColExit = [&](TObject*) { grid->SetSelectedIndex(2); };
    grid->SelectColumnByIndex(1, 0, false);
    EXPECT_EQ(grid->GetSelectedIndex(), 2);
}

TEST_F(GridTest, TheVerticalScrollBarShowsRecordNumbersOrThreePositions) {
    TMemDataSet ds(nullptr);
    FillNumbers(&ds, 50);
    Show(&ds);
    HWND h = grid->GetHandle();
    auto bar = [this] { return VertScrollBar(grid); };
    const int page = grid->VisibleDataRowCount();
    EXPECT_EQ(bar(), (std::vector<int>{1, 50 + page - 1, page, 1}));
    ds.MoveBy(9);
    EXPECT_EQ(bar()[3], 10);
    // the thumb dropped at a record number goes there
    grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 30), 0);
    EXPECT_EQ(ds.RecNo(), 30);
    grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    EXPECT_TRUE(ds.Eof());

    // without record numbers: top, middle or bottom
    ds.SetSequenced(false);
    struct Case {
        std::function<void()> move;
        int pos;
    };
    for (const Case& c : {Case{[&] { ds.First(); }, 0}, Case{[&] { ds.MoveBy(5); }, 2},
                          Case{[&] { ds.Last(); }, 4}}) {
        c.move();
        EXPECT_EQ(bar(), (std::vector<int>{0, 4, 0, c.pos}));
    }
    grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    EXPECT_TRUE(ds.Bof());
    grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 3), 0);
    EXPECT_EQ(ds.FieldByName("V")->GetAsInteger(), 1 + page);
    // fitting the columns leaves the grid no scroll bar of the base grid's, but its own stays
    grid->SetAutoFitColWidths(true);
    EXPECT_TRUE(ScrollBarVisible(h, SB_VERT));
    EXPECT_FALSE(ScrollBarVisible(h, SB_HORZ));
    // switched off, the bar goes
    grid->GetVertScrollBar()->SetVisible(false);
    EXPECT_FALSE(ScrollBarVisible(h, SB_VERT));
}

} // namespace
