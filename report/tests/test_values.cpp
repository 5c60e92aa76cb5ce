#include "ReportTestSupport.h"

#include "Dates.h"
#include "FR_DBSet.h"
#include "MemDS.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class ValuesTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        report = std::make_unique<TfrReport>(nullptr);
        report->Pages.Add();
        memo = static_cast<TfrMemoView*>(frCreateObject(gtMemo, QString()));
        memo->ParentPage = report->Pages[0];
        report->Pages[0]->Objects.Add(memo);
        report->MakeCurrent();
    }
    void TearDown() override {
        report.reset();
        EngineTest::TearDown();
    }
    QString expand(const QString& e) { return report->ExpandExpression(e); }
    Variant calc(const QString& e) { return frGlobals().frParser.Calc(e); }
    std::unique_ptr<TfrReport> report;
    TfrMemoView* memo = nullptr;
};

} // namespace

TEST_F(ValuesTest, DisplayFormats) {
    TfrGlobals& g = frGlobals();
    g.frVariables.SetVariable(u"Summa"_s, Variant(1234.5));
    g.frVariables.SetVariable(u"Flag"_s, Variant(true));
    g.frVariables.SetVariable(u"Zero"_s, Variant(0));
    g.CurDate = EncodeDate(2024, 2, 1);
    g.ActiveView = memo;

    EXPECT_EQ(expand(u"Summa #N10,2"_s), u"1234,50"_s);
    EXPECT_EQ(expand(u"Summa #N10.2"_s), u"1234.50"_s);
    EXPECT_EQ(expand(u"Summa #10-1"_s), u"1234-5"_s);
    EXPECT_EQ(expand(u"DATE #Ddd.mm.yyyy"_s), u"01.02.2024"_s);
    EXPECT_EQ(expand(u"Flag #BНі;Так"_s), u"Так"_s);

    memo->Format = (4 << 24) | (1 << 16); // boolean, variant 1
    EXPECT_EQ(expand(u"Flag"_s), u"Так"_s);
    EXPECT_EQ(expand(u"Zero"_s), u"Ні"_s);
    memo->Format = (2 << 24) | (1 << 16); // date, variant 1
    EXPECT_EQ(expand(u"DATE"_s), u"01.02.2024"_s);
    memo->Format = (1 << 24) | (1 << 16) | (3 << 8) | '.';
    EXPECT_EQ(expand(u"Summa"_s), u"1234.500"_s);
    memo->Format = (1 << 24) | (3 << 16) | (2 << 8) | ','; // thousands separated
    EXPECT_EQ(expand(u"Summa"_s), u"1 234,50"_s);
    // the shared settings are never changed by a view's separator
    EXPECT_EQ(FormatSettings.DecimalSeparator, u',');

    memo->Format = 0;
    memo->Flags |= flHideZeros;
    EXPECT_EQ(expand(u"Zero"_s), QString());
    EXPECT_EQ(expand(u"Summa"_s), u"1234,5"_s);

    EXPECT_EQ(frFormatValue(Null(), (1 << 24), QString()), QString());
    EXPECT_EQ(frFormatValue(Variant(u"  "_s), 0, QString()), QString());

    QString tag = u"Сума: [Summa #N10,2] на [DATE #Ddd.mm.yyyy]"_s;
    report->ExpandTag(tag);
    EXPECT_EQ(tag, u"Сума: 1234,50 на 01.02.2024"_s);
}

