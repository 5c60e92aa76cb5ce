// Column titles: captions and their defaults, sort markers in single and multiple marking with
// their indexes and the grid's ordered list, the notification, loading, the room kept for the
// marker; the multi-level title tree built from captions split at "|".
#include "GridTestSupport.h"

namespace {

class TitleTest : public StaffColumnsTest {
protected:
    TColumnTitleEh* T(int I) { return Column(I)->GetTitle(); }
    // "index:marker" of every column, and the list of sort-marked columns by field name.
    QString Marks() {
        QStringList r;
        for (int i = 0; i < grid->GetColumns()->Count(); ++i)
            r << QString("%1%2").arg(T(i)->GetSortIndex()).arg("-vu"[T(i)->GetSortMarker()]);
        return r.join(' ');
    }
    QStringList Marked() {
        QStringList r;
        for (int i = 0; i < grid->GetSortMarkedColumns()->Count(); ++i)
            r << grid->GetSortMarkedColumns()->GetColumn(i)->GetFieldName();
        return r;
    }
};

TEST_F(TitleTest, SingleMarkingKeepsOneMarkedColumn) {
    T(0)->SetSortMarker(smDownEh);
    EXPECT_EQ(Marks(), "1v 0- 0- 0-");
    T(1)->SetSortMarker(smUpEh);
    EXPECT_EQ(Marks(), "0- 1u 0- 0-");
    EXPECT_EQ(Marked(), QStringList({"FAMILY"}));
    T(1)->SetSortMarker(smDownEh);
    EXPECT_EQ(Marked(), QStringList({"FAMILY"}));
    T(1)->SetSortMarker(smNoneEh);
    EXPECT_EQ(Marks(), "0- 0- 0- 0-");
    EXPECT_TRUE(Marked().isEmpty());
}

TEST_F(TitleTest, MultipleMarkingNumbersTheColumnsInSortOrder) {
    grid->SetOptionsEh(grid->GetOptionsEh() + TDBGridEhOptions{dghMultiSortMarking});
    T(0)->SetSortMarker(smDownEh);
    T(2)->SetSortMarker(smUpEh);
    T(1)->SetSortMarker(smDownEh);
    EXPECT_EQ(Marks(), "1v 3v 2u 0-");
    EXPECT_EQ(Marked(), QStringList({"TAB", "AGE", "FAMILY"}));
    T(2)->SetSortMarker(smDownEh); // down to up and back keeps the place
    EXPECT_EQ(Marks(), "1v 3v 2v 0-");
    T(2)->SetSortMarker(smNoneEh);
    EXPECT_EQ(Marks(), "1v 2v 0- 0-");
    EXPECT_EQ(Marked(), QStringList({"TAB", "FAMILY"}));

    // a sort index exchanges places with the column that has it
    T(1)->SetSortIndex(1);
    EXPECT_EQ(Marks(), "2v 1v 0- 0-");
    EXPECT_EQ(Marked(), QStringList({"FAMILY", "TAB"}));
    T(1)->SetSortIndex(7); // no column has 7
    T(3)->SetSortIndex(1); // not marked
    EXPECT_EQ(Marks(), "2v 1v 0- 0-");

    // a column leaving the grid leaves the sort order as if unmarked
    T(3)->SetSortMarker(smUpEh);
    delete Column(1);
    EXPECT_EQ(Marks(), "1v 0- 2u");
    EXPECT_EQ(Marked(), QStringList({"TAB", "SEX"}));

    // back to single marking keeps the first of the list only
    grid->SetOptionsEh(grid->GetOptionsEh() - TDBGridEhOptions{dghMultiSortMarking});
    EXPECT_EQ(Marks(), "1v 0- 0-");
    EXPECT_EQ(Marked(), QStringList({"TAB"}));
}

TEST_F(TitleTest, TogglingTheMarkerAsATitleClickDoes) {
    grid->SetOptionsEh(grid->GetOptionsEh() + TDBGridEhOptions{dghMultiSortMarking});
    struct Case {
        TSortMarkerEh from;
        bool keepOthers;
        TSortMarkerEh to;
        bool othersStay;
    };
    const Case cases[] = {
        {smNoneEh, false, smDownEh, false}, {smDownEh, false, smUpEh, false},
        {smUpEh, false, smDownEh, false},   {smNoneEh, true, smDownEh, true},
        {smDownEh, true, smUpEh, true},     {smUpEh, true, smNoneEh, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " " << c.keepOthers);
        for (int i = 0; i < 4; ++i)
            T(i)->SetSortMarker(smNoneEh);
        T(0)->SetSortMarker(smDownEh);
        T(2)->SetSortMarker(c.from);
        T(2)->ToggleSortMarker(c.keepOthers);
        EXPECT_EQ(T(2)->GetSortMarker(), c.to);
        EXPECT_EQ(T(0)->GetSortMarker() != smNoneEh, c.othersStay);
    }
}

TEST_F(TitleTest, TheRoomKeptForTheMarkerShrinksWithTheColumn) {
    grid->SetOptionsEh(grid->GetOptionsEh() + TDBGridEhOptions{dghMultiSortMarking});
    EXPECT_EQ(T(0)->GetSortMarkingWidth(), 0);
    T(0)->SetSortMarker(smDownEh);
    struct Case {
        int width, room;
    };
    for (Case c : {Case{100, 16}, Case{20, 16}, Case{19, 2}, Case{6, 2}, Case{5, 0}}) {
        Column(0)->SetWidth(c.width);
        EXPECT_EQ(T(0)->GetSortMarkingWidth(), c.room) << c.width;
    }
    // with two marked columns the number is drawn beside the marker
    T(1)->SetSortMarker(smDownEh);
    Column(1)->SetWidth(100);
    const int number = T(1)->GetSortMarkingWidth() - 16;
    EXPECT_GT(number, 0);
    EXPECT_LT(number, 16);
}

TEST_F(TitleTest, CaptionsFollowTheFieldUntilSet) {
    EXPECT_EQ(T(1)->GetCaption(), "FAMILY");
    ds.FieldByName("FAMILY")->SetDisplayLabel("Прізвище");
    EXPECT_EQ(T(1)->GetCaption(), "Прізвище");
    EXPECT_FALSE(T(1)->IsCaptionStored());
    T(1)->SetCaption("Прізвище");
    EXPECT_FALSE(T(1)->IsCaptionStored()); // equal to the default
    T(1)->SetCaption("Підстава|№");
    EXPECT_EQ(T(1)->GetCaption(), "Підстава|№");
    EXPECT_TRUE(T(1)->IsCaptionStored());
    // the title font follows the grid's until set
    grid->GetTitleFont()->SetSize(14);
    EXPECT_EQ(T(1)->GetFont()->GetSize(), 14);
    TFont bold;
    bold.Assign(grid->GetTitleFont());
    bold.SetStyle(TFontStyles{fsBold});
    T(1)->SetFont(&bold);
    grid->GetTitleFont()->SetSize(9);
    EXPECT_EQ(T(1)->GetFont()->GetSize(), 14);
    EXPECT_EQ(T(2)->GetFont()->GetSize(), 9);
    T(1)->RestoreDefaults();
    EXPECT_EQ(T(1)->GetFont()->GetSize(), 9);
    EXPECT_EQ(T(1)->GetCaption(), "Прізвище");
}

// A grid as the application's window builds it: markers and indexes as stored, set while
// the window loads.
class TSortedForm : public TForm {
    KADRION_CLASS(TSortedForm)
    TSortedForm(TComponent* AOwner, bool AutoSort) : TForm(AOwner) {
        BeginLoading();
        Grid = new TDBGridEh(this);
        Grid->SetParent(this);
        TDBGridEhOptions o = Grid->GetOptionsEh() + TDBGridEhOptions{dghMultiSortMarking};
        if (AutoSort) o.Include(dghAutoSortMarking);
        Grid->SetOptionsEh(o);
        Grid->OnSortMarkingChanged = [this](TObject*) { ++Notified; };
        struct Stored {
            TSortMarkerEh marker;
            int index;
        };
        for (Stored s :
             {Stored{smDownEh, 5}, Stored{smNoneEh, 0}, Stored{smUpEh, 2}, Stored{smDownEh, 0}}) {
            TColumnEh* c = Grid->GetColumns()->Add();
            c->GetTitle()->SetSortMarker(s.marker);
            c->GetTitle()->SetSortIndex(s.index);
        }
        // nothing is ordered while loading
        MarkedWhileLoading = Grid->GetSortMarkedColumns()->Count();
        EndLoading();
    }
    TDBGridEh* Grid;
    int Notified = 0;
    int MarkedWhileLoading = -1;
};

TEST(GridTitles, LoadedSortIndexesAreCompactedAndRenumbered) {
    for (bool autoSort : {true, false}) {
        SCOPED_TRACE(autoSort);
        TSortedForm f(nullptr, autoSort);
        EXPECT_EQ(f.MarkedWhileLoading, 0);
        TColumnsEhList* marked = f.Grid->GetSortMarkedColumns();
        TDBGridColumnsEh* cols = f.Grid->GetColumns();
        ASSERT_EQ(marked->Count(), 3);
        EXPECT_EQ(marked->GetColumn(0), cols->GetItems(2));
        EXPECT_EQ(marked->GetColumn(1), cols->GetItems(0));
        EXPECT_EQ(marked->GetColumn(2), cols->GetItems(3));
        EXPECT_EQ(cols->GetItems(2)->GetTitle()->GetSortIndex(), 1);
        EXPECT_EQ(cols->GetItems(0)->GetTitle()->GetSortIndex(), 2);
        EXPECT_EQ(cols->GetItems(3)->GetTitle()->GetSortIndex(), 3);
        EXPECT_EQ(cols->GetItems(1)->GetTitle()->GetSortIndex(), 0);
        // told once, and only with automatic sort marking
        EXPECT_EQ(f.Notified, autoSort ? 1 : 0);
    }
}

// ---- the multi-level title ----------------------------------------------------------------------

// The tree as text: "A(B C)" is A over B and C; top-level nodes separated by blanks.
QString TreeText(THeadTreeNode* First) {
    QStringList parts;
    THeadTreeNode* n = First;
    do {
        QString s = n->Text;
        if (n->Child) s += "(" + TreeText(n->Child) + ")";
        parts << s;
        n = n->Next;
    } while (n != First);
    return parts.join(' ');
}

class MultiTitleTest : public GridTest {
protected:
    void Build(const QStringList& Captions) {
        grid->BeginLayout();
        grid->GetColumns()->Clear();
        for (const QString& c : Captions) {
            TColumnEh* col = grid->GetColumns()->Add();
            col->SetWidth(50);
            col->GetTitle()->SetCaption(c);
        }
        grid->SetUseMultiTitle(true);
        grid->EndLayout();
    }
    QString Tree() { return TreeText(grid->GetTitleTree()->Child); }
};

TEST_F(MultiTitleTest, CaptionsSplitAtBarsBuildTheTitleTree) {
    struct Case {
        QStringList captions;
        QString tree;
    };
    const Case cases[] = {
        {{"A"}, "A"},
        {{"A|B"}, "A(B)"},
        {{"A||B"}, "A(B)"},
        {{"X|1", "X|2", "Y|3"}, "X(1 2) Y(3)"},
        {{"A|B|C"}, "A(B(C))"},
        {{"A|B|C", "A|B|D"}, "A(B(C D))"},
        {{"A|B", "A|C", "D"}, "A(B C) D"},
        {{"A|B", "C", "A|D"}, "A(B) C A(D)"}, // apart, equal parts make separate cells
        {{"A|B", "A"}, "A(B )"},              // a whole caption equal to the part: empty leaf
        {{"A|B|C", "B|C"}, "A(B(C)) B(C)"},   // upper cells that differ stop a run
        {{"Підстава|№", "Підстава|Дата", "Прізвище"}, "Підстава(№ Дата) Прізвище"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.captions.join(',').toStdString());
        Build(c.captions);
        EXPECT_EQ(Tree(), c.tree);
        for (int i = 0; i < c.captions.size(); ++i)
            EXPECT_EQ(grid->GetColumnLeaf(i)->Column, Column(i));
    }
}

TEST_F(MultiTitleTest, UpperCellsSpanTheirColumnsAndLevelsShareTheTitleHeight) {
    Build({"Підстава|№", "Підстава|Дата", "Прізвище"});
    Column(1)->SetWidth(70);
    THeadTreeNode* leafNo = grid->GetColumnLeaf(0);
    THeadTreeNode* upper = leafNo->Host;
    ASSERT_EQ(upper->Text, "Підстава");
    EXPECT_EQ(upper->Width, 50 + 70 + 1); // with the line between them
    EXPECT_EQ(grid->GetColumnLeaf(1)->Host, upper);
    THeadTreeNode* single = grid->GetColumnLeaf(2);
    EXPECT_EQ(single->Host, grid->GetTitleTree());
    // two levels of one text line each; a one-level title fills both
    const int line = TextHeightOf(grid->GetTitleFont()) + grid->GetVTitleMargin();
    EXPECT_EQ(upper->Height, line);
    EXPECT_EQ(leafNo->Height, line);
    EXPECT_EQ(single->Height, 2 * line);
    EXPECT_EQ(grid->GetRowHeights(0), 2 * line - 1); // less the 3D correction
    grid->SetOptionsEh(grid->GetOptionsEh() - TDBGridEhOptions{dghFixed3D});
    EXPECT_EQ(grid->GetRowHeights(0), 2 * line - 3);

    // without column lines the upper cell is just the sum
    grid->SetOptions(grid->GetOptions() - TDBGridOptions{dgColLines});
    EXPECT_EQ(grid->GetColumnLeaf(0)->Host->Width, 120);
    EXPECT_EQ(grid->GetColumnLeaf(0)->VLineWidth, 0);
    // a hidden column keeps its leaf; a sort marker keeps room in it
    grid->SetOptions(grid->GetOptions() + TDBGridOptions{dgColLines});
    Column(0)->SetVisible(false);
    Column(2)->GetTitle()->SetSortMarker(smDownEh);
    EXPECT_EQ(grid->GetColumnLeaf(0)->Width, -1);
    EXPECT_EQ(grid->GetColumnLeaf(0)->Host->Width, -1 + 1 + 70);
    EXPECT_EQ(grid->GetColumnLeaf(2)->WIndent, 16);
    EXPECT_EQ(grid->GetColumnLeaf(1)->WIndent, 0);
    // turned off, the tree is gone
    grid->SetUseMultiTitle(false);
    EXPECT_EQ(grid->GetTitleTree()->Child, nullptr);
    EXPECT_EQ(grid->GetColumnLeaf(0), nullptr);
}

TEST(GridTitles, TreeOperationsCheckTheirNodes) {
    THeadTreeNode root("Root", 0, 10);
    THeadTreeNode other("Other", 0, 10);
    THeadTreeNode* a = root.AddChild(&root, "a", 10, 20);
    THeadTreeNode* b = root.AddChild(&root, "b", 10, 20);
    THeadTreeNode* c = root.AddChild(&root, "c", 10, 20);
    auto message = [](const std::function<void()>& F) {
        try {
            F();
        } catch (const Exception& e) {
            return e.Message;
        }
        return QString();
    };
    EXPECT_EQ(message([&] { root.AddChild(&other, "x", 1, 1); }), "Node not in Tree");
    EXPECT_EQ(message([&] { root.Add(&other, "x", 1, 1); }), "Node not in Tree");
    EXPECT_EQ(message([&] { root.Union(&other, &other, 1, "x"); }), "Node not in Tree");
    EXPECT_EQ(message([&] { root.Union(b, a, 1, "x"); }), "ATo not in level");
    THeadTreeNode* u = root.Union(a, b, 5, "ab");
    EXPECT_EQ(TreeText(root.Child), "ab(a b) c");
    EXPECT_EQ(a->Height, 15);
    EXPECT_EQ(u->Width, 20);
    EXPECT_TRUE(root.Find(b));
    EXPECT_FALSE(root.Find(&other));
    EXPECT_EQ(message([&] { root.Union(a, c, 1, "x"); }), "ATo not in level");
    QStringList order;
    root.ForEach([&](THeadTreeNode* N, void*) { order << N->Text; }, nullptr);
    EXPECT_EQ(order, QStringList({"ab", "a", "b", "c"}));
    EXPECT_EQ(WordPositionEh(2, "A||B", "|"), 4);
    EXPECT_EQ(ExtractWordEh(2, "|A||B|", "|"), "B");
    EXPECT_EQ(ExtractWordEh(3, "A|B", "|"), "");
}

} // namespace
