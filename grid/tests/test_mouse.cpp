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

// Sizing a column from its title border: a frozen column too (a 7-pixel grab zone on a
// 1-pixel line), with the dotted line until the release, or live with dghTraceColSizing.
TEST_F(MouseTest, TitleBordersSizeFrozenAndScrollingColumnsLiveOrOnRelease) {
    grid->SetFrozenCols(1);
    QApplication::processEvents();
    struct Case {
        const char* what;
        int rawCol;
        int grab; // where the press lands, from the border
        bool trace;
    };
    const Case cases[] = {
        {"frozen, line", 1, 3, false},
        {"frozen, live", 1, -2, true},
        {"scrolling, line", 2, 1, false},
        {"scrolling, live", 2, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.trace)
            grid->SetOptionsEh(grid->GetOptionsEh() + TDBGridEhOptions{dghTraceColSizing});
        else
            grid->SetOptionsEh(grid->GetOptionsEh() - TDBGridEhOptions{dghTraceColSizing});
        TColumnEh* col = Column(c.rawCol - 1);
        const int before = col->GetWidth();
        const int border = grid->CellRect(c.rawCol, 0).Right;
        const int y = At(c.rawCol, 0).Y;
        Press(TPoint{border + c.grab, y});
        Mouse(QEvent::MouseMove, TPoint{border + c.grab + 15, y});
        // the column follows the mouse only when tracing
        EXPECT_EQ(col->GetWidth(), c.trace ? before + 15 : before);
        Mouse(QEvent::MouseMove, TPoint{border + c.grab + 25, y});
        Release(TPoint{border + c.grab + 25, y});
        EXPECT_EQ(col->GetWidth(), before + 25);
        EXPECT_EQ(grid->GetEhGridState(), ehgsNormal);
        EXPECT_EQ(grid->GetGridState(), gsNormal);
        // the next column moved along
        EXPECT_EQ(grid->CellRect(c.rawCol + 1, 0).Left, border + 25 + 1);
    }
    // outside the zone a press on the frozen title is no sizing
    const int border = grid->CellRect(1, 0).Right;
    Press(TPoint{border - 6, At(1, 0).Y});
    EXPECT_NE(grid->GetEhGridState(), ehgsFrozenColSizing);
    Release(TPoint{border - 6, At(1, 0).Y});
}

// The cursor shapes the mouse takes over the grid, with and without multi-select.
TEST_F(MouseTest, TheCursorShowsWhatAPressWouldDo) {
    auto shown = [&](TPoint P) {
        Mouse(QEvent::MouseMove, P, Qt::NoButton);
        QWidget* w = grid->GetHandle();
        if (!w->testAttribute(Qt::WA_SetCursor)) return crDefault;
        for (TCursor c : {crHSplit, crVSplit, crDownCurEh, crRightCurEh})
            if (w->cursor() == Screen->GetCursors(c)) return c;
        return crArrow;
    };
    grid->SetFrozenCols(1);
    grid->SetRowSizingAllowed(true);
    QApplication::processEvents();
    const TRect title = grid->CellRect(2, 0);
    const TRect frozen = grid->CellRect(1, 0);
    const int midX = (title.Left + title.Right) / 2;
    struct Case {
        const char* where;
        TPoint at;
        TCursor single, multi;
    };
    const TRect indicator = grid->CellRect(0, 2);
    const Case cases[] = {
        {"a scrolling title border", TPoint{title.Right + 1, title.Top + 3}, crHSplit, crHSplit},
        {"a frozen title border", TPoint{frozen.Right - 2, frozen.Top + 3}, crHSplit, crHSplit},
        {"the lower edge of a title", TPoint{midX, title.Bottom - 3}, crDefault, crDownCurEh},
        {"the upper part of a title", TPoint{midX, title.Top + 2}, crDefault, crDefault},
        {"the indicator of a record", At(0, 2), crDefault, crRightCurEh},
        {"a row border in the indicator", TPoint{4, indicator.Bottom + 1}, crVSplit, crVSplit},
        {"a row border in the data", TPoint{midX, indicator.Bottom + 1}, crDefault, crDefault},
        {"a data cell", At(2, 3), crDefault, crDefault},
    };
    for (bool multi : {false, true}) {
        if (multi) grid->SetOptions(grid->GetOptions() + TDBGridOptions{dgMultiSelect});
        for (const Case& c : cases) {
            SCOPED_TRACE(c.where);
            EXPECT_EQ(shown(c.at), multi ? c.multi : c.single) << "multi " << multi;
        }
    }
}

