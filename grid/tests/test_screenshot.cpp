// The layout as it lands on screen, checked from where a probe painter put the title cells,
// the records and the footer row (grid/x11 shows the same window on a real X server).
#include "GridProbe.h"
#include "GridTestSupport.h"

namespace {

TEST(GridScreen, TitlesRecordsAndFootersLandWhereTheLayoutPutsThem) {
    TStaffForm* f = CreateNewForm<TStaffForm>(nullptr);
    f->Show();
    QApplication::processEvents();
    TProbeGrid* g = f->Grid;
    g->Repaint();

    // the shared upper cell spans its two columns and their line
    ASSERT_TRUE(g->Painted.count("Підстава"));
    const TRect no = g->CellRect(4, 0), date = g->CellRect(5, 0);
    const TRect upper = g->Painted["Підстава"];
    EXPECT_EQ(upper.Left, no.Left);
    EXPECT_EQ(upper.Right, date.Right);
    EXPECT_EQ(g->Painted["№"].Top, upper.Bottom + 1);
    EXPECT_EQ(g->Painted["Прізвище"].Top, no.Top); // a one-part caption fills both lines
    // the footer row ends at the bottom of the client area
    const TRect footer = g->CellRect(1, g->GetRowCount() - 1);
    EXPECT_EQ(footer.Bottom + 1, g->GetClientHeight());
    // the records fill the rows above the filler
    EXPECT_EQ(g->GetDataLink()->GetRecordCount(), g->VisibleDataRowCount());
    EXPECT_LT(g->VisibleDataRowCount(), 12);
    delete f;
}

} // namespace
