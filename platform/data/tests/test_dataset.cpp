// Navigation, editing with its event order, searching, calculated and lookup fields, filters
// and master-detail on the in-memory dataset.
#include "DataTestSupport.h"

#include <gtest/gtest.h>

// ---- navigation
// ----------------------------------------------------------------------------------

TEST(DataSetNavigation, BothEnds) {
    auto ds = MakeNumbers(3);
    struct Case {
        const char* what;
        std::function<void()> move;
        QString current;
        bool bof, eof;
    };
    const std::vector<Case> cases = {
        {"First", [&] { ds->First(); }, "01", true, false},
        {"Prior at the first", [&] { ds->Prior(); }, "01", true, false},
        {"Next", [&] { ds->Next(); }, "02", false, false},
        {"Last", [&] { ds->Last(); }, "03", false, true},
        {"Next at the last", [&] { ds->Next(); }, "03", false, true},
        {"Prior", [&] { ds->Prior(); }, "02", false, false},
        {"MoveBy(5)", [&] { EXPECT_EQ(ds->MoveBy(5), 1); }, "03", false, true},
        {"RecNo := 1", [&] { ds->SetRecNo(1); }, "01", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.move();
        EXPECT_EQ(Cur(ds.get(), "N"), c.current);
        EXPECT_EQ(ds->Bof(), c.bof);
        EXPECT_EQ(ds->Eof(), c.eof);
    }
    EXPECT_EQ(ds->RecordCount(), 3);
    EXPECT_EQ(ds->RecNo(), 1);
}

TEST(DataSetNavigation, EmptyDataSetIsAtBothEnds) {
    auto ds = MakeNumbers(0);
    EXPECT_TRUE(ds->IsEmpty());
    EXPECT_TRUE(ds->Bof() && ds->Eof());
    EXPECT_TRUE(ds->FieldByName("N")->IsNull());
    EXPECT_EQ(ds->FieldByName("N")->GetAsString(), "");
    ds->Next();
    ds->Last();
    EXPECT_TRUE(ds->IsEmpty());
    EXPECT_EQ(ds->RecNo(), -1);
    EXPECT_THROW(ds->Delete(), EDatabaseError);
}

TEST(DataSetNavigation, UnsequencedDataSetHasNoRecordNumbers) {
    auto ds = MakeNumbers(4);
    ds->SetSequenced(false);
    EXPECT_FALSE(ds->IsSequenced());
    ds->Next();
    EXPECT_EQ(ds->RecNo(), -1);
    ds->SetRecNo(4);
    EXPECT_EQ(Cur(ds.get(), "N"), "02");
    EXPECT_EQ(ds->RecordCount(), 4);
}

// ---- editing and its events
// -------------------------------------------------------------------------

// Each operation as a row: what runs, the events and link notifications in order, and the
// table afterwards.
TEST(DataSetEditing, EventOrder) {
    auto ds = MakeNumbers(3);
    TDataSource src(nullptr);
    src.SetDataSet(ds.get());
    TDataEventRecorder rec;
    TRecordingDataLink link(&rec, &src, 3);
    rec.Watch(ds.get());
    ds->First();
    ds->Next(); // on 02
    rec.Clear();

    struct Case {
        const char* what;
        std::function<void()> run;
        QStringList log;
        QStringList table;
    };
    const std::vector<Case> cases = {
        {"Edit, change, Post",
         [&] {
             ds->Edit();
             ds->FieldByName("V")->SetAsInteger(20);
             ds->Post();
         },
         {"link:CheckBrowseMode", "BeforeEdit", "link:EditingChanged(1)", "link:RecordChanged(nil)",
          "AfterEdit", "link:RecordChanged(V)", "link:UpdateData", "link:CheckBrowseMode",
          "BeforePost", "link:EditingChanged(0)", "link:DataSetChanged", "AfterPost"},
         {"01", "02", "03"}},
        {"Insert before the current, Post",
         [&] {
             ds->Insert();
             ds->FieldByName("N")->SetAsString("1a");
             ds->Post();
         },
         {"link:CheckBrowseMode", "BeforeInsert", "BeforeScroll", "link:EditingChanged(1)",
          "OnNewRecord", "link:DataSetChanged", "AfterInsert", "AfterScroll",
          "link:RecordChanged(N)", "link:UpdateData", "link:CheckBrowseMode", "BeforePost",
          "link:EditingChanged(0)", "link:DataSetChanged", "AfterPost"},
         {"01", "1a", "02", "03"}},
        {"Edit, Cancel",
         [&] {
             ds->Edit();
             ds->Cancel();
         },
         {"link:CheckBrowseMode", "BeforeEdit", "link:EditingChanged(1)", "link:RecordChanged(nil)",
          "AfterEdit", "link:CheckBrowseMode", "BeforeCancel", "link:EditingChanged(0)",
          "link:DataSetChanged", "AfterCancel"},
         {"01", "1a", "02", "03"}},
        {"Delete",
         [&] { ds->Delete(); },
         {"link:CheckBrowseMode", "BeforeDelete", "BeforeScroll", "link:DataSetChanged",
          "AfterDelete", "AfterScroll"},
         {"01", "02", "03"}},
        {"Append, Cancel",
         [&] {
             ds->Append();
             ds->FieldByName("N")->SetAsString("zz");
             ds->Cancel();
         },
         {"link:CheckBrowseMode", "BeforeInsert", "BeforeScroll", "link:EditingChanged(1)",
          "OnNewRecord", "link:DataSetChanged", "AfterInsert", "AfterScroll",
          "link:RecordChanged(N)", "link:CheckBrowseMode", "BeforeCancel", "BeforeScroll",
          "link:EditingChanged(0)", "link:DataSetChanged", "AfterCancel", "AfterScroll"},
         {"01", "02", "03"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rec.Clear();
        c.run();
        EXPECT_EQ(rec.Take(), c.log);
        EXPECT_EQ(ds->GetState(), dsBrowse);
        TBookmark here = ds->GetBookmark();
        rec.Unwatch();
        EXPECT_EQ(Column(ds.get(), "N"), c.table);
        ds->GotoBookmark(here);
        rec.Watch(ds.get());
    }
    // Cancelling an append leaves the last record current.
    EXPECT_EQ(Cur(ds.get(), "N"), "03");
    ASSERT_TRUE(ds->Locate("N", "02", {}));
    EXPECT_EQ(ds->FieldByName("V")->GetAsInteger(), 20);
}

TEST(DataSetEditing, AppendPutsTheRecordLastAndPostKeepsItCurrent) {
    auto ds = MakeNumbers(2);
    ds->First();
    ds->Append();
    EXPECT_EQ(ds->GetState(), dsInsert);
    EXPECT_FALSE(ds->GetModified());
    ds->FieldByName("N")->SetAsString("03");
    EXPECT_TRUE(ds->GetModified());
    ds->Post();
    EXPECT_EQ(Cur(ds.get(), "N"), "03");
    EXPECT_TRUE(ds->Eof() == false);
    ds->Next();
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(Column(ds.get(), "N"), QStringList({"01", "02", "03"}));
}

// A navigation while editing posts a modified record and cancels an unmodified one.
TEST(DataSetEditing, CheckBrowseModePostsOrCancels) {
    auto ds = MakeNumbers(3);
    ds->Edit();
    ds->FieldByName("V")->SetAsInteger(100);
    ds->Next();
    ds->First();
    EXPECT_EQ(ds->FieldByName("V")->GetAsInteger(), 100);

    ds->Insert();
    ds->Next(); // nothing typed: the new record is dropped
    EXPECT_EQ(ds->RecordCount(), 3);
}

TEST(DataSetEditing, OldAndNewValues) {
    auto ds = MakeNumbers(2);
    ds->Edit();
    TField* v = ds->FieldByName("V");
    v->SetAsInteger(50);
    EXPECT_EQ(v->GetOldValue(), Variant(1));
    EXPECT_EQ(v->GetNewValue(), Variant(50));
    EXPECT_EQ(v->GetAsInteger(), 50);
    ds->Cancel();
    EXPECT_EQ(v->GetAsInteger(), 1);
    ds->Insert();
    EXPECT_TRUE(VarIsNull(v->GetOldValue()));
    ds->Cancel();
}

// A BeforePost that aborts leaves the record in edit state with nothing stored; the edit can
// be finished afterwards.
TEST(DataSetEditing, AbortInBeforePostKeepsTheEdit) {
    auto ds = MakeNumbers(2);
    bool refuse = true;
    ds->BeforePost = [&](TDataSet*) {
        if (refuse) Abort();
    };
    ds->Edit();
    ds->FieldByName("V")->SetAsInteger(77);
    EXPECT_THROW(ds->Post(), EAbort);
    EXPECT_EQ(ds->GetState(), dsEdit);
    EXPECT_EQ(ds->FieldByName("V")->GetAsInteger(), 77);
    EXPECT_EQ(ds->FieldByName("V")->GetOldValue(), Variant(1));

    refuse = false;
    ds->Post();
    EXPECT_EQ(ds->GetState(), dsBrowse);
    EXPECT_EQ(ds->FieldByName("V")->GetAsInteger(), 77);
}

// A required field left empty fails the post with the field's name; OnPostError may turn
// the failure into a silent abort. Nothing is stored either way.
TEST(DataSetEditing, RequiredFieldMustHaveAValue) {
    auto ds = MakePeople();
    ds->FieldByName("TAB")->SetDisplayLabel("Табельний номер");
    ds->Append();
    ds->FieldByName("FAMILY")->SetAsString("Новенко");
    try {
        ds->Post();
        FAIL() << "posted without TAB";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Field 'Табельний номер' must have a value");
    }
    EXPECT_EQ(ds->GetState(), dsInsert);
    EXPECT_EQ(ds->StoredRecordCount(), 5);

    int errors = 0;
    ds->OnPostError = [&](TDataSet*, EDatabaseError&, TDataAction& action) {
        ++errors;
        action = daAbort;
    };
    EXPECT_THROW(ds->Post(), EAbort);
    EXPECT_EQ(errors, 1);
    ds->FieldByName("TAB")->SetAsString("00006");
    ds->Post();
    EXPECT_EQ(ds->StoredRecordCount(), 6);
}

// Refresh re-reads the current record and its neighbours from the store.
TEST(DataSetEditing, RefreshRereadsTheWindow) {
    struct Store : TMemDataSet {
        using TMemDataSet::TMemDataSet;
        int refreshes = 0;
        void InternalRefresh() override { ++refreshes; }
    };
    Store ds(nullptr);
    ds.GetFieldDefs()->Add("N", ftInteger);
    ds.Open();
    for (int i = 1; i <= 3; ++i)
        ds.AppendRecord({i});
    ds.SetRecNo(2);
    TDataEventRecorder rec;
    rec.Watch(&ds);
    ds.Refresh();
    EXPECT_EQ(rec.Take(), QStringList({"BeforeRefresh", "AfterRefresh"}));
    EXPECT_EQ(ds.refreshes, 1);
    EXPECT_EQ(ds.FieldByName("N")->GetAsInteger(), 2);
    ds.Edit();
    ds.FieldByName("N")->SetAsInteger(20);
    ds.Refresh(); // a pending edit is posted first
    EXPECT_EQ(ds.GetState(), dsBrowse);
    EXPECT_EQ(ds.FieldByName("N")->GetAsInteger(), 20);
}

// A failing delete goes through OnDeleteError; daRetry runs the delete again.
TEST(DataSetEditing, DeleteErrorRetry) {
    struct Flaky : TMemDataSet {
        using TMemDataSet::TMemDataSet;
        int failures = 1;
        void InternalDelete() override {
            if (failures-- > 0) DatabaseError("Record locked.");
            TMemDataSet::InternalDelete();
        }
    };
    Flaky ds(nullptr);
    ds.GetFieldDefs()->Add("N", ftInteger);
    ds.Open();
    ds.AppendRecord({1});
    ds.AppendRecord({2});
    ds.First();
    EXPECT_THROW(ds.Delete(), EDatabaseError);
    EXPECT_EQ(ds.RecordCount(), 2);

    QStringList seen;
    ds.failures = 1;
    ds.OnDeleteError = [&](TDataSet*, EDatabaseError& e, TDataAction& a) {
        seen << e.Message;
        a = daRetry;
    };
    ds.Delete();
    EXPECT_EQ(seen, QStringList({"Record locked."}));
    EXPECT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("N")->GetAsInteger(), 2);
}

// ---- bad input ----------------------------------------------------------------------------------

TEST(DataSetErrors, BadInputRaisesAndChangesNothing) {
    auto ds = MakePeople();
    ds->SetName("People");
    struct Case {
        const char* what;
        std::function<void()> run;
        QString message;
    };
    const std::vector<Case> cases = {
        {"unknown field", [&] { ds->FieldByName("NOPE"); }, "People: Field 'NOPE' not found"},
        {"text into an integer",
         [&] {
             ds->Edit();
             ds->FieldByName("AGE")->SetAsString("4x5");
         },
         "'4x5' is not a valid integer value for field 'AGE'"},
        {"edit without edit mode", [&] { ds->FieldByName("AGE")->SetAsInteger(3); },
         "People: Dataset not in edit or insert mode"},
        {"unknown key field in Locate", [&] { ds->Locate("NOPE", 1, {}); },
         "People: Field 'NOPE' not found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            c.run();
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, c.message);
        }
        if (ds->GetState() == dsEdit) {
            EXPECT_FALSE(ds->GetModified());
            ds->Cancel();
        }
        EXPECT_EQ(ds->FieldByName("AGE")->GetAsInteger(), 45);
    }
    // The integer error is a conversion error, as for dates below.
    ds->Edit();
    EXPECT_THROW(ds->FieldByName("AGE")->SetAsString("abc"), EConvertError);
    ds->Cancel();
}

TEST(DataSetErrors, ClosedDataSetRefusesNavigationAndEditing) {
    auto ds = MakeNumbers(2);
    ds->SetName("Numbers");
    ds->Close();
    const std::vector<std::pair<const char*, std::function<void()>>> ops = {
        {"First", [&] { ds->First(); }},   {"Next", [&] { ds->Next(); }},
        {"Last", [&] { ds->Last(); }},     {"MoveBy", [&] { ds->MoveBy(2); }},
        {"Edit", [&] { ds->Edit(); }},     {"Append", [&] { ds->Append(); }},
        {"Delete", [&] { ds->Delete(); }}, {"Locate", [&] { ds->Locate("N", "01", {}); }},
    };
    for (const auto& [what, op] : ops) {
        SCOPED_TRACE(what);
        try {
            op();
            ADD_FAILURE() << "no error";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message, "Numbers: Cannot perform this operation on a closed dataset");
        }
        EXPECT_EQ(ds->GetState(), dsInactive);
    }
    ds->Open();
    EXPECT_EQ(ds->RecordCount(), 2); // the rows stayed while closed
}

