// What a column's cells hold: the column kind, display texts through key and pick lists,
// check-box states, stepped values and whether a value may change.
#include "GridTestSupport.h"

namespace {

class ValueTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        TFieldDefs* d = ds.GetFieldDefs();
        d->Add("SEX", ftString, 1);
        d->Add("YES", ftString, 5);
        d->Add("FLAG", ftBoolean);
        d->Add("QTY", ftInteger);
        d->Add("SUM", ftFloat);
        d->Add("NOTE", ftString, 20);
        d->Add("POS", ftString, 10);
        ds.Open();
        ds.AppendRecord({"Ч", "так", true, 5, 1.5, "текст", "02"});
        ds.First();
        AddColumns({"SEX", "YES", "FLAG", "QTY", "SUM", "NOTE", "POS"});
        Column(0)->GetKeyList()->SetText("Ч\nЖ");
        Column(0)->GetPickList()->SetText("Чоловіча\nЖіноча");
        Column(1)->GetKeyList()->SetText("так;Yes\nні;No");
        Show(&ds);
    }
    TField* F(const char* Name) { return ds.FieldByName(Name); }
    void Put(const char* Name, const Variant& V) {
        if (ds.GetState() == dsBrowse) ds.Edit();
        F(Name)->SetValue(V);
    }
    TMemDataSet ds{nullptr};
};

TEST_F(ValueTest, KeyValuesShowThroughThePickList) {
    TColumnEh* sex = Column(0);
    EXPECT_EQ(sex->GetColumnType(), ctkKeyPickList);
    struct Case {
        Variant value;
        int notInKeyList;
        QString shown;
    };
    const Case cases[] = {
        {"Ч", -1, "Чоловіча"}, {"Ж", -1, "Жіноча"}, {"Х", -1, ""},
        {"Х", 1, "Жіноча"},    {"ч", -1, ""}, // keys match exactly
        {Null(), -1, ""},      {"Х", 5, ""},  // an index past the pick list shows nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown.toStdString() + " " + std::to_string(c.notInKeyList));
        sex->SetNotInKeyListIndex(c.notInKeyList);
        Put("SEX", c.value);
        EXPECT_EQ(sex->GetDisplayText(), c.shown);
    }
    ds.Cancel();
    // a key list with an image list shows no text; a pick list alone shows the field's text
    TImageList images(nullptr);
    sex->SetImageList(&images);
    EXPECT_EQ(sex->GetColumnType(), ctkKeyImageList);
    EXPECT_EQ(sex->GetDisplayText(), "");
    sex->SetImageList(nullptr);
    Column(5)->GetPickList()->SetText("один\nдва");
    EXPECT_EQ(Column(5)->GetColumnType(), ctkPickList);
    EXPECT_EQ(Column(5)->GetDisplayText(), "текст");
    EXPECT_EQ(Column(2)->GetColumnType(), ctkCheckboxes);
    EXPECT_EQ(Column(3)->GetColumnType(), ctkCommon);
}

TEST_F(ValueTest, CheckBoxStatesOfBooleanAndListedValues) {
    TColumnEh* yes = Column(1);
    TColumnEh* flag = Column(2);
    EXPECT_TRUE(flag->GetCheckboxes()); // a boolean field is a check box by default
    yes->SetCheckboxes(true);
    struct Case {
        Variant value;
        TCheckBoxState state;
    };
    const Case listed[] = {{"так", cbChecked},  {"ТАК", cbChecked},  {"yes", cbChecked},
                           {"Ні", cbUnchecked}, {"NO", cbUnchecked}, {"може", cbGrayed},
                           {Null(), cbGrayed}};
    for (const Case& c : listed) {
        Put("YES", c.value);
        EXPECT_EQ(yes->GetCheckboxState(), c.state) << VarToStr(c.value).toStdString();
    }
    const Case flags[] = {{true, cbChecked}, {false, cbUnchecked}, {Null(), cbGrayed}};
    for (const Case& c : flags) {
        Put("FLAG", c.value);
        EXPECT_EQ(flag->GetCheckboxState(), c.state);
    }
    // writing takes the first entry of the line
    yes->SetCheckboxState(cbUnchecked);
    EXPECT_EQ(F("YES")->GetAsString(), "ні");
    yes->SetCheckboxState(cbChecked);
    EXPECT_EQ(F("YES")->GetAsString(), "так");
    yes->SetCheckboxState(cbGrayed);
    EXPECT_TRUE(F("YES")->IsNull());
    flag->SetCheckboxState(cbChecked);
    EXPECT_TRUE(F("FLAG")->GetAsBoolean());
    // with fewer than two lines nothing is known
    yes->GetKeyList()->SetText("так");
    Put("YES", "так");
    EXPECT_EQ(yes->GetCheckboxState(), cbGrayed);
    ds.Cancel();
}

