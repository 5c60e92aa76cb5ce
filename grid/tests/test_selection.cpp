// The selection: marked records as bookmarks in dataset order (over inserts and deletes), a
// rectangle of cells, whole columns with shift-extension, everything, and the rules that tie
// the kinds together.
#include "GridTestSupport.h"

namespace {

using SelectionTest = SelectionFixture;

TEST_F(SelectionTest, MarkedRecordsStayInDatasetOrderOverInsertsAndDeletes) {
    for (int n : {17, 3, 25, 9, 3, 1})
        Mark(n);
    EXPECT_EQ(Marked(), (std::vector<int>{1, 3, 9, 17, 25}));
    EXPECT_EQ(Sel()->GetSelectionType(), gskRecordBookmarks);
    ds.SetRecNo(9);
    EXPECT_TRUE(Rows()->GetCurrentRowSelected());
    ds.SetRecNo(10);
    EXPECT_FALSE(Rows()->GetCurrentRowSelected());

    // new records anywhere keep the order and the answers
    ds.SetRecNo(5);
    ds.InsertRecord({"вст-1", 100});
    ds.Last();
    ds.AppendRecord({"дод-1", 101});
    Mark(5); // the inserted one, before the old fifth
    EXPECT_EQ(Marked(), (std::vector<int>{1, 3, 100, 9, 17, 25}));
    int index = -1;
    EXPECT_TRUE(Rows()->Find(At(18), index)); // record 17 moved down to 18
    EXPECT_EQ(index, 4);
    EXPECT_FALSE(Rows()->Find(At(31), index));
    EXPECT_EQ(index, 6); // where it would go

    // an unmarked record deleted elsewhere changes nothing; unmarking takes one out
    ds.SetRecNo(2);
    ds.Delete();
    Mark(2, false); // the third record is now the second
    EXPECT_EQ(Marked(), (std::vector<int>{1, 100, 9, 17, 25}));
    // deleting the marked records deletes exactly those
    int before = ds.RecordCount();
    Rows()->Delete();
    EXPECT_EQ(ds.RecordCount(), before - 5);
    EXPECT_EQ(Rows()->Count(), 0);
    EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
    ds.First();
    EXPECT_EQ(ds.FieldByName("V")->GetAsInteger(), 3);
}

TEST_F(SelectionTest, RepeatedSearchesAnswerFromTheCacheUntilTheListChanges) {
    Mark(4);
    Mark(8);
    int index = 0;
    TBookmark b = At(8);
    EXPECT_TRUE(Rows()->Find(b, index));
    EXPECT_FALSE(Rows()->LastFindCached());
    EXPECT_TRUE(Rows()->Find(b, index));
    EXPECT_TRUE(Rows()->LastFindCached());
    EXPECT_EQ(index, 1);
    Mark(2); // the list changed: the cached place would now be wrong
    EXPECT_TRUE(Rows()->Find(b, index));
    EXPECT_FALSE(Rows()->LastFindCached());
    EXPECT_EQ(index, 2);
    // marking a marked record changes nothing
    Mark(8);
    EXPECT_EQ(Rows()->Count(), 3);
}

TEST_F(SelectionTest, ARectangleSpansItsCornersInAnyDirection) {
    TDBGridEhSelectionRect* rect = Sel()->GetRect();
    rect->Select(4, At(9), false);
    rect->Select(1, At(3), true); // dragged up and to the left
    EXPECT_EQ(Sel()->GetSelectionType(), gskRectangle);
    EXPECT_EQ(rect->GetLeftCol(), 1);
    EXPECT_EQ(rect->GetRightCol(), 4);
    EXPECT_EQ(rect->GetTopRow(), At(3));
    EXPECT_EQ(rect->GetBottomRow(), At(9));
    struct Case {
        int col, rec;
        bool in;
    };
    for (Case c : {Case{1, 3, true}, Case{4, 9, true}, Case{2, 6, true}, Case{0, 6, false},
                   Case{5, 6, false}, Case{2, 2, false}, Case{2, 10, false}}) {
        TBookmark b = At(c.rec);
        EXPECT_EQ(rect->DataCellSelected(c.col, b), c.in) << c.col << "," << c.rec;
        EXPECT_EQ(Sel()->DataCellSelected(c.col, b), c.in);
        EXPECT_FALSE(Sel()->DataCellSelected(-1, b));
    }
    // its box on screen: the cells it covers among the rows shown
    ds.First();
    TRect box = rect->CellBox(1, At(3), 4, At(9));
    ds.First();
    EXPECT_EQ(box, grid->BoxRect(2, 3, 5, 9));
    // back at its start cell it is no selection
    rect->Select(4, At(9), true);
    rect->Select(4, At(9), false);
    EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
}

TEST_F(SelectionTest, ShiftExtendedColumnsTakeBackOnlyWhatTheyAdded) {
    TDBGridEhSelectionCols* cols = Sel()->GetColumns();
    Column(3)->SetVisible(false);
    auto selected = [&] {
        std::vector<int> r;
        for (int i = 0; i < cols->Count(); ++i)
            r.push_back(cols->GetColumn(i)->GetIndex());
        return r;
    };
    cols->Select(Column(1), false);
    cols->InvertSelect(Column(5)); // a column of its own, outside the extension
    cols->Select(Column(1), true);
    struct Step {
        int to;
        std::vector<int> result;
    };
    // from the anchor 1 to the right (3 is hidden and never added), back across the anchor
    for (Step s :
         {Step{4, {1, 2, 4, 5}}, Step{2, {1, 2, 5}}, Step{0, {0, 1, 5}}, Step{1, {1, 5}}}) {
        cols->SelectShift(Column(s.to));
        EXPECT_EQ(selected(), s.result) << s.to;
    }
    EXPECT_EQ(Sel()->GetSelectionType(), gskColumns);
    EXPECT_TRUE(Sel()->DataCellSelected(5, At(1)));
    EXPECT_FALSE(Sel()->DataCellSelected(2, At(1)));
    // a column leaving the grid leaves the selection
    delete Column(5);
    EXPECT_EQ(selected(), (std::vector<int>{1}));
    cols->InvertSelect(Column(1));
    EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
}

TEST_F(SelectionTest, OneKindAtATime) {
    Sel()->SelectAll();
    EXPECT_EQ(Sel()->GetSelectionType(), gskAll);
    EXPECT_TRUE(Sel()->DataCellSelected(0, At(30)));
    // marking a record then gives a record selection of that record only
    Mark(7);
    EXPECT_EQ(Sel()->GetSelectionType(), gskRecordBookmarks);
    EXPECT_EQ(Marked(), std::vector<int>{7});
    EXPECT_TRUE(Sel()->DataCellSelected(3, At(7)));
    EXPECT_FALSE(Sel()->DataCellSelected(3, At(8)));
    // a rectangle replaces the marks
    Sel()->GetRect()->Select(0, At(2), false);
    Sel()->GetRect()->Select(1, At(2), true);
    EXPECT_EQ(Sel()->GetSelectionType(), gskRectangle);
    EXPECT_EQ(Rows()->Count(), 0);
    // columns replace the rectangle
    Sel()->GetColumns()->Select(Column(2), false);
    EXPECT_EQ(Sel()->GetSelectionType(), gskColumns);
    EXPECT_FALSE(Sel()->DataCellSelected(0, At(2)));
    // unmarking the last record ends a record selection
    Mark(5);
    Mark(5, false);
    EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
    // dgMultiSelect switched off clears whatever there is
    Mark(5);
    grid->SetOptions(grid->GetOptions() - TDBGridOptions{dgMultiSelect});
    EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
    EXPECT_EQ(Rows()->Count(), 0);
    // closing the dataset clears the selection; asking for the current row then is an error
    Mark(5);
    ds.Close();
    EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
    EXPECT_EQ(Rows()->Count(), 0);
    EXPECT_THROW(Rows()->CurrentRow(), EInvalidGridOperation);
    try {
        Sel()->GetRect()->GetBottomRow();
        FAIL() << "no error";
    } catch (const EInvalidGridOperation& e) {
        EXPECT_EQ(e.Message, "Error in TDBGridEhSelectionRect.GetBottomRow");
    }
    try {
        Sel()->GetRect()->DataCellSelected(0, TBookmark());
        FAIL() << "no error";
    } catch (const EInvalidGridOperation& e) {
        EXPECT_EQ(e.Message, "Error in function TDBGridEhSelectionRect.CellSelected");
    }
    try {
        Rows()->CurrentRow();
    } catch (const EInvalidGridOperation& e) {
        EXPECT_EQ(e.Message, "Cannot perform this operation on a closed dataset");
    }
}

TEST_F(SelectionTest, TheEditorNeverShowsWithASelection) {
    grid->SetOptions(grid->GetOptions() + TDBGridOptions{dgAlwaysShowEditor});
    grid->SetFocus();
    QApplication::processEvents();
    ASSERT_TRUE(grid->GetEditorMode());
    Mark(3);
    EXPECT_FALSE(grid->GetEditorMode());
    Sel()->Clear();
    EXPECT_TRUE(grid->GetEditorMode());
}

} // namespace
