// Field values, their text in the Ukrainian settings, conversions and bad input.
#include "BlobChangeCheck.h"
#include "DataTestSupport.h"
#include "CodePages.h"
#include "Dates.h"

#include <cstring>

#include <gtest/gtest.h>

namespace {

// One record with a field of every common kind, in edit state.
struct AllTypes {
    TMemDataSet ds{nullptr};
    AllTypes() {
        TFieldDefs* d = ds.GetFieldDefs();
        d->Add("S", ftString, 5);
        d->Add("FC", ftFixedChar, 4);
        d->Add("W", ftWideString, 3);
        d->Add("SI", ftSmallint);
        d->Add("I", ftInteger);
        d->Add("WD", ftWord);
        d->Add("L", ftLargeint);
        d->Add("B", ftBoolean);
        d->Add("F", ftFloat);
        d->Add("C", ftCurrency);
        d->Add("BCD", ftBCD, 2)->SetPrecision(9);
        d->Add("D", ftDate);
        d->Add("T", ftTime);
        d->Add("DT", ftDateTime);
        d->Add("BY", ftBytes, 3);
        d->Add("VB", ftVarBytes, 4);
        d->Add("M", ftMemo);
        d->Add("G", ftGraphic);
        ds.Open();
        ds.Append();
    }
    TField* f(const char* name) { return ds.FieldByName(name); }
};

} // namespace

TEST(Fields, TypeOrdinalsAndClasses) {
    EXPECT_EQ(int(ftString), 1);
    EXPECT_EQ(int(ftBCD), 8);
    EXPECT_EQ(int(ftAutoInc), 14);
    EXPECT_EQ(int(ftMemo), 16);
    EXPECT_EQ(int(ftFixedChar), 23);
    EXPECT_EQ(int(ftLargeint), 25);
    EXPECT_EQ(int(ftGuid), 35);
    AllTypes t;
    EXPECT_EQ(t.f("S")->ClassName(), "TStringField");
    EXPECT_EQ(t.f("FC")->ClassName(), "TStringField");
    EXPECT_EQ(t.f("FC")->GetDataType(), ftFixedChar);
    EXPECT_EQ(t.f("BCD")->ClassName(), "TBCDField");
    EXPECT_EQ(t.f("C")->ClassName(), "TCurrencyField");
    EXPECT_EQ(t.f("M")->ClassName(), "TMemoField");
    EXPECT_EQ(t.f("G")->ClassName(), "TGraphicField");
    EXPECT_EQ(t.f("D")->ClassName(), "TDateField");
    EXPECT_EQ(t.f("I")->GetAlignment(), taRightJustify);
    EXPECT_EQ(t.f("S")->GetAlignment(), taLeftJustify);
    EXPECT_EQ(t.f("S")->GetFieldNo(), 1);
    EXPECT_EQ(t.f("G")->GetFieldNo(), 18);
}