TEST_F(ValuesTest, LookupOrder) {
    TfrGlobals& g = frGlobals();
    g.frVariables.SetVariable(u"Org"_s, Variant(u"App"_s));
    report->Dictionary.Variables.SetVariable(u"Org"_s, Variant(u"'Dictionary'"_s));
    report->Dictionary.Variables.SetVariable(u"Own"_s, Variant(u"'Dict' + 'ionary'"_s));
    report->Dictionary.Variables.SetVariable(u"Empty"_s, Variant(QString()));
    Variant v;
    // an application variable overrides the dictionary's expression of the same name
    report->GetVariableValue(u"Org"_s, v);
    EXPECT_TRUE(v == Variant(u"App"_s));
    report->GetVariableValue(u"Own"_s, v);
    EXPECT_TRUE(v == Variant(u"Dictionary"_s));
    report->GetVariableValue(u"Empty"_s, v);
    EXPECT_TRUE(v.IsNull());
    // the report's handler comes first
    report->OnGetValue = [](const QString& n, Variant& val) {
        if (n == "Org"_L1) val = Variant(u"Handler"_s);
    };
    report->GetVariableValue(u"Org"_s, v);
    EXPECT_TRUE(v == Variant(u"Handler"_s));
    report->OnGetValue = nullptr;

    g.PageNo = 2;
    g.TotalPages = 9;
    report->GetVariableValue(u"PAGE#"_s, v);
    EXPECT_TRUE(v == Variant(3));
    report->GetVariableValue(u"TotalPages"_s, v);
    EXPECT_TRUE(v == Variant(9));
    report->GetVariableValue(u"CLRED"_s, v);
    EXPECT_TRUE(v == Variant(0xFF));
    report->GetVariableValue(u"1 + 2"_s, v);
    EXPECT_TRUE(v == Variant(3));

    memo->Name = u"Memo1"_s;
    memo->Left = 33;
    memo->Font.Name = u"Times"_s;
    report->GetVariableValue(u"Memo1.Left"_s, v);
    EXPECT_TRUE(v == Variant(33));
    report->GetVariableValue(u"Memo1.Font.Name"_s, v);
    EXPECT_TRUE(v == Variant(u"Times"_s));
    g.ActiveView = memo;
    report->GetVariableValue(u"Font.Name"_s, v); // a property of the current view
    EXPECT_TRUE(v == Variant(u"Times"_s));
}

TEST_F(ValuesTest, UndefinedAndSelfReferringNames) {
    Variant v;
    try {
        report->GetVariableValue(u"Nothing"_s, v);
        FAIL();
    } catch (const EParserError& e) {
        EXPECT_EQ(e.Message, u"Змінна не визначена: \"Nothing\""_s);
    }
    report->Dictionary.Variables.SetVariable(u"A"_s, Variant(u"[B] + 1"_s));
    report->Dictionary.Variables.SetVariable(u"B"_s, Variant(u"[A]"_s));
    try {
        report->GetVariableValue(u"A"_s, v);
        FAIL();
    } catch (const EParserError& e) {
        EXPECT_EQ(e.Message, u"Змінна не визначена: \"A\""_s);
    }
    // the engine is usable afterwards
    report->Dictionary.Variables.SetVariable(u"B"_s, Variant(u"2"_s));
    report->GetVariableValue(u"A"_s, v);
    EXPECT_TRUE(v == Variant(3));
}

TEST_F(ValuesTest, ArraysAndProcedures) {
    TfrGlobals& g = frGlobals();
    calc(u"SETARRAY(A, 3, 10)"_s);
    EXPECT_TRUE(g.frVariables.GetVariable(u"Arr_A_3"_s) == Variant(10));
    EXPECT_TRUE(calc(u"GETARRAY(A, 3)"_s) == Variant(10));
    EXPECT_TRUE(calc(u"A[1 + 2]"_s) == Variant(10));

    memo->Name = u"Memo1"_s;
    calc(u"SETARRAY(Memo1.Memo, 1, 'second')"_s);
    EXPECT_EQ(memo->Memo.ToStringList(), (QStringList{u""_s, u"second"_s}));
    EXPECT_TRUE(calc(u"GETARRAY(Memo1.Memo, 1)"_s) == Variant(u"second"_s));
    calc(u"Memo1.Memo.Add('third')"_s);
    EXPECT_TRUE(calc(u"Memo1.Memo.IndexOf('third')"_s) == Variant(2));
    calc(u"Memo1.Hide"_s.append(u"(0)"_s));
    EXPECT_FALSE(memo->Visible);

    g.frVariables.SetVariable(u"Counter"_s, Variant(5));
    calc(u"INC(Counter)"_s);
    calc(u"INC(Counter)"_s);
    calc(u"DEC(Counter)"_s);
    EXPECT_TRUE(g.frVariables.GetVariable(u"Counter"_s) == Variant(6));

    calc(u"STOPREPORT(0)"_s);
    EXPECT_TRUE(report->Terminated);

    // an unknown function gives the text "0" unless the report's handler answers
    EXPECT_TRUE(calc(u"Mystery(1)"_s) == Variant(u"0"_s));
    report->OnUserFunction = [](const QString& n, const Variant&, const Variant&, const Variant&,
                                Variant& val) {
        if (n == "MYSTERY"_L1) val = Variant(7);
    };
    EXPECT_TRUE(calc(u"Mystery(1)"_s) == Variant(7));
}

