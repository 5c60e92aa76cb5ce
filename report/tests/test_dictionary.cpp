#include "ReportTestSupport.h"

#include "CodePages.h"
#include "FR_DBSet.h"
#include "MemDS.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray str(const char* s) {
    QByteArray t = ToCodePage(QString::fromUtf8(s), 1251);
    QByteArray r;
    r.append(char(t.size() & 0xFF)).append(char(t.size() >> 8)).append(t).append('\0');
    return r;
}

QByteArray i32(int v) {
    QByteArray r(4, '\0');
    memcpy(r.data(), &v, 4);
    return r;
}

class DictionaryTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        report = std::make_unique<TfrReport>(&owner);
        report->MakeCurrent();
    }
    void load(const QByteArray& b) {
        TMemoryStream s;
        s.SetBytes(b);
        report->Dictionary.LoadFromStream(&s);
        EXPECT_FALSE(frGlobals().ReadPastEnd);
    }
    TComponent owner{nullptr};
    std::unique_ptr<TfrReport> report;
};

} // namespace

TEST_F(DictionaryTest, WordFFFFDropsEmptyEntries) {
    auto* ds = new TMemDataSet(&owner);
    ds->SetName(u"Kadr"_s);
    ds->GetFieldDefs()->Add(u"FIO"_s, ftString, 10);
    QByteArray b("\xFF\xFF", 2);
    b += i32(0);
    b += i32(2) + str("Kadr.FIO") + str("") + str("Gone.X") + str("");
    b += i32(2) + str("Band1") + str("") + str("Band2") + str("Kadr");
    load(b);
    TfrDataDictionary& d = report->Dictionary;
    ASSERT_EQ(d.FieldAliases.Count(), 1); // an empty alias stays only when its name resolves
    EXPECT_EQ(d.FieldAliases.GetName(0), u"Kadr.FIO"_s);
    ASSERT_EQ(d.BandDataSources.Count(), 1);
    EXPECT_EQ(d.BandDataSources.GetName(0), u"Band2"_s);

    // the word 0xFFFE keeps them
    QByteArray e("\xFE\xFF", 2);
    e += i32(0) + i32(0) + i32(1) + str("Band1") + str("");
    load(e);
    EXPECT_EQ(d.BandDataSources.Count(), 1);
}

TEST_F(DictionaryTest, OldLayout) {
    auto shortStr = [](const char* s) {
        QByteArray t = ToCodePage(QString::fromUtf8(s), 1251);
        return QByteArray(1, char(t.size())) + t;
    };
    QByteArray b;
    b += i32(3);
    b += QByteArray(1, 1) + i32(0) + shortStr("Kadr") + shortStr("FIO") + shortStr("Worker");
    b += QByteArray(1, 2) + i32(2) + shortStr("") + shortStr("") + shortStr("Today");
    b += QByteArray(1, 0) + i32(0) + shortStr("") + shortStr("") + shortStr("Nothing");
    // the list: categories without a blank, variables with one
    frGlobals().frVersion = 23;
    QByteArray list;
    QList<QByteArray> lines = {"Main", " Worker", " Today", " Nothing"};
    list.append(char(lines.size())).append('\0');
    for (int i = 0; i < lines.size(); ++i) {
        list.append(char(lines[i].size())).append('\0').append(lines[i]);
        list.append(i < lines.size() - 1 ? '\r' : '\0');
    }
    load(b + list);
    TfrVariables& v = report->Dictionary.Variables;
    ASSERT_EQ(v.Count(), 4);
    EXPECT_EQ(v.GetName(0), u" Main"_s); // the blanks are turned round
    EXPECT_EQ(v.GetName(1), u"Worker"_s);
    EXPECT_TRUE(v.GetValue(1) == Variant(u"Kadr.\"FIO\""_s));
    EXPECT_TRUE(v.GetValue(2) == Variant(u"DATE"_s));
    EXPECT_TRUE(v.GetValue(3) == Variant(QString()));
}

TEST_F(DictionaryTest, NullFieldValues) {
    auto* ds = new TMemDataSet(&owner);
    ds->SetName(u"T"_s);
    ds->GetFieldDefs()->Add(u"S"_s, ftString, 10);
    ds->GetFieldDefs()->Add(u"B"_s, ftBoolean);
    ds->GetFieldDefs()->Add(u"N"_s, ftInteger);
    ds->Open();
    ds->Append();
    ds->Post();
    ds->Close(); // a closed dataset is opened for the value
    Variant v;
    report->GetVariableValue(u"T.S"_s, v);
    EXPECT_TRUE(v == Variant(QString()));
    EXPECT_EQ(VarType(v), varString);
    report->GetVariableValue(u"T.B"_s, v);
    EXPECT_TRUE(v == Variant(false));
    report->GetVariableValue(u"T.N"_s, v);
    EXPECT_TRUE(v == Variant(0));
    EXPECT_TRUE(ds->GetActive());
}

