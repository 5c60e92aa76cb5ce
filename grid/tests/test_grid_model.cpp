// The grid as an object: its defaults, the raw and data co-ordinates, the layout lock and the
// deferred layout, loading, editing questions, and what it lets go of when others are freed.
#include "GridTestSupport.h"

#include "Menus.h"

namespace {

// A grid that counts its layout rebuilds (each one maps the fields once).
class TCountingGrid : public TDBGridEh {
    KADRION_CLASS(TCountingGrid)
    explicit TCountingGrid(TComponent* AOwner) : TDBGridEh(AOwner) {}
    void DefineFieldMap() override {
        ++Layouts;
        TDBGridEh::DefineFieldMap();
    }
    int Layouts = 0;
};

TEST(GridModel, ANewGridHasItsDefaults) {
    TDBGridEh g(nullptr);
    EXPECT_EQ(g.GetOptions().Mask(), 0x0CFDu);
    EXPECT_EQ(g.GetOptionsEh().Mask(), 0x0061u);
    EXPECT_EQ(g.GetAllowedOperations().Mask(), 0x0Fu);
    EXPECT_TRUE(g.GetEditActions().Empty());
    EXPECT_EQ(g.GetVTitleMargin(), 10);
    EXPECT_EQ(g.GetColor(), clWindow);
    EXPECT_EQ(g.GetFooterColor(), clWindow);
    EXPECT_FALSE(g.GetParentColor());
    EXPECT_EQ(g.GetColCount(), 2);
    EXPECT_EQ(g.GetRowCount(), 2);
    EXPECT_TRUE(g.GetDefaultDrawing());
    EXPECT_FALSE(g.TCustomGrid::GetDefaultDrawing()); // the base grid draws no cells itself
    EXPECT_TRUE(g.GetVirtualView());
    EXPECT_EQ(g.GetScrollBars(), ssHorizontal);
    const TGridOptions base{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine,
                            goColSizing,     goColMoving,     goEditing,  goTabs};
    EXPECT_EQ(static_cast<TCustomGrid&>(g).GetOptions(), base);
    EXPECT_EQ(g.GetIndicators()->Count(), 7);
    EXPECT_EQ(g.GetSortMarkerImages()->Count(), 2);
    EXPECT_EQ(g.GetTitleTree()->Text, "Root");
    EXPECT_EQ(g.GetSelection()->GetSelectionType(), gskNone);
    EXPECT_FALSE(g.GetDataLink()->GetActive());
}

TEST_F(GridTest, OptionsMapOntoTheBaseGridAndSetTheOffsets) {
    TMemDataSet ds(nullptr);
    FillStaff(&ds);
    Show(&ds);
    struct Case {
        TDBGridOptions off;
        int io, to;
    };
    for (Case c : {Case{{}, 1, 1}, Case{{dgIndicator}, 0, 1}, Case{{dgTitles}, 1, 0},
                   Case{{dgIndicator, dgTitles}, 0, 0}}) {
        SCOPED_TRACE(testing::Message() << c.io << c.to);
        grid->SetOptions(DefaultDBGridOptions - c.off);
        EXPECT_EQ(grid->GetIndicatorOffset(), c.io);
        EXPECT_EQ(grid->GetTitleOffset(), c.to);
        EXPECT_EQ(grid->GetColCount(), 5 + c.io);
        EXPECT_EQ(grid->GetFixedRows(), c.to);
        ds.First();
        EXPECT_EQ(grid->GetRow(), c.to); // the first record is raw row TitleOffset
        grid->SetSelectedIndex(0);
        EXPECT_EQ(grid->GetCol(), c.io); // data column 0 is raw column IndicatorOffset
        EXPECT_EQ(grid->GetSelectedField(), ds.FieldByName("TAB"));
    }
    // row select leaves editing to nobody
    grid->SetOptions(DefaultDBGridOptions + TDBGridOptions{dgRowSelect, dgAlwaysShowEditor});
    EXPECT_FALSE(grid->GetOptions().Contains(dgEditing));
    EXPECT_FALSE(grid->GetOptions().Contains(dgAlwaysShowEditor));
    const TGridOptions base = static_cast<TCustomGrid*>(grid)->GetOptions();
    EXPECT_TRUE(base.Contains(goRowSelect));
    EXPECT_FALSE(base.Contains(goEditing));
    grid->SetOptions(DefaultDBGridOptions - TDBGridOptions{dgColLines, dgColumnResize});
    const TGridOptions plain = static_cast<TCustomGrid*>(grid)->GetOptions();
    EXPECT_FALSE(plain.Contains(goVertLine) || plain.Contains(goFixedVertLine));
    EXPECT_FALSE(plain.Contains(goColSizing) || plain.Contains(goColMoving));
    EXPECT_TRUE(plain.Contains(goHorzLine) && plain.Contains(goTabs));
}

TEST(GridModel, NestedLayoutLocksRebuildOnceAtTheLastEnd) {
    TStaffGrid<TCountingGrid> staff;
    TCountingGrid* g = staff.Grid;
    g->Layouts = 0;
    g->BeginLayout();
    g->BeginLayout();
    g->SetFrozenCols(1);
    g->SetRowHeight(30);
    g->GetColumns()->GetItems(0)->SetWidth(77);
    g->LayoutChanged();
    g->EndLayout();
    EXPECT_EQ(g->Layouts, 0);
    g->EndLayout();
    EXPECT_EQ(g->Layouts, 1);
    EXPECT_EQ(g->GetFixedCols(), 2);
    EXPECT_EQ(g->GetColWidths(1), 77);
    // an unpaired end and a cancelled lock do nothing
    g->EndLayout();
    g->EndUpdate();
    EXPECT_EQ(g->GetLayoutLock(), 0);
    EXPECT_EQ(g->GetUpdateLock(), 0);
    g->BeginLayout();
    g->SetFrozenCols(2);
    g->CancelLayout();
    EXPECT_EQ(g->Layouts, 1);
    EXPECT_EQ(g->GetFixedCols(), 2);
    // while the update lock is held, changes are not laid out
    g->BeginUpdate();
    EXPECT_FALSE(g->AcquireLayoutLock());
    g->EndUpdate();
    EXPECT_TRUE(g->AcquireLayoutLock());
    g->EndLayout();
    EXPECT_EQ(g->GetFixedCols(), 3);
}

TEST(GridModel, DeferredLayoutsQueueOneMessageThatLaysOut) {
    TStaffGrid<TCountingGrid> staff;
    TCountingGrid* g = staff.Grid;
    staff.Show();
    HWND h = g->GetHandle();
    auto queued = [h] {
        int n = 0;
        TMsg m;
        std::vector<TMsg> taken;
        while (PeekMessage(m, h, CM_DEFERLAYOUTEH, CM_DEFERLAYOUTEH, PM_REMOVE))
            taken.push_back(m);
        for (const TMsg& t : taken) {
            PostMessage(t.hwnd, t.message, t.wParam, t.lParam);
            ++n;
        }
        return n;
    };
    g->DeferLayout();
    g->DeferLayout();
    EXPECT_EQ(queued(), 1);
    g->Layouts = 0;
    QApplication::processEvents();
    EXPECT_EQ(g->Layouts, 1);
    EXPECT_EQ(queued(), 0);
    // a layout that runs first takes the queued one away
    g->DeferLayout();
    g->LayoutChanged();
    EXPECT_EQ(queued(), 0);
}

// A form built the way the application builds its windows: inside a loading bracket.
class TLoadedForm : public TForm {
    KADRION_CLASS(TLoadedForm)
    explicit TLoadedForm(TComponent* AOwner) : TForm(AOwner) {
        BeginLoading();
        Grid = new TDBGridEh(this);
        Grid->SetParent(this);
        Grid->SetAutoFitColWidths(true);
        for (int w : {80, 120}) {
            TColumnEh* c = Grid->GetColumns()->Add();
            c->SetWidth(w);
        }
        EndLoading();
    }
    TDBGridEh* Grid;
};

TEST(GridModel, LoadingWithAutomaticWidthsRecordsTheInitialWidths) {
    TLoadedForm* f = CreateNewForm<TLoadedForm>(nullptr);
    EXPECT_EQ(f->Grid->GetColumns()->GetItems(0)->GetInitWidth(), 80);
    EXPECT_EQ(f->Grid->GetColumns()->GetItems(1)->GetInitWidth(), 120);
    EXPECT_EQ(f->Grid->GetScrollBars(), ssNone);
    EXPECT_EQ(f->Grid->GetColCount(), 3);
    delete f;
}

TEST_F(GridTest, EditTextMaskAndLimitFollowTheColumnKind) {
    TMemDataSet ds(nullptr);
    ds.GetFieldDefs()->Add("TAB", ftString, 5);
    ds.GetFieldDefs()->Add("SEX", ftString, 1);
    ds.GetFieldDefs()->Add("AGE", ftInteger);
    ds.GetFieldDefs()->Add("NOTE", ftMemo);
    ds.Open();
    ds.AppendRecord({"00001", "Ч", 45, "рядок 1\nрядок 2"});
    ds.First();
    ds.FieldByName("TAB")->SetEditMask("00000;1;_");
    AddColumns({"TAB", "SEX", "AGE", "NOTE"});
    Column(1)->GetKeyList()->SetText("Ч\nЖ");
    Column(1)->GetPickList()->SetText("Чоловіча\nЖіноча");
    Show(&ds);
    struct Case {
        int col;
        bool drawMemo;
        QString text, mask;
        int limit;
        bool modify;
        QString accepted, refused; // characters the editor may type
    };
    const Case cases[] = {
        {0, false, "00001", "00000;1;_", 5, true, "7ы", ""},
        {1, false, "Чоловіча", "", 0, false, "ЖQ", ""}, // a key pick list is chosen, not typed
        {2, false, "45", "", 0, true, "7-", "ыQ"},
        {3, false, "(MEMO)", "", 0, false, "ы", ""},           // a memo is not edited as text ...
        {3, true, "рядок 1\r\nрядок 2", "", 0, true, "ы", ""}, // ... unless memo text is drawn
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.col);
        ds.Cancel();
        grid->SetDrawMemoText(c.drawMemo);
        grid->SetSelectedIndex(c.col);
        EXPECT_EQ(grid->GetEditText(grid->GetCol(), grid->GetRow()), c.text);
        EXPECT_EQ(grid->GetEditText(), c.text);
        EXPECT_EQ(grid->GetEditMask(grid->GetCol(), grid->GetRow()), c.mask);
        EXPECT_EQ(grid->GetEditLimit(), c.limit);
        EXPECT_EQ(grid->CanEditModify(), c.modify);
        EXPECT_EQ(ds.GetState() == dsEdit, c.modify); // a yes puts the record into editing
        for (QChar ch : c.accepted)
            EXPECT_TRUE(grid->CanEditAcceptKey(ch)) << QString(ch).toStdString();
        for (QChar ch : c.refused)
            EXPECT_FALSE(grid->CanEditAcceptKey(ch)) << QString(ch).toStdString();
    }
    // a set-text handler makes the memo editable without memo text
    ds.Cancel();
    grid->SetDrawMemoText(false);
    ds.FieldByName("NOTE")->OnSetText = [](TField* F, const QString& T) { F->SetAsString(T); };
    EXPECT_TRUE(grid->CanEditModify());
    EXPECT_TRUE(grid->GetDataLink()->GetModified());
    ds.Cancel();
    // the grid, the link or the column read-only: no
    grid->SetReadOnly(true);
    EXPECT_FALSE(grid->CanEditModifyField());
    EXPECT_EQ(ds.GetState(), dsBrowse);
}