TEST_F(ValueTest, SteppingGoesToTheNextOrPreviousValueAndWraps) {
    Column(5)->GetPickList()->SetText("один\nдва\nтри");
    struct Case {
        const char* what;
        int col;
        Variant start;
        double step;
        QString after;
    };
    const Case cases[] = {
        {"key forward", 0, "Ч", 1, "Ж"},
        {"key forward past the last wraps", 0, "Ж", 1, "Ч"},
        {"key backward past the first wraps", 0, "Ч", -1, "Ж"},
        {"unknown key forward", 0, "Х", 1, "Ч"},
        {"unknown key backward", 0, "Х", -1, "Ж"},
        // the sign of the step sets the direction, whatever its size
        {"pick list forward by two", 5, "один", 2, "два"},
        {"pick list backward by two", 5, "три", -2, "два"},
        {"pick list forward", 5, "два", 1, "три"},
        {"pick list backward past the first", 5, "один", -1, "три"},
        {"check box checked", 2, true, 1, "False"},
        {"check box unchecked", 2, false, 1, "True"},
        {"check box grayed", 2, Null(), 1, "True"},
        {"number up", 3, 5, 1, "6"},
        {"number down", 3, 5, -1, "4"},
        {"empty number", 3, Null(), 1, "1"},
        {"float by a fraction", 4, 1.5, 0.25, "1,75"},
        {"text stays", 6, "02", 1, "02"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ds.Cancel();
        Put(Column(c.col)->GetFieldName().toUtf8().constData(), c.start);
        ds.Post();
        Column(c.col)->StepFieldValue(c.step);
        EXPECT_EQ(ds.GetState(), dsEdit);
        EXPECT_EQ(Column(c.col)->GetField()->GetAsString(), c.after);
    }
    ds.Cancel();
    Put("QTY", 5);
    ds.Post();
    // a column that may not change is left alone, and nothing starts editing
    Column(3)->SetReadOnly(true);
    Column(3)->StepFieldValue(1);
    EXPECT_EQ(ds.GetState(), dsBrowse);
    EXPECT_EQ(F("QTY")->GetAsInteger(), 5);
}

TEST_F(ValueTest, SteppingALookupColumnWalksTheLookupTable) {
    ds.Close();
    auto* pos = new TStringField(form);
    auto* name = new TStringField(form);
    TMemDataSet positions(nullptr);
    positions.GetFieldDefs()->Add("KOD", ftString, 10);
    positions.GetFieldDefs()->Add("NAME", ftString, 30);
    positions.Open();
    positions.AppendRecord({"01", "Інженер"});
    positions.AppendRecord({"02", "Бухгалтер"});
    positions.AppendRecord({"03", "Водій"});
    ds.GetFieldDefs()->Clear();
    pos->SetFieldName("POS");
    pos->SetSize(10);
    pos->SetDataSet(&ds);
    name->SetFieldName("POSNAME");
    name->SetSize(30);
    name->SetFieldKind(fkLookup);
    name->SetKeyFields("POS");
    name->SetLookupDataSet(&positions);
    name->SetLookupKeyFields("KOD");
    name->SetLookupResultField("NAME");
    name->SetDataSet(&ds);
    ds.Open();
    ds.AppendRecord({"02"});
    grid->GetColumns()->Clear();
    AddColumns({"POSNAME"});
    TColumnEh* c = Column(0);
    EXPECT_EQ(c->GetColumnType(), ctkLookupField);
    EXPECT_EQ(c->GetLookupDisplayFields(), "NAME");
    struct Step {
        double step;
        QString key, text;
    };
    for (Step s : {Step{1, "03", "Водій"}, Step{1, "01", "Інженер"}, Step{-1, "03", "Водій"},
                   Step{-1, "02", "Бухгалтер"}}) {
        c->StepFieldValue(s.step);
        EXPECT_EQ(pos->GetAsString(), s.key);
        EXPECT_EQ(name->GetAsString(), s.text);
    }
    ds.Cancel();
    ds.Close();
    delete name;
    delete pos;
}

TEST_F(ValueTest, WhetherAValueMayChange) {
    struct Case {
        const char* what;
        std::function<void()> setUp;
        int col;
        bool may;
    };
    const std::vector<Case> cases = {
        {"a plain column", [] {}, 3, true},
        {"a read-only grid", [&] { grid->SetReadOnly(true); }, 3, false},
        {"a read-only column", [&] { Column(3)->SetReadOnly(true); }, 3, false},
        {"a read-only field", [&] { F("QTY")->SetReadOnly(true); }, 3, false},
        {"a read-only dataset", [&] { ds.SetReadOnly(true); }, 3, false},
        {"no updates allowed",
         [&] {
             grid->SetAllowedOperations(AllDBGridEhOperations -
                                        TDBGridEhAllowedOperations{alopUpdateEh});
         },
         3, false},
        {"no updates but inserting",
         [&] {
             grid->SetAllowedOperations(AllDBGridEhOperations -
                                        TDBGridEhAllowedOperations{alopUpdateEh});
             ds.Append();
         },
         3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.setUp();
        EXPECT_EQ(Column(c.col)->CanModify(false), c.may);
        EXPECT_NE(ds.GetState(), dsEdit); // asking puts nothing into editing
        bool tried = Column(c.col)->CanModify(true);
        EXPECT_EQ(tried, c.may);
        if (c.may) {
            EXPECT_TRUE(ds.GetState() == dsEdit || ds.GetState() == dsInsert);
        }
        EXPECT_EQ(grid->GetDataLink()->GetModified(), c.may);
        // undo the case
        ds.Cancel();
        grid->GetDataLink()->Reset();
        grid->SetReadOnly(false);
        Column(c.col)->RestoreDefaults();
        F("QTY")->SetReadOnly(false);
        ds.SetReadOnly(false);
        grid->SetAllowedOperations(AllDBGridEhOperations);
    }
}

} // namespace