TEST(DataSetErrors, ReadOnlyDataSetAndField) {
    auto ds = MakeNumbers(1);
    ds->SetReadOnly(true);
    EXPECT_FALSE(ds->CanModify());
    try {
        ds->Edit();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Cannot modify a read-only dataset");
    }
    ds->SetReadOnly(false);
    ds->FieldByName("V")->SetReadOnly(true);
    ds->Edit();
    EXPECT_FALSE(ds->FieldByName("V")->CanModify());
    try {
        ds->FieldByName("V")->SetAsInteger(3);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Field 'V' cannot be modified");
    }
    ds->Cancel();
}

// ---- bookmarks ----------------------------------------------------------------------------------

TEST(DataSetBookmarks, CompareInRecordOrderAndSurviveDeletesElsewhere) {
    auto ds = MakeNumbers(10);
    auto bookmarkOf = [&](int recNo) {
        ds->SetRecNo(recNo);
        return ds->GetBookmark();
    };
    TBookmark b3 = bookmarkOf(3), b5 = bookmarkOf(5), b7 = bookmarkOf(7), b10 = bookmarkOf(10);
    EXPECT_LT(ds->CompareBookmarks(b3, b7), 0);
    EXPECT_GT(ds->CompareBookmarks(b10, b7), 0);
    EXPECT_EQ(ds->CompareBookmarks(b7, bookmarkOf(7)), 0);
    EXPECT_LT(ds->CompareBookmarks(b10, TBookmark()), 0); // no bookmark sorts last

    ds->GotoBookmark(b5);
    ds->Delete();
    EXPECT_FALSE(ds->BookmarkValid(b5));
    EXPECT_TRUE(ds->BookmarkValid(b7));
    ds->GotoBookmark(b7);
    EXPECT_EQ(Cur(ds.get(), "N"), "07");
    EXPECT_EQ(ds->RecNo(), 6);
    EXPECT_LT(ds->CompareBookmarks(b3, b7), 0);

    // A record inserted before 07 sorts between 03 and 07.
    ds->Insert();
    ds->FieldByName("N")->SetAsString("6a");
    ds->Post();
    TBookmark b6a = ds->GetBookmark();
    EXPECT_LT(ds->CompareBookmarks(b3, b6a), 0);
    EXPECT_LT(ds->CompareBookmarks(b6a, b7), 0);
    ds->GotoBookmark(b10);
    EXPECT_EQ(Cur(ds.get(), "N"), "10");

    try {
        ds->GotoBookmark(b5);
        FAIL() << "went to a deleted record";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Bookmark not found");
    }
    EXPECT_EQ(Cur(ds.get(), "N"), "10");
    EXPECT_TRUE(ds->GetBookmark().size() > 0);
    ds->Insert();
    EXPECT_TRUE(ds->GetBookmark().isEmpty()); // a record being inserted has none yet
    ds->Cancel();
}