// Each row: a field, the text written, then AsString, display text and Value read back.
TEST(Fields, TextInAndOut) {
    AllTypes t;
    static_cast<TBCDField*>(t.f("BCD"))->SetDisplayFormat("#,##0.00");
    struct Case {
        const char* field;
        QString in;
        QString asString;
        QString display;
        Variant value;
    };
    const std::vector<Case> cases = {
        {"S", "Ґанок і ї", "Ґанок", "Ґанок", Variant("Ґанок")}, // cut to 5 characters
        {"FC", "ab", "ab", "ab", Variant("ab")},
        {"W", "Їжак", "Їжа", "Їжа", Variant("Їжа")},
        {"SI", " -12 ", "-12", "-12", Variant(-12)},
        {"I", "+2000000000", "2000000000", "2000000000", Variant(2000000000)},
        {"WD", "65535", "65535", "65535", Variant(65535)},
        {"L", "9000000000", "9000000000", "9000000000", Variant(9000000000LL)},
        {"B", "tr", "True", "True", Variant(true)},
        {"F", "1234,5", "1234,5", "1234,5", Variant(1234.5)},
        {"F", "0.25", "0,25", "0,25", Variant(0.25)},
        {"BCD", "1234,50", "1234,5", "1 234,50", Variant::FromCurrency(1234.5)},
        {"BCD", "-0,05", "-0,05", "-0,05", Variant::FromCurrency(-0.05)},
        {"BCD", "12,345", "12,35", "12,35", Variant::FromCurrency(12.35)}, // rounded half up
        {"BCD", "0.1", "0,1", "0,10", Variant::FromCurrency(0.1)},
        {"D", "05.03.2024", "05.03.2024", "05.03.2024", Variant::FromDate(EncodeDate(2024, 3, 5))},
        {"T", "7:05:09", "07:05:09", "07:05:09", Variant::FromDate(EncodeTime(7, 5, 9, 0))},
        {"DT", "29.02.2024 13:30", "29.02.2024 13:30:00", "29.02.2024 13:30:00",
         Variant::FromDate(EncodeDateTime(2024, 2, 29, 13, 30, 0, 0))},
        {"I", "", "", "", Null()},
        {"D", "  ", "", "", Null()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("%1 <- %2").arg(c.field, c.in).toStdString());
        TField* f = t.f(c.field);
        f->SetAsString(c.in);
        EXPECT_EQ(f->GetAsString(), c.asString);
        EXPECT_EQ(f->GetDisplayText(), c.display);
        Variant v = f->GetValue();
        EXPECT_EQ(VarType(v), VarType(c.value));
        EXPECT_TRUE(VarIsNull(c.value) ? VarIsNull(v) : VarSameValue(v, c.value));
    }
    // A posted record reads back the same from the store, also after a record of other
    // lengths and of missing values was posted next to it.
    t.f("S")->SetAsString("00001");
    t.f("FC")->SetAsString("");
    QStringList before;
    for (TField* f : t.ds.GetFields()->List())
        before << f->GetAsString() + (f->IsNull() ? "|null" : "");
    t.ds.Post();
    EXPECT_EQ(t.f("BCD")->GetAsString(), "0,1");
    EXPECT_EQ(t.f("DT")->GetAsDateTime(), EncodeDateTime(2024, 2, 29, 13, 30, 0, 0));
    t.ds.Append();
    t.f("S")->SetAsString("Ґанок");
    t.f("W")->SetAsString("Їж");
    static_cast<TBinaryField*>(t.f("BY"))->SetAsBytes(QByteArray("\0\1\2", 3));
    t.ds.Post();
    t.ds.First();
    QStringList after;
    for (TField* f : t.ds.GetFields()->List())
        after << f->GetAsString() + (f->IsNull() ? "|null" : "");
    EXPECT_EQ(after, before);
    t.ds.Last();
    EXPECT_EQ(t.f("S")->GetAsString(), "Ґанок");
    EXPECT_EQ(t.f("W")->GetAsString(), "Їж");
    EXPECT_EQ(static_cast<TBinaryField*>(t.f("BY"))->GetAsBytes(), QByteArray("\0\1\2", 3));
    EXPECT_TRUE(t.f("I")->IsNull());
    EXPECT_TRUE(t.f("FC")->IsNull());
}

// A field gives each text from a buffer it reuses once the caller lets go of the last one: a
// text kept by the caller never changes, whatever is read after it, and every text read is the
// record's own (same and other lengths, empty text, nulls).
TEST(Fields, TextsKeptByTheCallerStayAsReadWhileLaterOnesAreRead) {
    TMemDataSet ds(nullptr);
    TFieldDefs* d = ds.GetFieldDefs();
    d->Add("S", ftString, 8);
    d->Add("I", ftInteger);
    d->Add("BCD", ftBCD, 2)->SetPrecision(9);
    d->Add("D", ftDate);
    ds.Open();
    // the second row's texts are as long as the first's
    const std::vector<QStringList> rows = {
        {"Ґанок", "-7", "12,5", "05.03.2024"},      {"abcde", "40", "-0,5", "29.02.2000"},
        {"Їжак", "12", "-0,05", "01.01.0001"},      {"", "", "", ""},
        {"Єва", "2000000000", "0,1", "31.12.9999"}, {"Ґанок", "-7", "12,5", "05.03.2024"}};
    for (const QStringList& r : rows) {
        ds.Append();
        for (int i = 0; i < 4; ++i)
            if (!r[i].isEmpty()) ds.GetFields()->List()[size_t(i)]->SetAsString(r[i]);
        ds.Post();
    }
    for (int i = 0; i < 4; ++i) {
        TField* f = ds.GetFields()->List()[size_t(i)];
        SCOPED_TRACE(f->GetFieldName().toStdString());
        ds.First();
        const QString kept = f->GetAsString();
        const QString keptDisplay = f->GetDisplayText();
        for (size_t row = 0; row < rows.size(); ++row, ds.Next()) {
            // read twice, each text let go at once, then once more as the display text
            EXPECT_EQ(f->GetAsString(), rows[row][i]) << "row " << row;
            EXPECT_EQ(f->GetAsString(), rows[row][i]) << "row " << row;
            EXPECT_EQ(f->GetDisplayText(), rows[row][i]) << "row " << row;
            EXPECT_EQ(f->IsNull(), rows[row][i].isEmpty()) << "row " << row;
        }
        EXPECT_EQ(kept, rows[0][i]);
        EXPECT_EQ(keptDisplay, rows[0][i]);
    }
}