TEST_F(ValuesTest, StandardFunctions) {
    frGlobals().frVariables.SetVariable(u"D"_s, Variant::FromDate(EncodeDate(2023, 11, 5)));
    struct Case {
        const char* expr;
        Variant value;
    } cases[] = {
        {"NAMECASE('пЕТРО ІВАНОВИЧ')", Variant(u"Петро іванович"_s)},
        {"NAMECASE('')", Variant(QString())},
        {"UPPERCASE('їжак')", Variant(u"ЇЖАК"_s)},
        {"LOWERCASE('ҐАНОК')", Variant(u"ґанок"_s)},
        {"POS('c', 'abc')", Variant(3)},
        {"POS('z', 'abc')", Variant(0)},
        {"LENGTH('')", Variant(0)},
        {"LENGTH('тест')", Variant(4)},
        {"TRIM('  x  ')", Variant(u"x"_s)},
        {"MAXNUM(3, 7)", Variant(7.0)},
        {"MINNUM(3, 7)", Variant(3.0)},
        {"DAYOF([D])", Variant(5)},
        {"MONTHOF([D])", Variant(11)},
        {"YEAROF([D])", Variant(2023)},
        {"FORMATDATETIME('dd.mm.yyyy', [D])", Variant(u"05.11.2023"_s)},
        {"FORMATFLOAT('0.00', 1.5)", Variant(u"1,50"_s)},
        {"FORMATTEXT('000-00', '12345')", Variant(u"123-45"_s)},
        // the platform's edit mask: a blank shows as a space, '!' fills from the right, an
        // escaped ';' is a literal, '>' upper-cases
        {"FORMATTEXT('99999', '12 34')", Variant(u"12 34"_s)},
        {"FORMATTEXT('99_99', '1234')", Variant(u"12 34"_s)},
        {"FORMATTEXT('!999-99', '1234')", Variant(u" 12-34"_s)},
        {"FORMATTEXT('00\\;00', '1234')", Variant(u"12;34"_s)},
        {"FORMATTEXT('>LL-00', 'ab12')", Variant(u"AB-12"_s)},
        {"INPUT('Число?', '5')", Variant(u"5"_s)},
    };
    for (const Case& c : cases) {
        Variant v = calc(QString::fromUtf8(c.expr));
        EXPECT_TRUE(v == c.value) << c.expr << " gave " << VarToStr(v).toStdString();
    }

    TfrStdFunctionLibrary lib;
    Variant untouched(u"same"_s);
    EXPECT_FALSE(lib.OnFunction(u"NOSUCH"_s, Variant(), Variant(), Variant(), untouched));
    EXPECT_TRUE(untouched == Variant(u"same"_s));

    TfrInstalledFunctions f;
    f.Add(&lib, u"F"_s, u"Cat"_s, u"first"_s);
    f.Add(&lib, u"F"_s, u"Cat"_s, u"second"_s);
    f.Add(&lib, u"G"_s, QString(), u"no category"_s);
    ASSERT_EQ(f.Items.size(), 1u);
    EXPECT_EQ(f.Items[0].Description, u"first"_s);
}

TEST_F(ValuesTest, DictionaryFieldsResolvePerDataset) {
    TComponent owner(nullptr);
    auto* ds1 = new TMemDataSet(&owner);
    ds1->SetName(u"Kadr"_s);
    ds1->GetFieldDefs()->Add(u"NAME"_s, ftString, 20);
    ds1->Open();
    ds1->AppendRecord({u"Олена"_s});
    auto* ds2 = new TMemDataSet(&owner);
    ds2->SetName(u"Nazn"_s);
    ds2->GetFieldDefs()->Add(u"NAME"_s, ftString, 20);
    ds2->Open();
    ds2->AppendRecord({u"Інженер"_s});
    auto* r1 = new TfrDBDataSet(&owner);
    r1->SetDataSet(ds1);
    auto* r2 = new TfrDBDataSet(&owner);
    r2->SetDataSet(ds2);

    auto* rep = new TfrReport(&owner);
    rep->MakeCurrent();
    TfrDataset* current = r1;
    frGlobals().CurrentBandDataset = [&] { return current; };
    Variant v;
    rep->GetVariableValue(u"NAME"_s, v);
    EXPECT_TRUE(v == Variant(u"Олена"_s));
    current = r2; // a band over the other dataset gets its own value
    rep->GetVariableValue(u"NAME"_s, v);
    EXPECT_TRUE(v == Variant(u"Інженер"_s));
    // DataSet."Field" and aliases
    rep->GetVariableValue(u"Kadr.\"NAME\""_s, v);
    EXPECT_TRUE(v == Variant(u"Олена"_s));
    rep->Dictionary.FieldAliases.SetVariable(u"Kadr"_s, Variant(u"Кадри"_s));
    rep->Dictionary.FieldAliases.SetVariable(u"Kadr.NAME"_s, Variant(u"Ім'я"_s));
    rep->GetVariableValue(u"Кадри.Ім'я"_s, v);
    EXPECT_TRUE(v == Variant(u"Олена"_s));
    // a dictionary variable naming a field
    rep->Dictionary.Variables.SetVariable(u"Worker"_s, Variant(u"Kadr.NAME"_s));
    rep->GetVariableValue(u"Worker"_s, v);
    EXPECT_TRUE(v == Variant(u"Олена"_s));
    frGlobals().CurrentBandDataset = nullptr;
}