// ---- searching ----------------------------------------------------------------------------------

TEST(DataSetLocate, Keys) {
    auto ds = MakePeople();
    struct Case {
        const char* fields;
        Variant keys;
        TLocateOptions options;
        QString found; // "" = not found
    };
    const std::vector<Case> cases = {
        {"FAMILY", "Петренко", {}, "00002"},
        {"FAMILY", "петренко", {}, ""},
        {"FAMILY", "петренко", {loCaseInsensitive}, "00002"},
        {"FAMILY", "Іван", {loPartialKey}, "00001"},
        {"FAMILY", "іван", {loPartialKey}, "00003"},
        {"FAMILY", "ІВАНІ", {loPartialKey, loCaseInsensitive}, "00003"},
        {"FAMILY", "ґудзь", {loCaseInsensitive}, "00004"},
        {"FAMILY", "єрмак", {loCaseInsensitive}, "00005"},
        {"FAMILY", "Петр", {}, ""},
        {"FAMILY", "", {loPartialKey}, "00001"},
        {"AGE", 33, {}, "00003"},
        {"AGE", "51", {}, "00004"},
        {"KODP", Null(), {}, "00005"},
        {"FAMILY;NAME", VarArrayOf({"іванів", "Петро"}), {}, "00003"},
        {"FAMILY;NAME", VarArrayOf({"Іваненко", "Пет"}), {loPartialKey}, ""},
        {"KODP;NAME", VarArrayOf({10, "пе"}), {loPartialKey, loCaseInsensitive}, "00003"},
        {"KODP;SEX", VarArrayOf({10}), {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("%1 = %2")
                         .arg(c.fields, VarToStr(c.keys.IsArray() ? c.keys[0] : c.keys))
                         .toStdString());
        ds->SetRecNo(2);
        bool ok = ds->Locate(c.fields, c.keys, c.options);
        EXPECT_EQ(ok, !c.found.isEmpty());
        EXPECT_EQ(Cur(ds.get()), c.found.isEmpty() ? QString("00002") : c.found);
    }
}

TEST(DataSetLocate, FiresScrollEventsOnlyWhenFound) {
    auto ds = MakePeople();
    TDataEventRecorder rec;
    rec.Watch(ds.get());
    EXPECT_FALSE(ds->Locate("FAMILY", "Нема", {}));
    EXPECT_TRUE(rec.Log().isEmpty());
    EXPECT_TRUE(ds->Locate("FAMILY", "Єрмак", {}));
    EXPECT_EQ(rec.Take(), QStringList({"BeforeScroll", "AfterScroll"}));
}

TEST(DataSetLocate, LookupReadsWithoutMoving) {
    auto ds = MakePeople();
    ds->SetRecNo(4);
    EXPECT_EQ(ds->Lookup("TAB", "00002", "FAMILY"), Variant("Петренко"));
    Variant both = ds->Lookup("FAMILY;NAME", VarArrayOf({"іванів", "Петро"}), "TAB;AGE");
    ASSERT_TRUE(both.IsArray());
    EXPECT_EQ(both[0], Variant("00003"));
    EXPECT_EQ(both[1], Variant(33));
    EXPECT_TRUE(VarIsNull(ds->Lookup("TAB", "99999", "FAMILY")));
    EXPECT_EQ(Cur(ds.get()), "00004");
    ds->Next();
    EXPECT_EQ(Cur(ds.get()), "00005");
}

// ---- calculated and lookup fields
// ----------------------------------------------------------------

TEST(DataSetFields, CalculatedFieldFollowsItsSources) {
    TComponent owner(nullptr);
    TMemDataSet ds(&owner);
    auto* fam = new TStringField(&owner);
    fam->SetFieldName("FAMILY");
    fam->SetSize(30);
    fam->SetDataSet(&ds);
    auto* name = new TStringField(&owner);
    name->SetFieldName("NAME");
    name->SetDataSet(&ds);
    auto* full = new TStringField(&owner);
    full->SetFieldName("FULL");
    full->SetSize(60);
    full->SetFieldKind(fkCalculated);
    full->SetDataSet(&ds);
    int calcs = 0;
    ds.OnCalcFields = [&](TDataSet* d) {
        ++calcs;
        d->FieldByName("FULL")->SetAsString(d->FieldByName("FAMILY")->GetAsString() + " " +
                                            d->FieldByName("NAME")->GetAsString());
    };
    ds.Open(); // persistent fields give the table's layout
    EXPECT_FALSE(ds.GetDefaultFields());
    ds.AppendRecord({"Іваненко", "Іван"});
    ds.AppendRecord({"Ґудзь", "Євгенія"});
    EXPECT_EQ(Column(&ds, "FULL"), QStringList({"Іваненко Іван", "Ґудзь Євгенія"}));
    EXPECT_FALSE(full->CanModify());

    ds.First();
    ds.Edit();
    name->SetAsString("Петро");
    EXPECT_EQ(full->GetAsString(), "Іваненко Петро"); // recomputed while editing
    ds.Cancel();
    EXPECT_EQ(full->GetAsString(), "Іваненко Іван");
    EXPECT_GT(calcs, 0);
}

TEST(DataSetFields, LookupFieldResolvesThroughAnotherDataSet) {
    TComponent owner(nullptr);
    TMemDataSet podr(&owner);
    podr.GetFieldDefs()->Add("KODP", ftInteger);
    podr.GetFieldDefs()->Add("NAIPODR", ftString, 60);
    podr.Open();
    podr.AppendRecord({10, "Бухгалтерія"});
    podr.AppendRecord({20, "Відділ кадрів"});
    podr.First();

    for (bool cached : {false, true}) {
        SCOPED_TRACE(cached ? "cached" : "not cached");
        auto kadr = MakePeople(&owner);
        kadr->Close();
        // Default fields become persistent ones so that a lookup field can join them.
        for (int i = 0; i < kadr->GetFieldDefs()->Count(); ++i)
            kadr->GetFieldDefs()->GetItems(i)->CreateField(&owner);
        auto* look = new TStringField(&owner);
        look->SetFieldName("LOOK");
        look->SetSize(60);
        look->SetFieldKind(fkLookup);
        look->SetKeyFields("KODP");
        look->SetLookupDataSet(&podr);
        look->SetLookupKeyFields("KODP");
        look->SetLookupResultField("NAIPODR");
        look->SetLookupCache(cached);
        look->SetDataSet(kadr.get());
        kadr->Open();
        EXPECT_EQ(Column(kadr.get(), "LOOK"),
                  QStringList({"Бухгалтерія", "Відділ кадрів", "Бухгалтерія", "", ""}));
        kadr->First();
        kadr->Edit();
        kadr->FieldByName("KODP")->SetAsInteger(20);
        EXPECT_EQ(look->GetAsString(), "Відділ кадрів");
        kadr->Post();
        EXPECT_EQ(look->GetAsString(), "Відділ кадрів");
        EXPECT_EQ(podr.RecNo(), 1); // the lookup dataset did not move for an uncached lookup
        kadr->Close();
        delete look;
    }
}

TEST(DataSetFields, IncompleteLookupDefinitionFailsTheOpen) {
    TMemDataSet ds(nullptr);
    ds.GetFieldDefs()->Add("KODP", ftInteger);
    ds.GetFieldDefs()->GetItems(0)->CreateField(&ds);
    auto* look = new TStringField(&ds);
    look->SetFieldName("LOOK");
    look->SetFieldKind(fkLookup);
    look->SetDataSet(&ds);
    try {
        ds.Open();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Lookup information for field 'LOOK' is incomplete");
    }
    EXPECT_FALSE(ds.GetActive());
}

// ---- filters ------------------------------------------------------------------------------------

TEST(DataSetFilter, TextAndEvent) {
    auto ds = MakePeople();
    struct Case {
        QString filter;
        TFilterOptions options;
        QStringList tabs;
    };
    const std::vector<Case> cases = {
        {"SEX = 'Ж'", {}, {"00002", "00004"}},
        {"AGE >= 30 AND SEX = 'Ч'", {}, {"00001", "00003"}},
        {"AGE < 20 OR KODP = 30", {}, {"00004", "00005"}},
        {"NOT (KODP = 10)", {}, {"00002", "00004", "00005"}}, // a null compares false
        {"KODP = NULL", {}, {"00005"}},
        {"KODP IS NOT NULL AND [FAMILY] <> 'Ґудзь'", {}, {"00001", "00002", "00003"}},
        {"FAMILY = 'Іван*'", {}, {"00001"}},
        {"FAMILY = 'іван*'", {foCaseInsensitive}, {"00001", "00003"}},
        {"FAMILY = 'Іван*'", {foNoPartialCompare}, {}},
        {"", {}, {"00001", "00002", "00003", "00004", "00005"}},
    };
    ds->SetFiltered(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter.toStdString());
        ds->SetFilterOptions(c.options);
        ds->SetFilter(c.filter);
        EXPECT_EQ(Column(ds.get(), "TAB"), c.tabs);
        EXPECT_EQ(ds->RecordCount(), c.tabs.size());
    }

    ds->SetFilter("SEX = 'Ч'");
    ds->OnFilterRecord = [](TDataSet* d, bool& accept) {
        accept = d->FieldByName("AGE")->GetAsInteger() > 20;
    };
    EXPECT_EQ(Column(ds.get(), "TAB"), QStringList({"00001", "00003"}));
    ds->Last();
    EXPECT_EQ(ds->RecNo(), 2);
    ds->SetFiltered(false);
    EXPECT_EQ(ds->RecordCount(), 5);
}