// Names are found whatever their case (Cyrillic too), also after renames, moves and removals.
TEST(Fields, NamesAreFoundAfterRenamesMovesAndRemovals) {
    TMemDataSet ds(nullptr);
    TFieldDefs* d = ds.GetFieldDefs();
    for (int i = 0; i < 40; ++i)
        d->Add(QString("F%1").arg(i), ftInteger);
    d->Add("Прізвище", ftString, 20);
    EXPECT_EQ(d->IndexOf("прізвище"), 40);
    EXPECT_EQ(d->IndexOf("f7"), 7);
    d->GetItems(7)->SetName("Ім'я");
    EXPECT_EQ(d->IndexOf("F7"), -1);
    EXPECT_EQ(d->IndexOf("ІМ'Я"), 7);
    d->GetItems(40)->SetIndex(0);
    EXPECT_EQ(d->IndexOf("ПРІЗВИЩЕ"), 0);
    EXPECT_EQ(d->IndexOf("f0"), 1);
    delete d->GetItems(1);
    EXPECT_EQ(d->IndexOf("F0"), -1);
    EXPECT_EQ(d->IndexOf("F1"), 1);
    EXPECT_THROW(d->Add("прізвище", ftInteger), EDatabaseError);

    ds.Open();
    EXPECT_EQ(ds.FieldByName("прізвище")->GetFieldNo(), 1);
    EXPECT_EQ(ds.FieldByName("ім'я")->GetDataType(), ftInteger);
    ds.Close();
    // persistent fields: renamed and removed while the dataset knows them
    auto* a = new TIntegerField(&ds);
    a->SetFieldName("F1");
    a->SetDataSet(&ds);
    auto* b = new TStringField(&ds);
    b->SetFieldName("Прізвище");
    b->SetSize(20);
    b->SetDataSet(&ds);
    EXPECT_EQ(ds.FindField("f1"), a);
    a->SetFieldName("F2");
    EXPECT_EQ(ds.FindField("F1"), nullptr);
    EXPECT_EQ(ds.FindField("f2"), a);
    EXPECT_THROW(b->SetFieldName("f2"), EDatabaseError);
    delete a;
    EXPECT_EQ(ds.FindField("F2"), nullptr);
    EXPECT_EQ(ds.FindField("ПРІЗВИЩЕ"), b);
    ds.Open();
    EXPECT_EQ(ds.FieldByName("прізвище")->GetFieldNo(), 1);
}

// The exact value of a BCD field survives text both ways, also past double precision.
TEST(Fields, BcdTextRoundTripsExactly) {
    TMemDataSet ds(nullptr);
    ds.GetFieldDefs()->Add("V", ftBCD, 4)->SetPrecision(18);
    ds.Open();
    ds.Append();
    auto* f = static_cast<TBCDField*>(ds.FieldByName("V"));
    for (const char* text :
         {"12345678901234,5678", "-0,0001", "0", "99999999999999,9999", "3,1416", "100"}) {
        SCOPED_TRACE(text);
        f->SetAsString(text);
        EXPECT_EQ(f->GetAsString(), QString(text));
        QString again = f->GetAsString();
        f->SetAsString(again);
        EXPECT_EQ(f->GetAsString(), again);
    }
    f->SetAsFloat(1.005);
    EXPECT_EQ(f->GetAsString(), "1,005");
    f->SetAsCurrency(2.5);
    EXPECT_DOUBLE_EQ(f->GetAsFloat(), 2.5);
    f->SetValue(Variant::FromCurrency(7.1234));
    EXPECT_EQ(f->GetAsString(), "7,1234");
}

