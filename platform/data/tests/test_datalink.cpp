// The record window shared by a dataset and its data links.
#include "DataTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct Window {
    QStringList values;
    int activeRecord;
    int recordCount;
    QString current;
};

Window windowOf(TRecordingDataLink& link, TDataSet* ds) {
    return {link.WindowValues("N"), link.GetActiveRecord(), link.GetRecordCount(), Cur(ds, "N")};
}

} // namespace

// Twelve records seen through a link of five: what the window holds after each move, and the
// notifications (with the distance the window moved) that reach the link.
TEST(DataLink, WindowOfFiveOverTwelveRecords) {
    auto ds = MakeNumbers(12);
    TDataSource src(nullptr);
    TDataEventRecorder rec;
    TRecordingDataLink link(&rec, &src, 5);
    src.SetDataSet(ds.get());
    ASSERT_TRUE(link.GetActive());

    struct Step {
        const char* what;
        std::function<void()> move;
        QStringList window;
        int activeRecord;
        QString current;
        QStringList notes;
    };
    const std::vector<Step> steps = {
        {"First",
         [&] { ds->First(); },
         {"01", "02", "03", "04", "05"},
         0,
         "01",
         {"link:DataSetChanged"}},
        {"MoveBy(7)",
         [&] { EXPECT_EQ(ds->MoveBy(7), 7); },
         {"04", "05", "06", "07", "08"},
         4,
         "08",
         {"link:DataSetScrolled(3)"}},
        {"Last",
         [&] { ds->Last(); },
         {"08", "09", "10", "11", "12"},
         4,
         "12",
         {"link:DataSetChanged"}},
        {"Prior",
         [&] { ds->Prior(); },
         {"08", "09", "10", "11", "12"},
         3,
         "11",
         {"link:DataSetScrolled(0)"}},
        {"MoveBy(-5)",
         [&] { EXPECT_EQ(ds->MoveBy(-5), -5); },
         {"06", "07", "08", "09", "10"},
         0,
         "06",
         {"link:DataSetScrolled(-2)"}},
        {"MoveBy(-10) stops at the first",
         [&] { EXPECT_EQ(ds->MoveBy(-10), -5); },
         {"01", "02", "03", "04", "05"},
         0,
         "01",
         {"link:DataSetScrolled(-5)"}},
    };
    rec.Clear();
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.move();
        Window w = windowOf(link, ds.get());
        EXPECT_EQ(w.values, s.window);
        EXPECT_EQ(w.recordCount, 5);
        EXPECT_EQ(w.activeRecord, s.activeRecord);
        EXPECT_EQ(w.current, s.current);
        // Every move first lets the links finish an edit (CheckBrowseMode).
        EXPECT_EQ(rec.Take(), QStringList{"link:CheckBrowseMode"} + s.notes);
    }
    EXPECT_TRUE(ds->Bof());
    EXPECT_EQ(ds->MoveBy(-1), 0); // already at the beginning: nothing moves
}

// Painting code reads neighbour rows by switching ActiveRecord: no event fires and the
// cursor stays on its record.
TEST(DataLink, SwitchingActiveRecordReadsNeighboursSilently) {
    auto ds = MakeNumbers(12);
    TDataSource src(nullptr);
    TDataEventRecorder rec;
    TRecordingDataLink link(&rec, &src, 5);
    src.SetDataSet(ds.get());
    rec.Watch(ds.get());
    ds->MoveBy(6); // record 07, window 03..07
    ASSERT_EQ(Cur(ds.get(), "N"), "07");
    rec.Clear();

    link.SetActiveRecord(0);
    EXPECT_EQ(Cur(ds.get(), "N"), "03");
    link.SetActiveRecord(2);
    EXPECT_EQ(ds->FieldByName("V")->GetAsInteger(), 5);
    link.SetActiveRecord(4);
    EXPECT_TRUE(rec.Log().isEmpty());

    EXPECT_EQ(ds->RecNo(), 7);
    ds->Next();
    EXPECT_EQ(Cur(ds.get(), "N"), "08");
}

