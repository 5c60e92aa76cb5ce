// The grid's data link: the field map of default and designed columns, its growth and limit,
// resetting a pending edit, the layout-from-dataset flag, and columns that follow the fields
// as they are added, removed, reordered and hidden.
#include "GridTestSupport.h"

#include <set>

namespace {

// A link whose map can be filled to the limit without the memory for it.
class TFullLink : public TGridDataLinkEh {
    KADRION_CLASS(TFullLink)
    explicit TFullLink(TCustomDBGridEh* Grid) : TGridDataLinkEh(Grid) {}
    void FillToLimit() { fieldCount = mapSize = MaxMapSizeEh; }
};

// A grid that notes the layout-from-dataset flag whenever it lays out.
class TFlagGrid : public TDBGridEh {
    KADRION_CLASS(TFlagGrid)
    explicit TFlagGrid(TComponent* AOwner) : TDBGridEh(AOwner) {}
    void LayoutChanged() override {
        Seen.push_back(GetLayoutFromDataSet());
        TDBGridEh::LayoutChanged();
    }
    void SetFlag(bool Value) { layoutFromDataSet = Value; }
    std::vector<bool> Seen;
};

TEST_F(GridTest, ADesignedColumnWithoutItsFieldMapsToNothing) {
    TMemDataSet ds(nullptr);
    FillStaff(&ds);
    AddColumns({"TAB", "NOPE", "AGE"});
    Show(&ds);
    TGridDataLinkEh* link = grid->GetDataLink();
    EXPECT_TRUE(link->GetSparseMap());
    ASSERT_EQ(link->GetFieldCount(), 3);
    EXPECT_EQ(link->GetFields(0), ds.FieldByName("TAB"));
    EXPECT_EQ(link->GetFields(1), nullptr);
    EXPECT_EQ(link->GetFields(2), ds.FieldByName("AGE"));
    EXPECT_EQ(link->GetFields(-1), nullptr);
    EXPECT_EQ(link->GetFields(3), nullptr);
    EXPECT_FALSE(link->DefaultFields());
    // the column stays, shows nothing and cannot be edited
    EXPECT_EQ(ColumnNames(grid), QStringList({"TAB", "NOPE", "AGE"}));
    EXPECT_EQ(Column(1)->GetField(), nullptr);
    EXPECT_EQ(Column(1)->GetDisplayText(), "");
    EXPECT_FALSE(Column(1)->CanModify(true));
    EXPECT_FALSE(grid->GetTabStops(2));
    EXPECT_TRUE(grid->GetTabStops(1));

    // with default columns the map is dense and every entry has its field
    grid->GetColumns()->Clear();
    EXPECT_FALSE(link->GetSparseMap());
    EXPECT_TRUE(link->DefaultFields());
    EXPECT_EQ(link->GetFieldCount(), 5);
    // a name the dataset lacks is the dataset's own error there
    try {
        link->AddMapping("MISSING");
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message.contains("Field 'MISSING' not found")) << e.Message.toStdString();
    }
}

TEST_F(GridTest, TheFieldMapGrowsByDoublingUpToItsLimit) {
    TMemDataSet ds(nullptr);
    FillStaff(&ds);
    Show(&ds);
    TGridDataLinkEh* link = grid->GetDataLink();
    link->ClearMapping();
    EXPECT_EQ(link->GetMapSize(), 0);
    std::vector<int> sizes;
    for (int i = 0; i < 17; ++i) {
        link->AddMapping("TAB");
        sizes.push_back(link->GetMapSize());
    }
    EXPECT_EQ(sizes[0], 8);
    EXPECT_EQ(sizes[7], 8);
    EXPECT_EQ(sizes[8], 16);
    EXPECT_EQ(sizes[16], 32);
    EXPECT_EQ(link->GetFields(16), ds.FieldByName("TAB"));

    TFullLink full(grid);
    full.FillToLimit();
    try {
        full.AddMapping("TAB");
        FAIL() << "no error";
    } catch (const EInvalidGridOperation& e) {
        EXPECT_EQ(e.Message, "Grid requested to display more than 268435455 columns");
    }
    full.ClearMapping();
}