TEST(Fields, NumberAndDateFormats) {
    AllTypes t;
    auto* fl = static_cast<TFloatField*>(t.f("F"));
    fl->SetAsFloat(1234.5);
    fl->SetDisplayFormat("0.00");
    EXPECT_EQ(fl->GetDisplayText(), "1234,50");
    EXPECT_EQ(fl->GetText(), "1234,50");
    fl->SetEditFormat("0.0##");
    EXPECT_EQ(fl->GetText(), "1234,5");
    auto* cur = static_cast<TFloatField*>(t.f("C"));
    cur->SetAsFloat(12.5);
    EXPECT_EQ(cur->GetText(), "12,50");
    auto* d = static_cast<TDateTimeField*>(t.f("D"));
    d->SetAsDateTime(EncodeDate(2024, 1, 7) + 0.5); // the time part is dropped
    EXPECT_EQ(d->GetAsDateTime(), EncodeDate(2024, 1, 7));
    d->SetDisplayFormat("dd/mm/yy");
    EXPECT_EQ(d->GetDisplayText(), "07.01.24");
    EXPECT_EQ(d->GetText(), "07.01.2024");
    auto* b = static_cast<TBooleanField*>(t.f("B"));
    b->SetDisplayValues("Так;Ні");
    b->SetAsString("н");
    EXPECT_FALSE(b->GetAsBoolean());
    EXPECT_EQ(b->GetDisplayText(), "Ні");
    b->SetAsString("ТАК");
    EXPECT_TRUE(b->GetAsBoolean());
    auto* i = static_cast<TIntegerField*>(t.f("I"));
    i->SetAsFloat(2.5); // rounds half to even
    EXPECT_EQ(i->GetAsInteger(), 2);
    i->SetDisplayFormat("#,##0");
    i->SetAsInteger(1234567);
    EXPECT_EQ(i->GetDisplayText(), "1 234 567");
    EXPECT_EQ(i->GetText(), "1 234 567"); // without an EditFormat the display format serves
    i->SetEditFormat("0");
    EXPECT_EQ(i->GetText(), "1234567");
    EXPECT_EQ(i->GetAsString(), "1234567");
}

// Text that is no value of the field's kind raises with the text in the message and leaves
// the field as it was.
TEST(Fields, BadTextIsRefused) {
    AllTypes t;
    t.f("I")->SetAsInteger(5);
    t.f("F")->SetAsFloat(1.5);
    t.f("D")->SetAsDateTime(EncodeDate(2020, 1, 1));
    t.f("B")->SetAsBoolean(true);
    t.f("BCD")->SetAsString("1");
    struct Case {
        const char* field;
        QString in;
        QString message;
    };
    const std::vector<Case> cases = {
        {"I", "12a", "'12a' is not a valid integer value for field 'I'"},
        {"I", "1,5", "'1,5' is not a valid integer value for field 'I'"},
        {"SI", "99999", ""}, // range error below
        {"F", "1,2,3", "'1,2,3' is not a valid floating point value for field 'F'"},
        {"D", "31.02.2024", "'31.02.2024' is not a valid date"},
        {"D", "вчора", "'вчора' is not a valid date"},
        {"DT", "1.1.2024 25:00", "'1.1.2024 25:00' is not a valid date and time"},
        {"B", "може", "'може' is not a valid boolean value for field 'B'"},
        {"BCD", "12x", "'12x' is not a valid BCD value for field 'BCD'"},
        {"BCD", "10000000", "'10000000' is not a valid BCD value for field 'BCD'"},
    };
    t.f("SI")->SetAsInteger(7);
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("%1 <- %2").arg(c.field, c.in).toStdString());
        TField* f = t.f(c.field);
        QString before = f->GetAsString();
        if (c.message.isEmpty()) {
            EXPECT_THROW(f->SetAsString(c.in), EDatabaseError);
        } else {
            try {
                f->SetAsString(c.in);
                ADD_FAILURE() << "accepted";
            } catch (const EConvertError& e) {
                EXPECT_EQ(e.Message, c.message);
            }
        }
        EXPECT_EQ(f->GetAsString(), before);
    }
    try {
        t.f("SI")->SetAsInteger(40000);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "40000 is not a valid value for field 'SI'. The allowed range is "
                             "-32768 to 32767");
    }
    auto* i = static_cast<TIntegerField*>(t.f("I"));
    i->SetMinValue(1);
    i->SetMaxValue(10);
    EXPECT_THROW(i->SetAsInteger(11), EDatabaseError);
    EXPECT_EQ(i->GetAsInteger(), 5);
}