// Resolved names are kept between lookups; loading a dictionary forgets them, and a name
// that was not a variable is one as soon as it is defined.
TEST_F(DictionaryTest, LookupsFollowTheDictionary) {
    auto* ds = new TMemDataSet(&owner);
    ds->SetName(u"T"_s);
    ds->GetFieldDefs()->Add(u"S"_s, ftString, 10);
    ds->GetFieldDefs()->Add(u"N"_s, ftInteger);
    ds->Open();
    ds->AppendRecord({Variant(u"Коваль"_s), Variant(7)});
    TfrDataDictionary& d = report->Dictionary;
    d.Variables.SetVariable(u"Worker"_s, Variant(u"T.\"S\""_s));
    EXPECT_TRUE(d.IsVariable(u"Worker"_s));
    EXPECT_TRUE(d.GetValue(u"worker"_s) == Variant(u"Коваль"_s));
    EXPECT_FALSE(d.IsVariable(u"Number"_s));

    const QByteArray empty = QByteArray("\xFE\xFF", 2) + i32(0) + i32(0) + i32(0);
    load(empty);
    EXPECT_FALSE(d.IsVariable(u"Worker"_s));
    EXPECT_TRUE(d.GetValue(u"worker"_s).IsNull());
    d.Variables.SetVariable(u"Number"_s, Variant(u"T.\"N\""_s));
    EXPECT_TRUE(d.IsVariable(u"Number"_s));
    EXPECT_TRUE(d.GetValue(u"Number"_s) == Variant(7));
}

TEST_F(DictionaryTest, ScriptsReachVariablesAndObjects) {
    report->Pages.Add();
    auto* memo = static_cast<TfrMemoView*>(frCreateObject(gtMemo, QString()));
    memo->ParentPage = report->Pages[0];
    report->Pages[0]->Objects.Add(memo);
    ASSERT_EQ(memo->Name, u"Memo1"_s);
    TfrGlobals& g = frGlobals();
    g.frVariables.SetVariable(u"Boss"_s, Variant(u"old"_s));
    report->Dictionary.Variables.SetVariable(u"Total"_s, Variant(u"0"_s));
    TStringList script;
    script.SetStringList({u"begin"_s, u"  Boss := 'new';"_s, u"  Total := 5;"_s,
                          u"  Memo1.Left := 7;"_s, u"  Memo1.Font.Size := 14;"_s,
                          u"  Fresh := Total * 2;"_s, u"  Memo1.Memo.Add('line')"_s, u"end"_s});
    frRunScriptText(&script);
    EXPECT_TRUE(g.frVariables.GetVariable(u"Boss"_s) == Variant(u"new"_s));
    EXPECT_TRUE(report->Dictionary.Variables.GetVariable(u"Total"_s) == Variant(5.0));
    EXPECT_EQ(memo->Left, 7);
    EXPECT_EQ(memo->Font.Size, 14);
    EXPECT_TRUE(g.frVariables.GetVariable(u"Fresh"_s) == Variant(10));
    EXPECT_EQ(memo->Memo.ToStringList(), QStringList{u"line"_s});

    TStringList bad;
    bad.Add(u"if x then"_s.append(u" y"_s)); // y is not an assignment
    EXPECT_THROW(frRunScriptText(&bad), EParserError);
}

TEST_F(DictionaryTest, AScriptAssignmentToAPagePropertyReachesThePageAndNoVariable) {
    report->Pages.Add();
    TfrPage* page = report->Pages[0];
    ASSERT_EQ(page->pgOr, poPortrait);
    TStringList script;
    script.SetStringList({u"begin"_s, u"  Page1.Orientation := 1;"_s, u"  Page1.ColumnGap := 33;"_s,
                          u"  Gap := Page1.ColumnGap"_s, u"end"_s});
    frRunScriptText(&script);
    EXPECT_EQ(page->pgOr, poLandscape);
    EXPECT_EQ(page->ColGap, 33);
    EXPECT_TRUE(frVariables().GetVariable(u"Gap"_s) == Variant(33));
    // nothing in the engine-wide variables that would shadow the page in a later report
    EXPECT_EQ(frVariables().IndexOf(u"Page1.Orientation"_s), -1);
    EXPECT_EQ(frVariables().IndexOf(u"Page1.ColumnGap"_s), -1);
    TfrReport later(nullptr);
    later.Pages.Add();
    later.MakeCurrent();
    Variant v;
    later.GetVariableValue(u"Page1.ColumnGap"_s, v);
    EXPECT_TRUE(v == Variant(0)) << VarToStr(v).toStdString();
    // A page the report does not have stays a variable of that name.
    TStringList other;
    other.SetStringList({u"begin"_s, u"  Page9.Orientation := 1"_s, u"end"_s});
    frRunScriptText(&other);
    EXPECT_EQ(frVariables().IndexOf(u"Page9.Orientation"_s) >= 0, true);
    EXPECT_EQ(&frVariables(), &frGlobals().frVariables);
}