// A null date field and a blank date variable print empty, bare or formatted; a set date
// still prints as a date.
TEST_F(ValuesTest, EmptyDatesPrintEmpty) {
    TComponent owner(nullptr);
    auto* ds = new TMemDataSet(&owner);
    ds->SetName(u"Ord"_s);
    ds->GetFieldDefs()->Add(u"DATAORD"_s, ftDate);
    ds->GetFieldDefs()->Add(u"MOMENT"_s, ftDateTime);
    ds->Open();
    ds->AppendRecord({Null(), Null()});
    auto* rds = new TfrDBDataSet(&owner);
    rds->SetDataSet(ds);
    auto* rep = new TfrReport(&owner);
    rep->MakeCurrent();
    frGlobals().frVariables.SetVariable(u"Blank"_s, Variant(QString()));
    frGlobals().ActiveView = memo;
    const char* const exprs[] = {"Ord.\"DATAORD\"", "Ord.\"DATAORD\" #Ddd.mm.yyyy",
                                 "Ord.\"MOMENT\"", "FORMATDATETIME('dd.mm.yyyy', Ord.\"DATAORD\")",
                                 "FORMATDATETIME('dd.mm.yyyy', Blank)"};
    for (const char* e : exprs)
        EXPECT_EQ(rep->ExpandExpression(QString::fromUtf8(e)), QString()) << e;
    QString tag = u"від [Ord.\"DATAORD\"]"_s;
    rep->ExpandTag(tag);
    EXPECT_EQ(tag, u"від "_s);

    ds->Edit();
    ds->FieldByName(u"DATAORD"_s)->SetAsDateTime(EncodeDate(2024, 12, 16));
    ds->Post();
    EXPECT_EQ(rep->ExpandExpression(u"Ord.\"DATAORD\" #Ddd.mm.yyyy"_s), u"16.12.2024"_s);
    EXPECT_EQ(rep->ExpandExpression(u"FORMATDATETIME('dd.mm.yyyy', Ord.\"DATAORD\")"_s),
              u"16.12.2024"_s);
}

TEST_F(ValuesTest, MemoExpansion) {
    TfrGlobals& g = frGlobals();
    g.frVariables.SetVariable(u"Two"_s, Variant(u"перший\r\nдругий"_s));
    g.frVariables.SetVariable(u"Nothing"_s, Variant(QString()));
    g.frVariables.SetVariable(u"Sum"_s, Variant(2.5));
    memo->Memo.SetStringList(
        {u"Сума [Sum #N5.2]"_s, u""_s, u"[Two]"_s, u"[Nothing]"_s, u"кінець"_s});
    memo->ExpandMemo();
    // a value that expands to nothing adds no line; a value with a line break adds two
    EXPECT_EQ(memo->Memo1.ToStringList(),
              (QStringList{u"Сума 2.50"_s, u""_s, u"перший"_s, u"другий"_s, u"кінець"_s}));
    memo->Flags |= flTextOnly;
    memo->ExpandMemo();
    EXPECT_EQ(memo->Memo1.ToStringList(), memo->Memo.ToStringList());
}

TEST_F(ValuesTest, TheEnginesColoursAreTheGraphicsLayers) {
    // One definition: the names a script uses and the defaults of the objects.
    struct Case {
        const char* Name;
        TColor Colour;
    } cases[] = {{"clRed", clRed},       {"clNavy", clNavy},          {"clBtnFace", clBtnFace},
                 {"clWindow", clWindow}, {"clInfoBk", clInfoBk},      {"clTransparent", clNone},
                 {"clWhite", clWhite},   {"clHighlight", clHighlight}};
    for (const Case& c : cases)
        EXPECT_TRUE(calc(QString::fromLatin1(c.Name)) == Variant(int64_t(uint32_t(c.Colour))))
            << c.Name;
    EXPECT_EQ(report->Pages[0]->Color, clBtnFace);
    EXPECT_EQ(memo->FillColor, clNone);
}