TEST_F(GridTest, MovingAColumnOfTheGridMovesTheColumn) {
    TMemDataSet ds(nullptr);
    FillStaff(&ds);
    AddColumns({"TAB", "FAMILY", "AGE", "SEX"});
    Show(&ds);
    std::vector<std::pair<int, int>> moved;
    grid->OnColumnMoved = [&](TObject*, int From, int To) { moved.push_back({From, To}); };
    Column(0)->SetWidth(40);
    grid->MoveColumn(1, 3); // raw columns: the indicator is column 0
    EXPECT_EQ(ColumnNames(grid), QStringList({"FAMILY", "AGE", "TAB", "SEX"}));
    EXPECT_EQ(moved, (std::vector<std::pair<int, int>>{{0, 2}}));
    EXPECT_EQ(grid->GetColWidths(3), 40);
    EXPECT_EQ(grid->GetDataLink()->GetFields(2), ds.FieldByName("TAB"));
}

TEST_F(GridTest, AFieldAskedToTakeTheFocusSelectsItsColumn) {
    TMemDataSet ds(nullptr);
    FillStaff(&ds);
    Show(&ds);
    grid->SetFocus();
    QApplication::processEvents();
    ds.FieldByName("AGE")->FocusControl();
    EXPECT_EQ(grid->GetSelectedIndex(), 2);
    EXPECT_EQ(grid->GetSelectedField(), ds.FieldByName("AGE"));
    EXPECT_TRUE(grid->GetEditorMode());
    // a field the grid does not show changes nothing
    ds.FieldByName("SEX")->SetVisible(false);
    ds.FieldByName("SEX")->FocusControl();
    EXPECT_EQ(grid->GetSelectedIndex(), 2);
}