TEST(DataSetFilter, MalformedTextIsRefusedWhenSet) {
    auto ds = MakePeople();
    ds->SetFilter("SEX = 'Ж'");
    for (const char* bad : {"SEX = ", "SEX 'Ж'", "(AGE > 1", "AGE > 1 )", "NAME = 'abc"}) {
        SCOPED_TRACE(bad);
        try {
            ds->SetFilter(bad);
            ADD_FAILURE() << "accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_TRUE(e.Message.startsWith("Filter expression incorrectly formatted: "))
                << e.Message.toStdString();
        }
    }
    EXPECT_EQ(ds->GetFilter(), "SEX = 'Ж'");
}

// A record edited so that it no longer passes the filter leaves the view on post.
TEST(DataSetFilter, PostedRecordOutsideTheFilterDisappears) {
    auto ds = MakePeople();
    ds->SetFilter("SEX = 'Ж'");
    ds->SetFiltered(true);
    ds->First();
    ds->Edit();
    ds->FieldByName("SEX")->SetAsString("Ч");
    ds->Post();
    EXPECT_EQ(Cur(ds.get()), "00004");
    EXPECT_EQ(ds->RecordCount(), 1);
}

// ---- master-detail ------------------------------------------------------------------------------

TEST(DataSetMasterDetail, DetailFollowsTheMaster) {
    TComponent owner(nullptr);
    auto kadr = MakePeople(&owner);
    TDataSource src(&owner);
    src.SetDataSet(kadr.get());
    TMemDataSet kids(&owner);
    kids.GetFieldDefs()->Add("KID_TAB", ftString, 5);
    kids.GetFieldDefs()->Add("KID_NAME", ftString, 20);
    kids.Open();
    for (auto [tab, name] : {std::pair{"00001", "Оля"}, {"00003", "Іра"}, {"00001", "Тарас"}})
        kids.AppendRecord({tab, name});
    kids.SetDetailFields("KID_TAB");
    kids.SetMasterSource(&src);
    kids.SetMasterFields("TAB");

    struct Case {
        QString master;
        QStringList kidNames;
    };
    for (const Case& c :
         std::vector<Case>{{"00001", {"Оля", "Тарас"}}, {"00002", {}}, {"00003", {"Іра"}}}) {
        SCOPED_TRACE(c.master.toStdString());
        ASSERT_TRUE(kadr->Locate("TAB", c.master, {}));
        EXPECT_EQ(Column(&kids, "KID_NAME"), c.kidNames);
        EXPECT_EQ(kids.RecordCount(), c.kidNames.size());
    }

    kids.Append(); // a new child belongs to the current employee
    EXPECT_EQ(kids.FieldByName("KID_TAB")->GetAsString(), "00003");
    kids.FieldByName("KID_NAME")->SetAsString("Марко");
    kids.Post();
    EXPECT_EQ(Column(&kids, "KID_NAME"), QStringList({"Іра", "Марко"}));

    // Renumbering the master moves it away from its children.
    kadr->Edit();
    kadr->FieldByName("TAB")->SetAsString("00009");
    EXPECT_TRUE(kids.IsEmpty());
    kadr->Cancel();
    EXPECT_EQ(kids.RecordCount(), 2);
    EXPECT_EQ(kids.StoredRecordCount(), 4);
}