TEST(Fields, BytesAndBlobs) {
    AllTypes t;
    auto* by = static_cast<TBinaryField*>(t.f("BY"));
    by->SetAsBytes(QByteArray("\x01\x02", 2));
    EXPECT_EQ(by->GetAsBytes(), QByteArray("\x01\x02\x00", 3));
    auto* vb = static_cast<TBinaryField*>(t.f("VB"));
    vb->SetAsBytes(QByteArray("abcdef"));
    EXPECT_EQ(vb->GetAsBytes(), QByteArray("abcd"));

    auto* memo = static_cast<TBlobField*>(t.f("M"));
    EXPECT_TRUE(memo->IsNull());
    EXPECT_EQ(memo->GetDisplayText(), "(Memo)");
    memo->SetAsString("Рядок перший\r\nі другий");
    EXPECT_EQ(memo->GetDisplayText(), "(MEMO)");
    auto* pic = static_cast<TBlobField*>(t.f("G"));
    TMemoryStream bytes;
    bytes.WriteBytes(QByteArray("BM\x00\xff", 4));
    pic->LoadFromStream(&bytes);
    t.f("S")->SetAsString("1");
    t.ds.Post();
    EXPECT_EQ(memo->GetAsString(), "Рядок перший\r\nі другий");
    EXPECT_EQ(pic->GetBlobSize(), 4);
    TMemoryStream out;
    pic->SaveToStream(&out);
    EXPECT_EQ(out.GetBytes(), QByteArray("BM\x00\xff", 4));

    // An edit of a blob that is cancelled leaves the stored one; a posted one replaces it.
    t.ds.Edit();
    memo->SetAsString("інше");
    EXPECT_EQ(memo->GetAsString(), "інше");
    EXPECT_EQ(memo->GetOldValue(), Variant("Рядок перший\r\nі другий"));
    t.ds.Cancel();
    EXPECT_EQ(memo->GetAsString(), "Рядок перший\r\nі другий");
    t.ds.Edit();
    memo->Clear();
    t.ds.Post();
    EXPECT_TRUE(memo->IsNull());
    EXPECT_THROW(t.ds.CreateBlobStream(t.f("S"), bmRead), EDatabaseError);
}

// An in-memory dataset whose writes of blob values can be made to fail.
class TFailingMemDataSet : public TMemDataSet {
public:
    using TMemDataSet::TMemDataSet;
    bool Fail = false;

protected:
    void WriteBlob(TField* Field, const QByteArray& Bytes) override {
        if (Fail) DatabaseError(QStringLiteral("Немає місця для примітки"));
        TMemDataSet::WriteBlob(Field, Bytes);
    }
};

TEST(Fields, ARefusedBlobChangeReachesTheCallerAndKeepsTheFormerValue) {
    TFailingMemDataSet ds(nullptr);
    ds.GetFieldDefs()->Add("TAB", ftString, 5);
    ds.GetFieldDefs()->Add("NOTE", ftMemo);
    ds.Open();
    ds.AppendRecord({"00001", "Стара нотатка"});
    TBlobChangeFixture f{&ds, ds.FieldByName("NOTE"), QStringLiteral("Стара нотатка"),
                         [&ds](bool Fail) { ds.Fail = Fail; },
                         [&ds] {
                             ds.Refresh();
                             return ds.FieldByName("NOTE")->GetAsString();
                         }};
    CheckRefusedBlobChanges(f);
}