// Two links with different window sizes each get their own distance; the dataset keeps the
// larger window.
TEST(DataLink, LinksOfDifferentSizesScrollByTheirOwnDistance) {
    auto ds = MakeNumbers(12);
    TDataSource src(nullptr);
    TDataEventRecorder rec;
    TRecordingDataLink big(&rec, &src, 5, "big");
    TRecordingDataLink small(&rec, &src, 3, "small");
    src.SetDataSet(ds.get());
    EXPECT_EQ(ds->GetBufferCount(), 5);
    rec.Clear();

    ds->MoveBy(3); // record 04: inside the big window, past the small one
    EXPECT_EQ(rec.Take(), QStringList({"small:CheckBrowseMode", "big:CheckBrowseMode",
                                       "small:DataSetScrolled(1)", "big:DataSetScrolled(0)"}));
    EXPECT_EQ(small.WindowValues("N"), QStringList({"02", "03", "04"}));
    EXPECT_EQ(small.GetActiveRecord(), 2);
    EXPECT_EQ(big.WindowValues("N"), QStringList({"01", "02", "03", "04", "05"}));

    big.SetBufferCount(2); // the dataset's window follows the largest link
    EXPECT_EQ(ds->GetBufferCount(), 3);
    EXPECT_EQ(Cur(ds.get(), "N"), "04");
    EXPECT_EQ(small.WindowValues("N"), QStringList({"02", "03", "04"}));
    EXPECT_EQ(big.WindowValues("N"), QStringList({"03", "04"}));
}

// Links become active and inactive with the dataset; the data source tells its own handlers.
TEST(DataLink, ActivationEditingAndSourceEvents) {
    auto ds = MakeNumbers(3);
    ds->Close();
    TDataSource src(nullptr);
    src.SetDataSet(ds.get());
    TDataEventRecorder rec;
    rec.WatchSource(&src);
    TRecordingDataLink link(&rec, &src, 1);

    ds->Open();
    EXPECT_EQ(rec.Take(), QStringList({"link:ActiveChanged(1)", "source:StateChange(1)",
                                       "source:DataChange(nil)"}));
    EXPECT_TRUE(link.Edit());
    EXPECT_EQ(ds->GetState(), dsEdit);
    EXPECT_EQ(rec.Take(), QStringList({"link:CheckBrowseMode", "link:EditingChanged(1)",
                                       "source:StateChange(2)", "link:RecordChanged(nil)",
                                       "source:DataChange(nil)"}));
    ds->FieldByName("V")->SetAsInteger(7);
    EXPECT_EQ(rec.Take(), QStringList({"link:RecordChanged(V)", "source:DataChange(V)"}));
    ds->Cancel();
    rec.Clear();

    link.SetReadOnly(true);
    EXPECT_FALSE(link.Edit());
    EXPECT_EQ(ds->GetState(), dsBrowse);
    src.SetAutoEdit(false);
    link.SetReadOnly(false);
    EXPECT_FALSE(link.Edit()); // AutoEdit off: the source does not start editing
    rec.Clear();

    src.SetEnabled(false);
    EXPECT_FALSE(link.GetActive());
    EXPECT_EQ(rec.Take(), QStringList({"link:ActiveChanged(0)", "source:StateChange(0)"}));
    src.SetEnabled(true);
    rec.Clear();

    // a source switched from one open dataset to another: the links let go of the first
    auto other = MakeNumbers(2);
    src.SetDataSet(other.get());
    EXPECT_EQ(rec.Take(), QStringList({"link:ActiveChanged(0)", "source:StateChange(0)",
                                       "link:ActiveChanged(1)", "source:StateChange(1)",
                                       "source:DataChange(nil)"}));
    EXPECT_EQ(link.GetDataSet(), other.get());
    src.SetDataSet(ds.get());
    rec.Clear();
    ds->Close();
    EXPECT_EQ(rec.Take(), QStringList({"link:ActiveChanged(0)", "source:StateChange(0)"}));
}