TEST(DataSetMasterDetail, CircularLinksAreRefused) {
    TComponent owner(nullptr);
    TMemDataSet a(&owner), b(&owner);
    for (TMemDataSet* d : {&a, &b}) {
        d->GetFieldDefs()->Add("K", ftInteger);
        d->Open();
    }
    TDataSource srcA(&owner), srcB(&owner);
    srcA.SetDataSet(&a);
    srcB.SetDataSet(&b);
    b.SetMasterSource(&srcA);
    b.SetMasterFields("K");
    try {
        a.SetMasterSource(&srcB);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Circular datalinks are not allowed");
    }
    EXPECT_EQ(a.GetMasterSource(), nullptr);
    try {
        srcA.SetDataSet(&b); // srcA would feed b, whose master is srcA
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Circular datalinks are not allowed");
    }
    EXPECT_EQ(srcA.GetDataSet(), &a);
}

// ---- ownership ----------------------------------------------------------------------------------

// Components going away in any order leave no dangling references.
TEST(DataSetOwnership, OwnerDeletesDataSetFieldsSourcesAndLinks) {
    for (bool dataSetFirst : {true, false}) {
        auto owner = std::make_unique<TComponent>(nullptr);
        TMemDataSet* ds = nullptr;
        TStringField* f = nullptr;
        auto makeDs = [&] {
            ds = new TMemDataSet(owner.get());
            ds->GetFieldDefs()->Add("N", ftString, 5);
        };
        auto makeField = [&] {
            f = new TStringField(owner.get());
            f->SetFieldName("N");
            f->SetSize(5);
        };
        if (dataSetFirst) {
            makeDs();
            makeField();
        } else {
            makeField();
            makeDs();
        }
        f->SetDataSet(ds);
        auto* src = new TDataSource(owner.get());
        src->SetDataSet(ds);
        TDataEventRecorder rec;
        TRecordingDataLink link(&rec, src, 2);
        ds->Open();
        ds->AppendRecord({"a"});
        owner.reset();
        EXPECT_EQ(link.GetDataSource(), nullptr);
        EXPECT_FALSE(link.GetActive());
    }
}

