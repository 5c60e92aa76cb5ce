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

} // namespace