TEST(Fields, ValidateSeesTheNewValueAndCanRefuse) {
    auto ds = MakeNumbers(1);
    TField* v = ds->FieldByName("V");
    QStringList seen;
    v->OnValidate = [&](TField* f) {
        seen << f->GetAsString();
        if (f->GetAsInteger() < 0) throw EDatabaseError("negative");
    };
    int changes = 0;
    v->OnChange = [&](TField*) { ++changes; };
    ds->Edit();
    v->SetAsInteger(9);
    EXPECT_THROW(v->SetAsInteger(-1), EDatabaseError);
    EXPECT_EQ(v->GetAsInteger(), 9);
    EXPECT_EQ(seen, QStringList({"9", "-1"}));
    EXPECT_EQ(changes, 1);
    ds->Cancel();
}

TEST(Fields, GetTextAndSetTextHandlers) {
    auto ds = MakeNumbers(1);
    TField* v = ds->FieldByName("V");
    v->OnGetText = [](TField* f, QString& text, bool display) {
        text = display ? QString("№%1").arg(f->GetAsInteger()) : f->GetAsString();
    };
    v->OnSetText = [](TField* f, const QString& text) { f->SetAsInteger(text.toInt() * 10); };
    EXPECT_EQ(v->GetDisplayText(), "№1");
    EXPECT_EQ(v->GetText(), "1");
    ds->Edit();
    v->SetText("4");
    EXPECT_EQ(v->GetAsInteger(), 40);
    ds->Post();
}

TEST(Fields, FieldDefsAndDefaultFields) {
    TMemDataSet ds(nullptr);
    TFieldDefs* d = ds.GetFieldDefs();
    d->Add("TAB", ftString, 5, true);
    try {
        d->Add("tab", ftInteger);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Duplicate field name 'tab'");
    }
    d->Add("ID", ftAutoInc)->SetAttributes({faReadonly});
    d->Add("HIDDEN", ftInteger)->SetAttributes({faHiddenCol});
    ds.Open();
    EXPECT_TRUE(ds.GetDefaultFields());
    EXPECT_EQ(ds.GetFieldCount(), 3);
    EXPECT_TRUE(ds.FieldByName("TAB")->GetRequired());
    EXPECT_EQ(ds.FieldByName("TAB")->GetSize(), 5);
    EXPECT_TRUE(ds.FieldByName("ID")->GetReadOnly());
    EXPECT_FALSE(ds.FieldByName("HIDDEN")->GetVisible());
    EXPECT_EQ(ds.FindField("nope"), nullptr);
    QList<TField*> list;
    ds.GetFieldList(list, "HIDDEN; TAB");
    EXPECT_EQ(list, QList<TField*>({ds.FieldByName("HIDDEN"), ds.FieldByName("TAB")}));
    ds.Close();
    EXPECT_EQ(ds.GetFieldCount(), 0); // default fields go with the close
    EXPECT_EQ(d->Find("tab")->GetDataType(), ftString);
    EXPECT_THROW(d->Find("x"), EDatabaseError);

    // A persistent field whose type does not match its definition stops the open.
    auto* wrong = new TIntegerField(&ds);
    wrong->SetFieldName("TAB");
    wrong->SetDataSet(&ds);
    try {
        ds.Open();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Type mismatch for field 'TAB', expecting: Integer actual: String");
    }
    EXPECT_FALSE(ds.GetActive());
    delete wrong;

    // A failed open of default fields leaves none behind: the next open makes them again.
    struct Failing : TMemDataSet {
        using TMemDataSet::TMemDataSet;
        bool fail = true;
        void InternalOpen() override {
            if (fail) {
                InitFieldDefs();
                CreateFields();
                DatabaseError("cannot open");
            }
            TMemDataSet::InternalOpen();
        }
    };
    Failing g(nullptr);
    g.GetFieldDefs()->Add("A", ftInteger);
    EXPECT_THROW(g.Open(), EDatabaseError);
    EXPECT_EQ(g.GetFieldCount(), 0);
    g.fail = false;
    g.Open();
    EXPECT_TRUE(g.GetDefaultFields());
    EXPECT_EQ(g.GetFieldCount(), 1);
}