TEST(DataSetOwnership, FreeingAnOpenDataSetWhoseSourceRaisesOnClosingClosesIt) {
    // A data source's OnStateChange that raises when the dataset goes inactive: freeing the
    // open dataset neither ends the program nor leaves it open; a plain Close reports it.
    for (bool freeIt : {true, false}) {
        SCOPED_TRACE(freeIt ? "freed" : "closed");
        auto ds = MakeNumbers(3);
        TDataSource src(nullptr);
        src.SetDataSet(ds.get());
        TDataEventRecorder rec;
        TRecordingDataLink link(&rec, &src, 2);
        int raised = 0;
        TDataSet* raw = ds.get();
        src.OnStateChange = [&](TObject*) {
            if (raw->GetState() == dsInactive) {
                ++raised;
                throw EDatabaseError(QStringLiteral("Список не закрито"));
            }
        };
        if (freeIt) {
            ds.reset();
            EXPECT_EQ(link.GetDataSource(), &src);
            EXPECT_EQ(src.GetDataSet(), nullptr);
            EXPECT_FALSE(link.GetActive());
        } else {
            EXPECT_THROW(ds->Close(), EDatabaseError);
            EXPECT_FALSE(ds->GetActive());
            src.OnStateChange = nullptr;
            ds->Open(); // closed for good: it opens again
            EXPECT_EQ(ds->GetRecordCount(), 3);
        }
        EXPECT_EQ(raised, 1);
    }
}
