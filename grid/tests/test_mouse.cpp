// The grid's mouse: title buttons that toggle the sort markers (Ctrl for several, told once when
// Ctrl comes up), a title press that becomes a column move, clicks that choose the record and
// the column or open the editor, rows marked by dragging in the indicator, the footers that take
// no click, the top-left cell that marks every record, and the wheel.
#include "GridTestSupport.h"
#include "UiTestSupport.h"

namespace {

class MouseTest : public StaffColumnsTest {
protected:
    void SetUp() override {
        StaffColumnsTest::SetUp();
        grid->SetFocus();
        QApplication::processEvents();
    }
    // Real Qt mouse input at a client point, with the buttons held after it.
    void Mouse(QEvent::Type T, TPoint P, Qt::MouseButton B = Qt::LeftButton,
               Qt::KeyboardModifiers M = {}) {
        QWidget* w = grid->GetHandle();
        const QPoint p = WidgetPoint(grid, P.X, P.Y);
        Qt::MouseButtons held = T == QEvent::MouseButtonRelease ? Qt::MouseButtons() : B;
        QMouseEvent e(T, QPointF(p), QPointF(w->mapToGlobal(p)),
                      T == QEvent::MouseMove ? Qt::NoButton : B, held, M);
        QCoreApplication::sendEvent(w, &e);
    }
    void Press(TPoint P, Qt::KeyboardModifiers M = {}, Qt::MouseButton B = Qt::LeftButton) {
        Mouse(QEvent::MouseButtonPress, P, B, M);
    }
    void Release(TPoint P, Qt::KeyboardModifiers M = {}, Qt::MouseButton B = Qt::LeftButton) {
        Mouse(QEvent::MouseButtonRelease, P, B, M);
    }
    void ClickAt(TPoint P, Qt::KeyboardModifiers M = {}) {
        Press(P, M);
        Release(P, M);
    }
    // The middle of a raw cell.
    TPoint At(int ACol, int ARow) {
        const TRect r = grid->CellRect(ACol, ARow);
        return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }
    TSortMarkerEh Marker(int DataCol) { return Column(DataCol)->GetTitle()->GetSortMarker(); }
    QString Tab() { return ds.FieldByName("TAB")->GetAsString(); }
    bool EditorShown() {
        return grid->GetInplaceEditor() && grid->GetInplaceEditor()->GetVisible();
    }
};

TEST_F(MouseTest, TitleClicksToggleSortMarkersAndCtrlWaitsForItsRelease) {
    grid->SetOptionsEh(grid->GetOptionsEh() +
                       TDBGridEhOptions{dghAutoSortMarking, dghMultiSortMarking});
    for (int i = 0; i < 4; ++i)
        Column(i)->GetTitle()->SetTitleButton(true);
    int told = 0, clicked = 0;
    grid->OnSortMarkingChanged = [&](TObject*) { ++told; };
    grid->OnTitleBtnClick = [&](TObject*, int ACol, TColumnEh* C) {
        EXPECT_EQ(C, Column(ACol));
        ++clicked;
    };

    ClickAt(At(2, 0)); // FAMILY
    EXPECT_EQ(Marker(1), smDownEh);
    EXPECT_EQ(told, 1);
    ClickAt(At(2, 0));
    EXPECT_EQ(Marker(1), smUpEh);
    EXPECT_EQ(told, 2);

    // with Ctrl the markers add up and the news waits for Ctrl to come up
    ClickAt(At(3, 0), Qt::ControlModifier); // AGE
    ClickAt(At(1, 0), Qt::ControlModifier); // TAB
    EXPECT_EQ(Marker(1), smUpEh);
    EXPECT_EQ(Marker(2), smDownEh);
    EXPECT_EQ(Marker(0), smDownEh);
    EXPECT_EQ(told, 2);
    WORD ctrl = VK_CONTROL;
    grid->KeyUp(ctrl, {});
    EXPECT_EQ(told, 3);
    EXPECT_EQ(clicked, 4);

    // a press released over another title, or below the titles, is no click
    Press(At(2, 0));
    Release(At(3, 0));
    Press(At(2, 0));
    Release(At(2, 2));
    EXPECT_EQ(clicked, 4);
    EXPECT_EQ(told, 3);
    EXPECT_EQ(Marker(1), smUpEh);
    EXPECT_FALSE(grid->GetTitlePressed());
}

TEST_F(MouseTest, AHeldTitleMovedMoreThanThreePixelsMovesTheColumn) {
    Column(1)->GetTitle()->SetTitleButton(true);
    struct Case {
        int dx;
        bool moving;
    };
    for (const Case c : {Case{3, false}, Case{4, true}}) {
        SCOPED_TRACE(c.dx);
        const TPoint p = At(2, 0);
        Press(p);
        EXPECT_TRUE(grid->GetTitlePressed());
        Mouse(QEvent::MouseMove, TPoint{p.X + c.dx, p.Y});
        EXPECT_EQ(grid->GetTitlePressed(), !c.moving);
        EXPECT_EQ(grid->GetGridState() == gsColMoving, c.moving);
        Release(TPoint{p.X + c.dx, p.Y});
    }
    // the column went nowhere: it was dropped where it was taken
    EXPECT_EQ(ColumnNames(grid), (QStringList{"TAB", "FAMILY", "AGE", "SEX"}));
}

TEST_F(MouseTest, ClicksChooseTheCellAndASecondClickOpensTheEditor) {
    int cellClicks = 0;
    grid->OnCellClick = [&](TColumnEh*) { ++cellClicks; };
    ClickAt(At(2, 3)); // FAMILY of the third record
    EXPECT_EQ(Tab(), "00003");
    EXPECT_EQ(grid->GetSelectedIndex(), 1);
    EXPECT_FALSE(EditorShown());
    ClickAt(At(2, 3));
    EXPECT_TRUE(EditorShown());
    EXPECT_EQ(cellClicks, 1); // the second release lies in the editor
    ClickAt(At(3, 1));
    EXPECT_EQ(Tab(), "00001");
    EXPECT_EQ(grid->GetSelectedIndex(), 2);
    EXPECT_FALSE(EditorShown());

    // the footer rows take no click
    grid->SetFooterRowCount(1);
    QApplication::processEvents();
    const int footer = grid->GetRowCount() - 1;
    ClickAt(At(4, footer));
    EXPECT_EQ(Tab(), "00001");
    EXPECT_EQ(grid->GetSelectedIndex(), 2);

    // the wheel moves the record
    grid->DoMouseWheelDown({}, TPoint{});
    grid->DoMouseWheelDown({}, TPoint{});
    EXPECT_EQ(Tab(), "00003");
    grid->DoMouseWheelUp({}, TPoint{});
    EXPECT_EQ(Tab(), "00002");
}

TEST_F(MouseTest, DraggingInTheIndicatorMarksRowsAndTheCornerMarksAll) {
    grid->SetOptions(grid->GetOptions() + TDBGridOptions{dgMultiSelect});
    Press(At(0, 2));
    Mouse(QEvent::MouseMove, At(0, 3));
    Mouse(QEvent::MouseMove, At(0, 4));
    Release(At(0, 4));
    EXPECT_EQ(MarkedValues(grid, "TAB"), (QStringList{"00002", "00003", "00004"}));
    EXPECT_EQ(grid->GetEhGridState(), ehgsNormal);

    // Ctrl+click adds a record, a plain click starts over
    ClickAt(At(0, 1), Qt::ControlModifier);
    EXPECT_EQ(MarkedValues(grid, "TAB"), (QStringList{"00001", "00002", "00003", "00004"}));
    ClickAt(At(0, 5));
    EXPECT_EQ(MarkedValues(grid, "TAB"), QStringList{"00005"});

    // the top-left cell clears a selection, marks everything when there is none
    ClickAt(At(0, 0));
    EXPECT_EQ(grid->GetSelection()->GetSelectionType(), gskNone);
    EXPECT_TRUE(MarkedValues(grid, "TAB").isEmpty());
    ClickAt(At(0, 0));
    EXPECT_EQ(grid->GetSelection()->GetSelectionType(), gskAll);
    ClickAt(At(0, 0));
    EXPECT_EQ(grid->GetSelection()->GetSelectionType(), gskNone);
}

} // namespace