TEST_F(GridTest, ResettingTheLinkCancelsAnEditWithoutPendingText) {
    TMemDataSet ds(nullptr);
    FillStaff(&ds);
    Show(&ds);
    TGridDataLinkEh* link = grid->GetDataLink();
    ds.Edit();
    ds.FieldByName("FAMILY")->SetAsString("Зміна");
    link->Reset();
    EXPECT_EQ(ds.GetState(), dsBrowse);
    EXPECT_EQ(ds.FieldByName("FAMILY")->GetAsString(), "Іваненко");
    // with text pending in the editor only the editor is reloaded
    ds.Edit();
    link->Modified();
    link->Reset();
    EXPECT_EQ(ds.GetState(), dsEdit);
    EXPECT_FALSE(link->GetModified());
    ds.Cancel();
}

TEST(GridDataLink, TheLayoutFromDatasetFlagHoldsOnlyWhileTheDatasetLaysOut) {
    TStaffGrid<TFlagGrid> staff;
    TFlagGrid* g = staff.Grid;
    TMemDataSet& ds = staff.Data;
    auto seen = [&](const std::function<void()>& Act) {
        g->Seen.clear();
        Act();
        return std::set<bool>(g->Seen.begin(), g->Seen.end());
    };
    EXPECT_EQ(seen([&] { ds.FieldByName("AGE")->SetDisplayWidth(20); }), std::set<bool>{true});
    EXPECT_FALSE(g->GetLayoutFromDataSet());
    EXPECT_EQ(seen([&] { g->SetFrozenCols(1); }), std::set<bool>{false});
    // set before, it stays set
    g->SetFlag(true);
    ds.FieldByName("AGE")->SetDisplayWidth(10);
    EXPECT_TRUE(g->GetLayoutFromDataSet());
}

TEST_F(GridTest, DefaultColumnsFollowFieldsAddedRemovedReorderedAndHidden) {
    auto* ds = new TMemDataSet(form);
    auto addField = [&](TField* F, const QString& Name) {
        F->SetFieldName(Name);
        F->SetDataSet(ds);
        return F;
    };
    auto* tab = static_cast<TStringField*>(addField(new TStringField(form), "TAB"));
    tab->SetSize(5);
    addField(new TIntegerField(form), "AGE");
    ds->Open();
    ds->AppendRecord({"00001", 40});
    Show(ds);
    TGridDataLinkEh* link = grid->GetDataLink();
    struct Step {
        const char* what;
        std::function<void()> act;
        QStringList columns;
    };
    TField* family = nullptr;
    const std::vector<Step> steps = {
        {"added",
         [&] {
             ds->Close();
             ds->GetFieldDefs()->Clear(); // the table takes its layout from the fields again
             auto* f = new TStringField(form);
             f->SetSize(30);
             family = addField(f, "FAMILY");
             ds->Open();
         },
         {"TAB", "AGE", "FAMILY"}},
        {"moved to the front", [&] { family->SetIndex(0); }, {"FAMILY", "TAB", "AGE"}},
        {"hidden", [&] { ds->FieldByName("TAB")->SetVisible(false); }, {"FAMILY", "AGE"}},
        {"shown again",
         [&] { ds->FieldByName("TAB")->SetVisible(true); },
         {"FAMILY", "TAB", "AGE"}},
        {"removed",
         [&] {
             delete family;
             ds->GetFieldDefs()->Clear();
             ds->Open();
         },
         {"TAB", "AGE"}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_EQ(ColumnNames(grid), s.columns);
        ASSERT_EQ(link->GetFieldCount(), s.columns.size());
        for (int i = 0; i < int(s.columns.size()); ++i) {
            EXPECT_EQ(link->GetFields(i), ds->FieldByName(s.columns[i]));
            EXPECT_EQ(Column(i)->GetField(), ds->FieldByName(s.columns[i]));
        }
    }
    // moving a column made from a field moves the field, so the next rebuild keeps it
    Column(1)->SetIndex(0);
    EXPECT_EQ(ds->Fields(0)->GetFieldName(), "AGE");
    EXPECT_EQ(ColumnNames(grid), QStringList({"AGE", "TAB"}));
}

} // namespace
