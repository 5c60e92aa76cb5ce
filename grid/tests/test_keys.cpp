// The grid's keyboard: navigation, Tab wrapping, insert, append and delete under the allowed
// operations, record ranges with Shift, the character path (editor, search, check boxes), the
// editor's write-back, and the incremental search with its timer.
#include "DBActns.h"
#include "Dialogs.h"
#include "GridTestSupport.h"

#include <QInputMethodEvent>
#include <QWidget>

namespace {

class KeyTest : public StaffColumnsTest {
protected:
    void Key(WORD K, TShiftState S = {}) { grid->KeyDown(K, S); }
    // A character as the window receives it.
    void Char(QChar C) { grid->Perform(WM_CHAR, C.unicode(), 0); }
    QString Tab() { return ds.FieldByName("TAB")->GetAsString(); }
    int DataCol() { return grid->GetSelectedIndex(); }
};

TEST_F(KeyTest, KeysMoveTheRecordAndTheColumnAndAppendAtTheEnd) {
    struct Step {
        const char* what;
        WORD key;
        TShiftState shift;
        QString tab; // the current record afterwards ("" for a new one)
        int col;
        TDataSetState state;
    };
    // the columns are TAB, FAMILY, AGE, SEX; records 00001..00005
    const Step steps[] = {
        {"Down", VK_DOWN, {}, "00002", 0, dsBrowse},
        {"Right", VK_RIGHT, {}, "00002", 1, dsBrowse},
        {"End: the last column", VK_END, {}, "00002", 3, dsBrowse},
        {"Right at the last column stays", VK_RIGHT, {}, "00002", 3, dsBrowse},
        {"Tab wraps to the next record", VK_TAB, {}, "00003", 0, dsBrowse},
        {"Shift+Tab wraps back", VK_TAB, {ssShift}, "00002", 3, dsBrowse},
        {"Home: the first column", VK_HOME, {}, "00002", 0, dsBrowse},
        {"PgDn: by the rows shown", VK_NEXT, {}, "00005", 0, dsBrowse},
        {"Down at the end appends", VK_DOWN, {}, "", 0, dsInsert},
        {"Down on the new record does nothing", VK_DOWN, {}, "", 0, dsInsert},
        {"Up on the untouched new record cancels it", VK_UP, {}, "00005", 0, dsBrowse},
        {"Ctrl+Home: the first record", VK_HOME, {ssCtrl}, "00001", 0, dsBrowse},
        {"Ctrl+Right: the last column", VK_RIGHT, {ssCtrl}, "00001", 3, dsBrowse},
        {"Ctrl+End: the last record", VK_END, {ssCtrl}, "00005", 3, dsBrowse},
        {"Insert inserts", VK_INSERT, {}, "", 3, dsInsert},
        {"Esc cancels the insert", VK_ESCAPE, {}, "00005", 3, dsBrowse},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        Key(s.key, s.shift);
        EXPECT_EQ(Tab(), s.tab);
        EXPECT_EQ(DataCol(), s.col);
        EXPECT_EQ(ds.GetState(), s.state);
    }
    EXPECT_EQ(ds.RecordCount(), 5);
}

TEST_F(KeyTest, AllowedOperationsAndReadOnlyLimitInsertAppendAndDelete) {
    TScriptedInteraction ui;
    TUserInteractionSwap swap(&ui);
    struct Case {
        const char* what;
        TDBGridEhAllowedOperations ops;
        bool readOnly;
        WORD key;
        TShiftState shift;
        TDataSetState state;
        int records; // after posting or cancelling
        bool asked;
    };
    const Case cases[] = {
        {"Insert without insert: appends",
         {alopAppendEh},
         false,
         VK_INSERT,
         {},
         dsInsert,
         5,
         false},
        {"Insert with neither", {alopUpdateEh}, false, VK_INSERT, {}, dsBrowse, 5, false},
        {"Insert on a read-only grid",
         AllDBGridEhOperations,
         true,
         VK_INSERT,
         {},
         dsBrowse,
         5,
         false},
        {"Down at the end without append", {alopInsertEh}, false, VK_DOWN, {}, dsBrowse, 5, false},
        {"Ctrl+Delete asks and deletes",
         AllDBGridEhOperations,
         false,
         VK_DELETE,
         {ssCtrl},
         dsBrowse,
         4,
         true},
        {"Ctrl+Delete without delete",
         {alopUpdateEh},
         false,
         VK_DELETE,
         {ssCtrl},
         dsBrowse,
         5,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ds.Last();
        grid->SetAllowedOperations(c.ops);
        grid->SetReadOnly(c.readOnly);
        const size_t asked = ui.Asked.size();
        Key(c.key, c.shift);
        EXPECT_EQ(ds.GetState(), c.state);
        ds.Cancel();
        EXPECT_EQ(ds.RecordCount(), c.records);
        EXPECT_EQ(ui.Asked.size() > asked, c.asked);
        if (c.asked) {
            EXPECT_EQ(ui.Last().Text, "Delete record?");
        }
        if (ds.RecordCount() < 5) ds.AppendRecord({"00005", "Єрмак", 19, "Ч", 5100.0});
    }
}

// The tool bar's and the menu's dataset commands act on the dataset of the focused grid, also
// on a read-only grid of whole rows whose record is edited elsewhere; they enable from its
// state.
TEST_F(KeyTest, TheDatasetCommandsActOnTheFocusedGridsDataset) {
    grid->SetReadOnly(true);
    grid->SetOptions(grid->GetOptions() + TDBGridOptions{dgRowSelect} - TDBGridOptions{dgEditing});
    TDataSetInsert insert(nullptr);
    TDataSetPost post(nullptr);
    TDataSetCancel cancel(nullptr);
    struct Step {
        const char* what;
        TDataSetAction* action; // executed on the grid after the update
        bool postOn;            // before the action
        TDataSetState state;
    };
    const Step steps[] = {
        {"insert starts a record", &insert, false, dsInsert},
        {"cancel drops it", &cancel, true, dsBrowse},
        {"insert again", &insert, false, dsInsert},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        for (TDataSetAction* a :
             {static_cast<TDataSetAction*>(&insert), static_cast<TDataSetAction*>(&post)})
            ASSERT_TRUE(grid->UpdateAction(a));
        EXPECT_TRUE(insert.GetEnabled());
        EXPECT_EQ(post.GetEnabled(), s.postOn);
        ASSERT_TRUE(grid->UpdateAction(s.action));
        EXPECT_TRUE(grid->ExecuteAction(s.action));
        EXPECT_EQ(ds.GetState(), s.state);
    }
    ds.FieldByName("TAB")->SetAsString("00042");
    ds.FieldByName("FAMILY")->SetAsString("Жук");
    ASSERT_TRUE(grid->UpdateAction(&post));
    EXPECT_TRUE(post.GetEnabled());
    EXPECT_TRUE(grid->ExecuteAction(&post));
    EXPECT_EQ(ds.GetState(), dsBrowse);
    EXPECT_EQ(ds.RecordCount(), 6);
}

TEST_F(KeyTest, ADeclinedDeleteKeepsTheRecordsAndManyMarkedAreAskedAboutTogether) {
    TScriptedInteraction ui;
    TUserInteractionSwap swap(&ui);
    grid->SetOptions(grid->GetOptions() + TDBGridOptions{dgMultiSelect});
    ui.Answer(mrCancel);
    Key(VK_DELETE, {ssCtrl});
    EXPECT_EQ(ds.RecordCount(), 5);
    EXPECT_EQ(ui.Last().Text, "Delete record?");

    ds.SetRecNo(2);
    grid->GetSelectedRows()->SetCurrentRowSelected(true);
    ds.SetRecNo(4);
    grid->GetSelectedRows()->SetCurrentRowSelected(true);
    Key(VK_DELETE, {ssCtrl});
    EXPECT_EQ(ui.Last().Text, "Delete all selected records?");
    EXPECT_EQ(ShownValues(grid, "TAB"), (QStringList{"00001", "00003", "00005"}));

    grid->SetOptions(grid->GetOptions() - TDBGridOptions{dgConfirmDelete});
    const size_t asked = ui.Asked.size();
    ds.First();
    Key(VK_DELETE, {ssCtrl});
    EXPECT_EQ(ui.Asked.size(), asked);
    EXPECT_EQ(ds.RecordCount(), 2);
}

TEST_F(KeyTest, ShiftArrowsMarkRecordsFromTheAnchorAndTakeThemBack) {
    grid->SetOptions(grid->GetOptions() + TDBGridOptions{dgMultiSelect, dgRowSelect});
    for (int i = 0; i < 3; ++i)
        Key(VK_DOWN, {ssShift});
    Key(VK_UP, {ssShift});
    EXPECT_EQ(Tab(), "00003");
    EXPECT_EQ(MarkedValues(grid, "TAB"), (QStringList{"00001", "00002", "00003"}));

    // without dghClearSelection the rows toggle: a marked anchor unmarks what is passed
    Key(VK_DOWN); // a plain move clears the selection and starts over
    EXPECT_TRUE(MarkedValues(grid, "TAB").isEmpty());
    grid->SetOptionsEh(grid->GetOptionsEh() - TDBGridEhOptions{dghClearSelection});
    ds.First();
    grid->GetSelectedRows()->SetCurrentRowSelected(true);
    ds.Next();
    grid->GetSelectedRows()->SetCurrentRowSelected(true);
    ds.First();
    Key(VK_DOWN, {ssShift});
    Key(VK_DOWN, {ssShift});
    EXPECT_EQ(MarkedValues(grid, "TAB"), QStringList{});
}

TEST_F(KeyTest, SpaceStepsACheckBoxAndAPlainDeleteClearsIt) {
    Column(3)->GetKeyList()->SetText("Ч\nЖ");
    Column(3)->SetCheckboxes(true);
    grid->SetSelectedIndex(3);
    ASSERT_EQ(Column(3)->GetColumnType(), ctkCheckboxes);
    Char(' ');
    EXPECT_EQ(ds.FieldByName("SEX")->GetAsString(), "Ж");
    EXPECT_FALSE(grid->GetEditorMode() && grid->GetInplaceEditor() &&
                 grid->GetInplaceEditor()->GetVisible());
    Key(VK_DELETE);
    EXPECT_TRUE(ds.FieldByName("SEX")->IsNull());
    ds.Cancel();

    // Ctrl+Delete deletes the record and leaves the next one's value alone
    TScriptedInteraction ui;
    TUserInteractionSwap swap(&ui);
    Key(VK_DELETE, {ssCtrl});
    EXPECT_EQ(Tab(), "00002");
    EXPECT_EQ(ds.FieldByName("SEX")->GetAsString(), "Ж");
    EXPECT_EQ(ds.GetState(), dsBrowse);
}

TEST_F(KeyTest, TypingOpensTheEditorEnterWritesItBack) {
    grid->SetFocus();
    QApplication::processEvents();
    grid->SetSelectedIndex(1);
    Char(QChar(u'Ш'));
    TInplaceEdit* ed = grid->GetInplaceEditor();
    ASSERT_TRUE(ed && ed->GetVisible());
    EXPECT_EQ(ed->GetText(), "Ш");
    ed->TypeChar(QChar(u'е'));
    ed->TypeChar(QChar(u'в'));
    Char(QChar(13));
    EXPECT_EQ(ds.FieldByName("FAMILY")->GetAsString(), "Шев");
    EXPECT_EQ(ds.GetState(), dsEdit);
    Key(VK_DOWN);
    ds.Prior();
    EXPECT_EQ(ds.FieldByName("FAMILY")->GetAsString(), "Шев");

    // text from the input method opens the editor the same way
    grid->HideEditor();
    grid->SetSelectedIndex(1);
    QInputMethodEvent im;
    im.setCommitString(QStringLiteral("Ґ"));
    QApplication::sendEvent(static_cast<QObject*>(grid->GetHandle()), &im);
    ASSERT_TRUE(ed->GetVisible());
    EXPECT_EQ(ed->GetText(), "Ґ");
}

TEST_F(KeyTest, AValueTheFieldRefusesKeepsTheEditorOpenWithItsText) {
    grid->SetFocus();
    QApplication::processEvents();
    grid->SetSelectedIndex(2); // AGE, an integer
    Char('4');
    TInplaceEdit* ed = grid->GetInplaceEditor();
    ASSERT_TRUE(ed && ed->GetVisible());
    ed->SetText("4x4");
    EXPECT_THROW(Char(QChar(13)), EConvertError);
    EXPECT_TRUE(ed->GetVisible());
    EXPECT_EQ(ed->GetText(), "4x4");
    EXPECT_EQ(ds.FieldByName("AGE")->GetAsInteger(), 45);
    EXPECT_THROW(Key(VK_DOWN), EConvertError);
    EXPECT_EQ(Tab(), "00001");
    EXPECT_TRUE(ed->GetVisible());
    ed->SetText("44");
    Char(QChar(13));
    Key(VK_DOWN);
    ds.First();
    EXPECT_EQ(ds.FieldByName("AGE")->GetAsInteger(), 44);
}

TEST_F(KeyTest, LeavingTheGridCancelsAnUntouchedInsertAndWritesAnEditedCell) {
    TScriptedInteraction ui;
    TUserInteractionSwap swap(&ui);
    auto* other = new TEdit(form);
    other->SetParent(form);
    other->SetBounds(0, 310, 100, 20);
    auto enterGrid = [&] {
        grid->SetFocus();
        QApplication::processEvents();
    };
    enterGrid();
    Key(VK_INSERT);
    ASSERT_EQ(ds.GetState(), dsInsert);
    other->SetFocus();
    EXPECT_EQ(ds.GetState(), dsBrowse);
    EXPECT_EQ(ds.RecordCount(), 5);

    // typed into a new record: the text reaches its field
    enterGrid();
    Key(VK_INSERT);
    grid->SetSelectedIndex(1);
    Char(QChar(u'Ю'));
    other->SetFocus();
    EXPECT_EQ(ds.GetState(), dsInsert);
    EXPECT_EQ(ds.FieldByName("FAMILY")->GetAsString(), "Ю");
    ds.Cancel();

    // a value the field refuses keeps the focus in the grid with the text
    enterGrid();
    grid->SetSelectedIndex(2);
    Char('4');
    Char('x');
    TInplaceEdit* ed = grid->GetInplaceEditor();
    ed->SetText("4x");
    const size_t asked = ui.Asked.size();
    other->SetFocus(); // the error is reported to the user
    QApplication::processEvents();
    ASSERT_GT(ui.Asked.size(), asked);
    EXPECT_TRUE(ui.Last().Text.contains("4x"));
    EXPECT_TRUE(grid->Focused() || ed->Focused());
    EXPECT_EQ(ed->GetText(), "4x");
}

TEST_F(KeyTest, IncrementalSearchFindsCyrillicNamesWhateverTheirCase) {
    grid->SetOptionsEh(grid->GetOptionsEh() + TDBGridEhOptions{dghIncSearch});
    Column(1)->SetReadOnly(true); // searching, not editing
    grid->SetSelectedIndex(1);
    ds.AppendRecord({"00006", "Петрук", 40, "Ч", 1.0});
    ds.AppendRecord({"00007", "Коваленко", 30, "Ж", 1.0});
    ds.First();
    struct Step {
        const char* what;
        std::function<void()> act;
        QString family, text;
        bool active;
    };
    const Step steps[] = {
        {"a small letter finds the capital", [&] { Char(QChar(u'п')); }, "Петренко", "П", true},
        {"the next letter narrows", [&] { Char(QChar(u'Е')); }, "Петренко", "Пе", true},
        {"a letter nothing continues is dropped", [&] { Char(QChar(u'щ')); }, "Петренко", "Пе",
         true},
        {"Ctrl+Enter: the next match", [&] { Key(VK_RETURN, {ssCtrl}); }, "Петрук", "Пе", true},
        {"no match after the last: it stays", [&] { Key(VK_RETURN, {ssCtrl}); }, "Петрук", "Пе",
         true},
        {"Ctrl+Shift+Enter: the previous",
         [&] {
             Key(VK_RETURN, {ssCtrl, ssShift});
         },
         "Петренко", "Пе", true},
        {"Backspace drops a letter", [&] { Key(VK_BACK); }, "Петренко", "П", true},
        {"the time-out ends it", [&] { grid->Perform(WM_TIMER, 2, 0); }, "Петренко", "", false},
        {"Ctrl+F starts one without a time limit", [&] { Key('F', {ssCtrl}); }, "Петренко", "",
         true},
        {"typing on",
         [&] {
             Char(QChar(u'к'));
             Char(QChar(u'о'));
         },
         "Коваль", "Ко", true},
        {"Esc ends it", [&] { Key(VK_ESCAPE); }, "Коваль", "", false},
        {"a record change ends it",
         [&] {
             Char(QChar(u'є'));
             ds.Next();
         },
         "Петрук", "", false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_EQ(ds.FieldByName("FAMILY")->GetAsString(), s.family);
        EXPECT_EQ(grid->GetIncSearchText(), s.text);
        EXPECT_EQ(grid->GetIncSearchActive(), s.active);
    }
}

TEST_F(KeyTest, ASearchStartedByTypingEndsAfterItsTimeOut) {
    grid->SetOptionsEh(grid->GetOptionsEh() + TDBGridEhOptions{dghIncSearch});
    grid->SetReadOnly(true);
    grid->SetSelectedIndex(1);
    Char(QChar(u'к'));
    EXPECT_EQ(grid->GetIncSearchTimeout(), 1500);
    EXPECT_TRUE(grid->GetIncSearchTimerOn());
    Key('F', {ssCtrl});
    EXPECT_EQ(grid->GetIncSearchTimeout(), -1);
    EXPECT_FALSE(grid->GetIncSearchTimerOn());
    // a column change ends the search
    Key(VK_RIGHT);
    EXPECT_FALSE(grid->GetIncSearchActive());
}

} // namespace