// Dragging across the lower edges of the titles selects columns; Ctrl adds one, Shift extends.
TEST_F(MouseTest, DraggingAcrossTitlesSelectsColumns) {
    grid->SetOptions(grid->GetOptions() + TDBGridOptions{dgMultiSelect});
    auto zone = [&](int ACol) {
        const TRect r = grid->CellRect(ACol, 0);
        return TPoint{(r.Left + r.Right) / 2, r.Bottom - 2};
    };
    auto selected = [&] {
        QStringList r;
        TDBGridEhSelectionCols* cols = grid->GetSelection()->GetColumns();
        for (int i = 0; i < cols->Count(); ++i)
            r << cols->GetColumn(i)->GetFieldName();
        r.sort();
        return r;
    };
    Press(zone(1));
    EXPECT_EQ(grid->GetEhGridState(), ehgsColSelecting);
    Mouse(QEvent::MouseMove, zone(2));
    // below the titles only the column under the mouse counts
    Mouse(QEvent::MouseMove, At(3, 3));
    Release(At(3, 3));
    EXPECT_EQ(grid->GetSelection()->GetSelectionType(), gskColumns);
    EXPECT_EQ(selected(), (QStringList{"AGE", "FAMILY", "TAB"}));
    EXPECT_EQ(grid->GetEhGridState(), ehgsNormal);
    EXPECT_EQ(Tab(), "00001"); // the record stays
    // a plain press starts over, Shift extends from it, Ctrl takes one out
    ClickAt(zone(4));
    EXPECT_EQ(selected(), QStringList{"SEX"});
    ClickAt(zone(2), Qt::ShiftModifier);
    EXPECT_EQ(selected(), (QStringList{"AGE", "FAMILY", "SEX"}));
    ClickAt(zone(3), Qt::ControlModifier);
    EXPECT_EQ(selected(), (QStringList{"FAMILY", "SEX"}));
    ClickAt(zone(2));
    EXPECT_EQ(selected(), QStringList{"FAMILY"});
    // a press above the zone is a title press, not a selection
    ClickAt(TPoint{zone(3).X, grid->CellRect(3, 0).Top + 2});
    EXPECT_EQ(selected(), QStringList{"FAMILY"});
}

// With an automatic drag mode a press inside the selection waits: a move starts dragging it, a
// release without a move clears it; a press outside selects as usual.
TEST_F(MouseTest, APressInsideTheSelectionStartsADragOnTheMove) {
    grid->SetOptions(grid->GetOptions() + TDBGridOptions{dgMultiSelect});
    grid->SetDragMode(dmAutomatic);
    auto selectRect = [&] {
        Press(At(1, 1));
        Mouse(QEvent::MouseMove, At(2, 2));
        Release(At(2, 2));
        ASSERT_EQ(grid->GetSelection()->GetSelectionType(), gskRectangle);
    };
    selectRect();
    EXPECT_FALSE(grid->Dragging());
    Press(At(1, 2));
    EXPECT_TRUE(grid->GetDragPending());
    EXPECT_EQ(grid->GetSelection()->GetSelectionType(), gskRectangle);
    Mouse(QEvent::MouseMove, At(1, 4));
    EXPECT_FALSE(grid->GetDragPending());
    EXPECT_TRUE(grid->Dragging());
    grid->EndDrag(false);
    Release(At(1, 4));
    EXPECT_EQ(grid->GetSelection()->GetSelectionType(), gskRectangle);

    // no move: the press was a click, which clears the selection
    Press(At(2, 1));
    EXPECT_TRUE(grid->GetDragPending());
    Release(At(2, 1));
    EXPECT_FALSE(grid->GetDragPending());
    EXPECT_FALSE(grid->Dragging());
    EXPECT_EQ(grid->GetSelection()->GetSelectionType(), gskNone);

    // outside the selection a press starts a new one, no drag
    selectRect();
    Press(At(4, 4));
    EXPECT_FALSE(grid->GetDragPending());
    Mouse(QEvent::MouseMove, At(4, 5));
    EXPECT_FALSE(grid->Dragging());
    Release(At(4, 5));
}

// A press handler that fails leaves the grid's update state as the press found it: the press
// inside a selection (which waits for a drag) as well as an ordinary one.
TEST_F(MouseTest, AFailingPressHandlerLeavesTheUpdateStateAsItWas) {
    grid->SetOptions(grid->GetOptions() + TDBGridOptions{dgMultiSelect});
    grid->SetDragMode(dmAutomatic);
    Press(At(1, 1));
    Mouse(QEvent::MouseMove, At(2, 2));
    Release(At(2, 2));
    ASSERT_EQ(grid->GetSelection()->GetSelectionType(), gskRectangle);
    TScriptedInteraction dialogs;
    TUserInteractionSwap swap(&dialogs);
    grid->OnMouseDown = [](TObject*, TMouseButton, TShiftState, int, int) {
        throw Exception(QStringLiteral("refused"));
    };
    grid->BeginUpdate();
    for (const TPoint& p : {At(1, 2), At(4, 4)}) {
        Press(p);
        Release(p);
        EXPECT_EQ(grid->GetUpdateLock(), 1) << p.X << "," << p.Y;
    }
    grid->EndUpdate();
    grid->OnMouseDown = nullptr;
}

} // namespace