// ---- parameters ---------------------------------------------------------------------------------

TEST(Params, ParseSqlAndValues) {
    TParams params;
    QString sql =
        params.ParseSQL("select * from NAZN where TAB2=:TAB and NOTE <> ':NOT' -- :COMMENT\n"
                        "and D > :\"Дата\" and X = :TAB and T = '12::00'::time",
                        true);
    EXPECT_EQ(sql, "select * from NAZN where TAB2=? and NOTE <> ':NOT' -- :COMMENT\n"
                   "and D > ? and X = ? and T = '12::00':time");
    ASSERT_EQ(params.Count(), 3);
    EXPECT_EQ(params[0]->GetName(), "TAB");
    EXPECT_EQ(params[1]->GetName(), "Дата");
    EXPECT_EQ(params[2]->GetName(), "TAB");

    TParam* p = params.ParamByName("tab");
    EXPECT_TRUE(p->IsNull());
    p->SetAsString("00001");
    EXPECT_EQ(p->GetDataType(), ftString);
    EXPECT_TRUE(p->Bound);
    params[1]->SetAsDate(EncodeDate(2024, 5, 1));
    EXPECT_EQ(params[1]->GetDataType(), ftDate);
    EXPECT_EQ(params[1]->GetAsDateTime(), EncodeDate(2024, 5, 1));
    p->Clear();
    EXPECT_TRUE(p->IsNull());
    try {
        params.ParamByName("KODP");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Parameter 'KODP' not found");
    }

    auto ds = MakePeople();
    TParams copy;
    TParam* q = copy.CreateParam(ftUnknown, "KODP", ptInput);
    q->AssignField(ds->FieldByName("KODP"));
    EXPECT_EQ(q->GetDataType(), ftInteger);
    EXPECT_EQ(q->GetAsInteger(), 10);
    EXPECT_EQ(q->GetName(), "KODP");
}

// A dataset that keeps its text in the OEM code page converts in Translate; string fields
// with Transliterate on go through it both ways, others take the bytes as they are.
TEST(Fields, TransliterateThroughTheDataSet) {
    struct OemTable : TMemDataSet {
        using TMemDataSet::TMemDataSet;
        int Translate(const char* Src, char* Dest, bool ToOem) override {
            QByteArray in(Src);
            QByteArray out = ToOem ? AnsiToOem(in) : OemToAnsi(in);
            std::memcpy(Dest, out.constData(), size_t(out.size()) + 1);
            return int(out.size());
        }
        QByteArray Raw(TField* f) {
            QByteArray b(f->GetDataSize(), '\0');
            GetFieldData(f, b.data());
            return QByteArray(b.constData());
        }
    };
    OemTable ds(nullptr);
    ds.GetFieldDefs()->Add("A", ftString, 10);
    ds.GetFieldDefs()->Add("B", ftString, 10);
    ds.Open();
    ds.FieldByName("B")->SetTransliterate(false);
    ds.Append();
    ds.FieldByName("A")->SetAsString("Привет");
    ds.FieldByName("B")->SetAsString("Привет");
    ds.Post();
    EXPECT_EQ(ds.FieldByName("A")->GetAsString(), "Привет");
    EXPECT_EQ(ds.Raw(ds.FieldByName("A")), ToCodePage("Привет", 866));
    EXPECT_EQ(ds.Raw(ds.FieldByName("B")), ToCodePage("Привет", 1251));
}

TEST(Fields, ValidCharacters) {
    AllTypes t;
    struct Case {
        const char* field;
        QString accepted, refused;
    };
    for (const Case& c : std::vector<Case>{{"I", "0189+-", ",.eEa "},
                                           {"F", "09+-,.eE", "a x"},
                                           {"BCD", "09+-,.", "eEa"},
                                           {"S", "aЯ1 ,", ""}}) {
        SCOPED_TRACE(c.field);
        for (QChar ch : c.accepted)
            EXPECT_TRUE(t.f(c.field)->IsValidChar(ch)) << QString(ch).toStdString();
        for (QChar ch : c.refused)
            EXPECT_FALSE(t.f(c.field)->IsValidChar(ch)) << QString(ch).toStdString();
    }
}