TEST_F(GridTest, AColumnPopupMenuShowsOverItsCells) {
    TMemDataSet ds(nullptr);
    FillStaff(&ds);
    AddColumns({"TAB", "FAMILY"});
    auto* menu = new TPopupMenu(form);
    Column(1)->SetPopupMenu(menu);
    Show(&ds);
    int shown = 0;
    TPopupRunner previous = SetPopupRunner([&](TPopupMenu* M, TPoint) -> TMenuItem* {
        shown += M == menu;
        return nullptr;
    });
    auto release = [&](int Col, int Row) {
        TRect r = grid->CellRect(Col, Row);
        return grid->Perform(WM_RBUTTONUP, 0, MAKELONG(r.Left + 2, r.Top + 2));
    };
    EXPECT_EQ(release(2, 1), 1);
    EXPECT_EQ(release(2, 0), 1); // its title too
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(menu->GetPopupComponent(), grid);
    release(1, 1); // a column without one
    menu->SetAutoPopup(false);
    release(2, 1);
    EXPECT_EQ(shown, 2);
    SetPopupRunner(previous);
}

TEST_F(GridTest, FreedComponentsLeaveNoReferenceBehind) {
    auto* ds = new TMemDataSet(form);
    auto* tab = new TStringField(form);
    tab->SetFieldName("TAB");
    tab->SetSize(5);
    tab->SetDataSet(ds);
    auto* age = new TIntegerField(form);
    age->SetFieldName("AGE");
    age->SetDataSet(ds);
    ds->Open();
    ds->AppendRecord({"00001", 30});
    AddColumns({"TAB", "AGE"});
    auto* menu = new TPopupMenu(form);
    auto* images = new TImageList(form);
    Column(0)->SetPopupMenu(menu);
    Column(1)->SetImageList(images);
    grid->SetTitleImages(images);
    Show(ds);
    ASSERT_EQ(Column(1)->GetField(), age);

    delete menu;
    delete images;
    EXPECT_EQ(Column(0)->GetPopupMenu(), nullptr);
    EXPECT_EQ(Column(1)->GetImageList(), nullptr);
    EXPECT_EQ(grid->GetTitleImages(), nullptr);
    delete age; // closes the dataset
    EXPECT_EQ(Column(1)->GetField(), nullptr);
    ds->Open();
    EXPECT_EQ(Column(0)->GetField(), tab);
    EXPECT_EQ(Column(1)->GetField(), nullptr);
    EXPECT_EQ(ColumnNames(grid), QStringList({"TAB", "AGE"})); // the designed columns stay
    delete source;
    source = nullptr;
    EXPECT_EQ(grid->GetDataSource(), nullptr);
    EXPECT_FALSE(grid->GetDataLink()->GetActive());
    grid->Invalidate();
    QApplication::processEvents();
}

} // namespace
