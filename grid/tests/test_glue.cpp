// The grid's glue: what the standard edit actions may do by selection and permissions, the
// position kept around bulk work, the auto-scroll steps of a drag beyond the data cells, and
// the sort-marking notification that waits for Ctrl.
#include "GridTestSupport.h"

#include "ActnList.h"
#include "Clipbrd.h"
#include "Dialogs.h"
#include "StdActns.h"

namespace {

// A grid whose mouse state a test can set, as a drag would.
class TDragGrid : public TDBGridEh {
    KADRION_CLASS(TDragGrid)
    explicit TDragGrid(TComponent* AOwner) : TDBGridEh(AOwner) {}
    void Drag(TEhGridState State, TPoint Mouse) {
        ehGridState = State;
        lastMouse = Mouse;
    }
};

class GlueTest : public SelectionFixture {};

TEST_F(GlueTest, EditActionsFollowTheSelectionAndThePermissions) {
    struct Case {
        const char* what;
        std::function<void()> select;
        TDBGridEhAllowedOperations allowed;
        bool del;
    };
    const std::vector<Case> cases = {
        {"nothing selected", [] {}, AllDBGridEhOperations, false},
        {"records", [&] { Mark(3); }, AllDBGridEhOperations, true},
        {"records without delete", [&] { Mark(3); }, {alopUpdateEh}, false},
        {"everything without delete", [&] { Sel()->SelectAll(); }, {alopUpdateEh}, false},
        {"a rectangle", [&] { Rect(1, 2, 2, 5); }, {alopUpdateEh}, true},
        {"a rectangle without update", [&] { Rect(1, 2, 2, 5); }, {alopDeleteEh}, false},
        {"columns", [&] { Sel()->GetColumns()->Select(Column(1), false); }, {alopUpdateEh}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Sel()->Clear();
        c.select();
        grid->SetAllowedOperations(c.allowed);
        EXPECT_EQ(grid->CanDelete(), c.del);
        EXPECT_EQ(grid->CanCopy(), Sel()->GetSelectionType() != gskNone);
        EXPECT_EQ(grid->CanCut(), grid->CanCopy() && c.del);
    }
    grid->SetAllowedOperations(AllDBGridEhOperations);
    grid->SetReadOnly(true);
    EXPECT_FALSE(grid->CanDelete());
    grid->SetReadOnly(false);

    // pasting needs text on the clipboard and leave to update, except into a new record
    Clipboard()->SetAsText("00031\t31");
    EXPECT_TRUE(grid->CanPaste());
    grid->SetAllowedOperations({alopInsertEh});
    EXPECT_FALSE(grid->CanPaste());
    ds.Insert();
    EXPECT_TRUE(grid->CanPaste());
    ds.Cancel();
    Clipboard()->Clear();
    EXPECT_FALSE(grid->CanPaste());
    EXPECT_TRUE(grid->CanSelectAll());
}

TEST_F(GlueTest, TheFocusedGridTakesOnlyTheEditActionsItIsGiven) {
    grid->SetFocus();
    QApplication::processEvents();
    auto* selectAll = new TEditSelectAll(form);
    auto* del = new TEditDelete(form);
    // without EditActions the grid leaves them to others (nobody here: they disable)
    selectAll->Update();
    EXPECT_FALSE(selectAll->GetEnabled());
    EXPECT_FALSE(selectAll->Execute());

    grid->SetEditActions(TDBGridEhEditActions{geaSelectAllEh, geaDeleteEh});
    selectAll->Update();
    EXPECT_TRUE(selectAll->GetEnabled());
    EXPECT_TRUE(selectAll->Execute());
    EXPECT_EQ(Sel()->GetSelectionType(), gskAll);
    // deleting takes the selection, asking first
    TScriptedInteraction dialogs;
    TUserInteractionSwap swap(&dialogs);
    Sel()->Clear();
    del->Update();
    EXPECT_FALSE(del->GetEnabled()) << "nothing selected";
    Mark(4);
    Mark(6);
    del->Update();
    EXPECT_TRUE(del->GetEnabled());
    dialogs.Answer(mrOk);
    EXPECT_TRUE(del->Execute());
    EXPECT_EQ(dialogs.Last().Text, QStringLiteral("Delete all selected records?"));
    EXPECT_EQ(ds.RecordCount(), 28);
    EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
}

TEST_F(GlueTest, APositionIsKeptAtItsDistanceFromTheMiddleOfTheRows) {
    const int shown = grid->VisibleDataRowCount();
    ds.SetRecNo(shown + 3); // scrolled: the current record is the last row shown
    const int row = grid->GetRow();
    const int top = ShownValues(grid, "V").first().toInt();
    grid->SavePosition();
    EXPECT_EQ(ds.RecNo(), shown + 3);
    ds.First();
    ds.MoveBy(20);
    grid->RestorePosition();
    EXPECT_EQ(ds.RecNo(), shown + 3);
    EXPECT_EQ(grid->GetRow(), row);
    EXPECT_EQ(ShownValues(grid, "V").first().toInt(), top);
}

TEST(GridGlue, ADragBeyondTheDataCellsScrollsFasterTheFurtherOut) {
    TStaffGrid<TDragGrid> staff;
    staff.Show();
    TDragGrid* g = staff.Grid;
    TMemDataSet& ds = staff.Data;
    for (int i = 0; i < 40; ++i)
        ds.AppendRecord({QString::asprintf("%05d", 100 + i), "Н", 30, "Ч", 100.0});
    ds.First();
    const TRect b = g->DataRect();
    struct Case {
        int below; // pixels below the data cells (the last row inside counts as 0)
        int rows, interval;
    };
    for (Case c : {Case{5, 0, 125}, Case{12, 2, 20}, Case{60, 8, 0}}) {
        SCOPED_TRACE(c.below);
        ds.First();
        g->Drag(ehgsRowSelecting, TPoint{b.Left + 5, b.Bottom + c.below - 1});
        g->AutoScrollStep();
        EXPECT_EQ(ds.RecNo(), 1 + c.rows);
        EXPECT_EQ(g->GetScrollTimerInterval(), c.interval);
    }
    // back inside, the timer stops; so it does when the mode is cancelled
    g->Drag(ehgsRowSelecting, TPoint{b.Left + 5, b.Top + 5});
    g->AutoScrollStep();
    EXPECT_EQ(g->GetScrollTimerInterval(), -1);
    g->Drag(ehgsRowSelecting, TPoint{b.Left + 5, b.Top - 30});
    ds.Last();
    g->AutoScrollStep();
    EXPECT_EQ(g->GetScrollTimerInterval(), 0);
    g->Perform(WM_CANCELMODE, 0, 0);
    EXPECT_EQ(g->GetScrollTimerInterval(), -1);
    EXPECT_EQ(g->GetEhGridState(), ehgsNormal);
}

TEST(GridGlue, ACtrlSortingIsToldOnceWhenCtrlComesUp) {
    TStaffGrid<TDBGridEh> staff;
    TDBGridEh* g = staff.Grid;
    g->SetOptionsEh(g->GetOptionsEh() + TDBGridEhOptions{dghAutoSortMarking});
    int told = 0;
    g->OnSortMarkingChanged = [&](TObject*) { ++told; };
    g->SetSortMarkingPending(true);
    WORD key = VK_SHIFT;
    g->KeyUp(key, {});
    EXPECT_EQ(told, 0);
    key = VK_CONTROL;
    g->KeyUp(key, {});
    EXPECT_EQ(told, 1);
    key = VK_CONTROL;
    g->KeyUp(key, {});
    EXPECT_EQ(told, 1);
    EXPECT_FALSE(g->GetSortMarkingPending());
}

} // namespace