// DisableControls nests; the links hear nothing until the last EnableControls, which sends
// the state change that happened meanwhile and then one data-set-changed.
TEST(DataLink, DisableControlsNestsAndEnablingSendsOneChange) {
    auto ds = MakeNumbers(5);
    TDataSource src(nullptr);
    src.SetDataSet(ds.get());
    TDataEventRecorder rec;
    TRecordingDataLink link(&rec, &src, 3);
    rec.Clear();

    ds->DisableControls();
    ds->DisableControls();
    ds->Next();
    ds->Edit();
    ds->FieldByName("V")->SetAsInteger(20);
    ds->EnableControls();
    EXPECT_TRUE(rec.Log().isEmpty());
    EXPECT_TRUE(ds->ControlsDisabled());
    ds->EnableControls();
    EXPECT_FALSE(ds->ControlsDisabled());
    EXPECT_EQ(rec.Take(), QStringList({"link:EditingChanged(1)", "link:DataSetChanged"}));

    ds->Post();
    rec.Clear();
    ds->DisableControls();
    ds->FieldByName("N")->SetIndex(0); // no change in order: nothing happens
    ds->FieldByName("V")->SetIndex(0); // reordering changes the layout
    ds->EnableControls();
    EXPECT_EQ(rec.Take(), QStringList({"link:LayoutChanged"}));
    EXPECT_EQ(ds->Fields(0)->GetFieldName(), "V");
}

// A field link follows its field; UpdateRecord asks the link for its pending value.
TEST(DataLink, FieldDataLinkWritesItsControlsValueOnPost) {
    auto ds = MakeNumbers(2);
    TDataSource src(nullptr);
    src.SetDataSet(ds.get());
    TFieldDataLink link;
    QString controlText;
    int dataChanges = 0;
    link.OnDataChange = [&](TObject*) {
        ++dataChanges;
        controlText = link.GetField() ? link.GetField()->GetText() : QString();
    };
    link.OnUpdateData = [&](TObject*) { link.GetField()->SetText(controlText); };
    link.SetDataSource(&src);
    link.SetFieldName("V");
    ASSERT_EQ(link.GetField(), ds->FieldByName("V"));
    EXPECT_EQ(controlText, "1");

    ASSERT_TRUE(link.Edit());
    controlText = "42";
    link.Modified();
    ds->Post(); // UpdateRecord reaches the link, which writes "42"
    EXPECT_EQ(ds->FieldByName("V")->GetAsInteger(), 42);
    EXPECT_FALSE(link.IsModified());

    dataChanges = 0;
    ds->Next();
    EXPECT_EQ(dataChanges, 1);
    EXPECT_EQ(controlText, "2");

    // Asking to focus a field reaches the link of that field.
    bool focused = false;
    link.OnFocusRequest = [&] {
        focused = true;
        return true;
    };
    ds->FieldByName("V")->FocusControl();
    EXPECT_TRUE(focused);
}

// After a delete, an insert and an append the window is read again around the current record,
// which keeps its row.
TEST(DataLink, WindowAfterEditsKeepsTheCurrentRow) {
    auto ds = MakeNumbers(8);
    TDataSource src(nullptr);
    TDataEventRecorder rec;
    TRecordingDataLink link(&rec, &src, 5);
    src.SetDataSet(ds.get());
    ds->MoveBy(5);
    ASSERT_EQ(link.WindowValues("N"), QStringList({"02", "03", "04", "05", "06"}));

    struct Step {
        const char* what;
        std::function<void()> run;
        QStringList window;
        QString current;
    };
    const std::vector<Step> steps = {
        {"Delete 06", [&] { ds->Delete(); }, {"02", "03", "04", "05", "07"}, "07"},
        {"Insert before 07",
         [&] {
             ds->Insert();
             ds->FieldByName("N")->SetAsString("6b");
             ds->Post();
         },
         {"02", "03", "04", "05", "6b"},
         "6b"},
        {"Append",
         [&] {
             ds->Append();
             ds->FieldByName("N")->SetAsString("09");
             ds->Post();
         },
         {"05", "6b", "07", "08", "09"},
         "09"},
        {"Insert, Cancel",
         [&] {
             ds->Prior();
             ds->Insert();
             ds->Cancel();
         },
         {"05", "6b", "07", "08", "09"},
         "08"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.run();
        EXPECT_EQ(link.WindowValues("N"), s.window);
        EXPECT_EQ(Cur(ds.get(), "N"), s.current);
        EXPECT_EQ(link.GetRecordCount(), 5);
    }
}
